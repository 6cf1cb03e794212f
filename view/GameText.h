#pragma once
// Text of a file as the viewer shows it: bytes decoded as the control decodes the text
// they come from (UTF-8 when what a render shows of it is well-formed UTF-8 with a byte
// of 0x80 or more, else Windows-1252; a game's file knows which: CGameFile::Encoding),
// so that a name or a line in a list reads as it does in the text.

#include "syntax/DisplayText.h"

#include <QString>

#include <string_view>

inline QString ShownText(std::string_view bytes, display::Encoding encoding)
{
    if (encoding == display::Encoding::Utf8)
        return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
    QString text(static_cast<qsizetype>(bytes.size()), Qt::Uninitialized);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        text[static_cast<qsizetype>(i)] = QChar(static_cast<char16_t>(display::Windows1252(static_cast<unsigned char>(bytes[i]))));
    return text;
}
