#pragma once
// Where glossel-render writes: its output stream, or the file that -o names.
//
// A regular file, or a name that is not there yet, is never written in place: the
// output goes to a temporary file beside it (in the folder of the file a link leads
// to), which takes the old file's permission bits (a new file's are 0666 less the
// umask) and replaces the file by a rename once the whole output is written and
// closed. On any failure, and when the program is ended by a signal meanwhile, the
// temporary goes and the old file stays as it was. A file that is there but that we
// may not write is refused as before. Anything else -o names (a device such as
// /dev/null, a FIFO) is written directly.
//
// The document streams into the output in chunks (Write, a document sink); the first
// write error is kept and nothing more is written after it.

#include <cstddef>
#include <cstdio>
#include <string>
#include <sys/types.h>

// The regular file that an output would write over (the file -o names, or the one
// standard output is open on), to compare with every file a job reads: a job never
// writes over a file it reads. Files compare by device and inode, after following
// links, so that another name of the same file (a link, another spelling of its path,
// another case on a folder that ignores case) is the same file.
class COutputTarget {
public:
    // The file that writing to path (empty: to stream) would write over, if any.
    COutputTarget(const std::string& path, std::FILE* stream);
    // False when the output writes over no regular file that is there (a new file, a
    // device, a FIFO, a terminal).
    bool Exists() const { return m_exists; }
    // True when the file at path (fd when path is empty and fd >= 0) is that file.
    bool Is(const std::string& path, int fd = -1) const;
    // That file's identity as the files on disk give it (game/GameFileSource.h).
    std::string Identity() const;

private:
    bool m_exists = false;
    dev_t m_device = 0;
    ino_t m_inode = 0;
};

class CRenderOutput {
public:
    CRenderOutput() = default;
    ~CRenderOutput();  // an output not finished is abandoned: the temporary goes
    CRenderOutput(const CRenderOutput&) = delete;
    CRenderOutput& operator=(const CRenderOutput&) = delete;

    // Writes to stream, which stays open.
    void UseStream(std::FILE* stream);
    // Prepares to write the file at path; false with errno set when it cannot be.
    bool Open(const std::string& path);
    // The output of -o: the file at path, or stream when path is empty.
    bool Start(const std::string& path, std::FILE* stream)
    {
        if (!path.empty()) return Open(path);
        UseStream(stream);
        return true;
    }

    // A document sink: context is the output.
    static void Write(void* context, const char* bytes, std::size_t n);

    // Flushes, closes and renames into place; 0, or the errno value of the first
    // failure (a write's included), after which the old file is as it was.
    int Finish();

    // True when writing to path (empty: to stream) would write over the input: the file
    // input names ("-": the file standard input, inFd, reads). Only a regular file counts.
    static bool IsTheInput(const std::string& path, std::FILE* stream, const std::string& input, int inFd);
    // True when stream is a terminal.
    static bool IsTerminal(std::FILE* stream);

private:
    void Abandon();

    std::FILE* m_file = nullptr;
    bool m_owned = false;
    std::string m_temporary;  // the file written, renamed to m_target at the end; empty: none
    std::string m_target;
    int m_error = 0;
};
