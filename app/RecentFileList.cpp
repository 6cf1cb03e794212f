#include "RecentFileList.h"

#include "doc/FileName.h"
#include "settings/SettingsStore.h"

#include <algorithm>

namespace {

const QString kSection = QString::fromLatin1(RECENT_FILE_SECTION);
const QString kEllipsis = QStringLiteral("...");

QString EntryName(int index)
{
    return QStringLiteral("File%1").arg(index + 1);
}

// Keeps the first head and the last tail characters of text, "..." between them,
// without splitting a surrogate pair.
QString ElideMiddle(const QString& text, int maxLength)
{
    if (text.size() <= maxLength) return text;
    if (maxLength <= kEllipsis.size()) return text.left(maxLength);
    qsizetype tail = (maxLength - kEllipsis.size()) / 2 + (maxLength - kEllipsis.size()) % 2;
    qsizetype head = maxLength - kEllipsis.size() - tail;
    if (head > 0 && text.at(head - 1).isHighSurrogate()) --head;
    if (tail > 0 && text.at(text.size() - tail).isLowSurrogate()) --tail;
    return text.left(head) + kEllipsis + text.right(tail);
}

}  // namespace

CRecentFileList::CRecentFileList(int size, int maxDisplayLength)
    : m_size(size), m_maxDisplayLength(maxDisplayLength)
{
}

void CRecentFileList::Add(const QString& path)
{
    m_names.removeAll(path);
    m_names.prepend(path);
    while (m_names.size() > m_size) m_names.removeLast();
}

void CRecentFileList::Remove(int index)
{
    if (index >= 0 && index < m_names.size()) m_names.removeAt(index);
}

void CRecentFileList::ReadList(CSettingsStore& store)
{
    m_names.clear();
    for (int i = 0; i < m_size; ++i) {
        const QString entry = EntryName(i);
        const QByteArray bytes = store.GetProfileBytes(kSection, entry);
        // Text, or the bytes of a name that is not UTF-8. Text that is not valid Unicode
        // (a lone surrogate written as an escape by hand) names no file and could not be
        // written back unchanged.
        const QString name = bytes.isNull() ? store.GetProfileString(kSection, entry) : DecodeFileName(bytes);
        if (!name.isEmpty() && (!bytes.isNull() || name.isValidUtf16()) && !m_names.contains(name))
            m_names.append(name);
    }
}

void CRecentFileList::WriteList(CSettingsStore& store) const
{
    store.RemoveSection(kSection);
    int written = 0;
    for (const QString& name : m_names) {
        // As text when the name is UTF-8 on disk (what other programs can read); else
        // as its bytes, which text would change, so that it still opens next time.
        if (HasEscapedBytes(name))
            store.WriteProfileBytes(kSection, EntryName(written++), EncodeFileName(name));
        else if (name.isValidUtf16())
            store.WriteProfileString(kSection, EntryName(written++), name);
    }
}

QString CRecentFileList::GetMenuLabel(int index) const
{
    const int number = (index + 1) % 10;
    QString shown = AbbreviatePath(DisplayFileName(m_names[index]), m_maxDisplayLength);
    shown.replace(u'&', QStringLiteral("&&"));
    return QStringLiteral("&") + QString::number(number) + u' ' + shown;
}

QString CRecentFileList::AbbreviatePath(const QString& path, int maxLength)
{
    if (path.size() <= maxLength) return path;

    const qsizetype lastSlash = path.lastIndexOf(u'/');
    const QString fileName = path.mid(lastSlash + 1);
    if (lastSlash < 0 || fileName.size() + 1 + kEllipsis.size() + 1 > maxLength) {
        // Not even "/.../name" fits: the name alone, itself shortened in the middle.
        return ElideMiddle(fileName, maxLength);
    }

    // The root ("/"), "...", then as many trailing folders as fit before the name. The
    // walk towards the start stops at the first folder that does not fit; that is at the
    // latest the first one, since the whole path is too long (and a path without another
    // '/' before cut gives previous = -1, "longer" than the whole path).
    const QString root = path.startsWith(u'/') ? QStringLiteral("/") : QString();
    qsizetype cut = lastSlash;  // the kept tail is path.mid(cut)
    for (;;) {
        const qsizetype previous = path.lastIndexOf(u'/', cut - 1);
        if (root.size() + kEllipsis.size() + (path.size() - previous) > maxLength) break;
        cut = previous;
    }
    return root + kEllipsis + path.mid(cut);
}
