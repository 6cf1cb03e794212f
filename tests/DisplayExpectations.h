#pragma once
// What the control must hold after rendering a text, worked out from the document's
// rules and the lexer's classification (never from the reader or the control):
//  - every line is classified in order by one lexer; a line of 1020 or more characters
//    before its line feed ends the text;
//  - a character joins the run before it when it has the run's code or is white space
//    (tab, LF, VT, FF, CR, space), so it shows in that run's style; the first character
//    of a line opens a run in its own code;
//  - a raw CR in a run is not text (RTF ignores it), the line's line feed is ignored too
//    and its "\par " becomes the paragraph mark, in the style of the run it ends;
//  - the document's final "\par" closes the last line, so the text ends with the
//    paragraph mark of its last line (a text "abc" without a line feed holds "abc\n").

#include "TestSupport.h"

#include "syntax/StyleCodes.h"

#include <string>
#include <vector>

namespace testsupport {

struct ExpectedByte {
    char byte;
    StyleCode code;
};

inline bool IsRtfBlank(unsigned char c) { return (c >= 0x09 && c <= 0x0D) || c == ' '; }

inline std::vector<ExpectedByte> ExpectedStoreBytes(const std::string& text)
{
    std::vector<ExpectedByte> out;
    const std::vector<std::string> lines = ClassifyText(text);
    std::size_t pos = 0;
    for (const std::string& hexCodes : lines) {
        const std::size_t lf = text.find('\n', pos);
        const std::size_t n = (lf == std::string::npos ? text.size() : lf) - pos;
        const std::string line = text.substr(pos, n) + "\n";
        StyleCode run = 0;
        for (std::size_t i = 0; i < line.size(); ++i) {
            const char h = hexCodes[i];
            const StyleCode code = static_cast<StyleCode>(h <= '9' ? h - '0' : h - 'a' + 10);
            if (i == 0 || (code != run && !IsRtfBlank(static_cast<unsigned char>(line[i])))) run = code;
            if (line[i] == '\r') continue;
            out.push_back(ExpectedByte{line[i], run});
        }
        pos += n + 1;
    }
    return out;
}

inline std::string BytesOf(const std::vector<ExpectedByte>& expected)
{
    std::string s;
    s.reserve(expected.size());
    for (const ExpectedByte& e : expected) s += e.byte;
    return s;
}

}  // namespace testsupport
