// Fuzz bodies for the engine: text loading, classification and the document build.

#include "FuzzTargets.h"

#include "doc/TextLoader.h"
#include "syntax/RtfBuilder.h"
#include "syntax/SyntaxLexer.h"
#include "syntax/SyntaxStyleMap.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

void FuzzInvariantBroken(const char* what)
{
    std::fprintf(stderr, "fuzz invariant broken: %s\n", what);
    std::abort();
}

int FuzzTextLoader(const std::uint8_t* data, std::size_t size)
{
    std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::size_t length = TranslateTextMode(bytes.data(), bytes.size());
    Require(length <= size, "the text is never longer than the file");
    Require(std::memchr(bytes.data(), '\0', length) == nullptr, "no NUL in the text");
    Require(std::memchr(bytes.data(), 0x1A, length) == nullptr, "no Ctrl-Z in the text");
    // Every LF of the text stands for an LF or a CR LF of the file, in order.
    std::size_t lfs = 0;
    for (std::size_t i = 0; i < length; ++i) lfs += bytes[i] == '\n';
    std::size_t fileLfs = 0;
    for (std::size_t i = 0; i < size && data[i] != 0 && data[i] != 0x1A; ++i) fileLfs += data[i] == '\n';
    Require(lfs == fileLfs, "line feeds are kept");
    return 0;
}

int FuzzRender(const std::uint8_t* data, std::size_t size)
{
    // The first bytes vary the styles: colours, bold and italic of each code.
    CSyntaxStyleMap styles;
    styles.BuildDefaults();
    std::size_t used = 0;
    if (size > 0 && (data[0] & 1)) {
        used = 1;
        styles.ForEach([&](std::uint16_t, CSyntaxStyle& s) {
            if (used + 2 <= size) {
                s.m_colour = (data[used] & 3u) * 0x404040u;
                s.m_bold = data[used + 1] & 1u;
                s.m_italic = (data[used + 1] >> 1) & 1u;
                used += 2;
            }
        });
    }
    const char* text = reinterpret_cast<const char*>(data + used);
    const std::size_t length = size - used;

    // Classification: one code 0..11 per character and STYLE_END after the line.
    std::vector<StyleCode> classes(MAX_LINE_LENGTH + 2);
    std::vector<char> line(MAX_LINE_LENGTH + 1);
    CSyntaxLexer lexer;
    std::size_t pos = 0;
    std::size_t lines = 0;
    while (pos < length) {
        const std::size_t n = MeasureLine(text, length, pos);
        if (n >= MAX_LINE_LENGTH) break;
        std::memcpy(line.data(), text + pos, n);
        line[n] = '\n';
        const std::uint32_t state = lexer.ClassifyLine(line.data(), n + 1, classes.data());
        for (std::size_t i = 0; i <= n; ++i) Require(classes[i] < STYLE_END, "a style for every character");
        Require(classes[n + 1] == STYLE_END, "STYLE_END after the line");
        Require((state & 0xFC810000u) == 0, "no stray bits, no comment past its line");
        pos += n + 1;
        ++lines;
    }
    // The same text without its line feeds, line by line, must not upset the lexer.
    CSyntaxLexer bare;
    for (std::size_t k = 0; k + 1 < length && k < 4; ++k) {
        const std::size_t n = length - k < MAX_LINE_LENGTH ? length - k : MAX_LINE_LENGTH - 1;
        bare.ClassifyLine(text + k, n, classes.data());
        Require(classes[n] == STYLE_END, "STYLE_END after a bare text");
    }

    CRtfBuilder builder;
    CRtfOutput out;
    const RenderStatus status = builder.BuildDocument(text, length, styles, out);
    Require(status != RenderStatus::OutOfMemory, "small inputs fit");
    const std::string_view doc = out.View();
    Require(doc.find('\0') == std::string_view::npos, "no zero byte in the document");
    Require(doc.size() >= 9 && doc.substr(doc.size() - 9) == "\n\\par }\n.", "the document ends with its tail");
    std::size_t paragraphs = 0;
    for (std::size_t at = 0; at < doc.size();) {
        if (doc[at] == '\\' && at + 1 < doc.size() &&
            (doc[at + 1] == '\\' || doc[at + 1] == '{' || doc[at + 1] == '}')) {
            at += 2;  // an escaped character of the text
        } else if (doc.compare(at, 5, "\\par ") == 0) {
            ++paragraphs;
            at += 5;
        } else {
            ++at;
        }
    }
    // One paragraph mark per line shown, and one in the tail; a text's own backslashes
    // are escaped, so they never make a mark.
    if (std::memchr(text, '\0', length) == nullptr) Require(paragraphs == lines + 1, "a paragraph per line");
    return 0;
}
