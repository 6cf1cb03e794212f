#include "SyntaxRichEditCtrl.h"

#include "BusyCursor.h"
#include "CaretMotion.h"
#include "FindSession.h"
#include "KeyTable.h"
#include "MessageBox.h"
#include "PagePrinter.h"
#include "RenderStream.h"
#include "RichEditAccessible.h"
#include "SelectionMimeData.h"

#include "syntax/RtfBuilder.h"
#include "syntax/SyntaxStyleMap.h"

#include <QClipboard>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QPointer>
#include <QPainter>
#include <QPrinter>

#include <algorithm>
#include <cmath>
#include <cstring>

CSyntaxRichEditCtrl::CSyntaxRichEditCtrl(QWidget* parent)
    : QAbstractScrollArea(parent), m_store(std::make_shared<CRichTextStore>()), m_scroller(m_layout, *viewport()),
      m_mouse(m_layout, m_scroller)
{
    m_store->Finish();
    m_layout.SetStore(m_store.get());
    CRichEditAccessible::Install();
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFrameShape(QFrame::NoFrame);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled, false);
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setAutoFillBackground(false);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);

    QFont font(QStringLiteral("Courier New"), 10);
    font.setStyleHint(QFont::Monospace);
    font.setFixedPitch(true);
    setFont(font);
    m_layout.SetFont(this->font());
}

CSyntaxRichEditCtrl::~CSyntaxRichEditCtrl() = default;

bool CSyntaxRichEditCtrl::Create(std::uint32_t style, const QRect& rect, QWidget* parent, int id)
{
    if (parent != parentWidget()) setParent(parent);
    setGeometry(rect);
    setObjectName(QString::number(id));
    if (style & WS_BORDER) {
        setFrameShape(QFrame::StyledPanel);
        setFrameShadow(QFrame::Sunken);
    } else {
        setFrameShape(QFrame::NoFrame);
    }
    setEnabled(!(style & WS_DISABLED));
    // The create handler's options: the selection stays shown while unfocused.
    SetOptions(ECO_NOHIDESEL);
    setVisible((style & WS_VISIBLE) != 0);
    return true;
}

std::uint32_t CSyntaxRichEditCtrl::SetOptions(std::uint32_t options)
{
    m_keepSelectionShown = (options & ECO_NOHIDESEL) != 0;
    viewport()->update();
    return GetOptions();
}

std::uint32_t CSyntaxRichEditCtrl::GetOptions() const { return m_keepSelectionShown ? ECO_NOHIDESEL : 0u; }

// ---------------------------------------------------------------------------------------
// Content

void CSyntaxRichEditCtrl::RenderSource(const std::string& text) { RenderSource(text, theStyleMap); }

void CSyntaxRichEditCtrl::RenderSource(const std::string& text, const CSyntaxStyleMap& styles)
{
    m_lastRenderFailed = false;
    RenderStatus& status = m_lastRenderStatus;
    // The document is built on a thread of its own while the stream-in reads it into a
    // store, which is shown only once it is whole and the long-line message has been seen.
    std::shared_ptr<CRichTextStore> store;
    EDITSTREAM stream;
    {
        CRenderStream document(text, styles);
        std::uint64_t bytes = 0;
        std::uint64_t lines = 0;
        CStreamLoader::ExpectedSize(text, text.size(), bytes, lines);
        stream = document.Stream();
        store = CStreamLoader::Load(SF_RTF, stream, m_textByteLimit, bytes, lines);
        status = document.Finish();
    }
    CStreamLoader::GiveBackMemory();
    if (status == RenderStatus::OutOfMemory || !store || stream.dwError != 0) {
        // Nothing to show: the control keeps what it showed (content, selection and view),
        // as a failed open keeps the previous file.
        m_lastRenderFailed = true;
        status = RenderStatus::OutOfMemory;
        return;
    }
    if (status == RenderStatus::LongLine) {
        const QPointer<CSyntaxRichEditCtrl> self = this;
        {
            // The box shows the normal pointer, even in the middle of a long open.
            const CBusyCursor::CPause pause;
            GlosselMessageBox(this, QString::fromStdString(LongLineMessage()), QString::fromLatin1(LONG_LINE_CAPTION),
                              MB_OK | MB_ICONEXCLAMATION);
        }
        if (!self) return;  // the window went away while the message was up
    }
    ReplaceStore(std::move(store));
    SetSel(0, 0);
}

long CSyntaxRichEditCtrl::StreamIn(int format, EDITSTREAM& stream)
{
    const int kind = format & 0x000F;
    if (!stream.pfnCallback || (kind != SF_RTF && kind != SF_TEXT)) {
        stream.dwError = STREAM_ERROR_FAILED;
        return 0;
    }
    std::shared_ptr<CRichTextStore> store =
        CStreamLoader::Load(format, stream, m_textByteLimit, 0, 0);
    if (!store) {
        m_lastRenderFailed = true;
        return 0;
    }
    ReplaceStore(std::move(store));
    return static_cast<long>(m_store->Length());
}

void CSyntaxRichEditCtrl::SetWindowText(const QString& text) { ReplaceStore(CStreamLoader::FromText(text)); }

void CSyntaxRichEditCtrl::ReplaceStore(std::shared_ptr<CRichTextStore> store)
{
    m_store = std::move(store);
    m_layout.SetStore(m_store.get());
    m_highlights.Clear();
    m_marks.Clear();
    m_selection.Reset();
    m_scroller.Reset();
    m_centreRow.reset();
    m_textShownPending = true;
    m_mouse.Stop();
    m_autoScrollTimer.stop();
    viewport()->update();
    CRichEditAccessible::NotifyTextReplaced(this);
    CRichEditAccessible::NotifyCaret(this, 0, 0);
    emit textReplaced();
    emit selectionChanged();
}

bool CSyntaxRichEditCtrl::SetSelectionCharFormat(const CHARFORMAT& format)
{
    if (format.cbSize != 60) return false;  // the size of the format structure the control knows
    const std::uint64_t from = m_selection.From();
    const std::uint64_t to = m_selection.To();
    if (from == to) return true;
    unsigned mask = 0;
    if (format.dwMask & CFM_COLOR) mask |= CRichTextStore::APPLY_COLOUR;
    if (format.dwMask & CFM_BOLD) mask |= CRichTextStore::APPLY_BOLD;
    if (format.dwMask & CFM_ITALIC) mask |= CRichTextStore::APPLY_ITALIC;
    if (mask == 0) return true;
    // A copied selection may still hold the store; it keeps the text it was given.
    if (m_store.use_count() > 1) m_store = std::make_shared<CRichTextStore>(*m_store);
    m_store->ApplyFormat(from, to, mask,
                         CCharFormat{format.crTextColor & 0xFFFFFFu, (format.dwEffects & CFE_BOLD) != 0,
                                     (format.dwEffects & CFE_ITALIC) != 0});
    m_layout.SetStore(m_store.get());
    viewport()->update();
    return true;
}

long long CSyntaxRichEditCtrl::GetTextLength() const { return static_cast<long long>(m_store->Length()); }

Location CSyntaxRichEditCtrl::LocationAt(long long pos) const
{
    const std::uint64_t byte = m_store->ByteOfUnit(static_cast<std::uint64_t>(std::max(0LL, pos)));
    const std::size_t line = m_store->LineOfByte(byte);
    return Location{line, byte - m_store->LineStart(line)};
}

long long CSyntaxRichEditCtrl::PosOf(const Location& at) const
{
    const std::size_t line = static_cast<std::size_t>(std::min<std::uint64_t>(at.line, m_store->LineCount() - 1));
    const std::uint64_t start = m_store->LineStart(line);
    return PosOfByte(start + std::min(at.column, m_store->LineEnd(line) - start));
}

long long CSyntaxRichEditCtrl::PosOfByte(std::uint64_t offset) const
{
    return static_cast<long long>(m_store->UnitOfByte(std::min(offset, m_store->ByteLength())));
}

long long CSyntaxRichEditCtrl::RowOf(long long pos) const
{
    return static_cast<long long>(m_store->RowOfUnit(static_cast<std::uint64_t>(std::max(0LL, pos))));
}

void CSyntaxRichEditCtrl::GetRowRange(long long row, long long& from, long long& to) const
{
    const auto at = static_cast<std::size_t>(std::clamp<long long>(row, 0, GetRowCount() - 1));
    from = static_cast<long long>(m_store->RowStart(at));
    to = static_cast<long long>(m_store->RowEnd(at));
}

void CSyntaxRichEditCtrl::ResetFind(CFindSession& session) const { session.Reset(*m_store); }

QString CSyntaxRichEditCtrl::GetText(long long from, long long to) const
{
    if (from < 0) from = 0;
    if (to < from) return QString();
    return PlainTextOf(*m_store, static_cast<std::uint64_t>(from), static_cast<std::uint64_t>(to));
}

QString CSyntaxRichEditCtrl::GetSelText() const { return PlainTextOf(*m_store, m_selection.From(), m_selection.To()); }

void CSyntaxRichEditCtrl::SetHighlights(std::vector<CTextHighlight> highlights)
{
    m_highlights.Set(std::move(highlights));
    viewport()->update();
}

void CSyntaxRichEditCtrl::SetMarks(std::vector<CMarkedRun> runs, const QColor& tint, const QColor& bar)
{
    m_marks.Set(std::move(runs), tint, bar);
    viewport()->update();
}

void CSyntaxRichEditCtrl::SetHighlightSource(HighlightSource source)
{
    m_highlights.SetSource(std::move(source));
    viewport()->update();
}

// ---------------------------------------------------------------------------------------
// Selection

void CSyntaxRichEditCtrl::SetSel(long long start, long long end)
{
    const std::uint64_t length = m_store->Length();
    auto clamp = [length](long long v) {
        return v < 0 ? length : std::min(static_cast<std::uint64_t>(v), length);
    };
    if (start == 0 && end == -1) {
        SetSelection(0, length);
    } else if (start < 0) {
        SetSelection(m_selection.Caret(), m_selection.Caret());  // deselects, the caret staying where it is
    } else {
        SetSelection(clamp(start), clamp(end));
    }
    m_selection.ForgetGoalX();
    EnsureCaretVisible();
    if (hasFocus()) RestartBlink();
}

void CSyntaxRichEditCtrl::GetSel(long long& start, long long& end) const
{
    start = static_cast<long long>(m_selection.From());
    end = static_cast<long long>(m_selection.To());
}

void CSyntaxRichEditCtrl::SetSelection(std::uint64_t anchor, std::uint64_t caret)
{
    // Any other placing of the caret lets go of the row GoToLine kept in the middle.
    m_centreRow.reset();
    if (!m_selection.Set(anchor, caret, m_store->Length())) return;
    viewport()->update();
    CRichEditAccessible::NotifyCaret(this, m_selection.Anchor(), m_selection.Caret());
    emit selectionChanged();
}

void CSyntaxRichEditCtrl::PlaceCaret(std::uint64_t anchor, std::uint64_t caret, bool keepGoalX)
{
    SetSelection(anchor, caret);
    if (!keepGoalX) m_selection.ForgetGoalX();
    EnsureCaretVisible();
    RestartBlink();
}

void CSyntaxRichEditCtrl::SelectAll()
{
    SetSel(0, -1);
    SelectionChangedByUser();
}

void CSyntaxRichEditCtrl::SelectionChangedByUser()
{
    // X11 keeps the last selection made by the user in PRIMARY, for middle-click pasting.
    CSelectionMimeData::Offer(m_store, m_selection.From(), m_selection.To(), font(), QClipboard::Selection);
}

void CSyntaxRichEditCtrl::Copy()
{
    CSelectionMimeData::Offer(m_store, m_selection.From(), m_selection.To(), font(), QClipboard::Clipboard);
}

// ---------------------------------------------------------------------------------------
// Scrolling

void CSyntaxRichEditCtrl::EnsureCaretVisible()
{
    if (m_scroller.ShowPos(m_selection.Caret())) viewport()->update();
}

void CSyntaxRichEditCtrl::ScrollToPos(long long pos)
{
    if (m_scroller.ShowPos(std::min(static_cast<std::uint64_t>(std::max(0LL, pos)), m_store->Length())))
        viewport()->update();
}

void CSyntaxRichEditCtrl::LineScroll(long long lines)
{
    m_centreRow.reset();
    if (m_scroller.ScrollBy(lines)) viewport()->update();
}

void CSyntaxRichEditCtrl::GoToLine(long long line)
{
    const std::size_t last = m_store->RowCount() - 1;
    GoToPos(static_cast<long long>(
        m_store->RowStart(static_cast<std::size_t>(std::clamp<long long>(line, 0, static_cast<long long>(last))))));
}

void CSyntaxRichEditCtrl::GoToPos(long long pos)
{
    const std::uint64_t at = std::min(static_cast<std::uint64_t>(std::max(0LL, pos)), m_store->Length());
    SetSelection(at, at);
    m_selection.ForgetGoalX();
    m_centreRow = m_store->RowOfUnit(at);
    bool moved = m_scroller.CentreRow(*m_centreRow);
    moved |= m_scroller.ShowPos(at);  // sideways, for a position far along its row
    if (moved) viewport()->update();
    if (hasFocus()) RestartBlink();
}

long long CSyntaxRichEditCtrl::GetCaretLine() const
{
    return static_cast<long long>(m_store->RowOfUnit(m_selection.Caret()));
}

long long CSyntaxRichEditCtrl::GetCaretColumn() const
{
    return static_cast<long long>(m_store->ColumnOf(m_selection.Caret()));
}

QRect CSyntaxRichEditCtrl::CharRect(long long pos) const
{
    return pos < 0 ? QRect() : m_scroller.CharRect(static_cast<std::uint64_t>(pos));
}

long long CSyntaxRichEditCtrl::CharFromPos(const QPoint& point) const
{
    return static_cast<long long>(m_scroller.PosAtPoint(point));
}

// ---------------------------------------------------------------------------------------
// Painting

void CSyntaxRichEditCtrl::paintEvent(QPaintEvent* e)
{
    QPainter painter(viewport());
    const QRect area = e->rect();
    // The default styles assume a light ground, whatever the desktop's theme.
    painter.fillRect(area, Qt::white);
    painter.setPen(Qt::black);
    painter.setFont(m_layout.Font());

    CRowPainter rows(painter, *m_store);
    const bool showSelection =
        isEnabled() && m_selection.HasSelection() && (hasFocus() || m_keepSelectionShown);
    if (showSelection)
        rows.SetSelection(m_selection.From(), m_selection.To(), palette().color(QPalette::Highlight),
                          palette().color(QPalette::HighlightedText));
    const std::size_t firstRow = m_scroller.TopRow();
    const std::size_t lastRow = std::min(m_store->RowCount(), firstRow + m_scroller.FullRowsVisible() + 1) - 1;
    const std::vector<CTextHighlight>& highlights = m_highlights.ForPaint(*m_store, firstRow, lastRow);
    const bool marks = !m_marks.IsEmpty() && m_store->RowCount() > 0;
    if (marks) {
        // The marks under everything else: whole rows across the view, then the characters.
        m_marks.PaintRows(painter, m_scroller, m_layout.LineHeight(), firstRow, lastRow, viewport()->width(),
                          m_marks.Tint());
        m_paintHighlights.clear();
        m_marks.HighlightsIn(m_store->RowStart(firstRow), m_store->RowEnd(lastRow) + 1, m_paintHighlights);
        m_paintHighlights.insert(m_paintHighlights.end(), highlights.begin(), highlights.end());
    }
    rows.SetHighlights(marks ? &m_paintHighlights : &highlights);
    const std::uint64_t caret = m_selection.Caret();
    const bool showCaret = isEnabled() && hasFocus() && m_blink.IsOn();
    rows.PaintRows(m_layout, m_scroller, area, showCaret ? &caret : nullptr);
    if (marks)
        // The bar in the left margin, over any text scrolled under it.
        m_marks.PaintRows(painter, m_scroller, m_layout.LineHeight(), firstRow, lastRow, CRowScroller::LEFT_MARGIN,
                          m_marks.Bar());
    if (m_textShownPending) {
        m_textShownPending = false;
        emit textShown();
    }
}

void CSyntaxRichEditCtrl::UpdateCaret()
{
    if (m_store->RowCount() == 0) return;
    const QRect r = CharRect(static_cast<long long>(m_selection.Caret()));
    viewport()->update(QRect(r.left() - 2, r.top(), 5, r.height()));
}

void CSyntaxRichEditCtrl::RestartBlink()
{
    m_blink.Restart(*this, hasFocus());
    UpdateCaret();
}

// ---------------------------------------------------------------------------------------
// Keys

bool CSyntaxRichEditCtrl::event(QEvent* e)
{
    if (e->type() == QEvent::ShortcutOverride) {
        // Keys the control claims are not taken by shortcuts of its window.
        const CKeyBinding* binding = CKeyTable::Find(static_cast<QKeyEvent*>(e));
        if (binding && binding->claims) {
            e->accept();
            return true;
        }
    }
    return QAbstractScrollArea::event(e);
}

void CSyntaxRichEditCtrl::keyPressEvent(QKeyEvent* e)
{
    const CKeyBinding* binding = CKeyTable::Find(e);
    if (!binding) {
        // Read-only: typing changes nothing; Tab and the rest go to the window.
        e->ignore();
        return;
    }
    switch (binding->action) {
    case EditAction::Copy:
        Copy();
        break;
    case EditAction::SelectAll:
        SelectAll();
        break;
    case EditAction::ScrollRowDown:
    case EditAction::ScrollRowUp:
        m_centreRow.reset();
        if (m_scroller.ScrollBy(binding->action == EditAction::ScrollRowDown ? 1 : -1)) viewport()->update();
        break;
    case EditAction::ZoomIn:
        ZoomIn();
        break;
    case EditAction::ZoomOut:
        ZoomOut();
        break;
    case EditAction::ZoomReset:
        SetZoom(CTextZoom::DEFAULT_POINTS);
        break;
    default: {
        const CCaretMotion::Result move =
            CCaretMotion(m_layout, m_scroller).Target(binding->action, binding->extend, m_selection);
        if (move.scrolled) viewport()->update();
        PlaceCaret(binding->extend ? m_selection.Anchor() : move.pos, move.pos, move.keepGoalX);
        // A selection made with the keys goes to PRIMARY as the mouse's does.
        if (binding->extend) SelectionChangedByUser();
        break;
    }
    }
    e->accept();
}

// ---------------------------------------------------------------------------------------
// Focus, size, font and timers

void CSyntaxRichEditCtrl::focusInEvent(QFocusEvent* e)
{
    QAbstractScrollArea::focusInEvent(e);
    RestartBlink();
    viewport()->update();
}

void CSyntaxRichEditCtrl::focusOutEvent(QFocusEvent* e)
{
    QAbstractScrollArea::focusOutEvent(e);
    m_blink.Stop();
    viewport()->update();
}

void CSyntaxRichEditCtrl::resizeEvent(QResizeEvent* e)
{
    QAbstractScrollArea::resizeEvent(e);
    m_layout.SetCacheRows(3 * std::max(1, viewport()->height() / m_layout.LineHeight()));
    if (m_centreRow) {
        m_scroller.CentreRow(*m_centreRow);
        m_scroller.ShowPos(m_selection.Caret());
        viewport()->update();
    } else if (m_scroller.ScrollBy(0)) {
        viewport()->update();  // a taller view may show the end sooner
    }
}

void CSyntaxRichEditCtrl::ZoomChanged()
{
    const std::size_t top = m_scroller.TopRow();
    const std::size_t caretRow = m_store->RowOfUnit(m_selection.Caret());
    const bool caretShown = caretRow >= top && caretRow < top + m_scroller.FullRowsVisible();
    const qreal oldWidth = m_layout.CharWidth();
    m_layout.SetFont(m_zoom.Apply(font()));
    m_layout.SetCacheRows(3 * std::max(1, viewport()->height() / m_layout.LineHeight()));
    m_scroller.ScrollTo(static_cast<long long>(top),
                        std::lround(m_scroller.ScrollX() * m_layout.CharWidth() / oldWidth));
    if (m_centreRow)
        m_scroller.CentreRow(*m_centreRow);
    else if (caretShown)
        m_scroller.ShowPos(m_selection.Caret());  // a caret in view stays in view
    viewport()->update();
    emit zoomChanged(GetZoom());
}

void CSyntaxRichEditCtrl::changeEvent(QEvent* e)
{
    QAbstractScrollArea::changeEvent(e);
    switch (e->type()) {
    case QEvent::FontChange:
        m_layout.SetFont(m_zoom.Apply(font()));
        viewport()->update();
        break;
    case QEvent::EnabledChange:
        viewport()->setCursor(isEnabled() ? Qt::IBeamCursor : Qt::ArrowCursor);
        viewport()->update();
        break;
    case QEvent::PaletteChange:
    case QEvent::ActivationChange:
        viewport()->update();
        break;
    default:
        break;
    }
}

void CSyntaxRichEditCtrl::timerEvent(QTimerEvent* e)
{
    if (m_blink.Tick(e->timerId())) {
        UpdateCaret();
    } else if (e->timerId() == m_autoScrollTimer.timerId()) {
        if (!PlaceMouseSelection(m_mouse.Repeat(m_selection))) m_autoScrollTimer.stop();
    } else {
        QAbstractScrollArea::timerEvent(e);
    }
}

// ---------------------------------------------------------------------------------------
// Printing

void CSyntaxRichEditCtrl::Print(QPrinter& printer) { CPagePrinter::Print(*m_store, font(), printer); }
