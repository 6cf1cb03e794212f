// CSyntaxRichEditCtrl as a user and its owners meet it: what it shows after a render
// (read back character by character, and checked on screen), the long-line message,
// stream-in, keyboard and mouse, the clipboard, focus, accessibility and printing.

#include "DisplayExpectations.h"
#include "QtTestSupport.h"
#include "TestSupport.h"

#include "doc/TextLoader.h"
#include "syntax/DisplayText.h"
#include "syntax/SyntaxStyleMap.h"
#include "view/MessageBox.h"
#include "view/PagePrinter.h"
#include "view/RichEditAccessible.h"
#include "view/SyntaxRichEditCtrl.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFontInfo>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QPrinter>
#include <QScrollBar>
#include <QSet>
#include <QSignalSpy>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cstring>

using qtestsupport::DrawnIn;

namespace {

struct ShownMessage {
    QWidget* owner;
    QString text;
    QString caption;
    unsigned int type;
};

constexpr std::uint32_t kViewStyle =
    WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_AUTOVSCROLL | ES_AUTOHSCROLL | ES_READONLY | ES_WANTRETURN;

// The characters the control must show for a text, with the style code of each
// (UTF-16 units; each unit of a character carries the code of the character's first byte).
struct ExpectedDisplay {
    QString text;
    std::vector<StyleCode> codes;
};

// Windows-1252 from 0x80 to 0x9F, from the code page's published chart; the five
// undefined bytes stand for the C1 controls of the same value.
const char16_t kCp1252[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                              0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                              0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                              0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

ExpectedDisplay Expect(const std::string& text)
{
    const std::vector<testsupport::ExpectedByte> bytes = testsupport::ExpectedStoreBytes(text);
    const std::string raw = testsupport::BytesOf(bytes);
    ExpectedDisplay d;
    // Qt's decoder keeps a leading byte-order mark with this flag and reports bad bytes.
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom);
    const QString utf8 = decoder.decode(QByteArrayView(raw.data(), static_cast<qsizetype>(raw.size())));
    const bool highBytes = std::any_of(raw.begin(), raw.end(), [](char c) { return (c & 0x80) != 0; });
    const bool validUtf8 = !decoder.hasError();
    if (highBytes && validUtf8) {
        d.text = utf8;
        for (std::size_t i = 0; i < bytes.size();) {
            const unsigned char lead = static_cast<unsigned char>(bytes[i].byte);
            const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
            d.codes.push_back(bytes[i].code);
            if (length == 4) d.codes.push_back(bytes[i].code);
            i += length;
        }
    } else {
        for (const testsupport::ExpectedByte& b : bytes) {
            const unsigned char c = static_cast<unsigned char>(b.byte);
            d.text += QChar(c >= 0x80 && c <= 0x9F ? kCp1252[c - 0x80] : static_cast<char16_t>(c));
            d.codes.push_back(b.code);
        }
    }
    return d;
}

CCharFormat StyleFormat(const CSyntaxStyleMap& styles, StyleCode code)
{
    CSyntaxStyle* style = nullptr;
    styles.Lookup(code, style);
    return CCharFormat{style->m_colour, style->m_bold != 0, style->m_italic != 0};
}

bool AllWhite(const QImage& image, const QRect& rect)
{
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x)
            if (image.rect().contains(x, y) && image.pixel(x, y) != qRgb(255, 255, 255)) return false;
    return true;
}

// In the key table's test: the view follows the caret, wherever it went.
constexpr int kFollows = 1000;

long CallbackOneByte(std::uintptr_t cookie, unsigned char* buffer, long size, long* got)
{
    return CSyntaxRichEditCtrl::StreamInCallback(cookie, buffer, size > 0 ? 1 : 0, got);
}

// Hands over the first 40 bytes, then fails with 7.
long CallbackFailing(std::uintptr_t cookie, unsigned char* buffer, long size, long* got)
{
    auto* cursor = reinterpret_cast<CSyntaxRichEditCtrl::CStreamCursor*>(cookie);
    static std::uint64_t handed = 0;
    if (cursor->m_remaining == 0 || handed >= 40) {
        handed = 0;
        *got = 0;
        return 7;
    }
    const long take = static_cast<long>(std::min<std::uint64_t>(40 - handed, static_cast<std::uint64_t>(size)));
    handed += static_cast<std::uint64_t>(take);
    return CSyntaxRichEditCtrl::StreamInCallback(cookie, buffer, take, got);
}

}  // namespace

class TestControl : public QObject {
    Q_OBJECT

private:
    CSyntaxStyleMap m_styles;
    std::vector<ShownMessage> m_messages;
    std::unique_ptr<QWidget> m_window;
    CSyntaxRichEditCtrl* m_control = nullptr;
    QLineEdit* m_other = nullptr;

    // A window holding the control over most of its area and a line edit to take the focus.
    void ShowWindow(int width = 600, int height = 300)
    {
        m_window = std::make_unique<QWidget>();
        m_window->resize(width, height + 30);
        m_control = new CSyntaxRichEditCtrl;
        m_control->Create(kViewStyle, QRect(0, 0, width, height), m_window.get(), 1000);
        m_other = new QLineEdit(m_window.get());
        m_other->setGeometry(0, height, width, 30);
        m_window->show();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
        m_control->setFocus();
        QTRY_VERIFY(m_control->hasFocus());
    }

    void Render(const std::string& text)
    {
        m_control->hide();
        m_control->RenderSource(text, m_styles);
        m_control->show();
    }

    QImage Grab() { return m_control->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32); }

    void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(m_control, static_cast<Qt::Key>(key), modifiers);
    }

    long long Caret() const { return m_control->GetCaretPos(); }

    std::pair<long long, long long> Sel() const
    {
        long long a, b;
        m_control->GetSel(a, b);
        return {a, b};
    }

    void RecordMessages()
    {
        SetMessageBoxHandler([this](QWidget* owner, const QString& text, const QString& caption, unsigned int type) {
            m_messages.push_back({owner, text, caption, type});
            return IDOK;
        });
    }

    QPoint PointIn(long long pos) const
    {
        const QRect r = m_control->CharRect(pos);
        return QPoint(r.left() + 1, r.center().y());
    }

private Q_SLOTS:
    void initTestCase()
    {
        m_styles.BuildDefaults();
        theStyleMap.BuildDefaults();
        RecordMessages();
    }

    void cleanupTestCase() { SetMessageBoxHandler({}); }

    void init() { m_messages.clear(); }

    void cleanup()
    {
        m_window.reset();
        m_control = nullptr;
        QCOMPARE(static_cast<int>(m_messages.size()), 0);
    }

    // ---- What a render shows -------------------------------------------------------

    void readBack_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("UTF-8 source") << QByteArray(
            "! caf\xc3\xa9 \xe2\x80\x94 \xce\xb1\xce\xb2\n"
            "Object \"\xe6\x97\xa5\xe6\x9c\xac\" with name '\xc3\xa9t\xc3\xa9';\n"
            "[ Main; print \"\xf0\x9f\x98\x80 grin\"; ];\n");
        QTest::newRow("UTF-8 with a byte-order mark") << QByteArray("\xef\xbb\xbf! bom\nConstant X = 1;\n");
        QTest::newRow("Latin-1 source") << QByteArray("! caf\xe9 na\xefve \xa9 \xff\nObject \"\xe0 la carte\";\n"
                                                      "[ R; print \"\x80\x81\x9f\"; ];\n");
        QTest::newRow("every escape") << QByteArray(
            "! \\ { } \\\\ {{ }} \\{ \\}\nObject \"a{b}c\\d\" with name '{' '}' '\\';\n"
            "[ R; print \"x\\y\"; @print_char '\\'; ];\n}\n{\n\\\n");
        QTest::newRow("controls, tabs and a lone CR") << QByteArray("\tx\t= 1;\x01\x7f\n\"a\rb\"\n\x0c\n");
        QTest::newRow("no final line feed") << QByteArray("Global g;\n[ R; rtrue; ]");
        QTest::newRow("empty") << QByteArray("");
        for (const auto& path : testsupport::CorpusFiles()) {
            const std::string name = path.parent_path().filename().string() + "/" + path.filename().string();
            QTest::newRow(name.c_str()) << QByteArray::fromStdString(TextFromBytes(testsupport::ReadFile(path)));
        }
    }

    void readBack()
    {
        QFETCH(QByteArray, text);
        CSyntaxRichEditCtrl control;
        control.SetSel(0, 0);
        control.RenderSource(text.toStdString(), m_styles);
        const ExpectedDisplay expected = Expect(text.toStdString());
        const bool longLine = m_messages.size() == 1;
        m_messages.clear();  // corpus files with a long line show the message; tested below

        QCOMPARE(control.GetTextLength(), static_cast<long long>(expected.text.size()));
        const QString shown = control.GetText(0, control.GetTextLength());
        if (shown != expected.text) {
            qsizetype at = 0;
            while (at < shown.size() && shown[at] == expected.text[at]) ++at;
            QFAIL(qPrintable(QStringLiteral("text differs at %1: \"%2\" instead of \"%3\"%4")
                                 .arg(at)
                                 .arg(shown.mid(at, 30), expected.text.mid(at, 30))
                                 .arg(longLine ? " (after a long line)" : "")));
        }
        const CRichTextStore& store = control.GetStore();
        for (qsizetype i = 0; i < expected.text.size(); ++i) {
            const CCharFormat want = StyleFormat(m_styles, expected.codes[static_cast<std::size_t>(i)]);
            const CCharFormat got = store.FormatAt(static_cast<std::uint64_t>(i));
            if (!(got == want))
                QFAIL(qPrintable(QStringLiteral("character %1 ('%2') shows #%3%4%5, its style %6 is #%7%8%9")
                                     .arg(i)
                                     .arg(expected.text.mid(i, 1))
                                     .arg(got.colour, 6, 16, QLatin1Char('0'))
                                     .arg(got.bold ? " bold" : "", got.italic ? " italic" : "")
                                     .arg(expected.codes[static_cast<std::size_t>(i)])
                                     .arg(want.colour, 6, 16, QLatin1Char('0'))
                                     .arg(want.bold ? " bold" : "", want.italic ? " italic" : "")));
        }
        long long a, b;
        control.GetSel(a, b);
        QCOMPARE(a, 0LL);
        QCOMPARE(b, 0LL);
    }

    void changedStylesAreShownAndSharedColoursStayApart()
    {
        CSyntaxStyleMap styles;
        styles.BuildDefaults();
        CSyntaxStyle* comment = nullptr;
        styles.Lookup(STYLE_COMMENT, comment);
        comment->m_colour = RGB(1, 2, 3);
        comment->m_italic = 0;
        comment->m_bold = 1;
        CSyntaxRichEditCtrl control;
        control.RenderSource("! note\nConstant C = 10;\n", styles);
        QVERIFY(control.GetStore().FormatAt(0) == (CCharFormat{RGB(1, 2, 3), true, false}));
        // "10" is a number (code 10), which by default shares its colour with Foreground.
        const long long ten = control.GetText(0, control.GetTextLength()).indexOf(QStringLiteral("10"));
        QVERIFY(control.GetStore().FormatAt(static_cast<std::uint64_t>(ten)) == StyleFormat(styles, STYLE_NUMBER));
    }

    void fontIsCourierNewTenPointFixedPitch()
    {
        CSyntaxRichEditCtrl control;
        QCOMPARE(control.font().family(), QStringLiteral("Courier New"));
        QCOMPARE(control.font().pointSize(), 10);
        QCOMPARE(control.font().styleHint(), QFont::Monospace);
        const QFontInfo info(control.font());
        QVERIFY2(info.fixedPitch(), qPrintable(info.family()));
        if (info.family() != QStringLiteral("Liberation Mono"))
            QSKIP(qPrintable("fonts-liberation is not installed; the font resolved to " + info.family()));
    }

    void paintsEachCharacterInItsStyleColour()
    {
        ShowWindow();
        // A comment (purple, italic), a directive word, a name and a string; each probe
        // is a broad letter, checked against the colour of the style its run has.
        const std::string source = "! Commentary\nObject Mmm \"WWW\";\n";
        Render(source);
        const ExpectedDisplay expected = Expect(source);
        const QImage image = Grab();
        const QString text = m_control->GetText(0, m_control->GetTextLength());
        QCOMPARE(text, expected.text);
        QSet<StyleCode> seen;
        for (long long pos : {2, 4, 13, 15, 20, 21, 25, 26}) {
            const StyleCode code = expected.codes[static_cast<std::size_t>(pos)];
            seen.insert(code);
            const CCharFormat f = StyleFormat(m_styles, code);
            QString why;
            QVERIFY2(DrawnIn(image, m_control->CharRect(pos), QColor(GetRValue(f.colour), GetGValue(f.colour), GetBValue(f.colour)), &why),
                     qPrintable(QStringLiteral("'%1' at %2: ").arg(text.mid(pos, 1)).arg(pos) + why));
        }
        QVERIFY2(seen.size() >= 3, "the probes should cover several styles");
        // The ground is white beyond the text.
        QVERIFY(AllWhite(image, QRect(400, 100, 50, 50)));
    }

    void groundIsWhiteAndCaretBlackWhateverThePalette()
    {
        ShowWindow();
        QPalette dark = m_control->palette();
        dark.setColor(QPalette::Base, Qt::black);
        dark.setColor(QPalette::Window, Qt::black);
        dark.setColor(QPalette::Text, Qt::white);
        m_control->setPalette(dark);
        Render("  ! two spaces before\n");
        m_control->setFocus();  // hiding the control for the render gave the focus away
        QTRY_VERIFY(m_control->hasFocus());
        QVERIFY(AllWhite(Grab(), QRect(300, 50, 100, 100)));
        // The caret is a black line before the first character (a space), and it blinks.
        const QRect cell = m_control->CharRect(0);
        QTRY_VERIFY(Grab().pixel(cell.left(), cell.center().y()) == qRgb(0, 0, 0));
        QTRY_VERIFY(Grab().pixel(cell.left(), cell.center().y()) == qRgb(255, 255, 255));
    }

    void caretIsDrawnAtItsPlaceOnly_data()
    {
        // "   \n  \n": rows start at 0, 4 and 7 (empty); only spaces, so that the caret
        // is the only ink.
        QTest::addColumn<long long>("pos");
        QTest::newRow("the text's start") << 0LL;
        QTest::newRow("inside a row") << 2LL;
        QTest::newRow("a row's end") << 3LL;
        QTest::newRow("the second row's start") << 4LL;
        QTest::newRow("the second row's end") << 6LL;
        QTest::newRow("the empty last row") << 7LL;
    }

    void caretIsDrawnAtItsPlaceOnly()
    {
        QFETCH(long long, pos);
        ShowWindow();
        m_control->SetWindowText(QStringLiteral("   \n  \n"));
        m_control->SetSel(pos, pos);
        const QRect cell = m_control->CharRect(pos);
        // While the blink shows it: black at the cell's left edge, and nowhere else.
        auto drawnThereOnly = [&] {
            const QImage image = Grab();
            if (image.pixel(cell.left(), cell.center().y()) != qRgb(0, 0, 0)) return false;
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    if (image.pixel(x, y) != qRgb(255, 255, 255) && (std::abs(x - cell.left()) > 1 || y < cell.top() ||
                                                                     y > cell.bottom()))
                        return false;
            return true;
        };
        QTRY_VERIFY_WITH_TIMEOUT(drawnThereOnly(), 2000);
    }

    void tabsStopEveryEightColumnsAndControlsShowAsBoxes()
    {
        ShowWindow();
        // Rows: "a<tab>b" (0..2), "abcdefgh<tab>x" (4..13), a ruler of 20 digits (15..34)
        // and three characters, two of them controls (36..38).
        Render("a\tb\nabcdefgh\tx\n01234567890123456789\n\x01z\x7f\n");
        auto column = [&](int n) { return m_control->CharRect(15 + n).left(); };
        QCOMPARE(m_control->CharRect(2).left(), column(8));    // b after a tab from column 1
        QCOMPARE(m_control->CharRect(13).left(), column(16));  // x after a tab from column 8
        // Each control character takes one cell and is drawn, in its run's colour.
        QCOMPARE(m_control->CharRect(37).left(), column(1));
        QCOMPARE(m_control->CharRect(39).left(), column(3));
        const QImage image = Grab();
        QVERIFY(!AllWhite(image, m_control->CharRect(36)));
        QVERIFY(!AllWhite(image, m_control->CharRect(38)));
    }

    void byteOrderMarkStaysInTheTextAndIsNotDrawn()
    {
        ShowWindow();
        Render("x = 1;\n");
        const int column0 = m_control->CharRect(0).left();
        Render("\xef\xbb\xbfx = 1;\n");
        QCOMPARE(m_control->GetText(0, 2), QString(QChar(0xFEFF)) + QLatin1Char('x'));
        // The mark takes no room: the x stands in the first column.
        QCOMPARE(m_control->CharRect(1).left(), column0);
        QCOMPARE(m_control->CharRect(0).left(), column0);
    }

    // ---- Cells, clusters and the bidirectional controls ------------------------------

    void drawnColumnsAreTheColumnsCounted_data()
    {
        QTest::addColumn<QString>("row");     // the first row of the text, a ruler follows
        QTest::addColumn<QList<int>>("cells");  // pairs: a position in the row, its column
        QTest::newRow("seven ideographs and a tab")
            << QStringLiteral("日本語日本語日\tX") << QList<int>{0, 0, 1, 2, 6, 12, 7, 14, 8, 16};
        QTest::newRow("a letter with three accents, three with one")
            << QStringLiteral("e\u0301\u0301\u0301 e\u0301e\u0301e\u0301x") << QList<int>{0, 0, 4, 1, 5, 2, 7, 3, 9, 4, 11, 5};
        QTest::newRow("bidirectional controls take two")
            << QStringLiteral("a\u202Eb\u2066c\u200Fd") << QList<int>{1, 1, 2, 3, 3, 4, 4, 6, 5, 7, 6, 9};
        QTest::newRow("right-to-left letters keep their order")
            << QStringLiteral("ab\u05E9\u05DC\u05D5\u05DDcd") << QList<int>{2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7};
        QTest::newRow("the first wide character, then a line, an arrow and a box of one")
            << QStringLiteral("\u1100\u2500\u2192\u25FCx") << QList<int>{1, 2, 2, 3, 3, 4, 4, 5};
        QTest::newRow("a wide character of four bytes") << QStringLiteral("\U0001F600x\u00E9") << QList<int>{2, 2, 3, 3};
        QTest::newRow("the byte-order mark and a zero-width space take none")
            << QStringLiteral("\uFEFFa\u200Bb") << QList<int>{1, 0, 2, 1, 3, 1};
    }

    void drawnColumnsAreTheColumnsCounted()
    {
        QFETCH(QString, row);
        QFETCH(QList<int>, cells);
        ShowWindow();
        Render((row + QStringLiteral("\n0123456789012345678901234567890\n")).toStdString());
        const CRichTextStore& store = m_control->GetStore();
        const auto ruler = static_cast<long long>(store.RowStart(1));
        for (qsizetype i = 0; i + 1 < cells.size(); i += 2) {
            const int pos = cells[i];
            const int column = cells[i + 1];
            QCOMPARE(store.ColumnOf(static_cast<std::uint64_t>(pos)), static_cast<std::uint64_t>(column));
            const int drawn = m_control->CharRect(pos).left();
            const int wanted = m_control->CharRect(ruler + column).left();
            QVERIFY2(std::abs(drawn - wanted) <= 1,
                     qPrintable(QStringLiteral("position %1 drawn at x %2, column %3 is at x %4").arg(pos).arg(drawn).arg(column).arg(wanted)));
        }
    }

    void bidirectionalControlsAreMarksInTheOrderOfTheText_data()
    {
        QTest::addColumn<QString>("row");
        QTest::newRow("a reversed word in a string") << QStringLiteral("print \"user\u202E rewop \u202C done\";");
        QTest::newRow("isolates after a comment")
            << QStringLiteral("if (x == 1) { ! \u202E } \u2066 if (x == 0) \u2069 \u2066 ! admin only");
        QTest::newRow("all twelve, with right-to-left letters")
            << QStringLiteral("! \u061C\u200E\u200F\u202A\u202B\u202C\u202D\u202E\u2066\u2067\u2068\u2069 \u05E9\u05DC\u05D5\u05DD x");
    }

    void bidirectionalControlsAreMarksInTheOrderOfTheText()
    {
        QFETCH(QString, row);
        ShowWindow(900);
        Render((row + u'\n').toStdString());
        QCOMPARE(m_control->GetText(0, row.size()), row);
        const QImage image = Grab();
        const qreal cell = QFontMetricsF(m_control->font()).horizontalAdvance(u' ');
        for (qsizetype i = 0; i < row.size(); ++i) {
            const QRect at = m_control->CharRect(i);
            // Left to right in the order of the text, each character after the one before.
            if (i > 0) QVERIFY2(at.left() > m_control->CharRect(i - 1).left(), qPrintable(QStringLiteral("at %1").arg(i)));
            if (!display::IsBidiControl(row[i].unicode())) continue;
            // A box of two cells, drawn in the colour of its run.
            const int width = m_control->CharRect(i + 1).left() - at.left();
            QVERIFY2(std::abs(width - 2 * cell) <= 1, qPrintable(QStringLiteral("%1 wide at %2").arg(width).arg(i)));
            const COLORREF own = m_control->GetStore().FormatAt(static_cast<std::uint64_t>(i)).colour;
            QString why;
            QVERIFY2(DrawnIn(image, QRect(at.left(), at.top() + 2, 2, at.height() - 4),
                             QColor(GetRValue(own), GetGValue(own), GetBValue(own)), &why),
                     qPrintable(QStringLiteral("the box's left side at %1: ").arg(i) + why));
        }
        // Copy gives the text as it is, the controls in it.
        m_control->SetSel(0, row.size());
        m_control->Copy();
        QCOMPARE(QGuiApplication::clipboard()->text(), row);
    }

    void aClusterIsDrawnWholeInItsFirstCharactersStyle()
    {
        ShowWindow();
        // An accented letter that begins a directive: the letter is in the Directive
        // style, its accents (as the lexer sees them) in Foreground.
        Render("e\xcc\x81\xcc\x81\xcc\x81 x;\n");
        const CRichTextStore& store = m_control->GetStore();
        QVERIFY(!(store.FormatAt(1) == store.FormatAt(0)));
        const QImage image = Grab();
        const QRect letter = m_control->CharRect(0);
        // The cluster takes one cell.
        QVERIFY(std::abs(m_control->CharRect(4).left() - letter.left() - QFontMetricsF(m_control->font()).horizontalAdvance(u' ')) <= 1);
        // The accents stand over the letter, above its x-height, in the letter's colour;
        // the cell after it (a space) stays empty.
        const QFontMetrics metrics(m_control->font());
        const QRect accents(letter.left(), letter.top(), letter.width(), metrics.ascent() - metrics.xHeight() - 1);
        const COLORREF own = store.FormatAt(0).colour;
        QString why;
        QVERIFY2(DrawnIn(image, accents, QColor(GetRValue(own), GetGValue(own), GetBValue(own)), &why), qPrintable(why));
        // (The bold letter's own edge may touch the cell's first pixel.)
        QVERIFY(AllWhite(image, m_control->CharRect(4).adjusted(1, 0, 0, 0)));
    }

    // ---- The long-line message -----------------------------------------------------

    void longLineMessage_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("message");
        QTest::addColumn<QString>("shown");
        const QByteArray l1019(1019, 'x'), l1020(1020, 'y');
        QTest::newRow("1019 characters are shown") << "a\n" + l1019 + "\nb\n" << false
                                                   << QString("a\n" + l1019 + "\nb\n");
        QTest::newRow("1020 characters end the text") << "a\nb\n" + l1020 + "\nc\n" << true << QStringLiteral("a\nb\n");
        QTest::newRow("a long last line without a line feed") << "a\n" + l1020 << true << QStringLiteral("a\n");
        QTest::newRow("a long first line leaves nothing") << l1020 + "\nc\n" << true << QString();
        QTest::newRow("CR counts as a character") << "a\n" + QByteArray(1019, 'z') + "\r\n" << true
                                                  << QStringLiteral("a\n");
    }

    void longLineMessage()
    {
        QFETCH(QByteArray, text);
        QFETCH(bool, message);
        QFETCH(QString, shown);
        ShowWindow();
        Render("Global before;\n");
        const long long before = m_control->GetTextLength();
        Key(Qt::Key_End);
        long long lengthWhenShown = -1;
        SetMessageBoxHandler([&](QWidget* owner, const QString& t, const QString& caption, unsigned int type) {
            m_messages.push_back({owner, t, caption, type});
            lengthWhenShown = m_control->GetTextLength();
            return IDOK;
        });
        Render(text.toStdString());
        RecordMessages();
        QCOMPARE(static_cast<int>(m_messages.size()), message ? 1 : 0);
        if (message) {
            QCOMPARE(m_messages[0].text, QStringLiteral("The file contained a line longer than the maximum allowed (1020)!"));
            QCOMPARE(m_messages[0].caption, QStringLiteral("File Error"));
            QCOMPARE(m_messages[0].type, MB_OK | MB_ICONEXCLAMATION);
            QCOMPARE(m_messages[0].owner, static_cast<QWidget*>(m_control));
            QCOMPARE(lengthWhenShown, before);  // the message comes before the new text
        }
        QCOMPARE(m_control->GetText(0, m_control->GetTextLength()), shown);
        QCOMPARE(Sel(), std::make_pair(0LL, 0LL));
        // The control says how the render ended, for those that cannot see the box.
        QCOMPARE(m_control->LastRenderStatus(), message ? RenderStatus::LongLine : RenderStatus::Ok);
        // Every render of the same text shows it again.
        m_messages.clear();
        Render(text.toStdString());
        QCOMPARE(static_cast<int>(m_messages.size()), message ? 1 : 0);
        m_messages.clear();
    }

    // ---- Stream-in and failures ------------------------------------------------------

    void streamInPullsUntilNothingOrFailure()
    {
        CSyntaxRichEditCtrl control;
        const std::string rtf = "{\\rtf1\\ansi{\\colortbl\\red255\\green0\\blue0;}\\cf0 ab\\par cd}";
        CSyntaxRichEditCtrl::CStreamCursor cursor{rtf.data(), rtf.size()};
        EDITSTREAM stream;
        stream.dwCookie = reinterpret_cast<std::uintptr_t>(&cursor);
        stream.pfnCallback = CallbackOneByte;
        QCOMPARE(control.StreamIn(SF_RTF, stream), 5L);
        QCOMPARE(stream.dwError, 0L);
        QCOMPARE(cursor.m_remaining, 0u);
        QCOMPARE(control.GetText(0, 5), QStringLiteral("ab\ncd"));
        QVERIFY(control.GetStore().FormatAt(0) == (CCharFormat{RGB(255, 0, 0), false, false}));

        // A failing callback ends the stream; what came before it is shown and the
        // callback's value is reported.
        const std::string longer = "{\\rtf1 0123456789012345678901234567890123456789 tail never read}";
        CSyntaxRichEditCtrl::CStreamCursor second{longer.data(), longer.size()};
        stream.dwCookie = reinterpret_cast<std::uintptr_t>(&second);
        stream.pfnCallback = CallbackFailing;
        control.StreamIn(SF_RTF, stream);
        QCOMPARE(stream.dwError, 7L);
        QCOMPARE(control.GetText(0, control.GetTextLength()), QStringLiteral("012345678901234567890123456789012"));

        // No callback: nothing changes and the failure is reported.
        stream.pfnCallback = nullptr;
        stream.dwError = 0;
        QCOMPARE(control.StreamIn(SF_RTF, stream), 0L);
        QCOMPARE(stream.dwError, STREAM_ERROR_FAILED);
        QCOMPARE(control.GetTextLength(), 33LL);

        // A null cursor makes the callback fail at once.
        long got = 99;
        unsigned char buffer[4];
        QCOMPARE(CSyntaxRichEditCtrl::StreamInCallback(0, buffer, 4, &got), -1L);
        QCOMPARE(got, 0L);

        // Plain text: CR LF, CR and LF each end a line (an LF after a CR LF ends another).
        const std::string plain = "a\r\n\nb\rc\nd";
        CSyntaxRichEditCtrl::CStreamCursor third{plain.data(), plain.size()};
        stream.dwCookie = reinterpret_cast<std::uintptr_t>(&third);
        stream.pfnCallback = CSyntaxRichEditCtrl::StreamInCallback;
        QCOMPARE(control.StreamIn(SF_TEXT, stream), 8L);
        QCOMPARE(control.GetText(0, 8), QStringLiteral("a\n\nb\nc\nd"));
    }

    void aLineTooLongForOneRowContinuesOnTheNext()
    {
        ShowWindow();
        const std::string rtf = "{\\rtf1 " + std::string(10000, 'x') + "\\par end}";
        CSyntaxRichEditCtrl::CStreamCursor cursor{rtf.data(), rtf.size()};
        EDITSTREAM stream;
        stream.dwCookie = reinterpret_cast<std::uintptr_t>(&cursor);
        stream.pfnCallback = CSyntaxRichEditCtrl::StreamInCallback;
        QCOMPARE(m_control->StreamIn(SF_RTF, stream), 10004L);
        // 10,000 characters make rows of 4096, 4096 and 1808; then the line "end".
        QCOMPARE(m_control->GetStore().RowCount(), 4u);
        // End stays on its row: before the row's last character, since the position
        // after it is where the next row begins.
        m_control->SetSel(0, 0);
        Key(Qt::Key_End);
        QCOMPARE(Caret(), 4095LL);
        Key(Qt::Key_Down);
        QCOMPARE(Caret(), 8191LL);
        Key(Qt::Key_Right);
        QCOMPARE(Caret(), 8192LL);
        Key(Qt::Key_Down);
        QCOMPARE(Caret(), 10001LL);
        Key(Qt::Key_End, Qt::ControlModifier);
        QCOMPARE(Caret(), 10004LL);
        QVERIFY(!AllWhite(Grab(), m_control->CharRect(10001)));
    }

    void renderOutOfMemoryKeepsWhatWasShown()
    {
        ShowWindow();
        Render("Global kept;\n");
        m_control->SetSel(2, 5);
        m_control->SetTextByteLimit(8);
        Render("Constant much_longer_than_eight_bytes;\n");
        QVERIFY(m_control->LastRenderFailed());
        QCOMPARE(m_control->LastRenderStatus(), RenderStatus::OutOfMemory);
        QCOMPARE(m_control->GetText(0, m_control->GetTextLength()), QStringLiteral("Global kept;\n"));
        QCOMPARE(Sel(), std::make_pair(2LL, 5LL));
        m_control->SetTextByteLimit(UINT64_MAX);
        Render("Constant fits;\n");
        QVERIFY(!m_control->LastRenderFailed());
        QCOMPARE(m_control->LastRenderStatus(), RenderStatus::Ok);
        QCOMPARE(m_control->GetText(0, m_control->GetTextLength()), QStringLiteral("Constant fits;\n"));
    }

    // ---- Creation, options and the dialog's sample ------------------------------------

    void createSetsIdentifierStyleAndOptions_data()
    {
        QTest::addColumn<quint32>("style");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<bool>("visible");
        QTest::addColumn<bool>("border");
        QTest::newRow("the view's control") << quint32(kViewStyle) << true << true << false;
        QTest::newRow("without automatic vertical scrolling")
            << quint32(WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_READONLY) << true << true << false;
        QTest::newRow("disabled and hidden, with a border")
            << quint32(WS_CHILD | WS_DISABLED | WS_BORDER | ES_READONLY | ES_AUTOHSCROLL) << false << false << true;
    }

    void createSetsIdentifierStyleAndOptions()
    {
        QFETCH(quint32, style);
        QFETCH(bool, enabled);
        QFETCH(bool, visible);
        QFETCH(bool, border);
        QWidget parent;
        parent.resize(300, 200);
        CSyntaxRichEditCtrl control;
        QVERIFY(control.Create(style, QRect(5, 6, 200, 100), &parent, 1000));
        parent.show();
        QCOMPARE(control.objectName(), QStringLiteral("1000"));
        QCOMPARE(control.parentWidget(), &parent);
        QCOMPARE(control.geometry(), QRect(5, 6, 200, 100));
        QCOMPARE(control.GetOptions(), ECO_NOHIDESEL);  // the selection stays shown while unfocused
        QCOMPARE(control.isEnabled(), enabled);
        QCOMPARE(control.isVisible(), visible);
        QCOMPARE(control.frameShape() != QFrame::NoFrame, border);
        std::string lines;
        for (int i = 0; i < 300; ++i) lines += "Global g" + std::to_string(i) + " = " + std::string(200, '1') + ";\n";
        control.RenderSource(lines, m_styles);
        QVERIFY(!control.verticalScrollBar()->isVisible());
        QVERIFY(!control.horizontalScrollBar()->isVisible());
    }

    void sampleTakesTheFormatAndKeepsItsColoursWhenDisabled()
    {
        QWidget dialog;
        dialog.resize(200, 100);
        auto* sample = new CSyntaxRichEditCtrl(&dialog);
        sample->setGeometry(10, 10, 120, 40);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        sample->SetWindowText(QStringLiteral(" Sample"));
        QCOMPARE(sample->GetTextLength(), 7LL);
        QVERIFY(sample->GetStore().FormatAt(1) == CCharFormat{});
        sample->SetSel(0, -1);
        CHARFORMAT cf;
        cf.dwMask = CFM_BOLD | CFM_ITALIC | CFM_COLOR;
        cf.dwEffects = CFE_BOLD;
        cf.crTextColor = RGB(200, 0, 0);
        QVERIFY(sample->SetSelectionCharFormat(cf));
        sample->SetSel(0, 0);
        for (std::uint64_t i = 0; i < 7; ++i)
            QVERIFY(sample->GetStore().FormatAt(i) == (CCharFormat{RGB(200, 0, 0), true, false}));
        // Only what the mask names changes.
        sample->SetSel(0, -1);
        cf.dwMask = CFM_ITALIC;
        cf.dwEffects = CFE_ITALIC;
        cf.crTextColor = RGB(0, 0, 255);
        QVERIFY(sample->SetSelectionCharFormat(cf));
        sample->SetSel(0, 0);
        QVERIFY(sample->GetStore().FormatAt(3) == (CCharFormat{RGB(200, 0, 0), true, true}));

        // Enabled and focused, it shows a caret before the first character.
        const QRect first = sample->CharRect(0);
        const QRect caretArea(0, first.top(), first.left() + 1, first.height());
        sample->setFocus();
        QTRY_VERIFY(sample->hasFocus());
        QTRY_VERIFY(!AllWhite(sample->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32), caretArea));

        // Disabled: no focus, no caret, and the text keeps its real colour.
        sample->setEnabled(false);
        QVERIFY(!sample->hasFocus());
        sample->setFocus();
        QVERIFY(!sample->hasFocus());
        for (int i = 0; i < 4; ++i) {
            const QImage image = sample->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
            QString why;
            QVERIFY2(DrawnIn(image, sample->CharRect(1), QColor(200, 0, 0), &why), qPrintable(why));
            QVERIFY(AllWhite(image, caretArea));
            QTest::qWait(150);
        }
        // A selection set by its owner is not shown either.
        sample->SetSel(0, -1);
        const QImage selected = sample->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        QVERIFY(AllWhite(selected, QRect(first.left(), first.top(), first.width(), 2)));
    }

    // ---- Keyboard ---------------------------------------------------------------------

    void keysMoveTheCaret_data()
    {
        // alpha beta_2, gamma | "  x" | "" | "last line": line starts 0, 20, 24, 25; length 34.
        QTest::addColumn<long long>("start");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QList<long long>>("positions");
        const int ctrl = Qt::ControlModifier;
        QTest::newRow("Right") << 17LL << int(Qt::Key_Right) << 0 << QList<long long>{18, 19, 20, 21};
        QTest::newRow("Left over line ends") << 26LL << int(Qt::Key_Left) << 0 << QList<long long>{25, 24, 23, 22};
        QTest::newRow("Down keeps the column") << 17LL << int(Qt::Key_Down) << 0 << QList<long long>{23, 24, 34, 34};
        QTest::newRow("Up keeps the column") << 34LL << int(Qt::Key_Up) << 0 << QList<long long>{24, 23, 9, 0};
        QTest::newRow("End") << 3LL << int(Qt::Key_End) << 0 << QList<long long>{19, 19};
        QTest::newRow("Home") << 22LL << int(Qt::Key_Home) << 0 << QList<long long>{20, 20};
        QTest::newRow("Ctrl+Right by words") << 0LL << int(Qt::Key_Right) << ctrl
                                             << QList<long long>{6, 12, 14, 19, 20, 22, 23, 24, 25, 30, 34, 34};
        QTest::newRow("Ctrl+Left by words") << 34LL << int(Qt::Key_Left) << ctrl
                                            << QList<long long>{30, 25, 24, 23, 22, 20, 19, 14, 12, 6, 0, 0};
        QTest::newRow("Ctrl+End") << 5LL << int(Qt::Key_End) << ctrl << QList<long long>{34};
        QTest::newRow("Ctrl+Home") << 30LL << int(Qt::Key_Home) << ctrl << QList<long long>{0};
    }

    void keysMoveTheCaret()
    {
        QFETCH(long long, start);
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(QList<long long>, positions);
        ShowWindow();
        m_control->SetWindowText(QStringLiteral("alpha beta_2, gamma\n  x\n\nlast line"));
        QCOMPARE(m_control->GetTextLength(), 34LL);
        m_control->SetSel(start, start);
        for (long long want : positions) {
            Key(key, Qt::KeyboardModifiers(modifiers));
            QCOMPARE(Sel(), std::make_pair(want, want));
        }
        // With Shift the same keys select from where the caret started.
        m_control->SetSel(start, start);
        for (long long want : positions) {
            Key(key, Qt::KeyboardModifiers(modifiers) | Qt::ShiftModifier);
            QCOMPARE(Sel(), std::make_pair(std::min(start, want), std::max(start, want)));
            QCOMPARE(Caret(), want);
        }
    }

    void everyKeyOfTheTableThroughTheControl_data()
    {
        // "alpha beta_2, gamma\n  x\n\nlast line\n" and 40 lines "more\n": rows start at 0,
        // 20, 24, 25, 35, 40, ...; length 235. Every row of the key table: the anchor and
        // caret before and after the key, the rows the view moved (or kFollows: the view
        // shows the caret wherever it went), the size in points
        // (from 12), what was copied, and whether the key is taken before a window shortcut.
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<long long>("anchor0");
        QTest::addColumn<long long>("caret0");
        QTest::addColumn<long long>("anchor");
        QTest::addColumn<long long>("caret");
        QTest::addColumn<int>("scrolled");
        QTest::addColumn<int>("points");
        QTest::addColumn<QString>("copied");
        QTest::addColumn<bool>("claims");
        const int ctrl = Qt::ControlModifier;
        const int shift = Qt::ShiftModifier;
        const QString none;
        auto row = [&](const char* name, int key, int modifiers, long long anchor0, long long caret0, long long anchor,
                       long long caret, bool claims) {
            QTest::newRow(name) << key << modifiers << anchor0 << caret0 << anchor << caret << kFollows << 12
                                << none << claims;
        };
        QTest::newRow("Ctrl+C copies") << int(Qt::Key_C) << ctrl << 22LL << 3LL << 22LL << 3LL << 0 << 12
                                       << QStringLiteral("ha beta_2, gamma\n  ") << true;
        // Ctrl+Insert is one of the platform's copy keys where it has it.
        const bool insertCopies = QKeySequence::keyBindings(QKeySequence::Copy)
                                      .contains(QKeySequence(QKeyCombination(Qt::ControlModifier, Qt::Key_Insert)));
        QTest::newRow("Ctrl+Insert copies") << int(Qt::Key_Insert) << ctrl << 22LL << 3LL << 22LL << 3LL << 0 << 12
                                            << QStringLiteral("ha beta_2, gamma\n  ") << insertCopies;
        row("Ctrl+A selects all", Qt::Key_A, ctrl, 22, 3, 0, 235, true);
        row("Right collapses to the end", Qt::Key_Right, 0, 22, 3, 22, 22, true);
        row("Left collapses to the start", Qt::Key_Left, 0, 3, 22, 3, 3, true);
        row("Shift+Right extends", Qt::Key_Right, shift, 22, 3, 22, 4, true);
        row("Shift+Left extends", Qt::Key_Left, shift, 22, 3, 22, 2, true);
        row("Ctrl+Right to the next word", Qt::Key_Right, ctrl, 22, 3, 6, 6, true);
        row("Ctrl+Left to the word's start", Qt::Key_Left, ctrl, 22, 3, 0, 0, true);
        row("Ctrl+Shift+Right extends by a word", Qt::Key_Right, ctrl | shift, 22, 3, 22, 6, true);
        row("Ctrl+Shift+Left extends by a word", Qt::Key_Left, ctrl | shift, 22, 3, 22, 0, true);
        row("Down to a shorter row's end", Qt::Key_Down, 0, 22, 3, 23, 23, false);
        row("Up to an empty row", Qt::Key_Up, 0, 3, 27, 24, 24, false);
        row("Shift+Down extends", Qt::Key_Down, shift, 22, 3, 22, 23, false);
        row("Shift+Up extends", Qt::Key_Up, shift, 3, 27, 3, 24, false);
        row("Home to the row's start", Qt::Key_Home, 0, 3, 30, 25, 25, true);
        row("End to the row's end", Qt::Key_End, 0, 3, 30, 34, 34, true);
        row("Shift+Home extends", Qt::Key_Home, shift, 3, 30, 3, 25, true);
        row("Shift+End extends", Qt::Key_End, shift, 3, 30, 3, 34, true);
        row("PageDown on the last row to the end", Qt::Key_PageDown, 0, 3, 235, 235, 235, false);
        row("PageUp on the first row to the start", Qt::Key_PageUp, 0, 30, 3, 0, 0, false);
        row("Shift+PageDown extends", Qt::Key_PageDown, shift, 3, 235, 3, 235, false);
        row("Shift+PageUp extends", Qt::Key_PageUp, shift, 30, 3, 30, 0, false);
        row("Ctrl+Home to the start", Qt::Key_Home, ctrl, 3, 30, 0, 0, true);
        row("Ctrl+End to the end", Qt::Key_End, ctrl, 22, 3, 235, 235, true);
        row("Ctrl+Shift+Home extends", Qt::Key_Home, ctrl | shift, 3, 30, 3, 0, true);
        row("Ctrl+Shift+End extends", Qt::Key_End, ctrl | shift, 22, 3, 22, 235, true);
        QTest::newRow("Ctrl+Down scrolls, the caret stays")
            << int(Qt::Key_Down) << ctrl << 22LL << 3LL << 22LL << 3LL << 1 << 12 << none << false;
        QTest::newRow("Ctrl+Up scrolls, the caret stays")
            << int(Qt::Key_Up) << ctrl << 3LL << 235LL << 3LL << 235LL << -1 << 12 << none << false;
        const int keypad = Qt::KeypadModifier;
        for (auto [name, key, modifiers, points] :
             {std::tuple{"Ctrl+= zooms in", Qt::Key_Equal, ctrl, 14}, {"Ctrl++ zooms in", Qt::Key_Plus, ctrl, 14},
              {"Ctrl+Shift++ zooms in", Qt::Key_Plus, ctrl | shift, 14},
              {"Ctrl with the keypad's + zooms in", Qt::Key_Plus, ctrl | keypad, 14},
              {"Ctrl+- zooms out", Qt::Key_Minus, ctrl, 11}, {"Ctrl+0 goes back to 10 points", Qt::Key_0, ctrl, 10}})
            QTest::newRow(name) << int(key) << modifiers << 22LL << 3LL << 22LL << 3LL << 0 << points << none << false;
        row("typing is ignored", Qt::Key_X, 0, 22, 3, 22, 3, false);
    }

    // Each key twice: alone, then with a window shortcut on the same key, which takes the
    // key from the control unless the control claims it.
    void everyKeyOfTheTableThroughTheControl()
    {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(long long, anchor0);
        QFETCH(long long, caret0);
        QFETCH(long long, anchor);
        QFETCH(long long, caret);
        QFETCH(int, scrolled);
        QFETCH(int, points);
        QFETCH(QString, copied);
        QFETCH(bool, claims);
        ShowWindow();
        QString text = QStringLiteral("alpha beta_2, gamma\n  x\n\nlast line\n");
        for (int i = 0; i < 40; ++i) text += QStringLiteral("more\n");
        m_control->SetWindowText(text);
        QCOMPARE(m_control->GetTextLength(), 235LL);
        for (const bool windowShortcut : {false, true}) {
            m_control->SetZoom(12);
            m_control->SetSel(anchor0, caret0);
            const long long top = m_control->GetFirstVisibleLine();
            QGuiApplication::clipboard()->clear();
            auto* action = new QAction(m_window.get());
            QSignalSpy spy(action, &QAction::triggered);
            if (windowShortcut) {
                action->setShortcut(QKeySequence(QKeyCombination(
                    Qt::KeyboardModifiers(modifiers & ~Qt::KeypadModifier), Qt::Key(key))));
                action->setShortcutContext(Qt::WindowShortcut);
                m_window->addAction(action);
            }
            Key(key, Qt::KeyboardModifiers(modifiers));
            const bool taken = windowShortcut && !claims;
            QCOMPARE(static_cast<int>(spy.count()), taken ? 1 : 0);
            QCOMPARE(Caret(), taken ? caret0 : caret);
            const long long other = Sel().first == Caret() ? Sel().second : Sel().first;
            QCOMPARE(other, taken ? anchor0 : anchor);
            if (taken || scrolled != kFollows)
                QCOMPARE(m_control->GetFirstVisibleLine() - top, taken ? 0LL : static_cast<long long>(scrolled));
            else
                QVERIFY(m_control->viewport()->rect().contains(m_control->CharRect(Caret()).center()));
            QCOMPARE(m_control->GetZoom(), taken ? 12 : points);
            QCOMPARE(QGuiApplication::clipboard()->text(), taken ? QString() : copied);
            delete action;
        }
    }

    void arrowsCollapseASelectionAndTypingChangesNothing()
    {
        ShowWindow();
        m_control->SetWindowText(QStringLiteral("alpha beta"));
        m_control->SetSel(2, 7);
        Key(Qt::Key_Left);
        QCOMPARE(Sel(), std::make_pair(2LL, 2LL));
        m_control->SetSel(7, 2);
        Key(Qt::Key_Right);
        QCOMPARE(Sel(), std::make_pair(7LL, 7LL));
        QTest::keyClicks(m_control, QStringLiteral("xyz"));
        Key(Qt::Key_Backspace);
        Key(Qt::Key_Delete);
        Key(Qt::Key_Return);
        QCOMPARE(m_control->GetText(0, m_control->GetTextLength()), QStringLiteral("alpha beta"));
    }

    void pageKeysTurnAPage()
    {
        ShowWindow();
        std::string text;
        for (int i = 0; i < 300; ++i) text += "Global g" + std::to_string(i) + ";\n";
        Render(text);
        const CRichTextStore& store = m_control->GetStore();
        Key(Qt::Key_Down);
        Key(Qt::Key_Down);  // the caret on the third row of the screen
        Key(Qt::Key_PageDown);
        const long long top = m_control->GetFirstVisibleLine();
        QVERIFY(top > 5);
        QCOMPARE(static_cast<long long>(store.RowOfUnit(static_cast<std::uint64_t>(Caret()))), top + 2);
        Key(Qt::Key_PageDown);
        QCOMPARE(m_control->GetFirstVisibleLine(), 2 * top);
        QCOMPARE(static_cast<long long>(store.RowOfUnit(static_cast<std::uint64_t>(Caret()))), 2 * top + 2);
        Key(Qt::Key_PageUp, Qt::ShiftModifier);
        QCOMPARE(m_control->GetFirstVisibleLine(), top);
        QCOMPARE(Sel().second - Sel().first, static_cast<long long>(store.RowStart(2 * top + 2) - store.RowStart(top + 2)));
        Key(Qt::Key_End, Qt::ControlModifier);
        QCOMPARE(Caret(), m_control->GetTextLength());
        QVERIFY(m_control->GetFirstVisibleLine() > 250);
        Key(Qt::Key_PageDown);
        QCOMPARE(Caret(), m_control->GetTextLength());
        Key(Qt::Key_Home, Qt::ControlModifier);
        QCOMPARE(m_control->GetFirstVisibleLine(), 0LL);
        Key(Qt::Key_PageUp);
        QCOMPARE(Caret(), 0LL);
        // Ctrl+Down scrolls without moving the caret.
        Key(Qt::Key_Down, Qt::ControlModifier);
        QCOMPARE(m_control->GetFirstVisibleLine(), 1LL);
        QCOMPARE(Caret(), 0LL);
    }

    void caretMovesTheViewSideways()
    {
        ShowWindow(300, 200);
        Render("Global g = " + std::string(200, '1') + ";\nx;\n");
        Key(Qt::Key_End);
        QVERIFY(m_control->GetHorizontalScroll() > 0);
        const QRect caret = m_control->CharRect(Caret());
        QVERIFY(caret.left() >= 0 && caret.left() < m_control->viewport()->width());
        Key(Qt::Key_Down);
        QCOMPARE(m_control->GetHorizontalScroll(), 0);
    }

    void selectAllAndCopyPlainTextAndHtml()
    {
        ShowWindow();
        Render("! a <note> & \"more\"\nConstant C = 1;\n");
        Key(Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(Sel(), std::make_pair(0LL, m_control->GetTextLength()));
        QGuiApplication::clipboard()->clear();
        m_control->SetSel(0, 20);
        Key(Qt::Key_C, Qt::ControlModifier);
        const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
        QVERIFY(mime);
        QCOMPARE(mime->text(), QStringLiteral("! a <note> & \"more\"\n"));
        const QString html = mime->html();
        QVERIFY2(html.contains(QStringLiteral("<span style=\"color:#800080;font-style:italic\">! a &lt;note&gt; &amp; "
                                              "&quot;more&quot;\n</span>")),
                 qPrintable(html));
        QVERIFY(html.contains(QStringLiteral("font-family:'Courier New'")));
        // The directive word is bold black; it is selected backwards, from its end.
        m_control->SetSel(28, 28);
        for (int i = 0; i < 8; ++i) Key(Qt::Key_Left, Qt::ShiftModifier);
        QCOMPARE(Caret(), 20LL);
        Key(Qt::Key_Insert, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->mimeData()->text(), QStringLiteral("Constant"));
        QVERIFY(QGuiApplication::clipboard()->mimeData()->html().contains(
            QStringLiteral("<span style=\"color:#000000;font-weight:bold\">Constant</span>")));
        // Nothing selected: the clipboard keeps what it had.
        m_control->SetSel(3, 3);
        Key(Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->mimeData()->text(), QStringLiteral("Constant"));
        // The copy keeps its text when the control shows another.
        Render("Global other;\n");
        QCOMPARE(QGuiApplication::clipboard()->mimeData()->text(), QStringLiteral("Constant"));
    }

    void windowShortcutsLeaveTheControlItsKeys_data()
    {
        // "Global alpha;\n" with "alpha" (7..12) selected; a window action has the key.
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<int>("triggered");
        QTest::addColumn<long long>("from");
        QTest::addColumn<long long>("to");
        QTest::addColumn<QString>("copied");
        const int ctrl = Qt::ControlModifier;
        QTest::newRow("Ctrl+C copies") << int(Qt::Key_C) << ctrl << 0 << 7LL << 12LL << QStringLiteral("alpha");
        QTest::newRow("Ctrl+A selects all") << int(Qt::Key_A) << ctrl << 0 << 0LL << 14LL << QString();
        QTest::newRow("Home moves the caret") << int(Qt::Key_Home) << 0 << 0 << 0LL << 0LL << QString();
        QTest::newRow("Ctrl+T stays the window's") << int(Qt::Key_T) << ctrl << 1 << 7LL << 12LL << QString();
    }

    void windowShortcutsLeaveTheControlItsKeys()
    {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(int, triggered);
        QFETCH(long long, from);
        QFETCH(long long, to);
        QFETCH(QString, copied);
        ShowWindow();
        Render("Global alpha;\n");
        m_control->setFocus();
        QTRY_VERIFY(m_control->hasFocus());
        m_control->SetSel(7, 12);
        auto* action = new QAction(m_window.get());
        action->setShortcut(QKeySequence(QKeyCombination(Qt::KeyboardModifiers(modifiers), Qt::Key(key))));
        action->setShortcutContext(Qt::WindowShortcut);
        m_window->addAction(action);
        QSignalSpy spy(action, &QAction::triggered);
        QGuiApplication::clipboard()->clear();
        Key(key, Qt::KeyboardModifiers(modifiers));
        QCOMPARE(static_cast<int>(spy.count()), triggered);
        QCOMPARE(Sel(), std::make_pair(from, to));
        QCOMPARE(QGuiApplication::clipboard()->text(), copied);
    }

    void contextMenuHoldsCopyAndSelectAll()
    {
        ShowWindow();
        Render("Global g;\n");
        std::unique_ptr<QMenu> menu(m_control->CreateContextMenu());
        QStringList names;
        for (QAction* a : menu->actions())
            if (!a->isSeparator()) names << a->objectName();
        QCOMPARE(names, (QStringList{"copy", "selectAll"}));
        QAction* copy = menu->findChild<QAction*>(QStringLiteral("copy"));
        QVERIFY(!copy->isEnabled());
        menu->findChild<QAction*>(QStringLiteral("selectAll"))->trigger();
        QCOMPARE(Sel(), std::make_pair(0LL, m_control->GetTextLength()));
        menu.reset(m_control->CreateContextMenu());
        QVERIFY(menu->findChild<QAction*>(QStringLiteral("copy"))->isEnabled());
        QVERIFY(menu->findChild<QAction*>(QStringLiteral("copy"))->text().contains(QStringLiteral("Copy")));
    }

    // A close from outside may destroy the window while the control's context menu or its
    // long-line message runs a loop of its own; the control then touches nothing of itself.
    void windowMayGoWhileTheMenuOrTheMessageIsUp()
    {
        ShowWindow();
        Render("Global g;\n");
        bool menuWasUp = false;
        QTimer poll;
        connect(&poll, &QTimer::timeout, this, [&] {
            if (!QApplication::activePopupWidget()) return;
            menuWasUp = true;
            poll.stop();
            m_window.reset();
        });
        poll.start(10);
        QWidget* viewport = m_control->viewport();
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5), viewport->mapToGlobal(QPoint(5, 5)));
        QCoreApplication::sendEvent(viewport, &event);
        m_control = nullptr;
        QVERIFY(menuWasUp);
        QVERIFY(!m_window);

        ShowWindow();
        SetMessageBoxHandler([this](QWidget*, const QString&, const QString&, unsigned int) {
            m_window.reset();
            return IDOK;
        });
        m_control->RenderSource("x;\n" + std::string(1020, 'a') + "\n", m_styles);
        m_control = nullptr;
        RecordMessages();
        QVERIFY(!m_window);
    }

    // ---- Mouse ------------------------------------------------------------------------

    void mouseClicksDragsAndDoubleClicks()
    {
        ShowWindow();
        m_control->SetWindowText(QStringLiteral("alpha beta_2, gamma\nsecond line here\nthird"));
        QWidget* viewport = m_control->viewport();
        QTest::mouseClick(viewport, Qt::LeftButton, {}, PointIn(8));
        QCOMPARE(Sel(), std::make_pair(8LL, 8LL));
        QTest::mouseClick(viewport, Qt::LeftButton, Qt::ShiftModifier, PointIn(23));
        QCOMPARE(Sel(), std::make_pair(8LL, 23LL));
        // Drag from the second line back into the first.
        QTest::mousePress(viewport, Qt::LeftButton, {}, PointIn(27));
        QTest::mouseMove(viewport, PointIn(3));
        QTest::mouseRelease(viewport, Qt::LeftButton, {}, PointIn(3));
        QCOMPARE(Sel(), std::make_pair(3LL, 27LL));
        QCOMPARE(Caret(), 3LL);
        // What a drag to the left selected is what is copied.
        Key(Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("ha beta_2, gamma\nsecond "));
        // Double-click selects the word, then dragging goes on by words.
        QTest::mousePress(viewport, Qt::LeftButton, {}, PointIn(8));
        QTest::mouseRelease(viewport, Qt::LeftButton, {}, PointIn(8));
        QTest::mouseDClick(viewport, Qt::LeftButton, {}, PointIn(8));
        QCOMPARE(Sel(), std::make_pair(6LL, 12LL));
        QTest::mouseMove(viewport, PointIn(16));
        QCOMPARE(Sel(), std::make_pair(6LL, 19LL));
        QTest::mouseRelease(viewport, Qt::LeftButton, {}, PointIn(16));
        // A third click selects the line with its line feed.
        QTest::mousePress(viewport, Qt::LeftButton, {}, PointIn(22));
        QTest::mouseRelease(viewport, Qt::LeftButton, {}, PointIn(22));
        QTest::mouseDClick(viewport, Qt::LeftButton, {}, PointIn(22));
        QTest::mouseRelease(viewport, Qt::LeftButton, {}, PointIn(22));
        QTest::mousePress(viewport, Qt::LeftButton, {}, PointIn(22));
        QTest::mouseRelease(viewport, Qt::LeftButton, {}, PointIn(22));
        QCOMPARE(Sel(), std::make_pair(20LL, 37LL));
        // A click past the end of a line puts the caret at its end.
        QTest::mouseClick(viewport, Qt::LeftButton, {}, QPoint(viewport->width() - 5, PointIn(22).y()));
        QCOMPARE(Sel(), std::make_pair(36LL, 36LL));
    }

    void draggingOutsideScrollsOn()
    {
        ShowWindow(400, 200);
        std::string text;
        for (int i = 0; i < 200; ++i) text += "Global g" + std::to_string(i) + ";\n";
        Render(text);
        QWidget* viewport = m_control->viewport();
        QTest::mousePress(viewport, Qt::LeftButton, {}, PointIn(2));
        QTest::mouseMove(viewport, QPoint(50, viewport->height() + 40));
        QTRY_VERIFY(m_control->GetFirstVisibleLine() > 20);
        QTest::mouseRelease(viewport, Qt::LeftButton, {}, QPoint(50, viewport->height() + 40));
        const long long stopped = m_control->GetFirstVisibleLine();
        QCOMPARE(Sel().first, 2LL);
        QVERIFY(Sel().second > static_cast<long long>(m_control->GetStore().RowStart(20)));
        QTest::qWait(150);
        QCOMPARE(m_control->GetFirstVisibleLine(), stopped);
    }

    void wheelScrollsRowsAndShiftWheelSideways()
    {
        ShowWindow(300, 200);
        std::string text;
        for (int i = 0; i < 100; ++i) text += "Global g" + std::to_string(i) + " = " + std::string(100, '7') + ";\n";
        Render(text);
        QWidget* viewport = m_control->viewport();
        const QPoint at(50, 50);
        auto wheel = [&](QPoint angle, Qt::KeyboardModifiers modifiers) {
            QWheelEvent e(at, viewport->mapToGlobal(at), QPoint(), angle, Qt::NoButton, modifiers, Qt::NoScrollPhase,
                          false);
            QApplication::sendEvent(viewport, &e);
        };
        wheel(QPoint(0, -120), Qt::NoModifier);
        QCOMPARE(m_control->GetFirstVisibleLine(), static_cast<long long>(QApplication::wheelScrollLines()));
        QCOMPARE(Caret(), 0LL);  // the wheel leaves the caret
        wheel(QPoint(0, 240), Qt::NoModifier);
        QCOMPARE(m_control->GetFirstVisibleLine(), 0LL);
        wheel(QPoint(0, -120), Qt::ShiftModifier);
        QCOMPARE(m_control->GetFirstVisibleLine(), 0LL);
        QVERIFY(m_control->GetHorizontalScroll() > 0);
        wheel(QPoint(0, 1200), Qt::ShiftModifier);
        QCOMPARE(m_control->GetHorizontalScroll(), 0);
        // Ctrl with the wheel zooms a step a notch (120); half notches add up until the
        // wheel turns the other way.
        const int ctrl = Qt::ControlModifier;
        for (auto [angle, points] : {std::pair{-120, 9}, {60, 9}, {60, 10}, {-60, 10}, {120, 11}, {-60, 11}, {-60, 10}}) {
            wheel(QPoint(0, angle), Qt::KeyboardModifiers(ctrl));
            QCOMPARE(m_control->GetZoom(), points);
        }
        QCOMPARE(m_control->GetFirstVisibleLine(), 0LL);
    }

    void zoomKeepsACaretInViewInView_data()
    {
        // The caret on the last full row of the view, then the view scrolled a row up by
        // Ctrl+Up or not; Ctrl+= follows the caret only when it was in full view.
        QTest::addColumn<int>("scrollKey");
        QTest::addColumn<bool>("follows");
        QTest::newRow("on the last full row") << 0 << true;
        QTest::newRow("one row past the view") << int(Qt::Key_Up) << false;
    }

    void zoomKeepsACaretInViewInView()
    {
        QFETCH(int, scrollKey);
        QFETCH(bool, follows);
        ShowWindow();
        std::string text;
        for (int i = 0; i < 100; ++i) text += "Global g" + std::to_string(i) + ";\n";
        Render(text);
        m_control->SetSel(0, 0);
        m_control->SetSel(590, 590);  // the start of row 50, at the bottom of the view
        QCOMPARE(m_control->GetCaretLine(), 50LL);
        const long long bottomTop = m_control->GetFirstVisibleLine();
        QVERIFY(bottomTop > 0 && bottomTop < 50);
        if (scrollKey) Key(scrollKey, Qt::ControlModifier);
        const long long top = m_control->GetFirstVisibleLine();
        QCOMPARE(top, bottomTop - (scrollKey ? 1 : 0));
        Key(Qt::Key_Equal, Qt::ControlModifier);
        QCOMPARE(m_control->GetZoom(), 11);
        QCOMPARE(Caret(), 590LL);
        if (follows) {
            QVERIFY(m_control->GetFirstVisibleLine() > top);
            const QRect caret = m_control->CharRect(Caret());
            QVERIFY(caret.top() >= 0 && caret.bottom() < m_control->viewport()->height());
        } else {
            QCOMPARE(m_control->GetFirstVisibleLine(), top);
        }
    }

    // ---- Focus and the selection ----------------------------------------------------------

    void selectionIsKeptAndShownWithoutTheFocus()
    {
        ShowWindow();
        Render("Global alpha;\nGlobal beta;\n");
        m_control->SetSel(7, 12);
        m_other->setFocus();
        QTRY_VERIFY(!m_control->hasFocus());
        QCOMPARE(Sel(), std::make_pair(7LL, 12LL));
        const QImage image = Grab();
        const QRect cell = m_control->CharRect(9);
        const QColor highlight = m_control->palette().color(QPalette::Highlight);
        QCOMPARE(image.pixelColor(cell.left() + 1, cell.top() + 1), highlight);
        QVERIFY(AllWhite(image, QRect(m_control->CharRect(4).left(), cell.top(), 2, 2)));
        m_control->setFocus();
        QTRY_VERIFY(m_control->hasFocus());
        QCOMPARE(Sel(), std::make_pair(7LL, 12LL));
        // Without ECO_NOHIDESEL the selection is kept but hidden while unfocused.
        QCOMPARE(m_control->SetOptions(0), 0u);
        m_other->setFocus();
        QTRY_VERIFY(!m_control->hasFocus());
        QVERIFY(Grab().pixelColor(cell.left() + 1, cell.top() + 1) != highlight);
        m_control->setFocus();
        QTRY_VERIFY(m_control->hasFocus());
        QCOMPARE(Grab().pixelColor(cell.left() + 1, cell.top() + 1), highlight);
        QCOMPARE(Sel(), std::make_pair(7LL, 12LL));
    }

    void selectedLineFeedShowsAsABlock_data()
    {
        // "Global alpha;" (0..12) ends with its line feed at 13; "Global beta;" (14..25)
        // with its own at 26. The block of the first line feed lies after its last
        // character.
        QTest::addColumn<long long>("from");
        QTest::addColumn<long long>("to");
        QTest::addColumn<bool>("block");
        QTest::newRow("over the line feed") << 7LL << 20LL << true;
        QTest::newRow("ending just after the line feed") << 7LL << 14LL << true;
        QTest::newRow("ending at the line feed") << 7LL << 13LL << false;
        QTest::newRow("starting at the line feed") << 13LL << 20LL << true;
        QTest::newRow("starting after the line feed") << 14LL << 27LL << false;
    }

    void selectedLineFeedShowsAsABlock()
    {
        QFETCH(long long, from);
        QFETCH(long long, to);
        QFETCH(bool, block);
        ShowWindow();
        Render("Global alpha;\nGlobal beta;\n");
        m_control->SetSel(from, to);
        m_other->setFocus();  // no caret; the selection stays shown
        QTRY_VERIFY(!m_control->hasFocus());
        const QRect end = m_control->CharRect(13);
        const QColor highlight = m_control->palette().color(QPalette::Highlight);
        const QImage image = Grab();
        QCOMPARE(image.pixelColor(end.left() + 2, end.center().y()) == highlight, block);
        // The selected text itself is on the highlight, whichever rows it covers.
        QCOMPARE(image.pixelColor(m_control->CharRect(from).left() + 1, m_control->CharRect(from).top() + 1), highlight);
    }

    void highlightsArePaintedUnderTheSelection()
    {
        ShowWindow();
        Render("Global alpha;\nGlobal beta;\n");
        m_other->setFocus();
        QTRY_VERIFY(!m_control->hasFocus());
        const QColor found(255, 255, 0);
        // "alpha", and "beta;" with its line feed; the selection is "pha" inside the first.
        // The second line's "Global" takes a text colour of its own.
        const QColor green(0, 128, 0);
        m_control->SetHighlights({{7, 12, found, QColor()}, {21, 27, found, QColor()}, {14, 20, Qt::white, green}});
        m_control->SetSel(9, 12);
        const QColor highlight = m_control->palette().color(QPalette::Highlight);
        auto ground = [&](const QImage& image, long long pos) {
            const QRect cell = m_control->CharRect(pos);
            return image.pixelColor(cell.left() + 1, cell.top() + 1);
        };
        QImage image = Grab();
        QCOMPARE(ground(image, 7), found);
        QCOMPARE(ground(image, 10), highlight);
        QCOMPARE(ground(image, 22), found);
        QCOMPARE(ground(image, 4), QColor(Qt::white));
        const QRect lineFeed = m_control->CharRect(26);
        QCOMPARE(image.pixelColor(lineFeed.left() + 2, lineFeed.center().y()), found);
        // The characters keep their own colours on a highlight without a text colour.
        const COLORREF own = StyleFormat(m_styles, Expect("Global alpha;\n").codes[7]).colour;
        QString why;
        QVERIFY2(DrawnIn(image, m_control->CharRect(7), QColor(GetRValue(own), GetGValue(own), GetBValue(own)), &why),
                 qPrintable(why));
        QVERIFY2(DrawnIn(image, m_control->CharRect(15), green, &why), qPrintable(why));
        // A new text drops them.
        Render("Global alpha;\nGlobal beta;\n");
        QCOMPARE(ground(Grab(), 7), QColor(Qt::white));
    }

    // Marks (code the compiler skips) lie under the highlights and the selection, keep the
    // characters' own colours, tint whole rows across the view and put a bar in the margin.
    void marksArePaintedUnderTheHighlights()
    {
        ShowWindow();
        // Rows start at 0, 14 and 27: "Global alpha;", "Global beta;", "Global gamma;".
        Render("Global alpha;\nGlobal beta;\nGlobal gamma;\n");
        m_other->setFocus();
        QTRY_VERIFY(!m_control->hasFocus());
        const QColor tint(0xE0, 0xE0, 0xF0), bar(0x40, 0x40, 0x80), found(255, 255, 0);
        // "pha;" with its line feed, then the whole second row.
        m_control->SetMarks({{9, 27, 1, 1}}, tint, bar);
        m_control->SetHighlights({{21, 25, found, QColor()}});
        m_control->SetSel(15, 17);
        const QColor highlight = m_control->palette().color(QPalette::Highlight);
        const QImage image = Grab();
        auto ground = [&](long long pos) {
            const QRect cell = m_control->CharRect(pos);
            return image.pixelColor(cell.left() + 1, cell.top() + 1);
        };
        QCOMPARE(ground(7), QColor(Qt::white));
        QCOMPARE(ground(10), tint);
        QCOMPARE(ground(14), tint);
        QCOMPARE(ground(16), highlight);
        QCOMPARE(ground(22), found);
        QCOMPARE(ground(28), QColor(Qt::white));
        const int right = m_control->viewport()->width() - 4;
        const auto at = [&](int x, long long pos) { return image.pixelColor(x, m_control->CharRect(pos).center().y()); };
        QCOMPARE(at(right, 0), QColor(Qt::white));  // the first row is not marked whole
        QCOMPARE(at(right, 14), tint);
        QCOMPARE(at(right, 27), QColor(Qt::white));
        QCOMPARE(at(1, 0), QColor(Qt::white));
        QCOMPARE(at(1, 14), bar);
        QCOMPARE(at(1, 27), QColor(Qt::white));
        const COLORREF own = StyleFormat(m_styles, Expect("Global beta;\n").codes[0]).colour;
        QString why;
        QVERIFY2(DrawnIn(image, m_control->CharRect(14), QColor(GetRValue(own), GetGValue(own), GetBValue(own)), &why),
                 qPrintable(why));
        // A new text drops them.
        Render("Global alpha;\nGlobal beta;\nGlobal gamma;\n");
        QVERIFY(m_control->Marks().IsEmpty());
        QCOMPARE(Grab().pixelColor(1, m_control->CharRect(14).center().y()), QColor(Qt::white));
    }

    // Which runs a paint finds, given in any order: rows 2-4 and 9 whole, one run inside row 6.
    void marksAreFoundForTheRowsAsked_data()
    {
        QTest::addColumn<quint64>("from");
        QTest::addColumn<quint64>("to");
        QTest::addColumn<QString>("found");  // the runs found, as from-to

        QTest::newRow("before them all") << quint64(0) << quint64(20) << "";
        QTest::newRow("reaching into the first") << quint64(0) << quint64(21) << "20-50";
        QTest::newRow("inside the first") << quint64(30) << quint64(31) << "20-50";
        QTest::newRow("from the end of the first") << quint64(50) << quint64(64) << "";
        QTest::newRow("over the last two") << quint64(49) << quint64(200) << "20-50 64-66 90-100";
        QTest::newRow("after them all") << quint64(100) << quint64(500) << "";
    }

    void marksAreFoundForTheRowsAsked()
    {
        QFETCH(quint64, from);
        QFETCH(quint64, to);
        QFETCH(QString, found);
        CTextMarks marks;
        marks.Set({{90, 100, 9, 9}, {20, 50, 2, 4}, {64, 66, 1, 0}}, Qt::gray, Qt::black);
        std::vector<CTextHighlight> out;
        marks.HighlightsIn(from, to, out);
        QStringList runs;
        for (const CTextHighlight& h : out) runs << QStringLiteral("%1-%2").arg(h.from).arg(h.to);
        QCOMPARE(runs.join(u' '), found);
        QList<int> rows;
        for (int row = 0; row < 12; ++row)
            if (marks.IsRowMarked(static_cast<std::size_t>(row))) rows << row;
        QCOMPARE(rows, (QList<int>{2, 3, 4, 9}));
    }

    // The find bar's matches come from a source asked for the rows shown only, at every paint.
    void highlightSourceIsAskedForTheRowsShown()
    {
        ShowWindow();
        std::string text;
        for (int i = 0; i < 200; ++i) text += "Global g" + std::to_string(i) + ";\n";
        Render(text);
        std::vector<std::pair<std::uint64_t, std::uint64_t>> asked;
        m_control->SetHighlightSource([&](std::uint64_t from, std::uint64_t to, std::vector<CTextHighlight>& out) {
            asked.emplace_back(from, to);
            out.push_back({from, from + 6, QColor(255, 255, 0), QColor()});  // the first word shown
        });
        const CRichTextStore& store = m_control->GetStore();
        // Whole rows below the top margin.
        const std::size_t rows = static_cast<std::size_t>((m_control->viewport()->height() - CRowScroller::TOP_MARGIN) /
                                                          m_control->CharRect(0).height());
        for (long long top : {0LL, 120LL}) {
            m_control->GoToLine(top);  // at the top, or in the middle
            asked.clear();
            const QImage image = Grab();
            QVERIFY(!asked.empty());
            const std::size_t first = static_cast<std::size_t>(m_control->GetFirstVisibleLine());
            // The rows shown, and the part-row under them.
            QCOMPARE(asked.back(), std::make_pair(store.RowStart(first), store.RowEnd(first + rows)));
            const QRect cell = m_control->CharRect(static_cast<long long>(store.RowStart(first)) + 1);
            QCOMPARE(image.pixelColor(cell.left() + 1, cell.top() + 1), QColor(255, 255, 0));
        }
        m_control->SetHighlightSource({});
        asked.clear();
        Grab();
        QVERIFY(asked.empty());
    }

    void caretIsAtTheStartAfterEveryRender()
    {
        ShowWindow(300, 150);
        std::string text;
        for (int i = 0; i < 100; ++i) text += "Global g" + std::to_string(i) + " = " + std::string(80, '7') + ";\n";
        Render(text);
        Key(Qt::Key_End, Qt::ControlModifier);
        Key(Qt::Key_Up);
        Key(Qt::Key_End, Qt::ShiftModifier);
        QVERIFY(m_control->GetFirstVisibleLine() > 0);
        QVERIFY(m_control->GetHorizontalScroll() > 0);
        Render(text);
        QCOMPARE(Sel(), std::make_pair(0LL, 0LL));
        QCOMPARE(m_control->GetFirstVisibleLine(), 0LL);
        QCOMPARE(m_control->GetHorizontalScroll(), 0);
        Render("");
        QCOMPARE(m_control->GetTextLength(), 0LL);
        QCOMPARE(Sel(), std::make_pair(0LL, 0LL));
    }

    // ---- Accessibility ---------------------------------------------------------------------

    void caretEventSaysWhetherTheCaretMovedOrTheSelectionChanged_data()
    {
        QTest::addColumn<long long>("anchor");
        QTest::addColumn<long long>("caret");
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("end");
        const int moved = int(QAccessible::TextCaretMoved);
        const int selected = int(QAccessible::TextSelectionChanged);
        QTest::newRow("the caret alone") << 5LL << 5LL << moved << -1 << -1;
        QTest::newRow("selected forwards") << 2LL << 9LL << selected << 2 << 9;
        QTest::newRow("selected backwards") << 9LL << 2LL << selected << 2 << 9;
    }

    void caretEventSaysWhetherTheCaretMovedOrTheSelectionChanged()
    {
        // What the control tells screen readers whenever its caret or selection moves.
        QFETCH(long long, anchor);
        QFETCH(long long, caret);
        QFETCH(int, type);
        QFETCH(int, start);
        QFETCH(int, end);
        CSyntaxRichEditCtrl control;
        control.SetWindowText(QStringLiteral("Global alpha;"));
        const std::unique_ptr<QAccessibleEvent> event = CRichEditAccessible::CaretEvent(
            &control, static_cast<std::uint64_t>(anchor), static_cast<std::uint64_t>(caret));
        QCOMPARE(int(event->type()), type);
        QCOMPARE(event->object(), static_cast<QObject*>(&control));
        QCOMPARE(static_cast<QAccessibleTextCursorEvent*>(event.get())->cursorPosition(), int(caret));
        if (type == int(QAccessible::TextSelectionChanged)) {
            const auto* selection = static_cast<QAccessibleTextSelectionEvent*>(event.get());
            QCOMPARE(selection->selectionStart(), start);
            QCOMPARE(selection->selectionEnd(), end);
        }
    }

    void screenReadersReadTheText()
    {
        ShowWindow();
        Render("! hello\nConstant C;\n");
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(m_control);
        QVERIFY(iface);
        QVERIFY(iface->state().readOnly);
        QVERIFY(iface->state().multiLine);
        QAccessibleTextInterface* text = iface->textInterface();
        QVERIFY(text);
        QCOMPARE(text->characterCount(), 20);
        QCOMPARE(text->text(8, 16), QStringLiteral("Constant"));
        int start = -1, end = -1;
        QCOMPARE(text->textAtOffset(10, QAccessible::LineBoundary, &start, &end), QStringLiteral("Constant C;\n"));
        QCOMPARE(start, 8);
        QCOMPARE(end, 20);
        QCOMPARE(text->textAtOffset(10, QAccessible::WordBoundary, &start, &end), QStringLiteral("Constant"));
        QCOMPARE(text->textAfterOffset(2, QAccessible::LineBoundary, &start, &end), QStringLiteral("Constant C;\n"));
        QCOMPARE(text->textBeforeOffset(10, QAccessible::LineBoundary, &start, &end), QStringLiteral("! hello\n"));
        text->setSelection(0, 2, 7);
        QCOMPARE(Sel(), std::make_pair(2LL, 7LL));
        QCOMPARE(text->selectionCount(), 1);
        text->selection(0, &start, &end);
        QCOMPARE(start, 2);
        QCOMPARE(end, 7);
        text->setCursorPosition(9);
        QCOMPARE(text->cursorPosition(), 9);
        QCOMPARE(text->selectionCount(), 0);
        const QString attributes = text->attributes(3, &start, &end);
        QVERIFY2(attributes.contains(QStringLiteral("color:rgb(128,0,128)")), qPrintable(attributes));
        QVERIFY(attributes.contains(QStringLiteral("font-style:italic")));
        QCOMPARE(start, 0);
        QCOMPARE(end, 8);
        QCOMPARE(text->offsetAtPoint(m_control->viewport()->mapToGlobal(PointIn(11))), 11);
        QCOMPARE(text->characterRect(11).topLeft(), m_control->viewport()->mapToGlobal(m_control->CharRect(11).topLeft()));
    }

    // ---- Printing ---------------------------------------------------------------------------

    void printsPagesWithTheText()
    {
        QTemporaryDir dir;
        CSyntaxRichEditCtrl control;
        std::string text;
        for (int i = 0; i < 300; ++i) text += "Global g" + std::to_string(i) + " = " + std::string(150, '7') + ";\n";
        control.RenderSource(text, m_styles);
        auto pages = [&](const QString& name, int from, int to) {
            QPrinter printer(QPrinter::HighResolution);
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(dir.filePath(name));
            printer.setDocName(QStringLiteral("test.inf"));
            if (from > 0) {
                printer.setPrintRange(QPrinter::PageRange);
                printer.setFromTo(from, to);
            }
            control.Print(printer);
            QFile file(dir.filePath(name));
            if (!file.open(QIODevice::ReadOnly)) return -1;
            const QByteArray pdf = file.readAll();
            return static_cast<int>(pdf.count("/Type /Page\n") + pdf.count("/Type /Page\r") + pdf.count("/Type /Page>") +
                                    pdf.count("/Type /Page "));
        };
        const int all = pages(QStringLiteral("all.pdf"), 0, 0);
        // 300 lines, each wider than a page: more than 300 printed lines, several pages.
        QVERIFY2(all > 5, qPrintable(QString::number(all)));
        QCOMPARE(pages(QStringLiteral("two.pdf"), 2, 3), 2);
        QCOMPARE(pages(QStringLiteral("last.pdf"), all, all + 5), 1);
        control.RenderSource("", m_styles);
        QCOMPARE(pages(QStringLiteral("empty.pdf"), 0, 0), 1);

        // A printer whose default is greyscale (a raw queue) is asked for colour.
        QPrinter grey(QPrinter::HighResolution);
        grey.setOutputFormat(QPrinter::PdfFormat);
        grey.setOutputFileName(dir.filePath(QStringLiteral("grey.pdf")));
        grey.setColorMode(QPrinter::GrayScale);
        control.Print(grey);
        QCOMPARE(grey.colorMode(), QPrinter::Color);
    }

    void printedPageShowsTheTextInItsColours()
    {
        // A page painted into an image: each line one font height below the last, each
        // character one space wide, from the page's top left; probes as on the screen.
        CSyntaxRichEditCtrl control;
        const std::string source = "! Commentary\nObject Mmm \"WWW\";\n";
        control.RenderSource(source, m_styles);
        const ExpectedDisplay expected = Expect(source);
        QImage image(500, 400, QImage::Format_RGB32);
        image.fill(Qt::white);
        const QRectF page(10, 20, 480, 360);
        CPagePrinter pages(control.GetStore(), control.font(), &image, page, QStringLiteral("probe.inf"));
        QCOMPARE(pages.PageNumber(), 1);
        QVERIFY(pages.HasPage());
        {
            QPainter painter(&image);
            pages.PaintPage(&painter);
        }
        QVERIFY(!pages.HasPage());  // two short lines take one page
        const QFontMetricsF metrics(QFont(control.font(), &image), &image);
        const qreal w = metrics.horizontalAdvance(QLatin1Char(' '));
        const qreal h = metrics.height();
        for (int pos : {2, 4, 13, 15, 20, 21, 25, 26}) {
            const int line = pos < 13 ? 0 : 1;
            const int column = pos < 13 ? pos : pos - 13;
            const QRect cell(static_cast<int>(page.left() + column * w) + 1, static_cast<int>(page.top() + line * h) + 1,
                             static_cast<int>(w) - 2, static_cast<int>(h) - 2);
            const CCharFormat f = StyleFormat(m_styles, expected.codes[static_cast<std::size_t>(pos)]);
            QString why;
            QVERIFY2(DrawnIn(image, cell, QColor(GetRValue(f.colour), GetGValue(f.colour), GetBValue(f.colour)), &why),
                     qPrintable(QStringLiteral("'%1' at %2: ").arg(expected.text.mid(pos, 1)).arg(pos) + why));
        }
        // Nothing is drawn beside the text, nor outside the page.
        QVERIFY(AllWhite(image, QRect(300, 100, 150, 150)));
        QVERIFY(AllWhite(image, QRect(0, 0, 500, 19)));
    }

    void printedColumnsAreTheScreensAtAnyResolution_data()
    {
        QTest::addColumn<int>("dpi");
        QTest::newRow("the screen's") << 96;
        QTest::newRow("300 dots an inch") << 300;
        QTest::newRow("a printer's 1200") << 1200;
    }

    void printedColumnsAreTheScreensAtAnyResolution()
    {
        QFETCH(int, dpi);
        // X after a tab in column 8; Y after an ideograph (two cells) and a
        // bidirectional control (two) in column 4, on the next line.
        CSyntaxRichEditCtrl control;
        control.RenderSource("abcdefg\tX\n\xe6\x97\xa5\xe2\x80\xaeY\n", m_styles);
        const QFont font = control.font();
        const qreal inch = dpi;
        QImage image(static_cast<int>(2.5 * inch), static_cast<int>(1.5 * inch), QImage::Format_RGB32);
        image.setDotsPerMeterX(static_cast<int>(dpi / 0.0254 + 0.5));
        image.setDotsPerMeterY(static_cast<int>(dpi / 0.0254 + 0.5));
        image.fill(Qt::white);
        CPagePrinter pages(control.GetStore(), font, &image, QRectF(QPointF(0, 0), image.size()), QString());
        {
            QPainter painter(&image);
            pages.PaintPage(&painter);
        }
        const QFontMetricsF metrics(QFont(font, &image), &image);
        const qreal w = metrics.horizontalAdvance(QLatin1Char(' '));
        const qreal h = metrics.height();
        const CRichTextStore& store = control.GetStore();
        const struct {
            int pos, line, column;
        } probes[] = {{8, 0, 8}, {12, 1, 4}};
        for (const auto& probe : probes) {
            const QRect cell(static_cast<int>(probe.column * w) + 1, static_cast<int>(probe.line * h) + 1,
                             static_cast<int>(w) - 2, static_cast<int>(h) - 2);
            const COLORREF own = store.FormatAt(static_cast<std::uint64_t>(probe.pos)).colour;
            QString why;
            QVERIFY2(DrawnIn(image, cell, QColor(GetRValue(own), GetGValue(own), GetBValue(own)), &why),
                     qPrintable(QStringLiteral("at %1: ").arg(probe.pos) + why));
        }
    }
};

QTEST_MAIN(TestControl)
#include "test_control.moc"
