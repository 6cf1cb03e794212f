// The game model: includes found as the compiler finds them, on small folders made by
// each test. In the rows, "$" stands for the test's folder; the main file is
// $/game/main.inf and the standard library's folder $/lib.

#include "TestSupport.h"

#include "game/IncludeResolver.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

using V = std::vector<std::string>;

std::string Expand(const std::string& s, const fs::path& root)
{
    std::string out;
    for (char c : s) {
        if (c == '$')
            out += root.string();
        else
            out.push_back(c);
    }
    return out;
}

// Each a file of that name, or "dir:NAME" a folder, "fifo:NAME" a FIFO and
// "link:NAME>TARGET" a symbolic link.
void MakeFiles(const testsupport::TempDir& dir, const V& files)
{
    for (const std::string& entry : files) {
        const std::size_t colon = entry.find(':');
        const std::string kind = colon == std::string::npos ? "" : entry.substr(0, colon);
        std::string name = colon == std::string::npos ? entry : entry.substr(colon + 1);
        std::string target;
        if (kind == "link") {
            target = name.substr(name.find('>') + 1);
            name.resize(name.find('>'));
        }
        const fs::path path = dir / name;
        fs::create_directories(path.parent_path());
        if (kind == "dir")
            fs::create_directory(path);
        else if (kind == "fifo")
            ASSERT_EQ(mkfifo(path.c_str(), 0644), 0) << path;
        else if (kind == "link")
            fs::create_symlink(target, path);
        else
            testsupport::WriteFile(path, "! " + name + "\n");
    }
}

struct ResolveCase {
    const char* name;
    std::string header;  // the main file's first lines
    V files;             // made under $, besides the main file
    V extra;             // the caller's folders
    std::string include;
    IncludeStatus status;
    std::string path;  // what it resolves to ("" when missing)
    V tried;
};

void PrintTo(const ResolveCase& c, std::ostream* os) { *os << c.name; }

class Resolve : public testing::TestWithParam<ResolveCase> {};

TEST_P(Resolve, FindsTheFileTheCompilerFinds)
{
    const ResolveCase& c = GetParam();
    testsupport::TempDir dir;
    MakeFiles(dir, c.files);
    fs::create_directories(dir / "game");
    const std::string header = Expand(c.header, dir.Path());
    testsupport::WriteFile(dir / "game/main.inf", header + "[ Main; ];\n");
    V extra;
    for (const std::string& folder : c.extra) extra.push_back(Expand(folder, dir.Path()));

    CDiskFileSource disk;
    const std::string main = (dir / "game/main.inf").string();
    CIncludeResolver resolver(main, IncludeSettings::FromHeader(header), extra, (dir / "lib").string(), disk);
    const std::shared_ptr<const IncludeResolution> answer = resolver.Resolve(Expand(c.include, dir.Path()));
    const IncludeResolution& found = *answer;
    EXPECT_EQ(found.status, c.status);
    EXPECT_EQ(found.Path(), c.path.empty() ? std::string() : Expand(c.path, dir.Path()));
    V tried;
    for (const std::string& t : c.tried) tried.push_back(Expand(t, dir.Path()));
    EXPECT_EQ(V(found.tried), tried);
    // Asked again, the same answer, not made again.
    EXPECT_EQ(resolver.Resolve(Expand(c.include, dir.Path())), answer);
    const IncludeResolution again = *resolver.Resolve(Expand(c.include, dir.Path()));
    EXPECT_EQ(again.status, found.status);
    EXPECT_EQ(again.Path(), found.Path());
    EXPECT_EQ(V(again.tried), tried);
}

constexpr IncludeStatus Found = IncludeStatus::Found;
constexpr IncludeStatus ByCase = IncludeStatus::FoundByCase;
constexpr IncludeStatus Missing = IncludeStatus::Missing;
constexpr IncludeStatus Unreadable = IncludeStatus::Unreadable;
// Found only in a folder the reader adds (the main file's, the caller's, the library's
// when the compiler's path does not hold it).
constexpr IncludeStatus Outside = IncludeStatus::FoundOutsidePath;

INSTANTIATE_TEST_SUITE_P(
    Rows, Resolve,
    testing::Values(
        // Extensions.
        ResolveCase{"plain_name_gets_h", "", V{"game/foo.h"}, V{}, "foo", Outside, "$/game/foo.h", V{"$/game/foo.h"}},
        ResolveCase{"own_extension_kept", "", V{"game/foo.inc", "game/foo.inc.h"}, V{}, "foo.inc", Outside,
                    "$/game/foo.inc", V{"$/game/foo.inc"}},
        ResolveCase{"final_dot_means_no_extension", "", V{"game/foo", "game/foo.h"}, V{}, "foo.", Outside,
                    "$/game/foo", V{"$/game/foo"}},
        ResolveCase{"dot_in_a_folder_name_is_no_extension", "", V{"game/lib.d/y.h"}, V{}, "lib.d/y", Found,
                    "$/game/lib.d/y.h", V{"$/game/lib.d/y.h"}},
        // Names with a '/': one path, from the main file's folder, never the include path.
        ResolveCase{"slash_name_from_the_main_folder", "", V{"game/sub/x.h"}, V{}, "sub/x", Found,
                    "$/game/sub/x.h", V{"$/game/sub/x.h"}},
        ResolveCase{"slash_name_not_searched", "", V{"inc/sub/x.h", "lib/sub/x.h"}, V{"$/inc"}, "sub/x", Missing,
                    "", V{"$/game/sub/x.h"}},
        ResolveCase{"absolute_name", "", V{"elsewhere/x.h"}, V{}, "$/elsewhere/x", Found, "$/elsewhere/x.h",
                    V{"$/elsewhere/x.h"}},
        // ">name": the main file's folder, .inf.
        ResolveCase{"angle_gets_inf", "", V{"game/part.inf", "game/part.h", "lib/part.inf"}, V{}, ">part", Found,
                    "$/game/part.inf", V{"$/game/part.inf"}},
        ResolveCase{"angle_keeps_its_extension", "", V{"game/part.h"}, V{}, ">part.h", Found, "$/game/part.h",
                    V{"$/game/part.h"}},
        ResolveCase{"angle_with_a_folder", "", V{"game/sub/part.inf"}, V{}, ">sub/part", Found,
                    "$/game/sub/part.inf", V{"$/game/sub/part.inf"}},
        // The order of the include path.
        ResolveCase{"main_folder_before_the_library", "", V{"game/foo.h", "lib/foo.h"}, V{}, "foo", Outside,
                    "$/game/foo.h", V{"$/game/foo.h"}},
        ResolveCase{"library_last", "", V{"lib/foo.h"}, V{}, "foo", Outside, "$/lib/foo.h",
                    V{"$/game/foo.h", "$/lib/foo.h"}},
        ResolveCase{"compilers_path_before_the_main_folder", "!% +include_path=$/lib/\n", V{"game/foo.h", "lib/foo.h"},
                    V{}, "foo", Found, "$/lib/foo.h", V{"$/lib/foo.h"}},
        ResolveCase{"caller_folders_before_the_main_folder", "", V{"inc/foo.h", "game/foo.h"}, V{"$/inc"}, "foo",
                    Outside, "$/inc/foo.h", V{"$/inc/foo.h"}},
        ResolveCase{"header_before_caller", "!% +include_path=a,b\n", V{"game/b/foo.h", "inc/foo.h"}, V{"$/inc"},
                    "foo", Found, "$/game/b/foo.h", V{"$/game/a/foo.h", "$/game/b/foo.h"}},
        ResolveCase{"header_list_in_order", "!% +include_path=a,b\n", V{"game/a/foo.h", "game/b/foo.h"}, V{}, "foo",
                    Found, "$/game/a/foo.h", V{"$/game/a/foo.h"}},
        ResolveCase{"plus_folder_replaces", "!% +a\n!% +b\n", V{"game/a/foo.h"}, V{}, "foo", Missing, "",
                    V{"$/game/b/foo.h", "$/game/foo.h"}},
        ResolveCase{"plus_plus_goes_first", "!% +include_path=a\n!% ++b\n", V{"game/a/foo.h"}, V{}, "foo", Found,
                    "$/game/a/foo.h", V{"$/game/b/foo.h", "$/game/a/foo.h"}},
        ResolveCase{"plus_plus_lines_last_first", "!% ++a\n!% +b\n!% ++c,d\n!% ++e\n", V{}, V{}, "foo", Missing, "",
                    V{"$/game/e/foo.h", "$/game/c/foo.h", "$/game/d/foo.h", "$/game/b/foo.h", "$/game/foo.h"}},
        ResolveCase{"header_ends_at_another_line", "! about\n!% +a\n", V{"game/a/foo.h"}, V{}, "foo", Missing, "",
                    V{"$/game/foo.h"}},
        ResolveCase{"header_ends_at_a_blank_line", "!% -s\n\n!% +a\n", V{}, V{}, "foo", Missing, "",
                    V{"$/game/foo.h"}},
        ResolveCase{"header_setting_names_ignore_case", "!% +Include_Path=a ! the library\n", V{"game/a/foo.h"},
                    V{}, "foo", Found, "$/game/a/foo.h", V{"$/game/a/foo.h"}},
        ResolveCase{"header_line_of_two_commands_ignored", "!% +a +b\n", V{}, V{}, "foo", Missing, "",
                    V{"$/game/foo.h"}},
        ResolveCase{"empty_header_folder_is_the_main_folder", "!% +,b\n", V{"game/foo.h", "game/b/foo.h"}, V{},
                    "foo", Found, "$/game/foo.h", V{"$/game/foo.h"}},
        ResolveCase{"header_folder_joined_as_the_compiler_joins", "!% +..,lib_\n", V{}, V{}, "foo", Missing, "",
                    V{"$/game/..foo.h", "$/game/lib_foo.h", "$/game/foo.h"}},
        ResolveCase{"header_folder_ending_in_non_alphanumeric", "!% +lib_,up/\n", V{"game/lib_foo.h"}, V{}, "foo",
                    Found, "$/game/lib_foo.h", V{"$/game/lib_foo.h"}},
        ResolveCase{"folder_given_twice_tried_once", "", V{}, V{"$/game", "$/game/"}, "foo", Missing, "",
                    V{"$/game/foo.h"}},
        // The language file.
        ResolveCase{"language_is_english", "", V{"lib/English.h"}, V{}, "language__", Outside, "$/lib/English.h",
                    V{"$/game/English.h", "$/lib/English.h"}},
        ResolveCase{"language_from_the_header", "!% +language_name=French\n", V{"lib/French.h"}, V{}, "language__",
                    Outside, "$/lib/French.h", V{"$/game/French.h", "$/lib/French.h"}},
        ResolveCase{"only_language_with_two_underscores", "", V{"game/Language__.h"}, V{}, "Language__", Outside,
                    "$/game/Language__.h", V{"$/game/Language__.h"}},
        // Case.
        ResolveCase{"other_case_followed_and_marked", "", V{"lib/parser.h"}, V{}, "Parser", ByCase,
                    "$/lib/parser.h", V{"$/game/Parser.h", "$/lib/Parser.h"}},
        ResolveCase{"exact_case_anywhere_wins", "", V{"game/parser.h", "lib/Parser.h"}, V{}, "Parser", Outside,
                    "$/lib/Parser.h", V{"$/game/Parser.h", "$/lib/Parser.h"}},
        ResolveCase{"other_case_in_a_folder_of_the_name", "", V{"game/Sub/X.H"}, V{}, "sub/x", ByCase,
                    "$/game/Sub/X.H", V{"$/game/sub/x.h"}},
        // There, but no file to read: a folder, a FIFO or a device stops the search where
        // it stands, as the compiler stops there; a loop of links is passed over, and is
        // the answer only when nothing else is found.
        ResolveCase{"folder_of_the_name_stops_the_search", "", V{"dir:game/foo.h", "lib/foo.h"}, V{}, "foo",
                    Unreadable, "$/game/foo.h", V{"$/game/foo.h"}},
        ResolveCase{"fifo_of_the_name", "", V{"fifo:game/foo.h"}, V{}, "foo", Unreadable, "$/game/foo.h",
                    V{"$/game/foo.h"}},
        ResolveCase{"link_to_a_device", "", V{"link:game/zero.h>/dev/zero"}, V{}, "zero", Unreadable,
                    "$/game/zero.h", V{"$/game/zero.h"}},
        ResolveCase{"loop_of_links_passed_over", "", V{"link:game/foo.h>foo.h", "lib/foo.h"}, V{}, "foo", Outside,
                    "$/lib/foo.h", V{"$/game/foo.h", "$/lib/foo.h"}},
        ResolveCase{"loop_of_links_when_nothing_else", "", V{"link:game/foo.h>foo.h", "lib/Foo.h"}, V{}, "foo",
                    Unreadable, "$/game/foo.h", V{"$/game/foo.h", "$/lib/foo.h"}},
        ResolveCase{"link_that_leads_nowhere_is_nothing", "", V{"link:game/foo.h>gone.h"}, V{}, "foo", Missing, "",
                    V{"$/game/foo.h"}},
        // Nothing there: every path tried.
        ResolveCase{"missing_lists_every_path", "!% +include_path=a\n", V{}, V{"$/inc"}, "nothing", Missing, "",
                    V{"$/game/a/nothing.h", "$/inc/nothing.h", "$/game/nothing.h"}}),
    [](const testing::TestParamInfo<ResolveCase>& info) { return std::string(info.param.name); });

}  // namespace

// ---------------------------------------------------------------------------
// The packed token list gives back every token as it was added, whatever the sizes of
// its gaps and lengths (one byte each, several, a token that starts inside the one
// before), and the last token can still change until the list is closed.

#include "game/CompileTokens.h"

TEST(CompileTokenList, GivesBackWhatWasAdded)
{
    const std::uint64_t big = (std::uint64_t{1} << 39) + 5;
    const std::vector<CompileToken> tokens{
        {0, 1, 1},    {1, 31, 0},          {40, 32, 2},     {200, 1, 1},     {200, 0, 3},
        {150, 7, 0},  {big, (1u << 20) - 1, 2}, {big + (1u << 20) + 70000, 3, 0}, {big, 2, 1},
    };
    CCompileTokenList list;
    // Another file's tokens before and after: each file's are read from its own start
    // to its own end.
    CompileTokenPlace before = list.StartFile();
    list.Add(CompileToken{300, 4, 0});
    CompileTokenPlace place = list.StartFile();
    before.end = place.at;
    for (const CompileToken& t : tokens) list.Add(t);
    list.Last().length = 9;  // a string that runs on
    EXPECT_EQ(list.Count(), tokens.size());
    place.end = list.StartFile().at;
    list.Add(CompileToken{7, 2, 1});
    list.Close();
    CompileToken got{};
    ASSERT_TRUE(list.Read(before, got));
    EXPECT_EQ(got.offset, 300u);
    EXPECT_FALSE(list.Read(before, got));
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        ASSERT_TRUE(list.PeekAt(place, got)) << i;
        EXPECT_EQ(got.offset, tokens[i].offset) << i;
        ASSERT_TRUE(list.Read(place, got)) << i;
        EXPECT_EQ(got.offset, tokens[i].offset) << i;
        EXPECT_EQ(got.length, i + 1 == tokens.size() ? 9u : tokens[i].length) << i;
        EXPECT_EQ(got.kind, tokens[i].kind) << i;
        EXPECT_EQ(place.lastEnd, got.End()) << i;
    }
    EXPECT_FALSE(list.Read(place, got));
}

// ---------------------------------------------------------------------------
// The game: its files in the compiler's order and where each Include leads. A row's
// files are made under $; the main file is the first. An include reads
// "file:line name -> target", with "missing", " by case" (a name in another case) and
// " again" (a file read before: twice, or a cycle).

#include "doc/Printable.h"
#include "game/Game.h"
#include "game/GameResolver.h"
#include "syntax/CharClass.h"

#include <set>
#include <tuple>
#include "game/GameWriters.h"
#include "syntax/OutlineWriter.h"

namespace {

using Files = std::vector<std::pair<std::string, std::string>>;

std::shared_ptr<const CGame> BuildGame(const testsupport::TempDir& dir, const Files& files, V extra = {})
{
    for (const auto& [name, text] : files) {
        fs::create_directories((dir / name).parent_path());
        testsupport::WriteFile(dir / name, text);
    }
    GameInputs inputs;
    inputs.mainPath = (dir / files.front().first).string();
    for (const std::string& folder : extra) inputs.includeFolders.push_back(Expand(folder, dir.Path()));
    inputs.libraryFolder = (dir / "lib").string();
    static const CDiskFileSource disk;
    return CGame::Build(inputs, disk);
}

std::string Relative(const std::string& path, const fs::path& root)
{
    const std::string prefix = root.string() + "/";
    return path.rfind(prefix, 0) == 0 ? path.substr(prefix.size()) : path;
}

V DescribeIncludes(const CGame& game, const fs::path& root)
{
    V rows;
    for (std::uint32_t f = 0; f < game.FileCount(); ++f) {
        for (const GameInclude& include : game.File(f).Includes()) {
            std::string row = Relative(game.File(f).Path(), root) + ":" + std::to_string(include.line) + " " +
                              std::string(include.Name(game.File(f))) + " -> ";
            if (include.Resolution().status == IncludeStatus::NotRead) {
                row += "not read";
            } else if (include.target == NO_FILE) {
                row += "missing";
            } else {
                row += Relative(game.File(include.target).Path(), root);
                if (include.Resolution().status == IncludeStatus::FoundByCase) row += " by case";
                if (!include.firstRead) row += " again";
            }
            rows.push_back(row);
        }
    }
    return rows;
}

struct TreeCase {
    const char* name;
    Files files;
    V order;     // the files, as the game has them
    V includes;  // every include of every file, files in that order
};

void PrintTo(const TreeCase& c, std::ostream* os) { *os << c.name; }

class GameTree : public testing::TestWithParam<TreeCase> {};

TEST_P(GameTree, FollowsIncludesAsTheCompilerReadsThem)
{
    const TreeCase& c = GetParam();
    testsupport::TempDir dir;
    const auto game = BuildGame(dir, c.files);
    ASSERT_TRUE(game);
    V order;
    for (std::uint32_t f = 0; f < game->FileCount(); ++f) order.push_back(Relative(game->File(f).Path(), dir.Path()));
    EXPECT_EQ(order, c.order);
    EXPECT_EQ(DescribeIncludes(*game, dir.Path()), c.includes);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, GameTree,
    testing::Values(
        TreeCase{"depth_first_in_order",
                 Files{{"game/main.inf", "Include \"a\";\nInclude \"b\";\n"},
                       {"game/a.h", "Include \"c\";\n"},
                       {"game/b.h", "Constant B;\n"},
                       {"game/c.h", "Constant C;\n"}},
                 V{"game/main.inf", "game/a.h", "game/c.h", "game/b.h"},
                 V{"game/main.inf:1 a -> game/a.h", "game/main.inf:2 b -> game/b.h", "game/a.h:1 c -> game/c.h"}},
        TreeCase{"included_twice_read_once",
                 Files{{"game/main.inf", "Include \"a\";\nInclude \"a.h\";\n"}, {"game/a.h", "Constant A;\n"}},
                 V{"game/main.inf", "game/a.h"},
                 V{"game/main.inf:1 a -> game/a.h", "game/main.inf:2 a.h -> game/a.h again"}},
        TreeCase{"cycle_ends",
                 Files{{"game/main.inf", "Include \"a\";\n"},
                       {"game/a.h", "Include \"b\";\n"},
                       {"game/b.h", "Include \"a\";\nInclude \">main\";\n"}},
                 V{"game/main.inf", "game/a.h", "game/b.h"},
                 V{"game/main.inf:1 a -> game/a.h", "game/a.h:1 b -> game/b.h", "game/b.h:1 a -> game/a.h again",
                   "game/b.h:2 >main -> game/main.inf again"}},
        // The file ends before the Include's ';': the include is not read (read again, it
        // would read main and so a.h again, for ever).
        TreeCase{"include_its_file_ends_before_its_semicolon",
                 Files{{"game/main.inf", "Include \"a\";\n"}, {"game/a.h", "Constant A;\nInclude \">main\""}},
                 V{"game/main.inf", "game/a.h"},
                 V{"game/main.inf:1 a -> game/a.h", "game/a.h:2 >main -> game/main.inf again"}},
        // An included file that ends in the word Include: its name is the includer's next
        // token (and its line is counted in the file the directive started in).
        TreeCase{"include_whose_name_is_in_the_including_file",
                 Files{{"game/main.inf", "Include \"a\";\n\"b\";\n"}, {"game/a.h", "Constant A;\nInclude"},
                       {"game/b.h", "Constant B;\n"}},
                 V{"game/main.inf", "game/a.h", "game/b.h"},
                 V{"game/main.inf:1 a -> game/a.h", "game/a.h:2 b -> game/b.h"}},
        TreeCase{"angle_in_a_nested_file_is_the_main_folder",
                 Files{{"game/main.inf", "Include \"sub/n\";\n"},
                       {"game/sub/n.h", "Include \">part\";\n"},
                       {"game/sub/part.inf", "! not this one\n"},
                       {"game/part.inf", "Constant P;\n"}},
                 V{"game/main.inf", "game/sub/n.h", "game/part.inf"},
                 V{"game/main.inf:1 sub/n -> game/sub/n.h", "game/sub/n.h:1 >part -> game/part.inf"}},
        TreeCase{"language_file_from_a_nested_file",
                 Files{{"game/main.inf", "!% +language_name=French\nInclude \"Parser\";\n"},
                       {"lib/Parser.h", "Include \"language__\";\n"},
                       {"lib/French.h", "Constant LanguageVersion;\n"},
                       {"lib/English.h", "! not this one\n"}},
                 V{"game/main.inf", "lib/Parser.h", "lib/French.h"},
                 V{"game/main.inf:2 Parser -> lib/Parser.h", "lib/Parser.h:1 language__ -> lib/French.h"}},
        TreeCase{"missing_and_by_case",
                 Files{{"game/main.inf", "Include \"Parser\";\n\nInclude \"nowhere\";\n"},
                       {"lib/parser.h", "Constant P;\n"}},
                 V{"game/main.inf", "lib/parser.h"},
                 V{"game/main.inf:1 Parser -> lib/parser.h by case", "game/main.inf:3 nowhere -> missing"}},
        TreeCase{"include_in_skipped_code_not_read",
                 Files{{"game/main.inf", "#Ifdef NEVER;\n#Include \"a\";\n#Ifnot;\ninclude \"b\";\n#Endif;\n"},
                       {"game/a.h", "Constant A;\n"},
                       {"game/b.h", "Constant B;\n"}},
                 V{"game/main.inf", "game/b.h"},
                 V{"game/main.inf:2 a -> not read", "game/main.inf:4 b -> game/b.h"}},
        TreeCase{"include_in_a_skipped_file_region_is_not_missing",
                 Files{{"game/main.inf", "Include \"a\";\n"},
                       {"game/a.h", "#Ifdef TARGET_GLULX;\nInclude \"glk\";\n#Endif;\nInclude \"b\";\n"},
                       {"game/b.h", "Constant B;\n"}},
                 V{"game/main.inf", "game/a.h", "game/b.h"},
                 V{"game/main.inf:1 a -> game/a.h", "game/a.h:2 glk -> not read", "game/a.h:4 b -> game/b.h"}},
        TreeCase{"no_include_in_comments_strings_or_routines",
                 Files{{"game/main.inf",
                        "! Include \"a\";\nConstant S \"Include ~a~;\";\n[ R; Include \"a\"; ];\nInclude\n  \"b\";\n"},
                       {"game/a.h", "Constant A;\n"},
                       {"game/b.h", "Constant B;\n"}},
                 V{"game/main.inf", "game/b.h"}, V{"game/main.inf:5 b -> game/b.h"}}),
    [](const testing::TestParamInfo<TreeCase>& info) { return std::string(info.param.name); });

}  // namespace

// The include tree's text: a chain deeper than the indentation goes is indented no
// further than INCLUDE_TREE_INDENT_LEVELS levels; a name missing twice lists the paths it
// tried once, and where; a file that stands but cannot be read says why.
TEST(IncludeTree, IndentIsBoundedAndPathsAreListedOnce)
{
    testsupport::TempDir dir;
    const std::size_t depth = INCLUDE_TREE_INDENT_LEVELS + 8;
    Files files{{"main.inf", "Include \"f1\";\n"}};
    for (std::size_t i = 1; i < depth; ++i)
        files.push_back({"f" + std::to_string(i) + ".h", "Include \"f" + std::to_string(i + 1) + "\";\n"});
    files.push_back({"f" + std::to_string(depth) + ".h", "Include \"gone\";\nInclude \"gone\";\nInclude \"folder\";\n"});
    fs::create_directories(dir / "folder.h");
    fs::create_directories(dir / "lib");
    testsupport::WriteFile(dir / "lib/other.h", "! makes the library a folder of the path\n");
    const auto game = BuildGame(dir, files);
    ASSERT_TRUE(game);
    COutputBuffer out;
    ASSERT_TRUE(WriteIncludeTree(*game, out));
    const std::string root = dir.Path().string();
    // The library is the compiler's include path; the main file's folder is not on it.
    const std::string outside = " (outside the compiler's include path: it would not find it)";
    std::string expected;
    for (std::size_t i = 0; i < depth; ++i)
        expected += std::string(std::min<std::size_t>(i, 32) * 2, ' ') + root + "/" +
                    (i == 0 ? "main.inf" : "f" + std::to_string(i) + ".h") + ":1: Include \"f" + std::to_string(i + 1) +
                    "\" -> " + root + "/f" + std::to_string(i + 1) + ".h" + outside + "\n";
    const std::string last = root + "/f" + std::to_string(depth) + ".h";
    expected += std::string(64, ' ') + last + ":1: Include \"gone\" -> missing; tried:\n" + std::string(68, ' ') +
                root + "/lib/gone.h\n" + std::string(68, ' ') + root + "/gone.h\n" + std::string(64, ' ') + last +
                ":2: Include \"gone\" -> missing; tried as at " + last + ":1\n" + std::string(64, ' ') + last +
                ":3: Include \"folder\" -> " + root + "/folder.h (cannot be read: Is a directory)\n";
    EXPECT_EQ(std::string(out.View()), expected);
}

// ---------------------------------------------------------------------------
// The index: the definitions of a name ("file:line kind", in the compiler's order),
// the uses of a name ("file:line:column") and what stands at a place.

namespace {

struct IndexCase {
    const char* name;
    Files files;
    std::string query;
    V definitions;
    V references;
};

void PrintTo(const IndexCase& c, std::ostream* os) { *os << c.name; }

class GameIndex : public testing::TestWithParam<IndexCase> {};

TEST_P(GameIndex, FindsDefinitionsAndUses)
{
    const IndexCase& c = GetParam();
    testsupport::TempDir dir;
    const auto game = BuildGame(dir, c.files);
    ASSERT_TRUE(game);
    V definitions;
    for (const GameDefinitionRef& ref : game->FindDefinitions(c.query))
        definitions.push_back(Relative(game->File(ref.file).Path(), dir.Path()) + ":" +
                              std::to_string(game->Definition(ref).Line()) + " " +
                              DefinitionKindName(game->Definition(ref).Kind()));
    EXPECT_EQ(definitions, c.definitions);
    V references;
    for (const GameReference& r : game->FindReferences(c.query))
        references.push_back(Relative(game->File(r.file).Path(), dir.Path()) + ":" + std::to_string(r.word.line) +
                             ":" + std::to_string(r.word.column));
    EXPECT_EQ(references, c.references);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, GameIndex,
    testing::Values(
        IndexCase{"names_without_case", Files{{"g.inf", "Global Score;\n[ R; score++; SCORE--; ];\n"}}, "sCORE",
                  V{"g.inf:1 global"}, V{"g.inf:1:7", "g.inf:2:5", "g.inf:2:14"}},
        IndexCase{"not_in_comments_quoted_text_or_dictionary_words",
                  Files{{"g.inf", "Global gx;\n! gx\nConstant C \"gx\";\n"
                                  "Object o \"o\" with name 'gx', before [; gx = GX + 1; ];\n"}},
                  "gx", V{"g.inf:1 global"}, V{"g.inf:1:7", "g.inf:4:39", "g.inf:4:44"}},
        IndexCase{"class_of_an_included_file_makes_objects",
                  Files{{"g.inf", "Include \"classes\";\nRoom kitchen \"Kitchen\";\n"},
                        {"classes.h", "Class Room;\n"}},
                  "kitchen", V{"g.inf:2 object"}, V{"g.inf:2:5"}},
        IndexCase{"property_routine_as_the_compiler_names_it",
                  Files{{"g.inf", "Object lamp with before [; rfalse; ];\n[ R; lamp.before(); self.before(); ];\n"}},
                  "LAMP.Before", V{"g.inf:1 property routine"}, V{"g.inf:2:10"}},
        IndexCase{"property_word_everywhere",
                  Files{{"g.inf", "Object lamp with before [; rfalse; ];\n[ R; lamp.before(); self.before(); ];\n"}},
                  // No Property directive declares it: the first `with` that names it does.
                  "before", V{"g.inf:1 property"}, V{"g.inf:1:17", "g.inf:2:10", "g.inf:2:25"}},
        IndexCase{"every_definition_in_the_compilers_order",
                  Files{{"g.inf", "Replace Frob;\nInclude \"lib1\";\n[ Frob; ];\n"},
                        {"lib1.h", "[ Frob; rtrue; ];\nStub Frob 0;\n"}},
                  "frob", V{"g.inf:1 replace", "lib1.h:1 routine", "lib1.h:2 stub", "g.inf:3 routine"},
                  V{"g.inf:1:8", "g.inf:3:2", "lib1.h:1:2", "lib1.h:2:5"}},
        IndexCase{"actions_and_object_headers",
                  Files{{"g.inf", "Fake_Action Zap;\nClass Box;\nBox b \"b\" with before [; Zap: rtrue; ], has light;\n"
                                  "[ R; <Zap b>; return ##Zap; ];\n"}},
                  "zap", V{"g.inf:1 fake action"}, V{"g.inf:1:12", "g.inf:3:25", "g.inf:4:6", "g.inf:4:23"}},
        IndexCase{"class_used_as_a_directive", Files{{"g.inf", "Class Box;\nBox b \"b\";\n"}}, "BOX",
                  V{"g.inf:1 class"}, V{"g.inf:1:6", "g.inf:2:0"}},
        IndexCase{"uses_across_files_in_include_order",
                  Files{{"g.inf", "Include \"a\";\nGlobal g;\n[ R; g++; ];\n"}, {"a.h", "[ S; g--; ];\n"}}, "g",
                  V{"g.inf:2 global"}, V{"g.inf:2:7", "g.inf:3:5", "a.h:1:5"}}),
    [](const testing::TestParamInfo<IndexCase>& info) { return std::string(info.param.name); });

struct PlaceCase {
    const char* name;
    std::string text;  // '|' marks the place
    std::string place;
};

void PrintTo(const PlaceCase& c, std::ostream* os) { *os << c.name; }

class GamePlaceAt : public testing::TestWithParam<PlaceCase> {};

TEST_P(GamePlaceAt, FindsTheNameOrIncludeThere)
{
    const PlaceCase& c = GetParam();
    const std::size_t mark = c.text.find('|');
    std::string text = c.text;
    text.erase(mark, 1);
    testsupport::TempDir dir;
    const auto game = BuildGame(dir, Files{{"g.inf", text}, {"a.h", "Constant A;\n"}});
    ASSERT_TRUE(game);
    const GamePlace place = game->WhatIsAt(0, mark);
    std::string seen = "nothing";
    if (place.kind == GamePlace::Name)
        seen = "name " + place.name + (place.qualified.empty() ? "" : " " + place.qualified) + " at " +
               std::to_string(place.word.line) + ":" + std::to_string(place.word.column);
    else if (place.kind == GamePlace::Include)
        seen = "include " + std::to_string(place.include);
    EXPECT_EQ(seen, c.place);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, GamePlaceAt,
    testing::Values(PlaceCase{"in_a_word", "Global sc|ore;\n", "name score at 1:7"},
                    PlaceCase{"at_a_words_end", "Global score|;\n", "name score at 1:7"},
                    PlaceCase{"word_just_before_a_dot", "[ R; a|.b; ];\n", "name a at 1:5"},
                    PlaceCase{"on_a_later_line", "Global a;\n\n[ R;\n  a = |b + c;\n];\n", "name b at 4:6"},
                    PlaceCase{"in_a_comment", "! sc|ore\n", "nothing"},
                    PlaceCase{"in_a_dictionary_word", "Object o \"o\" with name 'sc|ore';\n", "nothing"},
                    PlaceCase{"between_words", "Global a; |  Global b;\n", "nothing"},
                    PlaceCase{"on_an_include_name", "Constant X;\nInclude \"|a\";\n", "include 0"},
                    PlaceCase{"anywhere_on_an_include", "Inc|lude\n  \"a\";\n", "include 0"},
                    PlaceCase{"on_the_last_line_of_an_include", "Include\n  \"a\"; |! a\n", "include 0"},
                    PlaceCase{"qualified_property", "Object lamp;\n[ R; lamp.bef|ore(); ];\n",
                              "name before lamp.before at 2:10"},
                    PlaceCase{"action", "[ R; x = ##Ta|ke; ];\n", "name Take at 1:11"}),
    [](const testing::TestParamInfo<PlaceCase>& info) { return std::string(info.param.name); });

TEST(GameReindex, ReadsTheChangedFileAndKeepsTheOthers)
{
    testsupport::TempDir dir;
    const auto game = BuildGame(dir, Files{{"g.inf", "Include \"a\";\nGlobal g;\n"}, {"a.h", "Global old;\n"}});
    ASSERT_TRUE(game);
    const std::string a = (dir / "a.h").string();
    CDiskFileSource disk;
    CGameFileOverlay overlay(disk);
    // Given under another name of the file: found all the same.
    fs::create_directories(dir / "x");
    overlay.SetText((dir / "x/../a.h").string(), std::make_shared<const std::string>("Global fresh;\nInclude \"b\";\n"));
    testsupport::WriteFile(dir / "b.h", "Class Fresh;\n");
    testsupport::WriteFile(dir / "g.inf", "! changed on disk, but not the file that changed\n");
    const auto again = game->Reindex(a, overlay);
    ASSERT_TRUE(again);
    ASSERT_EQ(again->FileCount(), 3u);
    EXPECT_EQ(again->File(0).SharedText(), game->File(0).SharedText());
    EXPECT_TRUE(again->FindDefinitions("old").empty());
    EXPECT_EQ(again->FindDefinitions("fresh").size(), 2u);
    EXPECT_EQ(again->FindFile(a, disk), 1u);
    // The first game stays as it was.
    EXPECT_EQ(game->FindDefinitions("old").size(), 1u);
    EXPECT_EQ(game->FileCount(), 2u);
}

// The resolver: what the word at a place ('|') of g.inf means, its definitions ranked
// ("file:line kind") and its uses ("file:line:column", columns from 0).
struct MeaningCase {
    const char* name;
    std::string text;
    std::string kind;  // none, name, local, action, include; ", skipped" in skipped code
    V definitions;
    V uses;
};

void PrintTo(const MeaningCase& c, std::ostream* os) { *os << c.name; }

class GameResolverAt : public testing::TestWithParam<MeaningCase> {};

TEST_P(GameResolverAt, SaysWhatTheWordMeans)
{
    const MeaningCase& c = GetParam();
    const std::size_t mark = c.text.find('|');
    std::string text = c.text;
    text.erase(mark, 1);
    testsupport::TempDir dir;
    const auto game = BuildGame(dir, Files{{"g.inf", text}, {"a.h", "Constant A;\n"}});
    ASSERT_TRUE(game);
    const GameMeaning meaning = MeaningAt(*game, 0, mark);
    static const char* const kKinds[] = {"none", "name", "local", "action", "include"};
    EXPECT_EQ(std::string(kKinds[meaning.kind]) + (meaning.skipped ? ", skipped" : ""), c.kind);
    V definitions;
    for (const GameDefinitionRef& ref : meaning.definitions)
        definitions.push_back(Relative(game->File(ref.file).Path(), dir.Path()) + ":" +
                              std::to_string(game->Definition(ref).Line()) + " " +
                              DefinitionKindName(game->Definition(ref).Kind()));
    EXPECT_EQ(definitions, c.definitions);
    V uses;
    for (const GameReference& r : UsesOf(*game, meaning))
        uses.push_back(Relative(game->File(r.file).Path(), dir.Path()) + ":" + std::to_string(r.word.line) + ":" +
                       std::to_string(r.word.column));
    EXPECT_EQ(uses, c.uses);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, GameResolverAt,
    testing::Values(
        MeaningCase{"local_of_its_routine_only", "Global n;\n[ Main n; |n = 1; ];\n[ R; n = 2; ];\n", "local", V{},
                    V{"g.inf:2:7", "g.inf:2:10"}},
        MeaningCase{"action_after_double_angles", "[ TakeSub; ];\n[ Main; <<|Take>>; ];\n", "action",
                    V{"g.inf:1 routine"}, V{"g.inf:1:2", "g.inf:2:10"}},
        MeaningCase{"grammar_arrow_means_the_sub", "[ TakeSub; ];\nVerb 'take' * -> |Take;\n", "action",
                    V{"g.inf:1 routine"}, V{"g.inf:1:2", "g.inf:2:17"}},
        MeaningCase{"label_in_a_property_routine", "[ TakeSub; ];\nObject box with before [; |Take: rtrue; ];\n",
                    "action", V{"g.inf:1 routine"}, V{"g.inf:1:2", "g.inf:2:26"}},
        MeaningCase{"action_after_a_bracket_in_a_directive_is_one_use", "[ InvSub; ];\nArray a table [;##|Inv \"Inv\";\n];\n",
                    "action", V{"g.inf:1 routine"}, V{"g.inf:1:2", "g.inf:2:18"}},
        MeaningCase{"property_after_a_dot_without_a_routine",
                    "Property weight;\nObject box with weight 3;\n[ R; return box.|weight; ];\n", "name",
                    V{"g.inf:1 property"}, V{"g.inf:1:9", "g.inf:2:16", "g.inf:3:16"}},
        // Both compiled outside a system file: the last is the one calls reach.
        MeaningCase{"replaced_routine_the_live_one_first",
                    "Replace Frob;\n[ Frob; rtrue; ];\n[ Frob; rfalse; ];\n[ Main; |Frob(); ];\n", "name",
                    V{"g.inf:3 routine", "g.inf:2 routine", "g.inf:1 replace"},
                    V{"g.inf:1:8", "g.inf:2:2", "g.inf:3:2", "g.inf:4:8"}},
        MeaningCase{"compiled_definition_before_the_skipped_one",
                    "#Ifdef DEBUG;\nGlobal x;\n#Ifnot;\nGlobal x;\n#Endif;\n[ Main; |x = 1; ];\n", "name",
                    V{"g.inf:4 global", "g.inf:2 global"}, V{"g.inf:2:7", "g.inf:4:7", "g.inf:6:8"}},
        MeaningCase{"a_word_in_skipped_code_says_so", "#Ifdef DEBUG;\nGlobal |x;\n#Endif;\n", "name, skipped",
                    V{"g.inf:2 global"}, V{"g.inf:2:7"}},
        MeaningCase{"an_include", "Include \"|a\";\n", "include", V{}, V{}}));

}  // namespace

// ---------------------------------------------------------------------------
// The compiler as the reference: every routine, object, class, global, constant,
// array, attribute, property and fake action it located in a game it built is in the
// index, in the file it opened and at the line it gives.

#include "GameInfo.h"

#include <iostream>

namespace {

// A story of our own over the standard library: classes from another file, property
// routines, definitions spread over lines, `>name` and `!%` includes, Replace, Default,
// Fake_Action.
const Files kStory = {
    {"story.inf",
     "!% ++include_path=parts\n"
     "Constant Story \"GLOSSEL\";\n"
     "Constant Headline \"^A game for the index's tests.^\";\n"
     "Replace DrawStatusLine;\n"
     "Include \"Parser\";\n"
     "Include \"VerbLib\";\n"
     "Include \"rooms\";\n"
     "Include \">extras\";\n"
     "[ DrawStatusLine; ];\n"
     "[ Initialise;\n"
     "  location = Hall;\n"
     "  polish_count = TWO + MAX_SHINE + shine_log-->0;\n"
     "];\n"
     "[ PolishSub;\n"
     "  polish_count++;\n"
     "  give Lamp polished;\n"
     "  if (Lamp.shine > 1) <<Buff Lamp>>;\n"
     "  \"Polished.\";\n"
     "];\n"
     "[ BuffSub; \"Buffed.\"; ];\n"
     "Include \"Grammar\";\n"
     "Verb 'burnish' * noun -> Polish;\n"},
    {"parts/rooms.h",
     "Class Room\n"
     "  has light;\n"
     "Room Hall \"Hall\"\n"
     "  with description \"A hall.\",\n"
     "       n_to Study;\n"
     "Room Study \"Study\"\n"
     "  with description [; \"A study.\"; ],\n"
     "       s_to Hall;\n"},
    {"extras.inf",
     "Attribute polished;\n"
     "Property shine 0;\n"
     "Global polish_count;\n"
     "Array shine_log --> 4;\n"
     "Fake_Action Buff;\n"
     "Default MAX_SHINE 3;\n"
     "Object\n"
     "  Lamp \"brass lamp\" Hall\n"
     "  with name 'brass' 'lamp',\n"
     "       shine 2,\n"
     "       before [;\n"
     "         Take: \"It is fixed to the wall.\";\n"
     "       ],\n"
     "  has polished;\n"
     "Constant\n"
     "  TWO = 2;\n"}};

// A name folded as the game's names are compared; of the compiler's own names, a property
// routine's "Class::prop" as the game writes it ("class.prop") and a replaced routine's
// "X (replaced)" or "X (superseded replacement)" as X.
std::string FoldedName(std::string name)
{
    const std::size_t colons = name.find("::");
    if (colons != std::string::npos) name.replace(colons, 2, ".");
    const std::size_t label = name.find(" (");
    if (label != std::string::npos) name.erase(label);
    for (char& c : name) c = static_cast<char>(charclass::Fold(static_cast<unsigned char>(c)));
    return name;
}

// Checks the game against what the compiler compiled, with the same switches: every
// definition it located is compiled here at its file and line; every definition compiled
// here of a kind it locates is one it located there; no line that holds a statement it
// compiled is skipped here. False when the game does not compile.
bool MatchesTheCompiler(const std::string& compiler, const fs::path& main, const std::string& label,
                        const std::vector<std::string>& switches = {})
{
    const testsupport::CompiledGame compiled = testsupport::CompileForReference(compiler, main, switches);
    if (!compiled.compiled) return false;
    GameInputs inputs;
    inputs.mainPath = main.string();
    inputs.switches = compiled.target;
    for (const std::string& word : switches) inputs.switches += " " + word;
    const CDiskFileSource disk;
    const auto game = CGame::Build(inputs, disk);
    EXPECT_TRUE(game);
    if (!game) return true;
    auto beyondReading = [&](std::uint32_t file, std::uint32_t line) {  // at or after a line too long
        return file != NO_FILE && game->File(file).Status() == GameFileStatus::LongLine &&
               game->File(file).OffsetOf(line) >= game->File(file).ShownLength();
    };
    std::set<std::tuple<std::uint32_t, std::uint32_t, std::string>> located;
    std::size_t matched = 0;
    std::size_t nameless = 0;
    std::size_t unread = 0;
    std::size_t artificial = 0;
    for (const testsupport::CompiledDefinition& d : compiled.definitions) {
        std::string name = d.name;
        if (d.kind == "fake-action" && name.rfind("##", 0) == 0) name.erase(0, 2);
        if (name.rfind("nameless_obj__", 0) == 0) {
            ++nameless;  // an object without a name of its own: the index names it by its short name
            continue;
        }
        const std::uint32_t file = game->FindFile(d.file, disk);
        located.emplace(file, d.line, FoldedName(name));
        if (d.artificial) {  // the game knows it by another name: checked below only
            ++artificial;
            continue;
        }
        if (beyondReading(file, d.line)) {
            ++unread;
            continue;
        }
        bool found = false;
        for (const GameDefinitionRef& ref : game->FindDefinitions(name)) {
            const GameDefinition& def = game->Definition(ref);
            found = found || (ref.file == file && def.IsCompiled() && d.line == def.CompilerLine());
        }
        if (found)
            ++matched;
        else
            ADD_FAILURE() << label << ": " << d.kind << " " << d.name << " at " << d.file << ":" << d.line
                          << " is not compiled in the game there";
    }
    std::size_t checked = 0;
    for (std::uint32_t f = 0; f < game->FileCount(); ++f) {
        const CGameFile& file = game->File(f);
        for (std::uint32_t i = 0; i < file.Definitions().size(); ++i) {
            const GameDefinition& d = file.Definitions()[i];
            const DefinitionKind kind = d.Kind();
            // The compiler locates no Default, no property no directive declares, and no
            // constant it defines itself and lets a game define again (Grammar__Version).
            const bool locatedKind = kind == DefinitionKind::Routine || kind == DefinitionKind::PropertyRoutine ||
                                     kind == DefinitionKind::Stub || kind == DefinitionKind::Class ||
                                     kind == DefinitionKind::Global || kind == DefinitionKind::Array ||
                                     kind == DefinitionKind::Attribute ||
                                     (kind == DefinitionKind::Property && !d.IsImplicit()) ||
                                     (kind == DefinitionKind::Object && file.NameOf(d)[0] != '"');
            if (!d.IsCompiled() || !locatedKind) continue;
            // Nor a routine of an object without a name, nor an alias of a property.
            std::string_view after = std::string_view(file.Text()).substr(d.Offset() + d.Length());
            after = after.substr(0, after.find('\n'));
            after = after.substr(std::min(after.size(), after.find_first_not_of(" \t")), 5);
            if (kind == DefinitionKind::PropertyRoutine && game->CompiledNameOf(GameDefinitionRef{f, i})[0] == '"')
                continue;
            if (kind == DefinitionKind::Property && after == "alias") continue;
            ++checked;
            const std::string name = FoldedName(game->CompiledNameOf(GameDefinitionRef{f, i}));
            EXPECT_TRUE(located.count({f, d.CompilerLine(), name}))
                << label << ": " << name << " at " << file.Path() << ":" << d.CompilerLine()
                << " is compiled in the game but the compiler located no such definition there";
        }
    }
    std::size_t statements = 0;
    for (const auto& [path, line] : compiled.statements) {
        const std::uint32_t f = game->FindFile(path, disk);
        if (f == NO_FILE || beyondReading(f, line)) continue;
        ++statements;
        for (const GameSkippedRange& range : game->File(f).SkippedRanges())
            EXPECT_FALSE(line >= range.firstLine && line <= range.lastLine)
                << label << ": " << path << ":" << line << " holds a compiled statement but is skipped ("
                << game->DescribeReason(range.reason) << ")";
    }
    std::cout << label << " (" << game->Switches().Describe() << ")" << ": " << matched << " of "
              << compiled.definitions.size() - nameless - unread - artificial
              << " definitions located by the compiler are compiled in the game at its file and line, " << checked
              << " compiled in the game checked against them, " << statements
              << " lines with statements none skipped (passed over: " << nameless << " nameless objects, " << unread
              << " after a line too long), " << game->FileCount() << " files\n";
    return true;
}

class CompilerReference : public testing::Test {
protected:
    void SetUp() override
    {
        m_compiler = testsupport::FindCompiler();
        if (m_compiler.empty()) GTEST_SKIP() << "no Inform 6 compiler (inform6) on the PATH";
        if (!fs::is_directory(GAME_LIBRARY_FOLDER))
            GTEST_SKIP() << "no standard library in " << GAME_LIBRARY_FOLDER;
    }
    std::string m_compiler;
};

TEST_F(CompilerReference, StoryOverTheStandardLibrary)
{
    testsupport::TempDir dir;
    for (const auto& [name, text] : kStory) {
        fs::create_directories((dir / name).parent_path());
        testsupport::WriteFile(dir / name, text);
    }
    EXPECT_TRUE(MatchesTheCompiler(m_compiler, dir / "story.inf", "story.inf"))
        << testsupport::CompileForReference(m_compiler, dir / "story.inf").log;
}

TEST_F(CompilerReference, Lantern)
{
    if (!MatchesTheCompiler(m_compiler, testsupport::ExamplesDir() / "lantern.inf", "lantern.inf"))
        GTEST_SKIP() << "examples/lantern.inf does not compile here";
}

// Every line that holds a statement only when the game is built with other switches is
// skipped in the game built with these (lines of files this build reads). The count checked.
std::size_t OthersStatementsAreSkipped(const fs::path& main, const std::string& switches,
                                       const testsupport::CompiledGame& these, const testsupport::CompiledGame& other)
{
    GameInputs inputs;
    inputs.mainPath = main.string();
    inputs.switches = switches;
    const CDiskFileSource disk;
    const auto game = CGame::Build(inputs, disk);
    if (!game) return 0;
    const std::set<std::pair<std::string, std::uint32_t>> own(these.statements.begin(), these.statements.end());
    std::size_t checked = 0;
    for (const auto& statement : other.statements) {
        if (own.count(statement)) continue;
        const std::uint32_t f = game->FindFile(statement.first, disk);
        if (f == NO_FILE) continue;  // a file only the other build reads
        ++checked;
        bool skipped = false;
        for (const GameSkippedRange& range : game->File(f).SkippedRanges())
            skipped = skipped || (statement.second >= range.firstLine && statement.second <= range.lastLine);
        EXPECT_TRUE(skipped) << main.filename().string() << " " << switches << ": " << statement.first << ":"
                             << statement.second << " holds a statement only in the other build but is not skipped";
    }
    return checked;
}

// Advent as a debugging build and as a Glulx one (the corpus's infglk.h on the path).
TEST_F(CompilerReference, AdventWithOtherSwitches)
{
    fs::path advent;
    for (const fs::path& path : testsupport::CorpusFiles())
        if (path.filename() == "Advent.inf") advent = path;
    if (advent.empty()) GTEST_SKIP() << "the corpus's Advent.inf is absent";
    const fs::path glk = advent.parent_path().parent_path().parent_path() / "inform6lib";
    if (!fs::is_regular_file(glk / "infglk.h")) GTEST_SKIP() << "the corpus's infglk.h is absent";
    EXPECT_TRUE(MatchesTheCompiler(m_compiler, advent, "Advent.inf -D", {"-D"}));
    // The lines of statements the debugging build adds are skipped without it, and the
    // other way round.
    const testsupport::CompiledGame plain = testsupport::CompileForReference(m_compiler, advent);
    const testsupport::CompiledGame debug = testsupport::CompileForReference(m_compiler, advent, {"-D"});
    ASSERT_TRUE(plain.compiled && debug.compiled);
    const std::size_t onlyDebug = OthersStatementsAreSkipped(advent, "", plain, debug);
    const std::size_t onlyPlain = OthersStatementsAreSkipped(advent, "-D", debug, plain);
    EXPECT_GT(onlyDebug, 0u);
    std::cout << "Advent.inf: " << onlyDebug << " lines of statements only with -D skipped without it, " << onlyPlain
              << " only without -D skipped with it\n";
    EXPECT_TRUE(MatchesTheCompiler(m_compiler, advent, "Advent.inf -G",
                                   {"-G", "+include_path=" + std::string(GAME_LIBRARY_FOLDER) + "/," + glk.string() + "/"}));
}

TEST_F(CompilerReference, CorpusGamesThatCompile)
{
    std::size_t games = 0;
    for (const fs::path& path : testsupport::CorpusFiles()) {
        if (path.extension() != ".inf") continue;
        if (MatchesTheCompiler(m_compiler, path, path.filename().string())) ++games;
    }
    if (games == 0) GTEST_SKIP() << "no game of the corpus compiles here (or the corpus is absent)";
    std::cout << games << " corpus games compiled and checked\n";
}

}  // namespace

// ---------------------------------------------------------------------------
// Invariants over every file of the corpus, each read as a game of its own: the
// definitions in the code the compiler skips are those of the file's outline; each definition is
// found by its name; the uses of names read from any line (from the state
// kept there) are those of a reading from the top; the word at each use is that use;
// positions and offsets agree.

namespace {

TEST(GameInvariants, HoldOnEveryCorpusFile)
{
    const auto files = testsupport::CorpusFiles();
    if (files.empty()) GTEST_SKIP() << "corpus not found";
    const CDiskFileSource disk;
    for (const fs::path& path : files) {
        SCOPED_TRACE(path.string());
        GameInputs inputs;
        inputs.mainPath = path.string();
        inputs.libraryFolder.clear();
        const auto game = CGame::Build(inputs, disk);
        ASSERT_TRUE(game);
        const CGameFile& file = game->File(0);
        COutputBuffer own;
        WriteOutline(file.Text().data(), file.Text().size(), own);
        COutputBuffer whole;
        ASSERT_TRUE(WriteGameOutline(*game, whole));
        // What the compiler skips is the file's own outline there, as the colours read it.
        const std::string_view ownRows = own.View();
        for (const GameDefinition& d : file.Definitions()) {
            if (d.IsCompiled() || d.IsImplicit() || static_cast<int>(d.Kind()) > static_cast<int>(DefinitionKind::Extend))
                continue;
            const std::string row = std::to_string(d.Line()) + "\t" + DefinitionKindName(d.Kind()) + "\t";
            EXPECT_NE(ownRows.find(row), std::string_view::npos) << row << file.FullNameOf(d);
        }
        for (std::uint32_t i = 0; i < file.Definitions().size(); ++i) {
            const auto found = game->FindDefinitions(file.FullNameOf(file.Definitions()[i]));
            EXPECT_NE(std::find(found.begin(), found.end(), GameDefinitionRef{0, i}), found.end())
                << file.FullNameOf(file.Definitions()[i]);
        }
        std::vector<GameWord> words;
        file.ForEachWord([&](const GameWord& w) {
            words.push_back(w);
            return true;
        });
        for (const std::uint64_t from : {2ull, 64ull, 65ull, 66ull, 200ull, 1000ull}) {
            std::vector<std::uint64_t> expected;
            for (const GameWord& w : words)
                if (w.line >= from) expected.push_back(w.offset);
            std::vector<std::uint64_t> seen;
            file.ForEachWord(
                [&](const GameWord& w) {
                    seen.push_back(w.offset);
                    return true;
                },
                from);
            EXPECT_EQ(seen, expected) << "from line " << from;
        }
        for (std::size_t i = 0; i < words.size(); i += 97) {
            const GameWord& w = words[i];
            const GamePlace place = game->WhatIsAt(0, w.offset);
            if (place.kind == GamePlace::Include) continue;
            EXPECT_EQ(place.kind, GamePlace::Name);
            EXPECT_EQ(place.word.offset, w.offset);
            const TextPosition at = file.PositionOf(w.offset);
            EXPECT_EQ(at.line, w.line);
            EXPECT_EQ(at.column, w.column);
            EXPECT_EQ(file.OffsetOf(w.line, w.column), w.offset);
            EXPECT_EQ(file.LineAt(w.lineOffset).substr(w.column, w.length),
                      std::string_view(file.Text()).substr(w.offset, w.length));
        }
    }
}

}  // namespace
