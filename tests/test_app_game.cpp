// Reading a whole game through the real widgets of a running viewer: Go to Definition by
// key and by Ctrl+click (into another file, onto an Include line, with several
// definitions, with none), Back and Forward across files, the Outline dock's tree of the
// game and its filter, the References dock, and the text following its file on disk.

#include "AppTest.h"

#include "app/DefinitionChooser.h"
#include "app/DefinitionLink.h"
#include "app/GameFileWatcher.h"
#include "doc/TextLoader.h"
#include "app/ReferencesDock.h"
#include "app/SkippedCode.h"

#include <QSemaphore>
#include <QTreeWidget>

#include <cstdio>

class TestAppGame : public CAppTest {
    Q_OBJECT

private slots:
    void goToDefinition_data();
    void goToDefinition();
    void beforeTheGameIsRead_data();
    void beforeTheGameIsRead();
    void aFollowShowsTheTextTheGameRead();
    void ctrlShowsALinkUnderTheMouse();
    void backAndForwardAcrossFiles();
    void theGameStaysWhileFollowingIt();
    void outlineShowsTheWholeGame();
    void findReferences();
    void referencesInSkippedCode();
    void followsTheFileOnDisk_data();
    void followsTheFileOnDisk();
    void indexFollowsAnIncludedFile();
    void aChangeWhileTheGameIsBuiltIsSeen();
    void aFileWrittenWithoutPauseIsReadAgain();
    void placesFollowTheFileReadAgain();
    void aGameTooBigForMemoryIsSaidSo();
    void aChainOfIncludes();
    void includePathFromTheCommandLine();
    void compiledAsTheSwitchesSay_data();
    void compiledAsTheSwitchesSay();

private:
    // main.inf and lib.h of one game (lines from 0 below):
    //   main.inf 0 Include "lib";  1 Object lamp  2 with before  3 [ Main; ... ];
    //            4 Include "nothere";  5 [ Twice; ];  90 [ Later; PlayerTo(lamp); lamp.before(); ];  of 200
    //   lib.h    99 [ PlayerTo obj; ];  100 [ Twice; ];  150 [ Third; Later(); ];  of 200
    QString MakeGame();
    void PutCaret(TestApp& app, int line, const QString& word);
    QString ShownName(TestApp& app) const { return QFileInfo(app.GetView()->GetDocument()->GetPathName()).fileName(); }
    // The line the view should have at its top with line in the middle.
    static long long MiddleTop(const CSyntaxRichEditCtrl& control, long long line);
};

namespace {

QByteArray Filler(int from, int to)
{
    QByteArray lines;
    for (int i = from; i < to; ++i) lines += "! filler\n";
    return lines;
}

QString LineText(const CSyntaxRichEditCtrl& control, std::size_t line)
{
    const CRichTextStore& store = control.GetStore();
    return QString::fromStdU16String(store.Text(store.RowStart(line), store.RowEnd(line)));
}

}  // namespace

QString TestAppGame::MakeGame()
{
    MakeFile(QStringLiteral("lib.h"), Filler(0, 99) + "[ PlayerTo obj; return obj; ];\n[ Twice; ];\n" + Filler(101, 150) +
                                          "[ Third; Later(); ];\n" + Filler(151, 200));
    return MakeFile(QStringLiteral("main.inf"),
                    "Include \"lib\";\n"
                    "Object lamp \"brass lamp\"\n"
                    "  with before [; Take: PlayerTo(lamp); ];\n"
                    "[ Main; PlayerTo(lamp); Twice(); Nowhere(); ];\n"
                    "Include \"nothere\";\n"
                    "[ Twice; ];\n" +
                        Filler(6, 90) + "[ Later; PlayerTo(lamp); lamp.before(); ];\n" + Filler(91, 200));
}

void TestAppGame::PutCaret(TestApp& app, int line, const QString& word)
{
    CSyntaxRichEditCtrl& control = Control(app);
    const qsizetype column = LineText(control, static_cast<std::size_t>(line)).indexOf(word);
    QVERIFY2(column >= 0, qPrintable(word));
    const auto pos = static_cast<long long>(control.GetStore().RowStart(static_cast<std::size_t>(line))) + column + 1;
    control.SetSel(pos, pos);
}

long long TestAppGame::MiddleTop(const CSyntaxRichEditCtrl& control, long long line)
{
    const long long rows = control.viewport()->height() / control.CharRect(0).height();
    return std::max(0LL, line - (rows - 1) / 2);
}

void TestAppGame::goToDefinition_data()
{
    QTest::addColumn<int>("line");         // where the caret is put in main.inf, from 0
    QTest::addColumn<QString>("word");     // inside the first of which on that line
    QTest::addColumn<QString>("file");     // the file shown then
    QTest::addColumn<int>("caretLine");    // the caret's line there, from 0
    QTest::addColumn<int>("caretColumn");  // and its column
    QTest::addColumn<int>("top");          // the top line; -1: the caret's line in the middle
    QTest::addColumn<QString>("message");  // the start of the message pane's line, when it stays
    QTest::addColumn<QStringList>("list");  // the rows of the list of definitions, when one is shown

    QTest::newRow("a routine in another file") << 3 << "PlayerTo" << "lib.h" << 99 << 2 << -1 << "" << QStringList{};
    QTest::newRow("an object in the same file") << 3 << "lamp" << "main.inf" << 1 << 7 << 0 << "" << QStringList{};
    QTest::newRow("a property routine by its object") << 90 << "before" << "main.inf" << 2 << 7 << 0 << ""
                                                      << QStringList{};
    QTest::newRow("a property routine's own name") << 2 << "before" << "main.inf" << 2 << 7 << 0 << "" << QStringList{};
    QTest::newRow("the keyword of an Include line") << 0 << "Include" << "lib.h" << 0 << 0 << 0 << "" << QStringList{};
    QTest::newRow("the name of an Include line") << 0 << "lib" << "lib.h" << 0 << 0 << 0 << "" << QStringList{};
    // Read in the order the compiler reads them: lib.h where it is included, then the rest of main.inf.
    QTest::newRow("a name defined twice: the second chosen")
        << 3 << "Twice" << "main.inf" << 5 << 2 << 0 << ""
        << QStringList{"lib.h 101 [ Twice; ];", "main.inf 6 [ Twice; ];"};
    QTest::newRow("a name with no definition") << 3 << "Nowhere" << "main.inf" << 3 << 34 << 0
                                               << "No definition of Nowhere in this game" << QStringList{};
    QTest::newRow("an include that leads nowhere") << 4 << "nothere" << "main.inf" << 4 << 10 << 0
                                                   << "Include \"nothere\" leads to no file; tried " << QStringList{};
    QTest::newRow("a comment") << 10 << "filler" << "main.inf" << 10 << 3 << 0 << "There is no name at the caret"
                               << QStringList{};
}

void TestAppGame::goToDefinition()
{
    QFETCH(int, line);
    QFETCH(QString, word);
    QFETCH(QString, file);
    QFETCH(int, caretLine);
    QFETCH(int, caretColumn);
    QFETCH(int, top);
    QFETCH(QString, message);
    QFETCH(QStringList, list);

    TestApp& app = Start({MakeGame()});
    QVERIFY(app.InitInstance());
    Activate();
    // The whole game answers (what the file alone answers before it: beforeTheGameIsRead).
    QTRY_VERIFY(Frame()->GetSession().Game());
    QStringList shown;
    bool preselected = false;
    app.SetModalRunner([&](QDialog& dialog) {
        auto* chooser = qobject_cast<CDefinitionChooser*>(&dialog);
        if (!chooser) return int(QDialog::Rejected);
        QTreeWidget* rows = chooser->List();
        for (int row = 0; row < rows->topLevelItemCount(); ++row) {
            const QTreeWidgetItem* item = rows->topLevelItem(row);
            shown << QStringLiteral("%1 %2 %3").arg(item->text(0), item->text(1), item->text(2));
        }
        preselected = rows->currentItem() == rows->topLevelItem(0);
        rows->setCurrentItem(rows->topLevelItem(rows->topLevelItemCount() - 1));
        QTest::keyClick(rows, Qt::Key_Return);
        return dialog.result();
    });
    CSyntaxRichEditCtrl& control = Control(app);
    PutCaret(app, line, word);
    Frame()->GetStatusBar()->clearMessage();
    QTest::keyClick(&control, Qt::Key_F12);

    QCOMPARE(ShownName(app), file);
    QCOMPARE(control.GetCaretLine(), caretLine);
    const CRichTextStore& store = Control(app).GetStore();
    long long from, to;
    control.GetSel(from, to);
    QCOMPARE(from, to);
    QCOMPARE(from - static_cast<long long>(store.RowStart(static_cast<std::size_t>(caretLine))), caretColumn);
    QCOMPARE(control.GetFirstVisibleLine(), top < 0 ? MiddleTop(control, caretLine) : top);
    if (!message.isEmpty()) QVERIFY2(Frame()->GetStatusBar()->currentMessage().startsWith(message),
                                     qPrintable(Frame()->GetStatusBar()->currentMessage()));
    QCOMPARE(shown, list);
    if (!list.isEmpty()) QVERIFY(preselected);
}

void TestAppGame::beforeTheGameIsRead_data()
{
    QTest::addColumn<int>("line");          // where the caret is put in main.inf, from 0
    QTest::addColumn<QString>("word");      // inside the first of which on that line
    QTest::addColumn<int>("atOnce");        // the caret's line in main.inf at once
    QTest::addColumn<QString>("waiting");   // the start of the message pane's line meanwhile ("": none)
    QTest::addColumn<QString>("file");      // the file shown once the game is there
    QTest::addColumn<int>("then");          // and the caret's line there
    QTest::addColumn<bool>("moveAway");     // the caret is moved before the game is there

    QTest::newRow("a name of the file itself") << 3 << "lamp" << 1 << "" << "main.inf" << 1 << false;
    QTest::newRow("a name only another file defines") << 3 << "PlayerTo" << 3 << "Looking for PlayerTo in the rest"
                                                      << "lib.h" << 99 << false;
    // The file alone goes to its own; the game then offers both (the first is chosen).
    QTest::newRow("a name defined here and elsewhere") << 3 << "Twice" << 5 << "" << "lib.h" << 100 << false;
    QTest::newRow("an Include line") << 0 << "lib" << 0 << "Looking for the file of Include \"lib\""
                                     << "lib.h" << 0 << false;
    QTest::newRow("the caret moved meanwhile") << 3 << "PlayerTo" << 3 << "Looking for PlayerTo" << "main.inf" << 10
                                               << true;
}

void TestAppGame::beforeTheGameIsRead()
{
    QFETCH(int, line);
    QFETCH(QString, word);
    QFETCH(int, atOnce);
    QFETCH(QString, waiting);
    QFETCH(QString, file);
    QFETCH(int, then);
    QFETCH(bool, moveAway);

    // The game's build waits until the test lets it go: a window that waited for it
    // would hold the test up for the whole ten seconds, and answer from the whole game.
    QSemaphore gate;
    TestApp& app = Start({MakeGame()});
    QVERIFY(app.InitInstance());
    CGameSession& session = Frame()->GetSession();
    session.SetBuilderForTesting([&gate](const GameInputs& inputs, const IGameFileSource& source) {
        gate.tryAcquire(1, 10000);
        return CGame::Build(inputs, source);
    });
    Activate();
    QStringList offered;
    app.SetModalRunner([&](QDialog& dialog) {
        auto* chooser = qobject_cast<CDefinitionChooser*>(&dialog);
        if (!chooser) return int(QDialog::Rejected);
        for (int row = 0; row < chooser->List()->topLevelItemCount(); ++row)
            offered << chooser->List()->topLevelItem(row)->text(0);
        chooser->List()->setCurrentItem(chooser->List()->topLevelItem(0));
        dialog.accept();
        return dialog.result();
    });
    CSyntaxRichEditCtrl& control = Control(app);
    PutCaret(app, line, word);
    long long origin, to;
    control.GetSel(origin, to);
    Frame()->GetStatusBar()->clearMessage();
    QTest::keyClick(&control, Qt::Key_F12);

    QVERIFY(!session.Game());
    QCOMPARE(ShownName(app), QStringLiteral("main.inf"));
    QCOMPARE(control.GetCaretLine(), atOnce);
    const QString said = Frame()->GetStatusBar()->currentMessage();
    QVERIFY2(waiting.isEmpty() ? !said.startsWith(u"Looking") : said.startsWith(waiting), qPrintable(said));
    if (moveAway) PutCaret(app, 10, QStringLiteral("filler"));

    gate.release();
    QTRY_VERIFY(session.Game());
    QTRY_COMPARE(ShownName(app), file);
    QCOMPARE(control.GetCaretLine(), then);
    QVERIFY(!Frame()->GetStatusBar()->currentMessage().startsWith(u"Looking"));
    if (word == u"Twice") QCOMPARE(offered, (QStringList{"lib.h", "main.inf"}));
    if (moveAway || atOnce == then) return;
    // Back goes to where Go to Definition was asked, not to where the file alone went.
    QTest::keyClick(&control, Qt::Key_Left, Qt::AltModifier);
    QCOMPARE(ShownName(app), QStringLiteral("main.inf"));
    QCOMPARE(Selected(app), QStringLiteral("%1-%1").arg(origin));
}

void TestAppGame::aFollowShowsTheTextTheGameRead()
{
    TestApp& app = Start({MakeGame()});
    QVERIFY(app.InitInstance());
    Activate();
    QTRY_VERIFY(Frame()->GetSession().Game());
    // lib.h changes on disk, and Go to Definition follows the game into it before the
    // change is heard of: the text shown is the one the game read, where PlayerTo is.
    MakeFile(QStringLiteral("lib.h"), "! all new\n");
    PutCaret(app, 3, QStringLiteral("PlayerTo"));
    QTest::keyClick(&Control(app), Qt::Key_F12);
    QCOMPARE(ShownName(app), QStringLiteral("lib.h"));
    QCOMPARE(Control(app).GetCaretLine(), 99);
    QCOMPARE(LineText(Control(app), 99), QStringLiteral("[ PlayerTo obj; return obj; ];"));
    // Then the change is heard of: the text shown is the file's as the game reads it again.
    QTRY_COMPARE(LineText(Control(app), 0), QStringLiteral("! all new"));
}

void TestAppGame::ctrlShowsALinkUnderTheMouse()
{
    TestApp& app = Start({MakeGame()});
    QVERIFY(app.InitInstance());
    Activate();
    CSyntaxRichEditCtrl& control = Control(app);
    CDefinitionLink* link = Frame()->GetDefinitionLink();
    QTRY_VERIFY(Frame()->GetSession().Game());
    const auto lineStart = static_cast<long long>(control.GetStore().RowStart(3));
    const auto moveTo = [&](long long pos, Qt::KeyboardModifiers modifiers) {
        const QPoint point = control.CharRect(pos).center();
        QMouseEvent move(QEvent::MouseMove, point, control.viewport()->mapToGlobal(point), Qt::NoButton, Qt::NoButton,
                         modifiers);
        QApplication::sendEvent(control.viewport(), &move);
    };

    // "[ Main; PlayerTo(lamp); Twice(); Nowhere(); ];": PlayerTo from 8 to 16, Nowhere from 33.
    moveTo(lineStart + 10, Qt::NoModifier);
    QVERIFY(!link->HasLink());
    moveTo(lineStart + 10, Qt::ControlModifier);
    QVERIFY(link->HasLink());
    QCOMPARE(link->LinkFrom(), lineStart + 8);
    QCOMPARE(link->LinkTo(), lineStart + 16);
    QCOMPARE(control.viewport()->cursor().shape(), Qt::PointingHandCursor);
    moveTo(lineStart + 35, Qt::ControlModifier);  // a name with no definition is no link
    QVERIFY(!link->HasLink());
    QCOMPARE(control.viewport()->cursor().shape(), Qt::IBeamCursor);

    // Ctrl+click follows the link.
    QTest::mouseClick(control.viewport(), Qt::LeftButton, Qt::ControlModifier, control.CharRect(lineStart + 10).center());
    QCOMPARE(ShownName(app), QStringLiteral("lib.h"));
    QCOMPARE(control.GetCaretLine(), 99);
}

void TestAppGame::backAndForwardAcrossFiles()
{
    TestApp& app = Start({MakeGame()});
    QVERIFY(app.InitInstance());
    Activate();
    CMainFrame* frame = Frame();
    CSyntaxRichEditCtrl& control = Control(app);
    QAction* back = frame->GetCommand(ID_GO_BACK);
    QAction* forward = frame->GetCommand(ID_GO_FORWARD);
    QVERIFY(!back->isEnabled() && !forward->isEnabled());
    QTRY_VERIFY(frame->GetSession().Game());

    // The caret on line 90, the view scrolled so that line 70 is at its top.
    PutCaret(app, 90, QStringLiteral("PlayerTo"));
    control.LineScroll(70 - control.GetFirstVisibleLine());
    QCOMPARE(control.GetFirstVisibleLine(), 70);
    long long mainFrom, mainTo;
    control.GetSel(mainFrom, mainTo);
    control.setFocus();
    QTRY_VERIFY(control.hasFocus());

    QTest::keyClick(&control, Qt::Key_F12);
    QCOMPARE(ShownName(app), QStringLiteral("lib.h"));
    QCOMPARE(control.GetCaretLine(), 99);
    const long long libTop = control.GetFirstVisibleLine();
    QVERIFY(back->isEnabled() && !forward->isEnabled());

    const auto isBackInMain = [&] {
        QCOMPARE(ShownName(app), QStringLiteral("main.inf"));
        QCOMPARE(Selected(app), QStringLiteral("%1-%2").arg(mainFrom).arg(mainFrom));
        QCOMPARE(control.GetFirstVisibleLine(), 70);
    };
    QTest::keyClick(&control, Qt::Key_Left, Qt::AltModifier);
    isBackInMain();
    QVERIFY(!back->isEnabled() && forward->isEnabled());
    QTest::keyClick(&control, Qt::Key_Right, Qt::AltModifier);
    QCOMPARE(ShownName(app), QStringLiteral("lib.h"));
    QCOMPARE(control.GetCaretLine(), 99);
    QCOMPARE(control.GetFirstVisibleLine(), libTop);

    // The mouse's back and forward buttons do the same, wherever they are pressed.
    QTest::mousePress(control.viewport(), Qt::BackButton);
    isBackInMain();
    QTest::mousePress(frame->GetStatusBar(), Qt::ForwardButton);
    QCOMPARE(ShownName(app), QStringLiteral("lib.h"));

    // Going to a line is a jump too; Back comes to the line left.
    QTest::keyClick(&control, Qt::Key_Home, Qt::ControlModifier);
    app.SetModalRunner([](QDialog& dialog) {
        dialog.findChild<QLineEdit*>(QStringLiteral("IDC_LINE_NUMBER"))->setText(QStringLiteral("150"));
        dialog.accept();
        return dialog.result();
    });
    QTest::keyClick(&control, Qt::Key_G, Qt::ControlModifier);
    QCOMPARE(control.GetCaretLine(), 149);
    back->trigger();
    QCOMPARE(ShownName(app), QStringLiteral("lib.h"));
    QCOMPARE(control.GetCaretLine(), 0);
}

void TestAppGame::theGameStaysWhileFollowingIt()
{
    TestApp& app = Start({MakeGame()});
    QVERIFY(app.InitInstance());
    Activate();
    QTRY_VERIFY(Frame()->GetSession().Game());
    PutCaret(app, 3, QStringLiteral("PlayerTo"));
    QTest::keyClick(&Control(app), Qt::Key_F12);
    QCOMPARE(ShownName(app), QStringLiteral("lib.h"));
    // Later is main.inf's: lib.h reached from main.inf still finds it.
    PutCaret(app, 150, QStringLiteral("Later"));
    QTest::keyClick(&Control(app), Qt::Key_F12);
    QCOMPARE(ShownName(app), QStringLiteral("main.inf"));
    QCOMPARE(Control(app).GetCaretLine(), 90);
    QCOMPARE(Frame()->GetSession().MainPath(), m_files->filePath(QStringLiteral("main.inf")));
}

void TestAppGame::outlineShowsTheWholeGame()
{
    const QString main = MakeGame();
    TestApp& app = Start({main});
    QVERIFY(app.InitInstance());
    Activate();
    CMainFrame* frame = Frame();
    frame->GetCommand(ID_VIEW_OUTLINE)->trigger();
    COutlineDock* dock = frame->GetOutlineDock();
    QTRY_VERIFY(frame->GetOutlineModel().IsUpToDate());
    QTreeView* tree = dock->Tree()->Tree();
    QAbstractItemModel* model = tree->model();

    // Each row as "name kind line", indented by depth, folded rows' children left out.
    const std::function<void(const QModelIndex&, int, QStringList&)> walk = [&](const QModelIndex& parent, int depth,
                                                                             QStringList& rows) {
        for (int row = 0; row < model->rowCount(parent); ++row) {
            const QModelIndex index = model->index(row, 0, parent);
            QString text = QString(depth * 2, u' ') + index.data().toString();
            for (int column = 1; column < model->columnCount(); ++column)
                if (const QString more = index.siblingAtColumn(column).data().toString(); !more.isEmpty())
                    text += u' ' + more;
            rows << text;
            if (tree->isExpanded(index)) walk(index, depth + 1, rows);
        }
    };
    const auto rows = [&] {
        QStringList shown;
        walk({}, 0, shown);
        return shown;
    };
    // The file shown expanded, the rest folded; the property routine under its object.
    QCOMPARE(rows(), (QStringList{"main.inf file", "  lib.h file 1", "  lamp object 2", "  Main routine 4",
                                  "  nothere missing 5", "  Twice routine 6", "  Later routine 91"}));
    const QModelIndex lamp = model->index(1, 0, model->index(0, 0));
    QCOMPARE(model->index(0, 0, lamp).data().toString(), QStringLiteral("lamp.before"));
    QCOMPARE(model->index(0, 1, lamp).data().toString(), QStringLiteral("property routine"));
    const QString tried = model->index(3, 0, model->index(0, 0)).data(Qt::ToolTipRole).toString();
    QVERIFY2(tried.startsWith(QStringLiteral("Not found. Tried:")), qPrintable(tried));
    QVERIFY2(tried.contains(QFileInfo(main).path() + QStringLiteral("/nothere.h")), qPrintable(tried));

    // The filter works over every file; Enter on the first name kept goes into its file.
    QTest::keyClicks(dock->Tree()->FilterEdit(), QStringLiteral("TWICE"));
    QCOMPARE(rows(), (QStringList{"main.inf file", "  lib.h file 1", "    Twice routine 101", "  Twice routine 6"}));
    QTest::keyClick(dock->Tree()->FilterEdit(), Qt::Key_Return);
    QCOMPARE(ShownName(app), QStringLiteral("lib.h"));
    QCOMPARE(Control(app).GetCaretLine(), 100);
    QTRY_VERIFY(Control(app).hasFocus());

    // Without the filter, the file now shown is the one expanded.
    dock->Tree()->FilterEdit()->clear();
    QCOMPARE(rows(), (QStringList{"main.inf file", "  lib.h file 1", "    PlayerTo routine 100", "    Twice routine 101",
                                  "    Third routine 151", "  lamp object 2", "  Main routine 4", "  nothere missing 5", "  Twice routine 6",
                                  "  Later routine 91"}));
}

void TestAppGame::findReferences()
{
    TestApp& app = Start({MakeGame()});
    QVERIFY(app.InitInstance());
    Activate();
    CMainFrame* frame = Frame();
    CReferencesDock* dock = frame->GetReferencesDock();
    QVERIFY(dock->isHidden());
    QVERIFY(!frame->GetCommand(ID_VIEW_REFERENCES)->isChecked());
    QTRY_VERIFY(frame->GetSession().Game());

    PutCaret(app, 2, QStringLiteral("PlayerTo"));
    QTest::keyClick(&Control(app), Qt::Key_F12, Qt::ShiftModifier);
    QVERIFY(dock->isVisible());
    QCOMPARE(dock->CountLabel()->text(), QStringLiteral("PlayerTo: 4 references"));
    QStringList rows;
    for (int row = 0; row < dock->List()->topLevelItemCount(); ++row) {
        const QTreeWidgetItem* item = dock->List()->topLevelItem(row);
        rows << QStringLiteral("%1 %2 %3").arg(item->text(0), item->text(1), item->text(2));
    }
    QCOMPARE(rows, (QStringList{"main.inf 3 with before [; Take: PlayerTo(lamp); ];",
                                "main.inf 4 [ Main; PlayerTo(lamp); Twice(); Nowhere(); ];",
                                "main.inf 91 [ Later; PlayerTo(lamp); lamp.before(); ];", "lib.h 100 [ PlayerTo obj; return obj; ];"}));

    // Enter on a row goes there, in its file.
    Activate();
    dock->List()->setFocus();
    dock->List()->setCurrentItem(dock->List()->topLevelItem(3));
    QTest::keyClick(dock->List(), Qt::Key_Return);
    QCOMPARE(ShownName(app), QStringLiteral("lib.h"));
    QCOMPARE(Control(app).GetCaretLine(), 99);
    QCOMPARE(Selected(app), QStringLiteral("%1-%1").arg(Control(app).GetStore().RowStart(99) + 2));
    frame->GetCommand(ID_VIEW_REFERENCES)->trigger();
    QVERIFY(dock->isHidden());
}

// A use in code the compiler skips is greyed in the References dock and says why.
void TestAppGame::referencesInSkippedCode()
{
    TestApp& app = Start({MakeFile(QStringLiteral("main.inf"), "#Ifdef DEBUG;\n[ D; Hit(); ];\n#Endif;\n[ Hit; ];\n"
                                                               "[ Main; Hit(); ];\n")});
    QVERIFY(app.InitInstance());
    Activate();
    CMainFrame* frame = Frame();
    QTRY_VERIFY(frame->GetSession().Game());
    PutCaret(app, 4, QStringLiteral("Hit"));
    QTest::keyClick(&Control(app), Qt::Key_F12, Qt::ShiftModifier);
    CReferencesDock* dock = frame->GetReferencesDock();
    QCOMPARE(dock->List()->topLevelItemCount(), 3);
    const QColor plain = dock->List()->topLevelItem(1)->foreground(2).color();
    QStringList rows;
    for (int row = 0; row < 3; ++row) {
        const QTreeWidgetItem* item = dock->List()->topLevelItem(row);
        rows << QStringLiteral("%1 %2 %3").arg(item->text(1), item->toolTip(2),
                                                item->foreground(2).color() == plain ? "plain" : "greyed");
    }
    QCOMPARE(rows, (QStringList{"2 not compiled: `#Ifdef DEBUG` is false (main.inf:1) greyed", "4  plain", "5  plain"}));
}

void TestAppGame::followsTheFileOnDisk_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("readAgain");
    QTest::addColumn<QString>("message");

    QTest::newRow("written in place") << "write" << true << "main.inf changed on disk and was read again";
    QTest::newRow("a new file renamed over it") << "rename over" << true
                                                << "main.inf changed on disk and was read again";
    QTest::newRow("deleted") << "delete" << false
                             << "main.inf was deleted or renamed; the text shown is the one last read";
    QTest::newRow("renamed away") << "rename away" << false
                                  << "main.inf was deleted or renamed; the text shown is the one last read";
}

void TestAppGame::followsTheFileOnDisk()
{
    QFETCH(QString, how);
    QFETCH(bool, readAgain);
    QFETCH(QString, message);

    const QString main = MakeGame();
    TestApp& app = Start({main});
    QVERIFY(app.InitInstance());
    CSyntaxRichEditCtrl& control = Control(app);
    PutCaret(app, 120, QStringLiteral("filler"));
    control.LineScroll(100 - control.GetFirstVisibleLine());
    QCOMPARE(control.GetFirstVisibleLine(), 100);

    // Every line now begins with a word more, and there is one line more.
    QByteArray changed = "! new first line\n";
    for (int i = 0; i < 200; ++i) changed += "! changed\n";
    const QByteArray mainPath = QFile::encodeName(main);
    const QByteArray other = QFile::encodeName(m_files->filePath(QStringLiteral("saved.tmp")));
    if (how == u"write") {
        WriteBytes(main, changed);
    } else if (how == u"rename over") {
        WriteBytes(QString::fromLocal8Bit(other), changed);
        QCOMPARE(std::rename(other.constData(), mainPath.constData()), 0);
    } else if (how == u"delete") {
        QVERIFY(QFile::remove(main));
    } else {
        QCOMPARE(std::rename(mainPath.constData(), other.constData()), 0);
    }
    QTRY_COMPARE(Frame()->GetStatusBar()->currentMessage(), message);
    QCOMPARE(LineText(control, 0), readAgain ? QStringLiteral("! new first line") : QStringLiteral("Include \"lib\";"));
    QCOMPARE(control.GetCaretLine(), 120);
    QCOMPARE(control.GetFirstVisibleLine(), 100);
    if (!readAgain) {
        // The file is gone, the text shown stays, and so does the game read of it.
        Activate();
        QTRY_VERIFY(Frame()->GetSession().Game() && !Frame()->GetSession().IsBuilding());
        PutCaret(app, 3, QStringLiteral("PlayerTo"));
        QTest::keyClick(&control, Qt::Key_F12);
        QCOMPARE(ShownName(app), QStringLiteral("lib.h"));
        QCOMPARE(control.GetCaretLine(), 99);
        QTest::keyClick(&control, Qt::Key_Left, Qt::AltModifier);
        QTest::keyClick(&control, Qt::Key_F12, Qt::ShiftModifier);
        QCOMPARE(Frame()->GetReferencesDock()->CountLabel()->text(), QStringLiteral("PlayerTo: 4 references"));
    }
    if (how != u"rename over") return;
    // The watch is armed again on the new file: a second save is read too.
    Frame()->GetStatusBar()->clearMessage();
    WriteBytes(main, "! third\n");
    QTRY_COMPARE(LineText(control, 0), QStringLiteral("! third"));
    // The caret's line is past the end now: the last line (the empty one after the line feed).
    QCOMPARE(control.GetCaretLine(), 1);
}

void TestAppGame::indexFollowsAnIncludedFile()
{
    TestApp& app = Start({MakeGame()});
    QVERIFY(app.InitInstance());
    CGameSession& session = Frame()->GetSession();
    QTRY_VERIFY(session.Game());
    const GamePointer before = session.Game();
    // PlayerTo moves from line 100 of lib.h to line 3.
    MakeFile(QStringLiteral("lib.h"), "! one\n! two\n[ PlayerTo obj; return obj; ];\n");
    QTRY_VERIFY(session.Game() != before);
    PutCaret(app, 3, QStringLiteral("PlayerTo"));
    QTest::keyClick(&Control(app), Qt::Key_F12);
    QCOMPARE(ShownName(app), QStringLiteral("lib.h"));
    QCOMPARE(Control(app).GetCaretLine(), 2);
}

void TestAppGame::includePathFromTheCommandLine()
{
    // extra.h stands only in a folder that --include-path names.
    const QString extra = MakeFile(QStringLiteral("ext/extra.h"), "[ Helper; ];\n");
    const QString main = MakeFile(QStringLiteral("game/story.inf"), "Include \"extra\";\n[ Main; Helper(); ];\n");
    TestApp& app = Start({QStringLiteral("--include-path"), QFileInfo(extra).path(), main});
    QVERIFY(app.InitInstance());
    Activate();
    QTRY_VERIFY(Frame()->GetSession().Game());
    PutCaret(app, 1, QStringLiteral("Helper"));
    QTest::keyClick(&Control(app), Qt::Key_F12);
    QCOMPARE(app.GetView()->GetDocument()->GetPathName(), extra);
    QCOMPARE(Control(app).GetCaretLine(), 0);
}

void TestAppGame::compiledAsTheSwitchesSay_data()
{
    // main.inf, lines from 1:                        lib.h:
    //   1 !% HEADER                                    1 #Ifndef DEBUG;
    //   2 Include "lib";                               2 [ Lib; ];
    //   3 #Ifdef DEBUG;                                3 #Endif;
    //   4 [ Both; "debug"; ];
    //   5 #Ifnot;
    //   6 [ Both; "plain"; ];
    //   7 #Endif;
    //   8 #Ifdef TARGET_GLULX;
    //   9 Include "glkonly";
    //  10 #Endif;
    //  11 [ Main; Both(); Lib(); ];
    QTest::addColumn<QString>("header");         // the rest of line 1
    QTest::addColumn<QStringList>("args");       // before the file on the command line
    QTest::addColumn<QList<int>>("choices");     // View menu commands, in order
    QTest::addColumn<QString>("said");           // the message pane once the game is there
    QTest::addColumn<bool>("glulx");             // the checks of Compile As then
    QTest::addColumn<bool>("debug");
    QTest::addColumn<QList<int>>("marked");      // the rows of main.inf marked (from 0)
    QTest::addColumn<QStringList>("outline");    // main.inf's rows in the Outline: name line [| tooltip]

    const QString debugFalse = QStringLiteral("not compiled: `#Ifdef DEBUG` is false (main.inf:3)");
    const QString debugTrue = QStringLiteral("not compiled: in the #Ifnot of `#Ifdef DEBUG`, which is true (main.inf:3)");
    const QStringList zcode{"lib.h 2", "Both 4 | " + debugFalse, "Both 6", "Main 11"};
    const QStringList zcodeDebug{"lib.h 2", "Both 4", "Both 6 | " + debugTrue, "Main 11"};
    const QStringList glulx{"lib.h 2", "Both 4 | " + debugFalse, "Both 6", "glkonly.h 9", "Main 11"};
    const QStringList glulxDebug{"lib.h 2", "Both 4", "Both 6 | " + debugTrue, "glkonly.h 9", "Main 11"};
    const int z = ID_VIEW_COMPILE_ZCODE, g = ID_VIEW_COMPILE_GLULX, d = ID_VIEW_COMPILE_DEBUG;

    QTest::newRow("none: the compiler's default") << "-~S" << QStringList{} << QList<int>{} << "Compiled as Z-code v5"
                                                  << false << false << QList<int>{3, 8} << zcode;
    QTest::newRow("-D") << "-~S" << QStringList{"--switches", "-D"} << QList<int>{}
                        << "Compiled as Z-code v5 with Debug" << false << true << QList<int>{5, 8} << zcodeDebug;
    QTest::newRow("-G") << "-~S" << QStringList{"--switches=-G"} << QList<int>{} << "Compiled as Glulx" << true << false
                        << QList<int>{3} << glulx;
    QTest::newRow("-v3") << "-~S" << QStringList{"--switches", "-v3"} << QList<int>{} << "Compiled as Z-code v3"
                         << false << false << QList<int>{3, 8} << zcode;
    QTest::newRow("Glulx chosen") << "-~S" << QStringList{} << QList<int>{g} << "Compiled as Glulx" << true << false
                                  << QList<int>{3} << glulx;
    QTest::newRow("Debug chosen after -G") << "-~S" << QStringList{"--switches", "-G"} << QList<int>{d}
                                           << "Compiled as Glulx with Debug" << true << true << QList<int>{5}
                                           << glulxDebug;
    QTest::newRow("Z-code chosen over -G -D, -v4 kept") << "-~S" << QStringList{"--switches", "-v4 -D"}
                                                        << QList<int>{g, z} << "Compiled as Z-code v4 with Debug"
                                                        << false << true << QList<int>{5, 8} << zcodeDebug;
    QTest::newRow("Debug chosen and chosen again") << "-~S" << QStringList{} << QList<int>{d, d}
                                                   << "Compiled as Z-code v5" << false << false << QList<int>{3, 8}
                                                   << zcode;
    // The main file's header applies after them all, as the compiler applies it.
    QTest::newRow("the header wins over the menu") << "-G" << QStringList{} << QList<int>{z} << "Compiled as Glulx"
                                                   << true << false << QList<int>{3} << glulx;
    QTest::newRow("Show Skipped Code off") << "-~S" << QStringList{} << QList<int>{ID_VIEW_SKIPPED_CODE}
                                           << "Compiled as Z-code v5" << false << false << QList<int>{} << zcode;
}

void TestAppGame::compiledAsTheSwitchesSay()
{
    QFETCH(QString, header);
    QFETCH(QStringList, args);
    QFETCH(QList<int>, choices);
    QFETCH(QString, said);
    QFETCH(bool, glulx);
    QFETCH(bool, debug);
    QFETCH(QList<int>, marked);
    QFETCH(QStringList, outline);

    MakeFile(QStringLiteral("lib.h"), "#Ifndef DEBUG;\n[ Lib; ];\n#Endif;\n");
    MakeFile(QStringLiteral("glkonly.h"), "[ Glk; ];\n");
    const QString main = MakeFile(QStringLiteral("main.inf"),
                                  "!% " + header.toLatin1() +
                                      "\nInclude \"lib\";\n#Ifdef DEBUG;\n[ Both; \"debug\"; ];\n#Ifnot;\n"
                                      "[ Both; \"plain\"; ];\n#Endif;\n#Ifdef TARGET_GLULX;\nInclude \"glkonly\";\n"
                                      "#Endif;\n[ Main; Both(); Lib(); ];\n");
    TestApp& app = Start(args + QStringList{main});
    QVERIFY(app.InitInstance());
    Activate();
    CMainFrame* frame = Frame();
    CGameSession& session = frame->GetSession();
    QTRY_VERIFY(session.Game());
    QAction* show = frame->GetCommand(ID_VIEW_SKIPPED_CODE);
    QVERIFY(show->isCheckable() && show->isChecked());
    auto* compileAs = frame->findChild<QMenu*>(QStringLiteral("CompileAsMenu"));
    QVERIFY(compileAs);
    QCOMPARE(compileAs->title(), QStringLiteral("Compile &As"));
    for (const int id : choices) {
        const GamePointer before = session.Game();
        frame->GetCommand(id)->trigger();
        if (id != ID_VIEW_SKIPPED_CODE) QTRY_VERIFY(session.Game() != before);
    }
    QCOMPARE(frame->GetStatusBar()->currentMessage(), said);
    QCOMPARE(frame->GetCommand(ID_VIEW_COMPILE_GLULX)->isChecked(), glulx);
    QCOMPARE(frame->GetCommand(ID_VIEW_COMPILE_ZCODE)->isChecked(), !glulx);
    QCOMPARE(frame->GetCommand(ID_VIEW_COMPILE_DEBUG)->isChecked(), debug);

    // The rows marked, and as painted: the margin's bar and the tint across the view.
    CSyntaxRichEditCtrl& control = Control(app);
    const QImage painted = control.viewport()->grab().toImage();
    const qreal ratio = painted.devicePixelRatio();
    QList<int> rows;
    for (int row = 0; row < 12; ++row) {
        const bool isMarked = control.Marks().IsRowMarked(static_cast<std::size_t>(row));
        if (isMarked) rows << row;
        const int y = control.CharRect(static_cast<long long>(control.GetStore().RowStart(static_cast<std::size_t>(row)))).center().y();
        const QColor bar = painted.pixelColor(QPoint(1, y) * ratio);
        const QColor ground = painted.pixelColor(QPoint(control.viewport()->width() - 4, y) * ratio);
        QCOMPARE(bar, isMarked ? CSkippedCode::BAR : QColor(Qt::white));
        QCOMPARE(ground, isMarked ? CSkippedCode::TINT : QColor(Qt::white));
    }
    QCOMPARE(rows, marked);

    // The Outline greys what the compiler does not compile, and says why.
    frame->GetCommand(ID_VIEW_OUTLINE)->trigger();
    QTRY_VERIFY(frame->GetOutlineModel().IsUpToDate());
    const CGameOutlineModel& model = frame->GetOutlineModel();
    const QModelIndex top = model.index(0, 0);
    QStringList shown;
    for (int row = 0; row < model.rowCount(top); ++row) {
        const QModelIndex index = model.index(row, 0, top);
        QString text = index.data().toString() + u' ' + index.siblingAtColumn(CGameOutlineModel::COLUMN_LINE).data().toString();
        const bool grey = index.data(Qt::ForegroundRole).isValid();
        if (index.data(CGameOutlineModel::ROLE_DEFINITION).toBool() && grey)
            text += QStringLiteral(" | ") + index.data(Qt::ToolTipRole).toString();
        QCOMPARE(grey, text.contains(u'|'));
        shown << text;
    }
    QCOMPARE(shown, outline);

    // The list of Both's definitions puts the compiled one first and says of the other why.
    QStringList offered;
    app.SetModalRunner([&](QDialog& dialog) {
        if (auto* chooser = qobject_cast<CDefinitionChooser*>(&dialog))
            for (int row = 0; row < chooser->List()->topLevelItemCount(); ++row) {
                const QTreeWidgetItem* item = chooser->List()->topLevelItem(row);
                offered << (item->text(1) + u' ' + item->text(3)).trimmed();
            }
        return int(QDialog::Rejected);
    });
    PutCaret(app, 10, QStringLiteral("Both"));
    QTest::keyClick(&control, Qt::Key_F12);
    QStringList both;  // as the Outline's rows of Both say it, the one compiled first
    for (const QString& row : outline)
        if (row.startsWith(u"Both ")) both << row.mid(5).replace(QStringLiteral(" | "), QStringLiteral(" "));
    std::stable_partition(both.begin(), both.end(), [](const QString& row) { return !row.contains(u"not compiled"); });
    QCOMPARE(offered, both);

    // Said once: the same game read again says nothing more.
    frame->GetStatusBar()->clearMessage();
    const GamePointer before = session.Game();
    session.Rebuild();
    QTRY_VERIFY(session.Game() != before);
    QCOMPARE(frame->GetStatusBar()->currentMessage(), QString());

    // Another file of the game is marked once it is shown.
    PutCaret(app, 10, QStringLiteral("Lib"));
    QTest::keyClick(&control, Qt::Key_F12);
    QCOMPARE(ShownName(app), QStringLiteral("lib.h"));
    QTRY_COMPARE(control.Marks().IsRowMarked(1), debug && show->isChecked());
}

void TestAppGame::aChangeWhileTheGameIsBuiltIsSeen()
{
    // lib.h changes while the game is read: after lib.h was read, while other.h is.
    MakeFile(QStringLiteral("lib.h"), Filler(0, 99) + "[ PlayerTo obj; return obj; ];\n");
    const QString other = MakeFile(QStringLiteral("other.h"), "[ Other; ];\n");
    const QString main = MakeFile(QStringLiteral("main.inf"), "Include \"lib\";\nInclude \"other\";\n[ Main; PlayerTo(); ];\n");
    bool changed = false;
    SetLoadPauseForTesting([&](const std::string& path) {
        if (changed || path != QFile::encodeName(other).toStdString()) return;
        changed = true;
        MakeFile(QStringLiteral("lib.h"), "! moved\n[ PlayerTo obj; return obj; ];\n");
    });
    TestApp& app = Start({main});
    QVERIFY(app.InitInstance());
    Activate();
    // The game first built has the old lib.h; the change is seen, and read.
    QTRY_VERIFY(changed);
    SetLoadPauseForTesting(nullptr);
    const auto playerToLine = [&]() -> std::uint32_t {
        const GamePointer game = Frame()->GetSession().Game();
        if (!game) return 0;
        const std::vector<GameDefinitionRef> found = game->FindDefinitions("PlayerTo");
        return found.empty() ? 0 : game->Definition(found.front()).Line();
    };
    QTRY_COMPARE(playerToLine(), 2u);
}

void TestAppGame::aFileWrittenWithoutPauseIsReadAgain()
{
    const QString main = MakeGame();
    TestApp& app = Start({main});
    QVERIFY(app.InitInstance());
    // A line every 50 ms for three seconds: the text is read again meanwhile, not
    // only once the writes stop.
    int written = 0;
    QTimer writer;
    QByteArray text = "! written\n";
    connect(&writer, &QTimer::timeout, [&] {
        text += "! more\n";
        WriteBytes(main, text);
        if (++written == 60) writer.stop();
    });
    writer.start(50);
    QTRY_VERIFY_WITH_TIMEOUT(LineText(Control(app), 0) == u"! written", 2500);
    QVERIFY2(writer.isActive(), "read again only once the writes stopped");
    writer.stop();
    // The wait is SETTLE_MS of quiet, but never more than MAX_WAIT_MS after the first change.
    const std::pair<qint64, int> waits[] = {{0, 120}, {500, 120}, {900, 100}, {990, 10}, {1000, -1}, {4000, -1}};
    for (const auto& [since, delay] : waits) QCOMPARE(CGameFileWatcher::SettleDelay(since), delay);
}

void TestAppGame::placesFollowTheFileReadAgain()
{
    // Lines that each stand once, so that where a line went is plain.
    QByteArray lines;
    for (int i = 0; i < 200; ++i) lines += "! line " + QByteArray::number(i) + "\n";
    const QString main = MakeFile(QStringLiteral("main.inf"), lines);
    TestApp& app = Start({main});
    QVERIFY(app.InitInstance());
    Activate();
    CSyntaxRichEditCtrl& control = Control(app);
    // Line 195 goes on the Back list, line 150 on the Forward list.
    PutCaret(app, 195, QStringLiteral("line"));
    app.SetModalRunner([](QDialog& dialog) {
        dialog.findChild<QLineEdit*>(QStringLiteral("IDC_LINE_NUMBER"))->setText(QStringLiteral("151"));
        dialog.accept();
        return dialog.result();
    });
    QTest::keyClick(&control, Qt::Key_G, Qt::ControlModifier);
    app.SetModalRunner([](QDialog& dialog) {
        dialog.findChild<QLineEdit*>(QStringLiteral("IDC_LINE_NUMBER"))->setText(QStringLiteral("11"));
        dialog.accept();
        return dialog.result();
    });
    QTest::keyClick(&control, Qt::Key_G, Qt::ControlModifier);
    QTest::keyClick(&control, Qt::Key_Left, Qt::AltModifier);
    QCOMPARE(control.GetCaretLine(), 150);
    QTRY_VERIFY(Frame()->GetSession().Game());

    // 99 lines go from above line 150: 20 to 118.
    QByteArray fewer;
    for (int i = 0; i < 200; ++i)
        if (i < 20 || i > 118) fewer += "! line " + QByteArray::number(i) + "\n";
    WriteBytes(main, fewer);
    QTRY_COMPARE(LineText(control, 20), QStringLiteral("! line 119"));
    // The caret went with its line, and so did the places of the history.
    QCOMPARE(control.GetCaretLine(), 51);
    QTest::keyClick(&control, Qt::Key_Left, Qt::AltModifier);
    QCOMPARE(control.GetCaretLine(), 96);
    QCOMPARE(LineText(control, 96), QStringLiteral("! line 195"));
    QTest::keyClick(&control, Qt::Key_Right, Qt::AltModifier);
    QCOMPARE(LineText(control, control.GetCaretLine()), QStringLiteral("! line 150"));
}

void TestAppGame::aGameTooBigForMemoryIsSaidSo()
{
    TestApp& app = Start({MakeGame()});
    QVERIFY(app.InitInstance());
    // A build that runs out of memory gives no game, as CGame::Build does then.
    Frame()->GetSession().SetBuilderForTesting([](const GameInputs&, const IGameFileSource&) { return GamePointer(); });
    Activate();
    QTRY_VERIFY(Frame()->GetStatusBar()->currentMessage().startsWith(u"The game does not fit in memory"));
    // What the file alone knows still answers.
    PutCaret(app, 3, QStringLiteral("lamp"));
    QTest::keyClick(&Control(app), Qt::Key_F12);
    QCOMPARE(Control(app).GetCaretLine(), 1);
}

void TestAppGame::aChainOfIncludes()
{
    // f0 (the main file) includes f1, which includes f2, ... f19999; each defines Rn.
    constexpr int kFiles = 20000;
    for (int i = kFiles - 1; i > 0; --i)
        WriteBytes(m_files->filePath(QStringLiteral("f%1.h").arg(i)),
                   (i + 1 < kFiles ? "Include \"f" + QByteArray::number(i + 1) + "\";\n" : QByteArray()) + "[ R" +
                       QByteArray::number(i) + "; ];\n");
    const QString main = MakeFile(QStringLiteral("f0.inf"), "Include \"f1\";\n[ R0; ];\n");
    TestApp& app = Start({main});
    QVERIFY(app.InitInstance());
    Activate();
    CMainFrame* frame = Frame();
    QTRY_VERIFY_WITH_TIMEOUT(frame->GetSession().Game(), 30000);
    QCOMPARE(frame->GetSession().Game()->FileCount(), std::uint32_t(kFiles));
    QCOMPARE(frame->GetFileWatcher()->WatchedFiles().size(), qsizetype(kFiles));

    // The filter finds the last file's routine; the tree nests no deeper than it can show.
    frame->GetCommand(ID_VIEW_OUTLINE)->trigger();
    QTRY_VERIFY(frame->GetOutlineModel().IsUpToDate());
    CGameOutlineTree* tree = frame->GetOutlineDock()->Tree();
    QTest::keyClicks(tree->FilterEdit(), QStringLiteral("R19999"));
    const QModelIndex found = tree->CurrentIndex();
    QCOMPARE(found.data().toString(), QStringLiteral("R19999"));
    int depth = 0;
    for (QModelIndex at = found.parent(); at.isValid(); at = at.parent()) ++depth;
    QCOMPARE(depth, int(CGameOutlineModel::MAX_NESTING));  // the file rows above it, the main file's the first
    QVERIFY2(found.parent().data(Qt::ToolTipRole).toString().contains(u"Included by f19998.h at line 1"),
             qPrintable(found.parent().data(Qt::ToolTipRole).toString()));

    // A change to the last file of the chain is heard (its watch was given in a late batch).
    const GamePointer before = frame->GetSession().Game();
    WriteBytes(m_files->filePath(QStringLiteral("f19999.h")), "! one\n[ R19999; ];\n");
    QTRY_VERIFY_WITH_TIMEOUT(frame->GetSession().Game() != before, 10000);
    const std::vector<GameDefinitionRef> r = frame->GetSession().Game()->FindDefinitions("R19999");
    QCOMPARE(r.size(), std::size_t(1));
    QCOMPARE(frame->GetSession().Game()->Definition(r.front()).Line(), 2u);
}

QTEST_MAIN(TestAppGame)
#include "test_app_game.moc"
