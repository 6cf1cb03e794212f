#pragma once
// CJsonText: the text of one large answer written straight out, without a tree of JSON
// values in memory (semantic tokens, the outline of a large file). An answer is
// written twice by the same code: first into a counter, which keeps the text while it
// is small and otherwise only counts it, then, when it grew large, in pieces to the
// writer, after a header that gives its length.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

class CJsonText {
public:
    using Sink = std::function<void(const std::string& bytes)>;
    // Text kept while it is counted, at most.
    static constexpr std::size_t KEEP_LIMIT = std::size_t{1} << 20;
    // Bytes handed to the sink at a time.
    static constexpr std::size_t PIECE = std::size_t{256} << 10;

    // Counting (and keeping while small) when sink is null; else writing to it.
    explicit CJsonText(Sink sink = nullptr) : m_sink(std::move(sink)) {}

    void Raw(std::string_view text)
    {
        m_text.append(text);
        Spill();
    }
    void Char(char c)
    {
        m_text.push_back(c);
        if (m_text.size() >= PIECE) Spill();
    }
    void Number(std::uint64_t value);
    void Number(std::int64_t value);
    // A JSON string of UTF-8 text, quotes and escapes added.
    void String(std::string_view utf8);

    // The bytes written so far.
    std::size_t Size() const { return m_spilled + m_text.size(); }
    // Counting: whether all the text is still kept, and the text.
    bool Kept() const { return m_spilled == 0; }
    std::string& Text() { return m_text; }
    // Writing: hands over what is left.
    void Flush();

private:
    void Spill();

    Sink m_sink;
    std::string m_text;
    std::size_t m_spilled = 0;  // bytes no longer in m_text
};
