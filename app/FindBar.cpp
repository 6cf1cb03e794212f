#include "FindBar.h"

#include "view/NumberText.h"
#include "view/SyntaxRichEditCtrl.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QShortcut>
#include <QStyle>
#include <QToolButton>

const QColor CFindBar::MATCH_BACKGROUND = QColor(0xFF, 0xE8, 0x80);

namespace {

std::u16string ToUtf16(const QString& text)
{
    return std::u16string(reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size()));
}

QToolButton* MakeButton(QWidget* parent, const char* objectName, const QString& text, const QString& tip,
                        QStyle::StandardPixmap icon)
{
    auto* button = new QToolButton(parent);
    button->setObjectName(QString::fromLatin1(objectName));
    button->setText(text);
    button->setToolTip(tip);
    button->setAccessibleName(tip);
    button->setIcon(parent->style()->standardIcon(icon));
    button->setAutoRaise(true);
    // Reached with Tab as the other controls of the bar are.
    button->setFocusPolicy(Qt::StrongFocus);
    return button;
}

}  // namespace

CFindBar::CFindBar(CSyntaxRichEditCtrl& control, QWidget* parent) : QToolBar(tr("Find"), parent), m_control(control)
{
    setObjectName(QStringLiteral("FindBar"));
    setAccessibleName(tr("Find bar"));
    setMovable(false);
    setFloatable(false);
    setAllowedAreas(Qt::BottomToolBarArea);
    // Not one of the bars the user turns on and off by the window's context menu.
    toggleViewAction()->setVisible(false);

    auto* label = new QLabel(tr("Fi&nd:"), this);
    m_edit = new QLineEdit(this);
    m_edit->setObjectName(QStringLiteral("FindText"));
    m_edit->setAccessibleName(tr("Text to find"));
    m_edit->setClearButtonEnabled(true);
    m_edit->setMinimumWidth(m_edit->fontMetrics().averageCharWidth() * 32);
    label->setBuddy(m_edit);
    m_edit->installEventFilter(this);

    m_previous = MakeButton(this, "FindPrevious", tr("Previous"), tr("Find Previous (Shift+F3)"),
                            QStyle::SP_ArrowUp);
    m_next = MakeButton(this, "FindNext", tr("Next"), tr("Find Next (F3)"), QStyle::SP_ArrowDown);
    m_matchCase = new QCheckBox(tr("Match &case"), this);
    m_matchCase->setObjectName(QStringLiteral("MatchCase"));
    m_wholeWords = new QCheckBox(tr("&Whole words"), this);
    m_wholeWords->setObjectName(QStringLiteral("WholeWords"));
    m_count = new QLabel(this);
    m_count->setObjectName(QStringLiteral("FindCount"));
    m_count->setAccessibleName(tr("Matches"));
    m_count->setMinimumWidth(m_count->fontMetrics().horizontalAdvance(QStringLiteral("888,888 of 8,888,888")));
    auto* spacer = new QWidget(this);
    spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    m_close = MakeButton(this, "FindClose", tr("Close"), tr("Close the find bar (Escape)"),
                         QStyle::SP_TitleBarCloseButton);

    for (QWidget* w : std::initializer_list<QWidget*>{label, m_edit, m_previous, m_next, m_matchCase, m_wholeWords,
                                                      m_count, spacer, m_close})
        addWidget(w);
    // Tab goes through the bar in the order it is seen.
    setTabOrder(m_edit, m_previous);
    setTabOrder(m_previous, m_next);
    setTabOrder(m_next, m_matchCase);
    setTabOrder(m_matchCase, m_wholeWords);
    setTabOrder(m_wholeWords, m_close);

    // Alt+C and Alt+W toggle their option and leave the focus where it is (in the text
    // box, mostly), so that the next keys typed still reach it.
    m_matchCase->installEventFilter(this);
    m_wholeWords->installEventFilter(this);

    connect(m_edit, &QLineEdit::textChanged, this, &CFindBar::SearchAsYouType);
    connect(m_matchCase, &QCheckBox::toggled, this, &CFindBar::SearchAsYouType);
    connect(m_wholeWords, &QCheckBox::toggled, this, &CFindBar::SearchAsYouType);
    connect(m_next, &QToolButton::clicked, this, &CFindBar::FindNext);
    connect(m_previous, &QToolButton::clicked, this, &CFindBar::FindPrevious);
    connect(m_close, &QToolButton::clicked, this, &CFindBar::Close);
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this, this, &CFindBar::Close);
    escape->setContext(Qt::WidgetWithChildrenShortcut);

    m_countTimer.setInterval(0);
    connect(&m_countTimer, &QTimer::timeout, this, &CFindBar::CountSome);
    connect(&m_control, &CSyntaxRichEditCtrl::textReplaced, this, &CFindBar::TextReplaced);
    connect(&m_control, &CSyntaxRichEditCtrl::selectionChanged, this, &CFindBar::SelectionChanged);
    m_control.ResetFind(m_session);
    hide();
}

CFindBar::Seed CFindBar::SeedText() const
{
    long long from, to;
    m_control.GetSel(from, to);
    // The selection, when it lies within one row (a whole text selected is not read).
    if (from < to) {
        if (m_control.RowOf(from) != m_control.RowOf(to)) return Seed{};
        return Seed{m_control.GetSelText(), static_cast<std::uint64_t>(from)};
    }
    // Else the word the caret is in, or at the end of.
    const long long caret = m_control.GetCaretPos();
    long long rowStart, rowEnd;
    m_control.GetRowRange(m_control.RowOf(caret), rowStart, rowEnd);
    const QString text = m_control.GetText(rowStart, rowEnd);
    auto isWord = [&](qsizetype i) {
        return i >= 0 && i < text.size() && (CTextSearch::IsWordCharacter(text[i].unicode()) || text[i].isSurrogate());
    };
    qsizetype start = caret - rowStart;
    qsizetype end = start;
    while (isWord(start - 1)) --start;
    while (isWord(end)) ++end;
    return Seed{text.mid(start, end - start), static_cast<std::uint64_t>(rowStart + start)};
}

void CFindBar::Open()
{
    // Ctrl+F in the bar's own text box: its text, selected to be typed over.
    if (isVisible() && m_edit->hasFocus()) {
        m_edit->selectAll();
        return;
    }
    const bool wasHidden = isHidden();
    const Seed seed = SeedText();
    show();
    UpdateHighlightSource();
    if (!seed.text.isEmpty()) {
        // The search as you type starts where the seed is, so that it finds the seed itself.
        m_origin = seed.start;
        if (seed.text != m_edit->text())
            m_edit->setText(seed.text);
        else
            SearchAsYouType();
    } else if (wasHidden) {
        long long from, to;
        m_control.GetSel(from, to);
        m_origin = static_cast<std::uint64_t>(from);
        SearchAsYouType();
    }
    m_edit->selectAll();
    m_edit->setFocus(Qt::ShortcutFocusReason);
}

void CFindBar::Close()
{
    m_countTimer.stop();
    hide();
    UpdateHighlightSource();
    m_control.setFocus(Qt::OtherFocusReason);
}

void CFindBar::UpdateHighlightSource()
{
    if (isHidden()) {
        m_control.SetHighlightSource({});
        return;
    }
    m_control.SetHighlightSource([this](std::uint64_t from, std::uint64_t to, std::vector<CTextHighlight>& out) {
        std::vector<CTextSearch::Match> matches;
        m_session.Search().MatchesIn(from, to, matches);
        for (const CTextSearch::Match& m : matches) out.push_back(CTextHighlight{m.from, m.to, MATCH_BACKGROUND, {}});
    });
}

void CFindBar::SearchAsYouType()
{
    m_session.SetPattern(ToUtf16(m_edit->text()), m_matchCase->isChecked(), m_wholeWords->isChecked());
    // A closed bar searches nothing; Find Next will, from the caret.
    if (isHidden()) return;
    StartCount();
    m_control.viewport()->update();
    if (m_edit->text().isEmpty()) {
        SetNotFound(false);
        Select(m_origin, m_origin);
        return;
    }
    const std::optional<CFindSession::Found> found = m_session.Find(m_origin, true);
    SayWrapped(false, true);
    SetNotFound(!found);
    if (found)
        ShowFound(found->match);
    else
        Select(m_origin, m_origin);
}

void CFindBar::FindAgain(bool forward)
{
    if (m_edit->text().isEmpty()) {
        Open();
        return;
    }
    if (isHidden()) {
        // F3 with the bar closed: it comes back with its text, the focus staying put.
        show();
        UpdateHighlightSource();
        StartCount();
    }
    long long from, to;
    m_control.GetSel(from, to);
    const std::optional<CFindSession::Found> found =
        m_session.Find(static_cast<std::uint64_t>(forward ? to : from), forward);
    SetNotFound(!found);
    SayWrapped(found && found->wrapped, forward);
    if (!found) {
        UpdateCount();
        return;
    }
    m_origin = found->match.from;
    ShowFound(found->match);
}

void CFindBar::SayWrapped(bool wrapped, bool forward)
{
    if (wrapped) {
        emit message(forward ? tr("Find went past the end of the text and continued from the start")
                             : tr("Find went past the start of the text and continued from the end"));
    } else if (m_saidWrapped) {
        emit message(QString());  // a search that did not go round: the word no longer holds
    }
    m_saidWrapped = wrapped;
}

void CFindBar::ShowFound(const CTextSearch::Match& match) { Select(match.from, match.to); }

void CFindBar::Select(std::uint64_t from, std::uint64_t to)
{
    m_selecting = true;
    m_control.SetSel(static_cast<long long>(from), static_cast<long long>(to));
    m_selecting = false;
    UpdateCount();
}

void CFindBar::SelectionChanged()
{
    // The user put the caret elsewhere: the next search as you type starts there.
    if (!m_selecting) {
        long long from, to;
        m_control.GetSel(from, to);
        m_origin = static_cast<std::uint64_t>(from);
    }
    UpdateCount();
}

void CFindBar::TextReplaced()
{
    m_control.ResetFind(m_session);
    m_origin = 0;
    if (isHidden()) return;
    StartCount();
    SetNotFound(!m_edit->text().isEmpty() && !m_session.Find(0, true));
    UpdateCount();
}

void CFindBar::StartCount()
{
    if (m_session.IsCounted())
        m_countTimer.stop();
    else
        m_countTimer.start();
}

void CFindBar::CountSome()
{
    if (isHidden() || !m_session.CountStep()) m_countTimer.stop();
    UpdateCount();
}

QString CFindBar::CountText() const { return m_count->text(); }

void CFindBar::UpdateCount()
{
    if (isHidden()) return;
    QString text;
    if (m_edit->text().isEmpty()) {
        text.clear();
    } else if (m_notFound || (m_session.IsCounted() && m_session.Count() == 0)) {
        text = tr("Not found");
    } else {
        // The current match: the selection, when it is one.
        long long from, to;
        m_control.GetSel(from, to);
        std::optional<std::uint64_t> index;
        const CTextSearch::Match selection{static_cast<std::uint64_t>(from), static_cast<std::uint64_t>(to)};
        // Only the selection itself is looked at: the caret may move often, over a big text.
        const bool current = m_session.Search().IsMatch(selection);
        if (current) index = m_session.IndexOf(selection);
        const QString total = m_session.IsCounted() ? GroupedNumber(m_session.Count()) : QStringLiteral("…");
        if (current)
            text = tr("%1 of %2").arg(index ? GroupedNumber(*index) : QStringLiteral("…"), total);
        else if (m_session.IsCounted())
            text = m_session.Count() == 1 ? tr("1 match") : tr("%1 matches").arg(total);
        else
            text = QStringLiteral("…");
    }
    m_count->setText(text);
}

void CFindBar::SetNotFound(bool notFound)
{
    m_notFound = notFound;
    // The text box turns pink while its text is nowhere to be found.
    m_edit->setStyleSheet(notFound ? QStringLiteral("QLineEdit { background: #ffd0d0; }") : QString());
}

bool CFindBar::eventFilter(QObject* watched, QEvent* event)
{
    if ((watched == m_matchCase || watched == m_wholeWords) && event->type() == QEvent::Shortcut) {
        static_cast<QCheckBox*>(watched)->toggle();
        return true;
    }
    if (watched == m_edit && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            if (key->modifiers() & Qt::ShiftModifier)
                FindPrevious();
            else
                FindNext();
            return true;
        }
    }
    return QToolBar::eventFilter(watched, event);
}
