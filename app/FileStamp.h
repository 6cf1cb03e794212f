#pragma once
// FileStamp: what a file on disk is at a moment, as far as telling a change goes: whether
// a regular file stands there, its size, its modification time, its device and inode
// (a file replaced by a rename has another inode). Taken just before a file is read, it
// says what the text read came from, so that any later change is seen against it.

#include <QString>

#include <string>

struct FileStamp {
    bool exists = false;
    long long size = 0;
    long long modified = 0;  // ns
    unsigned long long device = 0;
    unsigned long long inode = 0;
    bool operator==(const FileStamp&) const = default;

    // The stamp of the file at path (the bytes the system knows it by), links followed.
    static FileStamp Of(const std::string& path);
};

// A file by the viewer's name of it, and its stamp.
struct StampedFile {
    QString path;
    FileStamp stamp;
};
