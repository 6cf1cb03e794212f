#pragma once
// One file of a game: its text and what the index knows of it, read once by the one
// lexer and the definition reader (syntax/DefinitionReader.h), then never changed.
//
// Definitions are kept as offsets into the text (24 bytes each), in the order of their
// names in the text; a property routine follows the object or class it belongs to,
// which is its parent. The text is read as a render reads it: up to its first zero byte,
// and no further than a line of MAX_LINE_LENGTH or more characters (Status() says so);
// what lies after that is not indexed and holds no uses of names.
//
// To read a piece of the text again without starting at its top (the word at a place,
// the uses of a name), the file keeps the lexer's state word at the start of every
// GAME_CHECKPOINT_LINES-th line.

#include "CompileTokens.h"
#include "GameFileSource.h"
#include "GameWords.h"
#include "IncludeResolver.h"
#include "syntax/DefinitionReader.h"
#include "syntax/DisplayText.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

inline constexpr std::uint32_t GAME_CHECKPOINT_LINES = 64;
inline constexpr std::uint32_t NO_PARENT = 0xFFFFFFFFu;
inline constexpr std::uint32_t NO_FILE = 0xFFFFFFFFu;
inline constexpr std::uint32_t NO_REASON = 0xFFFFFFFFu;

// A definition of the game (never an Include: those are GameInclude).
class GameDefinition {
public:
    GameDefinition(const Definition& d, std::uint64_t end, std::uint32_t parent);

    // Whether the compiler compiles it (with the game's switches), and if not, why: an
    // index of CGame::Reason.
    bool IsCompiled() const { return (m_state & STATE_REASON) == 0; }
    std::uint32_t Reason() const { return IsCompiled() ? NO_REASON : (m_state & STATE_REASON) - 1; }
    // Compiled, but a later definition of its name is the one calls reach (Replace).
    bool IsSuperseded() const { return (m_state & STATE_SUPERSEDED) != 0; }
    // A property that no Property directive declares: the first `with` that names it.
    bool IsImplicit() const { return (m_state & STATE_IMPLICIT) != 0; }
    // The line the compiler gives it (a routine's name, a property routine's '[', a
    // directive's first line, ...), from 1.
    std::uint32_t CompilerLine() const { return m_compilerLine; }

    DefinitionKind Kind() const { return static_cast<DefinitionKind>(m_kind); }
    bool GivesWay() const { return m_givesWay; }              // Default, Stub: unless defined elsewhere
    std::uint64_t Offset() const { return m_offset; }         // the name's first byte in the text
    std::uint32_t Line() const { return m_line; }             // the name's line, from 1
    std::uint32_t Column() const { return m_column; }         // bytes before the name on its line
    std::uint32_t Length() const { return m_length; }         // the name's bytes
    std::uint32_t Parent() const { return m_parent; }         // a property routine's object or class, or NO_PARENT
    std::uint64_t Start() const { return m_offset + m_start; }  // its directive's first token, or its routine's '['
    std::uint64_t End() const { return m_offset + m_end; }      // just after its ';' or ']'

private:
    friend class CGameFileReader;

    std::uint64_t m_offset : 39;
    std::uint64_t m_givesWay : 1;
    std::uint64_t m_column : 10;
    std::uint64_t m_length : 10;
    std::uint64_t m_kind : 4;
    std::uint32_t m_line;
    std::uint32_t m_parent;
    std::int32_t m_start;  // from the name (a property routine's '[' comes after its property's name)
    std::uint32_t m_end;   // from the name
    std::uint32_t m_compilerLine = 0;
    std::uint32_t m_state = 0;  // STATE_ flags and the reason's index + 1 (0: compiled)

    friend class CGameBuilder;
    static constexpr std::uint32_t STATE_REASON = 0x3FFFFFFFu;
    static constexpr std::uint32_t STATE_SUPERSEDED = 0x40000000u;
    static constexpr std::uint32_t STATE_IMPLICIT = 0x80000000u;
};
static_assert(sizeof(GameDefinition) == 32);

// A run of text the compiler skips, with its reason (an index of CGame::Reason).
struct GameSkippedRange {
    std::uint64_t start;  // its first byte
    std::uint64_t end;    // one past its last
    std::uint32_t firstLine;  // the whole lines it covers, from 1 (none when lastLine < firstLine)
    std::uint32_t lastLine;
    std::uint32_t reason;
};

// An Include directive of a file and what it leads to.
class CGameFile;
struct GameInclude {
    // Its name as written, without its quotes: the text of file (the file it is in) at
    // offset, unless the name stands in another file's text (an Include that an included
    // file ends with), which file keeps.
    std::string_view Name(const CGameFile& file) const;
    std::uint64_t offset = 0;  // the quoted name's first byte (its opening quote)
    std::uint64_t start = 0;   // the directive's first token
    std::uint64_t end = 0;     // just after its ';'
    // What it leads to, shared by the game's Includes of the same name; null until it is
    // looked for (Resolution() then says Missing, with no path tried).
    std::shared_ptr<const IncludeResolution> resolution;  // NotRead: in code the compiler skips (reason says why)
    const IncludeResolution& Resolution() const;
    const std::string* farName = nullptr;  // the name, when it stands in another file's text
    std::uint32_t line = 0;    // the quoted name's line, from 1
    std::uint32_t length = 0;  // the quoted name's bytes, quotes included
    std::uint32_t target = NO_FILE;  // the file it leads to (not when missing)
    std::uint32_t reason = NO_REASON;  // NotRead: an index of CGame::Reason
    std::uint16_t column = 0;  // (a line is never longer than MAX_LINE_LENGTH)
    bool firstRead = false;    // the game read that file here; false: it was read before (twice, or a cycle)
};

enum class GameFileStatus : std::uint8_t {
    Read,        // all of it
    LongLine,    // read up to a line of MAX_LINE_LENGTH or more characters, which stopped it
    Unreadable,  // could not be loaded (Failure() says why); no text
};

class CGameFile {
public:
    // Reads text: classNames are the classes defined before it (folded to lower case).
    // directiveWords, when given, receives the words that open its directives (folded,
    // sorted, each once): what classes defined elsewhere can make objects of. Throws
    // std::bad_alloc when memory runs out.
    // tokens, when given, receives the tokens the compiler reads (CompileTokens.h), and
    // lineStarts the offset of every line's first byte.
    CGameFile(std::string path, std::shared_ptr<const std::string> text, const std::vector<std::string>& classNames,
              std::vector<std::string>* directiveWords = nullptr, CCompileTokenList* tokens = nullptr,
              std::vector<std::uint64_t>* lineStarts = nullptr);
    // A file that could not be loaded.
    CGameFile(std::string path, std::string failure);

    const std::string& Path() const { return m_path; }
    const std::string& Text() const { return *m_text; }
    const std::shared_ptr<const std::string>& SharedText() const { return m_text; }
    GameFileStatus Status() const { return m_status; }
    // The bytes of the text that were read: to its first zero byte, or to the start of
    // the line too long that stopped the reading.
    std::size_t ShownLength() const { return m_shownLength; }
    const std::string& Failure() const { return Rare().failure; }
    // How the bytes read are shown (UTF-8 when they are well-formed UTF-8 with a byte of
    // 0x80 or more, else Windows-1252), decided once when the file is read.
    display::Encoding Encoding() const { return m_encoding; }

    const std::vector<GameDefinition>& Definitions() const { return m_definitions; }
    const std::vector<GameInclude>& Includes() const { return m_includes; }
    // The text the compiler skips with the game's switches, in text order.
    const std::vector<GameSkippedRange>& SkippedRanges() const { return Rare().skipped; }
    // The skipped range that holds offset, or null.
    const GameSkippedRange* SkippedAt(std::uint64_t offset) const;
    bool IsSkipped(std::uint64_t offset) const { return SkippedAt(offset) != nullptr; }
    // The definition's own name: "before" for a property routine.
    std::string_view NameOf(const GameDefinition& d) const { return std::string_view(*m_text).substr(d.Offset(), d.Length()); }
    // The name the compiler gives it: "lamp.before" for a property routine.
    std::string FullNameOf(const GameDefinition& d) const;

    // Where offset stands (line from 1, bytes before it on its line); past the text: its end.
    TextPosition PositionOf(std::uint64_t offset) const;
    // The offset of line (from 1) and column, or the text's length when there is no such line.
    std::uint64_t OffsetOf(std::uint64_t line, std::uint32_t column = 0) const;
    // The text of the line at lineOffset, without its line feed.
    std::string_view LineAt(std::uint64_t lineOffset) const;

    // Every use of a word as a name, in text order, from the line at fromLine (1: all).
    // visit returns false to stop.
    void ForEachWord(const std::function<bool(const GameWord& word)>& visit, std::uint64_t fromLine = 1) const;
    // The names of the classes it defines, folded to lower case.
    const std::vector<std::string>& ClassNames() const { return Rare().classNames; }

    std::size_t GetMemoryUse() const;  // bytes held, its text not counted

private:
    friend class CGameFileReader;
    friend class CGameBuilder;
    struct Checkpoint {
        std::uint64_t offset;
        std::uint32_t state;
    };

    std::string m_path;
    std::shared_ptr<const std::string> m_text;
    std::size_t m_shownLength = 0;  // the text that was read: to its first NUL or long line
    GameFileStatus m_status = GameFileStatus::Read;
    display::Encoding m_encoding = display::Encoding::Windows1252;
    bool m_hasLines = false;          // the first checkpoint (line 1) is there
    std::uint32_t m_firstState = 0;   // its state (its offset is 0)
    std::vector<GameDefinition> m_definitions;
    std::vector<GameInclude> m_includes;
    // What most files have none of, kept apart so that they cost one pointer when empty
    // (a game of 100,000 small files).
    struct RareParts {
        std::string failure;
        std::vector<std::string> classNames;
        std::vector<GameSkippedRange> skipped;
        std::vector<Checkpoint> checkpoints;  // line 1 + k * GAME_CHECKPOINT_LINES, for k from 1
        std::deque<std::string> farNames;     // of its Includes whose names stand in another text
    };
    // Checkpoint k (line 1 + k * GAME_CHECKPOINT_LINES), of CheckpointCount().
    std::size_t CheckpointCount() const { return m_hasLines ? 1 + Rare().checkpoints.size() : 0; }
    Checkpoint CheckpointAt(std::size_t k) const { return k == 0 ? Checkpoint{0, m_firstState} : Rare().checkpoints[k - 1]; }
    std::unique_ptr<RareParts> m_rare;
    const RareParts& Rare() const;
    RareParts& MakeRare();
};
