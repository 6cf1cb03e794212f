#include "SiteText.h"

#include "syntax/CharClass.h"


std::string ShownUtf8(std::string_view bytes, display::Encoding encoding)
{
    // The decoding table is built once per encoding, not once per name: a site shows
    // hundreds of thousands of names.
    static const display::CShownText kWindows1252(display::Encoding::Windows1252, false);
    static const display::CShownText kUtf8(display::Encoding::Utf8, false);
    const display::CShownText& shown = encoding == display::Encoding::Utf8 ? kUtf8 : kWindows1252;
    std::string out(bytes.size() * display::CShownText::MAX_PER_BYTE + display::CShownText::SLACK, '\0');
    const char* end = shown.Write(out.data(), reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    out.resize(static_cast<std::size_t>(end - out.data()));
    out.shrink_to_fit();  // names stay in the site's catalog until its end
    return out;
}

void AppendEscapedHtml(std::string& out, std::string_view text)
{
    // Runs without anything to escape go in whole.
    for (std::size_t at = 0; at < text.size();) {
        std::size_t special = at;
        while (special < text.size() && text[special] != '&' && text[special] != '<' && text[special] != '>' &&
               text[special] != '"')
            ++special;
        out.append(text.data() + at, special - at);
        if (special == text.size()) break;
        switch (text[special]) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        default: out += "&quot;"; break;
        }
        at = special + 1;
    }
}

std::string FoldedName(std::string_view name)
{
    std::string folded(name);
    for (char& ch : folded) ch = static_cast<char>(charclass::Fold(static_cast<unsigned char>(ch)));
    return folded;
}
