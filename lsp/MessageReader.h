#pragma once
// CMessageReader cuts the bytes a client writes into the messages of the protocol.
//
// A message is a header of lines "Name: value" (names without regard to case), ended by
// an empty line, then exactly Content-Length bytes of body. Lines end with CR LF; a
// bare LF is taken too. Other headers (Content-Type) are read past.
//
// Bytes may arrive in pieces of any size; Feed keeps what it cannot use yet, and the
// frames do not depend on how the bytes were cut. Whatever the bytes, the reader never
// fails and never stays lost: a framing error is reported (a frame that is not ok) and
// the reader picks up again at the next line "Content-Length: N" (a header line). It
// looks for one
//  - after a header without a usable Content-Length (none, not a count, two different
//    counts, more than MAX_HEADER bytes without an end), passing over what follows it;
//  - after a header whose length is more than MAX_BODY, passing over the body without
//    keeping it, so that a hostile length cannot take the memory;
//  - inside a body: a header line cannot stand in a body of JSON (raw line feeds are
//    not allowed in its strings, and the words are not JSON outside them), so a header
//    that starts before the body's end ends the body there: the length was too long,
//    or the body one byte short with the next message's first byte counted in it.
// Where a length is too short, the rest of the body stands before the next header and
// is passed over as an unusable header.

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
    std::size_t Pending() const;

private:
    enum class State : std::uint8_t {
        Header,    // m_start is where a header begins (after any line ends)
        Body,      // m_start is where a body of m_bodyLength bytes begins
        Resync,    // passing over bytes up to the next header line
    };
    // Works through the buffer as far as its bytes decide; false when it needs more.
    bool Step();
    bool ReadHeader();
    bool ReadBody();
    bool FindHeaderLine();
    void Error(std::string reason);
    void Compact();

    std::string m_buffer;
    std::size_t m_start = 0;       // the first byte of m_buffer not yet used
    std::size_t m_scan = 0;        // Body, Resync: the first byte not yet looked at for a header line
    std::size_t m_bodyLength = 0;  // Body: its length
    State m_state = State::Header;
    std::deque<LspFrame> m_frames;
};

// Whether text[at...] is a header line "Content-Length: N" (any case, blanks around N,
// its line end included): 1 yes, 0 no, -1 when the bytes end before that is decided.
int MatchLengthLine(std::string_view text, std::size_t at);

// The bytes of one message with its header.
std::string FrameMessage(std::string_view body);
