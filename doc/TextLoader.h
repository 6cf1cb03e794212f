#pragma once
// Reads an Inform source file into text the way the document loads it: the whole
// file in one read, in text mode.
//
// Text mode (TextModeTranslator.h): each CR LF pair becomes one LF, a CR not followed
// by LF stays, and a Ctrl-Z (0x1A) ends the text; a NUL byte also ends the text
// (nothing after either is kept). Only regular files load (after following links): a
// directory, FIFO or device fails like a missing file, and so does a file whose size
// cannot be known in advance (those of /proc). A file of 0 bytes fails; a file whose
// first byte is NUL or Ctrl-Z loads as an empty text. A file or stream of more than
// MAX_SOURCE_BYTES fails. On failure the caller's text is untouched.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

// The most bytes a source may have, whether it is a file or comes on a stream, and the
// same for people (for messages, --help and the manual).
inline constexpr std::uint64_t MAX_SOURCE_BYTES = std::uint64_t{1} << 30;
inline constexpr std::string_view MAX_SOURCE_SIZE_TEXT = "1 GiB";

struct LoadFailure {
    int error = 0;       // errno value, or 0 for the reasons below without one
    std::string reason;  // for people: "No such file or directory", "file is empty", ...
};

// Translates size raw bytes in place; returns the text's length.
std::size_t TranslateTextMode(char* data, std::size_t size);

// The text of raw file bytes (same rules; an empty input gives an empty text).
std::string TextFromBytes(std::string_view bytes);

// The file is read up to the size it had when it was opened. A file that ends before
// that size while it is read (it shrank or was emptied) fails: "the file changed while
// it was read". A file that grew gives the text of its first size bytes.

// A test seam: called with the path after the file's size has been taken and before
// its bytes are read, so that a test can change the file in between. Null: nothing.
void SetLoadPauseForTesting(std::function<void(const std::string& path)> pause);

// Loads the file at path into text. False (with the reason) when the file cannot be
// opened, is not a regular file, is empty, is larger than MAX_SOURCE_BYTES, cannot be
// read, changed while it was read, or does not fit in memory.
bool LoadTextFile(const std::string& path, std::string& text, LoadFailure* failure = nullptr);

// Loads everything readable from a file descriptor (a pipe, standard input), up to
// its end or its first NUL or Ctrl-Z, after which nothing is read. An input of 0
// bytes fails as an empty file does, and so does one with more than limit bytes
// before its text ends (read no further than one byte past the limit).
bool LoadTextStream(int fd, std::string& text, LoadFailure* failure = nullptr,
                    std::uint64_t limit = MAX_SOURCE_BYTES);
