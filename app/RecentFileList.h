#pragma once
// CRecentFileList: the most recently opened files, most recent first.
//
// Stored in the settings section "Recent File List" as File1..File10. The menu shows
// each entry as "&1 " .. "&9 ", "&0 " (the tenth) and the path shortened to at most 30
// characters: the start of the path and the file's name stay, the folders between them
// become "...". An '&' in a path is doubled so that it shows as itself. A path that is
// valid UTF-8 is stored as text; one that is not (see doc/FileName.h) is stored as its
// bytes ("@ByteArray(/home/ann/caf\xe9.inf)"), which text could not give back unchanged.

#include <QString>
#include <QStringList>

class CSettingsStore;

inline constexpr int RECENT_FILE_DISPLAY_LENGTH = 30;

class CRecentFileList {
public:
    explicit CRecentFileList(int size = 10, int maxDisplayLength = RECENT_FILE_DISPLAY_LENGTH);

    int GetSize() const { return m_size; }
    int GetCount() const { return static_cast<int>(m_names.size()); }
    const QString& operator[](int index) const { return m_names[index]; }
    const QStringList& Names() const { return m_names; }

    // Puts path at the top; an entry equal to it moves there, the last one drops out.
    void Add(const QString& path);
    void Remove(int index);

    // Reads File1..FileN, skipping empty and repeated entries.
    void ReadList(CSettingsStore& store);
    // Replaces the whole section with the current entries.
    void WriteList(CSettingsStore& store) const;

    // "&1 /home/.../games/zork.inf" for index 0.
    QString GetMenuLabel(int index) const;
    // path shortened to at most maxLength characters, keeping its start and the file's name.
    static QString AbbreviatePath(const QString& path, int maxLength);

private:
    int m_size;
    int m_maxDisplayLength;
    QStringList m_names;
};
