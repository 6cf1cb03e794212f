#include "SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSaveFile>
#include <QSet>
#include <QSettings>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// How long Sync and RemoveAll wait for another process's Sync to finish. A Sync holds
// the lock for milliseconds; a lock left by a process that died is taken over at once.
constexpr int kLockWaitMs = 10000;

bool IsValidName(const QString& name)
{
    return !name.isEmpty() && !name.contains(u'/') && !name.contains(u'\\');
}

// See the header for what is accepted.
bool ParseProfileInt(const QVariant& stored, std::uint32_t& value)
{
    switch (stored.typeId()) {
    case QMetaType::QString:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        break;
    default:  // missing, a list, a byte array, a boolean, ...
        return false;
    }
    const QString text = stored.toString().trimmed();
    qsizetype i = 0;
    const bool negative = text.startsWith(u'-');
    if (negative) ++i;
    if (i == text.size()) return false;
    std::uint64_t magnitude = 0;
    for (; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (c < u'0' || c > u'9') return false;
        magnitude = magnitude * 10 + (c - u'0');
        if (magnitude > 0xFFFFFFFFull) return false;
    }
    if (negative) {
        if (magnitude > 0x80000000ull) return false;
        value = static_cast<std::uint32_t>(0x100000000ull - magnitude);  // 0 for "-0"
    } else {
        value = static_cast<std::uint32_t>(magnitude);
    }
    return true;
}

// True when path names something that exists but is not a regular file (after
// following links). QSettings would wait for ever to read a FIFO, and read a device
// such as /dev/zero without end.
bool IsNotAFile(const QString& path)
{
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 && !S_ISREG(st.st_mode);
}

struct FileId {
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    bool operator==(const FileId&) const = default;
};

FileId IdentifyFile(const QString& path)
{
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0) return {};
    return {true, st.st_dev, st.st_ino};
}

// The number of key lines QSettings writes for keys. A key is written in the section
// named by its part before the first '/', or in [General] when it has none. A key read
// from a damaged file may begin with '/' ("\\File1" in [General] reads as "/File1"): its
// section is empty, so it is written in [General] too, on the same line as "File1"
// (and "/a/b" as "a\\b" there, apart from the "b" of [a]).
qsizetype WrittenKeyCount(const QStringList& keys)
{
    QSet<std::pair<QString, QString>> lines;  // (section, key within it)
    for (const QString& key : keys) {
        const qsizetype slash = key.indexOf(u'/');
        if (slash < 0)
            lines.insert({QString(), key});
        else
            lines.insert({key.left(slash), key.mid(slash + 1)});
    }
    return lines.size();
}

// True when the bytes at path are a whole INI file as QSettings writes it with
// keyCount keys: one line per key, every line ended. A write cut short leaves a
// prefix of that, which either ends inside a line or lacks at least one key line.
bool HoldsWholeFile(const QString& path, qsizetype keyCount)
{
    QFile file(path);
    if (!file.exists()) return keyCount == 0;
    if (!file.open(QIODevice::ReadOnly)) return false;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) return false;
    if (bytes.isEmpty()) return keyCount == 0;
    if (!bytes.endsWith('\n')) return false;
    qsizetype keys = 0;
    for (const QByteArray& line : bytes.split('\n')) {
        const QByteArray trimmed = line.trimmed();
        if (!trimmed.isEmpty() && !trimmed.startsWith('[')) ++keys;
    }
    return keys == keyCount;
}

}  // namespace

CSettingsStore::CSettingsStore() : m_isUserStore(true)
{
    // QSettings reads its file as it is made. Made for an organisation that has no file,
    // it reads nothing and tells where the user's files are.
    const QSettings probe(QSettings::NativeFormat, QSettings::UserScope,
                          QStringLiteral("glossel-probe-of-the-settings-folder"));
    m_fileName = QFileInfo(probe.fileName()).absolutePath() + u'/' + QString::fromUtf8(SETTINGS_ORGANISATION) +
                 u'/' + QString::fromUtf8(SETTINGS_APPLICATION) + QStringLiteral(".conf");
    Settings();
}

CSettingsStore::CSettingsStore(const QString& iniPath) : m_fileName(QFileInfo(iniPath).absoluteFilePath())
{
    Settings();
}

CSettingsStore::~CSettingsStore()
{
    if (!m_removed && !m_pending.empty()) Sync();
}

QSettings* CSettingsStore::Settings() const
{
    if (!m_settings && !m_removed && !IsNotAFile(m_fileName)) {
        if (m_isUserStore) {
            m_settings = std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                                     QString::fromUtf8(SETTINGS_ORGANISATION),
                                                     QString::fromUtf8(SETTINGS_APPLICATION));
        } else {
            m_settings = std::make_unique<QSettings>(m_fileName, QSettings::IniFormat);
        }
        m_settings->setFallbacksEnabled(false);
        m_settings->setAtomicSyncRequired(true);
    }
    return m_settings.get();
}

QVariant CSettingsStore::Value(const QString& section, const QString& entry) const
{
    if (m_removed || !IsValidName(section) || !IsValidName(entry)) return {};
    const QString key = section + u'/' + entry;
    for (auto it = m_pending.rbegin(); it != m_pending.rend(); ++it) {
        if (it->removesSection) {
            if (it->key == section) return {};
        } else if (it->key == key) {
            return it->value;
        }
    }
    QSettings* settings = Settings();
    return settings ? settings->value(key) : QVariant();
}

std::uint32_t CSettingsStore::GetProfileInt(const std::string& section, const std::string& entry,
                                            std::uint32_t nDefault)
{
    std::uint32_t value = 0;
    const QVariant stored = Value(QString::fromStdString(section), QString::fromStdString(entry));
    return ParseProfileInt(stored, value) ? value : nDefault;
}

bool CSettingsStore::WriteProfileInt(const std::string& section, const std::string& entry,
                                     std::uint32_t nValue)
{
    return Hold(QString::fromStdString(section), QString::fromStdString(entry),
                QString::number(nValue));
}

QString CSettingsStore::GetProfileString(const QString& section, const QString& entry,
                                         const QString& nDefault)
{
    const QVariant stored = Value(section, entry);
    return stored.typeId() == QMetaType::QString ? stored.toString() : nDefault;
}

bool CSettingsStore::WriteProfileString(const QString& section, const QString& entry,
                                        const QString& value)
{
    return Hold(section, entry, value);
}

QByteArray CSettingsStore::GetProfileBytes(const QString& section, const QString& entry)
{
    const QVariant stored = Value(section, entry);
    return stored.typeId() == QMetaType::QByteArray ? stored.toByteArray() : QByteArray();
}

bool CSettingsStore::WriteProfileBytes(const QString& section, const QString& entry, const QByteArray& value)
{
    return Hold(section, entry, value);
}

bool CSettingsStore::Hold(const QString& section, const QString& entry, QVariant value)
{
    if (m_removed || !IsValidName(section) || !IsValidName(entry)) return false;
    const QString key = section + u'/' + entry;
    // A second write of a key since its section was last removed replaces the first.
    for (auto it = m_pending.rbegin(); it != m_pending.rend(); ++it) {
        if (it->removesSection && it->key == section) break;
        if (!it->removesSection && it->key == key) {
            it->value = std::move(value);
            return true;
        }
    }
    m_pending.push_back({key, std::move(value), false});
    return true;
}

bool CSettingsStore::RemoveSection(const QString& section)
{
    if (m_removed || !IsValidName(section)) return false;
    const QString prefix = section + u'/';
    std::erase_if(m_pending, [&](const PendingChange& change) {
        return change.removesSection ? change.key == section : change.key.startsWith(prefix);
    });
    m_pending.push_back({section, {}, true});
    return true;
}

bool CSettingsStore::Sync()
{
    if (m_removed) return true;
    if (m_pending.empty()) {
        // Nothing to write: take in what other processes wrote.
        if (QSettings* settings = Settings(); settings && !IsNotAFile(m_fileName)) settings->sync();
        return true;
    }
    if (!WriteHeldChanges()) return false;
    m_pending.clear();
    return true;
}

bool CSettingsStore::WriteHeldChanges()
{
    const QString folder = QFileInfo(m_fileName).absolutePath();
    if (!QDir().mkpath(folder)) return false;

    // One Sync at a time across processes, from the re-read to the check below, so
    // that the last one wins whole and a restore never undoes another's write.
    QLockFile lock(m_fileName + QStringLiteral(".sync-lock"));
    if (!lock.tryLock(kLockWaitMs)) return false;
    // Something other than a file in its place cannot be read or replaced.
    if (IsNotAFile(m_fileName) || !Settings()) return false;

    // QSaveFile writes a symbolic link's target; check and restore that file.
    const QString canonical = QFileInfo(m_fileName).canonicalFilePath();
    const QString target = canonical.isEmpty() ? m_fileName : canonical;
    const QString backup = target + QStringLiteral(".previous");
    const QByteArray targetName = QFile::encodeName(target);
    const QByteArray backupName = QFile::encodeName(backup);

    // Keep the present file reachable until the new one has been checked. A hard link
    // needs no room on the disk; where links are not possible, keep its bytes instead.
    ::unlink(backupName.constData());  // left by a Sync that died halfway; we hold the lock
    const FileId original = IdentifyFile(target);
    bool linked = false;
    QByteArray originalBytes;
    if (original.exists) {
        linked = ::link(targetName.constData(), backupName.constData()) == 0;
        if (!linked) {
            QFile file(target);
            if (file.open(QIODevice::ReadOnly)) originalBytes = file.readAll();
        }
    }

    // Take in the file as it is now, then apply the held changes over it in order.
    m_settings->sync();
    const FileId reread = IdentifyFile(target);
    // Keep that file's inode in use, so that the file written next cannot get its
    // number and pass for the same file.
    QFile rereadFile(target);
    if (reread.exists) rereadFile.open(QIODevice::ReadOnly);
    bool changes = false;
    for (const PendingChange& change : m_pending) {
        if (change.removesSection) {
            m_settings->beginGroup(change.key);
            changes = changes || !m_settings->allKeys().isEmpty();
            m_settings->endGroup();
            m_settings->remove(change.key);
        } else {
            m_settings->setValue(change.key, change.value);
            changes = true;
        }
    }
    m_settings->sync();

    const FileId written = IdentifyFile(target);
    const bool replaced = !(written == reread);
    const bool whole = HoldsWholeFile(target, WrittenKeyCount(m_settings->allKeys()));
    const bool ok = whole && (replaced || !changes);
    if (ok || written == original) {
        if (linked) ::unlink(backupName.constData());
        return ok;
    }

    // The file was replaced by a damaged one (or vanished): put the old one back.
    if (linked) {
        ::rename(backupName.constData(), targetName.constData());
    } else if (!original.exists) {
        ::unlink(targetName.constData());
    } else {
        QSaveFile restore(target);
        if (restore.open(QIODevice::WriteOnly)) {
            restore.write(originalBytes);
            if (!restore.flush()) restore.cancelWriting();
            restore.commit();
        }
    }
    return false;
}

bool CSettingsStore::RemoveAll()
{
    m_pending.clear();
    m_removed = true;
    m_settings.reset();

    const QString folder = QFileInfo(m_fileName).absolutePath();
    const bool folderExists = QFileInfo(folder).isDir();
    QLockFile lock(m_fileName + QStringLiteral(".sync-lock"));
    if (folderExists) lock.tryLock(kLockWaitMs);  // remove even when another holds it

    const QByteArray name = QFile::encodeName(m_fileName);
    const bool removed = ::unlink(name.constData()) == 0 || errno == ENOENT;
    ::unlink((name + ".previous").constData());
    if (lock.isLocked()) lock.unlock();

    if (m_isUserStore && folderExists) QDir().rmdir(folder);  // only when empty
    return removed;
}
