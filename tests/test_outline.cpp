// The outline of a text: hand-written rows for each rule, definitions looked up by hand
// in real files, and invariants over every corpus file that tie the outline to the
// lexer's own classification. An expected entry reads "line:column kind name".

#include "TestSupport.h"

#include "syntax/DefinitionReader.h"
#include "syntax/Outline.h"
#include "syntax/ShownLines.h"
#include "syntax/SyntaxLexer.h"

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <tuple>

namespace {

std::vector<std::string> Describe(const COutline& outline, const std::string& text)
{
    std::vector<std::string> rows;
    for (const OutlineEntry& e : outline.GetEntries())
        rows.push_back(std::to_string(e.Line()) + ":" + std::to_string(e.Column()) + " " + OutlineKindName(e.Kind()) +
                       " " + std::string(COutline::Name(e, text)));
    return rows;
}

struct OutlineCase {
    const char* name;
    std::string text;
    std::vector<std::string> entries;
    OutlineStatus status = OutlineStatus::Ok;
};

void PrintTo(const OutlineCase& c, std::ostream* os) { *os << c.name; }

class Outline : public testing::TestWithParam<OutlineCase> {};

TEST_P(Outline, ListsTheDefinitions)
{
    const OutlineCase& c = GetParam();
    COutline outline;
    EXPECT_EQ(outline.Build(c.text.data(), c.text.size()), c.status);
    EXPECT_EQ(Describe(outline, c.text), c.entries);
}

using V = std::vector<std::string>;

INSTANTIATE_TEST_SUITE_P(
    Rows, Outline,
    testing::Values(
        // Routines: exactly the words the lexer styles as a routine's name.
        OutlineCase{"routine", "[ Main; ];\n", V{"1:2 routine Main"}},
        OutlineCase{"routine_name_on_the_next_line", "[\n  Main x;\n];\n", V{"2:2 routine Main"}},
        OutlineCase{"routine_in_a_comment", "! [ Main;\n", V{}},
        OutlineCase{"routine_in_a_string", "Constant s \"[ Main;\";\n", V{"1:9 constant s"}},
        OutlineCase{"property_routine_has_no_name", "Object lamp with before [; rfalse; ];\n",
                    V{"1:7 object lamp"}},
        OutlineCase{"pending_name_taken_by_an_embedded_routine", "[ ]\nObject o with before [; x; ];\n",
                    V{"2:7 object o", "2:24 routine x"}},
        OutlineCase{"routine_named_by_a_number", "[ 123; ];\n", V{"1:2 routine 123"}},
        OutlineCase{"directive_words_inside_a_routine_are_code", "[ R; Object x; Global g; ];\n",
                    V{"1:2 routine R"}},
        // Directives, in any case, several on a line.
        OutlineCase{"directive_names_in_any_case", "object lamp;\nGLOBAL g = 1;\nConStant C;\n",
                    V{"1:7 object lamp", "2:7 global g", "3:9 constant C"}},
        OutlineCase{"several_on_a_line", "Global a; Global b; [ R; ]; Constant c;\n",
                    V{"1:7 global a", "1:17 global b", "1:22 routine R", "1:37 constant c"}},
        OutlineCase{"every_identifier_kind",
                    "Array buf -> 10;\nAttribute light;\nProperty capacity 5;\nDefault MAX 3;\n",
                    V{"1:6 array buf", "2:10 attribute light", "3:9 property capacity", "4:8 constant MAX"}},
        OutlineCase{"property_modifiers_are_passed_over",
                    "Property additive before;\nProperty long n_to; Property INDIVIDUAL x 5;\n",
                    V{"1:18 property before", "2:14 property n_to", "2:40 property x"}},
        OutlineCase{"hash_joined_to_its_directive", "#Ifdef X;\n#Constant Y 1;\n#Endif;\n",
                    V{"2:10 constant Y"}},
        OutlineCase{"hash_apart_from_a_word_is_no_directive", "# Constant Y 1;\n", V{}},
        OutlineCase{"directives_that_define_nothing",
                    "Include \"parser\";\nReplace Foo;\nStub Bar 0;\nFake_action Baz;\nIfdef X; Endif;\n",
                    V{}},
        OutlineCase{"a_name_must_be_an_identifier", "Constant 12;\nGlobal \"g\";\nArray;\nGlobal _x;\n",
                    V{"4:7 global _x"}},
        OutlineCase{"name_on_a_later_line_past_a_comment", "Object ! the lamp\n\n  lamp \"lamp\";\n",
                    V{"3:2 object lamp"}},
        OutlineCase{"directive_after_a_string_and_a_comment", "\"Object x;\" Global g; ! Global h;\n",
                    V{"1:19 global g"}},
        OutlineCase{"string_over_lines_hides_directives", "Constant s \"a\nObject x;\nb\"; Global g;\n",
                    V{"1:9 constant s", "3:11 global g"}},
        // Objects and classes.
        OutlineCase{"class_and_its_objects", "Class Box;\nBox -> -> lid \"lid\";\nbox b2;\n",
                    V{"1:6 class Box", "2:10 object lid", "3:4 object b2"}},
        OutlineCase{"class_in_lower_case", "class Crate\n  has container;\nCRATE c;\n",
                    V{"1:6 class Crate", "3:6 object c"}},
        OutlineCase{"unknown_class_or_class_used_too_early", "Room kitchen;\nBox early;\nClass Box;\n",
                    V{"3:6 class Box"}},
        OutlineCase{"class_word_inside_an_object_is_no_directive", "Object x class Box;\n",
                    V{"1:7 object x"}},
        OutlineCase{"object_with_only_a_short_name", "Object -> \"well house\" has scenery;\n",
                    V{"1:10 object \"well house\""}},
        OutlineCase{"object_without_any_name", "Object with name 'x';\nObject 'x';\n", V{}},
        OutlineCase{"nearby", "Nearby bush \"bush\";\n", V{"1:7 object bush"}},
        // Grammar.
        OutlineCase{"verbs_and_extensions",
                    "Verb 'take' 'get' * noun -> Take;\nVerb meta 'score' * -> Score;\n"
                    "Extend only 'put' first * -> Put;\nExtend 'push' replace * -> Push;\n"
                    "Verb \"jump\" * -> Jump;\n",
                    V{"1:5 verb 'take'", "2:10 verb 'score'", "3:12 extend 'put'", "4:7 extend 'push'",
                      "5:5 verb \"jump\""}},
        OutlineCase{"dictionary_word_cut_at_its_line", "Verb 'ta\nke' * -> Take;\n", V{"1:5 verb 'ta"}},
        OutlineCase{"verb_without_a_dictionary_word", "Verb meta;\nVerb take;\n", V{}},
        // What a render does with the text.
        OutlineCase{"stops_before_a_long_line", "Global a;\n" + std::string(1020, 'x') + "\nGlobal b;\n",
                    V{"1:7 global a"}, OutlineStatus::LongLine},
        OutlineCase{"line_of_1019_characters_is_read",
                    "Global a;" + std::string(1010, ' ') + "\nGlobal b;\n", V{"1:7 global a", "2:7 global b"}},
        OutlineCase{"ends_at_a_zero_byte", std::string("Global a;\n\0Global b;\n", 20), V{"1:7 global a"}},
        OutlineCase{"lone_cr_splits_no_row", "Global a;\rGlobal b;\n", V{"1:7 global a", "1:17 global b"}},
        OutlineCase{"last_line_without_line_feed", "\nGlobal a", V{"2:7 global a"}},
        OutlineCase{"empty_text", "", V{}}),
    [](const testing::TestParamInfo<OutlineCase>& info) { return std::string(info.param.name); });

TEST(OutlineBuild, ABuildReplacesTheOutlineBeforeIt)
{
    // Classes and a pending name are forgotten too: "Box" is no class of the second text.
    const std::string first = "Class Box;\nObject\n";
    const std::string second = "lamp;\nBox b;\nGlobal g;\n";
    COutline outline;
    outline.Build(first.data(), first.size());
    ASSERT_EQ(outline.GetEntries().size(), 1u);
    outline.Build(second.data(), second.size());
    EXPECT_EQ(Describe(outline, second), V{"3:7 global g"});
}

// ---------------------------------------------------------------------------------
// The definition reader beyond the outline: extents, property routines, the
// directives the outline leaves out, seeded classes. A definition reads
// "kind name line:column from line:column to line:column", then " of N" for the index
// of a property routine's object and " gives way" for Default and Stub.

namespace {

class CRecordingSink : public IDefinitionSink {
public:
    void OnDefinition(std::size_t index, const Definition& d) override
    {
        EXPECT_EQ(index, m_rows.size());
        const std::string name = m_text.substr(d.name.offset, d.nameLength);
        m_rows.push_back(std::string(DefinitionKindName(d.kind)) + " " + name + " " + Place(d.name) + " from " +
                         Place(d.start));
        m_suffixes.push_back((d.parent != NO_DEFINITION ? " of " + std::to_string(d.parent) : "") +
                             (d.flags & DEFINITION_GIVES_WAY ? " gives way" : ""));
    }
    void OnDefinitionEnd(std::size_t index, const TextPosition& end) override
    {
        ASSERT_LT(index, m_rows.size());
        m_rows[index] += " to " + Place(end);
    }
    std::vector<std::string> Rows() const
    {
        std::vector<std::string> rows = m_rows;
        for (std::size_t i = 0; i < rows.size(); ++i) rows[i] += m_suffixes[i];
        return rows;
    }
    std::string m_text;

private:
    static std::string Place(const TextPosition& p)
    {
        return std::to_string(p.line) + ":" + std::to_string(p.column);
    }
    std::vector<std::string> m_rows;
    std::vector<std::string> m_suffixes;
};

struct ReaderCase {
    const char* name;
    std::string text;
    std::vector<std::string> definitions;
    std::vector<std::string> seeds = {};
};

void PrintTo(const ReaderCase& c, std::ostream* os) { *os << c.name; }

class DefinitionReader : public testing::TestWithParam<ReaderCase> {};

}  // namespace

TEST_P(DefinitionReader, FindsEachDefinitionAndItsExtent)
{
    const ReaderCase& c = GetParam();
    CRecordingSink sink;
    sink.m_text = c.text;
    CDefinitionReader reader(sink);
    for (const std::string& seed : c.seeds) ASSERT_TRUE(reader.SeedClassName(seed));
    ForEachShownLine(c.text.data(), c.text.size(), [](const ShownLine&, const StyleCode*) { return true; }, &reader);
    reader.Finish();
    EXPECT_FALSE(reader.Failed());
    EXPECT_EQ(sink.Rows(), c.definitions);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, DefinitionReader,
    testing::Values(
        ReaderCase{"object_with_property_routines",
                   "Object lamp \"lamp\"\n  with before [; Take: rfalse; ],\n  after [; ];\n",
                   V{"object lamp 1:7 from 1:0 to 3:13", "property routine before 2:7 from 2:14 to 2:32 of 0",
                     "property routine after 3:2 from 3:8 to 3:12 of 0"}},
        ReaderCase{"class_property_routines_and_private",
                   "Class Box\n  with describe [; rtrue; ],\n  private secret [; ];\n",
                   V{"class Box 1:6 from 1:0 to 3:22", "property routine describe 2:7 from 2:16 to 2:27 of 0",
                     "property routine secret 3:10 from 3:17 to 3:21 of 0"}},
        ReaderCase{"routine_from_its_bracket_to_its_bracket", "[ Main x;\n  print \"hi\";\n];\n",
                   V{"routine Main 1:2 from 1:0 to 3:1"}},
        ReaderCase{"default_and_stub_give_way", "Default MAX 3;\nStub Bar 0;\nConstant C = 1;\n",
                   V{"constant MAX 1:8 from 1:0 to 1:14 gives way", "stub Bar 2:5 from 2:0 to 2:11 gives way",
                     "constant C 3:9 from 3:0 to 3:15"}},
        ReaderCase{"replace_fake_action_and_includes",
                   "Replace Foo;\nFake_Action Baz;\n#Include \"Parser\";\nInclude \">Lib.h\";\n",
                   V{"replace Foo 1:8 from 1:0 to 1:12", "fake action Baz 2:12 from 2:0 to 2:16",
                     "include \"Parser\" 3:9 from 3:0 to 3:18", "include \">Lib.h\" 4:8 from 4:0 to 4:17"}},
        ReaderCase{"seeded_class_makes_objects", "Room kitchen \"Kitchen\";\n",
                   V{"object kitchen 1:5 from 1:0 to 1:23"}, V{"ROOM"}},
        ReaderCase{"nameless_object_has_no_property_routines", "Object with before [; ];\n", V{}},
        ReaderCase{"routine_name_still_expected_inside_an_object", "[ ]\nObject o with before [; x; ];\n",
                   V{"object o 2:7 from 2:0 to 2:29", "property routine before 2:14 from 2:21 to 2:28 of 0",
                     "routine x 2:24 from 2:21 to 2:28"}},
        ReaderCase{"left_open_at_the_end_of_the_text", "Object lamp\n  with before [;\n",
                   V{"object lamp 1:7 from 1:0 to 2:16", "property routine before 2:7 from 2:14 to 2:16 of 0"}},
        ReaderCase{"name_not_shown_as_a_routine_names_none", "Array a table\n[;##Inv \"Inv\";\n];\n",
                   V{"array a 1:6 from 1:0 to 3:2"}}),
    [](const testing::TestParamInfo<ReaderCase>& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------------
// Real files

struct Known {
    const char* file;
    std::uint64_t line;
    std::uint16_t column;
    OutlineKind kind;
    const char* name;
};

TEST(OutlineCorpus, DefinitionsLookedUpByHand)
{
    const std::vector<std::filesystem::path> files = testsupport::CorpusFiles();
    if (files.empty()) GTEST_SKIP() << "the Inform corpus is absent (see GLOSSEL_CORPUS)";
    const Known known[] = {
        {"inform6lib/english.h", 33, 8, OutlineKind::Class, "CompassDirection"},
        {"inform6lib/english.h", 44, 7, OutlineKind::Object, "Compass"},
        {"inform6lib/english.h", 47, 20, OutlineKind::Object, "n_obj"},
        {"inform6lib/parser.h", 643, 7, OutlineKind::Array, "buffer"},
        {"inform6lib/parser.h", 682, 7, OutlineKind::Array, "buffer"},
        {"inform6lib/parser.h", 1069, 8, OutlineKind::Object, "InformParser"},
        {"inform6lib/parser.h", 1530, 2, OutlineKind::Routine, "Parser__parse"},
        {"inform6lib/grammar.h", 68, 10, OutlineKind::Verb, "'score'"},
        {"inform6lib/grammar.h", 442, 5, OutlineKind::Verb, "'take'"},
        {"PunyInform/lib/globals.h", 151, 8, OutlineKind::Constant, "DEFAULT_CAPACITY"},
        {"PunyInform/lib/globals.h", 208, 18, OutlineKind::Property, "life"},
        {"Inform6-Testing/src/Advent.inf", 72, 12, OutlineKind::Object, "At_End_Of_Road"},
        {"Inform6-Testing/src/Advent.inf", 81, 7, OutlineKind::Object, "\"well house\""},
        {"Inform6-Testing/src/cloak-metro84-v3test.inf", 155, 35, OutlineKind::Property, "s_to"},
    };
    for (const Known& k : known) {
        const auto path = std::find_if(files.begin(), files.end(), [&](const auto& f) {
            return f.generic_string().ends_with(std::string("/") + k.file);
        });
        ASSERT_NE(path, files.end()) << k.file;
        const std::string text = testsupport::ReadFile(*path);
        COutline outline;
        outline.Build(text.data(), text.size());
        const auto& entries = outline.GetEntries();
        const auto hit = std::find_if(entries.begin(), entries.end(), [&](const OutlineEntry& e) {
            return e.Line() == k.line && e.Column() == k.column;
        });
        ASSERT_NE(hit, entries.end()) << k.file << " line " << k.line << " column " << k.column;
        EXPECT_EQ(hit->Kind(), k.kind) << k.file << " " << k.name;
        EXPECT_EQ(COutline::Name(*hit, text), k.name) << k.file << " line " << k.line;
    }
}

namespace {

// The lexer's state word at a column of a line: the line's text before the column,
// classified from the state before the line.
std::uint32_t StateAt(const std::string& line, std::size_t column, std::uint32_t before)
{
    CSyntaxLexer lexer(before);
    std::vector<StyleCode> classes(column + 1);
    return lexer.ClassifyLine(line.data(), column, classes.data());
}

// Every invariant that ties an outline to the classification of its text.
void CheckOutlineOfText(const std::string& text, const std::string& what)
{
    SCOPED_TRACE(what);
    COutline outline;
    const OutlineStatus status = outline.Build(text.data(), text.size());
    ASSERT_NE(status, OutlineStatus::OutOfMemory);

    // The text as a render reads it: up to its first zero byte, split at line feeds.
    const std::string shown = text.substr(0, text.find('\0'));
    std::vector<std::uint32_t> states;
    const std::vector<std::string> codes = testsupport::ClassifyText(shown, &states);
    std::vector<std::size_t> lineStarts = {0};
    for (std::size_t i = 0; i < shown.size(); ++i)
        if (shown[i] == '\n') lineStarts.push_back(i + 1);
    const std::size_t lineCount = shown.empty() ? 0 : lineStarts.size() - (shown.back() == '\n' ? 1 : 0);
    EXPECT_EQ(status == OutlineStatus::LongLine, codes.size() < lineCount);

    // The words the lexer styles as routine names, by line and column.
    const auto isWord = [](char ch) {
        return isalnum(static_cast<unsigned char>(ch)) || ch == '_' || ch == '$' || ch == '#';
    };
    std::set<std::tuple<std::uint64_t, std::size_t, std::string>> functionWords;
    for (std::size_t k = 0; k < codes.size(); ++k) {
        const std::string& c = codes[k];
        const std::string line = shown.substr(lineStarts[k], c.size() - 1) + "\n";
        for (std::size_t i = 0; i < c.size();) {
            if (c[i] != '5' || !isWord(line[i])) {
                ++i;
                continue;
            }
            std::size_t j = i;
            while (j < c.size() && c[j] == '5' && isWord(line[j])) ++j;
            functionWords.emplace(k + 1, i, line.substr(i, j - i));
            i = j;
        }
    }

    std::set<std::tuple<std::uint64_t, std::size_t, std::string>> routines;
    std::uint64_t lastOffset = 0;
    bool first = true;
    for (const OutlineEntry& e : outline.GetEntries()) {
        const std::string name(COutline::Name(e, shown));
        const std::string where = " at " + std::to_string(e.Line()) + ":" + std::to_string(e.Column()) + " " + name;
        ASSERT_TRUE(first || e.Offset() > lastOffset) << "file order" << where;
        first = false;
        lastOffset = e.Offset();
        ASSERT_GE(e.Line(), 1u);
        ASSERT_LE(e.Line(), codes.size()) << "no entry at or past a long line" << where;
        ASSERT_EQ(e.Offset(), lineStarts[e.Line() - 1] + e.Column()) << where;
        ASSERT_GT(e.Length(), 0u) << where;
        const std::string& c = codes[e.Line() - 1];
        ASSERT_LE(e.Column() + e.Length(), c.size() - 1) << "a name stays within its line" << where;

        const std::size_t lineStart = lineStarts[e.Line() - 1];
        const std::string line = shown.substr(lineStart, c.size() - 1) + "\n";
        const std::uint32_t at = StateAt(line, e.Column(), e.Line() == 1 ? LEX_DIRECTIVE_EXPECTED : states[e.Line() - 2]);
        EXPECT_EQ(at & (LEX_IN_COMMENT | LEX_IN_SINGLE_QUOTE | LEX_IN_DOUBLE_QUOTE), 0u)
            << "a definition starts outside comments and quoted text" << where;

        if (e.Kind() == OutlineKind::Routine) {
            EXPECT_TRUE(at & LEX_IN_ROUTINE) << where;
            routines.emplace(e.Line(), e.Column(), name);
            continue;
        }
        EXPECT_FALSE(at & LEX_IN_ROUTINE) << "directives stand outside routines" << where;
        const char open = name[0];
        if (open == '"' || open == '\'') {
            EXPECT_TRUE(e.Kind() == OutlineKind::Verb || e.Kind() == OutlineKind::Extend ||
                        (e.Kind() == OutlineKind::Object && open == '"'))
                << where;
            for (std::size_t i = e.Column(); i < e.Column() + e.Length(); ++i)
                EXPECT_TRUE(c[i] == '1' || c[i] == '9') << "a quoted name is quoted text" << where;
            const bool closed = e.Length() > 1 && name.back() == open;
            EXPECT_TRUE(closed || e.Column() + e.Length() == c.size() - 1) << "a whole string" << where;
        } else {
            EXPECT_TRUE(isalpha(static_cast<unsigned char>(open)) || open == '_') << where;
            EXPECT_FALSE(isWord(line[e.Column() + e.Length()])) << "a whole word" << where;
            EXPECT_TRUE(e.Column() == 0 || !isWord(line[e.Column() - 1]) || line[e.Column() - 1] == '#')
                << "a whole word" << where;
        }
    }
    EXPECT_EQ(routines, functionWords) << "routines are exactly the words styled as routine names";
}

std::string RandomDirectives(std::mt19937& rng, std::size_t lines)
{
    static const std::vector<std::string> pieces = {
        "[", "]", ";", ",", " ", "\t", "'", "\"", "!", "#", "->", "-->", "*", "with", "has", "class", "Class",
        "Object", "object", "Nearby", "Global", "Constant", "Default", "Array", "Attribute", "Property",
        "additive", "Verb", "meta", "Extend", "only", "Box", "x", "Main", "12", "_a", "\r", "\xE9", "(", ")",
    };
    std::string text;
    for (std::size_t i = 0; i < lines; ++i) {
        const std::size_t n = rng() % 14;
        for (std::size_t k = 0; k < n; ++k) {
            text += pieces[rng() % pieces.size()];
            if (rng() % 2) text += ' ';
        }
        text += '\n';
    }
    return text;
}

}  // namespace

TEST(OutlineInvariants, EveryCorpusFileAgreesWithItsClassification)
{
    const std::vector<std::filesystem::path> files = testsupport::CorpusFiles();
    if (files.empty()) GTEST_SKIP() << "the Inform corpus is absent (see GLOSSEL_CORPUS)";
    std::size_t entries = 0;
    for (const auto& path : files) {
        const std::string text = testsupport::ReadFile(path);
        CheckOutlineOfText(text, path.string());
        COutline outline;
        outline.Build(text.data(), text.size());
        entries += outline.GetEntries().size();
    }
    EXPECT_GT(entries, 1000u) << "the corpus has thousands of definitions";
}

TEST(OutlineInvariants, RandomTextsAgreeWithTheirClassification)
{
    std::mt19937 rng(20261208);
    for (int i = 0; i < 300; ++i) CheckOutlineOfText(RandomDirectives(rng, 30), "random text " + std::to_string(i));
}

}  // namespace
