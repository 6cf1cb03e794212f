// Fuzz bodies for the viewer's inputs other than files to show: its command line,
// and the settings file that start-up reads and exit writes.

#include "FuzzTargets.h"

#include "app/CommandLineInfo.h"
#include "app/RecentFileList.h"
#include "doc/FileName.h"
#include "settings/SettingsStore.h"
#include "syntax/ProfileStore.h"
#include "syntax/SyntaxStyleMap.h"

#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

bool IsArgument(const std::vector<std::string>& args, const QString& name)
{
    const std::string bytes = EncodeFileName(name).toStdString();
    return std::find(args.begin(), args.end(), bytes) != args.end();
}

struct StoredStyle {
    std::uint32_t colour, bold, italic;
    bool operator==(const StoredStyle&) const = default;
};

// The styles as start-up builds them from store, by code.
std::map<int, StoredStyle> LoadStyles(CSettingsStore& store)
{
    SetStyleProfile(&store);
    CSyntaxStyleMap styles;
    styles.BuildDefaults();
    SetStyleProfile(nullptr);
    std::map<int, StoredStyle> loaded;
    styles.ForEach([&](std::uint16_t code, const CSyntaxStyle& s) {
        loaded[code] = {s.m_colour, s.m_bold, s.m_italic};
    });
    return loaded;
}

// Equal values; two values that do not compare equal (a NaN) are the same when they
// serialise to the same bytes.
bool SameValue(const QVariant& a, const QVariant& b)
{
    if (a == b) return true;
    // A list may come back as a list of variants rather than of strings.
    const auto isList = [](const QVariant& v) {
        return v.typeId() == QMetaType::QStringList || v.typeId() == QMetaType::QVariantList;
    };
    if (isList(a) && isList(b)) {
        const QVariantList x = a.toList();
        const QVariantList y = b.toList();
        if (x.size() != y.size()) return false;
        for (qsizetype i = 0; i < x.size(); ++i)
            if (!SameValue(x[i], y[i])) return false;
        return true;
    }
    QByteArray x, y;
    QDataStream sx(&x, QIODevice::WriteOnly);
    QDataStream sy(&y, QIODevice::WriteOnly);
    sx << a;
    sy << b;
    return x == y;
}

// Every key of the file other than the two sections the program owns, with its value.
std::map<QString, QVariant> ForeignValues(const QString& path)
{
    QSettings file(path, QSettings::IniFormat);
    std::map<QString, QVariant> values;
    for (const QString& key : file.allKeys()) {
        if (key.startsWith(QStringLiteral("Recent File List/"))) continue;
        values[key] = file.value(key);
    }
    return values;
}

// A key as QSettings writes it: a key read with empty parts (from a section line "[" or
// "[a/]", or a key "/b") loses them, so two keys read apart may be written as one.
QString WrittenKey(const QString& key)
{
    return key.split(u'/', Qt::SkipEmptyParts).join(u'/');
}

}  // namespace

int FuzzViewerArguments(const std::uint8_t* data, std::size_t size)
{
    const std::vector<std::string> args = SplitFuzzArguments(data, size);
    for (const std::string& arg : args) {
        const QByteArray bytes = QByteArray::fromStdString(arg);
        Require(EncodeFileName(DecodeFileName(bytes)) == bytes, "every argument converts back to its bytes");
    }

    const ParsedCommandLine parsed = ParseGlosselCommandLine(args);
    const CCommandLineInfo& info = parsed.info;
    const ParsedCommandLine again = ParseGlosselCommandLine(args);
    Require(parsed.action == again.action && info.m_nShellCommand == again.info.m_nShellCommand &&
                info.m_strFileName == again.info.m_strFileName,
            "parsing is repeatable");
    if (parsed.action != ParsedCommandLine::Run) return 0;

    if (!info.m_strFileName.isEmpty())
        Require(IsArgument(args, info.m_strFileName), "the file is an argument, byte for byte");
    if (info.m_nShellCommand == CCommandLineInfo::FileOpen)
        Require(!info.m_strFileName.isEmpty(), "an open has a file");
    if (info.m_nShellCommand == CCommandLineInfo::FileNew)
        Require(info.m_strFileName.isEmpty(), "a file is opened, never dropped");
    if (!args.empty())
        Require(info.m_bShowSplash == (!info.m_bRunEmbedded && !info.m_bRunAutomated), "the last step ran");
    return 0;
}

int FuzzSettingsFile(const std::uint8_t* data, std::size_t size)
{
    // In memory where possible: every write of the store ends with an fsync.
    static QTemporaryDir folder(QDir(QStringLiteral("/dev/shm")).exists()
                                    ? QStringLiteral("/dev/shm/glossel-fuzz-XXXXXX")
                                    : QDir::tempPath() + QStringLiteral("/glossel-fuzz-XXXXXX"));
    static unsigned serial = 0;
    Require(folder.isValid(), "a temporary folder");
    // A fresh name each time: QSettings caches files by name within a process.
    const QString path = folder.filePath(QStringLiteral("Glossel-%1.conf").arg(++serial));
    const QString copy = path + QStringLiteral(".written");
    {
        QFile file(path);
        Require(file.open(QIODevice::WriteOnly), "the settings file can be made");
        Require(file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size)) ==
                    static_cast<qint64>(size), "the settings file is written");
    }
    const std::map<QString, QVariant> foreign = ForeignValues(path);

    // Start-up: the styles and the recent files. Exit: both written back.
    std::map<int, StoredStyle> styles;
    CRecentFileList recent;
    QStringList owned;  // the 36 keys of the styles
    {
        CSettingsStore store(path);
        styles = LoadStyles(store);
        recent.ReadList(store);
        Require(styles.size() == STYLE_COUNT, "twelve styles");
        for (const auto& [code, style] : styles)
            Require(style.bold <= 1 && style.italic <= 1, "bold and italic are 0 or 1");
        Require(recent.GetCount() <= recent.GetSize(), "at most ten recent files");
        for (int i = 0; i < recent.GetCount(); ++i) {
            Require(!recent[i].isEmpty(), "no empty recent file");
            Require(recent.Names().count(recent[i]) == 1, "no repeated recent file");
            (void)recent.GetMenuLabel(i);
        }
        SetStyleProfile(&store);
        CSyntaxStyleMap map;
        map.BuildDefaults();
        map.SaveAll();
        SetStyleProfile(nullptr);
        map.ForEach([&](std::uint16_t, const CSyntaxStyle& style) {
            for (const char* attribute : {" Colour", " Bold", " Italic"})
                owned.push_back(QStringLiteral("Inform Syntax Colours/") + QString::fromStdString(style.m_name) +
                                QLatin1String(attribute));
        });
        recent.WriteList(store);
        Require(store.Sync(), "the settings are written");
    }

    // The file on disk (read under another name, past QSettings' cache) gives back what
    // was written, and keeps every value the program does not own.
    Require(QFile::copy(path, copy), "the written file can be read");
    {
        CSettingsStore reread(copy);
        Require(LoadStyles(reread) == styles, "the styles read back as written");
        CRecentFileList back;
        back.ReadList(reread);
        Require(back.Names() == recent.Names(), "the recent files read back as written");
    }
    const std::map<QString, QVariant> kept = ForeignValues(copy);
    std::map<QString, int> spellings;  // keys read apart that are written as one
    for (const auto& entry : foreign) ++spellings[WrittenKey(entry.first)];
    for (const auto& [key, value] : foreign) {
        if (owned.contains(key)) continue;
        // Text that is not valid Unicode (a lone surrogate from a "\\xd800" escape)
        // cannot be written as UTF-8; QSettings writes U+FFFD in its place.
        if (!key.isValidUtf16() || !value.toString().isValidUtf16() ||
            !value.toStringList().join(QString()).isValidUtf16())
            continue;
        // A key with an empty name (from a broken section line such as "[a=b") cannot be
        // written by QSettings: it is garbage, not an entry.
        if (key.endsWith(u'/') || key.contains(QStringLiteral("//")) || key.startsWith(u'/')) continue;
        // A key beside a twin that differs from it only in empty parts (a damaged file
        // holding it twice): QSettings writes one of the two values under one key.
        if (spellings[WrittenKey(key)] > 1) continue;
        const auto it = kept.find(key);
        if (it == kept.end() || !SameValue(it->second, value))
            std::fprintf(stderr, "entry %s: %s, then %s\n", key.toUtf8().toHex(' ').constData(),
                         value.toString().toUtf8().toHex(' ').constData(),
                         it == kept.end() ? "gone" : it->second.toString().toUtf8().toHex(' ').constData());
        Require(it != kept.end() && SameValue(it->second, value), "other entries are kept");
    }
    QFile::remove(path);
    QFile::remove(copy);
    return 0;
}
