#pragma once
// CTextModeTranslator: text mode, a block at a time. Each CR LF pair becomes one LF, a
// CR not followed by LF stays, and the first NUL or Ctrl-Z (0x1A) ends the text: neither
// it nor anything after it is kept.
//
// The raw bytes may come in pieces of any size (the reads of a file or a stream): a CR
// that ends one piece waits for the first byte of the next, and the text is the same
// however the bytes were cut. The text is appended to a string of the caller's, a run
// of bytes at a time between the CRs, so a text without CR LF pairs costs a scan and a
// copy.

#include <cstddef>
#include <string>

class CTextModeTranslator {
public:
    explicit CTextModeTranslator(std::string& text) : m_text(text) {}

    // Appends the text of the next n raw bytes to the string. False once the text has
    // ended (at a NUL or Ctrl-Z of these bytes or of earlier ones); from then on nothing
    // is appended. May throw std::bad_alloc or std::length_error as the string grows.
    bool Append(const char* data, std::size_t n);
    // The raw bytes are over: a CR held back from the last piece is appended.
    void Finish();
    bool HasEnded() const { return m_ended; }

    // The same rules over one whole piece, in place: returns the text's length.
    static std::size_t TranslateInPlace(char* data, std::size_t size);

private:
    std::string& m_text;
    bool m_heldCr = false;
    bool m_ended = false;
};
