#include "TextModeTranslator.h"

#include <cstring>

namespace {

constexpr char kCtrlZ = 0x1A;

// The length of the text in data[0, n): up to its first NUL or Ctrl-Z.
std::size_t TextLength(const char* data, std::size_t n)
{
    if (const void* nul = std::memchr(data, '\0', n)) n = static_cast<std::size_t>(static_cast<const char*>(nul) - data);
    if (const void* ctrlZ = std::memchr(data, kCtrlZ, n))
        n = static_cast<std::size_t>(static_cast<const char*>(ctrlZ) - data);
    return n;
}

// Calls keep(block, length) for the runs of [p, end) that the text keeps, in order: all
// of it but the CR of every CR LF pair. A CR that is the last byte is kept, unless
// holdLastCr, when it is left out and the result says so (its fate depends on the byte
// that comes next).
template <class Keep>
bool KeepRuns(const char* p, const char* end, bool holdLastCr, Keep&& keep)
{
    while (p < end) {
        const char* cr = static_cast<const char*>(std::memchr(p, '\r', static_cast<std::size_t>(end - p)));
        if (!cr) {
            keep(p, static_cast<std::size_t>(end - p));
            return false;
        }
        if (cr + 1 == end) {
            keep(p, static_cast<std::size_t>(cr - p) + (holdLastCr ? 0 : 1));
            return holdLastCr;
        }
        // The run up to a pair's CR, or up to and with a lone CR; the LF of a pair
        // begins the next run.
        const std::size_t kept = static_cast<std::size_t>(cr - p) + (cr[1] == '\n' ? 0 : 1);
        keep(p, kept);
        p = cr + 1;
    }
    return false;
}

}  // namespace

bool CTextModeTranslator::Append(const char* data, std::size_t n)
{
    if (m_ended) return false;
    if (n == 0) return true;
    const std::size_t length = TextLength(data, n);
    m_ended = length < n;
    if (m_heldCr) {
        // A line feed makes a pair with it; anything else (the end of the text included)
        // leaves it a lone CR.
        m_heldCr = false;
        if (data[0] != '\n') m_text.push_back('\r');
    }
    m_heldCr = KeepRuns(data, data + length, !m_ended, [this](const char* run, std::size_t count) {
        if (count) m_text.append(run, count);
    });
    return !m_ended;
}

void CTextModeTranslator::Finish()
{
    if (m_heldCr) m_text.push_back('\r');
    m_heldCr = false;
}

std::size_t CTextModeTranslator::TranslateInPlace(char* data, std::size_t size)
{
    std::size_t out = 0;
    KeepRuns(data, data + TextLength(data, size), false, [&](const char* run, std::size_t count) {
        if (run != data + out) std::memmove(data + out, run, count);
        out += count;
    });
    return out;
}
