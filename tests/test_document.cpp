// The document and the single-document template: what a file's bytes become in the
// document, and which opens change what the user sees.

#include "QtTestSupport.h"

#include "doc/DocTemplate.h"
#include "doc/FileName.h"
#include "doc/GlosselDoc.h"
#include "view/View.h"

#include <QPointer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>
#include <memory>
#include <utility>

using qtestsupport::WriteBytes;

namespace {

// A view that counts the updates it is sent.
class CountingView : public CView {
public:
    using CView::CView;
    void OnUpdate(CView* sender, long hint, QObject* hintObject) override
    {
        ++updates;
        CView::OnUpdate(sender, hint, hintObject);
    }
    int updates = 0;
};

// A view that is only what the document knows of a view: it writes what it is told
// into a log, then does what a test gave it to do.
class LoggingView : public CDocumentView {
public:
    LoggingView(QString name, QStringList& log) : m_name(std::move(name)), m_log(log) {}
    void OnInitialUpdate() override { Told(QStringLiteral(" initial")); }
    void OnDocumentUpdate(CDocumentView*, long hint, QObject*) override { Told(QStringLiteral(" update %1").arg(hint)); }
    void SetDocument(CDocument* document) override { this->document = document; }
    CDocument* document = nullptr;
    std::function<void()> whenTold;

private:
    void Told(const QString& what)
    {
        m_log << m_name + what;
        if (whenTold) std::exchange(whenTold, nullptr)();
    }
    QString m_name;
    QStringList& m_log;
};

struct TestTemplate {
    int framesMade = 0;
    QPointer<QWidget> frame;
    QPointer<CountingView> view;
    QStringList recent;
    CSingleDocTemplate docTemplate{[] { return std::make_unique<CGlosselDoc>(); },
                                   [this](CDocument& document) -> QWidget* {
                                       ++framesMade;
                                       frame = new QWidget;
                                       view = new CountingView(&document, frame);
                                       return frame;
                                   }};
    TestTemplate()
    {
        docTemplate.SetRecentFileSink([this](const QString& path) { recent.append(path); });
    }
    CGlosselDoc* Doc() const { return static_cast<CGlosselDoc*>(docTemplate.GetDocument()); }
};

}  // namespace

class TestDocument : public QObject {
    Q_OBJECT

private slots:
    void newDocumentHoldsTheWelcomeText();
    void fileBytesBecomeTheText_data();
    void fileBytesBecomeTheText();
    void readErrorKeepsThePreviousText();
    void firstOpenThatFailsLeavesNoWindow();
    void successfulOpenSetsPathTitleRecentAndUpdatesTheView();
    void failedOpenChangesNothingTheUserSees_data();
    void failedOpenChangesNothingTheUserSees();
    void newDocumentAfterAFile();
    void matchComparesResolvedPathsExactly();
    void fileNamesKeepTheirBytes_data();
    void fileNamesKeepTheirBytes();
    void closingTheFrameDestroysTheDocument();
    void documentTellsItsViews_data();
    void documentTellsItsViews();

private:
    QTemporaryDir m_dir;
    QString Path(const QString& name) const { return m_dir.filePath(name); }
};

void TestDocument::newDocumentHoldsTheWelcomeText()
{
    TestTemplate t;
    QVERIFY(t.docTemplate.OpenDocumentFile(QString()));
    const std::string expected =
        "! This is just a test application.\n"
        "! More features will be added soon (with luck).\n"
        "! This version is a lot faster than the original -\n"
        "! my next priority is to add editing features.\n";
    QCOMPARE(t.Doc()->m_text, expected);
    QCOMPARE(t.Doc()->m_text.size(), std::size_t(34 + 47 + 50 + 46 + 4));
    QCOMPARE(t.Doc()->GetTitle(), QStringLiteral("Untitled"));
    QVERIFY(t.Doc()->GetPathName().isEmpty());
    QVERIFY(!t.Doc()->IsModified());
    QVERIFY(t.recent.isEmpty());
    QCOMPARE(t.view->updates, 1);
}

void TestDocument::fileBytesBecomeTheText_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("loads");
    QTest::addColumn<QByteArray>("text");

    QTest::newRow("LF lines") << QByteArray("Object x;\n[ Main; ];\n") << true << QByteArray("Object x;\n[ Main; ];\n");
    QTest::newRow("CR LF becomes LF") << QByteArray("a\r\nb\r\n") << true << QByteArray("a\nb\n");
    QTest::newRow("only CR LF") << QByteArray("\r\n") << true << QByteArray("\n");
    QTest::newRow("lone CR stays") << QByteArray("a\rb") << true << QByteArray("a\rb");
    QTest::newRow("NUL ends the text") << QByteArray("ab\0cd\n", 6) << true << QByteArray("ab");
    QTest::newRow("Ctrl-Z ends the text") << QByteArray("ab\x1a\ncd") << true << QByteArray("ab");
    QTest::newRow("first byte NUL: empty text") << QByteArray("\0abc", 4) << true << QByteArray();
    QTest::newRow("first byte Ctrl-Z: empty text") << QByteArray("\x1a" "abc") << true << QByteArray();
    QTest::newRow("empty file fails") << QByteArray() << false << QByteArray();
}

void TestDocument::fileBytesBecomeTheText()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, loads);
    QFETCH(QByteArray, text);

    const QString path = Path(QStringLiteral("bytes.inf"));
    QVERIFY(WriteBytes(path, bytes));
    CGlosselDoc document;
    document.m_text = "previous";
    QCOMPARE(document.OnOpenDocument(path), loads);
    QCOMPARE(QByteArray::fromStdString(document.m_text), loads ? text : QByteArray("previous"));
    QCOMPARE(document.GetOpenFailureReason().isEmpty(), loads);
    QVERIFY(!document.IsModified());
}

void TestDocument::readErrorKeepsThePreviousText()
{
    // A reader that delivers part of a file and then reports a read error.
    CGlosselDoc document;
    document.m_text = "previous text\n";
    document.SetTextReader([](const std::string&, std::string& text, LoadFailure* failure) {
        text = "part of a fi";
        if (failure) *failure = {5, "Input/output error"};
        return false;
    });
    QVERIFY(!document.OnOpenDocument(Path(QStringLiteral("any.inf"))));
    QCOMPARE(document.m_text, std::string("previous text\n"));
    QCOMPARE(document.GetOpenFailureReason(), QStringLiteral("Input/output error"));
}

void TestDocument::firstOpenThatFailsLeavesNoWindow()
{
    TestTemplate t;
    QVERIFY(!t.docTemplate.OpenDocumentFile(Path(QStringLiteral("missing.inf"))));
    QCOMPARE(t.framesMade, 1);
    QVERIFY(t.frame.isNull());
    QVERIFY(!t.docTemplate.GetDocument());
    QVERIFY(!t.docTemplate.GetFrame());
    QCOMPARE(t.docTemplate.GetOpenFailureReason(), QStringLiteral("No such file or directory"));
    QVERIFY(t.recent.isEmpty());
}

void TestDocument::successfulOpenSetsPathTitleRecentAndUpdatesTheView()
{
    const QString path = Path(QStringLiteral("lamp.inf"));
    QVERIFY(WriteBytes(path, "Object lamp;\r\n"));
    TestTemplate t;
    QVERIFY(t.docTemplate.OpenDocumentFile(QString()));
    QSignalSpy titles(t.Doc(), &CDocument::titleChanged);

    CDocument* opened = t.docTemplate.OpenDocumentFile(path);
    QCOMPARE(opened, t.docTemplate.GetDocument());
    QCOMPARE(t.framesMade, 1);  // the same frame and document serve every open
    QCOMPARE(t.Doc()->m_text, std::string("Object lamp;\n"));
    QCOMPARE(t.Doc()->GetPathName(), path);
    QCOMPARE(t.Doc()->GetTitle(), QStringLiteral("lamp.inf"));
    QCOMPARE(titles.count(), 1);
    QCOMPARE(t.recent, QStringList{path});
    QCOMPARE(t.view->updates, 2);
    QVERIFY(!t.Doc()->IsModified());
}

void TestDocument::failedOpenChangesNothingTheUserSees_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");  // null: make no file
    QTest::newRow("missing file") << QStringLiteral("missing.inf") << QByteArray();
    QTest::newRow("empty file") << QStringLiteral("empty.inf") << QByteArray("");
    QTest::newRow("a folder") << QStringLiteral("folder.inf") << QByteArray();
}

void TestDocument::failedOpenChangesNothingTheUserSees()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    const QString shown = Path(QStringLiteral("shown.inf"));
    QVERIFY(WriteBytes(shown, "Constant A 1;\n"));
    const QString bad = Path(name);
    if (name == u"folder.inf")
        QVERIFY(QDir().mkpath(bad));
    else if (!bytes.isNull())
        QVERIFY(WriteBytes(bad, bytes));

    TestTemplate t;
    QVERIFY(t.docTemplate.OpenDocumentFile(shown));
    QSignalSpy titles(t.Doc(), &CDocument::titleChanged);
    t.recent.clear();

    QVERIFY(!t.docTemplate.OpenDocumentFile(bad));
    QVERIFY(!t.frame.isNull());
    QCOMPARE(t.Doc()->m_text, std::string("Constant A 1;\n"));
    QCOMPARE(t.Doc()->GetPathName(), shown);
    QCOMPARE(t.Doc()->GetTitle(), QStringLiteral("shown.inf"));
    QCOMPARE(titles.count(), 0);
    QCOMPARE(t.view->updates, 1);
    QVERIFY(t.recent.isEmpty());
    QVERIFY(!t.Doc()->IsModified());
    QVERIFY(!t.docTemplate.GetOpenFailureReason().isEmpty());
}

void TestDocument::newDocumentAfterAFile()
{
    const QString path = Path(QStringLiteral("first.inf"));
    QVERIFY(WriteBytes(path, "x;\n"));
    TestTemplate t;
    QVERIFY(t.docTemplate.OpenDocumentFile(path));
    QVERIFY(t.docTemplate.OpenDocumentFile(QString()));
    QCOMPARE(t.Doc()->GetTitle(), QStringLiteral("Untitled"));
    QVERIFY(t.Doc()->GetPathName().isEmpty());
    QCOMPARE(t.Doc()->m_text, std::string(GLOSSEL_WELCOME_TEXT));
}

void TestDocument::matchComparesResolvedPathsExactly()
{
    const QString lower = Path(QStringLiteral("case.inf"));
    const QString upper = Path(QStringLiteral("CASE.inf"));
    const QString link = Path(QStringLiteral("link.inf"));
    QVERIFY(WriteBytes(lower, "a;\n"));
    QVERIFY(WriteBytes(upper, "b;\n"));
    QVERIFY(QFile::link(lower, link));

    TestTemplate t;
    QVERIFY(!t.docTemplate.MatchDocument(lower));  // nothing open yet
    QVERIFY(t.docTemplate.OpenDocumentFile(lower));
    QCOMPARE(t.docTemplate.MatchDocument(lower), t.docTemplate.GetDocument());
    QCOMPARE(t.docTemplate.MatchDocument(m_dir.path() + QStringLiteral("/./case.inf")), t.docTemplate.GetDocument());
    QCOMPARE(t.docTemplate.MatchDocument(link), t.docTemplate.GetDocument());
    QVERIFY(!t.docTemplate.MatchDocument(upper));  // another file on a case-sensitive file system
    QVERIFY(!t.docTemplate.MatchDocument(Path(QStringLiteral("missing.inf"))));
    QVERIFY(!t.docTemplate.MatchDocument(QString()));

    QVERIFY(t.docTemplate.OpenDocumentFile(QString()));  // an untitled document matches nothing
    QVERIFY(!t.docTemplate.MatchDocument(lower));
}

void TestDocument::closingTheFrameDestroysTheDocument()
{
    TestTemplate t;
    QVERIFY(t.docTemplate.OpenDocumentFile(QString()));
    const QPointer<CDocument> document = t.docTemplate.GetDocument();
    delete t.frame.data();
    QVERIFY(document.isNull());
    QVERIFY(!t.docTemplate.GetDocument());
    // The next open makes both again.
    QVERIFY(t.docTemplate.OpenDocumentFile(QString()));
    QCOMPARE(t.framesMade, 2);
}

// Three views a, b and c joined in that order; while b is told, it does what the row
// says (once). Then the document tells its views (initial: SendInitialUpdate; else
// UpdateAllViews with the hint 7, from the sender named).
void TestDocument::documentTellsItsViews_data()
{
    QTest::addColumn<QString>("call");    // "initial", or the sender of an update ("" for none)
    QTest::addColumn<QString>("whileB");  // what b does when told
    QTest::addColumn<QStringList>("log");
    QTest::addColumn<bool>("documentLeft");

    QTest::newRow("initial update, in the order they joined")
        << "initial" << "" << QStringList{"a initial", "b initial", "c initial"} << true;
    QTest::newRow("update from the document") << "" << "" << QStringList{"a update 7", "b update 7", "c update 7"} << true;
    QTest::newRow("the sender is not told") << "b" << "" << QStringList{"a update 7", "c update 7"} << true;
    QTest::newRow("a view that leaves meanwhile is passed over")
        << "" << "c leaves" << QStringList{"a update 7", "b update 7"} << true;
    QTest::newRow("a view that joins meanwhile waits for the next call")
        << "" << "d joins" << QStringList{"a update 7", "b update 7", "c update 7"} << true;
    QTest::newRow("the document going ends the walk")
        << "initial" << "document goes" << QStringList{"a initial", "b initial"} << false;
}

void TestDocument::documentTellsItsViews()
{
    QFETCH(QString, call);
    QFETCH(QString, whileB);
    QFETCH(QStringList, log);
    QFETCH(bool, documentLeft);

    QStringList told;
    LoggingView a(QStringLiteral("a"), told), b(QStringLiteral("b"), told), c(QStringLiteral("c"), told),
        d(QStringLiteral("d"), told);
    auto document = std::make_unique<CGlosselDoc>();
    for (LoggingView* view : {&a, &b, &c}) document->AddView(view);
    QCOMPARE(a.document, document.get());
    if (whileB == u"c leaves") b.whenTold = [&] { document->RemoveView(&c); };
    if (whileB == u"d joins") b.whenTold = [&] { document->AddView(&d); };
    if (whileB == u"document goes") b.whenTold = [&] { document.reset(); };

    if (call == u"initial")
        document->SendInitialUpdate();
    else
        document->UpdateAllViews(call == u"b" ? &b : nullptr, 7);
    QCOMPARE(told, log);
    // The document sets each view's document as it joins and clears it as it leaves or goes.
    QCOMPARE(a.document == nullptr, !documentLeft);
    QVERIFY(c.document == nullptr || documentLeft);
    QCOMPARE(c.document == nullptr, !documentLeft || whileB == u"c leaves");
    if (document) {
        document->RemoveView(&a);
        QVERIFY(!a.document);
    }
}

// Names decode as UTF-8 where they are UTF-8; each other byte b becomes U+DC00 + b, and
// encoding gives the bytes back.
void TestDocument::fileNamesKeepTheirBytes_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("shown");
    const QChar e9(char16_t(0xDCE9));
    QTest::newRow("ASCII") << QByteArray("/a b/'c'.inf") << "/a b/'c'.inf" << "/a b/'c'.inf";
    QTest::newRow("UTF-8") << QByteArray("caf\xC3\xA9 \xF0\x9F\x99\x82") << QStringLiteral("caf\u00E9 \U0001F642")
                           << QStringLiteral("caf\u00E9 \U0001F642");
    QTest::newRow("Latin-1 byte") << QByteArray("caf\xE9.inf") << QStringLiteral("caf") + e9 + QStringLiteral(".inf")
                                  << QStringLiteral("caf\uFFFD.inf");
    QTest::newRow("overlong slash") << QByteArray("a\xC0\xAF") << QStringLiteral("a\xDCC0\xDCAF")
                                    << QStringLiteral("a\uFFFD\uFFFD");
    QTest::newRow("encoded surrogate") << QByteArray("\xED\xA0\x80") << QStringLiteral("\xDCED\xDCA0\xDC80")
                                       << QStringLiteral("\uFFFD\uFFFD\uFFFD");
    QTest::newRow("past U+10FFFF") << QByteArray("\xF4\x90\x80\x80") << QStringLiteral("\xDCF4\xDC90\xDC80\xDC80")
                                   << QStringLiteral("\uFFFD\uFFFD\uFFFD\uFFFD");
    QTest::newRow("cut short") << QByteArray("x\xE2\x82") << QStringLiteral("x\xDCE2\xDC82")
                               << QStringLiteral("x\uFFFD\uFFFD");
}

void TestDocument::fileNamesKeepTheirBytes()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, name);
    QFETCH(QString, shown);
    QCOMPARE(DecodeFileName(bytes), name);
    QCOMPARE(EncodeFileName(name), bytes);
    QCOMPARE(DisplayFileName(name), shown);
    QCOMPARE(HasEscapedBytes(name), name != shown);
}

QTEST_MAIN(TestDocument)
#include "test_document.moc"
