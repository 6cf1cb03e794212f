#pragma once
// Location: a place in the text of a file of a game, as every reader of the game names
// it: its line (from 0) and the bytes before it on that line. A place so named keeps
// its meaning whichever way the file's bytes are shown (UTF-8 or Windows-1252).
//
// The file owns its text, its line index (CGameFile::OffsetOf and PositionOf) and the
// way its bytes are shown (CGameFile::Encoding). The functions here are the one
// conversion between a Location and the game's own records of places (an offset, a
// definition, an include, a use of a name); a reader converts a Location to its own
// positions at its edge (the viewer's control to its caret, and back).
//
// CLineMap carries Locations from one version of a file's text to the next, as a
// reader expects a place to move when the file is read again after it was edited: a
// place on a line that stands once in each text keeps to that line, wherever it went;
// any other place keeps its distance from the nearest line above it that both texts
// keep in the same order (the lines equal at the top and the bottom, and the longest
// run of lines standing once in each), but goes no further than the next such line.

#include <cstdint>
#include <string_view>
#include <vector>

class CGameFile;
class GameDefinition;
struct GameInclude;
struct GameWord;

struct Location {
    std::uint64_t line = 0;    // from 0
    std::uint64_t column = 0;  // bytes before the place on its line
    bool operator==(const Location&) const = default;
};

// Where offset stands in file (past the text: its end).
Location LocationOf(const CGameFile& file, std::uint64_t offset);
// The offset of at in file: past the end of its line, that line's end; past the last
// line, the text's end.
std::uint64_t OffsetOf(const CGameFile& file, const Location& at);
// Where a definition's name, an include's quoted name and a use of a name begin.
Location LocationOf(const GameDefinition& definition);
Location LocationOf(const GameInclude& include);
Location LocationOf(const GameWord& word);

class CLineMap {
public:
    // The map from the lines of before to those of after (each cut at its line feeds).
    CLineMap(std::string_view before, std::string_view after);

    // The line of after where line of before went (lines past before's end keep their
    // distance from its end).
    std::uint64_t Line(std::uint64_t line) const;
    // at, on the line it went to; its column stays (a reader clamps it to the line).
    Location Moved(const Location& at) const { return Location{Line(at.line), at.column}; }

private:
    struct Anchor {
        std::uint64_t before;
        std::uint64_t after;
    };
    std::vector<Anchor> m_anchors;  // lines kept, in the order of both texts
    std::vector<Anchor> m_moved;    // between the lines kept at the top and the bottom, those that stand once in each
    std::uint64_t m_beforeLines = 0;
    std::uint64_t m_afterLines = 0;
};
