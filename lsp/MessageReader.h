#pragma once
// CMessageReader cuts the bytes a client writes into the messages of the protocol.
//
// A message is a header of lines "Name: value" (names without regard to case), ended by
// an empty line, then exactly Content-Length bytes of body. Lines end with CR LF; a
// bare LF is taken too. Other headers (Content-Type) are read past.
//
// Bytes may arrive in pieces of any size; Feed keeps what it cannot use yet. Whatever
// the bytes, the reader never fails: a header without a usable Content-Length is
// reported as a framing error and skipped up to its empty line; a body longer than
// MAX_BODY is reported and its bytes are passed over without being kept, so that a
// hostile length cannot take the memory.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>

struct LspFrame {
    bool ok = true;     // a message; else a framing error
    std::string body;   // the message's body, or the error's description
};

class CMessageReader {
public:
    static constexpr std::size_t MAX_BODY = std::size_t{256} << 20;
    static constexpr std::size_t MAX_HEADER = 8192;

    void Feed(const char* data, std::size_t size);
    // Takes the oldest frame not yet taken; false when none is complete.
    bool Next(LspFrame& frame);
    bool HasFrame() const { return !m_frames.empty(); }
    // Bytes of an unfinished message (at the end of the input, a message cut short).
    std::size_t Pending() const { return m_buffer.size() - m_start + (m_skipping ? 1 : 0); }

private:
    bool ReadHeader();
    void Error(std::string reason);
    void Compact();

    std::string m_buffer;
    std::size_t m_start = 0;      // the first byte of m_buffer not yet used
    std::size_t m_bodyLength = 0; // while in a body: its length
    bool m_inBody = false;
    bool m_skipping = false;      // passing over an oversized body
    std::uint64_t m_toSkip = 0;
    std::deque<LspFrame> m_frames;
};

// The bytes of one message with its header.
std::string FrameMessage(std::string_view body);
