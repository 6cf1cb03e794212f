// The main window and its reading tools on their own, with no application object: the
// commands it leaves to others come out as signals, the recent files come in as labels,
// and the reading tools run their dialogs through the runner they are given.

#include "QtTestSupport.h"

#include "app/GlosselApp.h"
#include "app/MainFrame.h"
#include "app/Resource.h"
#include "dialogs/GoToLineDlg.h"
#include "doc/GlosselDoc.h"
#include "view/GlosselView.h"

#include <QAction>
#include <QMenu>
#include <QSignalSpy>
#include <QLineEdit>
#include <QtTest>

#include <memory>

using qtestsupport::TempSettings;

class TestFrame : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void commandsBecomeSignals_data();
    void commandsBecomeSignals();
    void recentFilesAreTheLabelsGiven();
    void readingToolsRunTheirDialogsThroughTheRunner();

private:
    // A frame over a document holding text; no application object exists.
    CMainFrame& MakeFrame(const std::string& text = "Global a;\nGlobal b;\nGlobal c;\n");

    TempSettings m_settings;
    std::unique_ptr<CGlosselDoc> m_document;
    std::unique_ptr<CMainFrame> m_frame;
    QStringList m_dialogs;       // class names of the dialogs run, in order
    long long m_goToLine = 0;    // what the Go to Line dialog is answered with (0: Cancel)
};

void TestFrame::init()
{
    m_dialogs.clear();
    m_goToLine = 0;
}

void TestFrame::cleanup()
{
    m_frame.reset();
    m_document.reset();
}

CMainFrame& TestFrame::MakeFrame(const std::string& text)
{
    m_document = std::make_unique<CGlosselDoc>();
    m_document->m_text = text;
    m_frame = std::make_unique<CMainFrame>(*m_document, [this](QDialog& dialog) {
        m_dialogs << QString::fromLatin1(dialog.metaObject()->className());
        auto* goToLine = qobject_cast<CGoToLineDlg*>(&dialog);
        if (!goToLine || m_goToLine == 0) return int(QDialog::Rejected);
        goToLine->LineBox()->setText(QString::number(m_goToLine));
        return int(QDialog::Accepted);
    });
    m_frame->setAttribute(Qt::WA_DeleteOnClose, false);
    return *m_frame;
}

void TestFrame::commandsBecomeSignals_data()
{
    QTest::addColumn<int>("command");
    QTest::addColumn<QByteArray>("signal");
    QTest::newRow("Open") << ID_FILE_OPEN << QByteArray(SIGNAL(fileOpenRequested()));
    QTest::newRow("Exit") << ID_APP_EXIT << QByteArray(SIGNAL(exitRequested()));
    QTest::newRow("Syntax Styles") << ID_TOOLS_SYNTAX_STYLES << QByteArray(SIGNAL(syntaxStylesRequested()));
    QTest::newRow("About") << ID_APP_ABOUT << QByteArray(SIGNAL(aboutRequested()));
}

void TestFrame::commandsBecomeSignals()
{
    QFETCH(int, command);
    QFETCH(QByteArray, signal);
    CMainFrame& frame = MakeFrame();
    QVERIFY(!GetGlosselApp());
    frame.show();
    const QList<QByteArray> all{SIGNAL(fileOpenRequested()), SIGNAL(exitRequested()), SIGNAL(syntaxStylesRequested()),
                                SIGNAL(aboutRequested()), SIGNAL(recentFileRequested(int))};
    std::vector<std::unique_ptr<QSignalSpy>> spies;
    for (const QByteArray& each : all) spies.push_back(std::make_unique<QSignalSpy>(&frame, each.constData()));

    frame.GetCommand(command)->trigger();
    // That signal once, and no other; what it asks for is left to whoever hears it
    // (Exit too: the window stays open).
    for (std::size_t i = 0; i < spies.size(); ++i)
        QVERIFY2(spies[i]->count() == (all[int(i)] == signal ? 1 : 0), all[int(i)].constData());
    QVERIFY(frame.isVisible());
    QVERIFY(m_dialogs.isEmpty());
}

void TestFrame::recentFilesAreTheLabelsGiven()
{
    CMainFrame& frame = MakeFrame();
    auto* placeholder = frame.findChild<QAction*>(QStringLiteral("RecentFilePlaceholder"));
    QVERIFY(placeholder);
    QVERIFY(placeholder->isVisible());
    QVERIFY(frame.GetRecentFileActions().empty());

    QSignalSpy requested(&frame, &CMainFrame::recentFileRequested);
    frame.UpdateRecentFileMenu({QStringLiteral("&1 /a/one.inf"), QStringLiteral("&2 /b/two.inf")});
    QVERIFY(!placeholder->isVisible());
    const std::vector<QAction*>& items = frame.GetRecentFileActions();
    QCOMPARE(int(items.size()), 2);
    QCOMPARE(items[1]->text(), QStringLiteral("&2 /b/two.inf"));
    QCOMPARE(items[1]->objectName(), QStringLiteral("ID_FILE_MRU_FILE2"));
    items[1]->trigger();
    QCOMPARE(requested.count(), 1);
    QCOMPARE(requested.at(0).at(0).toInt(), 1);

    // A shorter list replaces the entries; none brings the placeholder back.
    frame.UpdateRecentFileMenu({QStringLiteral("&1 /c/three.inf")});
    QCOMPARE(int(frame.GetRecentFileActions().size()), 1);
    frame.UpdateRecentFileMenu({});
    QVERIFY(frame.GetRecentFileActions().empty());
    QVERIFY(placeholder->isVisible());
}

void TestFrame::readingToolsRunTheirDialogsThroughTheRunner()
{
    CMainFrame& frame = MakeFrame();
    QVERIFY(!GetGlosselApp());
    CSyntaxRichEditCtrl& control = frame.GetActiveView()->GetRichEditCtrl();
    frame.GetCommand(ID_EDIT_GOTO_LINE)->trigger();  // answered with Cancel
    QCOMPARE(control.GetCaretLine(), 0LL);
    m_goToLine = 3;
    frame.GetCommand(ID_EDIT_GOTO_LINE)->trigger();
    QCOMPARE(control.GetCaretLine(), 2LL);
    frame.GetCommand(ID_EDIT_GOTO_SYMBOL)->trigger();
    QCOMPARE(m_dialogs, (QStringList{"CGoToLineDlg", "CGoToLineDlg", "CSymbolPopup"}));
}

QTEST_MAIN(TestFrame)
#include "test_frame.moc"
