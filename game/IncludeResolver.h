#pragma once
// Finds the file an Include directive names, as the Inform 6 compiler (6.3x to 6.4x)
// finds it, with what a reader of the game needs on top:
//  - "name" holding a '/': a path used as it stands; a relative one is the main file's
//    folder's (the compiler takes it from the folder it runs in, which is that one when
//    a game is built in its own folder).
//  - any other "name": tried in each folder of the include path in turn.
//  - ">name": in the main file's folder, even when a file in another folder includes it.
//  - "language__": the language file (IncludeSettings::languageName, "English" unless
//    the main file's header names another), then as any other name.
// A name whose last part holds no '.' gets the extension (".h", ".inf" for ">name"); a
// name that ends in '.' loses that '.' and gets none.
// The include path: the compiler's own (IncludeSettings::includePath: the library's
// folder unless the switches or the header say otherwise; a relative folder is the main
// file's folder's; a folder's own separator is put before the name only when the folder
// ends in a letter or digit, as the compiler joins them, so "+.." looks for "..parser.h"),
// then the folders a reader adds for convenience: the caller's (--include-path), the
// main file's folder, the standard library's folder when it exists. A file found only
// in those is followed but marked (FoundOutsidePath). A folder given twice is tried once.
// Names are case-exact, as the compiler has them: every folder is tried with the exact
// name first. When no exact name exists anywhere, a name that differs only in the case
// of its letters (ASCII) is followed, and marked as one the compiler would not find.
// Something at a path that opens but is no file (a folder, a FIFO, a device) ends the
// search there, as the compiler stops at it; a file there that cannot be opened (no
// right to read it) is passed over, as the compiler passes over it, and is the answer
// only when no exact name is found anywhere else. Both are Unreadable: the game has
// them as files that cannot be read, and says why.
// The resolver only looks: it reads no file, and the same name always gives the same
// answer from the same source. It answers each name once: every Include of that name
// shares the one answer and its one list of the paths tried (a list names its folders
// by their place in the one include path, so that an include path of thousands of
// folders costs an answer nothing). It keeps the folders it listed and the names it
// answered, for one thread's use.

#include "GameFileSource.h"
#include "IncludeSettings.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <map>
#include <memory>
#include <memory_resource>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// Where Debian's compiler finds the standard library.
inline constexpr const char* GAME_LIBRARY_FOLDER = "/usr/share/inform6/library";

enum class IncludeStatus : std::uint8_t {
    Found,        // the compiler finds it at the path given
    FoundByCase,  // only a name in another case matches: followed, but the compiler would not find it
    Missing,      // nothing matches
    Unreadable,   // something stands at the path that cannot be read as a file (see above)
    // Found only in a folder the reader adds (the main file's, --include-path), which the
    // compiler's include path does not hold: followed, but the compiler would not find it.
    FoundOutsidePath,
    NotRead,      // in code the compiler skips: never looked for (GameInclude::reason says why)
};

// A folder of the include path, as the resolver tries it.
struct IncludeFolder {
    std::string path;
    bool compilerJoin;  // the header's: a separator only after a letter or digit
    bool compilers;     // on the compiler's own include path
    // The path of file in it.
    std::string Join(std::string_view file) const;
};

// The paths an Include tried, in order, never changed: the first count folders of the
// include path (one list, shared by every answer of a game) joined to the file's name,
// or one path given whole. A list costs no more than its name, however many folders a
// header names.
class IncludePaths {
public:
    class const_iterator {
    public:
        using value_type = std::string;
        using difference_type = std::ptrdiff_t;
        using reference = std::string;
        using iterator_category = std::input_iterator_tag;
        const_iterator() = default;
        const_iterator(const IncludePaths* paths, std::size_t i) : m_paths(paths), m_i(i) {}
        std::string operator*() const { return (*m_paths)[m_i]; }
        const_iterator& operator++() { ++m_i; return *this; }
        const_iterator operator++(int) { const_iterator old = *this; ++m_i; return old; }
        bool operator==(const const_iterator& other) const { return m_i == other.m_i; }

    private:
        const IncludePaths* m_paths = nullptr;
        std::size_t m_i = 0;
    };
    using iterator = const_iterator;
    using value_type = std::string;

    IncludePaths() = default;
    // One path, used as it stands.
    explicit IncludePaths(std::string path) : m_file(std::move(path)), m_count(1) {}
    // file in each of the first count folders.
    IncludePaths(std::shared_ptr<const std::vector<IncludeFolder>> folders, std::string file, std::size_t count)
        : m_folders(std::move(folders)), m_file(std::move(file)), m_count(static_cast<std::uint32_t>(count)) {}

    const_iterator begin() const { return const_iterator(this, 0); }
    const_iterator end() const { return const_iterator(this, m_count); }
    std::size_t size() const { return m_count; }
    bool empty() const { return m_count == 0; }
    std::string operator[](std::size_t i) const { return m_folders ? (*m_folders)[i].Join(m_file) : m_file; }
    // A copy, for a record that keeps the list.
    operator std::vector<std::string>() const { return std::vector<std::string>(begin(), end()); }
    bool operator==(const std::vector<std::string>& other) const
    {
        if (size() != other.size()) return false;
        for (std::size_t i = 0; i < size(); ++i)
            if ((*this)[i] != other[i]) return false;
        return true;
    }
    // The bytes this list holds of its own (the folders are the game's).
    std::size_t GetMemoryUse() const { return m_file.capacity() > std::string().capacity() ? m_file.capacity() + 1 : 0; }

private:
    std::shared_ptr<const std::vector<IncludeFolder>> m_folders;  // null: m_file is the one path
    std::string m_file;
    std::uint32_t m_count = 0;
};

struct IncludeResolution {
    IncludeStatus status = IncludeStatus::Missing;
    // Which path tried is the file found, or the one that cannot be read: the last for a
    // file found; NOT_TRIED for none (Missing) or for byCase.
    static constexpr std::uint32_t NOT_TRIED = 0xFFFFFFFFu;
    std::uint32_t pathAt = NOT_TRIED;
    IncludePaths tried;  // every path tried with the exact name, in order, up to the one found
    std::shared_ptr<const std::string> byCase;  // FoundByCase: the file found, a name in another case

    // The file found, or the one that cannot be read ("" for Missing).
    std::string Path() const
    {
        if (byCase) return *byCase;
        return pathAt < tried.size() ? tried[pathAt] : std::string();
    }
};

// What an Include's name leads to, and a number its caller keeps with it.
struct IncludeAnswer {
    static constexpr std::uint32_t NO_MARK = 0xFFFFFFFFu;
    std::shared_ptr<const IncludeResolution> resolution;
    std::uint32_t mark = NO_MARK;
};

class CIncludeResolver {
public:
    // mainPath is the main file as the game was given it; extraFolders are the caller's
    // (used as given); libraryFolder is the standard library's ("" for none).
    CIncludeResolver(const std::string& mainPath, const IncludeSettings& settings,
                     const std::vector<std::string>& extraFolders, const std::string& libraryFolder,
                     const IGameFileSource& source);

    // The answer for an Include that names name (as written, without its quotes): one
    // answer for each name, shared by every Include that names it. identity, when given,
    // receives the source's identity of the file found when the name is searched now and
    // the search learnt it ("" when not, or when the name was answered before). The
    // answer's mark is the caller's to keep beside it (the file it read there).
    IncludeAnswer& Answer(std::string_view name, std::string* identity = nullptr) const;
    std::shared_ptr<const IncludeResolution> Resolve(std::string_view name) const { return Answer(name).resolution; }

    // The folders of the include path in the order they are tried.
    std::vector<std::string> SearchFolders() const;
    const std::string& MainFolder() const { return m_mainFolder; }

private:
    IncludeResolution Search(std::string_view name, std::string& identity) const;
    std::string FindByCase(const std::string& path) const;
    std::string FindFolderByCase(const std::string& folder) const;
    const std::vector<std::string>& List(const std::string& folder) const;

    const IGameFileSource& m_source;
    std::string m_mainFolder;  // "" when the main file's name has no folder
    std::string m_language;
    std::shared_ptr<std::vector<IncludeFolder>> m_folders;  // shared with the answers' lists
    mutable std::map<std::string, std::vector<std::string>> m_listings;  // sorted, as first listed
    // The names answered, their letters kept in the arena, and their answers (a game of
    // 100,000 Includes keeps 100,000 of them while it is built).
    mutable std::pmr::monotonic_buffer_resource m_arena;
    mutable std::unordered_map<std::string_view, IncludeAnswer> m_answers;
};

// The name an Include names, as Resolve takes it: its quoted name without its quotes.
std::string_view IncludeNameOf(std::string_view quoted);

// folder joined to name by a '/' ("" stands for the current folder).
std::string JoinPath(const std::string& folder, std::string_view name);
