#include "FileName.h"

#include "syntax/Utf8.h"

#include <QDir>

#include <climits>
#include <cstdlib>
#include <memory>
#include <unistd.h>

namespace {

constexpr char16_t kEscapeBase = 0xDC00;  // U+DC80 .. U+DCFF stand for bytes 0x80 .. 0xFF

bool IsEscape(char16_t unit)
{
    return unit >= kEscapeBase + 0x80 && unit <= kEscapeBase + 0xFF;
}

}  // namespace

QString DecodeFileName(const QByteArray& bytes)
{
    QString name;
    name.reserve(bytes.size());
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    const auto* end = p + bytes.size();
    while (p < end) {
        // Runs of well-formed UTF-8 decode in one piece.
        const unsigned char* run = p;
        int n;
        while (p < end && (n = Utf8CharLength(p, end)) > 0) p += n;
        if (p > run) name += QString::fromUtf8(reinterpret_cast<const char*>(run), p - run);
        if (p < end) name += QChar(static_cast<char16_t>(kEscapeBase + *p++));
    }
    return name;
}

QByteArray EncodeFileName(const QString& name)
{
    QByteArray bytes;
    bytes.reserve(name.size());
    qsizetype from = 0;
    for (qsizetype i = 0; i <= name.size(); ++i) {
        if (i < name.size() && !IsEscape(name.at(i).unicode())) continue;
        // A low surrogate after a high one is half of a character, not an escape.
        if (i < name.size() && i > 0 && name.at(i - 1).isHighSurrogate()) continue;
        bytes += QStringView(name).mid(from, i - from).toUtf8();
        if (i < name.size()) bytes += static_cast<char>(name.at(i).unicode() - kEscapeBase);
        from = i + 1;
    }
    return bytes;
}

bool HasEscapedBytes(const QString& name)
{
    for (qsizetype i = 0; i < name.size(); ++i)
        if (IsEscape(name.at(i).unicode()) && !(i > 0 && name.at(i - 1).isHighSurrogate())) return true;
    return false;
}

QString DisplayFileName(const QString& name)
{
    if (!HasEscapedBytes(name)) return name;
    QString shown = name;
    for (qsizetype i = 0; i < shown.size(); ++i)
        if (IsEscape(shown.at(i).unicode()) && !(i > 0 && shown.at(i - 1).isHighSurrogate()))
            shown[i] = QChar::ReplacementCharacter;
    return shown;
}

QString AbsoluteFileName(const QString& name)
{
    if (name.isEmpty()) return name;
    if (name.startsWith(u'/')) return QDir::cleanPath(name);
    // The working folder as the system names it, which need not be UTF-8 either.
    std::unique_ptr<char, decltype(&std::free)> cwd(::getcwd(nullptr, 0), &std::free);
    const QString base = cwd ? DecodeFileName(QByteArray(cwd.get())) : QDir::currentPath();
    return QDir::cleanPath(base + u'/' + name);
}

QString CanonicalFileName(const QString& name)
{
    if (name.isEmpty()) return {};
    std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(EncodeFileName(name).constData(), nullptr),
                                                         &std::free);
    return resolved ? DecodeFileName(QByteArray(resolved.get())) : QString();
}
