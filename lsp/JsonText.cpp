#include "JsonText.h"

#include <charconv>

void CJsonText::Number(std::uint64_t value)
{
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    m_text.append(digits, static_cast<std::size_t>(end - digits));
    if (m_text.size() >= PIECE) Spill();
}

void CJsonText::Number(std::int64_t value)
{
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    m_text.append(digits, static_cast<std::size_t>(end - digits));
    if (m_text.size() >= PIECE) Spill();
}

void CJsonText::String(std::string_view utf8)
{
    static const char kHex[] = "0123456789abcdef";
    m_text.push_back('"');
    for (const char c : utf8) {
        const unsigned char b = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            m_text.push_back('\\');
            m_text.push_back(c);
        } else if (b < 0x20) {
            m_text.append("\\u00");
            m_text.push_back(kHex[b >> 4]);
            m_text.push_back(kHex[b & 15]);
        } else {
            m_text.push_back(c);
        }
    }
    m_text.push_back('"');
    if (m_text.size() >= PIECE) Spill();
}

void CJsonText::Spill()
{
    if (m_sink) {
        if (m_text.size() < PIECE) return;
        m_sink(m_text);
    } else if (m_spilled == 0 && m_text.size() <= KEEP_LIMIT) {
        return;
    }
    m_spilled += m_text.size();
    m_text.clear();
}

void CJsonText::Flush()
{
    if (!m_sink || m_text.empty()) return;
    m_sink(m_text);
    m_spilled += m_text.size();
    m_text.clear();
}
