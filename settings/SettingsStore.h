#pragma once
// The profile store of the viewer and of glossel-render: named 32-bit values and
// strings in sections, kept in a QSettings INI file.
//
// The user's store is QSettings' native user file for organisation "Orvanel's
// Applications" and application "Glossel": on Linux
// $XDG_CONFIG_HOME/Orvanel's Applications/Glossel.conf (~/.config/... when the
// variable is unset). Only that file is read; Qt's fallbacks (the organisation-wide
// file, /etc/xdg) are off, so what the viewer shows is what it wrote.
//
// Reading. A value is read only when asked for; the rest of the file (other
// sections, entries the program does not know, their order and spelling) is carried
// through every write untouched. Keys are case-sensitive. GetProfileInt accepts a
// decimal number with optional surrounding white space:
//   0 .. 4294967295                 the value itself;
//   -2147483648 .. -1               the same 32 bits (a REG_DWORD read through a
//                                   signed interface, or "-1" for "all bits set");
//   anything else                   (missing, empty, not a number, a list, a number
//                                   out of those ranges) the default, for that entry alone.
// Values are written as unsigned decimal numbers.
//
// Writing. Writes are held in memory and reach the file only at Sync (or at
// destruction), as one replacement of the whole file:
//   - Sync holds a lock beside the file for its whole run, re-reads the file, applies
//     the held writes and section removals in order, and writes the result through a
//     temporary file renamed over the old one. Two processes syncing at once are
//     serialised: the one that syncs last wins for every value it writes, and a
//     section it removed and rewrote holds exactly what it wrote.
//   - The file is never left half-written. Qt 6.4's QSaveFile renames its temporary
//     file over the target even when the final flush failed (disk full, quota, file
//     size limit), so Sync keeps the old file reachable under a second name until it
//     has checked the new one, and puts it back when the new one is incomplete.
//   - A failed Sync reports false, keeps the file as it was and keeps the held writes
//     (a later Sync tries again). Nothing throws.
// Something at the file's place that is not a regular file (a folder, a FIFO, a link to
// a device) is never opened: reads give the defaults and Sync fails, keeping the writes.
// Section and entry names must be non-empty and hold neither '/' nor '\' (QSettings
// would take those for groups): such names read as missing and cannot be written.

#include "syntax/ProfileStore.h"

#include <QString>
#include <QVariant>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class QSettings;

inline constexpr const char* SETTINGS_ORGANISATION = "Orvanel's Applications";
inline constexpr const char* SETTINGS_APPLICATION = "Glossel";
inline constexpr const char* RECENT_FILE_SECTION = "Recent File List";

class CSettingsStore : public CProfileStore {
public:
    // The user's store.
    CSettingsStore();
    // The INI file at iniPath (glossel-render --settings, tests).
    explicit CSettingsStore(const QString& iniPath);
    // Syncs held writes (a failure is silent here; call Sync to learn of it).
    ~CSettingsStore() override;
    CSettingsStore(const CSettingsStore&) = delete;
    CSettingsStore& operator=(const CSettingsStore&) = delete;

    std::uint32_t GetProfileInt(const std::string& section, const std::string& entry,
                                std::uint32_t nDefault) override;
    // True when the value was taken; whether it reached the file is Sync's answer.
    bool WriteProfileInt(const std::string& section, const std::string& entry,
                         std::uint32_t nValue) override;

    // The stored text, or nDefault when the entry is missing or not a single string.
    QString GetProfileString(const QString& section, const QString& entry,
                             const QString& nDefault = {});
    bool WriteProfileString(const QString& section, const QString& entry, const QString& value);
    // Bytes that are not text, stored as such (QSettings' "@ByteArray(...)" form, with
    // \xHH escapes): a null array when the entry is missing or is not stored that way.
    QByteArray GetProfileBytes(const QString& section, const QString& entry);
    bool WriteProfileBytes(const QString& section, const QString& entry, const QByteArray& value);
    // Removes every entry of the section, including entries written before it.
    bool RemoveSection(const QString& section);

    // Writes the held changes; false when the file could not be written, which leaves
    // it as it was. With nothing held, re-reads the file and returns true.
    bool Sync();

    // Deletes the settings file (all sections) and, for the user's store, then the
    // organisation's folder if that is left empty. Held writes are dropped, and from
    // then on this object reads nothing and writes nothing (reads give the defaults,
    // writes return false, Sync returns true). False when the file is still there.
    bool RemoveAll();

    // The file's absolute path.
    QString FileName() const { return m_fileName; }

private:
    struct PendingChange {
        QString key;       // "section/entry", or "section" for a removal
        QVariant value;    // invalid for a removal
        bool removesSection = false;
    };

    // The QSettings over the file, made when first needed; null while something other
    // than a regular file stands at the file's place, and after RemoveAll.
    QSettings* Settings() const;
    // The value the store would hold for key after the held changes; invalid when missing.
    QVariant Value(const QString& section, const QString& entry) const;
    bool Hold(const QString& section, const QString& entry, QVariant value);
    bool WriteHeldChanges();

    mutable std::unique_ptr<QSettings> m_settings;  // the file as last read; receives changes only in Sync
    std::vector<PendingChange> m_pending;
    QString m_fileName;
    bool m_isUserStore = false;
    bool m_removed = false;
};
