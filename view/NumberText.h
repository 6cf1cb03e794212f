#pragma once
// Numbers as the viewer's own texts show them ("3 of 1,204", "Ln 1,234, Col 17"): digits
// in groups of three joined by commas, whatever the user's locale, as the rest of the
// program's English texts are. And line numbers as the user gives them.

#include <QString>

#include <climits>
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

// A line number as --line and Go to Line take it: a whole number in decimal digits only;
// a number past what fits is as good as the last line. 0 when text is no such number.
inline long long LineNumberOf(const QString& text)
{
    if (text.isEmpty()) return 0;
    long long line = 0;
    for (const QChar c : text) {
        if (c < u'0' || c > u'9') return 0;
        line = line > (LLONG_MAX - 9) / 10 ? LLONG_MAX : line * 10 + (c.unicode() - u'0');
    }
    return line;
}
