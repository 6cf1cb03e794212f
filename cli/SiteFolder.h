#pragma once
// The folder a source site is written into, and the files in it.
//
// The site's folder itself is taken as the user named it (links followed); inside it,
// nothing is followed: its subfolders (src/, refs/) are opened without following a
// link, and every file is made, replaced, looked at and removed relative to the open
// folder, so that no link planted inside the site leads a write or a removal out of it.
//
// Each file is written to a temporary beside its place (".glossel-" and six letters)
// and renamed into place once whole. While a folder is open, the temporaries being
// written are removed when a signal that ends the program arrives (SIGHUP, SIGINT,
// SIGQUIT, SIGTERM, SIGXFSZ, unless handled or ignored already), before the signal
// takes its course.
//
// Entries name the site's files: "index.html", or a subfolder and a name,
// "src/parser.h.html"; only the manifest's name begins with '.'.

#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

class CSiteFolder {
public:
    CSiteFolder() = default;
    ~CSiteFolder();
    CSiteFolder(const CSiteFolder&) = delete;
    CSiteFolder& operator=(const CSiteFolder&) = delete;

    // Opens folder, made when missing, and its subfolders (made when missing, never
    // through a link). False with the path that failed and why.
    bool Open(const std::string& folder, const std::vector<std::string>& subfolders, std::string& failedPath,
              std::string& reason);
    const std::string& Path() const { return m_path; }
    // The path of entry, for people.
    std::string PathOf(std::string_view entry) const;

    // Whether entry names a file of the site's own layout: a plain name, or one of the
    // subfolders and a plain name.
    bool IsEntry(std::string_view entry) const;
    // Whether anything (a link too) stands at entry.
    bool Exists(std::string_view entry) const;
    // Removes entry (a link itself, never what it leads to).
    void Remove(std::string_view entry) const;

    // A file being written at entry; dropped unless Close succeeds.
    class CFile {
    public:
        CFile(const CSiteFolder& folder, std::string_view entry, mode_t mode);
        ~CFile();
        CFile(const CFile&) = delete;
        CFile& operator=(const CFile&) = delete;
        void Write(std::string_view bytes);
        // Renames the file into place; 0 or errno (error, when given, instead of the file's own).
        int Close(int error = 0);

    private:
        int m_dir = -1;
        std::string m_name;
        char m_temporary[16] = {};
        int m_slot = -1;
        int m_fd = -1;
        int m_error = 0;
    };
    // Writes bytes to entry as CFile does; 0 or errno.
    int WriteWhole(std::string_view entry, std::string_view bytes, mode_t mode) const;

    // The entries a file (a list of entries, one a line) names, those of the site's own
    // layout only; missing or unreadable: none.
    std::vector<std::string> ReadList(std::string_view entry) const;

private:
    // The open folder of entry and its name there (hidden ones too); -1 when entry is
    // not of the layout.
    int DirOf(std::string_view entry, std::string& name) const;

    std::string m_path;
    int m_top = -1;
    std::vector<std::string> m_subfolderNames;
    std::vector<int> m_subfolders;
    bool m_watching = false;
};
