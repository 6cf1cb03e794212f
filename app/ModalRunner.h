#pragma once
// Runs a modal dialog and returns its result (QDialog::exec by default). The viewer's
// commands run their dialogs through one, so that tests can answer them instead of a
// person.

#include <QDialog>

#include <functional>

using ModalRunner = std::function<int(QDialog& dialog)>;

inline int RunModal(const ModalRunner& runner, QDialog& dialog)
{
    return runner ? runner(dialog) : dialog.exec();
}
