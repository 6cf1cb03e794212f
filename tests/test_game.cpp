// The game model: includes found as the compiler finds them, on small folders made by
// each test. In the rows, "$" stands for the test's folder; the main file is
// $/game/main.inf and the standard library's folder $/lib.

#include "TestSupport.h"

#include "game/IncludeResolver.h"

#include <gtest/gtest.h>

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

void MakeFiles(const testsupport::TempDir& dir, const V& files)
{
    for (const std::string& name : files) {
        const fs::path path = dir / name;
        fs::create_directories(path.parent_path());
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
    testsupport::WriteFile(dir / "game/main.inf", c.header + "[ Main; ];\n");
    V extra;
    for (const std::string& folder : c.extra) extra.push_back(Expand(folder, dir.Path()));

    CDiskFileSource disk;
    const std::string main = (dir / "game/main.inf").string();
    CIncludeResolver resolver(main, IncludeSettings::FromHeader(c.header), extra, (dir / "lib").string(), disk);
    const IncludeResolution found = resolver.Resolve(Expand(c.include, dir.Path()));
    EXPECT_EQ(found.status, c.status);
    EXPECT_EQ(found.path, c.path.empty() ? std::string() : Expand(c.path, dir.Path()));
    V tried;
    for (const std::string& t : c.tried) tried.push_back(Expand(t, dir.Path()));
    EXPECT_EQ(found.tried, tried);
}

constexpr IncludeStatus Found = IncludeStatus::Found;
constexpr IncludeStatus ByCase = IncludeStatus::FoundByCase;
constexpr IncludeStatus Missing = IncludeStatus::Missing;

INSTANTIATE_TEST_SUITE_P(
    Rows, Resolve,
    testing::Values(
        // Extensions.
        ResolveCase{"plain_name_gets_h", "", V{"game/foo.h"}, V{}, "foo", Found, "$/game/foo.h", V{"$/game/foo.h"}},
        ResolveCase{"own_extension_kept", "", V{"game/foo.inc", "game/foo.inc.h"}, V{}, "foo.inc", Found,
                    "$/game/foo.inc", V{"$/game/foo.inc"}},
        ResolveCase{"final_dot_means_no_extension", "", V{"game/foo", "game/foo.h"}, V{}, "foo.", Found,
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
        ResolveCase{"main_folder_before_the_library", "", V{"game/foo.h", "lib/foo.h"}, V{}, "foo", Found,
                    "$/game/foo.h", V{"$/game/foo.h"}},
        ResolveCase{"library_last", "", V{"lib/foo.h"}, V{}, "foo", Found, "$/lib/foo.h",
                    V{"$/game/foo.h", "$/lib/foo.h"}},
        ResolveCase{"caller_folders_before_the_main_folder", "", V{"inc/foo.h", "game/foo.h"}, V{"$/inc"}, "foo",
                    Found, "$/inc/foo.h", V{"$/inc/foo.h"}},
        ResolveCase{"header_before_caller", "!% +include_path=a,b\n", V{"game/b/foo.h", "inc/foo.h"}, V{"$/inc"},
                    "foo", Found, "$/game/b/foo.h", V{"$/game/a/foo.h", "$/game/b/foo.h"}},
        ResolveCase{"header_list_in_order", "!% +include_path=a,b\n", V{"game/a/foo.h", "game/b/foo.h"}, V{}, "foo",
                    Found, "$/game/a/foo.h", V{"$/game/a/foo.h"}},
        ResolveCase{"plus_folder_replaces", "!% +a\n!% +b\n", V{"game/a/foo.h"}, V{}, "foo", Missing, "",
                    V{"$/game/b/foo.h", "$/game/foo.h"}},
        ResolveCase{"plus_plus_goes_first", "!% +include_path=a\n!% ++b\n", V{"game/a/foo.h"}, V{}, "foo", Found,
                    "$/game/a/foo.h", V{"$/game/b/foo.h", "$/game/a/foo.h"}},
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
        ResolveCase{"language_is_english", "", V{"lib/English.h"}, V{}, "language__", Found, "$/lib/English.h",
                    V{"$/game/English.h", "$/lib/English.h"}},
        ResolveCase{"language_from_the_header", "!% +language_name=French\n", V{"lib/French.h"}, V{}, "language__",
                    Found, "$/lib/French.h", V{"$/game/French.h", "$/lib/French.h"}},
        ResolveCase{"only_language_with_two_underscores", "", V{"game/Language__.h"}, V{}, "Language__", Found,
                    "$/game/Language__.h", V{"$/game/Language__.h"}},
        // Case.
        ResolveCase{"other_case_followed_and_marked", "", V{"lib/parser.h"}, V{}, "Parser", ByCase,
                    "$/lib/parser.h", V{"$/game/Parser.h", "$/lib/Parser.h"}},
        ResolveCase{"exact_case_anywhere_wins", "", V{"game/parser.h", "lib/Parser.h"}, V{}, "Parser", Found,
                    "$/lib/Parser.h", V{"$/game/Parser.h", "$/lib/Parser.h"}},
        ResolveCase{"other_case_in_a_folder_of_the_name", "", V{"game/Sub/X.H"}, V{}, "sub/x", ByCase,
                    "$/game/Sub/X.H", V{"$/game/sub/x.h"}},
        // Nothing there: every path tried.
        ResolveCase{"missing_lists_every_path", "!% +include_path=a\n", V{}, V{"$/inc"}, "nothing", Missing, "",
                    V{"$/game/a/nothing.h", "$/inc/nothing.h", "$/game/nothing.h"}}),
    [](const testing::TestParamInfo<ResolveCase>& info) { return std::string(info.param.name); });

}  // namespace
