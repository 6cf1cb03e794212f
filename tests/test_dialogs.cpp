// The Syntax Styles dialog, driven through its own widgets: its controls and keys, the
// edits kept per style while the user moves through the list, the ways it ends and
// what each does to theStyleMap and the views, the style it preselects, its sample,
// and the colour chooser it opens. And the Go to Line dialog.

#include "DisplayExpectations.h"
#include "QtTestSupport.h"

#include "app/GlosselApp.h"
#include "app/MainFrame.h"
#include "app/Resource.h"
#include "dialogs/GoToLineDlg.h"
#include "dialogs/SyntaxStylesDlg.h"
#include "syntax/ProfileStore.h"
#include "syntax/SyntaxStyleMap.h"
#include "view/GlosselView.h"

#include <QAction>
#include <QCheckBox>
#include <QColorDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QStyleOptionButton>
#include <QTimer>
#include <QtTest>

#include <deque>
#include <functional>
#include <map>
#include <optional>

using qtestsupport::DrawnIn;
using qtestsupport::TempSettings;

namespace {

// The list in code order, and the built-in attributes, as the style table gives them.
const QStringList kNames{"Foreground", "Quoted Text", "Comment",          "Directive",
                         "Property",   "Function",    "Code",             "Code Alpha",
                         "Assembly",   "Escape Character", "Number",      "Code Number"};

struct Attributes {
    COLORREF colour;
    std::uint32_t bold;
    std::uint32_t italic;
    bool operator==(const Attributes&) const = default;
};

const std::map<QString, Attributes> kDefaults{
    {"Foreground", {0xA00000, 0, 0}},      {"Quoted Text", {0x808080, 0, 0}}, {"Comment", {0x800080, 0, 1}},
    {"Directive", {0x000000, 1, 0}},       {"Property", {0x0000C0, 0, 0}},    {"Function", {0x0000A0, 0, 0}},
    {"Code", {0x800000, 0, 0}},            {"Code Alpha", {0x008000, 0, 0}},  {"Assembly", {0x00A0A0, 0, 1}},
    {"Escape Character", {0x0000C0, 0, 0}}, {"Number", {0xA00000, 1, 0}},     {"Code Number", {0x008000, 1, 0}},
};

std::map<QString, Attributes> AttributesOf(const CSyntaxStyleMap& styles)
{
    std::map<QString, Attributes> out;
    styles.ForEach([&](CSyntaxStyleMap::WORD, const CSyntaxStyle& s) {
        out[QString::fromStdString(s.m_name)] = {s.m_colour, s.m_bold, s.m_italic};
    });
    return out;
}

std::map<QString, Attributes> DefaultsWith(const std::map<QString, Attributes>& changes)
{
    std::map<QString, Attributes> out = kDefaults;
    for (const auto& [name, attributes] : changes) out[name] = attributes;
    return out;
}

// "Change Colour..." answers from a script: a colour, or nullopt for Cancel.
class ScriptedChooser {
public:
    ScriptedChooser()
    {
        m_previous = SetColourChooser([this](QWidget*, COLORREF initial, COLORREF& chosen) {
            asked.push_back(initial);
            if (answers.empty()) return false;
            const std::optional<COLORREF> answer = answers.front();
            answers.pop_front();
            if (answer) chosen = *answer;
            return answer.has_value();
        });
    }
    ~ScriptedChooser() { SetColourChooser(m_previous); }
    std::deque<std::optional<COLORREF>> answers;
    std::vector<COLORREF> asked;

private:
    ColourChooser m_previous;
};

// The dialog's controls, found by their ids, and what a user does with them.
struct Dialog {
    explicit Dialog(QDialog& d)
        : dialog(&d),
          list(d.findChild<QListWidget*>(QStringLiteral("IDC_STYLE_LIST"))),
          sample(d.findChild<CSyntaxRichEditCtrl*>(QStringLiteral("IDC_STYLE_SAMPLE"))),
          changeColour(d.findChild<QPushButton*>(QStringLiteral("IDC_CHANGE_COLOUR"))),
          bold(d.findChild<QCheckBox*>(QStringLiteral("IDC_STYLE_BOLD"))),
          italic(d.findChild<QCheckBox*>(QStringLiteral("IDC_STYLE_ITALIC"))),
          ok(d.findChild<QPushButton*>(QStringLiteral("IDOK"))),
          cancel(d.findChild<QPushButton*>(QStringLiteral("IDCANCEL")))
    {
    }
    bool Complete() const { return list && sample && changeColour && bold && italic && ok && cancel; }
    // Shows the dialog, active; false when a control is missing or it did not become active.
    bool Open() const { return Complete() && Show(); }
    bool Show() const
    {
        dialog->show();
        QApplication::setActiveWindow(dialog);
        return QTest::qWaitForWindowActive(dialog);
    }
    QString Selected() const
    {
        const QList<QListWidgetItem*> items = list->selectedItems();
        return items.size() == 1 ? items.first()->text() : QString();
    }
    void Click(const QString& name, Qt::KeyboardModifiers modifiers = {}) const
    {
        const QList<QListWidgetItem*> items = list->findItems(name, Qt::MatchExactly);
        if (items.isEmpty()) return;
        list->scrollToItem(items.first());
        QTest::mouseClick(list->viewport(), Qt::LeftButton, modifiers, list->visualItemRect(items.first()).center());
    }
    static void Click(QCheckBox* box)
    {
        // On the box itself: the widget is wider than its box and label.
        QStyleOptionButton option;
        option.initFrom(box);
        QTest::mouseClick(box, Qt::LeftButton, {},
                          box->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, box).center());
    }
    Attributes Shown() const
    {
        return {0, bold->isChecked() ? 1u : 0u, italic->isChecked() ? 1u : 0u};
    }
    // The sample's text and the format of every character of it.
    QString SampleProblem(const Attributes& expected) const
    {
        if (sample->GetText(0, sample->GetTextLength()) != QStringLiteral(" Sample"))
            return QStringLiteral("text ") + sample->GetText(0, sample->GetTextLength());
        const CCharFormat format{expected.colour, expected.bold != 0, expected.italic != 0};
        for (std::uint64_t i = 0; i < 7; ++i)
            if (!(sample->GetStore().FormatAt(i) == format)) return QStringLiteral("format at %1").arg(i);
        long long start = -1;
        long long end = -1;
        sample->GetSel(start, end);
        if (start != 0 || end != 0) return QStringLiteral("selection %1..%2").arg(start).arg(end);
        return QString();
    }

    QDialog* dialog;
    QListWidget* list;
    CSyntaxRichEditCtrl* sample;
    QPushButton* changeColour;
    QCheckBox* bold;
    QCheckBox* italic;
    QPushButton* ok;
    QPushButton* cancel;
};

CSyntaxStyleMap& WithDefaults(CSyntaxStyleMap& styles)
{
    styles.BuildDefaults();
    return styles;
}

// The dialog on a style set of its own holding the built-in styles, with the colour
// chooser answering as the script says:
//   StylesDialog shown({RGB(1, 2, 3)});
//   auto& [chooser, styles, dialog, d] = shown;
struct StylesDialog {
    explicit StylesDialog(std::deque<std::optional<COLORREF>> answers = {}) { chooser.answers = std::move(answers); }
    ScriptedChooser chooser;
    CSyntaxStyleMap styles;
    CSyntaxStylesDlg dialog{WithDefaults(styles)};
    Dialog d{dialog};
};

std::string ReadExample()
{
    return testsupport::ReadFile(testsupport::ExamplesDir() / "lantern.inf");
}

}  // namespace

class TestDialogs : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void controlsInTheirOrder();
    void keys();
    void editsAreKeptPerStyleWhileTheUserMoves();
    void okReplacesTheStylesAndEveryViewShowsThem();
    void endings();
    void preselection_data();
    void preselection();
    void preselectionAcrossOpenings();
    void sampleShowsTheSelectedStyle_data();
    void sampleShowsTheSelectedStyle();
    void colourDialogStartsOnTheStylesColour_data();
    void colourDialogStartsOnTheStylesColour();
    void goToLine_data();
    void goToLine();

private:
    // The viewer on lantern.inf, its dialogs run by runner.
    CGlosselApp& StartApp(std::function<int(Dialog&)> runner);

    TempSettings m_settings;
    std::unique_ptr<CGlosselApp> m_app;
};

void TestDialogs::init()
{
    m_settings.Clear();
    g_lastStyleName.clear();
    SetStyleProfile(nullptr);
    theStyleMap.BuildDefaults();
}

void TestDialogs::cleanup()
{
    m_app.reset();
}

CGlosselApp& TestDialogs::StartApp(std::function<int(Dialog&)> runner)
{
    m_app.reset();
    const QString path = QString::fromStdString((testsupport::ExamplesDir() / "lantern.inf").string());
    m_app = std::make_unique<CGlosselApp>(ParseGlosselCommandLine(qtestsupport::ArgsOf({path})).info);
    m_app->SetModalRunner([runner](QDialog& dialog) {
        if (!qobject_cast<CSyntaxStylesDlg*>(&dialog)) return int(QDialog::Rejected);
        Dialog d(dialog);
        if (!d.Open()) return -1;
        return runner(d);
    });
    [&] { QVERIFY(m_app->InitInstance()); }();
    return *m_app;
}

void TestDialogs::controlsInTheirOrder()
{
    StylesDialog shown;
    auto& [chooser, styles, dialog, d] = shown;
    QVERIFY(d.Open());

    QCOMPARE(dialog.windowTitle(), QStringLiteral("Syntax Styles"));
    QStringList items;
    for (int i = 0; i < d.list->count(); ++i) items << d.list->item(i)->text();
    QCOMPARE(items, kNames);
    QCOMPARE(d.Selected(), QStringLiteral("Foreground"));

    QLabel* type = nullptr;
    for (QLabel* label : dialog.findChildren<QLabel*>())
        if (label->text() == QStringLiteral("&Type:")) type = label;
    QVERIFY(type);
    QCOMPARE(type->buddy(), static_cast<QWidget*>(d.list));
    QCOMPARE(d.changeColour->text(), QStringLiteral("Change &Colour..."));
    QCOMPARE(d.bold->text(), QStringLiteral("&Bold Style"));
    QCOMPARE(d.italic->text(), QStringLiteral("&Italic Style"));
    QCOMPARE(d.ok->text(), QStringLiteral("OK"));
    QCOMPARE(d.cancel->text(), QStringLiteral("Cancel"));
    QVERIFY(d.ok->isDefault());
    QCOMPARE(d.sample->parentWidget()->property("title").toString(), QStringLiteral("Sample"));
    QCOMPARE(d.bold->parentWidget()->property("title").toString(), QStringLiteral("Styles"));

    // Tab goes round the list, Change Colour, Bold, Italic, OK and Cancel; the disabled
    // sample never takes the focus.
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(d.list));
    const QList<QWidget*> order{d.changeColour, d.bold, d.italic, d.ok, d.cancel, d.list};
    for (QWidget* next : order) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), next);
    }
    QVERIFY(!d.sample->isEnabled());

    // The list on the left; on its right, top to bottom, Sample, Change Colour and Styles;
    // OK and Cancel side by side below all of them.
    const auto rect = [&](QWidget* w) { return QRect(w->mapTo(&dialog, QPoint(0, 0)), w->size()); };
    const QRect list = rect(d.list);
    const QRect sample = rect(d.sample->parentWidget());
    const QRect colour = rect(d.changeColour);
    const QRect stylesBox = rect(d.bold->parentWidget());
    for (const QRect& right : {sample, colour, stylesBox}) QVERIFY(right.left() > list.right());
    QVERIFY(sample.bottom() < colour.top());
    QVERIFY(colour.bottom() < stylesBox.top());
    QVERIFY(rect(d.ok).top() > std::max(list.bottom(), stylesBox.bottom()));
    QCOMPARE(rect(d.ok).top(), rect(d.cancel).top());
    QVERIFY(rect(d.ok).right() < rect(d.cancel).left());
    // Every name fits, so the list never scrolls sideways.
    for (int i = 0; i < d.list->count(); ++i)
        QVERIFY(d.list->visualItemRect(d.list->item(i)).width() >=
                d.list->fontMetrics().horizontalAdvance(d.list->item(i)->text()));
    // The user cannot resize it.
    QCOMPARE(dialog.minimumSize(), dialog.maximumSize());
    dialog.reject();
}

void TestDialogs::keys()
{
    // What the keyboard does, each step from where the previous one left the dialog.
    StylesDialog shown({RGB(0, 0, 200)});
    auto& [chooser, styles, dialog, d] = shown;
    QVERIFY(d.Open());
    const auto key = [&](int k, Qt::KeyboardModifiers m = {}) { QTest::keyClick(QApplication::focusWidget(), Qt::Key(k), m); };
    struct Step {
        const char* name;
        std::function<void()> act;
        QString selected;
        Attributes sample;
    };
    const Step steps[] = {
        {"Down selects the next style", [&] { key(Qt::Key_Down); }, "Quoted Text", {0x808080, 0, 0}},
        {"End selects the last style", [&] { key(Qt::Key_End); }, "Code Number", {0x008000, 1, 0}},
        {"Alt+B toggles bold", [&] { key(Qt::Key_B, Qt::AltModifier); }, "Code Number", {0x008000, 0, 0}},
        {"Alt+I toggles italic", [&] { key(Qt::Key_I, Qt::AltModifier); }, "Code Number", {0x008000, 0, 1}},
        {"Space on Italic toggles it", [&] { key(Qt::Key_Space); }, "Code Number", {0x008000, 0, 0}},
        {"Alt+C changes the colour", [&] { key(Qt::Key_C, Qt::AltModifier); }, "Code Number", {RGB(0, 0, 200), 0, 0}},
        {"Alt+T goes back to the list", [&] { key(Qt::Key_T, Qt::AltModifier); }, "Code Number", {RGB(0, 0, 200), 0, 0}},
        {"Ctrl+Space keeps the selection", [&] { key(Qt::Key_Space, Qt::ControlModifier); }, "Code Number",
         {RGB(0, 0, 200), 0, 0}},
        {"Ctrl+click on the selected style keeps it",
         [&] { d.Click(QStringLiteral("Code Number"), Qt::ControlModifier); }, "Code Number", {RGB(0, 0, 200), 0, 0}},
        {"Home selects the first style", [&] { key(Qt::Key_Home); }, "Foreground", {0xA00000, 0, 0}},
    };
    for (const Step& step : steps) {
        step.act();
        // A mnemonic presses its button a moment later, as a click would.
        QTRY_VERIFY2(d.Selected() == step.selected && d.SampleProblem(step.sample).isEmpty() &&
                         d.Shown() == (Attributes{0, step.sample.bold, step.sample.italic}),
                     qPrintable(QStringLiteral("%1: selected %2, sample %3")
                                    .arg(QString::fromLatin1(step.name), d.Selected(), d.SampleProblem(step.sample))));
    }
    QCOMPARE(QApplication::focusWidget(), d.list);
    QCOMPARE(chooser.asked, (std::vector<COLORREF>{0x008000}));
    // Enter, with the focus on the list, is OK: the edit of "Code Number" was stored.
    key(Qt::Key_Return);
    QCOMPARE(dialog.result(), IDOK);
    QCOMPARE(AttributesOf(styles), DefaultsWith({{"Code Number", {RGB(0, 0, 200), 0, 0}}}));
}

void TestDialogs::editsAreKeptPerStyleWhileTheUserMoves()
{
    // The dialog works on the map it is given, and theStyleMap is not touched.
    StylesDialog shown({RGB(10, 20, 30)});
    auto& [chooser, styles, dialog, d] = shown;
    QVERIFY(d.Open());

    d.Click(QStringLiteral("Code Alpha"));
    QTest::mouseClick(d.changeColour, Qt::LeftButton);
    Dialog::Click(d.bold);
    d.Click(QStringLiteral("Comment"));
    QCOMPARE(d.SampleProblem({0x800080, 0, 1}), QString());
    Dialog::Click(d.italic);
    Dialog::Click(d.bold);
    const struct {
        const char* name;
        Attributes shown;
    } visits[] = {{"Code Alpha", {RGB(10, 20, 30), 1, 0}}, {"Comment", {0x800080, 1, 0}}, {"Code Alpha", {RGB(10, 20, 30), 1, 0}}};
    for (const auto& visit : visits) {
        d.Click(QString::fromLatin1(visit.name));
        QCOMPARE(d.Selected(), QString::fromLatin1(visit.name));
        QCOMPARE(d.Shown(), (Attributes{0, visit.shown.bold, visit.shown.italic}));
        QCOMPARE(d.SampleProblem(visit.shown), QString());
    }
    QCOMPARE(chooser.asked, (std::vector<COLORREF>{0x008000}));
    QCOMPARE(AttributesOf(styles), kDefaults);  // nothing reaches the target before OK

    QTest::mouseClick(d.ok, Qt::LeftButton);
    QCOMPARE(dialog.result(), IDOK);
    QVERIFY(dialog.isHidden());
    QCOMPARE(AttributesOf(styles),
             DefaultsWith({{"Code Alpha", {RGB(10, 20, 30), 1, 0}}, {"Comment", {0x800080, 1, 0}}}));
    QCOMPARE(AttributesOf(theStyleMap), kDefaults);
    QCOMPARE(g_lastStyleName, std::string("Code Alpha"));
}

void TestDialogs::okReplacesTheStylesAndEveryViewShowsThem()
{
    ScriptedChooser chooser;
    chooser.answers = {RGB(200, 80, 0)};
    int result = 0;
    bool overFrame = false;
    CGlosselApp& app = StartApp([&](Dialog& d) {
        overFrame = d.dialog->parentWidget() == m_app->GetMainWnd();
        d.Click(QStringLiteral("Comment"));
        QTest::mouseClick(d.changeColour, Qt::LeftButton);
        Dialog::Click(d.bold);
        d.Click(QStringLiteral("Code Alpha"));
        Dialog::Click(d.italic);
        QTest::mouseClick(d.ok, Qt::LeftButton);
        return result = d.dialog->result();
    });
    CSyntaxRichEditCtrl& control = app.GetView()->GetRichEditCtrl();
    control.SetSel(3, 7);
    // Ctrl+T, as the user presses it.
    QApplication::setActiveWindow(app.GetMainWnd());
    QVERIFY(QTest::qWaitForWindowActive(app.GetMainWnd()));
    QTest::keyClick(app.GetMainWnd(), Qt::Key_T, Qt::ControlModifier);
    QCOMPARE(result, IDOK);
    QVERIFY(overFrame);

    const auto expected =
        DefaultsWith({{"Comment", {RGB(200, 80, 0), 1, 1}}, {"Code Alpha", {0x008000, 0, 1}}});
    QCOMPARE(AttributesOf(theStyleMap), expected);
    std::vector<int> walk;
    theStyleMap.ForEach([&](CSyntaxStyleMap::WORD key, const CSyntaxStyle&) { walk.push_back(key); });
    QCOMPARE(walk, (std::vector<int>{11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0}));

    // The view rendered again: caret at the start, every character in its new style.
    long long start = -1;
    long long end = -1;
    control.GetSel(start, end);
    QCOMPARE(start, 0);
    QCOMPARE(end, 0);
    const std::vector<testsupport::ExpectedByte> bytes = testsupport::ExpectedStoreBytes(ReadExample());
    QCOMPARE(control.GetStore().ByteLength(), bytes.size());
    int comments = 0;
    int alphas = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const Attributes& a = expected.at(kNames[bytes[i].code]);
        const CCharFormat want{a.colour, a.bold != 0, a.italic != 0};
        QVERIFY2(control.GetStore().FormatAt(i) == want, qPrintable(QStringLiteral("character %1").arg(i)));
        comments += bytes[i].code == STYLE_COMMENT;
        alphas += bytes[i].code == STYLE_CODE_ALPHA;
    }
    QVERIFY(comments > 0 && alphas > 0);

    // Nothing is written until the viewer exits; then the styles survive a restart.
    QVERIFY(m_settings.Value(QStringLiteral("Inform Syntax Colours"), QStringLiteral("Comment Colour")).isNull());
    QCOMPARE(app.ExitInstance(), 0);
    QCOMPARE(m_settings.Value(QStringLiteral("Inform Syntax Colours"), QStringLiteral("Comment Colour")),
             QString::number(RGB(200, 80, 0)));
    m_app.reset();
    theStyleMap.BuildDefaults();
    StartApp([](Dialog&) { return IDCANCEL; });
    QCOMPARE(AttributesOf(theStyleMap), expected);
}

void TestDialogs::endings()
{
    // Each way out, after what the user did. Only OK with a difference replaces
    // theStyleMap and renders the views again; every way remembers the selection.
    using Act = std::function<void(Dialog&)>;
    const Act changeNumber = [](Dialog& d) {
        d.Click(QStringLiteral("Code Alpha"));
        QTest::mouseClick(d.changeColour, Qt::LeftButton);
        d.Click(QStringLiteral("Number"));
        Dialog::Click(d.bold);
    };
    const Act okButton = [](Dialog& d) { QTest::mouseClick(d.ok, Qt::LeftButton); };
    struct Ending {
        const char* name;
        std::deque<std::optional<COLORREF>> colours;
        Act edit;
        Act end;
        int result;
        std::string last;
    };
    const Ending endings[] = {
        {"OK after changes", {RGB(1, 2, 3)}, changeNumber, okButton, IDOK, "Number"},
        {"Cancel after changes", {RGB(1, 2, 3)}, changeNumber,
         [](Dialog& d) { QTest::mouseClick(d.cancel, Qt::LeftButton); }, IDCANCEL, "Number"},
        {"Escape after changes", {RGB(1, 2, 3)}, changeNumber,
         [](Dialog&) { QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape); }, IDCANCEL, "Number"},
        {"close box after changes", {RGB(1, 2, 3)}, changeNumber, [](Dialog& d) { d.dialog->close(); }, IDCANCEL,
         "Number"},
        {"OK after changing and changing back",
         {RGB(1, 2, 3), 0x008000},
         [&](Dialog& d) {
             changeNumber(d);
             Dialog::Click(d.bold);
             d.Click(QStringLiteral("Code Alpha"));
             QTest::mouseClick(d.changeColour, Qt::LeftButton);
         },
         okButton, IDCANCEL, "Code Alpha"},
        {"OK after cancelling the colour chooser", {std::nullopt},
         [](Dialog& d) {
             d.Click(QStringLiteral("Code"));
             QTest::mouseClick(d.changeColour, Qt::LeftButton);
         },
         okButton, IDCANCEL, "Code"},
        {"OK untouched", {}, [](Dialog&) {}, okButton, IDCANCEL, "Foreground"},
    };
    for (const Ending& ending : endings) {
        theStyleMap.BuildDefaults();
        g_lastStyleName.clear();
        ScriptedChooser chooser;
        chooser.answers = ending.colours;
        int result = 0;
        CGlosselApp& app = StartApp([&](Dialog& d) {
            ending.edit(d);
            ending.end(d);
            return result = d.dialog->result();
        });
        std::vector<const CSyntaxStyle*> records;
        theStyleMap.ForEach([&](CSyntaxStyleMap::WORD, const CSyntaxStyle& s) { records.push_back(&s); });
        CSyntaxRichEditCtrl& control = app.GetView()->GetRichEditCtrl();
        control.SetSel(3, 7);

        app.GetMainWnd()->GetCommand(ID_TOOLS_SYNTAX_STYLES)->trigger();
        QVERIFY2(result == ending.result, ending.name);
        QVERIFY2(g_lastStyleName == ending.last, ending.name);
        long long start = -1;
        long long end = -1;
        control.GetSel(start, end);
        std::vector<const CSyntaxStyle*> after;
        theStyleMap.ForEach([&](CSyntaxStyleMap::WORD, const CSyntaxStyle& s) { after.push_back(&s); });
        if (ending.result == IDOK) {
            QVERIFY2(AttributesOf(theStyleMap) ==
                         DefaultsWith({{"Code Alpha", {RGB(1, 2, 3), 0, 0}}, {"Number", {0xA00000, 0, 0}}}),
                     ending.name);
            QVERIFY2(start == 0 && end == 0, ending.name);
        } else {
            QVERIFY2(AttributesOf(theStyleMap) == kDefaults, ending.name);
            QVERIFY2(after == records, ending.name);  // the same records: no copy was made
            QVERIFY2(start == 3 && end == 7, ending.name);  // not rendered again
        }
        QVERIFY2(chooser.answers.empty(), ending.name);
    }
}

void TestDialogs::preselection_data()
{
    QTest::addColumn<QString>("last");
    QTest::addColumn<QString>("selected");
    QTest::newRow("first opening") << "" << "Foreground";
    QTest::newRow("Code Alpha") << "Code Alpha" << "Code Alpha";
    QTest::newRow("Code stays on Code") << "Code" << "Code";
    QTest::newRow("other letter case") << "code NUMBER" << "Code Number";
    QTest::newRow("beginning of a name") << "Escape" << "Escape Character";
    QTest::newRow("no such style") << "Keyword" << "Foreground";
}

void TestDialogs::preselection()
{
    QFETCH(QString, last);
    QFETCH(QString, selected);
    g_lastStyleName = last.toStdString();
    StylesDialog shown;
    auto& [chooser, styles, dialog, d] = shown;
    QVERIFY(d.Open());
    QCOMPARE(d.Selected(), selected);
    QCOMPARE(d.list->currentItem()->text(), selected);
    QVERIFY(d.list->viewport()->rect().contains(d.list->visualItemRect(d.list->currentItem())));
    const Attributes a = kDefaults.at(selected);
    QCOMPARE(d.Shown(), (Attributes{0, a.bold, a.italic}));
    QCOMPARE(d.SampleProblem(a), QString());
    dialog.reject();
}

void TestDialogs::preselectionAcrossOpenings()
{
    // Each opening: the style expected at the start, and the one the user leaves on.
    const struct {
        const char* opens;
        const char* picks;
        bool ok;
    } openings[] = {{"Foreground", "Code Alpha", false}, {"Code Alpha", "Code", true}, {"Code", "Code", false}};
    std::size_t at = 0;
    QString opened;
    CGlosselApp& app = StartApp([&](Dialog& d) {
        opened = d.Selected();
        d.Click(QString::fromLatin1(openings[at].picks));
        QTest::mouseClick(openings[at].ok ? d.ok : d.cancel, Qt::LeftButton);
        return d.dialog->result();
    });
    for (at = 0; at < std::size(openings); ++at) {
        app.OnToolsSyntaxStyles();
        QCOMPARE(opened, QString::fromLatin1(openings[at].opens));
    }
}

void TestDialogs::sampleShowsTheSelectedStyle_data()
{
    QTest::addColumn<QString>("style");
    QTest::addColumn<bool>("edit");  // a new colour and both faces toggled
    QTest::addColumn<uint>("colour");
    QTest::addColumn<uint>("bold");
    QTest::addColumn<uint>("italic");
    QTest::newRow("Foreground") << "Foreground" << false << 0xA00000u << 0u << 0u;
    QTest::newRow("Comment, italic") << "Comment" << false << 0x800080u << 0u << 1u;
    QTest::newRow("Directive, black and bold") << "Directive" << false << 0x000000u << 1u << 0u;
    QTest::newRow("Assembly, italic") << "Assembly" << false << 0x00A0A0u << 0u << 1u;
    QTest::newRow("Code Alpha edited") << "Code Alpha" << true << RGB(0, 90, 200) << 1u << 1u;
    QTest::newRow("Comment edited") << "Comment" << true << RGB(180, 0, 0) << 1u << 0u;
}

void TestDialogs::sampleShowsTheSelectedStyle()
{
    QFETCH(QString, style);
    QFETCH(bool, edit);
    QFETCH(uint, colour);
    QFETCH(uint, bold);
    QFETCH(uint, italic);
    StylesDialog shown({colour});
    auto& [chooser, styles, dialog, d] = shown;
    QVERIFY(d.Open());
    d.Click(style);
    if (edit) {
        QTest::mouseClick(d.changeColour, Qt::LeftButton);
        Dialog::Click(d.bold);
        Dialog::Click(d.italic);
    }
    QCOMPARE(d.SampleProblem({colour, bold, italic}), QString());
    // On screen: the "S" is drawn in the style's colour, not greyed by the disabled control.
    QString why;
    const QImage image = d.sample->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    QVERIFY2(DrawnIn(image, d.sample->CharRect(1),
                     QColor(int(GetRValue(colour)), int(GetGValue(colour)), int(GetBValue(colour))), &why),
             qPrintable(why));
    // The sample is in the dialog's font.
    QCOMPARE(d.sample->font().family(), dialog.font().family());
    dialog.reject();
}

void TestDialogs::colourDialogStartsOnTheStylesColour_data()
{
    QTest::addColumn<uint>("initial");
    QTest::addColumn<bool>("accept");
    QTest::addColumn<uint>("pick");
    QTest::newRow("black, kept") << 0x000000u << true << 0x000000u;
    QTest::newRow("green, new colour") << 0x008000u << true << RGB(12, 34, 56);
    QTest::newRow("grey, cancelled") << 0x808080u << false << RGB(12, 34, 56);
}

void TestDialogs::colourDialogStartsOnTheStylesColour()
{
    QFETCH(uint, initial);
    QFETCH(bool, accept);
    QFETCH(uint, pick);
    // The real chooser, answered from inside its own event loop.
    QColor shownAtStart;
    QTimer answer;
    answer.setInterval(20);
    QObject::connect(&answer, &QTimer::timeout, [&] {
        QColorDialog* chooser = nullptr;
        for (QWidget* window : QApplication::topLevelWidgets())
            if (auto* shown = qobject_cast<QColorDialog*>(window); shown && shown->isVisible()) chooser = shown;
        if (!chooser) return;
        answer.stop();
        shownAtStart = chooser->currentColor();
        chooser->setCurrentColor(QColor(int(GetRValue(pick)), int(GetGValue(pick)), int(GetBValue(pick))));
        QColorDialog::setCustomColor(0, chooser->currentColor());  // as "Add to Custom Colors" does
        accept ? chooser->accept() : chooser->reject();
    });
    answer.start();
    COLORREF chosen = 0xFFFFFFFF;
    const bool picked = ChooseColourWithDialog(nullptr, initial, chosen);
    QCOMPARE(shownAtStart, QColor(int(GetRValue(initial)), int(GetGValue(initial)), int(GetBValue(initial))));
    QCOMPARE(picked, accept);
    QCOMPARE(chosen, accept ? COLORREF(pick) : 0xFFFFFFFFu);
    // Qt's chooser keeps its custom colours nowhere beside the program's settings.
    QVERIFY(!QFile::exists(m_settings.Root() + QStringLiteral("/QtProject.conf")));
}

void TestDialogs::goToLine_data()
{
    QTest::addColumn<QString>("typed");  // over the given line, which is selected
    QTest::addColumn<int>("key");        // that ends the dialog, or is refused
    QTest::addColumn<int>("result");
    QTest::addColumn<long long>("line");  // 0: no line

    QTest::newRow("a line, Enter") << "7000" << int(Qt::Key_Return) << int(QDialog::Accepted) << 7000LL;
    QTest::newRow("the last line") << "7123" << int(Qt::Key_Enter) << int(QDialog::Accepted) << 7123LL;
    QTest::newRow("past the last line: the last line") << "99999" << int(Qt::Key_Return) << int(QDialog::Accepted)
                                                       << 7123LL;
    QTest::newRow("past any size: the last line") << "123456789012345678901234567890" << int(Qt::Key_Return)
                                                  << int(QDialog::Accepted) << 7123LL;
    QTest::newRow("only digits can be typed") << "-1x2 3" << int(Qt::Key_Return) << int(QDialog::Accepted) << 123LL;
    QTest::newRow("0 is refused, the dialog stays") << "0" << int(Qt::Key_Return) << -1 << 0LL;
    QTest::newRow("no number is refused") << "\b" << int(Qt::Key_Return) << -1 << 0LL;
    QTest::newRow("Escape") << "9" << int(Qt::Key_Escape) << int(QDialog::Rejected) << 9LL;
}

void TestDialogs::goToLine()
{
    QFETCH(QString, typed);
    QFETCH(int, key);
    QFETCH(int, result);  // -1: still open
    QFETCH(long long, line);

    CGoToLineDlg dialog(7123, 15);
    auto* box = dialog.findChild<QLineEdit*>(QStringLiteral("IDC_LINE_NUMBER"));
    auto* prompt = dialog.findChild<QLabel*>(QStringLiteral("IDC_LINE_PROMPT"));
    auto* range = dialog.findChild<QLabel*>(QStringLiteral("IDC_LINE_RANGE"));
    QCOMPARE(prompt->text(), QStringLiteral("&Line number (1 - 7,123):"));
    QCOMPARE(prompt->buddy(), box);
    QVERIFY(!box->accessibleName().isEmpty());
    QCOMPARE(dialog.GetLine(), 15LL);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    QVERIFY(box->hasFocus());
    QCOMPARE(box->selectedText(), QStringLiteral("15"));
    QVERIFY(range->isHidden());
    QTest::keyClicks(box, typed);
    QTest::keyClick(box, static_cast<Qt::Key>(key));
    QCOMPARE(dialog.GetLine(), line);
    if (result >= 0) {
        QCOMPARE(dialog.result(), result);
        QVERIFY(dialog.isHidden());
        return;
    }
    // Refused: the range is said under the box, whose text is selected to be typed over.
    QVERIFY(dialog.isVisible());
    QVERIFY(range->isVisible());
    QCOMPARE(range->text(), QStringLiteral("Give a line from 1 to 7,123."));
    QVERIFY(box->hasFocus());
    QCOMPARE(box->selectedText(), box->text());
    QTest::keyClicks(box, QStringLiteral("12"));
    QTest::keyClick(box, Qt::Key_Return);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(dialog.GetLine(), 12LL);
}

QTEST_MAIN(TestDialogs)
#include "test_dialogs.moc"
