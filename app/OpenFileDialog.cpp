#include "OpenFileDialog.h"

#include "doc/FileName.h"
#include "view/MessageBox.h"

#include <QFileInfo>

COpenFileDialog::COpenFileDialog(QWidget* parent) : QFileDialog(parent, tr("Open"))
{
    setObjectName(QStringLiteral("FileOpenDialog"));
    setOption(QFileDialog::DontUseNativeDialog);
    setOption(QFileDialog::ReadOnly);
    setAcceptMode(QFileDialog::AcceptOpen);
    setFileMode(QFileDialog::AnyFile);
    setFilter(filter() & ~QDir::CaseSensitive);
    setNameFilters({QStringLiteral("Inform Files (*.inf *.h)"), QStringLiteral("All Files (*)")});
    setDefaultSuffix(QStringLiteral("inf"));
}

void COpenFileDialog::accept()
{
    const QStringList files = selectedFiles();
    if (!files.isEmpty() && !files.first().isEmpty()) {
        const QFileInfo chosen(files.first());
        if (!chosen.isDir() && !chosen.absoluteDir().exists()) {
            GlosselMessageBox(this,
                              tr("%1\nThe folder does not exist.\nCheck the path and try again.")
                                  .arg(DisplayFileName(chosen.absoluteFilePath())),
                              windowTitle(), MB_OK | MB_ICONEXCLAMATION);
            return;
        }
    }
    QFileDialog::accept();
}
