#include "QtSettingsAside.h"

#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>

namespace {

// The folder of QSettings' per-user native files, as a QSettings made now would use it.
QString UserSettingsFolder()
{
    const QSettings probe(QSettings::NativeFormat, QSettings::UserScope,
                          QStringLiteral("glossel-probe-of-the-settings-folder"));
    return QFileInfo(probe.fileName()).absolutePath();
}

}  // namespace

CQtSettingsAside::CQtSettingsAside() : m_folder(std::make_unique<QTemporaryDir>())
{
    if (!m_folder->isValid()) return;
    m_previous = UserSettingsFolder();
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_folder->path());
}

CQtSettingsAside::~CQtSettingsAside()
{
    if (!m_previous.isEmpty()) QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_previous);
}
