#pragma once
// Numbers as the viewer's own texts show them ("3 of 1,204", "Ln 1,234, Col 17"): digits
// in groups of three joined by commas, whatever the user's locale, as the rest of the
// program's English texts are.

#include <QString>

#include <cstdint>

inline QString GroupedNumber(std::uint64_t n)
{
    const QString digits = QString::number(n);
    QString text;
    text.reserve(digits.size() + digits.size() / 3);
    for (qsizetype i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) text += u',';
        text += digits[i];
    }
    return text;
}
