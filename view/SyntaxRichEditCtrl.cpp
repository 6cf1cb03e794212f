#include "SyntaxRichEditCtrl.h"

#include "MessageBox.h"
#include "RichEditAccessible.h"
#include "RtfReader.h"
#include "SelectionMimeData.h"

#include "syntax/RtfBuilder.h"
#include "syntax/SyntaxStyleMap.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPageLayout>
#include <QPainter>
#include <QPrinter>
#include <QStyleHints>
#include <QTextLine>
#include <QWheelEvent>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <new>

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace {

constexpr int kLeftMargin = 3;  // pixels between the control's left edge and column 0
constexpr int kTopMargin = 1;
constexpr int kTabColumns = 8;
constexpr qreal kNoWrapWidth = 1e7;
constexpr long kStreamBuffer = 64 * 1024;
constexpr int kAutoScrollInterval = 40;  // ms between steps while a drag is outside

// Control characters have no glyph; they are drawn as small boxes with their code.
inline bool IsPlaceholder(char16_t c) { return (c < 0x20 && c != u'\t') || (c >= 0x7F && c <= 0x9F); }

// Character classes for moving and selecting by words.
int WordClass(QChar c)
{
    if (c.isSpace()) return 0;
    if (c.isLetterOrNumber() || c.isMark() || c == QLatin1Char('_') || c.isSurrogate()) return 1;
    return 2;
}

QString RowString(const CRichTextStore& store, std::size_t row)
{
    std::u16string units;
    std::vector<CRichTextStore::Span> spans;
    store.DecodeRow(row, units, spans);
    return QString(reinterpret_cast<const QChar*>(units.data()), static_cast<qsizetype>(units.size()));
}

QColor ToColor(COLORREF c) { return QColor(GetRValue(c), GetGValue(c), GetBValue(c)); }

// Reads plain text into a store: CR LF, CR and LF each end a line.
class CPlainTextReader {
public:
    explicit CPlainTextReader(CRichTextStore& store) : m_store(store) { m_store.Clear(); }
    void Feed(const char* data, std::size_t n)
    {
        std::size_t start = 0;
        for (std::size_t i = 0; i < n; ++i) {
            const char c = data[i];
            if (c != '\r' && c != '\n') {
                m_pendingCr = false;
                continue;
            }
            m_store.AppendText(data + start, i - start, 0);
            start = i + 1;
            if (c == '\n' && m_pendingCr) {
                m_pendingCr = false;  // the LF of a CR LF pair
                continue;
            }
            m_store.AppendParagraph(0);
            m_pendingCr = c == '\r';
        }
        m_store.AppendText(data + start, n - start, 0);
    }

private:
    CRichTextStore& m_store;
    bool m_pendingCr = false;
};

}  // namespace

CSyntaxRichEditCtrl::CSyntaxRichEditCtrl(QWidget* parent)
    : QAbstractScrollArea(parent), m_store(std::make_shared<CRichTextStore>())
{
    m_store->Finish();
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
    m_layouts.setMaxCost(512);
    UpdateMetrics();
}

CSyntaxRichEditCtrl::~CSyntaxRichEditCtrl() = default;

bool CSyntaxRichEditCtrl::Create(std::uint32_t style, const QRect& rect, QWidget* parent, int id)
{
    m_style = style;
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
    // The create handler's options: read-only, selection kept and shown while unfocused.
    SetOptions(ECO_AUTOHSCROLL | ECO_NOHIDESEL | ECO_READONLY | ECO_WANTRETURN | ECO_SAVESEL |
               ((style & ES_AUTOVSCROLL) ? ECO_AUTOVSCROLL : 0u));
    setVisible((style & WS_VISIBLE) != 0);
    return true;
}

std::uint32_t CSyntaxRichEditCtrl::SetOptions(std::uint32_t options)
{
    m_options = options | ECO_READONLY;  // the control never edits
    viewport()->update();
    return m_options;
}

std::uint32_t CSyntaxRichEditCtrl::GetOptions() const { return m_options; }

// ---------------------------------------------------------------------------------------
// Content

void CSyntaxRichEditCtrl::RenderSource(const std::string& text) { RenderSource(text, theStyleMap); }

void CSyntaxRichEditCtrl::RenderSource(const std::string& text, const CSyntaxStyleMap& styles)
{
    m_lastRenderFailed = false;
    CRtfOutput output;
    RenderStatus status;
    {
        CRtfBuilder builder;
        status = builder.BuildDocument(text.data(), text.size(), styles, output);
    }
    if (status == RenderStatus::OutOfMemory) {
        // Nothing to show: the control keeps what it showed, as a failed open keeps the
        // previous file.
        m_lastRenderFailed = true;
        return;
    }
    if (status == RenderStatus::LongLine)
        GlosselMessageBox(this, QString::fromStdString(LongLineMessage()), QString::fromLatin1(LONG_LINE_CAPTION),
                          MB_OK | MB_ICONEXCLAMATION);

    // The document's text is at most the source's bytes and a final line feed.
    m_expectedBytes = std::min<std::uint64_t>(text.size(), output.Length()) + 1;
    m_expectedLines = 2;
    for (const char* p = text.data(); (p = static_cast<const char*>(std::memchr(p, '\n', text.data() + text.size() - p)));
         ++p)
        ++m_expectedLines;
    CStreamCursor cursor;
    cursor.m_next = output.Data();
    cursor.m_remaining = output.Length();
    cursor.m_document = &output;
    EDITSTREAM stream;
    stream.dwCookie = reinterpret_cast<std::uintptr_t>(&cursor);
    stream.dwError = 0;
    stream.pfnCallback = StreamInCallback;
    StreamIn(SF_RTF, stream);
    m_expectedBytes = m_expectedLines = 0;
    output.Free();
#ifdef __GLIBC__
    // The document and the store's growth were large, short-lived allocations; give
    // the memory they leave behind back to the system.
    malloc_trim(0);
#endif
    if (stream.dwError != 0) {
        // Out of memory while reading: the previous content, selection and view stay.
        m_lastRenderFailed = true;
        return;
    }
    SetSel(0, 0);
}

long CSyntaxRichEditCtrl::StreamInCallback(std::uintptr_t dwCookie, unsigned char* pbBuff, long cb, long* pcb)
{
    auto* cursor = reinterpret_cast<CStreamCursor*>(dwCookie);
    if (pcb) *pcb = 0;
    if (!cursor || !cursor->m_next) return -1;
    const std::uint64_t room = cb > 0 ? static_cast<std::uint64_t>(cb) : 0;
    const std::uint64_t k = std::min(room, cursor->m_remaining);
    if (k > 0) std::memcpy(pbBuff, cursor->m_next, static_cast<std::size_t>(k));
    cursor->m_next += k;
    cursor->m_remaining -= k;
    if (cursor->m_document)
        cursor->m_document->ReleaseBefore(static_cast<std::size_t>(cursor->m_next - cursor->m_document->Data()));
    if (pcb) *pcb = static_cast<long>(k);
    return 0;
}

long CSyntaxRichEditCtrl::StreamIn(int format, EDITSTREAM& stream)
{
    const int kind = format & 0x000F;
    if (!stream.pfnCallback || (kind != SF_RTF && kind != SF_TEXT)) {
        stream.dwError = STREAM_ERROR_FAILED;
        return 0;
    }
    std::shared_ptr<CRichTextStore> store;
    std::unique_ptr<unsigned char[]> buffer;
    try {
        store = std::make_shared<CRichTextStore>();
        buffer.reset(new unsigned char[kStreamBuffer]);
        if (m_expectedBytes > 0 && m_expectedBytes <= m_textByteLimit) store->Reserve(m_expectedBytes, m_expectedLines);
    } catch (const std::bad_alloc&) {
        stream.dwError = STREAM_ERROR_FAILED;
        m_lastRenderFailed = true;
        return 0;
    }

    bool failed = false;
    long error = 0;
    if (kind == SF_RTF) {
        CRtfReader reader(*store, m_textByteLimit);
        for (;;) {
            long got = 0;
            error = stream.pfnCallback(stream.dwCookie, buffer.get(), kStreamBuffer, &got);
            if (error != 0 || got <= 0) break;
            if (!reader.Feed(reinterpret_cast<const char*>(buffer.get()),
                             static_cast<std::size_t>(std::min(got, kStreamBuffer)))) {
                // Out of memory: the rest of the stream is not read.
                break;
            }
        }
        failed = !reader.Finish();
    } else {
        try {
            CPlainTextReader reader(*store);
            for (;;) {
                long got = 0;
                error = stream.pfnCallback(stream.dwCookie, buffer.get(), kStreamBuffer, &got);
                if (error != 0 || got <= 0) break;
                const std::size_t n = static_cast<std::size_t>(std::min(got, kStreamBuffer));
                if (store->ByteLength() + n > m_textByteLimit) {
                    failed = true;
                    break;
                }
                reader.Feed(reinterpret_cast<const char*>(buffer.get()), n);
            }
            if (!failed) store->Finish();
        } catch (const std::bad_alloc&) {
            failed = true;
        }
    }
    buffer.reset();
    if (failed) {
        stream.dwError = STREAM_ERROR_FAILED;
        m_lastRenderFailed = true;
        return 0;
    }
    stream.dwError = error;
    ReplaceStore(std::move(store));
    return static_cast<long>(m_store->Length());
}

void CSyntaxRichEditCtrl::SetWindowText(const QString& text)
{
    auto store = std::make_shared<CRichTextStore>();
    CPlainTextReader reader(*store);
    const QByteArray bytes = text.toUtf8();
    reader.Feed(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    store->Finish();
    ReplaceStore(std::move(store));
}

void CSyntaxRichEditCtrl::ReplaceStore(std::shared_ptr<CRichTextStore> store)
{
    m_store = std::move(store);
    m_charFormats.clear();
    ClearLayouts();
    m_anchor = m_caret = 0;
    m_goalX = -1;
    m_topRow = 0;
    m_scrollX = 0;
    m_dragging = false;
    m_autoScrollTimer.stop();
    viewport()->update();
    if (QAccessible::isActive()) {
        QAccessibleEvent changed(this, QAccessible::VisibleDataChanged);
        QAccessible::updateAccessibility(&changed);
    }
    NotifyAccessibility();
    emit selectionChanged();
}

bool CSyntaxRichEditCtrl::SetSelectionCharFormat(const CHARFORMAT& format)
{
    if (format.cbSize != 60) return false;  // the size of the format structure the control knows
    const std::uint64_t from = std::min(m_anchor, m_caret);
    const std::uint64_t to = std::max(m_anchor, m_caret);
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
    m_charFormats.clear();
    ClearLayouts();
    viewport()->update();
    return true;
}

long long CSyntaxRichEditCtrl::GetTextLength() const { return static_cast<long long>(m_store->Length()); }

QString CSyntaxRichEditCtrl::GetText(long long from, long long to) const
{
    if (from < 0) from = 0;
    if (to < from) return QString();
    return PlainTextOf(*m_store, static_cast<std::uint64_t>(from), static_cast<std::uint64_t>(to));
}

QString CSyntaxRichEditCtrl::GetSelText() const
{
    return PlainTextOf(*m_store, std::min(m_anchor, m_caret), std::max(m_anchor, m_caret));
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
        SetSelection(m_caret, m_caret);  // deselects, the caret staying where it is
    } else {
        SetSelection(clamp(start), clamp(end));
    }
    m_goalX = -1;
    EnsureCaretVisible();
    if (hasFocus()) RestartBlink();
}

void CSyntaxRichEditCtrl::GetSel(long long& start, long long& end) const
{
    start = static_cast<long long>(std::min(m_anchor, m_caret));
    end = static_cast<long long>(std::max(m_anchor, m_caret));
}

void CSyntaxRichEditCtrl::SetSelection(std::uint64_t anchor, std::uint64_t caret)
{
    const std::uint64_t length = m_store->Length();
    anchor = std::min(anchor, length);
    caret = std::min(caret, length);
    if (anchor == m_anchor && caret == m_caret) return;
    m_anchor = anchor;
    m_caret = caret;
    viewport()->update();
    NotifyAccessibility();
    emit selectionChanged();
}

void CSyntaxRichEditCtrl::MoveCaret(std::uint64_t pos, bool extend, bool keepGoalX)
{
    SetSelection(extend ? m_anchor : pos, pos);
    if (!keepGoalX) m_goalX = -1;
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
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (m_anchor == m_caret || !clipboard->supportsSelection()) return;
    const QFont f = font();
    clipboard->setMimeData(new CSelectionMimeData(m_store, std::min(m_anchor, m_caret), std::max(m_anchor, m_caret),
                                                  f.family(), f.pointSize()),
                           QClipboard::Selection);
}

void CSyntaxRichEditCtrl::Copy()
{
    if (m_anchor == m_caret) return;
    const QFont f = font();
    QGuiApplication::clipboard()->setMimeData(new CSelectionMimeData(m_store, std::min(m_anchor, m_caret),
                                                                     std::max(m_anchor, m_caret), f.family(),
                                                                     f.pointSize()),
                                              QClipboard::Clipboard);
}

void CSyntaxRichEditCtrl::NotifyAccessibility()
{
    if (!QAccessible::isActive()) return;
    const int caret = static_cast<int>(std::min<std::uint64_t>(m_caret, INT_MAX));
    if (m_anchor == m_caret) {
        QAccessibleTextCursorEvent event(this, caret);
        QAccessible::updateAccessibility(&event);
    } else {
        QAccessibleTextSelectionEvent event(this, static_cast<int>(std::min<std::uint64_t>(std::min(m_anchor, m_caret), INT_MAX)),
                                            static_cast<int>(std::min<std::uint64_t>(std::max(m_anchor, m_caret), INT_MAX)));
        event.setCursorPosition(caret);
        QAccessible::updateAccessibility(&event);
    }
}

// ---------------------------------------------------------------------------------------
// Layout

void CSyntaxRichEditCtrl::UpdateMetrics()
{
    m_fonts[0] = font();
    m_fonts[1] = font();
    m_fonts[1].setBold(true);
    m_fonts[2] = font();
    m_fonts[2].setItalic(true);
    m_fonts[3] = m_fonts[1];
    m_fonts[3].setItalic(true);
    const QFontMetricsF metrics(font());
    m_lineHeight = std::max(1, static_cast<int>(std::ceil(metrics.height())));
    m_ascent = metrics.ascent();
    m_charWidth = metrics.horizontalAdvance(QLatin1Char(' '));
    if (m_charWidth <= 0) m_charWidth = 1;
    ClearLayouts();
}

void CSyntaxRichEditCtrl::ClearLayouts()
{
    m_layouts.clear();
    m_seenWidth = 0;
}

const QTextCharFormat& CSyntaxRichEditCtrl::CharFormat(CRichTextStore::FormatIndex index) const
{
    if (m_charFormats.size() != m_store->FormatCount()) {
        m_charFormats.assign(m_store->FormatCount(), QTextCharFormat());
        for (std::size_t i = 0; i < m_charFormats.size(); ++i) {
            const CCharFormat& f = m_store->Format(static_cast<CRichTextStore::FormatIndex>(i));
            QTextCharFormat& q = m_charFormats[i];
            q.setForeground(ToColor(f.colour));
            if (f.bold) q.setFontWeight(QFont::Bold);
            if (f.italic) q.setFontItalic(true);
        }
    }
    return m_charFormats[index];
}

void CSyntaxRichEditCtrl::BuildLayout(CRowLayout& out, std::size_t row, QPaintDevice* device, const QFont& font,
                                      qreal tabStop, qreal wrapWidth) const
{
    std::u16string units;
    std::vector<CRichTextStore::Span> spans;
    m_store->DecodeRow(row, units, spans);
    QString text(reinterpret_cast<const QChar*>(units.data()), static_cast<qsizetype>(units.size()));
    out.placeholders.clear();
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (IsPlaceholder(text[i].unicode())) {
            out.placeholders.push_back({static_cast<int>(i), text[i].unicode()});
            text[i] = QChar(0x00A0);  // one cell wide; the box is drawn over it
        }
    }
    QList<QTextLayout::FormatRange> ranges;
    ranges.reserve(static_cast<qsizetype>(spans.size()));
    for (std::size_t k = 0; k < spans.size(); ++k) {
        const int start = static_cast<int>(spans[k].start);
        const int end = k + 1 < spans.size() ? static_cast<int>(spans[k + 1].start) : static_cast<int>(text.size());
        if (end > start) ranges.append(QTextLayout::FormatRange{start, end - start, CharFormat(spans[k].format)});
    }

    QTextOption option;
    option.setWrapMode(wrapWidth > 0 ? QTextOption::WrapAnywhere : QTextOption::NoWrap);
    option.setTabStopDistance(tabStop);
    option.setTextDirection(Qt::LeftToRight);
    option.setAlignment(Qt::AlignLeft);

    QTextLayout& layout = out.layout;
    layout.clearLayout();
    layout.setText(text);
    layout.setFont(device ? QFont(font, device) : font);
    layout.setTextOption(option);
    layout.setFormats(ranges);
    layout.setCacheEnabled(true);
    layout.beginLayout();
    qreal y = 0;
    for (;;) {
        QTextLine line = layout.createLine();
        if (!line.isValid()) break;
        line.setLineWidth(wrapWidth > 0 ? wrapWidth : kNoWrapWidth);
        line.setPosition(QPointF(0, y));
        y += line.height();
        if (wrapWidth <= 0) break;
    }
    layout.endLayout();
    out.width = layout.lineCount() > 0 ? layout.lineAt(0).naturalTextWidth() : 0;
}

CSyntaxRichEditCtrl::CRowLayout* CSyntaxRichEditCtrl::RowLayout(std::size_t row) const
{
    if (CRowLayout* cached = m_layouts.object(row)) return cached;
    auto* built = new CRowLayout;
    BuildLayout(*built, row, nullptr, m_fonts[0], kTabColumns * m_charWidth, 0);
    if (built->width > m_seenWidth) m_seenWidth = built->width;
    m_layouts.insert(row, built, 1);
    return built;
}

// ---------------------------------------------------------------------------------------
// Geometry and scrolling

std::size_t CSyntaxRichEditCtrl::FullRowsVisible() const
{
    const int height = viewport()->height() - kTopMargin;
    return static_cast<std::size_t>(std::max(1, height / m_lineHeight));
}

std::size_t CSyntaxRichEditCtrl::MaxTopRow() const
{
    const std::size_t rows = m_store->RowCount();
    const std::size_t visible = FullRowsVisible();
    return rows > visible ? rows - visible : 0;
}

int CSyntaxRichEditCtrl::MaxScrollX() const
{
    const qreal content = std::max(static_cast<qreal>(m_store->MaxRowColumns()) * m_charWidth, m_seenWidth);
    const qreal room = viewport()->width() - kLeftMargin - 2;
    return static_cast<int>(std::max<qreal>(0, std::ceil(content - room)));
}

void CSyntaxRichEditCtrl::ScrollTo(long long topRow, long long scrollX)
{
    const std::size_t top =
        static_cast<std::size_t>(std::clamp<long long>(topRow, 0, static_cast<long long>(MaxTopRow())));
    const int x = static_cast<int>(std::clamp<long long>(scrollX, 0, MaxScrollX()));
    if (top == m_topRow && x == m_scrollX) return;
    m_topRow = top;
    m_scrollX = x;
    viewport()->update();
}

qreal CSyntaxRichEditCtrl::XOfPos(std::uint64_t pos) const
{
    const std::size_t row = m_store->RowOfUnit(pos);
    const CRowLayout* layout = RowLayout(row);
    return layout->layout.lineAt(0).cursorToX(static_cast<int>(pos - m_store->RowStart(row)));
}

std::uint64_t CSyntaxRichEditCtrl::RowLastPos(std::size_t row) const
{
    // The end of a row that a long line continues is where the next row begins, and a
    // caret there shows on that row; so the caret stops before the row's last character.
    const std::uint64_t end = m_store->RowEnd(row);
    if (m_store->RowEndsWithLineFeed(row) || row + 1 >= m_store->RowCount()) return end;
    return PrevCharPos(end);
}

std::uint64_t CSyntaxRichEditCtrl::PosAtRowX(std::size_t row, qreal x) const
{
    const CRowLayout* layout = RowLayout(row);
    const int column = layout->layout.lineAt(0).xToCursor(x, QTextLine::CursorBetweenCharacters);
    return std::min(m_store->RowStart(row) + static_cast<std::uint64_t>(std::max(0, column)), RowLastPos(row));
}

std::uint64_t CSyntaxRichEditCtrl::PosAtPoint(const QPoint& point) const
{
    const long long offset = static_cast<long long>(std::floor(static_cast<qreal>(point.y() - kTopMargin) / m_lineHeight));
    const long long last = static_cast<long long>(m_store->RowCount()) - 1;
    const std::size_t row =
        static_cast<std::size_t>(std::clamp<long long>(static_cast<long long>(m_topRow) + offset, 0, last));
    return PosAtRowX(row, point.x() - kLeftMargin + m_scrollX);
}

void CSyntaxRichEditCtrl::EnsureCaretVisible()
{
    const std::size_t row = m_store->RowOfUnit(m_caret);
    const std::size_t visible = FullRowsVisible();
    long long top = static_cast<long long>(m_topRow);
    if (row < m_topRow)
        top = static_cast<long long>(row);
    else if (row >= m_topRow + visible)
        top = static_cast<long long>(row - visible + 1);

    // Sideways the view jumps by a third of its width, so that the caret does not sit
    // at the edge while it moves on.
    const int x = static_cast<int>(std::lround(XOfPos(m_caret)));
    const int room = std::max(1, viewport()->width() - kLeftMargin - 2);
    long long scrollX = m_scrollX;
    if (x < m_scrollX)
        scrollX = std::max(0, x - room / 3);
    else if (x > m_scrollX + room)
        scrollX = x - room + room / 3;
    ScrollTo(top, scrollX);
}

void CSyntaxRichEditCtrl::ScrollToPos(long long pos)
{
    const std::uint64_t saved = m_caret;
    m_caret = std::min(static_cast<std::uint64_t>(std::max(0LL, pos)), m_store->Length());
    EnsureCaretVisible();
    m_caret = saved;
}

QRect CSyntaxRichEditCtrl::CharRect(long long pos) const
{
    if (pos < 0 || static_cast<std::uint64_t>(pos) > m_store->Length()) return QRect();
    const std::uint64_t p = static_cast<std::uint64_t>(pos);
    const std::size_t row = m_store->RowOfUnit(p);
    const CRowLayout* layout = RowLayout(row);
    const QTextLine line = layout->layout.lineAt(0);
    const int column = static_cast<int>(p - m_store->RowStart(row));
    const qreal x0 = line.cursorToX(column);
    const qreal x1 = p < m_store->RowEnd(row) ? line.cursorToX(layout->layout.nextCursorPosition(column)) : x0 + 1;
    const long long y = (static_cast<long long>(row) - static_cast<long long>(m_topRow)) * m_lineHeight + kTopMargin;
    return QRect(QPoint(static_cast<int>(std::floor(kLeftMargin - m_scrollX + x0)), static_cast<int>(y)),
                 QPoint(static_cast<int>(std::ceil(kLeftMargin - m_scrollX + x1)) - 1,
                        static_cast<int>(y) + m_lineHeight - 1));
}

long long CSyntaxRichEditCtrl::CharFromPos(const QPoint& point) const
{
    return static_cast<long long>(PosAtPoint(point));
}

// ---------------------------------------------------------------------------------------
// Movement

std::uint64_t CSyntaxRichEditCtrl::NextCharPos(std::uint64_t pos) const
{
    if (pos >= m_store->Length()) return m_store->Length();
    const std::size_t row = m_store->RowOfUnit(pos);
    const std::uint64_t start = m_store->RowStart(row);
    if (pos >= m_store->RowEnd(row)) return pos + 1;  // over the line feed
    const CRowLayout* layout = RowLayout(row);
    return start + static_cast<std::uint64_t>(layout->layout.nextCursorPosition(static_cast<int>(pos - start)));
}

std::uint64_t CSyntaxRichEditCtrl::PrevCharPos(std::uint64_t pos) const
{
    if (pos == 0) return 0;
    std::size_t row = m_store->RowOfUnit(pos);
    std::uint64_t start = m_store->RowStart(row);
    if (pos == start) {
        if (m_store->RowEndsWithLineFeed(row - 1)) return pos - 1;  // before the line feed
        --row;  // a continued row: step back inside the row before
        start = m_store->RowStart(row);
    }
    const CRowLayout* layout = RowLayout(row);
    return start + static_cast<std::uint64_t>(layout->layout.previousCursorPosition(static_cast<int>(pos - start)));
}

std::uint64_t CSyntaxRichEditCtrl::NextWordPos(std::uint64_t pos) const
{
    if (pos >= m_store->Length()) return m_store->Length();
    const std::size_t row = m_store->RowOfUnit(pos);
    const std::uint64_t start = m_store->RowStart(row);
    const std::uint64_t end = m_store->RowEnd(row);
    if (pos >= end) return end + (m_store->RowEndsWithLineFeed(row) ? 1 : 0);
    const QString text = RowString(*m_store, row);
    qsizetype i = static_cast<qsizetype>(pos - start);
    const int cls = WordClass(text[i]);
    if (cls != 0)
        while (i < text.size() && WordClass(text[i]) == cls) ++i;
    while (i < text.size() && WordClass(text[i]) == 0) ++i;
    return start + static_cast<std::uint64_t>(i);
}

std::uint64_t CSyntaxRichEditCtrl::PrevWordPos(std::uint64_t pos) const
{
    if (pos == 0) return 0;
    const std::size_t row = m_store->RowOfUnit(pos);
    const std::uint64_t start = m_store->RowStart(row);
    if (pos == start) return PrevCharPos(pos);
    const QString text = RowString(*m_store, row);
    qsizetype i = static_cast<qsizetype>(pos - start);
    while (i > 0 && WordClass(text[i - 1]) == 0) --i;
    if (i == 0) return start;
    const int cls = WordClass(text[i - 1]);
    while (i > 0 && WordClass(text[i - 1]) == cls) --i;
    return start + static_cast<std::uint64_t>(i);
}

void CSyntaxRichEditCtrl::WordAt(std::uint64_t pos, std::uint64_t& wordStart, std::uint64_t& wordEnd) const
{
    const std::size_t row = m_store->RowOfUnit(pos);
    const std::uint64_t start = m_store->RowStart(row);
    const QString text = RowString(*m_store, row);
    wordStart = wordEnd = pos;
    if (text.isEmpty()) return;
    qsizetype i = std::min(static_cast<qsizetype>(pos - start), text.size() - 1);
    const int cls = WordClass(text[i]);
    qsizetype s = i, e = i + 1;
    while (s > 0 && WordClass(text[s - 1]) == cls) --s;
    while (e < text.size() && WordClass(text[e]) == cls) ++e;
    wordStart = start + static_cast<std::uint64_t>(s);
    wordEnd = start + static_cast<std::uint64_t>(e);
}

// ---------------------------------------------------------------------------------------
// Painting

void CSyntaxRichEditCtrl::DrawPlaceholders(QPainter& painter, const CRowLayout& row, const QTextLine& line,
                                           const QPointF& origin, std::size_t storeRow, std::uint64_t selFrom,
                                           std::uint64_t selTo) const
{
    if (row.placeholders.empty()) return;
    const std::uint64_t rowStart = m_store->RowStart(storeRow);
    const qreal top = origin.y() + line.y();
    const qreal height = line.height();
    QFont small = painter.font();
    small.setBold(false);
    small.setItalic(false);
    small.setPixelSize(std::max(4, static_cast<int>(height * 0.42)));
    painter.save();
    painter.setFont(small);
    for (const auto& [index, code] : row.placeholders) {
        const qreal x0 = origin.x() + line.cursorToX(index);
        const qreal x1 = origin.x() + line.cursorToX(index + 1);
        if (x1 <= x0) continue;
        const std::uint64_t pos = rowStart + static_cast<std::uint64_t>(index);
        const bool selected = pos >= selFrom && pos < selTo;
        const QColor colour = selected ? palette().color(QPalette::HighlightedText) : ToColor(m_store->FormatAt(pos).colour);
        const QRectF cell(x0 + 0.5, top + height * 0.08, x1 - x0 - 1, height * 0.84);
        painter.setPen(QPen(colour, 0));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(cell);
        const QString hex = QStringLiteral("%1").arg(static_cast<unsigned>(code), 2, 16, QLatin1Char('0')).toUpper();
        painter.drawText(QRectF(cell.left(), cell.top(), cell.width(), cell.height() / 2), Qt::AlignCenter,
                         hex.left(1));
        painter.drawText(QRectF(cell.left(), cell.top() + cell.height() / 2, cell.width(), cell.height() / 2),
                         Qt::AlignCenter, hex.mid(1, 1));
    }
    painter.restore();
}

void CSyntaxRichEditCtrl::paintEvent(QPaintEvent* e)
{
    QPainter painter(viewport());
    const QRect area = e->rect();
    // The default styles assume a light ground, whatever the desktop's theme.
    painter.fillRect(area, Qt::white);
    painter.setPen(Qt::black);
    painter.setFont(m_fonts[0]);

    const bool showSelection = isEnabled() && m_anchor != m_caret && (hasFocus() || (m_options & ECO_NOHIDESEL));
    const std::uint64_t selFrom = showSelection ? std::min(m_anchor, m_caret) : 0;
    const std::uint64_t selTo = showSelection ? std::max(m_anchor, m_caret) : 0;
    const QColor highlight = palette().color(QPalette::Highlight);
    QTextCharFormat selectedFormat;
    selectedFormat.setBackground(highlight);
    selectedFormat.setForeground(palette().color(QPalette::HighlightedText));
    const bool showCaret = isEnabled() && hasFocus() && m_caretOn;

    const std::size_t rows = m_store->RowCount();
    const int firstOffset = std::max(0, (area.top() - kTopMargin) / m_lineHeight);
    for (std::size_t row = m_topRow + static_cast<std::size_t>(firstOffset); row < rows; ++row) {
        const int y = kTopMargin + static_cast<int>(row - m_topRow) * m_lineHeight;
        if (y > area.bottom()) break;
        const CRowLayout* layout = RowLayout(row);
        const QTextLine line = layout->layout.lineAt(0);
        // Baselines keep to the rows even when a fallback font makes a line taller.
        const QPointF origin(kLeftMargin - m_scrollX, y + m_ascent - line.ascent());
        const std::uint64_t rowStart = m_store->RowStart(row);
        const std::uint64_t rowEnd = m_store->RowEnd(row);

        QList<QTextLayout::FormatRange> selections;
        if (selFrom < selTo && selFrom <= rowEnd && selTo > rowStart) {
            const std::uint64_t a = std::max(selFrom, rowStart);
            const std::uint64_t b = std::min(selTo, rowEnd);
            if (a < b)
                selections.append(QTextLayout::FormatRange{static_cast<int>(a - rowStart), static_cast<int>(b - a),
                                                           selectedFormat});
        }
        layout->layout.draw(&painter, origin, selections);
        // A selected line feed shows as a small block after the row's last character.
        if (selFrom < selTo && m_store->RowEndsWithLineFeed(row) && selFrom <= rowEnd && selTo > rowEnd)
            painter.fillRect(QRectF(origin.x() + line.naturalTextWidth(), y, m_charWidth / 2, m_lineHeight), highlight);
        DrawPlaceholders(painter, *layout, line, origin, row, selFrom, selTo);

        if (showCaret && m_caret >= rowStart && m_caret <= rowEnd && m_store->RowOfUnit(m_caret) == row) {
            const qreal x = origin.x() + line.cursorToX(static_cast<int>(m_caret - rowStart));
            painter.fillRect(QRectF(std::floor(x), y, 1, m_lineHeight), Qt::black);
        }
    }
}

void CSyntaxRichEditCtrl::UpdateCaret()
{
    if (m_store->RowCount() == 0) return;
    const QRect r = CharRect(static_cast<long long>(m_caret));
    viewport()->update(QRect(r.left() - 2, r.top(), 5, r.height()));
}

void CSyntaxRichEditCtrl::RestartBlink()
{
    m_caretOn = true;
    const int flash = QGuiApplication::styleHints()->cursorFlashTime();
    if (hasFocus() && flash > 0)
        m_blinkTimer.start(flash / 2, this);
    else
        m_blinkTimer.stop();
    UpdateCaret();
}

// ---------------------------------------------------------------------------------------
// Events

bool CSyntaxRichEditCtrl::event(QEvent* e)
{
    if (e->type() == QEvent::ShortcutOverride) {
        // Keys the control handles itself are not taken by shortcuts of its window.
        auto* key = static_cast<QKeyEvent*>(e);
        if (key == QKeySequence::Copy || key == QKeySequence::SelectAll || key == QKeySequence::MoveToNextChar ||
            key == QKeySequence::MoveToPreviousChar || key == QKeySequence::SelectNextChar ||
            key == QKeySequence::SelectPreviousChar || key == QKeySequence::MoveToNextWord ||
            key == QKeySequence::MoveToPreviousWord || key == QKeySequence::SelectNextWord ||
            key == QKeySequence::SelectPreviousWord || key == QKeySequence::MoveToStartOfLine ||
            key == QKeySequence::MoveToEndOfLine || key == QKeySequence::SelectStartOfLine ||
            key == QKeySequence::SelectEndOfLine || key == QKeySequence::MoveToStartOfDocument ||
            key == QKeySequence::MoveToEndOfDocument || key == QKeySequence::SelectStartOfDocument ||
            key == QKeySequence::SelectEndOfDocument) {
            e->accept();
            return true;
        }
    }
    return QAbstractScrollArea::event(e);
}

void CSyntaxRichEditCtrl::keyPressEvent(QKeyEvent* e)
{
    const std::uint64_t length = m_store->Length();
    const std::uint64_t selFrom = std::min(m_anchor, m_caret);
    const std::uint64_t selTo = std::max(m_anchor, m_caret);

    if (e == QKeySequence::Copy || (e->key() == Qt::Key_Insert && e->modifiers() == Qt::ControlModifier)) {
        Copy();
        return;
    }
    if (e == QKeySequence::SelectAll) {
        SelectAll();
        return;
    }

    auto move = [&](std::uint64_t pos, bool extend, bool keepGoalX = false) {
        MoveCaret(pos, extend, keepGoalX);
        if (extend) SelectionChangedByUser();
    };
    auto vertical = [&](long long delta, bool extend) {
        const std::size_t row = m_store->RowOfUnit(m_caret);
        if (m_goalX < 0) m_goalX = XOfPos(m_caret);
        const long long target = static_cast<long long>(row) + delta;
        if (target < 0) {
            move(0, extend, true);
        } else if (target >= static_cast<long long>(m_store->RowCount())) {
            move(length, extend, true);
        } else {
            move(PosAtRowX(static_cast<std::size_t>(target), m_goalX), extend, true);
        }
    };
    auto page = [&](long long direction, bool extend) {
        const long long rows = static_cast<long long>(FullRowsVisible());
        const std::size_t row = m_store->RowOfUnit(m_caret);
        const long long target = static_cast<long long>(row) + direction * rows;
        const long long last = static_cast<long long>(m_store->RowCount()) - 1;
        // The view turns a page and the caret keeps its place on the screen.
        ScrollTo(static_cast<long long>(m_topRow) + direction * rows, m_scrollX);
        if (target < 0 && row == 0) {
            move(0, extend);
        } else if (target > last && static_cast<long long>(row) == last) {
            move(length, extend);
        } else {
            if (m_goalX < 0) m_goalX = XOfPos(m_caret);
            move(PosAtRowX(static_cast<std::size_t>(std::clamp(target, 0LL, last)), m_goalX), extend, true);
        }
    };
    const std::size_t caretRow = m_store->RowOfUnit(m_caret);

    if (e == QKeySequence::MoveToNextChar) {
        move(m_anchor != m_caret ? selTo : NextCharPos(m_caret), false);
    } else if (e == QKeySequence::MoveToPreviousChar) {
        move(m_anchor != m_caret ? selFrom : PrevCharPos(m_caret), false);
    } else if (e == QKeySequence::SelectNextChar) {
        move(NextCharPos(m_caret), true);
    } else if (e == QKeySequence::SelectPreviousChar) {
        move(PrevCharPos(m_caret), true);
    } else if (e == QKeySequence::MoveToNextWord) {
        move(NextWordPos(m_caret), false);
    } else if (e == QKeySequence::MoveToPreviousWord) {
        move(PrevWordPos(m_caret), false);
    } else if (e == QKeySequence::SelectNextWord) {
        move(NextWordPos(m_caret), true);
    } else if (e == QKeySequence::SelectPreviousWord) {
        move(PrevWordPos(m_caret), true);
    } else if (e == QKeySequence::MoveToNextLine) {
        vertical(1, false);
    } else if (e == QKeySequence::MoveToPreviousLine) {
        vertical(-1, false);
    } else if (e == QKeySequence::SelectNextLine) {
        vertical(1, true);
    } else if (e == QKeySequence::SelectPreviousLine) {
        vertical(-1, true);
    } else if (e == QKeySequence::MoveToStartOfLine) {
        move(m_store->RowStart(caretRow), false);
    } else if (e == QKeySequence::MoveToEndOfLine) {
        move(RowLastPos(caretRow), false);
    } else if (e == QKeySequence::SelectStartOfLine) {
        move(m_store->RowStart(caretRow), true);
    } else if (e == QKeySequence::SelectEndOfLine) {
        move(RowLastPos(caretRow), true);
    } else if (e == QKeySequence::MoveToNextPage) {
        page(1, false);
    } else if (e == QKeySequence::MoveToPreviousPage) {
        page(-1, false);
    } else if (e == QKeySequence::SelectNextPage) {
        page(1, true);
    } else if (e == QKeySequence::SelectPreviousPage) {
        page(-1, true);
    } else if (e == QKeySequence::MoveToStartOfDocument) {
        move(0, false);
    } else if (e == QKeySequence::MoveToEndOfDocument) {
        move(length, false);
    } else if (e == QKeySequence::SelectStartOfDocument) {
        move(0, true);
    } else if (e == QKeySequence::SelectEndOfDocument) {
        move(length, true);
    } else if (e->modifiers() == Qt::ControlModifier && (e->key() == Qt::Key_Up || e->key() == Qt::Key_Down)) {
        // Ctrl+Up and Ctrl+Down scroll a row and leave the caret.
        ScrollTo(static_cast<long long>(m_topRow) + (e->key() == Qt::Key_Down ? 1 : -1), m_scrollX);
    } else {
        // Read-only: typing changes nothing; Tab and the rest go to the window.
        e->ignore();
        return;
    }
    e->accept();
}

void CSyntaxRichEditCtrl::mousePressEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton) {
        QAbstractScrollArea::mousePressEvent(e);
        return;
    }
    const QPoint point = e->position().toPoint();
    const std::uint64_t pos = PosAtPoint(point);
    m_mousePoint = point;
    m_dragging = true;
    if (m_tripleClickTimer.isActive() &&
        (point - m_tripleClickPoint).manhattanLength() < QApplication::startDragDistance()) {
        // Third click: the whole line, its line feed included.
        m_tripleClickTimer.stop();
        const std::size_t row = m_store->RowOfUnit(pos);
        m_dragUnit = Unit::Line;
        m_dragStart = m_store->RowStart(row);
        m_dragEnd = m_store->RowEnd(row) + (m_store->RowEndsWithLineFeed(row) ? 1 : 0);
        SetSelection(m_dragStart, m_dragEnd);
        EnsureCaretVisible();
        RestartBlink();
        return;
    }
    m_dragUnit = Unit::Character;
    MoveCaret(pos, (e->modifiers() & Qt::ShiftModifier) != 0);
}

void CSyntaxRichEditCtrl::mouseDoubleClickEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton) {
        QAbstractScrollArea::mouseDoubleClickEvent(e);
        return;
    }
    const QPoint point = e->position().toPoint();
    // The word under the pointer: the character it is on, not the gap nearest to it.
    const std::size_t row = m_store->RowOfUnit(PosAtPoint(point));
    const CRowLayout* layout = RowLayout(row);
    const int column = layout->layout.lineAt(0).xToCursor(point.x() - kLeftMargin + m_scrollX, QTextLine::CursorOnCharacter);
    const std::uint64_t pos = std::min(m_store->RowStart(row) + static_cast<std::uint64_t>(std::max(0, column)),
                                       m_store->RowEnd(row));
    WordAt(pos, m_dragStart, m_dragEnd);
    m_dragUnit = Unit::Word;
    m_dragging = true;
    m_mousePoint = point;
    SetSelection(m_dragStart, m_dragEnd);
    EnsureCaretVisible();
    RestartBlink();
    m_tripleClickPoint = point;
    m_tripleClickTimer.start(QApplication::doubleClickInterval(), this);
}

void CSyntaxRichEditCtrl::ExtendMouseSelection(const QPoint& point)
{
    const std::uint64_t pos = PosAtPoint(point);
    switch (m_dragUnit) {
    case Unit::Character:
        SetSelection(m_anchor, pos);
        break;
    case Unit::Word: {
        std::uint64_t s, t;
        WordAt(pos, s, t);
        if (pos < m_dragStart)
            SetSelection(m_dragEnd, s);
        else
            SetSelection(m_dragStart, std::max(t, m_dragEnd));
        break;
    }
    case Unit::Line: {
        const std::size_t row = m_store->RowOfUnit(pos);
        const std::uint64_t s = m_store->RowStart(row);
        const std::uint64_t t = m_store->RowEnd(row) + (m_store->RowEndsWithLineFeed(row) ? 1 : 0);
        if (s < m_dragStart)
            SetSelection(m_dragEnd, s);
        else
            SetSelection(m_dragStart, std::max(t, m_dragEnd));
        break;
    }
    }
    m_goalX = -1;
    EnsureCaretVisible();
    RestartBlink();
}

void CSyntaxRichEditCtrl::mouseMoveEvent(QMouseEvent* e)
{
    if (!m_dragging || !(e->buttons() & Qt::LeftButton)) {
        QAbstractScrollArea::mouseMoveEvent(e);
        return;
    }
    m_mousePoint = e->position().toPoint();
    ExtendMouseSelection(m_mousePoint);
    // Outside the control the view goes on scrolling while the button is held.
    if (viewport()->rect().contains(m_mousePoint))
        m_autoScrollTimer.stop();
    else if (!m_autoScrollTimer.isActive())
        m_autoScrollTimer.start(kAutoScrollInterval, this);
}

void CSyntaxRichEditCtrl::mouseReleaseEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton || !m_dragging) {
        QAbstractScrollArea::mouseReleaseEvent(e);
        return;
    }
    m_dragging = false;
    m_autoScrollTimer.stop();
    SelectionChangedByUser();
}

void CSyntaxRichEditCtrl::wheelEvent(QWheelEvent* e)
{
    const QPoint pixels = e->pixelDelta();
    const QPoint angle = e->angleDelta();
    const bool sideways = (e->modifiers() & Qt::ShiftModifier) || (angle.x() != 0 && angle.y() == 0) ||
                          (pixels.x() != 0 && pixels.y() == 0);
    const int lines = QApplication::wheelScrollLines();
    if (sideways) {
        // Shift turns the wheel sideways; a notch moves as many columns as rows times two.
        qreal dx;
        if (!pixels.isNull())
            dx = -(pixels.x() != 0 ? pixels.x() : pixels.y());
        else
            dx = -(angle.x() != 0 ? angle.x() : angle.y()) / 120.0 * lines * 2 * m_charWidth;
        m_wheelPixels += dx;
        const int whole = static_cast<int>(m_wheelPixels);
        m_wheelPixels -= whole;
        ScrollTo(static_cast<long long>(m_topRow), m_scrollX + whole);
    } else {
        qreal rows;
        if (!pixels.isNull())
            rows = -static_cast<qreal>(pixels.y()) / m_lineHeight;
        else
            rows = -angle.y() / 120.0 * lines;
        m_wheelRows += rows;
        const long long whole = static_cast<long long>(m_wheelRows);
        m_wheelRows -= static_cast<qreal>(whole);
        ScrollTo(static_cast<long long>(m_topRow) + whole, m_scrollX);
    }
    e->accept();
}

QMenu* CSyntaxRichEditCtrl::CreateContextMenu()
{
    auto* menu = new QMenu(this);
    QAction* copy = menu->addAction(tr("&Copy"), this, &CSyntaxRichEditCtrl::Copy);
    copy->setObjectName(QStringLiteral("copy"));
    copy->setShortcut(QKeySequence::Copy);
    copy->setEnabled(m_anchor != m_caret);
    menu->addSeparator();
    QAction* all = menu->addAction(tr("Select &All"), this, &CSyntaxRichEditCtrl::SelectAll);
    all->setObjectName(QStringLiteral("selectAll"));
    all->setShortcut(QKeySequence::SelectAll);
    all->setEnabled(m_store->Length() > 0);
    return menu;
}

void CSyntaxRichEditCtrl::contextMenuEvent(QContextMenuEvent* e)
{
    QPoint at = e->globalPos();
    if (e->reason() == QContextMenuEvent::Keyboard) {
        const QRect caret = CharRect(static_cast<long long>(m_caret));
        at = viewport()->mapToGlobal(caret.bottomLeft());
    }
    QMenu* menu = CreateContextMenu();
    menu->exec(at);
    delete menu;
}

void CSyntaxRichEditCtrl::focusInEvent(QFocusEvent* e)
{
    QAbstractScrollArea::focusInEvent(e);
    RestartBlink();
    viewport()->update();
}

void CSyntaxRichEditCtrl::focusOutEvent(QFocusEvent* e)
{
    QAbstractScrollArea::focusOutEvent(e);
    m_blinkTimer.stop();
    m_caretOn = false;
    viewport()->update();
}

void CSyntaxRichEditCtrl::resizeEvent(QResizeEvent* e)
{
    QAbstractScrollArea::resizeEvent(e);
    const int rows = std::max(1, viewport()->height() / m_lineHeight);
    m_layouts.setMaxCost(std::max(512, 3 * rows));
    ScrollTo(static_cast<long long>(m_topRow), m_scrollX);
}

void CSyntaxRichEditCtrl::changeEvent(QEvent* e)
{
    QAbstractScrollArea::changeEvent(e);
    switch (e->type()) {
    case QEvent::FontChange:
        UpdateMetrics();
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
    if (e->timerId() == m_blinkTimer.timerId()) {
        m_caretOn = !m_caretOn;
        UpdateCaret();
    } else if (e->timerId() == m_autoScrollTimer.timerId()) {
        if (m_dragging)
            ExtendMouseSelection(m_mousePoint);
        else
            m_autoScrollTimer.stop();
    } else if (e->timerId() == m_tripleClickTimer.timerId()) {
        m_tripleClickTimer.stop();
    } else {
        QAbstractScrollArea::timerEvent(e);
    }
}

// ---------------------------------------------------------------------------------------
// Printing

void CSyntaxRichEditCtrl::Print(QPrinter& printer)
{
    QPainter painter;
    if (!painter.begin(&printer)) return;
    const QRect page = printer.pageLayout().paintRectPixels(printer.resolution());
    const qreal width = page.width();
    const qreal height = page.height();
    const QFont base(m_fonts[0], &printer);
    const QFontMetricsF metrics(base, &printer);
    const qreal lineHeight = metrics.height();
    const qreal footer = 2 * lineHeight;
    const qreal bodyHeight = std::max(lineHeight, height - footer);
    const qreal tabStop = kTabColumns * metrics.horizontalAdvance(QLatin1Char(' '));
    const int firstPage = printer.fromPage();
    const int lastPage = printer.toPage();
    auto wanted = [&](int n) { return (firstPage <= 0 || n >= firstPage) && (lastPage <= 0 || n <= lastPage); };

    int pageNumber = 1;
    bool anyPrinted = false;
    qreal y = 0;
    auto finishPage = [&]() {
        if (!wanted(pageNumber)) return;
        painter.save();
        painter.setFont(base);
        painter.setPen(Qt::black);
        const QRectF band(0, height - lineHeight, width, lineHeight);
        if (!printer.docName().isEmpty()) painter.drawText(band, Qt::AlignLeft | Qt::AlignVCenter, printer.docName());
        painter.drawText(band, Qt::AlignRight | Qt::AlignVCenter, tr("Page %1").arg(pageNumber));
        painter.restore();
    };
    auto startPage = [&]() {
        if (wanted(pageNumber)) {
            if (anyPrinted) printer.newPage();
            anyPrinted = true;
        }
    };
    startPage();
    painter.setFont(base);
    CRowLayout row;
    for (std::size_t r = 0; r < m_store->RowCount(); ++r) {
        BuildLayout(row, r, &printer, m_fonts[0], tabStop, width);
        for (int i = 0; i < row.layout.lineCount(); ++i) {
            const QTextLine line = row.layout.lineAt(i);
            if (y + line.height() > bodyHeight && y > 0) {
                finishPage();
                ++pageNumber;
                if (lastPage > 0 && pageNumber > lastPage) {
                    painter.end();
                    return;
                }
                startPage();
                y = 0;
            }
            if (wanted(pageNumber)) {
                const QPointF origin(0, y - line.y());
                line.draw(&painter, origin);
                // Placeholders of this printed line only.
                CRowLayout part;
                for (const auto& p : row.placeholders)
                    if (p.first >= line.textStart() && p.first < line.textStart() + line.textLength())
                        part.placeholders.push_back(p);
                DrawPlaceholders(painter, part, line, origin, r, 0, 0);
            }
            y += line.height();
        }
    }
    finishPage();
    painter.end();
}
