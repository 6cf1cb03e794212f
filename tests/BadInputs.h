#pragma once
// The inputs of the bad-input tables of both programs: each kind makes one file (or
// names one thing that is not a file) in a folder. The expected outcomes live in each
// program's own table.

#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

namespace badinputs {

// One input. path is what the program is given (bytes, as the system knows them);
// relative when the kind is about the name's spelling, and then it is meant to be
// used with the folder as the working folder.
struct Input {
    std::string path;
    bool regularFile = false;  // a file whose bytes and time must not change
};

// Kinds: missing, directory, unreadable, fifo, dev-zero, dev-urandom, empty, nul,
// ctrl-z, crlf, lone-cr, line-1019-first, line-1020-first, line-1021-first,
// line-1019-last, line-1020-last, line-1021-last, elf, odd-name, odd-name-relative,
// symlink-loop, larger-than-the-limit, shrinks, shrinks-in-crlf, shrinks-to-nothing,
// grows.
Input MakeInput(const std::string& kind, const std::filesystem::path& folder);

// The odd name the odd-name kinds use: a leading dash, spaces, both quotes and a byte
// that is not UTF-8 (0xE9, Latin-1's e acute).
extern const char* const ODD_NAME;

// What happens to a file while it is being read (after its size is taken), for the
// kinds shrinks, shrinks-in-crlf, shrinks-to-nothing and grows; nothing for others.
// Active while the object lives.
class ChangeWhileRead {
public:
    explicit ChangeWhileRead(const std::string& kind);
    ~ChangeWhileRead();
    ChangeWhileRead(const ChangeWhileRead&) = delete;
    ChangeWhileRead& operator=(const ChangeWhileRead&) = delete;
};

// While it lives, file access is checked as the user nobody (the file-system user id
// only, on this thread), so that a file without read permission cannot be read even
// by root. Active() is false when that is not possible here (root without the right
// to change its file-system user id).
class AsNobody {
public:
    AsNobody();
    ~AsNobody();
    AsNobody(const AsNobody&) = delete;
    AsNobody& operator=(const AsNobody&) = delete;
    bool Active() const { return m_active; }

private:
    bool m_active = false;
    int m_previousUid = -1;
    int m_previousGid = -1;
};

// While it lives, the working folder is folder.
class WorkingFolder {
public:
    explicit WorkingFolder(const std::filesystem::path& folder);
    ~WorkingFolder();
    WorkingFolder(const WorkingFolder&) = delete;
    WorkingFolder& operator=(const WorkingFolder&) = delete;

private:
    std::filesystem::path m_previous;
};

// A file's bytes and modification time, to show that reading it wrote nothing.
struct Stamp {
    std::string bytes;
    struct timespec modified {};
    bool operator==(const Stamp& other) const
    {
        return bytes == other.bytes && modified.tv_sec == other.modified.tv_sec &&
               modified.tv_nsec == other.modified.tv_nsec;
    }
};
Stamp StampOf(const std::string& path);

}  // namespace badinputs
