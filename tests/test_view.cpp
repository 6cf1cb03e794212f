// The view: its control covers the client area at every size, takes the focus the view
// is given, and shows the document afresh at every update with the caret at the start.

#include "QtTestSupport.h"

#include "doc/GlosselDoc.h"
#include "syntax/SyntaxStyleMap.h"
#include "view/GlosselView.h"

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

QTEST_MAIN(TestView)
#include "test_view.moc"
