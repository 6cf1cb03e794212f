// The main window's menus, keys, toolbar and status bar as the application sets them up:
// every command reaching its handler by menu, key and toolbar, the bars' toggles, the
// prompts, the lock-key panes, the caption, the About box and the styles' command.

#include "AppTest.h"

class TestAppWindow : public CAppTest {
    Q_OBJECT

private slots:
    void menusAndKeys();
    void commandsReachTheirHandlers_data();
    void commandsReachTheirHandlers();
    void paneKeysDoNothing();
    void barTogglesAndCheckMarks();
    void promptsAndTooltips();
    void aboutBox();
    void stylesChangedRenderEveryViewAgain();
    void lockKeyPanes();
    void titleShowsTheFileNameAsItIs();
};

void TestAppWindow::menusAndKeys()
{
    Start().InitInstance();
    CMainFrame* frame = Frame();
    QStringList titles;
    for (QAction* menu : frame->menuBar()->actions()) titles << menu->text();
    // The Edit and Go menus are the two added to the four, between File and View.
    QCOMPARE(titles, (QStringList{"&File", "&Edit", "&Go", "&View", "&Tools", "&Help"}));

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
                                      "Find &Next\tF3", "Find &Previous\tShift+F3"}));
    // Back and Forward are grey while there is nowhere to go, as at start.
    QCOMPARE(itemsOf(2), (QStringList{"&Back\tAlt+Left (grey)", "&Forward\tAlt+Right (grey)", "-",
                                      "Go to &Definition\tF12", "Find &References\tShift+F12", "-",
                                      "Go to &Line...\tCtrl+G", "Go to &Symbol...\tCtrl+Shift+O",
                                      "Go to Symbol in &Game...\tCtrl+Alt+O"}));
    // The View items added come last, and their docks are hidden at start.
    QCOMPARE(itemsOf(3), (QStringList{"&Toolbar [x]", "&Status Bar [x]", "&Outline [ ]", "&References [ ]", "-",
                                      "Compile &As", "Show S&kipped Code [x]"}));
    // The compiler's default: Z-code, without Debug.
    QStringList compileAs;
    for (QAction* item : frame->menuBar()->actions()[3]->menu()->actions()[5]->menu()->actions())
        compileAs << (item->isSeparator() ? QStringLiteral("-")
                                          : item->text() + (item->isChecked() ? QStringLiteral(" [x]") : QStringLiteral(" [ ]")));
    QCOMPARE(compileAs, (QStringList{"&Z-code [x]", "&Glulx [ ]", "-", "&Debug (-D) [ ]"}));
    QCOMPARE(itemsOf(4), (QStringList{"&Syntax Styles...\tCtrl+T"}));
    QCOMPARE(itemsOf(5), (QStringList{"&About Glossel..."}));

    // The accelerators, exactly these and no others.
    QStringList keys;
    for (QAction* action : frame->findChildren<QAction*>())
        for (const QKeySequence& key : action->shortcuts()) keys << key.toString();
    keys.sort();
    // The zoom's keys are on no menu.
    QCOMPARE(keys, (QStringList{"Alt+Left", "Alt+Right", "Ctrl++", "Ctrl+-", "Ctrl+0", "Ctrl+=", "Ctrl+A", "Ctrl+Alt+O",
                                "Ctrl+C", "Ctrl+F", "Ctrl+G", "Ctrl+O", "Ctrl+Shift++", "Ctrl+Shift+O", "Ctrl+T", "F12",
                                "F3", "F6", "Shift+F12", "Shift+F3", "Shift+F6"}));
}

void TestAppWindow::commandsReachTheirHandlers_data()
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

void TestAppWindow::commandsReachTheirHandlers()
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

void TestAppWindow::paneKeysDoNothing()
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

void TestAppWindow::barTogglesAndCheckMarks()
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

void TestAppWindow::promptsAndTooltips()
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
    const struct {
        int id;
        const char* prompt;
        const char* tip;
    } menuPrompts[] = {
        {ID_APP_EXIT, "Quit the application", "Exit"},
        {ID_VIEW_TOOLBAR, "Show or hide the toolbar", "Toggle ToolBar"},
        {ID_VIEW_STATUS_BAR, "Show or hide the status bar", "Toggle StatusBar"},
        {ID_EDIT_COPY, "Copy the selection and put it on the Clipboard", "Copy"},
        {ID_EDIT_FIND, "Find the specified text", "Find"},
        {ID_EDIT_GOTO_LINE, "Move to the start of a line given by its number", "Go to Line"},
        {ID_VIEW_OUTLINE, "Show or hide the outline of the game's files and definitions", "Toggle Outline"},
        {ID_GO_BACK, "Go back to the place before the last jump", "Back"},
        {ID_GO_FORWARD, "Go forward to the place left by Back", "Forward"},
        {ID_GO_DEFINITION, "Move to the definition of the name at the caret, or open the included file",
         "Go to Definition"},
        {ID_GO_REFERENCES, "List every use in the game of the name at the caret", "Find References"},
        {ID_GO_SYMBOL_IN_GAME, "Move to a definition anywhere in the game chosen by its name", "Go to Symbol in Game"},
        {ID_VIEW_REFERENCES, "Show or hide the list of the references found", "Toggle References"},
    };
    for (const auto& [id, prompt, tip] : menuPrompts) {
        QCOMPARE(frame->GetCommand(id)->statusTip(), QString::fromLatin1(prompt));
        QCOMPARE(frame->GetCommand(id)->toolTip(), QString::fromLatin1(tip));
    }
}

void TestAppWindow::aboutBox()
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

void TestAppWindow::stylesChangedRenderEveryViewAgain()
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

void TestAppWindow::lockKeyPanes()
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

void TestAppWindow::titleShowsTheFileNameAsItIs()
{
    const QString path = MakeFile(QStringLiteral("odd [*] & name.inf"));
    QVERIFY(Start({path}).InitInstance());
    QCOMPARE(Frame()->windowHandle()->title(), QStringLiteral("odd [*] & name.inf - Glossel"));
    QVERIFY(!Frame()->acceptDrops());
    QVERIFY(!m_app->GetView()->acceptDrops());
}

QTEST_MAIN(TestAppWindow)
#include "test_app_window.moc"
