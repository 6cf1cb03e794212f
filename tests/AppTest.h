#pragma once
// What the tests of the running viewer share: an application object whose dialogs and
// output streams a test holds, settings and files in temporary folders, and a check
// after every test that no window outlived it. Each test class derives from CAppTest;
// QtTest runs its init and cleanup around every test function.

#include "QtTestSupport.h"

#include "app/AboutDlg.h"
#include "app/FindBar.h"
#include "app/GameNavigator.h"
#include "app/GameSession.h"
#include "app/GameOutlineTree.h"
#include "app/GlosselApp.h"
#include "app/MainFrame.h"
#include "app/OutlineDock.h"
#include "app/OutlineList.h"
#include "app/ReadingTools.h"
#include "app/Resource.h"
#include "app/TerminationSignals.h"
#include "dialogs/GoToLineDlg.h"
#include "doc/FileName.h"
#include "doc/GlosselDoc.h"
#include "syntax/SyntaxStyleMap.h"
#include "view/GameOutlineModel.h"
#include "view/GlosselView.h"
#include "view/OutlineModel.h"

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPrinter>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <QWindow>
#include <QtTest>

#include <csignal>
#include <memory>

using qtestsupport::CapturedStream;
using qtestsupport::MessageBoxRecorder;
using qtestsupport::TempSettings;
using qtestsupport::WriteBytes;

inline const QString kStyles = QStringLiteral("Inform Syntax Colours");
inline const QString kRecent = QStringLiteral("Recent File List");

// The application with the Syntax Styles dialog replaced by a counter.
class TestApp : public CGlosselApp {
public:
    using CGlosselApp::CGlosselApp;
    int stylesRuns = 0;
    int stylesResult = IDCANCEL;
    bool canShowWindows = false;  // as the offscreen platform says

protected:
    int RunSyntaxStylesDialog() override
    {
        ++stylesRuns;
        return stylesResult;
    }
    bool CanShowWindows() const override { return canShowWindows; }
};

inline QList<QWidget*> VisibleTopLevels()
{
    QList<QWidget*> shown;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->isVisible()) shown.append(widget);
    return shown;
}

inline CSyntaxRichEditCtrl& Control(TestApp& app) { return app.GetView()->GetRichEditCtrl(); }

// The text's selection as "from-to".
inline QString Selected(TestApp& app)
{
    long long from, to;
    Control(app).GetSel(from, to);
    return QStringLiteral("%1-%2").arg(from).arg(to);
}

class CAppTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        m_settings.Clear();
        m_files = std::make_unique<QTemporaryDir>();
        m_dialogs.clear();
    }
    void cleanup()
    {
        Stop();
        QVERIFY2(VisibleTopLevels().isEmpty(), "a window outlived its test");
    }

protected:
    // A new application object on args; every dialog it runs is recorded and cancelled.
    TestApp& Start(const QStringList& args = {})
    {
        Stop();
        m_out = std::make_unique<CapturedStream>();
        m_err = std::make_unique<CapturedStream>();
        m_app = std::make_unique<TestApp>(ParseGlosselCommandLine(qtestsupport::ArgsOf(args)).info);
        m_app->SetOutputStreams(m_out->Get(), m_err->Get());
        m_app->SetModalRunner([this](QDialog& dialog) {
            m_dialogs.append(QString::fromLatin1(dialog.metaObject()->className()));
            return int(QDialog::Rejected);
        });
        return *m_app;
    }
    void Stop() { m_app.reset(); }
    CMainFrame* Frame() const { return m_app ? m_app->GetMainWnd() : nullptr; }
    QString MakeFile(const QString& name, const QByteArray& bytes = "Object lamp;\n") const
    {
        const QString path = m_files->filePath(name);
        QDir().mkpath(QFileInfo(path).path());
        WriteBytes(path, bytes);
        return path;
    }
    void Activate()
    {
        QVERIFY(Frame());
        QApplication::setActiveWindow(Frame());
        QVERIFY(QTest::qWaitForWindowActive(Frame()));
    }

    TempSettings m_settings;
    std::unique_ptr<QTemporaryDir> m_files;
    std::unique_ptr<TestApp> m_app;
    std::unique_ptr<CapturedStream> m_out;
    std::unique_ptr<CapturedStream> m_err;
    QStringList m_dialogs;  // class names of the dialogs the application ran
};
