#pragma once
// Builds a CGame (see Game.h): reads the main file, works out the compiler's switches
// (the caller's, then the main file's header), and compiles the game (GameCompiler.h),
// which reads each file the first time an Include it compiles reaches it. Then every
// file gets what the compiler made of it: the definitions it compiles (where the
// compiler locates them) and, from the definition reader, the definitions of the text it
// skips, marked with why; its includes; the ranges it skips; the local variables of its
// routines. Finally every definition is numbered in the compiler's order and the names
// are indexed. Everything it holds is its own, so builds on several threads never meet.

#include "Game.h"
#include "GameCompiler.h"

#include <deque>
#include <memory>
#include <span>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

class CGameBuilder final : public ICompileHost {
public:
    CGameBuilder(const GameInputs& inputs, const IGameFileSource& source);

    // Throws std::bad_alloc when memory runs out.
    std::shared_ptr<const CGame> Build();

    std::string_view Text(std::uint32_t file) override;
    const CCompileTokenList& Tokens(std::uint32_t file, CompileTokenPlace& start) override;
    std::uint32_t OpenInclude(std::uint32_t from, std::string_view name, const std::vector<std::string>& classes,
                              std::shared_ptr<const IncludeResolution>& resolution) override;
    void ReadWithoutSkips(std::uint32_t file) override;

private:
    // Reads the file at path (identity: the source's for it) as the game's next file.
    std::uint32_t Load(const std::string& path, std::string identity, const std::vector<std::string>& classes,
                       std::uint32_t from);
    TextPosition PositionIn(std::uint32_t file, std::uint64_t offset) const;
    void Merge(CGameCompiler& compiler);
    void MergeSkipped(std::uint32_t file, std::span<const SkippedText> skipped, std::uint32_t readings);
    void MergeDefinitions(std::uint32_t file, const std::deque<CompiledDefinition>& compiled,
                          const std::vector<std::string>& aliases,
                          std::span<const std::uint32_t> mine);
    void MergeIncludes(std::uint32_t file, std::deque<CompiledInclude>& compiled, std::span<const std::uint32_t> mine);
    void IndexNames();

    const GameInputs& m_inputs;
    const IGameFileSource& m_source;
    std::shared_ptr<CGame> m_game;
    std::unique_ptr<CIncludeResolver> m_resolver;
    std::deque<CGameFile>& m_files;  // the game's
    // While the game is compiled: the tokens of every file, one after another, and where
    // each file's are; the offsets of the lines of every file, likewise.
    struct Run {
        std::size_t begin, end;
    };
    CCompileTokenList m_tokens;
    std::vector<Run> m_tokenRuns;
    std::vector<std::uint64_t> m_lineStarts;
    std::vector<Run> m_lineRuns;
    // A small file's line starts are not kept while the game is compiled (a chain of
    // 100,000 small files): they are found again, one file at a time, for the merge.
    std::uint32_t m_linesFoundFor = NO_FILE;
    std::vector<std::uint64_t> m_linesFound;
    void FindLines(std::uint32_t file);
    std::span<const std::uint64_t> LineStarts(std::uint32_t file) const
    {
        if (file == m_linesFoundFor) return m_linesFound;
        return std::span(m_lineStarts.data() + m_lineRuns[file].begin, m_lineRuns[file].end - m_lineRuns[file].begin);
    }
    // The files read, found by their identity (the game's, by index).
    struct IdentityHash {
        using is_transparent = void;
        const std::deque<std::string>* identities;
        std::size_t operator()(std::string_view identity) const { return std::hash<std::string_view>{}(identity); }
        std::size_t operator()(std::uint32_t file) const { return (*this)((*identities)[file]); }
    };
    struct IdentityEqual {
        using is_transparent = void;
        const std::deque<std::string>* identities;
        std::string_view Of(std::uint32_t file) const { return (*identities)[file]; }
        static std::string_view Of(std::string_view identity) { return identity; }
        template <class A, class B>
        bool operator()(const A& a, const B& b) const { return Of(a) == Of(b); }
    };
    std::unordered_set<std::uint32_t, IdentityHash, IdentityEqual> m_byIdentity;
};
