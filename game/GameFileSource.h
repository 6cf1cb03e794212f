#pragma once
// Where a game's files come from. The game model never touches the file system itself:
// it asks a file source whether a file is there, what a folder holds and what a file
// says, so that a caller can put its own texts in front of the disk (a language
// server's open documents, whose text wins over the saved file; a viewer re-reading one
// file that changed).
//
// Sources are asked from whatever thread builds the game: CDiskFileSource keeps no
// state, and a source of the caller's own must be safe to ask from the building thread
// while the build runs.

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

// What stands at a path, as an opening of it for reading finds it.
enum class PathState : std::uint8_t {
    Nothing,     // nothing (or a link that leads nowhere)
    File,        // a regular file that can be read
    NotAFile,    // something that opens, but is no regular file: a folder, a FIFO, a device
    Unopenable,  // something that cannot be opened: a file one may not read, a loop of links
};

class IGameFileSource {
public:
    virtual ~IGameFileSource() = default;

    // Whether a regular file (after following links) that can be read stands at path.
    virtual bool IsFile(const std::string& path) const = 0;
    // What stands at path (after following links). A source that knows only its own
    // texts has files and nothing else.
    virtual PathState StateOf(const std::string& path) const
    {
        return IsFile(path) ? PathState::File : PathState::Nothing;
    }
    // The names in folder ("" is the current folder), "." and ".." left out, in no
    // particular order; empty when it cannot be read.
    virtual std::vector<std::string> ListFolder(const std::string& folder) const = 0;
    // The file's text as the viewer loads it (text mode: see doc/TextLoader.h); an empty
    // file is an empty text. Null, with the reason for people, when it cannot be read.
    virtual std::shared_ptr<const std::string> Load(const std::string& path, std::string& reason) const = 0;
    // A key that two paths of one file share (the same file reached through a link or
    // through another folder name), so that a game reads each file once.
    virtual std::string Identity(const std::string& path) const = 0;
    // StateOf and, for a file that stands there, its Identity, in one look where the
    // source can (a game looks up every file it reads).
    virtual PathState LookAt(const std::string& path, std::string& identity) const
    {
        const PathState state = StateOf(path);
        if (state == PathState::File) identity = Identity(path);
        return state;
    }
};

// The files on disk.
class CDiskFileSource : public IGameFileSource {
public:
    bool IsFile(const std::string& path) const override;
    PathState StateOf(const std::string& path) const override;
    std::vector<std::string> ListFolder(const std::string& folder) const override;
    std::shared_ptr<const std::string> Load(const std::string& path, std::string& reason) const override;
    // The device and inode of the file, or the path itself when it cannot be looked at.
    std::string Identity(const std::string& path) const override;
    PathState LookAt(const std::string& path, std::string& identity) const override;
    // The identity of the file with that device and inode.
    static std::string IdentityOf(std::uint64_t device, std::uint64_t inode);
};

// Texts of the caller's own in front of another source: a path given a text here is a
// file with that text whatever the other source says of it, and its folder lists it.
// A path of a file that the other source has is also found through another name of that
// file (a link, "lib/../lib/x.h"), by its identity there, as it was when the text was set.
class CGameFileOverlay : public IGameFileSource {
public:
    explicit CGameFileOverlay(const IGameFileSource& below) : m_below(below) {}

    void SetText(const std::string& path, std::shared_ptr<const std::string> text);
    void Remove(const std::string& path);

    bool IsFile(const std::string& path) const override;
    PathState StateOf(const std::string& path) const override;
    std::vector<std::string> ListFolder(const std::string& folder) const override;
    std::shared_ptr<const std::string> Load(const std::string& path, std::string& reason) const override;
    std::string Identity(const std::string& path) const override;

private:
    const std::shared_ptr<const std::string>* Find(const std::string& path) const;

    const IGameFileSource& m_below;
    std::map<std::string, std::shared_ptr<const std::string>> m_texts;
    std::map<std::string, std::string> m_identities;  // the other source's identity -> path
};
