#pragma once
// CQtSettingsAside: keeps what Qt's own dialogs store for themselves out of the user's
// configuration.
//
// Qt's file dialog writes its history, last folder and view to QSettings' per-user file
// "QtProject.conf" (shared by every Qt program) when it is destroyed, and its colour
// chooser writes the custom colours there; it reads them back when it is made. The
// program's stored state is its one settings file (SettingsStore.h). While an object
// lives, QSettings' per-user native files are looked for in a private temporary folder,
// removed with the object: make and destroy such a dialog within its life. The
// program's own store must not be made meanwhile (it would look there too); a store
// made before keeps its file. Objects may nest.

#include <QString>

#include <memory>

class QTemporaryDir;

class CQtSettingsAside {
public:
    CQtSettingsAside();
    ~CQtSettingsAside();
    CQtSettingsAside(const CQtSettingsAside&) = delete;
    CQtSettingsAside& operator=(const CQtSettingsAside&) = delete;

private:
    std::unique_ptr<QTemporaryDir> m_folder;
    QString m_previous;  // where the per-user native files were looked for before
};
