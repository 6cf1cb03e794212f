#include "MessageReader.h"

#include <algorithm>
#include <cstring>

namespace {

bool SameWordNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]);
        unsigned char y = static_cast<unsigned char>(b[i]);
        if (x >= 'A' && x <= 'Z') x += 32;
        if (y >= 'A' && y <= 'Z') y += 32;
        if (x != y) return false;
    }
    return true;
}

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

// A decimal count of at most MAX digits' worth; false on anything else.
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

}  // namespace

void CMessageReader::Feed(const char* data, std::size_t size)
{
    while (size > 0) {
        if (m_skipping) {
            const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(m_toSkip, size));
            m_toSkip -= n;
            data += n;
            size -= n;
            if (m_toSkip == 0) m_skipping = false;
            continue;
        }
        // Take in no more than the current message needs, so that a skip that follows a
        // header can pass over the rest without keeping it.
        m_buffer.append(data, size);
        size = 0;
        for (;;) {
            if (m_inBody) {
                if (m_buffer.size() - m_start < m_bodyLength) break;
                m_frames.push_back(LspFrame{true, m_buffer.substr(m_start, m_bodyLength)});
                m_start += m_bodyLength;
                m_inBody = false;
                continue;
            }
            if (!ReadHeader()) break;
            if (m_skipping) {
                // The rest of the buffer belongs to the skipped body, as far as it goes.
                const std::size_t have = m_buffer.size() - m_start;
                const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(m_toSkip, have));
                m_toSkip -= n;
                m_start += n;
                if (m_toSkip == 0) {
                    m_skipping = false;
                    continue;
                }
                break;
            }
        }
        Compact();
    }
}

// Reads the header that starts at m_start, when all of it is there. True when it was
// used up (a body follows, a skip began, or it was reported and dropped).
bool CMessageReader::ReadHeader()
{
    // Line ends left between messages are passed over.
    while (m_start < m_buffer.size() && (m_buffer[m_start] == '\r' || m_buffer[m_start] == '\n')) ++m_start;
    if (m_start >= m_buffer.size()) return false;

    const std::string_view rest(m_buffer.data() + m_start, m_buffer.size() - m_start);
    // The header ends at its first empty line: a LF followed by LF, or by CR LF.
    std::size_t end = std::string_view::npos;
    std::size_t after = 0;
    for (std::size_t i = rest.find('\n'); i != std::string_view::npos; i = rest.find('\n', i + 1)) {
        if (i + 1 < rest.size() && rest[i + 1] == '\n') {
            end = i;
            after = i + 2;
            break;
        }
        if (i + 2 < rest.size() && rest[i + 1] == '\r' && rest[i + 2] == '\n') {
            end = i;
            after = i + 3;
            break;
        }
        if (i > MAX_HEADER) break;
    }
    if (end == std::string_view::npos) {
        if (rest.size() > MAX_HEADER) {
            Error("a header of more than " + std::to_string(MAX_HEADER) + " bytes without an end; its bytes are dropped");
            m_start = m_buffer.size();
        }
        return false;
    }

    const std::string_view header = rest.substr(0, end);
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
        Error(found ? "a header whose Content-Length is not one count of bytes; the message is dropped"
                    : "a header without Content-Length; the message is dropped");
        return true;
    }
    if (length > MAX_BODY) {
        Error("a message of " + std::to_string(length) + " bytes, more than " + std::to_string(MAX_BODY) +
              "; its bytes are passed over");
        m_skipping = length > 0;
        m_toSkip = length;
        return true;
    }
    m_inBody = true;
    m_bodyLength = static_cast<std::size_t>(length);
    return true;
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
