#pragma once
// Tag files of whole games, for editors that jump to definitions through them.
//
// Vim's format (and Universal Ctags'): the "!_TAG_" lines first, then one line per
// definition, "name<TAB>file<TAB>line;\"<TAB>kind:KIND", and for a property routine
// the object or class it belongs to as one more field ("object:lamp", "class:Room").
// The lines are sorted by name with case folded to upper case, byte by byte (so '_'
// sorts after the letters), as Vim's binary search of a file marked
// "!_TAG_FILE_SORTED 2" expects; definitions of one name keep the order the games
// read them. A name is the definition's own: "before" for lamp.before, a verb's
// or short name's text without its quotes. Names and fields are UTF-8 (decoded as
// the file is shown), with a tab, CR, LF or backslash written \t, \r, \n, \\, any
// other control character as \xHH, and a leading space or '!' as \x20, \x21.
//
// Emacs's TAGS format: for each file a section "\f\nFILE,SIZE\n" and one line per
// definition in text order: the start of its line up to the end of its name (the
// pattern Emacs looks for at the start of a line), DEL, the name, SOH, the line
// number, ',', the byte offset of the line's start. The pattern stops before the
// first character that is not shown as itself (a control character, say).
//
// Both: every file of every game once (a library shared by several games too), its
// name relative to the tag file's folder when it lies inside it, else absolute, with
// its other control characters and its bidirectional controls escaped as messages
// escape them (\x1b, \u202e; doc/Printable.h). A path that a tag file cannot hold (a
// tab, line break, form feed or DEL in it) is refused: its file's definitions are left
// out and Refused() names it.

#include "game/Game.h"

#include <cstdint>
#include <string>
#include <unordered_set>
#include <vector>

class CTagsWriter {
public:
    enum Format { Vim, Emacs };

    // tagFolder: the folder the tag file goes into; workingFolder: the one relative paths
    // of games are relative to. Both absolute.
    CTagsWriter(Format format, std::string tagFolder, std::string workingFolder);

    // Adds the definitions of every file of game that no game added before; last: no
    // game follows (so that its files need not be remembered).
    void AddGame(const CGame& game, bool last = false);

    const std::vector<std::string>& Refused() const { return m_refused; }
    // The whole tag file.
    std::string Finish();

    // The name a tag file gives path: relative to folder when it lies in it, else
    // absolute (path relative to workingFolder; all of them made lexically normal).
    static std::string TagFileName(const std::string& path, const std::string& folder, const std::string& workingFolder);

private:
    struct VimTag {
        std::uint64_t start;       // its whole line, line feed included, in m_lines
        std::uint64_t length;
        std::uint64_t order;       // the order the games read the definitions
        std::uint32_t nameLength;  // the line's first bytes
    };

    // order: the numbers of the file's definitions, in the order the games read them.
    void AddVim(const CGameFile& file, const std::string& name, const std::uint64_t* order);
    void AddEmacs(const CGameFile& file, const std::string& name);

    Format m_format;
    std::string m_tagFolder;
    std::string m_workingFolder;
    std::unordered_set<std::string> m_added;  // identities
    std::vector<std::string> m_refused;
    std::vector<VimTag> m_vim;
    std::string m_lines;  // the lines of m_vim, one after another
    std::uint64_t m_sequence = 0;  // the next definition's number in the order the games read them
    std::string m_emacs;
};
