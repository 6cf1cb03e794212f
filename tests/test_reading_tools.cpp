// The reading tools through the real widgets of a running viewer: the find bar, Copy and
// Select All from the menu, Go to Line and Go to Symbol, the Outline dock, the position
// pane and the zoom, none of which leaves anything stored.

#include "AppTest.h"

class TestReadingTools : public CAppTest {
    Q_OBJECT

private slots:
    void findBar();
    void copyAndSelectAllFromTheMenu();
    void goToLineAndGoToSymbol();
    void outlineDock();
    void outlineOfACorpusFile();
    void positionPaneAndZoomAreForTheRunOnly();
    void zoomKeysActWhereverTheFocusIs_data();
    void zoomKeysActWhereverTheFocusIs();
};

namespace {

// "lamp" in any case: at 7, 19, 33 and 41; "Lamp" is the third, "lamps" the fourth.
const QByteArray kLamps = "Object lamp \"brass lamp\";\nObject Lamp;\n! lamps\n";

}  // namespace

void TestReadingTools::findBar()
{
    TestApp& app = Start({MakeFile(QStringLiteral("lamps.inf"), kLamps)});
    QVERIFY(app.InitInstance());
    Activate();
    CMainFrame* frame = Frame();
    CFindBar* bar = frame->GetReadingTools()->GetFindBar();
    CSyntaxRichEditCtrl& control = Control(app);
    QVERIFY(bar->isHidden());
    // What the game is compiled as, said once it is there, is no word of the find bar's.
    QTRY_VERIFY(frame->GetSession().Game());
    frame->GetStatusBar()->clearMessage();
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

void TestReadingTools::copyAndSelectAllFromTheMenu()
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

void TestReadingTools::goToLineAndGoToSymbol()
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

void TestReadingTools::outlineDock()
{
    const QString first = MakeFile(QStringLiteral("compass.inf"),
                                   "Class CompassDirection;\nCompassDirection -> n_obj \"north\";\n[ Main;\n];\n");
    TestApp& app = Start({first});
    QVERIFY(app.InitInstance());
    Activate();
    CMainFrame* frame = Frame();
    COutlineDock* dock = frame->GetOutlineDock();
    CGameOutlineModel& model = frame->GetOutlineModel();
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
    // The file is the tree's one top row; its definitions lie under it.
    const auto rows = [&] {
        QStringList shown;
        QAbstractItemModel* tree = dock->Tree()->Tree()->model();
        const QModelIndex top = tree->index(0, 0);
        for (int row = 0; row < tree->rowCount(top); ++row)
            shown << QStringLiteral("%1 %2 %3")
                         .arg(tree->index(row, 0, top).data().toString(), tree->index(row, 1, top).data().toString(),
                              tree->index(row, 2, top).data().toString());
        return QStringList{dock->Tree()->Tree()->model()->index(0, 0).data().toString()} + shown;
    };
    QCOMPARE(rows(), (QStringList{"compass.inf", "CompassDirection class 1", "n_obj object 2", "Main routine 3"}));
    // The focus goes to the filter box (the offscreen platform leaves no window active
    // once a menu has closed: the window is made active again).
    Activate();
    QTRY_VERIFY(dock->Tree()->FilterEdit()->hasFocus());
    QVERIFY(!dock->Tree()->FilterEdit()->accessibleName().isEmpty());
    QVERIFY(!dock->Tree()->Tree()->accessibleName().isEmpty());

    // The filter box keeps the names holding its text in any case; Enter goes there.
    QTest::keyClicks(dock->Tree()->FilterEdit(), QStringLiteral("mAi"));
    QCOMPARE(rows(), (QStringList{"compass.inf", "Main routine 3"}));
    QTest::keyClick(dock->Tree()->FilterEdit(), Qt::Key_Return);
    QCOMPARE(Selected(app), QStringLiteral("61-61"));
    QTRY_VERIFY(Control(app).hasFocus());
    // Tab goes from the filter box to the tree; Escape goes back to the text.
    dock->Tree()->FilterEdit()->setFocus();
    QTest::keyClick(dock->Tree()->FilterEdit(), Qt::Key_Tab);
    QVERIFY(dock->Tree()->Tree()->hasFocus());
    QTest::keyClick(dock->Tree()->Tree(), Qt::Key_Escape);
    QVERIFY(Control(app).hasFocus());

    // Another file is another game: its tree is built again once it is there.
    dock->Tree()->FilterEdit()->clear();
    QVERIFY(app.OpenDocumentFile(MakeFile(QStringLiteral("other.inf"), "Global score;\nArray list --> 3;\n")));
    QVERIFY(!model.IsUpToDate());
    QTRY_VERIFY(model.IsUpToDate());
    QCOMPARE(rows(), (QStringList{"other.inf", "score global 1", "list array 2"}));

    toggle->trigger();
    QVERIFY(dock->isHidden());
    QVERIFY(!toggle->isChecked());
}

void TestReadingTools::outlineOfACorpusFile()
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
    CGameOutlineModel& model = frame->GetOutlineModel();
    QTRY_VERIFY(model.IsUpToDate());
    const QModelIndex top = model.index(0, 0);
    QCOMPARE(top.data().toString(), QStringLiteral("english.h"));
    QStringList found;
    for (int row = 0; row < model.rowCount(top); ++row) {
        const QModelIndex index = model.index(row, CGameOutlineModel::COLUMN_NAME, top);
        const QString name = index.data().toString();
        if (name == u"CompassDirection" || name == u"n_obj")
            found << QStringLiteral("%1 %2 %3")
                         .arg(name, model.index(row, CGameOutlineModel::COLUMN_KIND, top).data().toString())
                         .arg(index.data(CGameOutlineModel::ROLE_LINE).toInt() + 1);
    }
    QCOMPARE(found, (QStringList{QStringLiteral("CompassDirection class %1").arg(classLine),
                                 QStringLiteral("n_obj object %1").arg(objectLine)}));
}

void TestReadingTools::positionPaneAndZoomAreForTheRunOnly()
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

void TestReadingTools::zoomKeysActWhereverTheFocusIs_data()
{
    QTest::addColumn<QString>("focus");  // the object name of the widget with the focus
    QTest::newRow("the text") << "1000";
    QTest::newRow("the find box") << "FindText";
    QTest::newRow("Match case") << "MatchCase";
    QTest::newRow("Whole words") << "WholeWords";
    QTest::newRow("the outline's filter") << "OutlineFilter";
    QTest::newRow("the outline's list") << "OutlineList";
}

void TestReadingTools::zoomKeysActWhereverTheFocusIs()
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

QTEST_MAIN(TestReadingTools)
#include "test_reading_tools.moc"
