#pragma once
// The outline of an Inform text: its definitions in file order, each with its kind,
// the row it stands on and where its name is.
//
// The outline is read off the lexer's own classification, so that it never disagrees
// with the colours: the text is walked line by line exactly as a render walks it
// (ForEachShownLine), and its definitions are those the definition reader finds in the
// lexer's token reports (DefinitionReader.h says which), of the outline's kinds:
// routines, objects, classes, globals, constants (Default's included), arrays,
// attributes, properties, verbs and extensions. Stub, Replace, Fake_action, Include
// and the routines of properties make no entry.
//
// Like a render, the outline ends at the first zero byte and stops before a line of
// MAX_LINE_LENGTH or more characters: the definitions before that line are kept, and
// the status says so. It allocates per definition and, while it is built, per class
// name, never per line or character; running out of memory (or a text of more than
// OUTLINE_MAX_LINES lines) leaves an empty outline and says so.

#include "DefinitionReader.h"

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

enum class OutlineKind : std::uint8_t {
    Routine,
    Object,
    Class,
    Global,
    Constant,
    Array,
    Attribute,
    Property,
    Verb,
    Extend,
};
inline constexpr int OUTLINE_KIND_COUNT = 10;
// The outline's kinds are the first of the definition reader's.
static_assert(static_cast<int>(OutlineKind::Extend) == static_cast<int>(DefinitionKind::Extend) &&
              static_cast<int>(DefinitionKind::Extend) + 1 == OUTLINE_KIND_COUNT);

// "routine", "object", "class", "global", "constant", "array", "attribute",
// "property", "verb", "extend".
const char* OutlineKindName(OutlineKind kind);

// One definition. Sixteen bytes: a name lies within one line, which has fewer than
// 1,024 characters, and a text of 2^40 lines would not fit in memory.
class OutlineEntry {
public:
    OutlineEntry(std::uint64_t offset, std::uint64_t line, std::size_t column, std::size_t length,
                 OutlineKind kind)
        : m_offset(offset), m_line(line), m_column(column), m_length(length),
          m_kind(static_cast<std::uint64_t>(kind))
    {
    }

    std::uint64_t Offset() const { return m_offset; }  // the name's first byte in the text
    std::uint64_t Line() const { return m_line; }      // the name's row, from 1
    std::size_t Column() const { return m_column; }    // bytes before the name on its row
    std::size_t Length() const { return m_length; }    // the name's bytes
    OutlineKind Kind() const { return static_cast<OutlineKind>(m_kind); }

private:
    std::uint64_t m_offset;
    std::uint64_t m_line : 40;
    std::uint64_t m_column : 10;
    std::uint64_t m_length : 10;
    std::uint64_t m_kind : 4;
};
static_assert(sizeof(OutlineEntry) == 16);
inline constexpr std::uint64_t OUTLINE_MAX_LINES = (std::uint64_t{1} << 40) - 1;

enum class OutlineStatus {
    Ok,
    LongLine,     // stopped before a line of MAX_LINE_LENGTH or more characters
    OutOfMemory,  // the outline could not grow; it is empty
};

class COutline final : private IDefinitionSink {
public:
    COutline() = default;

    // Replaces the outline with that of text (which ends at its first zero byte, if any).
    OutlineStatus Build(const char* text, std::size_t length);
    // Empties the outline and gives its storage back.
    void Clear();

    const std::vector<OutlineEntry>& GetEntries() const { return m_entries; }
    // The name of an entry, from the text the outline was built from (empty when the
    // text given is too short to hold it).
    static std::string_view Name(const OutlineEntry& entry, std::string_view text)
    {
        if (entry.Offset() > text.size()) return {};
        return text.substr(static_cast<std::size_t>(entry.Offset()), entry.Length());
    }
    // Bytes held: the entries' storage (at most twice the entries, as it grew).
    std::size_t GetMemoryUse() const;

private:
    void OnDefinition(std::size_t index, const Definition& definition) override;

    std::vector<OutlineEntry> m_entries;
    bool m_failed = false;
};
