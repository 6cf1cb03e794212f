// Fuzz body for the game model: the bytes are the texts of a game's files, split at
// NUL bytes (the first is the main file, the rest are "f1.h", "f2.h", ... in the same
// made-up folder, which nothing on disk holds). The game is built, and asked what
// stands at places of its files, where names are defined and used, and built again
// after one file changed.

#include "FuzzTargets.h"

#include "cli/TagsWriter.h"
#include "game/Game.h"
#include "game/GameResolver.h"
#include "game/GameWriters.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

// A source of the texts alone: no disk behind them.
class CNoFiles final : public IGameFileSource {
public:
    bool IsFile(const std::string&) const override { return false; }
    std::vector<std::string> ListFolder(const std::string&) const override { return {}; }
    std::shared_ptr<const std::string> Load(const std::string&, std::string& reason) const override
    {
        reason = "No such file or directory";
        return nullptr;
    }
    std::string Identity(const std::string& path) const override { return path; }
};

constexpr const char* kFolder = "/glossel-fuzz-game";

void CheckGame(const CGame& game)
{
    Require(game.FileCount() >= 1, "the main file is the first file");
    for (std::uint32_t f = 0; f < game.FileCount(); ++f) {
        const CGameFile& file = game.File(f);
        const std::string& text = file.Text();
        Require(file.ShownLength() <= text.size(), "what was read lies within the text");
        for (std::uint32_t i = 0; i < file.Definitions().size(); ++i) {
            const GameDefinition& d = file.Definitions()[i];
            Require(d.Offset() + d.Length() <= text.size(), "a name lies within its text");
            Require(d.Parent() == NO_PARENT || d.Parent() < i, "a property routine follows its object");
            const TextPosition at = file.PositionOf(d.Offset());
            Require(at.line == d.Line() && at.column == d.Column(), "a name's line and column are its offset's");
            // By the name the compiler gives it: the second name of a Replace for the
            // definition it renames.
            const auto found = game.FindDefinitions(game.CompiledNameOf(GameDefinitionRef{f, i}));
            Require(std::find(found.begin(), found.end(), GameDefinitionRef{f, i}) != found.end(),
                    "every definition is found by its compiled name");
        }
        for (const GameInclude& include : file.Includes()) {
            Require(include.target == NO_FILE || include.target < game.FileCount(), "an include leads into the game");
            Require(include.offset + include.length <= text.size(), "an include's name lies within its text");
        }
        std::vector<GameWord> words;
        file.ForEachWord([&](const GameWord& w) {
            words.push_back(w);
            return words.size() < 4096;
        });
        for (std::size_t k = 0; k < words.size(); k += 1 + words.size() / 16) {
            const GameWord& w = words[k];
            Require(w.offset + w.length <= text.size(), "a word lies within its text");
            Require(file.OffsetOf(w.line, w.column) == w.offset, "a word's line and column lead back to it");
            const GamePlace place = game.WhatIsAt(f, w.offset);
            Require(place.kind != GamePlace::Nothing, "something stands at a word");
            if (place.kind == GamePlace::Name) Require(place.word.offset == w.offset, "the word at a word is that word");
            // The resolver: its definitions are the game's, its uses lie in their texts.
            const GameMeaning meaning = MeaningOfWord(game, f, w);
            for (const GameDefinitionRef& ref : meaning.definitions)
                Require(ref.file < game.FileCount() && ref.index < game.File(ref.file).Definitions().size(),
                        "a meaning's definition is one of the game's");
            for (std::size_t r = 1; r < meaning.definitions.size(); ++r)
                Require(RankOf(game.Definition(meaning.definitions[r - 1])) <= RankOf(game.Definition(meaning.definitions[r])),
                        "a meaning's definitions are ranked");
            for (const GameReference& r : UsesOf(game, meaning))
                Require(r.word.offset + r.word.length <= game.File(r.file).Text().size(), "a meaning's use lies within its text");
            const std::string name = text.substr(w.offset, w.length);
            for (const GameReference& r : game.FindReferences(name)) {
                const std::string& other = game.File(r.file).Text();
                Require(r.word.offset + r.word.length <= other.size(), "a use lies within its text");
            }
        }
    }
}

// The game's text outputs: the include tree (no line indented past its bound), the
// outline of every file and both tag files.
void WriteGame(const CGame& game)
{
    COutputBuffer tree;
    Require(WriteIncludeTree(game, tree), "the include tree fits");
    const std::string_view text = tree.View();
    std::size_t lines = 0;
    for (std::size_t at = 0, end; at < text.size(); at = end + 1, ++lines) {
        end = text.find('\n', at);
        Require(end != std::string_view::npos, "the include tree ends its lines");
        std::size_t spaces = 0;
        while (at + spaces < end && text[at + spaces] == ' ') ++spaces;
        Require(spaces <= INCLUDE_TREE_INDENT_LEVELS * 2 + 4, "the include tree's indentation is bounded");
    }
    std::size_t includes = 0;
    for (std::uint32_t f = 0; f < game.FileCount(); ++f) includes += game.File(f).Includes().size();
    Require(lines >= includes, "the include tree has a line for every include");
    COutputBuffer outline;
    Require(WriteGameOutline(game, outline), "the game's outline fits");
    COutputBuffer skipped;
    Require(WriteSkippedCode(game, skipped), "the skipped code fits");
    for (std::uint32_t f = 0; f < game.FileCount(); ++f)
        for (const GameSkippedRange& run : game.File(f).SkippedRanges())
            Require(run.start <= run.end && run.end <= game.File(f).Text().size(), "a skipped run lies within its text");
    for (const CTagsWriter::Format format : {CTagsWriter::Vim, CTagsWriter::Emacs}) {
        CTagsWriter tags(format, kFolder, "/");
        tags.AddGame(game);
        const std::string written = tags.Finish();
        Require(format == CTagsWriter::Emacs || written.rfind("!_TAG_FILE_ENCODING", 0) == 0, "a tag file's header");
    }
}

}  // namespace

int FuzzGame(const std::uint8_t* data, std::size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    static const CNoFiles none;
    CGameFileOverlay files(none);
    std::size_t start = 0;
    for (int n = 0; start <= bytes.size() && n < 8; ++n) {
        std::size_t end = bytes.find('\0', start);
        if (end == std::string::npos) end = bytes.size();
        const std::string path = std::string(kFolder) + (n == 0 ? "/main.inf" : "/f" + std::to_string(n) + ".h");
        files.SetText(path, std::make_shared<const std::string>(bytes.substr(start, end - start)));
        start = end + 1;
    }
    GameInputs inputs;
    inputs.mainPath = std::string(kFolder) + "/main.inf";
    inputs.libraryFolder.clear();
    // The target and Debug decided by the input's length, so that each is tried.
    static const char* const kSwitches[] = {"", "-D", "-G", "-v3 -D", "-G -D $#X=3"};
    inputs.switches = kSwitches[size % 5];
    const auto game = CGame::Build(inputs, files);
    Require(game != nullptr, "a game is built");
    CheckGame(*game);
    WriteGame(*game);
    // The main file loses its last half; the game is built again from the rest.
    const std::string& main = game->File(0).Text();
    files.SetText(inputs.mainPath, std::make_shared<const std::string>(main.substr(0, main.size() / 2)));
    const auto again = game->Reindex(inputs.mainPath, files);
    Require(again != nullptr, "a game is built again");
    CheckGame(*again);
    return 0;
}
