#pragma once
// Writes a source site (SiteCatalog.h, SitePage.h, SiteIndexPages.h) into a folder.
//
// The inputs are main files and folders; a folder stands for every .inf file in it and
// its subfolders (hidden ones and the site's own folder left out), each a main file,
// and its .h files that none of those games reads are shown as files of their own
// (each read as a game whose main file it is). Games are read first, several at once
// (jobs of them, the largest main files first; each game's text and index are let go
// once the catalog has what it needs), then the headers that no game read, several at
// once, each added in the order of their paths unless one added before it reads it.
// Then every file's page is written, jobs of them at once, the largest first, each
// file read again for its page; the index, the A to Z (in pieces, never whole) and the
// style sheet are written among them. Besides one page being written per job, memory
// holds the catalog: the names and places of the definitions, which the A to Z and the
// links need.
//
// The folder: index.html, names.html, style.css and a page per file in src/. Each file
// is written beside its place and renamed into it once whole. A manifest
// (.glossel-site) lists what the site wrote; a later site in the same folder replaces
// or removes only those files: a file in the way that the manifest does not list is
// left as it is, and reported.
//
// A file that cannot be read or written is reported, and the rest goes on.

#include "game/Game.h"

#include <cstddef>
#include <string>
#include <vector>

class CSyntaxStyleMap;

struct SiteJob {
    std::vector<std::string> inputs;          // main files and folders, as given
    std::vector<std::string> includeFolders;  // --include-path
    std::string switches;                     // --switches
    std::string libraryFolder = GAME_LIBRARY_FOLDER;
    std::string outFolder;
    unsigned jobs = 1;
};

class ISiteListener {
public:
    // name could not be read or written, or is in the way.
    virtual void OnFailure(const std::string& name, const std::string& reason) = 0;
    // name's page ends before a line of MAX_LINE_LENGTH or more.
    virtual void OnLongLine(const std::string& name) = 0;
    // done of all pages are written; called with 0 of all first.
    virtual void OnProgress(std::size_t done, std::size_t all) = 0;

protected:
    ~ISiteListener() = default;
};

struct SiteOutcome {
    bool written = false;   // the folder could be made and the site written into it (maybe in part)
    bool failed = false;    // some file failed
    bool longLine = false;  // some page ends early
    std::size_t games = 0;
    std::size_t pages = 0;  // the files' pages written
};

SiteOutcome WriteSite(const SiteJob& job, const CSyntaxStyleMap& styles, ISiteListener& listener);

// The name of the manifest in the site's folder.
inline constexpr const char* SITE_MANIFEST = ".glossel-site";
