// Places in a file of a game (game/Location.h): the conversion between a Location and
// the game's offsets and records, and the map that carries places from one version of a
// file's text to the next. Every expectation is counted by hand from the texts below.

#include "game/GameFile.h"
#include "game/Location.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

// "ab\n" (0..2), "caf\xC3\xA9 x\n" (3..10), "\n" (11), "last" (12..15).
const std::string kText = "ab\ncaf\xC3\xA9 x\n\nlast";

CGameFile FileOf(const std::string& text)
{
    return CGameFile("t.inf", std::make_shared<const std::string>(text), {});
}

struct OffsetCase {
    const char* name;
    Location at;
    std::uint64_t offset;  // OffsetOf(at)
    Location back;         // LocationOf(offset)
};

void PrintTo(const OffsetCase& c, std::ostream* os) { *os << c.name; }

class Locations : public testing::TestWithParam<OffsetCase> {};

TEST_P(Locations, ConvertWithTheFilesLineIndex)
{
    const OffsetCase& c = GetParam();
    const CGameFile file = FileOf(kText);
    EXPECT_EQ(OffsetOf(file, c.at), c.offset);
    EXPECT_EQ(LocationOf(file, c.offset), c.back);
}

INSTANTIATE_TEST_SUITE_P(
    Game, Locations,
    testing::Values(OffsetCase{"the_start", {0, 0}, 0, {0, 0}},
                    OffsetCase{"a_line_feed_is_its_lines_last_column", {0, 2}, 2, {0, 2}},
                    OffsetCase{"columns_count_bytes_not_characters", {1, 6}, 9, {1, 6}},
                    OffsetCase{"past_a_lines_end_is_its_end", {0, 40}, 2, {0, 2}},
                    OffsetCase{"an_empty_line", {2, 3}, 11, {2, 0}},
                    OffsetCase{"the_last_line_has_no_line_feed", {3, 4}, 16, {3, 4}},
                    OffsetCase{"past_the_last_line_is_the_texts_end", {9, 0}, 16, {3, 4}}),
    [](const testing::TestParamInfo<OffsetCase>& info) { return std::string(info.param.name); });

TEST(Locations, OfTheGamesRecordsCountLinesFromZero)
{
    // "Global g;" then "[ R; ];": the routine's name R is on the second line after "[ ".
    const CGameFile file = FileOf("Global g;\n[ R; ];\n");
    ASSERT_EQ(file.Definitions().size(), 2u);
    EXPECT_EQ(LocationOf(file.Definitions()[1]), (Location{1, 2}));
    EXPECT_EQ(LocationOf(file, file.Definitions()[1].Offset()), (Location{1, 2}));
}

struct MapCase {
    const char* name;
    const char* before;
    const char* after;
    std::uint64_t line;
    std::uint64_t moved;
};

void PrintTo(const MapCase& c, std::ostream* os) { *os << c.name; }

class LineMaps : public testing::TestWithParam<MapCase> {};

TEST_P(LineMaps, MovePlacesWithTheirLines)
{
    const MapCase& c = GetParam();
    EXPECT_EQ(CLineMap(c.before, c.after).Line(c.line), c.moved);
}

// Lines a..h; in each "after" some are taken out, put in or changed.
INSTANTIATE_TEST_SUITE_P(
    Game, LineMaps,
    testing::Values(
        MapCase{"the_same_text", "a\nb\nc\n", "a\nb\nc\n", 2, 2},
        MapCase{"lines_taken_out_above", "a\nb\nc\nd\ne\n", "a\nd\ne\n", 4, 2},
        MapCase{"lines_put_in_above", "a\nb\nc\n", "x\ny\na\nb\nc\n", 1, 3},
        MapCase{"a_line_below_changes_nothing", "a\nb\nc\n", "a\nb\nC\n", 1, 1},
        MapCase{"a_changed_line_keeps_its_distance_from_the_kept_line_above", "a\nb\nc\nd\n", "x\na\nB\nC\nd\n", 2, 3},
        MapCase{"edits_above_and_below", "a\nb\nc\nd\ne\nf\ng\n", "b\nc\nd\nX\nY\ne\nf\ng\n", 3, 2},
        MapCase{"lines_moved_past_each_other_keep_the_longest_order", "a\nb\nc\nd\ne\n", "a\nd\nb\nc\ne\n", 2, 3},
        MapCase{"a_moved_line_is_followed", "a\nb\nc\nd\ne\n", "a\nd\nb\nc\ne\n", 3, 1},
        // b went to the end: the z lines keep to a, which kept its order, not to b.
        MapCase{"a_line_out_of_order_leads_nothing_else", "a\nb\nz\nz\nc\n", "a\nz\nz\nc\nb\n", 2, 2},
        MapCase{"a_taken_out_line_goes_to_the_next_kept_one", "a\nb\nc\nd\n", "a\nd\n", 2, 1},
        MapCase{"every_line_changed_keeps_the_line_number", "a\nb\nc\nd\n", "w\nx\ny\nz\nv\n", 2, 2},
        MapCase{"past_the_end_keeps_its_distance_from_it", "a\nb\n", "x\na\nb\n", 5, 6},
        MapCase{"a_text_gone_short", "a\nb\nc\nd\ne\n", "q\n", 3, 1}),
    [](const testing::TestParamInfo<MapCase>& info) { return std::string(info.param.name); });

}  // namespace
