// The view: its control covers the client area at every size, takes the focus the view
// is given, and shows the document afresh at every update with the caret at the start.
// And what the reading tools find in the text as shown: the rules of the search, the
// count made in slices, columns and positions, and the busy pointer of a long render.

#include "QtTestSupport.h"

#include "doc/GlosselDoc.h"
#include "syntax/SyntaxStyleMap.h"
#include "view/BusyCursor.h"
#include "view/FindSession.h"
#include "view/GlosselView.h"
#include "view/GridFit.h"

#include <QLineEdit>
#include <QPrinter>
#include <QTemporaryDir>
#include <QVBoxLayout>
#include <QtTest>

using qtestsupport::MessageBoxRecorder;

class TestView : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void controlIsMadeAsTheViewNeedsIt();
    void controlCoversTheClientAreaAfterResizes();
    void focusGoesToTheControl();
    void updateRendersEveryTextWithTheCaretAtTheStart();
    void createRendersATextAlreadyThere();
    void renderRunsWhileTheControlIsHidden();
    void printingPrintsTheText();
    void busyPointerWhileRenderingButNotOverTheBox();
    void findRules_data();
    void findRules();
    void countInSlicesKnowsEveryMatchsPlace();
    void columnsAndPositionsAsShown_data();
    void columnsAndPositionsAsShown();
    void clustersKeepTheirFirstCharactersFormat_data();
    void clustersKeepTheirFirstCharactersFormat();

private:
    QTemporaryDir m_dir;
};

void TestView::initTestCase()
{
    theStyleMap.BuildDefaults();
}

void TestView::controlIsMadeAsTheViewNeedsIt()
{
    CGlosselDoc document;
    CGlosselView view(&document);
    QCOMPARE(view.OnCreate(), 0);
    CSyntaxRichEditCtrl& control = view.GetRichEditCtrl();
    QCOMPARE(control.parentWidget(), &view);
    QCOMPARE(control.objectName(), QStringLiteral("1000"));
    QCOMPARE(control.GetOptions(), ECO_NOHIDESEL);  // the selection stays shown while unfocused
    QCOMPARE(GLOSSEL_VIEW_EDIT_STYLE, 0x500018C4u);
    QCOMPARE(control.horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    QCOMPARE(control.verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    QCOMPARE(control.GetTextLength(), 0);  // an empty document is not rendered at creation
}

void TestView::controlCoversTheClientAreaAfterResizes()
{
    CGlosselDoc document;
    QWidget frame;
    auto* layout = new QVBoxLayout(&frame);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* view = new CGlosselView(&document, &frame);
    layout->addWidget(view);
    view->OnCreate();
    frame.resize(400, 300);
    frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frame));

    const QSize sizes[] = {{640, 480}, {300, 200}, {1200, 90}, {1, 1}, {800, 600}};
    for (const QSize& size : sizes) {
        frame.resize(size);
        QTRY_COMPARE(view->size(), size);
        QCOMPARE(view->GetRichEditCtrl().geometry(), view->rect());
        QVERIFY(view->GetRichEditCtrl().isVisible());
    }
}

void TestView::focusGoesToTheControl()
{
    CGlosselDoc document;
    document.OnNewDocument();
    QWidget frame;
    auto* layout = new QVBoxLayout(&frame);
    auto* other = new QLineEdit(&frame);
    auto* view = new CGlosselView(&document, &frame);
    layout->addWidget(other);
    layout->addWidget(view);
    view->OnCreate();
    frame.show();
    QApplication::setActiveWindow(&frame);
    QVERIFY(QTest::qWaitForWindowActive(&frame));

    other->setFocus();
    QTRY_VERIFY(other->hasFocus());
    view->setFocus();
    QTRY_VERIFY(view->GetRichEditCtrl().hasFocus());

    // An update hides the control while it renders; the focus comes back to it.
    view->OnUpdate(nullptr, 0, nullptr);
    QVERIFY(view->GetRichEditCtrl().hasFocus());
    QVERIFY(view->GetRichEditCtrl().isVisible());
}

void TestView::updateRendersEveryTextWithTheCaretAtTheStart()
{
    CGlosselDoc document;
    document.OnNewDocument();
    CGlosselView view(&document);
    view.OnCreate();
    view.show();
    CSyntaxRichEditCtrl& control = view.GetRichEditCtrl();

    const auto shown = [&] { return control.GetText(0, control.GetTextLength()); };
    view.OnUpdate(nullptr, 0, nullptr);
    QCOMPARE(shown(), QString::fromLatin1(GLOSSEL_WELCOME_TEXT.data(), GLOSSEL_WELCOME_TEXT.size()));
    long long start = -1;
    long long end = -1;
    control.GetSel(start, end);
    QCOMPARE(start, 0);
    QCOMPARE(end, 0);

    control.SetSel(5, 9);
    document.m_text.clear();
    view.OnUpdate(nullptr, 0, nullptr);  // an empty text is rendered too
    QCOMPARE(control.GetTextLength(), 0);
    control.GetSel(start, end);
    QCOMPARE(start, 0);
    QCOMPARE(end, 0);
    QVERIFY(control.isVisible());

    document.m_text = "Object lamp;\n";
    control.SetSel(0, -1);
    document.UpdateAllViews(nullptr);
    QCOMPARE(shown(), QStringLiteral("Object lamp;\n"));
    control.GetSel(start, end);
    QCOMPARE(start, 0);
    QCOMPARE(end, 0);
}

void TestView::createRendersATextAlreadyThere()
{
    CGlosselDoc document;
    document.OnNewDocument();
    CGlosselView view(&document);
    view.OnCreate();
    CSyntaxRichEditCtrl& control = view.GetRichEditCtrl();
    QCOMPARE(control.GetText(0, control.GetTextLength()),
             QString::fromLatin1(GLOSSEL_WELCOME_TEXT.data(), GLOSSEL_WELCOME_TEXT.size()));
    QVERIFY(!control.isHidden());
}

void TestView::renderRunsWhileTheControlIsHidden()
{
    // The long-line message comes in the middle of a render: the control is hidden then
    // and shown again afterwards.
    MessageBoxRecorder boxes;
    CGlosselDoc document;
    document.m_text = "Constant A;\n" + std::string(1020, 'x') + "\n";
    CGlosselView view(&document);
    view.OnCreate();
    view.show();
    view.OnUpdate(nullptr, 0, nullptr);
    QCOMPARE(boxes.Calls().size(), 2);  // at creation and at the update
    for (const auto& call : boxes.Calls()) {
        QCOMPARE(call.caption, QStringLiteral("File Error"));
        QCOMPARE(call.text, QStringLiteral("The file contained a line longer than the maximum allowed (1020)!"));
        QVERIFY(call.ownerHidden);
    }
    QVERIFY(view.GetRichEditCtrl().isVisible());
    // The lines before the long one are shown.
    CSyntaxRichEditCtrl& control = view.GetRichEditCtrl();
    QCOMPARE(control.GetText(0, control.GetTextLength()), QStringLiteral("Constant A;\n"));
}

void TestView::printingPrintsTheText()
{
    CGlosselDoc document;
    document.OnNewDocument();
    CGlosselView view(&document);
    view.OnCreate();
    const QString pdf = m_dir.filePath(QStringLiteral("out.pdf"));
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
    QVERIFY(view.OnFilePrint(printer));
    QFile file(pdf);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QVERIFY(bytes.startsWith("%PDF"));
    QVERIFY(bytes.contains("/Type /Page"));
    // The welcome text is drawn with a font, so the page names one.
    QVERIFY(bytes.contains("/FontFile") || bytes.contains("/BaseFont"));
}

void TestView::busyPointerWhileRenderingButNotOverTheBox()
{
    const std::uint64_t threshold = CBusyCursor::SetThreshold(100);
    CGlosselDoc document;
    document.m_text = "Constant A;\n" + std::string(200, ' ') + "\n" + std::string(1020, 'x') + "\n";
    CGlosselView view(&document);
    view.show();
    bool busyWhileRendering = false;
    connect(&view.GetRichEditCtrl(), &CSyntaxRichEditCtrl::textReplaced, this,
            [&] { busyWhileRendering = QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::WaitCursor; });
    QList<bool> busyOverBox;
    const MessageBoxHandler previous = SetMessageBoxHandler([&](QWidget*, const QString&, const QString&, unsigned) {
        busyOverBox << (QApplication::overrideCursor() != nullptr);
        return IDOK;
    });
    view.OnCreate();
    SetMessageBoxHandler(previous);
    CBusyCursor::SetThreshold(threshold);
    QVERIFY(busyWhileRendering);
    QCOMPARE(busyOverBox, QList<bool>{false});  // the long-line box shows the normal pointer
    QVERIFY(!QApplication::overrideCursor());    // and it is back once the text is in
    QVERIFY(!CBusyCursor::IsBusy());

    // A small text never shows it.
    busyWhileRendering = true;
    document.m_text = "Constant A;\n";
    view.OnUpdate(nullptr, 0, nullptr);
    QVERIFY(!busyWhileRendering);
}

namespace {

// A store holding bytes as a render leaves them: lines without their line feeds.
std::unique_ptr<CRichTextStore> MakeStore(const QByteArray& bytes)
{
    auto store = std::make_unique<CRichTextStore>();
    const QList<QByteArray> lines = bytes.split('\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (i > 0) store->AppendParagraph(0);
        store->AppendText(lines[i].constData(), static_cast<std::size_t>(lines[i].size()), 0);
    }
    store->Finish();
    return store;
}

std::u16string Utf16(const QString& text)
{
    return std::u16string(reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size()));
}

QString Spans(const std::vector<CTextSearch::Match>& matches)
{
    QStringList spans;
    for (const CTextSearch::Match& m : matches) spans << QStringLiteral("%1-%2").arg(m.from).arg(m.to);
    return spans.join(u' ');
}

}  // namespace

void TestView::findRules_data()
{
    QTest::addColumn<QByteArray>("text");  // the bytes as shown: UTF-8 when valid with a byte from 0x80
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<bool>("matchCase");
    QTest::addColumn<bool>("wholeWords");
    QTest::addColumn<QString>("matches");  // from-to in positions as shown, those a count counts
    QTest::addColumn<QString>("previous");  // those Previous finds from the end back; null: the same

    QTest::newRow("case off finds every case") << QByteArray("Object Lamp LAMP lamp;") << "lamp" << false << false
                                               << "7-11 12-16 17-21" << QString();
    QTest::newRow("match case finds its own case only") << QByteArray("Object Lamp LAMP lamp;") << "Lamp" << true
                                                         << false << "7-11" << QString();
    QTest::newRow("whole words: letters, digits and _ make words")
        << QByteArray("lamp lamps _lamp lamp2 lamp;") << "lamp" << false << true << "0-4 23-27" << QString();
    QTest::newRow("whole words: a, z, A, Z, 0 and 9 are word characters")
        << QByteArray("alamp lampz Zlamp lampA 0lamp lamp9 lamp") << "lamp" << false << true << "36-40" << QString();
    QTest::newRow("case off: A and Z fold to a and z")
        << QByteArray("ZA za") << "za" << false << false << "0-2 3-5" << QString();
    QTest::newRow("whole words: a sign at an end of the pattern asks nothing there")
        << QByteArray("f(x) g(y)") << "(" << false << true << "1-2 6-7" << QString();
    QTest::newRow("whole words: a word character at an end asks for a boundary")
        << QByteArray("f(x) gg(y) g(z)") << "g(" << false << true << "11-13" << QString();
    QTest::newRow("whole words: a letter of another script is a word character, UTF-8")
        << QByteArray("\xC3\xA9lamp lamp") << "lamp" << false << true << "6-10" << QString();
    QTest::newRow("whole words: the same in Windows-1252")
        << QByteArray("\xE9lamp lamp") << "lamp" << false << true << "6-10" << QString();
    QTest::newRow("UTF-8: e acute finds E acute") << QByteArray("Caf\xC3\xA9 CAF\xC3\x89 cafe")
                                                  << QString::fromUtf8("café") << false << false << "0-4 5-9" << QString();
    QTest::newRow("UTF-8: match case") << QByteArray("Caf\xC3\xA9 CAF\xC3\x89 cafe") << QString::fromUtf8("CAFÉ")
                                       << true << false << "5-9" << QString();
    QTest::newRow("UTF-8: a first character of two bytes, either case")
        << QByteArray("\xC3\x89T\xC3\x89 \xC3\xA9t\xC3\xA9 ete") << QString::fromUtf8("été") << false << false
        << "0-3 4-7" << QString();
    QTest::newRow("Windows-1252: e acute finds E acute") << QByteArray("Caf\xE9 CAF\xC9 cafe")
                                                         << QString::fromUtf8("café") << false << false << "0-4 5-9" << QString();
    QTest::newRow("Windows-1252: match case") << QByteArray("Caf\xE9 CAF\xC9 cafe") << QString::fromUtf8("Café")
                                              << true << false << "0-4" << QString();
    QTest::newRow("Windows-1252: OE ligature, from 0x80 to 0x9F")
        << QByteArray("\x8C\x9C \x8A\x9A") << QString::fromUtf8("œ") << false << false << "0-1 1-2" << QString();
    QTest::newRow("Windows-1252: a character the code page lacks matches nothing")
        << QByteArray("abc \xE9") << QString::fromUtf8("ж") << false << false << "" << QString();
    QTest::newRow("the Kelvin sign is a k") << QByteArray("\xE2\x84\xAA and k") << "K" << false << false << "0-1 6-7" << QString();
    QTest::newRow("sharp s does not find SS") << QByteArray("Stra\xC3\x9F" "e STRASSE") << QString::fromUtf8("straße")
                                              << false << false << "0-6" << QString();
    QTest::newRow("a character beyond the first plane is two positions")
        << QByteArray("\xF0\x9D\x94\xB8 lamp \xF0\x9D\x94\xB8") << "lamp" << false << false << "3-7" << QString();
    QTest::newRow("a character beyond the first plane found")
        << QByteArray("\xF0\x9D\x94\xB8 lamp \xF0\x9D\x94\xB8") << QString::fromUtf8("𝔸") << false << false
        << "0-2 8-10" << QString();
    QTest::newRow("no match runs over a line feed") << QByteArray("a\nb a") << "a\nb" << false << false << "" << QString();
    // Previous mirrors Next: from the end back, each search goes on from the start of the
    // match after.
    QTest::newRow("matches of a count do not overlap") << QByteArray("aaaaa") << "aa" << false << false << "0-2 2-4"
                                                       << "1-3 3-5";
    QTest::newRow("an empty pattern matches nothing") << QByteArray("abc") << "" << false << false << "" << QString();
    QTest::newRow("matches on several lines") << QByteArray("Lamp\n lamp\n\nLAMP") << "lamp" << false << false
                                              << "0-4 6-10 12-16" << QString();
}

void TestView::findRules()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, pattern);
    QFETCH(bool, matchCase);
    QFETCH(bool, wholeWords);
    QFETCH(QString, matches);
    QFETCH(QString, previous);
    if (previous.isNull()) previous = matches;

    const std::unique_ptr<CRichTextStore> store = MakeStore(text);
    CTextSearch search;
    search.Prepare(*store, Utf16(pattern), matchCase, wholeWords);

    // Next, one after the other from the start, each going on from the end of the one before.
    std::vector<CTextSearch::Match> found;
    for (std::uint64_t pos = 0;;) {
        const auto m = search.Next(pos);
        if (!m) break;
        found.push_back(*m);
        pos = m->to;
    }
    QCOMPARE(Spans(found), matches);
    // Previous, from the end back, finds the same.
    std::vector<CTextSearch::Match> back;
    for (std::uint64_t pos = store->Length();;) {
        const auto m = search.Previous(pos);
        if (!m) break;
        back.insert(back.begin(), *m);
        pos = m->from;
    }
    QCOMPARE(Spans(back), previous);
    std::vector<CTextSearch::Match> shown;
    search.MatchesIn(0, store->Length(), shown);
    QCOMPARE(Spans(shown), matches);
    for (const CTextSearch::Match& m : found) {
        QVERIFY(search.IsMatch(m));
        QVERIFY(!search.IsMatch({m.from, m.to - 1}));
    }

    // The count, and each match's place in it; going round the ends.
    CFindSession session;
    session.Reset(*store);
    session.SetPattern(Utf16(pattern), matchCase, wholeWords);
    while (session.CountStep()) {
    }
    QVERIFY(session.IsCounted());
    QCOMPARE(session.Count(), found.size());
    for (std::size_t i = 0; i < found.size(); ++i) QCOMPARE(session.IndexOf(found[i]), std::optional<std::uint64_t>(i + 1));
    const auto next = session.Find(store->Length(), true);
    const auto last = session.Find(0, false);
    QCOMPARE(next.has_value(), !found.empty());
    QCOMPARE(last.has_value(), !found.empty());
    if (found.empty()) return;
    QVERIFY(next->wrapped);
    QVERIFY(next->match == found.front());
    QVERIFY(last->wrapped);
    QVERIFY(last->match == back.back());
    const auto first = session.Find(0, true);
    QVERIFY(first && !first->wrapped && first->match == found.front());
}

void TestView::countInSlicesKnowsEveryMatchsPlace()
{
    // Three slices of text with matches at their edges, and one across an edge.
    const std::uint64_t slice = CFindSession::SLICE_BYTES;
    QByteArray text(static_cast<qsizetype>(3 * slice), 'x');
    const std::uint64_t at[] = {0, slice - 2, slice + 10, 2 * slice - 4, 2 * slice + 7, 3 * slice - 4};
    for (std::uint64_t a : at) text.replace(static_cast<qsizetype>(a), 4, "lamp");
    const std::unique_ptr<CRichTextStore> store = MakeStore(text);
    CFindSession session;
    session.Reset(*store);
    session.SetPattern(u"LAMP", false, false);
    int steps = 0;
    for (; session.CountStep(); ++steps)
        QVERIFY(!session.IsCounted());
    QCOMPARE(steps + 1, 3);  // one step a slice
    QCOMPARE(session.Count(), std::uint64_t{6});
    for (std::size_t i = 0; i < std::size(at); ++i)
        QCOMPARE(session.IndexOf({at[i], at[i] + 4}), std::optional<std::uint64_t>(i + 1));

    // Before the count has passed a match its place is not known yet.
    session.SetPattern(u"lamp", false, false);
    QVERIFY(session.CountStep());
    QCOMPARE(session.IndexOf({at[1], at[1] + 4}), std::optional<std::uint64_t>(2));
    QCOMPARE(session.IndexOf({at[2], at[2] + 4}), std::nullopt);
}

void TestView::columnsAndPositionsAsShown_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("byte");
    QTest::addColumn<int>("unit");    // of the character beginning at (or after) byte
    QTest::addColumn<int>("column");  // of that unit in its row, from 0

    const QByteArray utf8("\tab\n  \xC3\xA9\tx\n\xF0\x9D\x94\xB8y");
    QTest::newRow("UTF-8: after a tab") << utf8 << 1 << 1 << 8;
    QTest::newRow("UTF-8: a row's start") << utf8 << 4 << 4 << 0;
    QTest::newRow("UTF-8: a character of two bytes takes one column") << utf8 << 6 << 6 << 2;
    QTest::newRow("UTF-8: inside a character, the next one") << utf8 << 7 << 7 << 3;
    QTest::newRow("UTF-8: a tab goes to the next stop") << utf8 << 9 << 8 << 8;
    QTest::newRow("UTF-8: a character of four bytes takes two positions, one column") << utf8 << 15 << 12 << 1;
    QTest::newRow("UTF-8: the end") << utf8 << 16 << 13 << 2;
    // Cells as drawn: wide characters two, marks none, bidirectional controls a box of two.
    const QByteArray wide("\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\xE6\x97\xA5\tX");
    QTest::newRow("UTF-8: seven ideographs and a tab put X at 16") << wide << 22 << 8 << 16;
    QTest::newRow("UTF-8: an ideograph takes two columns") << wide << 3 << 1 << 2;
    const QByteArray marks("e\xCC\x81" "e\xCC\x81" "e\xCC\x81" "x");
    QTest::newRow("UTF-8: three letters with their accents take three columns") << marks << 9 << 6 << 3;
    QTest::newRow("UTF-8: an accent takes none") << marks << 1 << 1 << 1;
    QTest::newRow("UTF-8: a bidirectional control takes two columns") << QByteArray("a\xE2\x80\xAE" "b") << 4 << 2 << 3;
    QTest::newRow("UTF-8: a wide character of four bytes") << QByteArray("\xF0\x9F\x98\x80x") << 4 << 2 << 2;
    QTest::newRow("UTF-8: the byte-order mark takes none") << QByteArray("\xEF\xBB\xBFx\xC3\xA9") << 3 << 1 << 0;
    QTest::newRow("UTF-8: a Hangul syllable takes two") << QByteArray("\xEA\xB0\x80x") << 3 << 1 << 2;
    const QByteArray ansi("\tab\n  \xE9\tx");
    QTest::newRow("Windows-1252: a byte is a character") << ansi << 6 << 6 << 2;
    QTest::newRow("Windows-1252: a tab") << ansi << 8 << 8 << 8;
}

void TestView::columnsAndPositionsAsShown()
{
    QFETCH(QByteArray, text);
    QFETCH(int, byte);
    QFETCH(int, unit);
    QFETCH(int, column);
    const std::unique_ptr<CRichTextStore> store = MakeStore(text);
    QCOMPARE(store->UnitOfByte(static_cast<std::uint64_t>(byte)), static_cast<std::uint64_t>(unit));
    QCOMPARE(store->ColumnOf(static_cast<std::uint64_t>(unit)), static_cast<std::uint64_t>(column));
}

void TestView::clustersKeepTheirFirstCharactersFormat_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QList<int>>("spans");  // pairs: where a format begins, the format
    QTest::addColumn<QList<int>>("kept");
    const QString accents = QStringLiteral("e\u0301\u0301x");
    QTest::newRow("a format that begins at the accents") << accents << QList<int>{0, 1, 1, 2, 3, 3} << QList<int>{0, 1, 3, 3};
    QTest::newRow("one that begins between two accents") << accents << QList<int>{0, 1, 2, 2} << QList<int>{0, 1, 3, 2};
    QTest::newRow("one inside the last cluster is gone") << QStringLiteral("ae\u0301") << QList<int>{0, 1, 2, 2}
                                                          << QList<int>{0, 1};
    QTest::newRow("formats between clusters stay") << QStringLiteral("e\u0301e\u0301") << QList<int>{0, 1, 2, 2}
                                                   << QList<int>{0, 1, 2, 2};
    QTest::newRow("inside a surrogate pair") << QStringLiteral("x\U0001F600y") << QList<int>{0, 1, 2, 2, 3, 3}
                                             << QList<int>{0, 1, 3, 3};
    QTest::newRow("inside a joined emoji") << QStringLiteral("\U0001F468\u200D\U0001F469x") << QList<int>{0, 1, 2, 2}
                                           << QList<int>{0, 1, 5, 2};
}

void TestView::clustersKeepTheirFirstCharactersFormat()
{
    QFETCH(QString, text);
    QFETCH(QList<int>, spans);
    QFETCH(QList<int>, kept);
    std::vector<CRichTextStore::Span> given;
    for (qsizetype i = 0; i + 1 < spans.size(); i += 2)
        given.push_back({static_cast<std::uint32_t>(spans[i]), static_cast<CRichTextStore::FormatIndex>(spans[i + 1])});
    gridfit::KeepClustersWhole(text, given);
    QList<int> got;
    for (const CRichTextStore::Span& span : given) got << static_cast<int>(span.start) << span.format;
    QCOMPARE(got, kept);
}

QTEST_MAIN(TestView)
#include "test_view.moc"
