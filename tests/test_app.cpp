// The application shell: start-up and exit, the main window's commands, the Open
// dialog, the recent files, the About box, printing and removing the settings from
// the command line, and the session's end. And the reading tools through the real
// widgets: the find bar, Go to Line and Go to Symbol, the Outline dock, the position
// pane and the zoom, none of which leaves anything stored.

#include "QtTestSupport.h"

#include "app/AboutDlg.h"
#include "app/FindBar.h"
#include "app/GlosselApp.h"
#include "app/MainFrame.h"
#include "app/OutlineDock.h"
#include "app/OutlineList.h"
#include "app/ReadingTools.h"
#include "app/Resource.h"
#include "app/TerminationSignals.h"
#include "doc/FileName.h"
#include "doc/GlosselDoc.h"
#include "syntax/SyntaxStyleMap.h"
#include "dialogs/GoToLineDlg.h"
#include "view/GlosselView.h"
#include "view/OutlineModel.h"

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QTreeView>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPrinter>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QToolBar>
#include <QToolButton>
#include <QWindow>
#include <QtTest>

#include <csignal>
#include <memory>

using qtestsupport::CapturedStream;
using qtestsupport::MessageBoxRecorder;
using qtestsupport::TempSettings;
using qtestsupport::WriteBytes;

namespace {

const QString kStyles = QStringLiteral("Inform Syntax Colours");
const QString kRecent = QStringLiteral("Recent File List");

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

std::vector<std::string> Args(const QStringList& list)
{
    std::vector<std::string> args;
    for (const QString& arg : list) args.push_back(QFile::encodeName(arg).toStdString());
    return args;
}

QList<QWidget*> VisibleTopLevels()
{
    QList<QWidget*> shown;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->isVisible()) shown.append(widget);
    return shown;
}

}  // namespace

class TestApp_ : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void startWithoutArgument();
    void menusAndKeys();
    void startWithAFile();
    void failedStartLeavesNoWindowAndStillSavesTheStyles_data();
    void failedStartLeavesNoWindowAndStillSavesTheStyles();
    void everyStartIsMaximisedWithBothBarsAtTheirPlaces();
    void storedStylesAreInPlaceBeforeTheFirstRender();
    void commandsReachTheirHandlers_data();
    void commandsReachTheirHandlers();
    void paneKeysDoNothing();
    void barTogglesAndCheckMarks();
    void promptsAndTooltips();
    void openDialogIsSetUpAsDecided();
    void cancelledOpenChangesNothing();
    void openDialogStartsWhereItWasLeft();
    void typedNameInOpen_data();
    void typedNameInOpen();
    void sameFileIsNotReadAgain();
    void recentFilesOrderAndLabels();
    void recentFileLabels_data();
    void recentFileLabels();
    void failedRecentFileLeavesTheList();
    void openSaysInTheMessagePaneWhatToKnow_data();
    void openSaysInTheMessagePaneWhatToKnow();
    void recentFilesSurviveARestart();
    void aboutBox();
    void stylesChangedRenderEveryViewAgain();
    void printFromTheCommandLine();
    void unregisterRemovesTheSettingsForGood();
    void terminationSignalClosesTheWindow_data();
    void terminationSignalClosesTheWindow();
    void runEndsWhenTheWindowCloses();
    void signalDuringStartEndsItsBox();
    void lockKeyPanes();
    void titleShowsTheFileNameAsItIs();
    void aNameThatIsNotUtf8Opens();
    void findBar();
    void copyAndSelectAllFromTheMenu();
    void goToLineAndGoToSymbol();
    void startAtALine_data();
    void startAtALine();
    void outlineDock();
    void outlineOfACorpusFile();
    void positionPaneAndZoomAreForTheRunOnly();
    void zoomKeysActWhereverTheFocusIs_data();
    void zoomKeysActWhereverTheFocusIs();

private:
    TestApp& Start(const QStringList& args = {});
    void Stop();
    CMainFrame* Frame() const { return m_app ? m_app->GetMainWnd() : nullptr; }
    QString MakeFile(const QString& name, const QByteArray& bytes = "Object lamp;\n") const
    {
        const QString path = m_files->filePath(name);
        QDir().mkpath(QFileInfo(path).path());
        WriteBytes(path, bytes);
        return path;
    }
    void Activate();

    TempSettings m_settings;
    std::unique_ptr<QTemporaryDir> m_files;
    std::unique_ptr<TestApp> m_app;
    std::unique_ptr<CapturedStream> m_out;
    std::unique_ptr<CapturedStream> m_err;
    QStringList m_dialogs;  // class names of the dialogs the application ran
};

void TestApp_::init()
{
    m_settings.Clear();
    m_files = std::make_unique<QTemporaryDir>();
    m_dialogs.clear();
}

void TestApp_::cleanup()
{
    Stop();
    QVERIFY2(VisibleTopLevels().isEmpty(), "a window outlived its test");
}

TestApp& TestApp_::Start(const QStringList& args)
{
    Stop();
    m_out = std::make_unique<CapturedStream>();
    m_err = std::make_unique<CapturedStream>();
    m_app = std::make_unique<TestApp>(ParseGlosselCommandLine(Args(args)).info);
    m_app->SetOutputStreams(m_out->Get(), m_err->Get());
    m_app->SetModalRunner([this](QDialog& dialog) {
        m_dialogs.append(QString::fromLatin1(dialog.metaObject()->className()));
        return int(QDialog::Rejected);
    });
    return *m_app;
}

void TestApp_::Stop()
{
    m_app.reset();
}

void TestApp_::Activate()
{
    QVERIFY(Frame());
    QApplication::setActiveWindow(Frame());
    QVERIFY(QTest::qWaitForWindowActive(Frame()));
}

void TestApp_::startWithoutArgument()
{
    MessageBoxRecorder boxes;
    TestApp& app = Start();
    QVERIFY(app.InitInstance());
    CMainFrame* frame = Frame();
    QVERIFY(frame);
    QVERIFY(frame->isVisible());
    QVERIFY(frame->windowState() & Qt::WindowMaximized);
    QCOMPARE(frame->windowTitle(), QStringLiteral("Untitled - Glossel"));
    QCOMPARE(app.GetDocument()->m_text, std::string(GLOSSEL_WELCOME_TEXT));
    QVERIFY(app.GetView()->GetRichEditCtrl().GetTextLength() > 0);
    QCOMPARE(frame->centralWidget(), app.GetView());
    QCOMPARE(QGuiApplication::desktopFileName(), QStringLiteral("glossel"));
    QVERIFY(!frame->windowIcon().isNull());
    QVERIFY(boxes.Calls().isEmpty());
    QCOMPARE(app.ExitInstance(), 0);
    QCOMPARE(m_err->Text(), QString());
}

void TestApp_::menusAndKeys()
{
    Start().InitInstance();
    CMainFrame* frame = Frame();
    QStringList titles;
    for (QAction* menu : frame->menuBar()->actions()) titles << menu->text();
    // The Edit menu is the one menu added to the four, between File and View.
    QCOMPARE(titles, (QStringList{"&File", "&Edit", "&View", "&Tools", "&Help"}));

    const auto itemsOf = [&](int index) {
        QStringList items;
        for (QAction* item : frame->menuBar()->actions()[index]->menu()->actions()) {
            if (!item->isVisible()) continue;
            QString text = item->isSeparator() ? QStringLiteral("-") : item->text();
            if (!item->shortcut().isEmpty()) text += u'\t' + item->shortcut().toString();
            if (!item->isEnabled()) text += QStringLiteral(" (grey)");
            if (item->isCheckable()) text += item->isChecked() ? QStringLiteral(" [x]") : QStringLiteral(" [ ]");
            items << text;
        }
        return items;
    };
    QCOMPARE(itemsOf(0), (QStringList{"&Open...\tCtrl+O", "-", "Recent File (grey)", "-", "E&xit"}));
    // Copy is grey while nothing is selected, as at start.
    QCOMPARE(itemsOf(1), (QStringList{"&Copy\tCtrl+C (grey)", "Select &All\tCtrl+A", "-", "&Find...\tCtrl+F",
                                      "Find &Next\tF3", "Find &Previous\tShift+F3", "-", "&Go to Line...\tCtrl+G",
                                      "Go to &Symbol...\tCtrl+Shift+O"}));
    // The one View item added comes last, and the outline is hidden at start.
    QCOMPARE(itemsOf(2), (QStringList{"&Toolbar [x]", "&Status Bar [x]", "&Outline [ ]"}));
    QCOMPARE(itemsOf(3), (QStringList{"&Syntax Styles...\tCtrl+T"}));
    QCOMPARE(itemsOf(4), (QStringList{"&About Glossel..."}));

    // The accelerators, exactly these and no others.
    QStringList keys;
    for (QAction* action : frame->findChildren<QAction*>())
        for (const QKeySequence& key : action->shortcuts()) keys << key.toString();
    keys.sort();
    // The zoom's keys are on no menu.
    QCOMPARE(keys, (QStringList{"Ctrl++", "Ctrl+-", "Ctrl+0", "Ctrl+=", "Ctrl+A", "Ctrl+C", "Ctrl+F", "Ctrl+G", "Ctrl+O",
                                "Ctrl+Shift++", "Ctrl+Shift+O", "Ctrl+T", "F3", "F6", "Shift+F3", "Shift+F6"}));
}

void TestApp_::startWithAFile()
{
    const QString path = MakeFile(QStringLiteral("lamp.inf"), "Object lamp \"brass lamp\";\r\n");
    TestApp& app = Start({path});
    QVERIFY(app.InitInstance());
    QCOMPARE(Frame()->windowTitle(), QStringLiteral("lamp.inf - Glossel"));
    QCOMPARE(app.GetDocument()->m_text, std::string("Object lamp \"brass lamp\";\n"));
    CSyntaxRichEditCtrl& control = app.GetView()->GetRichEditCtrl();
    QCOMPARE(control.GetText(0, control.GetTextLength()), QStringLiteral("Object lamp \"brass lamp\";\n"));
    QCOMPARE(app.GetDocument()->GetPathName(), path);
    QCOMPARE(app.GetRecentFileList().Names(), QStringList{path});
    QCOMPARE(app.ExitInstance(), 0);
    QCOMPARE(m_settings.Value(kRecent, QStringLiteral("File1")), path);

    // A relative name is made absolute against the working folder.
    Stop();
    const QString previous = QDir::currentPath();
    QDir::setCurrent(m_files->path());
    TestApp& again = Start({QStringLiteral("lamp.inf")});
    const bool started = again.InitInstance();
    QDir::setCurrent(previous);
    QVERIFY(started);
    QCOMPARE(again.GetDocument()->GetPathName(), path);
}

void TestApp_::failedStartLeavesNoWindowAndStillSavesTheStyles_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");  // null: no file
    QTest::addColumn<QString>("reason");
    QTest::newRow("missing file") << "missing.inf" << QByteArray() << "No such file or directory";
    QTest::newRow("empty file") << "empty.inf" << QByteArray("") << "file is empty";
}

void TestApp_::failedStartLeavesNoWindowAndStillSavesTheStyles()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, reason);
    const QString path = bytes.isNull() ? m_files->filePath(name) : MakeFile(name, bytes);

    MessageBoxRecorder boxes;
    TestApp& app = Start({path});
    QVERIFY(!app.InitInstance());
    QVERIFY(!app.GetMainWnd());
    QVERIFY(!app.GetDocument());
    QVERIFY(VisibleTopLevels().isEmpty());
    QVERIFY(boxes.Calls().isEmpty());
    QCOMPARE(app.ExitInstance(), 1);
    QCOMPARE(m_err->Text(), QStringLiteral("glossel: cannot open %1: %2\n").arg(path, reason));
    QCOMPARE(m_out->Text(), QString());
    QCOMPARE(m_settings.Keys(kStyles).size(), 36);
    QCOMPARE(m_settings.Value(kStyles, QStringLiteral("Directive Bold")), QStringLiteral("1"));
    QVERIFY(m_settings.Keys(kRecent).isEmpty());
}

void TestApp_::everyStartIsMaximisedWithBothBarsAtTheirPlaces()
{
    for (int run = 0; run < 2; ++run) {
        TestApp& app = Start();
        QVERIFY(app.InitInstance());
        CMainFrame* frame = Frame();
        QVERIFY(frame->windowState() & Qt::WindowMaximized);
        QVERIFY(frame->GetToolBar()->isVisible());
        QVERIFY(frame->GetStatusBar()->isVisible());
        QCOMPARE(frame->toolBarArea(frame->GetToolBar()), Qt::TopToolBarArea);
        QVERIFY(frame->GetToolBar()->isMovable());
        QVERIFY(frame->GetToolBar()->isFloatable());
        QCOMPARE(frame->GetToolBar()->allowedAreas(), Qt::AllToolBarAreas);
        // What the user does to the window and bars is not kept.
        frame->showNormal();
        frame->addToolBar(Qt::LeftToolBarArea, frame->GetToolBar());
        frame->GetStatusBar()->hide();
        frame->close();
        QCOMPARE(app.ExitInstance(), 0);
        const QStringList stored = QSettings(m_settings.File(), QSettings::IniFormat).childGroups();
        QCOMPARE(stored, QStringList{kStyles});
    }
}

void TestApp_::storedStylesAreInPlaceBeforeTheFirstRender()
{
    m_settings.Write(kStyles, QStringLiteral("Comment Bold"), QStringLiteral("5"));
    m_settings.Write(kStyles, QStringLiteral("Number Colour"), QString::number(0x7F123456u));
    m_settings.Write(kStyles, QStringLiteral("Not A Style"), QStringLiteral("keep me"));
    // A line too long makes the render show a message box: look at the styles then.
    const QString path = MakeFile(QStringLiteral("long.inf"), "! note\n" + QByteArray(1100, 'x') + "\n");

    QList<std::uint32_t> seen;
    const MessageBoxHandler previous = SetMessageBoxHandler([&](QWidget*, const QString&, const QString&, unsigned) {
        CSyntaxStyle* comment = nullptr;
        CSyntaxStyle* number = nullptr;
        if (theStyleMap.Lookup(STYLE_COMMENT, comment) && theStyleMap.Lookup(STYLE_NUMBER, number))
            seen << comment->m_bold << number->m_colour;
        return IDOK;
    });
    TestApp& app = Start({path});
    const bool started = app.InitInstance();
    SetMessageBoxHandler(previous);
    QVERIFY(started);
    QCOMPARE(seen, (QList<std::uint32_t>{1u, 0x7F123456u}));
    QCOMPARE(app.ExitInstance(), 0);
    QCOMPARE(m_settings.Value(kStyles, QStringLiteral("Comment Bold")), QStringLiteral("1"));
    QCOMPARE(m_settings.Value(kStyles, QStringLiteral("Number Colour")), QString::number(0x7F123456u));
    QCOMPARE(m_settings.Value(kStyles, QStringLiteral("Not A Style")), QStringLiteral("keep me"));
    QCOMPARE(m_settings.Keys(kStyles).size(), 37);
}

void TestApp_::commandsReachTheirHandlers_data()
{
    QTest::addColumn<int>("command");
    QTest::addColumn<QString>("route");  // menu, key or toolbar
    QTest::addColumn<QString>("menuKeys");  // the menu's and the item's mnemonics

    QTest::newRow("Open from the menu") << ID_FILE_OPEN << "menu" << "fo";
    QTest::newRow("Open with Ctrl+O") << ID_FILE_OPEN << "key" << "";
    QTest::newRow("Open from the toolbar") << ID_FILE_OPEN << "toolbar" << "";
    QTest::newRow("Syntax Styles from the menu") << ID_TOOLS_SYNTAX_STYLES << "menu" << "ts";
    QTest::newRow("Syntax Styles with Ctrl+T") << ID_TOOLS_SYNTAX_STYLES << "key" << "";
    QTest::newRow("Syntax Styles from the toolbar") << ID_TOOLS_SYNTAX_STYLES << "toolbar" << "";
    QTest::newRow("About from the menu") << ID_APP_ABOUT << "menu" << "ha";
    QTest::newRow("About from the toolbar") << ID_APP_ABOUT << "toolbar" << "";
    QTest::newRow("Toolbar from the menu") << ID_VIEW_TOOLBAR << "menu" << "vt";
    QTest::newRow("Status Bar from the menu") << ID_VIEW_STATUS_BAR << "menu" << "vs";
    QTest::newRow("Exit from the menu") << ID_APP_EXIT << "menu" << "fx";
}

void TestApp_::commandsReachTheirHandlers()
{
    QFETCH(int, command);
    QFETCH(QString, route);
    QFETCH(QString, menuKeys);

    TestApp& app = Start();
    QVERIFY(app.InitInstance());
    Activate();
    CMainFrame* frame = Frame();
    app.GetView()->setFocus();
    QTRY_VERIFY(app.GetView()->GetRichEditCtrl().hasFocus());
    const QPointer<CMainFrame> guard = frame;

    if (route == u"menu") {
        QTest::keyClick(frame, menuKeys.at(0).toLatin1(), Qt::AltModifier);
        QTRY_VERIFY(qobject_cast<QMenu*>(QApplication::activePopupWidget()));
        QTest::keyClick(QApplication::activePopupWidget(), menuKeys.at(1).toLatin1());
    } else if (route == u"key") {
        const Qt::Key key = command == ID_FILE_OPEN ? Qt::Key_O : Qt::Key_T;
        QTest::keyClick(QApplication::focusWidget(), key, Qt::ControlModifier);
    } else {
        QWidget* button = frame->GetToolBar()->widgetForAction(frame->GetCommand(command));
        QVERIFY(button);
        QTest::mouseClick(button, Qt::LeftButton);
    }

    switch (command) {
    case ID_FILE_OPEN:
        QTRY_COMPARE(m_dialogs, QStringList{"QFileDialog"});
        break;
    case ID_APP_ABOUT:
        QTRY_COMPARE(m_dialogs, QStringList{"CAboutDlg"});
        break;
    case ID_TOOLS_SYNTAX_STYLES:
        QTRY_COMPARE(app.stylesRuns, 1);
        break;
    case ID_VIEW_TOOLBAR:
        QTRY_VERIFY(frame->GetToolBar()->isHidden());
        break;
    case ID_VIEW_STATUS_BAR:
        QTRY_VERIFY(frame->GetStatusBar()->isHidden());
        break;
    case ID_APP_EXIT:
        QTRY_VERIFY(guard.isNull());
        QVERIFY(!app.GetDocument());
        return;
    }
    // Nothing else ran.
    QCOMPARE(app.stylesRuns, command == ID_TOOLS_SYNTAX_STYLES ? 1 : 0);
    QCOMPARE(m_dialogs.size(), command == ID_FILE_OPEN || command == ID_APP_ABOUT ? 1 : 0);
}

void TestApp_::paneKeysDoNothing()
{
    TestApp& app = Start();
    QVERIFY(app.InitInstance());
    Activate();
    CMainFrame* frame = Frame();
    for (int id : {ID_NEXT_PANE, ID_PREV_PANE}) {
        QAction* pane = frame->GetCommand(id);
        QVERIFY(pane);
        QVERIFY(!pane->isEnabled());
    }
    app.GetView()->setFocus();
    QTRY_VERIFY(app.GetView()->GetRichEditCtrl().hasFocus());
    QSignalSpy next(frame->GetCommand(ID_NEXT_PANE), &QAction::triggered);
    QSignalSpy prev(frame->GetCommand(ID_PREV_PANE), &QAction::triggered);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F6);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F6, Qt::ShiftModifier);
    QCOMPARE(next.count() + prev.count(), 0);
    QVERIFY(app.GetView()->GetRichEditCtrl().hasFocus());
    QCOMPARE(app.stylesRuns, 0);
    QVERIFY(m_dialogs.isEmpty());
    QCOMPARE(Frame()->windowTitle(), QStringLiteral("Untitled - Glossel"));
}

void TestApp_::barTogglesAndCheckMarks()
{
    QVERIFY(Start().InitInstance());
    CMainFrame* frame = Frame();
    struct Bar {
        int id;
        QWidget* bar;
    };
    for (const Bar& bar : {Bar{ID_VIEW_TOOLBAR, frame->GetToolBar()}, Bar{ID_VIEW_STATUS_BAR, frame->GetStatusBar()}}) {
        QAction* toggle = frame->GetCommand(bar.id);
        QVERIFY(toggle->isCheckable());
        QVERIFY(toggle->isChecked());
        toggle->trigger();
        QVERIFY(bar.bar->isHidden());
        QVERIFY(!toggle->isChecked());
        toggle->trigger();
        QVERIFY(bar.bar->isVisible());
        QVERIFY(toggle->isChecked());
    }
    // Hidden some other way (the toolbar's own context menu), the check mark follows.
    frame->GetToolBar()->toggleViewAction()->trigger();
    QVERIFY(frame->GetToolBar()->isHidden());
    QVERIFY(!frame->GetCommand(ID_VIEW_TOOLBAR)->isChecked());
}

void TestApp_::promptsAndTooltips()
{
    TestApp& app = Start();
    QVERIFY(app.InitInstance());
    Activate();
    CMainFrame* frame = Frame();
    QLabel* idle = frame->GetStatusBar()->findChild<QLabel*>(QStringLiteral("AFX_IDS_IDLEMESSAGE"));
    QVERIFY(idle);
    QCOMPARE(idle->text(), QStringLiteral("Ready"));
    QVERIFY(idle->isVisible());

    struct Button {
        int id;
        const char* prompt;
        const char* tip;
    };
    const Button buttons[] = {
        {ID_FILE_OPEN, "Open an existing document", "Open"},
        {ID_TOOLS_SYNTAX_STYLES, "Edit styles used for syntax highlighting", "Edit styles"},
        {ID_APP_ABOUT, "Display program information, version number and copyright", "About"},
    };
    QStringList order;
    for (QAction* action : frame->GetToolBar()->actions())
        order << (action->isSeparator() ? QStringLiteral("-") : action->objectName());
    QCOMPARE(order, (QStringList{"ID_FILE_OPEN", "-", "ID_TOOLS_SYNTAX_STYLES", "-", "ID_APP_ABOUT"}));

    for (const Button& b : buttons) {
        auto* button = qobject_cast<QToolButton*>(frame->GetToolBar()->widgetForAction(frame->GetCommand(b.id)));
        QVERIFY(button);
        QCOMPARE(button->toolTip(), QString::fromLatin1(b.tip));
        QVERIFY(!button->icon().isNull());
        // The pointer resting on the button puts its prompt in the message pane.
        QTest::mouseMove(button);
        QTRY_COMPARE(frame->GetStatusBar()->currentMessage(), QString::fromLatin1(b.prompt));
        QTest::mouseMove(frame->GetActiveView());
        QTRY_COMPARE(frame->GetStatusBar()->currentMessage(), QString());
    }
    const std::pair<int, const char*> menuPrompts[] = {
        {ID_APP_EXIT, "Quit the application"},
        {ID_VIEW_TOOLBAR, "Show or hide the toolbar"},
        {ID_VIEW_STATUS_BAR, "Show or hide the status bar"},
        {ID_EDIT_COPY, "Copy the selection and put it on the Clipboard"},
        {ID_EDIT_FIND, "Find the specified text"},
        {ID_EDIT_GOTO_LINE, "Move to the start of a line given by its number"},
        {ID_VIEW_OUTLINE, "Show or hide the outline of the file's definitions"},
    };
    for (const auto& [id, prompt] : menuPrompts) QCOMPARE(frame->GetCommand(id)->statusTip(), QString::fromLatin1(prompt));
}

void TestApp_::openDialogIsSetUpAsDecided()
{
    MakeFile(QStringLiteral("pick/UPPER.INF"));
    MakeFile(QStringLiteral("pick/lower.h"));
    MakeFile(QStringLiteral("pick/notes.txt"));
    TestApp& app = Start();
    QVERIFY(app.InitInstance());
    bool checked = false;
    app.SetModalRunner([&](QDialog& dialog) {
        auto* open = qobject_cast<QFileDialog*>(&dialog);
        if (!open) return int(QDialog::Rejected);
        [&] {
            QCOMPARE(open->parentWidget(), static_cast<QWidget*>(Frame()));
            QCOMPARE(open->acceptMode(), QFileDialog::AcceptOpen);
            QCOMPARE(open->fileMode(), QFileDialog::AnyFile);
            QCOMPARE(open->nameFilters(), (QStringList{"Inform Files (*.inf *.h)", "All Files (*)"}));
            QCOMPARE(open->selectedNameFilter(), QStringLiteral("Inform Files (*.inf *.h)"));
            QCOMPARE(open->defaultSuffix(), QStringLiteral("inf"));
            QVERIFY(open->testOption(QFileDialog::DontUseNativeDialog));
            QVERIFY(!(open->filter() & QDir::CaseSensitive));
            // The filter shows Inform files whatever their letter case, and nothing else.
            open->setDirectory(m_files->filePath(QStringLiteral("pick")));
            open->show();
            auto* model = open->findChild<QFileSystemModel*>();
            QVERIFY(model);
            const QModelIndex folder = model->index(m_files->filePath(QStringLiteral("pick")));
            QTRY_COMPARE(model->rowCount(folder), model->nameFilterDisables() ? 3 : 2);
            const auto shown = [&](const QString& name) {
                const QModelIndex item = model->index(m_files->filePath(QStringLiteral("pick/") + name));
                return item.isValid() && (item.flags() & Qt::ItemIsEnabled) &&
                       (!model->nameFilterDisables() || model->flags(item) & Qt::ItemIsEnabled);
            };
            QVERIFY(shown(QStringLiteral("UPPER.INF")));
            QVERIFY(shown(QStringLiteral("lower.h")));
            QVERIFY(!shown(QStringLiteral("notes.txt")));
            checked = true;
        }();
        dialog.hide();
        return int(QDialog::Rejected);
    });
    app.OnFileOpen();
    QVERIFY(checked);
}

void TestApp_::cancelledOpenChangesNothing()
{
    const QString path = MakeFile(QStringLiteral("lamp.inf"));
    TestApp& app = Start({path});
    QVERIFY(app.InitInstance());
    CSyntaxRichEditCtrl& control = app.GetView()->GetRichEditCtrl();
    control.SetSel(2, 4);
    app.OnFileOpen();
    QCOMPARE(m_dialogs, QStringList{"QFileDialog"});
    QCOMPARE(app.GetDocument()->GetPathName(), path);
    QCOMPARE(Frame()->windowTitle(), QStringLiteral("lamp.inf - Glossel"));
    QCOMPARE(app.GetRecentFileList().Names(), QStringList{path});
    long long start = 0;
    long long end = 0;
    control.GetSel(start, end);
    QCOMPARE(start, 2);  // not rendered again
    QCOMPARE(end, 4);
}

void TestApp_::openDialogStartsWhereItWasLeft()
{
    const QString shown = MakeFile(QStringLiteral("first/lamp.inf"));
    const QString other = QFileInfo(MakeFile(QStringLiteral("second/other.inf"))).absolutePath();
    TestApp& app = Start({shown});
    QVERIFY(app.InitInstance());
    QStringList folders;
    app.SetModalRunner([&](QDialog& dialog) {
        auto* open = qobject_cast<QFileDialog*>(&dialog);
        folders << open->directory().absolutePath();
        open->setDirectory(other);  // the person goes elsewhere, then cancels
        return int(QDialog::Rejected);
    });
    app.OnFileOpen();
    app.OnFileOpen();
    QCOMPARE(folders, (QStringList{QFileInfo(shown).absolutePath(), other}));
}

void TestApp_::typedNameInOpen_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("accepted");  // whether the dialog takes the name and closes
    QTest::addColumn<QString>("opens");  // the file that opens, or empty
    QTest::addColumn<QString>("said");   // in the message pane; %1: the folder
    QTest::newRow("a missing name closes the dialog, changes nothing")
        << "nothere.inf" << true << "" << "Cannot open %1/nothere.inf: No such file or directory";
    QTest::newRow("a missing folder is refused") << "nodir/nothere.inf" << false << "" << "";
    QTest::newRow("an existing file opens") << "other.inf" << true << "other.inf" << "";
    QTest::newRow(".inf is added to a bare name") << "other" << true << "other.inf" << "";
}

void TestApp_::typedNameInOpen()
{
    QFETCH(QString, typed);
    QFETCH(bool, accepted);
    QFETCH(QString, opens);
    QFETCH(QString, said);
    const QString shown = MakeFile(QStringLiteral("lamp.inf"));
    MakeFile(QStringLiteral("other.inf"), "Object other;\n");

    MessageBoxRecorder boxes;
    TestApp& app = Start({shown});
    QVERIFY(app.InitInstance());
    int result = -1;
    bool stillShown = false;
    QDialog* asked = nullptr;
    app.SetModalRunner([&](QDialog& dialog) {
        asked = &dialog;
        auto* open = qobject_cast<QFileDialog*>(&dialog);
        open->setDirectory(m_files->path());
        open->show();
        auto* name = open->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        if (!name) return int(QDialog::Rejected);
        name->setText(typed);
        QTest::keyClick(name, Qt::Key_Return);
        result = dialog.result();
        stillShown = dialog.isVisible();
        if (stillShown) dialog.reject();  // the person gives up
        return dialog.result();
    });
    app.OnFileOpen();
    QCOMPARE(result, accepted ? int(QDialog::Accepted) : int(QDialog::Rejected));
    QCOMPARE(stillShown, !accepted);
    // A refusal says why, over the dialog; taking a name says nothing.
    QCOMPARE(boxes.Calls().size(), accepted ? 0 : 1);
    if (!accepted) {
        const MessageBoxRecorder::Call& box = boxes.Calls().first();
        QCOMPARE(box.owner, static_cast<QWidget*>(asked));
        QCOMPARE(box.text, m_files->filePath(typed) + QStringLiteral("\nThe folder does not exist.\nCheck the path and try again."));
        QCOMPARE(box.caption, QStringLiteral("Open"));
        QCOMPARE(box.type, MB_OK | MB_ICONEXCLAMATION);
    }
    // Qt's dialog keeps nothing of its own beside the program's settings.
    QVERIFY(!QFile::exists(m_settings.Root() + QStringLiteral("/QtProject.conf")));
    const QString expected = opens.isEmpty() ? shown : m_files->filePath(opens);
    QCOMPARE(app.GetDocument()->GetPathName(), expected);
    QCOMPARE(Frame()->windowTitle(), QFileInfo(expected).fileName() + QStringLiteral(" - Glossel"));
    const QStringList recent = opens.isEmpty() ? QStringList{shown} : QStringList{expected, shown};
    QCOMPARE(app.GetRecentFileList().Names(), recent);
    QCOMPARE(Frame()->GetStatusBar()->currentMessage(), said.contains(u'%') ? said.arg(m_files->path()) : said);
}

void TestApp_::sameFileIsNotReadAgain()
{
    const QString path = MakeFile(QStringLiteral("lamp.inf"), "Object old;\n");
    const QString upper = MakeFile(QStringLiteral("LAMP.inf"), "Object upper;\n");
    const QString other = MakeFile(QStringLiteral("other.inf"), "Object other;\n");
    TestApp& app = Start({path});
    QVERIFY(app.InitInstance());
    MakeFile(QStringLiteral("lamp.inf"), "Object new;\n");

    QCOMPARE(app.OpenDocumentFile(path), app.GetDocument());
    QCOMPARE(app.GetDocument()->m_text, std::string("Object old;\n"));
    QCOMPARE(app.OpenDocumentFile(m_files->path() + QStringLiteral("/../") +
                                  QFileInfo(m_files->path()).fileName() + QStringLiteral("/lamp.inf")),
             app.GetDocument());
    QCOMPARE(app.GetDocument()->m_text, std::string("Object old;\n"));

    // Another letter case is another file here.
    QVERIFY(app.OpenDocumentFile(upper));
    QCOMPARE(app.GetDocument()->m_text, std::string("Object upper;\n"));
    QVERIFY(app.OpenDocumentFile(other));
    QVERIFY(app.OpenDocumentFile(path));
    QCOMPARE(app.GetDocument()->m_text, std::string("Object new;\n"));
}

void TestApp_::recentFilesOrderAndLabels()
{
    // Eleven files in a folder whose path is longer than a label.
    QStringList paths;
    for (int i = 1; i <= 11; ++i)
        paths << MakeFile(QStringLiteral("a rather long folder name/game %1.inf").arg(i));
    TestApp& app = Start();
    QVERIFY(app.InitInstance());
    for (const QString& path : paths) QVERIFY(app.OpenDocumentFile(path));

    QStringList expected;
    for (int i = 11; i >= 2; --i) expected << paths[i - 1];
    QCOMPARE(app.GetRecentFileList().Names(), expected);

    CMainFrame* frame = Frame();
    const std::vector<QAction*>& items = frame->GetRecentFileActions();
    QCOMPARE(int(items.size()), 10);
    QVERIFY(!frame->findChild<QAction*>(QStringLiteral("RecentFilePlaceholder"))->isVisible());
    for (int i = 0; i < 10; ++i) {
        const QString label = items[i]->text();
        const QString number = QString::number((i + 1) % 10);
        QVERIFY2(label.startsWith(u'&' + number + u' '), qPrintable(label));
        const QString shown = label.mid(3);
        QVERIFY2(shown.size() <= 30, qPrintable(shown));
        QVERIFY2(shown.endsWith(QStringLiteral("/a rather long folder name/game %1.inf").arg(11 - i)) ||
                     shown.endsWith(QStringLiteral("/game %1.inf").arg(11 - i)),
                 qPrintable(shown));
        QVERIFY2(shown.startsWith(QStringLiteral("/...")), qPrintable(shown));
        QCOMPARE(items[i]->statusTip(), QStringLiteral("Open this document"));
        QVERIFY(items[i]->isEnabled());
    }
    QVERIFY(items[9]->text().startsWith(QStringLiteral("&0 ")));

    // Opening an entry moves it to the top.
    items[4]->trigger();
    QCOMPARE(app.GetDocument()->GetPathName(), paths[6]);
    QCOMPARE(app.GetRecentFileList()[0], paths[6]);
    QCOMPARE(app.GetRecentFileList().GetCount(), 10);
}

void TestApp_::recentFileLabels_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("label");
    QTest::newRow("short path as it is") << "/home/ann/zork.inf" << "&1 /home/ann/zork.inf";
    QTest::newRow("exactly 30") << "/home/ann/games/inform/a12.inf" << "&1 /home/ann/games/inform/a12.inf";
    QTest::newRow("31: the first folder goes")
        << "/home/ann/games/inform/a123.inf" << "&1 /.../ann/games/inform/a123.inf";
    QTest::newRow("folders go from the left")
        << "/home/ann/games/inform/lib/parser.h" << "&1 /.../games/inform/lib/parser.h";
    QTest::newRow("a relative path has no root to keep")
        << "games/inform/lib/a-long-file-name.inf" << "&1 .../lib/a-long-file-name.inf";
    QTest::newRow("only the name fits after /...")
        << "/home/ann/this-is-a-long-folder/a-rather-long-name.inf" << "&1 /.../a-rather-long-name.inf";
    QTest::newRow("a name too long for /...")
        << "/home/ann/inform/an-even-longer-name-of-it.inf" << "&1 an-even-longer-name-of-it.inf";
    QTest::newRow("a name longer than 30 loses its middle")
        << "/srv/the-longest-file-name-anyone-has-seen.inf" << "&1 the-longest-f...e-has-seen.inf";
    QTest::newRow("ampersands are doubled") << "/home/ann/R&D/a&b.inf" << "&1 /home/ann/R&&D/a&&b.inf";
    QTest::newRow("ampersands after shortening")
        << "/home/ann/games/inform/&&/&lib/parser&.h" << "&1 /.../inform/&&&&/&&lib/parser&&.h";
}

void TestApp_::recentFileLabels()
{
    QFETCH(QString, path);
    QFETCH(QString, label);
    CRecentFileList list;
    list.Add(path);
    QCOMPARE(list.GetMenuLabel(0), label);
    QVERIFY(CRecentFileList::AbbreviatePath(path, 30).size() <= 30);
}

void TestApp_::failedRecentFileLeavesTheList()
{
    const QString a = MakeFile(QStringLiteral("a.inf"), "Object a;\n");
    const QString b = MakeFile(QStringLiteral("b.inf"), "Object b;\n");
    const QString c = MakeFile(QStringLiteral("c.inf"), "Object c;\n");
    MessageBoxRecorder boxes;
    TestApp& app = Start();
    QVERIFY(app.InitInstance());
    for (const QString& path : {a, b, c}) QVERIFY(app.OpenDocumentFile(path));
    QCOMPARE(app.GetRecentFileList().Names(), (QStringList{c, b, a}));

    // Chosen from the menu with the keyboard, as a person would: File, then the number.
    const auto choose = [&](char number) {
        Activate();
        QTest::keyClick(Frame(), 'f', Qt::AltModifier);
        QTRY_VERIFY(qobject_cast<QMenu*>(QApplication::activePopupWidget()));
        QTest::keyClick(QApplication::activePopupWidget(), number);
        QTRY_VERIFY(!QApplication::activePopupWidget());
    };
    QVERIFY(QFile::remove(b));
    choose('2');
    QCOMPARE(Frame()->GetStatusBar()->currentMessage(), QStringLiteral("Cannot open %1: No such file or directory").arg(b));
    QCOMPARE(app.GetRecentFileList().Names(), (QStringList{c, a}));
    QCOMPARE(int(Frame()->GetRecentFileActions().size()), 2);
    QCOMPARE(app.GetDocument()->GetPathName(), c);
    QCOMPARE(app.GetDocument()->m_text, std::string("Object c;\n"));
    QCOMPARE(Frame()->windowTitle(), QStringLiteral("c.inf - Glossel"));

    // A file that opens moves to the top; the menu is made again meanwhile.
    choose('2');
    QCOMPARE(app.GetRecentFileList().Names(), (QStringList{a, c}));
    QCOMPARE(app.GetDocument()->m_text, std::string("Object a;\n"));
    QCOMPARE(Frame()->GetRecentFileActions()[0]->text(), QStringLiteral("&1 ") + a);

    // The file already shown stays in the list and is not read again.
    MakeFile(QStringLiteral("a.inf"), QByteArray());
    choose('1');
    QCOMPARE(app.GetRecentFileList().Names(), (QStringList{a, c}));
    QCOMPARE(app.GetDocument()->m_text, std::string("Object a;\n"));

    // An empty file fails like a missing one.
    MakeFile(QStringLiteral("c.inf"), QByteArray());
    choose('2');
    QCOMPARE(Frame()->GetStatusBar()->currentMessage(), QStringLiteral("Cannot open %1: file is empty").arg(c));
    QCOMPARE(app.GetRecentFileList().Names(), QStringList{a});
    QCOMPARE(app.GetDocument()->GetPathName(), a);
    QVERIFY(boxes.Calls().isEmpty());
}

void TestApp_::openSaysInTheMessagePaneWhatToKnow_data()
{
    QTest::addColumn<QByteArray>("bytes");  // of x.inf; "-" for no file, "/" for a folder
    QTest::addColumn<int>("byteLimit");     // of the control's text, 0 for none
    QTest::addColumn<QString>("said");      // %1: the path of x.inf
    QTest::newRow("a missing file") << QByteArray("-") << 0 << "Cannot open %1: No such file or directory";
    QTest::newRow("an empty file") << QByteArray() << 0 << "Cannot open %1: file is empty";
    QTest::newRow("a folder") << QByteArray("/") << 0 << "Cannot open %1: Is a directory";
    QTest::newRow("a render out of memory") << QByteArray("Object lamp;\n") << 8
                                            << "Cannot show x.inf: there is not enough memory";
    QTest::newRow("one bidirectional control") << QByteArray("Object \"a\xe2\x80\xae b\";\n") << 0
                                               << "x.inf holds a bidirectional control character, shown as a boxed name";
    QTest::newRow("three, on two lines")
        << QByteArray("! \xe2\x81\xa6 x \xe2\x81\xa9\nObject \"\xe2\x80\x8f\";\n") << 0
        << "x.inf holds 3 bidirectional control characters, shown as boxed names";
    // What was said of the file shown before goes with it.
    QTest::newRow("nothing to say") << QByteArray("Object lamp;\n") << 0 << "";
}

void TestApp_::openSaysInTheMessagePaneWhatToKnow()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, byteLimit);
    QFETCH(QString, said);
    const QString path = m_files->filePath(QStringLiteral("x.inf"));
    if (bytes == "/")
        QVERIFY(QDir().mkpath(path));
    else if (bytes != "-")
        MakeFile(QStringLiteral("x.inf"), bytes);
    // The file shown first holds two controls, and the message pane says so from the start.
    MessageBoxRecorder boxes;
    TestApp& app = Start({MakeFile(QStringLiteral("first.inf"), "! \xe2\x80\x8e\xe2\x80\x8f\n")});
    QVERIFY(app.InitInstance());
    QStatusBar* pane = Frame()->GetStatusBar();
    QCOMPARE(pane->currentMessage(), QStringLiteral("first.inf holds 2 bidirectional control characters, shown as boxed names"));
    if (byteLimit > 0) app.GetView()->GetRichEditCtrl().SetTextByteLimit(static_cast<std::uint64_t>(byteLimit));
    app.OpenDocumentFile(path);
    QCOMPARE(pane->currentMessage(), said.contains(u'%') ? said.arg(path) : said);
    QVERIFY(boxes.Calls().isEmpty());
}

void TestApp_::recentFilesSurviveARestart()
{
    // A stale entry beyond the list's end is dropped when the group is written again;
    // a repeated one is read once, whether it is stored as text or as bytes.
    m_settings.Write(kRecent, QStringLiteral("File9"), QStringLiteral("/old/stale.inf"));
    m_settings.Write(kRecent, QStringLiteral("File10"), QStringLiteral("/old/stale.inf"));
    QSettings(m_settings.File(), QSettings::IniFormat).setValue(kRecent + QStringLiteral("/File7"),
                                                                QByteArray("/old/stale.inf"));
    QStringList paths;
    for (int i = 1; i <= 3; ++i) paths << MakeFile(QStringLiteral("f%1.inf").arg(i));

    TestApp& first = Start();
    QVERIFY(first.InitInstance());
    QCOMPARE(first.GetRecentFileList().Names(), QStringList{"/old/stale.inf"});
    for (const QString& path : paths) QVERIFY(first.OpenDocumentFile(path));
    Frame()->close();
    QTRY_VERIFY(!first.GetMainWnd());
    QCOMPARE(first.ExitInstance(), 0);

    const QStringList expected{paths[2], paths[1], paths[0], "/old/stale.inf"};
    QCOMPARE(m_settings.Keys(kRecent), (QStringList{"File1", "File2", "File3", "File4"}));
    for (int i = 0; i < 4; ++i) QCOMPARE(m_settings.Value(kRecent, QStringLiteral("File%1").arg(i + 1)), expected[i]);

    TestApp& second = Start();
    QVERIFY(second.InitInstance());
    QCOMPARE(second.GetRecentFileList().Names(), expected);
    QCOMPARE(Frame()->GetRecentFileActions()[0]->text(), QStringLiteral("&1 ") + paths[2]);

    // With no entries at all the greyed placeholder stands in the menu.
    Stop();
    m_settings.Clear();
    QVERIFY(Start().InitInstance());
    QVERIFY(Frame()->GetRecentFileActions().empty());
    QAction* placeholder = Frame()->findChild<QAction*>(QStringLiteral("RecentFilePlaceholder"));
    QVERIFY(placeholder->isVisible());
    QVERIFY(!placeholder->isEnabled());
    QCOMPARE(placeholder->text(), QStringLiteral("Recent File"));
}

void TestApp_::aboutBox()
{
    TestApp& app = Start();
    QVERIFY(app.InitInstance());
    struct Ending {
        const char* name;
        std::function<void(QDialog&)> end;
        int result;
    };
    const Ending endings[] = {
        {"OK button", [](QDialog& d) { QTest::mouseClick(d.findChild<QPushButton*>(QStringLiteral("IDOK")), Qt::LeftButton); },
         QDialog::Accepted},
        {"Enter", [](QDialog& d) { QTest::keyClick(&d, Qt::Key_Return); }, QDialog::Accepted},
        {"Escape", [](QDialog& d) { QTest::keyClick(&d, Qt::Key_Escape); }, QDialog::Rejected},
        {"close box", [](QDialog& d) { d.close(); }, QDialog::Rejected},
    };
    for (const Ending& ending : endings) {
        bool looked = false;
        int result = -1;
        app.SetModalRunner([&](QDialog& dialog) {
            [&] {
                QVERIFY(qobject_cast<CAboutDlg*>(&dialog));
                QCOMPARE(dialog.windowTitle(), QStringLiteral("About Glossel"));
                QCOMPARE(dialog.parentWidget(), static_cast<QWidget*>(Frame()));
                QCOMPARE(dialog.findChild<QLabel*>(QStringLiteral("IDC_VERSION"))->text(),
                         QStringLiteral("Glossel Version 0.2"));
                QVERIFY(!dialog.findChild<QLabel*>(QStringLiteral("IDC_ABOUT_TEXT"))->text().isEmpty());
                const QLabel* icon = dialog.findChild<QLabel*>(QStringLiteral("IDR_MAINFRAME"));
                QVERIFY(!icon->pixmap().isNull());
                QVERIFY(dialog.findChild<QPushButton*>(QStringLiteral("IDOK"))->isDefault());
                looked = true;
            }();
            dialog.show();
            if (!QTest::qWaitForWindowExposed(&dialog)) return -2;
            ending.end(dialog);
            result = dialog.result();
            return result;
        });
        app.OnAppAbout();
        QVERIFY2(looked, ending.name);
        QCOMPARE(result, ending.result);
    }
}

void TestApp_::stylesChangedRenderEveryViewAgain()
{
    TestApp& app = Start();
    QVERIFY(app.InitInstance());
    CSyntaxRichEditCtrl& control = app.GetView()->GetRichEditCtrl();
    long long start = 0;
    long long end = 0;

    control.SetSel(3, 7);
    app.stylesResult = IDCANCEL;
    app.OnToolsSyntaxStyles();
    control.GetSel(start, end);
    QCOMPARE(start, 3);  // nothing changed, nothing rendered
    QCOMPARE(end, 7);

    app.stylesResult = IDOK;
    app.OnToolsSyntaxStyles();
    control.GetSel(start, end);
    QCOMPARE(start, 0);  // rendered again: the caret is at the start
    QCOMPARE(end, 0);
    QCOMPARE(app.stylesRuns, 2);
}

void TestApp_::printFromTheCommandLine()
{
    const QString path = MakeFile(QStringLiteral("lamp.inf"), "Object lamp \"lamp\";\n");
    // The pages end before the long line; nobody could close a box, so none is shown.
    const QString longLine =
        MakeFile(QStringLiteral("long.inf"), "Object lamp;\n" + QByteArray(1020, 'x') + "\nObject after;\n");
    const QString warning = QStringLiteral("glossel: ") + longLine +
                            QStringLiteral(": The file contained a line longer than the maximum allowed (1020)!\n");
    const QString pdf = m_files->filePath(QStringLiteral("out.pdf"));
    struct Case {
        QStringList args;
        bool printer;      // whether a printer is there
        QString asked;     // the printer name asked for
        int exitCode;
        QString error;
    };
    const Case cases[] = {
        {{"/p", path}, true, QString(), 0, QString()},
        {{"/pt", path, "Laser", "driver", "port"}, true, "Laser", 0, QString()},
        {{"/p", path}, false, QString(), 1, "glossel: cannot print " + path + ": there is no default printer\n"},
        {{"/p", longLine}, true, QString(), 3, warning},
        {{"/pt", longLine, "Laser"}, false, "Laser", 1,
         warning + "glossel: cannot print " + longLine + ": there is no default printer\n"},
    };
    for (const Case& c : cases) {
        QFile::remove(pdf);
        MessageBoxRecorder boxes;
        TestApp& app = Start(c.args);
        QString asked = QStringLiteral("(not asked)");
        bool windowShown = true;
        app.SetPrinterProvider([&](const QString& name, QString* reason) -> std::unique_ptr<QPrinter> {
            asked = name;
            windowShown = app.GetMainWnd() && app.GetMainWnd()->isVisible();
            if (!c.printer) {
                *reason = QStringLiteral("there is no default printer");
                return nullptr;
            }
            auto printer = std::make_unique<QPrinter>();
            printer->setOutputFormat(QPrinter::PdfFormat);
            printer->setOutputFileName(pdf);
            return printer;
        });
        QVERIFY(!app.InitInstance());  // the program ends after printing
        QVERIFY(!app.GetMainWnd());
        QCOMPARE(asked, c.asked);
        QVERIFY(!windowShown);
        QVERIFY(VisibleTopLevels().isEmpty());
        QCOMPARE(app.ExitInstance(), c.exitCode);
        QCOMPARE(m_err->Text(), c.error);
        QVERIFY(boxes.Calls().isEmpty());
        QFile printed(pdf);
        QCOMPARE(printed.exists(), c.printer);
        if (c.printer) {
            QVERIFY(printed.open(QIODevice::ReadOnly));
            QVERIFY(printed.readAll().contains("/Type /Page"));
        }
        QCOMPARE(m_settings.Keys(kStyles).size(), 36);
        QCOMPARE(m_settings.Value(kRecent, QStringLiteral("File1")), c.args[1]);
    }
}

void TestApp_::unregisterRemovesTheSettingsForGood()
{
    const QString path = MakeFile(QStringLiteral("lamp.inf"));
    for (const bool embedded : {false, true}) {
        TestApp& first = Start({path});
        QVERIFY(first.InitInstance());
        QCOMPARE(first.ExitInstance(), 0);
        QVERIFY(m_settings.Exists());

        MessageBoxRecorder boxes;
        QStringList args{QStringLiteral("/Unregister")};
        if (embedded) args << QStringLiteral("/Embedding");
        TestApp& app = Start(args);
        QVERIFY(!app.InitInstance());
        QVERIFY(!app.GetMainWnd());
        QVERIFY(!m_settings.Exists());
        QVERIFY(!QFileInfo::exists(m_settings.Folder()));
        QCOMPARE(app.ExitInstance(), 0);
        QVERIFY(!m_settings.Exists());  // the styles are not written back
        // No display here: the message goes to standard output, unless /Embedding.
        QCOMPARE(m_out->Text(), embedded ? QString()
                                         : QStringLiteral("System registry entries have been removed and the INI "
                                                          "file (if any) was deleted.\n"));
        QVERIFY(boxes.Calls().isEmpty());
        QCOMPARE(m_err->Text(), QString());
    }
}

void TestApp_::terminationSignalClosesTheWindow_data()
{
    QTest::addColumn<int>("signal");
    QTest::newRow("SIGTERM") << SIGTERM;
    QTest::newRow("SIGHUP") << SIGHUP;
    QTest::newRow("SIGINT") << SIGINT;
}

void TestApp_::terminationSignalClosesTheWindow()
{
    QFETCH(int, signal);
    TestApp& app = Start();
    QVERIFY(app.InitInstance());
    const QPointer<CMainFrame> frame = Frame();
    {
        CTerminationSignals closer([&] {
            if (app.GetMainWnd()) app.GetMainWnd()->close();
        });
        QVERIFY(closer.IsActive());
        QCOMPARE(::raise(signal), 0);
        QTRY_VERIFY(frame.isNull());
    }
    QVERIFY(!app.GetDocument());
    QCOMPARE(app.ExitInstance(), 0);
    QCOMPARE(m_settings.Keys(kStyles).size(), 36);

    // A signal ignored when the program started (nohup, a job started with '&') stays
    // ignored, and is ignored again afterwards.
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    struct sigaction before {};
    QCOMPARE(::sigaction(signal, &ignore, &before), 0);
    int heard = 0;
    {
        CTerminationSignals closer([&] { ++heard; });
        QCOMPARE(::raise(signal), 0);
        QCoreApplication::processEvents();
    }
    struct sigaction after {};
    ::sigaction(signal, &before, &after);
    QCOMPARE(heard, 0);
    QVERIFY(after.sa_handler == SIG_IGN);
}

void TestApp_::runEndsWhenTheWindowCloses()
{
    const QString path = MakeFile(QStringLiteral("lamp.inf"));
    struct Case {
        const char* name;
        std::function<void()> end;
    };
    struct sigaction before {};
    ::sigaction(SIGTERM, nullptr, &before);
    const Case cases[] = {
        {"File > Exit", [this] { m_app->OnAppExit(); }},
        {"the close box", [this] { m_app->GetMainWnd()->close(); }},
        {"SIGTERM", [] { ::raise(SIGTERM); }},
        // An About box is up when the session ends: it goes first, then the window.
        {"SIGTERM over a modal box", [this] {
             m_app->SetModalRunner([](QDialog& dialog) { return dialog.exec(); });
             QTimer::singleShot(50, [] { ::raise(SIGTERM); });
             m_app->OnAppAbout();
         }},
        // The window's own close (the session ending) while the box is up: the box
        // goes first, then the window, as for the signal.
        {"the window's close over a modal box", [this] {
             m_app->SetModalRunner([](QDialog& dialog) { return dialog.exec(); });
             QTimer::singleShot(50, m_app.get(), [this] { m_app->GetMainWnd()->close(); });
             m_app->OnAppAbout();
         }},
    };
    for (const Case& c : cases) {
        m_settings.Clear();
        TestApp& app = Start({path});
        QTimer::singleShot(0, &app, [&] { c.end(); });
        QCOMPARE(app.Run(), 0);
        QVERIFY2(!app.GetMainWnd(), c.name);
        QVERIFY(VisibleTopLevels().isEmpty());
        QCOMPARE(m_settings.Keys(kStyles).size(), 36);
        QCOMPARE(m_settings.Value(kRecent, QStringLiteral("File1")), path);
    }
    // The signals do what they did before once the application is gone.
    struct sigaction after {};
    ::sigaction(SIGTERM, nullptr, &after);
    QVERIFY(after.sa_handler == before.sa_handler);
}

// The boxes that start-up can show, each a real modal box here, and a signal while one
// is up: the box ends, then the start, and the exit path runs as after a close.
void TestApp_::signalDuringStartEndsItsBox()
{
    const QString longLine = MakeFile(QStringLiteral("long.inf"), "Object lamp;\n" + QByteArray(1100, 'x') + "\n");
    struct Case {
        const char* name;
        QStringList args;
        int signal;
        bool settingsKept;  // /Unregister removes them for good
    };
    const Case cases[] = {
        {"SIGTERM over the long-line box", {longLine}, SIGTERM, true},
        {"SIGINT over the long-line box", {longLine}, SIGINT, true},
        {"SIGTERM over the /Unregister box", {QStringLiteral("/Unregister")}, SIGTERM, false},
        {"SIGHUP over the /Unregister box", {QStringLiteral("/Unregister")}, SIGHUP, false},
    };
    for (const Case& c : cases) {
        m_settings.Clear();
        bool boxShown = false;
        bool boxOutlivedTheSignal = false;
        const CMessageBoxHandlerScope realBox([&](QWidget* owner, const QString& text, const QString& caption,
                                                  unsigned int) {
            QMessageBox box(QMessageBox::Warning, caption, text, QMessageBox::Ok, owner);
            boxShown = true;
            QTimer::singleShot(0, [&] { ::raise(c.signal); });
            // Should the signal not end the box, this does, so that the test ends.
            QTimer::singleShot(10000, &box, [&] {
                boxOutlivedTheSignal = true;
                box.reject();
            });
            box.exec();
            return IDOK;
        });
        TestApp& app = Start(c.args);
        app.canShowWindows = true;
        QCOMPARE(app.Run(), 0);
        QVERIFY2(boxShown, c.name);
        QVERIFY2(!boxOutlivedTheSignal, c.name);
        QVERIFY2(!app.GetMainWnd(), c.name);
        QVERIFY(VisibleTopLevels().isEmpty());
        QCOMPARE(m_settings.Exists(), c.settingsKept);
        if (c.settingsKept) {
            QCOMPARE(m_settings.Keys(kStyles).size(), 36);
            QCOMPARE(m_settings.Value(kRecent, QStringLiteral("File1")), longLine);
        }
    }
}

void TestApp_::lockKeyPanes()
{
    QVERIFY(Start().InitInstance());
    Activate();
    CMainFrame* frame = Frame();
    // The panes from left to right: the caret's position, then the lock keys.
    QList<QLabel*> labels;
    for (QLabel* label : frame->GetStatusBar()->findChildren<QLabel*>())
        if (label->objectName().startsWith(QStringLiteral("ID_INDICATOR"))) labels << label;
    std::sort(labels.begin(), labels.end(), [](QLabel* a, QLabel* b) { return a->x() < b->x(); });
    QStringList panes;
    for (QLabel* label : labels) panes << label->objectName();
    QCOMPARE(panes, (QStringList{"ID_INDICATOR_POSITION", "ID_INDICATOR_CAPS", "ID_INDICATOR_NUM", "ID_INDICATOR_SCRL"}));
    panes.removeFirst();
    const auto texts = [&] {
        QStringList shown;
        for (const QString& name : panes) shown << frame->GetStatusBar()->findChild<QLabel*>(name)->text();
        return shown;
    };
    // The offscreen platform does not tell the lock keys: the panes stay dark.
    QCOMPARE(texts(), (QStringList{"", "", ""}));
    for (const QString& name : panes) QVERIFY(frame->GetStatusBar()->findChild<QLabel*>(name)->width() > 0);

    LockKeyState keys;
    int reads = 0;
    frame->SetLockKeyReader([&] {
        ++reads;
        return std::optional<LockKeyState>(keys);
    });
    keys = {true, false, true};
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_CapsLock);
    QCOMPARE(texts(), (QStringList{"CAP", "", "SCRL"}));
    keys = {false, true, false};
    const int before = reads;
    QFocusEvent focusIn(QEvent::FocusIn, Qt::ActiveWindowFocusReason);
    QApplication::sendEvent(frame->GetActiveView()->focusProxy(), &focusIn);
    QVERIFY(reads > before);
    QCOMPARE(texts(), (QStringList{"", "NUM", ""}));
}

void TestApp_::titleShowsTheFileNameAsItIs()
{
    const QString path = MakeFile(QStringLiteral("odd [*] & name.inf"));
    QVERIFY(Start({path}).InitInstance());
    QCOMPARE(Frame()->windowHandle()->title(), QStringLiteral("odd [*] & name.inf - Glossel"));
    QVERIFY(!Frame()->acceptDrops());
    QVERIFY(!m_app->GetView()->acceptDrops());
}

// A file name is bytes: one that is not UTF-8 opens from the command line, shows U+FFFD
// for its odd byte in the title and the menu, is recognised when opened again, and is
// stored among the recent files as its bytes, so that it comes back at the next start.
void TestApp_::aNameThatIsNotUtf8Opens()
{
    const QByteArray odd = QFile::encodeName(m_files->path()) + "/caf\xE9.inf";
    {
        std::FILE* f = std::fopen(odd.constData(), "wb");
        QVERIFY(f);
        std::fputs("Object lamp;\n", f);
        std::fclose(f);
    }
    const QString plain = MakeFile(QStringLiteral("plain.inf"), "Object plain;\n");

    m_out = std::make_unique<CapturedStream>();
    m_err = std::make_unique<CapturedStream>();
    m_app = std::make_unique<TestApp>(ParseGlosselCommandLine({odd.toStdString()}).info);
    m_app->SetOutputStreams(m_out->Get(), m_err->Get());
    QVERIFY(m_app->InitInstance());
    QCOMPARE(Frame()->windowTitle(), QStringLiteral("caf\uFFFD.inf - Glossel"));
    QCOMPARE(m_app->GetDocument()->m_text, std::string("Object lamp;\n"));
    QCOMPARE(EncodeFileName(m_app->GetDocument()->GetPathName()), odd);

    // Opened again by the same bytes, it is the file already shown: not read again.
    {
        std::FILE* f = std::fopen(odd.constData(), "wb");
        std::fputs("Object changed;\n", f);
        std::fclose(f);
    }
    QVERIFY(m_app->OpenDocumentFile(DecodeFileName(odd)));
    QCOMPARE(m_app->GetDocument()->m_text, std::string("Object lamp;\n"));

    QVERIFY(m_app->OpenDocumentFile(plain));
    QCOMPARE(m_app->GetRecentFileList().GetCount(), 2);
    const QString label = Frame()->GetRecentFileActions()[1]->text();
    QVERIFY2(label.endsWith(QStringLiteral("/caf\uFFFD.inf")), qPrintable(label));
    QCOMPARE(m_app->ExitInstance(), 0);
    QCOMPARE(m_err->Text(), QString());
    QCOMPARE(m_settings.Keys(kRecent), (QStringList{"File1", "File2"}));
    // A UTF-8 name as plain text, the other as its bytes with the odd one escaped.
    QFile stored(m_settings.File());
    QVERIFY(stored.open(QIODevice::ReadOnly));
    const QByteArray lines = stored.readAll();
    QVERIFY2(lines.contains("\nFile1=" + QFile::encodeName(plain) + "\n"), lines.constData());
    QVERIFY2(lines.contains("\nFile2=@ByteArray(" + QFile::encodeName(m_files->path()) + "/caf\\xe9.inf)\n"),
             lines.constData());

    // The next start lists it again, and it opens from the menu.
    m_app.reset();
    m_app = std::make_unique<TestApp>(CCommandLineInfo{});
    m_app->SetOutputStreams(m_out->Get(), m_err->Get());
    QVERIFY(m_app->InitInstance());
    QCOMPARE(m_app->GetRecentFileList().GetCount(), 2);
    QCOMPARE(EncodeFileName(m_app->GetRecentFileList()[1]), odd);
    Frame()->GetRecentFileActions()[1]->trigger();
    QCOMPARE(EncodeFileName(m_app->GetDocument()->GetPathName()), odd);
    QCOMPARE(m_app->GetDocument()->m_text, std::string("Object changed;\n"));
}

namespace {

// "lamp" in any case: at 7, 19, 33 and 41; "Lamp" is the third, "lamps" the fourth.
const QByteArray kLamps = "Object lamp \"brass lamp\";\nObject Lamp;\n! lamps\n";

CSyntaxRichEditCtrl& Control(TestApp& app) { return app.GetView()->GetRichEditCtrl(); }

QString Selected(TestApp& app)
{
    long long from, to;
    Control(app).GetSel(from, to);
    return QStringLiteral("%1-%2").arg(from).arg(to);
}

}  // namespace

void TestApp_::findBar()
{
    TestApp& app = Start({MakeFile(QStringLiteral("lamps.inf"), kLamps)});
    QVERIFY(app.InitInstance());
    Activate();
    CMainFrame* frame = Frame();
    CFindBar* bar = frame->GetReadingTools()->GetFindBar();
    CSyntaxRichEditCtrl& control = Control(app);
    QVERIFY(bar->isHidden());
    control.setFocus();
    QTRY_VERIFY(control.hasFocus());

    // Ctrl+F with the caret inside a word: that word, found where it is.
    control.SetSel(9, 9);
    QTest::keyClick(&control, Qt::Key_F, Qt::ControlModifier);
    QVERIFY(bar->isVisible());
    QVERIFY(bar->FindEdit()->hasFocus());
    QCOMPARE(bar->FindEdit()->text(), QStringLiteral("lamp"));
    QCOMPARE(bar->FindEdit()->selectedText(), QStringLiteral("lamp"));
    QCOMPARE(Selected(app), QStringLiteral("7-11"));
    QTRY_COMPARE(bar->CountText(), QStringLiteral("1 of 4"));
    // Ctrl+F again, in the text box: its text selected, nothing else changes.
    bar->FindEdit()->deselect();
    QTest::keyClick(bar->FindEdit(), Qt::Key_F, Qt::ControlModifier);
    QCOMPARE(bar->FindEdit()->selectedText(), QStringLiteral("lamp"));
    QCOMPARE(Selected(app), QStringLiteral("7-11"));

    // F3 and Enter go on, Shift+Enter goes back, round the ends with a word in the message pane.
    QTest::keyClick(bar->FindEdit(), Qt::Key_F3);
    QCOMPARE(Selected(app), QStringLiteral("19-23"));
    QCOMPARE(bar->CountText(), QStringLiteral("2 of 4"));
    QTest::keyClick(bar->FindEdit(), Qt::Key_Return);
    QCOMPARE(Selected(app), QStringLiteral("33-37"));
    QTest::keyClick(bar->FindEdit(), Qt::Key_Return, Qt::ShiftModifier);
    QCOMPARE(Selected(app), QStringLiteral("19-23"));
    QTest::keyClick(bar->FindEdit(), Qt::Key_F3);
    QTest::keyClick(bar->FindEdit(), Qt::Key_F3);
    QCOMPARE(Selected(app), QStringLiteral("41-45"));
    QCOMPARE(frame->GetStatusBar()->currentMessage(), QString());
    QTest::keyClick(bar->FindEdit(), Qt::Key_F3);
    QCOMPARE(Selected(app), QStringLiteral("7-11"));
    QVERIFY(frame->GetStatusBar()->currentMessage().contains(QStringLiteral("continued from the start")));
    QTest::keyClick(bar->FindEdit(), Qt::Key_F3, Qt::ShiftModifier);
    QCOMPARE(Selected(app), QStringLiteral("41-45"));
    QVERIFY(frame->GetStatusBar()->currentMessage().contains(QStringLiteral("continued from the end")));
    QCOMPARE(bar->CountText(), QStringLiteral("4 of 4"));
    // A later search that does not go round takes the word back, and only its own word.
    QTest::keyClick(bar->FindEdit(), Qt::Key_F3, Qt::ShiftModifier);
    QCOMPARE(Selected(app), QStringLiteral("33-37"));
    QCOMPARE(frame->GetStatusBar()->currentMessage(), QString());
    QTest::keyClick(bar->FindEdit(), Qt::Key_F3);
    QTest::keyClick(bar->FindEdit(), Qt::Key_F3);
    QVERIFY(frame->GetStatusBar()->currentMessage().contains(QStringLiteral("continued from the start")));
    control.SetZoom(12);
    QTest::keyClick(bar->FindEdit(), Qt::Key_F3);
    QCOMPARE(Selected(app), QStringLiteral("19-23"));
    QCOMPARE(frame->GetStatusBar()->currentMessage(), QStringLiteral("Zoom: 12 points"));
    control.SetZoom(10);
    QTest::keyClick(bar->FindEdit(), Qt::Key_F3);
    QTest::keyClick(bar->FindEdit(), Qt::Key_F3);
    QCOMPARE(Selected(app), QStringLiteral("41-45"));

    // The other matches shown are highlighted; the current one is the selection.
    const QRect other = control.CharRect(20);
    QCOMPARE(control.viewport()->grab().toImage().pixelColor(other.left() + 1, other.top() + 1),
             CFindBar::MATCH_BACKGROUND);

    // The options, from the keyboard: Match case drops "Lamp", Whole words "lamps". The
    // focus stays in the text box, so that typing goes on there.
    bar->FindEdit()->setFocus();
    control.SetSel(0, 0);
    QTest::keyClick(bar->FindEdit(), Qt::Key_C, Qt::AltModifier);
    QVERIFY(bar->findChild<QCheckBox*>(QStringLiteral("MatchCase"))->isChecked());
    QVERIFY(bar->FindEdit()->hasFocus());
    QTRY_COMPARE(bar->CountText(), QStringLiteral("1 of 3"));
    QTest::keyClick(bar->FindEdit(), Qt::Key_W, Qt::AltModifier);
    QVERIFY(bar->findChild<QCheckBox*>(QStringLiteral("WholeWords"))->isChecked());
    QVERIFY(bar->FindEdit()->hasFocus());
    QTRY_COMPARE(bar->CountText(), QStringLiteral("1 of 2"));

    // Typing searches at once; a text found nowhere says so and leaves the caret where the search began.
    bar->FindEdit()->end(false);
    QTest::keyClicks(bar->FindEdit(), QStringLiteral("x"));
    QTRY_COMPARE(bar->CountText(), QStringLiteral("Not found"));
    QCOMPARE(Selected(app), QStringLiteral("0-0"));

    // Ctrl+C in the find bar's text box copies its own text, not the document's.
    QTest::keyClick(bar->FindEdit(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(bar->FindEdit(), Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("lampx"));

    // Escape closes the bar, takes the highlights away and gives the text the focus.
    QTest::keyClick(bar->FindEdit(), Qt::Key_Escape);
    QVERIFY(bar->isHidden());
    QTRY_VERIFY(control.hasFocus());
    QCOMPARE(control.viewport()->grab().toImage().pixelColor(other.left() + 1, other.top() + 1), QColor(Qt::white));
    // F3 brings it back with its text, the focus staying in the text.
    control.SetSel(0, 0);
    bar->FindEdit()->setText(QStringLiteral("lamp"));
    QTest::keyClick(&control, Qt::Key_F3);
    QVERIFY(bar->isVisible());
    QVERIFY(control.hasFocus());
    QCOMPARE(Selected(app), QStringLiteral("7-11"));
}

void TestApp_::copyAndSelectAllFromTheMenu()
{
    TestApp& app = Start({MakeFile(QStringLiteral("lamps.inf"), kLamps)});
    QVERIFY(app.InitInstance());
    Activate();
    CMainFrame* frame = Frame();
    CSyntaxRichEditCtrl& control = Control(app);
    control.setFocus();
    QTRY_VERIFY(control.hasFocus());
    QAction* copy = frame->GetCommand(ID_EDIT_COPY);
    QVERIFY(!copy->isEnabled());
    frame->GetCommand(ID_EDIT_SELECT_ALL)->trigger();
    QCOMPARE(Selected(app), QStringLiteral("0-%1").arg(control.GetTextLength()));
    QVERIFY(copy->isEnabled());
    QGuiApplication::clipboard()->clear();
    copy->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(), QString::fromLatin1(kLamps));

    // The focused text takes its own Ctrl+C and Ctrl+A: the menu's keys neither fight it
    // (no ambiguous shortcut) nor run besides it.
    QTest::failOnWarning(QRegularExpression(QStringLiteral("[Aa]mbiguous")));
    QSignalSpy copies(copy, &QAction::triggered);
    QSignalSpy selectAlls(frame->GetCommand(ID_EDIT_SELECT_ALL), &QAction::triggered);
    control.SetSel(7, 11);
    QTest::keyClick(&control, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("lamp"));
    QTest::keyClick(&control, Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(Selected(app), QStringLiteral("0-%1").arg(control.GetTextLength()));
    QCOMPARE(copies.count() + selectAlls.count(), 0);
}

void TestApp_::goToLineAndGoToSymbol()
{
    QByteArray text = "Class CompassDirection;\nCompassDirection -> n_obj \"north\";\n[ Main;\n];\n";
    for (int i = 0; i < 300; ++i) text += "! more\n";
    TestApp& app = Start({MakeFile(QStringLiteral("compass.inf"), text)});
    QVERIFY(app.InitInstance());
    Activate();
    CSyntaxRichEditCtrl& control = Control(app);
    control.setFocus();
    QTRY_VERIFY(control.hasFocus());
    control.SetSel(30, 30);  // on line 2

    // Ctrl+G: lines 1 to the last (the empty line after the last line feed is one), the
    // caret's line given.
    const QString wanted = QStringLiteral("200");
    QString prompt, shown;
    app.SetModalRunner([&](QDialog& dialog) {
        auto* box = dialog.findChild<QLineEdit*>(QStringLiteral("IDC_LINE_NUMBER"));
        prompt = dialog.findChild<QLabel*>(QStringLiteral("IDC_LINE_PROMPT"))->text();
        shown = box->text();
        box->setText(wanted);
        dialog.accept();
        return dialog.result();
    });
    QTest::keyClick(&control, Qt::Key_G, Qt::ControlModifier);
    QCOMPARE(prompt, QStringLiteral("&Line number (1 - 305):"));
    QCOMPARE(shown, QStringLiteral("2"));
    const std::uint64_t lineStart = control.GetStore().RowStart(199);
    QCOMPARE(Selected(app), QStringLiteral("%1-%1").arg(lineStart));
    const long long rows = control.viewport()->height() / (control.CharRect(0).height());
    QCOMPARE(control.GetFirstVisibleLine(), 199 - (rows - 1) / 2);
    QCOMPARE(Frame()->GetReadingTools()->GetPositionPane()->text(), QStringLiteral("Ln 200, Col 1"));
    QVERIFY(control.hasFocus());

    // Cancel moves nothing.
    app.SetModalRunner([](QDialog&) { return int(QDialog::Rejected); });
    QTest::keyClick(&control, Qt::Key_G, Qt::ControlModifier);
    QCOMPARE(Selected(app), QStringLiteral("%1-%1").arg(lineStart));
    // A number past the end goes to the last line, as --line does.
    app.SetModalRunner([&](QDialog& dialog) {
        dialog.findChild<QLineEdit*>(QStringLiteral("IDC_LINE_NUMBER"))->setText(QStringLiteral("99999"));
        dialog.accept();
        return dialog.result();
    });
    QTest::keyClick(&control, Qt::Key_G, Qt::ControlModifier);
    QCOMPARE(control.GetCaretLine(), 304);

    // Ctrl+Shift+O: the outline as a pop-up; typing part of a name, then Enter.
    QStringList names;
    app.SetModalRunner([&](QDialog& dialog) {
        auto* list = dialog.findChild<COutlineList*>();
        for (int row = 0; row < list->List()->model()->rowCount(); ++row)
            names << list->List()->model()->index(row, 0).data().toString();
        QTest::keyClicks(list->FilterEdit(), QStringLiteral("OBJ"));
        QTest::keyClick(list->FilterEdit(), Qt::Key_Return);
        return dialog.result();
    });
    QTest::keyClick(&control, Qt::Key_O, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(names, (QStringList{"CompassDirection", "n_obj", "Main"}));
    QCOMPARE(Selected(app), QStringLiteral("44-44"));  // the name n_obj on line 2
    QCOMPARE(control.GetFirstVisibleLine(), 0);         // line 2 cannot be brought lower than the top
    QVERIFY(control.hasFocus());
}

void TestApp_::startAtALine_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<int>("row");  // where the caret is, from 0

    QTest::newRow("a line in the middle") << "150" << 149;
    QTest::newRow("the first line") << "1" << 0;
    // 400 lines and the empty one after the last line feed.
    QTest::newRow("past the last line: the last line") << "100000000000000000000000" << 400;
}

void TestApp_::startAtALine()
{
    QFETCH(QString, line);
    QFETCH(int, row);
    QByteArray text;
    for (int i = 1; i <= 400; ++i) text += "Constant C" + QByteArray::number(i) + ";\n";
    TestApp& app = Start({QStringLiteral("--line"), line, MakeFile(QStringLiteral("long.inf"), text)});
    QVERIFY(app.InitInstance());
    CSyntaxRichEditCtrl& control = Control(app);
    QCOMPARE(control.GetCaretLine(), row);
    QCOMPARE(control.GetCaretColumn(), 0);
    // In the middle of the view, as near as the ends of the text allow; still so once the
    // window has taken its final size.
    QApplication::processEvents();
    const long long rows = control.viewport()->height() / control.CharRect(0).height();
    const long long top = std::clamp<long long>(row - (rows - 1) / 2, 0, 401 - rows);
    QCOMPARE(control.GetFirstVisibleLine(), top);
}

void TestApp_::outlineDock()
{
    const QString first = MakeFile(QStringLiteral("compass.inf"),
                                   "Class CompassDirection;\nCompassDirection -> n_obj \"north\";\n[ Main;\n];\n");
    TestApp& app = Start({first});
    QVERIFY(app.InitInstance());
    Activate();
    CMainFrame* frame = Frame();
    COutlineDock* dock = frame->GetReadingTools()->GetOutlineDock();
    COutlineModel& model = frame->GetReadingTools()->GetOutlineModel();
    QAction* toggle = frame->GetCommand(ID_VIEW_OUTLINE);
    // Hidden at start, and not built: the open did no work for it.
    QVERIFY(dock->isHidden());
    QVERIFY(!model.IsUpToDate());
    QTest::qWait(50);
    QVERIFY(!model.IsUpToDate());

    // View > Outline from the keyboard.
    QTest::keyClick(frame, Qt::Key_V, Qt::AltModifier);
    QTRY_VERIFY(qobject_cast<QMenu*>(QApplication::activePopupWidget()));
    QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_O);
    QTRY_VERIFY(dock->isVisible());
    QVERIFY(toggle->isChecked());
    QTRY_VERIFY(model.IsUpToDate());
    const auto rows = [&] {
        QStringList shown;
        QAbstractItemModel* list = dock->List()->List()->model();
        for (int row = 0; row < list->rowCount(); ++row)
            shown << QStringLiteral("%1 %2 %3")
                         .arg(list->index(row, 0).data().toString(), list->index(row, 1).data().toString(),
                              list->index(row, 2).data().toString());
        return shown;
    };
    QCOMPARE(rows(), (QStringList{"CompassDirection class 1", "n_obj object 2", "Main routine 3"}));
    // The focus goes to the filter box (the offscreen platform leaves no window active
    // once a menu has closed: the window is made active again).
    Activate();
    QTRY_VERIFY(dock->List()->FilterEdit()->hasFocus());
    QVERIFY(!dock->List()->FilterEdit()->accessibleName().isEmpty());
    QVERIFY(!dock->List()->List()->accessibleName().isEmpty());

    // The filter box keeps the names holding its text in any case; Enter goes there.
    QTest::keyClicks(dock->List()->FilterEdit(), QStringLiteral("mAi"));
    QCOMPARE(rows(), QStringList{"Main routine 3"});
    QTest::keyClick(dock->List()->FilterEdit(), Qt::Key_Return);
    QCOMPARE(Selected(app), QStringLiteral("61-61"));
    QTRY_VERIFY(Control(app).hasFocus());
    // Tab goes from the filter box to the list; Escape goes back to the text.
    dock->List()->FilterEdit()->setFocus();
    QTest::keyClick(dock->List()->FilterEdit(), Qt::Key_Tab);
    QVERIFY(dock->List()->List()->hasFocus());
    QTest::keyClick(dock->List()->List(), Qt::Key_Escape);
    QVERIFY(Control(app).hasFocus());

    // Another file: the outline is built again once that text has been painted.
    dock->List()->FilterEdit()->clear();
    QVERIFY(app.OpenDocumentFile(MakeFile(QStringLiteral("other.inf"), "Global score;\nArray list --> 3;\n")));
    QVERIFY(!model.IsUpToDate());
    QTRY_VERIFY(model.IsUpToDate());
    QCOMPARE(rows(), (QStringList{"score global 1", "list array 2"}));

    toggle->trigger();
    QVERIFY(dock->isHidden());
    QVERIFY(!toggle->isChecked());
}

void TestApp_::outlineOfACorpusFile()
{
    // The issue's own example: objects made from the file's own class.
    const QString path = QStringLiteral(GLOSSEL_CORPUS_DIR "/inform6lib/english.h");
    if (!QFile::exists(path)) QSKIP("the corpus is not there");
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().split('\n');
    int classLine = 0, objectLine = 0;
    for (int i = 0; i < lines.size(); ++i) {
        const QByteArray simplified = lines[i].simplified();
        if (!classLine && simplified.startsWith("Class CompassDirection")) classLine = i + 1;
        if (!objectLine && simplified.startsWith("CompassDirection -> n_obj")) objectLine = i + 1;
    }
    QVERIFY(classLine > 0 && objectLine > classLine);

    TestApp& app = Start({path});
    QVERIFY(app.InitInstance());
    CMainFrame* frame = Frame();
    frame->GetCommand(ID_VIEW_OUTLINE)->trigger();
    COutlineModel& model = frame->GetReadingTools()->GetOutlineModel();
    QTRY_VERIFY(model.IsUpToDate());
    QStringList found;
    for (int row = 0; row < model.rowCount(); ++row) {
        const QString name = model.index(row, COutlineModel::COLUMN_NAME).data().toString();
        if (name == u"CompassDirection" || name == u"n_obj")
            found << QStringLiteral("%1 %2 %3")
                         .arg(name, model.index(row, COutlineModel::COLUMN_KIND).data().toString())
                         .arg(model.index(row, 0).data(COutlineModel::ROLE_LINE).toInt());
    }
    QCOMPARE(found, (QStringList{QStringLiteral("CompassDirection class %1").arg(classLine),
                                 QStringLiteral("n_obj object %1").arg(objectLine)}));
}

void TestApp_::positionPaneAndZoomAreForTheRunOnly()
{
    QByteArray text = "\tab\n";
    for (int i = 0; i < 1300; ++i) text += "x\n";
    TestApp& app = Start({MakeFile(QStringLiteral("tabs.inf"), text)});
    QVERIFY(app.InitInstance());
    Activate();
    CMainFrame* frame = Frame();
    CSyntaxRichEditCtrl& control = Control(app);
    QLabel* pane = frame->GetReadingTools()->GetPositionPane();
    control.setFocus();
    QTRY_VERIFY(control.hasFocus());
    QCOMPARE(pane->text(), QStringLiteral("Ln 1, Col 1"));
    // Columns as drawn: the tab goes to column 9.
    QTest::keyClick(&control, Qt::Key_Right);
    QCOMPARE(pane->text(), QStringLiteral("Ln 1, Col 9"));
    QTest::keyClick(&control, Qt::Key_Right);
    QCOMPARE(pane->text(), QStringLiteral("Ln 1, Col 10"));
    control.GoToLine(1233);
    QCOMPARE(pane->text(), QStringLiteral("Ln 1,234, Col 1"));
    QTest::keyClick(&control, Qt::Key_Down);
    const auto caretShown = [&] {
        return control.viewport()->rect().contains(control.CharRect(control.GetCaretPos()).center());
    };

    // Zoom: Ctrl with =, + (Shift or the keypad's), - and 0, and the wheel; 6 to 72 points.
    QCOMPARE(control.GetZoom(), 10);
    QTest::keyClick(&control, Qt::Key_Equal, Qt::ControlModifier);
    QCOMPARE(control.GetZoom(), 11);
    QCOMPARE(frame->GetStatusBar()->currentMessage(), QStringLiteral("Zoom: 11 points"));
    QTest::keyClick(&control, Qt::Key_Plus, Qt::ControlModifier | Qt::ShiftModifier);
    QTest::keyClick(&control, Qt::Key_Plus, Qt::ControlModifier | Qt::KeypadModifier);
    QCOMPARE(control.GetZoom(), 14);
    QTest::keyClick(&control, Qt::Key_Minus, Qt::ControlModifier);
    QCOMPARE(control.GetZoom(), 12);
    const QPoint middle = control.viewport()->rect().center();
    QWheelEvent up(middle, control.viewport()->mapToGlobal(middle), {}, {0, 120}, Qt::NoButton, Qt::ControlModifier,
                   Qt::NoScrollPhase, false);
    QApplication::sendEvent(control.viewport(), &up);
    QCOMPARE(control.GetZoom(), 14);
    // Zooming leaves the caret where it is, and in view.
    QCOMPARE(control.GetCaretLine(), 1234);
    for (int i = 0; i < 30; ++i) QTest::keyClick(&control, Qt::Key_Equal, Qt::ControlModifier);
    QCOMPARE(control.GetZoom(), 72);
    QVERIFY(caretShown());
    for (int i = 0; i < 30; ++i) QTest::keyClick(&control, Qt::Key_Minus, Qt::ControlModifier);
    QCOMPARE(control.GetZoom(), 6);
    QTest::keyClick(&control, Qt::Key_0, Qt::ControlModifier);
    QCOMPARE(control.GetZoom(), 10);
    QTest::keyClick(&control, Qt::Key_Equal, Qt::ControlModifier);
    // Printing keeps the control's own font, 10 points.
    QCOMPARE(control.font().pointSize(), 10);

    // Nothing of the find bar, the zoom or the outline is stored.
    frame->GetCommand(ID_EDIT_FIND)->trigger();
    frame->GetCommand(ID_VIEW_OUTLINE)->trigger();
    QCOMPARE(app.ExitInstance(), 0);
    QSettings stored(m_settings.File(), QSettings::IniFormat);
    QStringList groups = stored.childGroups();
    groups.sort();
    QCOMPARE(groups, (QStringList{kStyles, kRecent}));
    QCOMPARE(stored.allKeys().size(), 36 + 1);  // the styles, and this file as the recent one
}

void TestApp_::zoomKeysActWhereverTheFocusIs_data()
{
    QTest::addColumn<QString>("focus");  // the object name of the widget with the focus
    QTest::newRow("the text") << "1000";
    QTest::newRow("the find box") << "FindText";
    QTest::newRow("Match case") << "MatchCase";
    QTest::newRow("Whole words") << "WholeWords";
    QTest::newRow("the outline's filter") << "OutlineFilter";
    QTest::newRow("the outline's list") << "OutlineList";
}

void TestApp_::zoomKeysActWhereverTheFocusIs()
{
    QFETCH(QString, focus);
    TestApp& app = Start({MakeFile(QStringLiteral("lamps.inf"), kLamps)});
    QVERIFY(app.InitInstance());
    Activate();
    CMainFrame* frame = Frame();
    frame->GetCommand(ID_EDIT_FIND)->trigger();
    frame->GetCommand(ID_VIEW_OUTLINE)->trigger();
    Activate();
    auto* target = frame->findChild<QWidget*>(focus);
    QVERIFY(target);
    target->setFocus();
    QTRY_VERIFY(target->hasFocus());
    const CSyntaxRichEditCtrl& control = Control(app);

    // Ctrl with =, + (Shift or the keypad's), - and 0, each one step of the sizes.
    const struct {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        int points;
    } keys[] = {
        {Qt::Key_Equal, Qt::ControlModifier, 11},
        {Qt::Key_Plus, Qt::ControlModifier | Qt::ShiftModifier, 12},
        {Qt::Key_Plus, Qt::ControlModifier | Qt::KeypadModifier, 14},
        {Qt::Key_Minus, Qt::ControlModifier, 12},
        {Qt::Key_0, Qt::ControlModifier, 10},
    };
    for (const auto& [key, modifiers, points] : keys) {
        QTest::keyClick(target, key, modifiers);
        QCOMPARE(control.GetZoom(), points);
        QCOMPARE(frame->GetStatusBar()->currentMessage(), QStringLiteral("Zoom: %1 points").arg(points));
        QVERIFY(target->hasFocus());
    }
}

QTEST_MAIN(TestApp_)
#include "test_app.moc"
