#pragma once
// Helpers shared by the viewer's QtTest programs: settings in a temporary folder,
// files, captured output streams, a message box that records instead of waiting, and
// a look at the colour of drawn text.

#include "view/MessageBox.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QSettings>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QWidget>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace qtestsupport {

// Points the user's settings at a fresh temporary folder for the whole test program.
// Call before anything reads settings (initTestCase).
class TempSettings {
public:
    TempSettings()
    {
        qputenv("XDG_CONFIG_HOME", m_dir.path().toLocal8Bit());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_dir.path());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_dir.path());
    }
    // Where every per-user settings file goes (Qt's own QtProject.conf too).
    QString Root() const { return m_dir.path(); }
    QString Folder() const { return m_dir.path() + QStringLiteral("/Orvanel's Applications"); }
    QString File() const { return Folder() + QStringLiteral("/Glossel.conf"); }
    bool Exists() const { return QFile::exists(File()); }
    void Clear() const { QDir(Folder()).removeRecursively(); }
    // The stored value of section/entry as written, or a null string.
    QString Value(const QString& section, const QString& entry) const
    {
        QSettings file(File(), QSettings::IniFormat);
        return file.value(section + u'/' + entry).toString();
    }
    QStringList Keys(const QString& section) const
    {
        QSettings file(File(), QSettings::IniFormat);
        file.beginGroup(section);
        return file.childKeys();
    }
    void Write(const QString& section, const QString& entry, const QString& value) const
    {
        QDir().mkpath(Folder());
        QSettings file(File(), QSettings::IniFormat);
        file.setValue(section + u'/' + entry, value);
    }

private:
    QTemporaryDir m_dir;
};

// True when the most strongly drawn pixel of rect in image has colour c blended with
// white, i.e. the glyph there is painted in c and not in another colour.
inline bool DrawnIn(const QImage& image, const QRect& rect, QColor c, QString* why = nullptr)
{
    int best = -1;
    QColor darkest;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x) {
            if (!image.rect().contains(x, y)) continue;
            const QColor p = image.pixelColor(x, y);
            const int ink = 3 * 255 - p.red() - p.green() - p.blue();
            if (ink > best) {
                best = ink;
                darkest = p;
            }
        }
    // How far the pixel went from white towards c, judged on c's strongest channel.
    const int spans[3] = {255 - c.red(), 255 - c.green(), 255 - c.blue()};
    const int got[3] = {255 - darkest.red(), 255 - darkest.green(), 255 - darkest.blue()};
    const int k = static_cast<int>(std::max_element(spans, spans + 3) - spans);
    const double alpha = spans[k] ? static_cast<double>(got[k]) / spans[k] : 0;
    bool ok = alpha >= 0.5;
    for (int i = 0; i < 3; ++i)
        if (std::abs(got[i] - alpha * spans[i]) > 30) ok = false;
    if (why)
        *why = QStringLiteral("darkest pixel %1 in %2,%3 %4x%5, expected %6")
                   .arg(darkest.name())
                   .arg(rect.x())
                   .arg(rect.y())
                   .arg(rect.width())
                   .arg(rect.height())
                   .arg(c.name());
    return ok;
}

// A command line as the program gets it: each argument as the bytes of its name.
inline std::vector<std::string> ArgsOf(const QStringList& list)
{
    std::vector<std::string> args;
    for (const QString& arg : list) args.push_back(QFile::encodeName(arg).toStdString());
    return args;
}

inline bool WriteBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

// A stdio stream whose text a test can read back.
class CapturedStream {
public:
    CapturedStream() : m_file(std::tmpfile()) {}
    ~CapturedStream() { std::fclose(m_file); }
    CapturedStream(const CapturedStream&) = delete;
    CapturedStream& operator=(const CapturedStream&) = delete;
    std::FILE* Get() const { return m_file; }
    QString Text() const { return QString::fromLocal8Bit(Bytes()); }
    QByteArray Bytes() const
    {
        std::fflush(m_file);
        const long size = std::ftell(m_file);
        QByteArray bytes(size, '\0');
        std::rewind(m_file);
        const std::size_t got = std::fread(bytes.data(), 1, static_cast<std::size_t>(size), m_file);
        std::fseek(m_file, 0, SEEK_END);
        bytes.truncate(static_cast<qsizetype>(got));
        return bytes;
    }

private:
    std::FILE* m_file;
};

// Records every message box instead of showing it, while it lives.
class MessageBoxRecorder {
public:
    struct Call {
        QWidget* owner;
        QString text;
        QString caption;
        unsigned int type;
        bool ownerHidden;
    };
    MessageBoxRecorder()
    {
        m_previous = SetMessageBoxHandler([this](QWidget* owner, const QString& text, const QString& caption,
                                                 unsigned int type) {
            m_calls.push_back({owner, text, caption, type, owner && owner->isHidden()});
            return IDOK;
        });
    }
    ~MessageBoxRecorder() { SetMessageBoxHandler(m_previous); }
    const QList<Call>& Calls() const { return m_calls; }

private:
    MessageBoxHandler m_previous;
    QList<Call> m_calls;
};

}  // namespace qtestsupport
