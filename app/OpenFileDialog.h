#pragma once
// COpenFileDialog: the dialog of File > Open.
//
// Qt's own dialog, so that it behaves the same on every desktop, set up for opening:
// the filters "Inform Files (*.inf *.h)" (chosen at first) and "All Files (*)", which
// ignore letter case; default suffix .inf; it renames and deletes nothing. A typed name
// of a file that does not exist is accepted (its open then fails quietly), but a path
// whose folder does not exist is refused: a message box says so and the dialog stays
// open. What Qt's dialog stores of its own (QtProject.conf: history, last folder) is
// kept out of the user's configuration for the dialog's whole life.

#include "settings/QtSettingsAside.h"

#include <QFileDialog>

// CQtSettingsAside comes first: it is in place before the dialog is made and still in
// place while the dialog is destroyed, which is when Qt's dialog writes its settings.
class COpenFileDialog : private CQtSettingsAside, public QFileDialog {
public:
    explicit COpenFileDialog(QWidget* parent);

    void accept() override;
};
