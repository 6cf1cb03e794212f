#include "MessageReader.h"

#include <algorithm>
#include <cstring>

namespace {

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

bool SameWordNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i])) return false;
    return true;
}

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

// A decimal count of at most 18 digits; false on anything else.
bool ParseLength(std::string_view s, std::uint64_t& value)
{
    if (s.empty() || s.size() > 18) return false;
    value = 0;
    for (const char c : s) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
    }
    return true;
}

constexpr std::string_view kLengthName = "content-length:";
// A body past this size is read into a buffer of its own size and handed over as it is.
constexpr std::size_t kLargeBody = std::size_t{1} << 20;
constexpr std::size_t kMaxBlanks = 16;
constexpr std::size_t kMaxDigits = 18;

}  // namespace

int MatchLengthLine(std::string_view text, std::size_t at)
{
    std::size_t i = at;
    const auto more = [&] { return i < text.size(); };
    for (const char c : kLengthName) {
        if (!more()) return -1;
        if (Lower(text[i++]) != c) return 0;
    }
    const auto blanks = [&]() -> int {
        for (std::size_t n = 0;; ++n, ++i) {
            if (!more()) return -1;
            if (text[i] != ' ' && text[i] != '\t') return 1;
            if (n == kMaxBlanks) return 0;
        }
    };
    if (const int b = blanks(); b <= 0) return b;
    std::size_t digits = 0;
    for (; more() && text[i] >= '0' && text[i] <= '9'; ++i)
        if (++digits > kMaxDigits) return 0;
    if (!more()) return -1;
    if (digits == 0) return 0;
    if (const int b = blanks(); b <= 0) return b;
    if (text[i] == '\r') {
        ++i;
        if (!more()) return -1;
    }
    return text[i] == '\n' ? 1 : 0;
}

void CMessageReader::Feed(const char* data, std::size_t size)
{
    m_buffer.append(data, size);
    while (Step()) {
    }
    Compact();
}

bool CMessageReader::Step()
{
    switch (m_state) {
    case State::Header: return ReadHeader();
    case State::Body: return ReadBody();
    case State::Resync: return FindHeaderLine();
    }
    return false;
}

// Reads the header that starts at m_start, once its bytes decide it. True when it was
// used up (a body follows, or it was reported and passed over).
bool CMessageReader::ReadHeader()
{
    // Line ends left between messages are passed over.
    while (m_start < m_buffer.size() && (m_buffer[m_start] == '\r' || m_buffer[m_start] == '\n')) ++m_start;
    if (m_start >= m_buffer.size()) return false;

    const std::string_view rest(m_buffer.data() + m_start, m_buffer.size() - m_start);
    // The header ends at its first empty line: a LF (before MAX_HEADER) followed by LF,
    // or by CR LF.
    std::size_t end = std::string_view::npos;
    std::size_t after = 0;
    for (std::size_t i = rest.find('\n'); i != std::string_view::npos && i < MAX_HEADER; i = rest.find('\n', i + 1)) {
        if (i + 1 >= rest.size() || (rest[i + 1] == '\r' && i + 2 >= rest.size())) return false;
        if (rest[i + 1] == '\n') {
            end = i;
            after = i + 2;
            break;
        }
        if (rest[i + 1] == '\r' && rest[i + 2] == '\n') {
            end = i;
            after = i + 3;
            break;
        }
    }
    if (end == std::string_view::npos) {
        if (rest.size() < MAX_HEADER) return false;
        Error("a header of more than " + std::to_string(MAX_HEADER) + " bytes without an end; passed over");
        m_scan = m_start + 1;
        m_state = State::Resync;
        return true;
    }

    const std::string_view header = rest.substr(0, end);
    const std::size_t headerStart = m_start;
    m_start += after;
    bool found = false;
    bool bad = false;
    std::uint64_t length = 0;
    std::size_t lineStart = 0;
    while (lineStart <= header.size()) {
        std::size_t lineEnd = header.find('\n', lineStart);
        if (lineEnd == std::string_view::npos) lineEnd = header.size();
        const std::string_view line = header.substr(lineStart, lineEnd - lineStart);
        lineStart = lineEnd + 1;
        const std::size_t colon = line.find(':');
        if (colon == std::string_view::npos) {
            if (!Trim(line).empty()) bad = true;
            continue;
        }
        if (!SameWordNoCase(Trim(line.substr(0, colon)), "Content-Length")) continue;
        std::uint64_t value = 0;
        if (!ParseLength(Trim(line.substr(colon + 1)), value) || (found && value != length)) bad = true;
        found = true;
        length = value;
    }
    if (bad || !found) {
        Error(found ? "a header whose Content-Length is not one count of bytes; its message is passed over"
                    : "a header without Content-Length; read again from the next Content-Length line");
        // Without a length line the bytes may be junk before a good header: look inside
        // them too. With one, its message is passed over.
        m_scan = found ? m_start : headerStart + 1;
        m_state = State::Resync;
        return true;
    }
    if (length > MAX_BODY) {
        Error("a message of " + std::to_string(length) + " bytes, more than " + std::to_string(MAX_BODY) +
              "; its bytes are passed over");
        m_scan = m_start;
        m_state = State::Resync;
        return true;
    }
    m_bodyLength = static_cast<std::size_t>(length);
    m_scan = m_start;
    m_state = State::Body;
    // A large body gets room for itself at once, not twice its size by doubling.
    if (m_bodyLength > kLargeBody && m_buffer.capacity() < m_start + m_bodyLength) {
        m_buffer.erase(0, m_start);
        m_scan = m_start = 0;
        m_buffer.reserve(m_bodyLength + 4096);
    }
    return true;
}

// A body is complete when its bytes are there and no header line starts among them.
bool CMessageReader::ReadBody()
{
    const std::string_view text(m_buffer);
    const std::size_t end = m_start + m_bodyLength;
    for (; m_scan < end; ++m_scan) {
        if (m_scan >= text.size()) return false;
        if (Lower(text[m_scan]) != 'c') continue;
        const int match = MatchLengthLine(text, m_scan);
        if (match < 0) return false;
        if (match == 0) continue;
        // The next message starts inside this one: the body is what comes before it.
        const std::size_t got = m_scan - m_start;
        Error("a message of " + std::to_string(got) + " bytes where its header said " + std::to_string(m_bodyLength) +
              " (the next header starts there)");
        m_frames.push_back(LspFrame{true, m_buffer.substr(m_start, got)});
        m_start = m_scan;
        m_state = State::Header;
        return true;
    }
    if (text.size() < end) return false;
    if (m_bodyLength > kLargeBody) {
        // The buffer itself becomes the body; what follows it is kept apart.
        std::string rest = m_buffer.substr(end);
        m_buffer.resize(end);
        m_buffer.erase(0, m_start);
        m_frames.push_back(LspFrame{true, std::move(m_buffer)});
        m_buffer = std::move(rest);
        m_start = 0;
    } else {
        m_frames.push_back(LspFrame{true, m_buffer.substr(m_start, m_bodyLength)});
        m_start = end;
    }
    m_state = State::Header;
    return true;
}

bool CMessageReader::FindHeaderLine()
{
    const std::string_view text(m_buffer);
    for (; m_scan < text.size(); ++m_scan) {
        if (Lower(text[m_scan]) != 'c') continue;
        const int match = MatchLengthLine(text, m_scan);
        if (match < 0) {
            m_start = m_scan;  // kept until it is decided
            return false;
        }
        if (match == 0) continue;
        m_start = m_scan;
        m_state = State::Header;
        return true;
    }
    m_start = m_scan;
    return false;
}

std::size_t CMessageReader::Pending() const
{
    if (m_state == State::Resync) return 0;
    return m_buffer.size() - m_start;
}

void CMessageReader::Error(std::string reason)
{
    m_frames.push_back(LspFrame{false, std::move(reason)});
}

void CMessageReader::Compact()
{
    if (m_start == 0) return;
    if (m_start >= m_buffer.size()) {
        // A large message leaves no large buffer behind.
        if (m_buffer.capacity() > (std::size_t{1} << 20)) std::string().swap(m_buffer);
        m_buffer.clear();
    } else if (m_start > 65536 && m_start * 2 > m_buffer.size()) {
        m_buffer.erase(0, m_start);
    } else {
        return;
    }
    m_scan -= std::min(m_scan, m_start);
    m_start = 0;
}

bool CMessageReader::Next(LspFrame& frame)
{
    if (m_frames.empty()) return false;
    frame = std::move(m_frames.front());
    m_frames.pop_front();
    return true;
}

std::string FrameMessage(std::string_view body)
{
    std::string out = "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n";
    out.append(body);
    return out;
}
