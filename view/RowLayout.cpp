#include "RowLayout.h"

#include "syntax/DisplayText.h"

#include <QFontMetricsF>
#include <QPaintDevice>
#include <QTextLine>

#include <algorithm>
#include <cmath>

namespace {

constexpr qreal kNoWrapWidth = 1e7;
constexpr int kMinCachedRows = 512;
constexpr char16_t kNoBreakSpace = 0x00A0;
constexpr char16_t kLeftToRightOverride = 0x202D;
constexpr char16_t kSoftHyphen = 0x00AD;  // drawn as nothing by Qt

// Control characters have no glyph (and the bidirectional ones would move text): they
// are drawn as boxes.
inline bool IsPlaceholder(char16_t c)
{
    return (c < 0x20 && c != u'\t') || (c >= 0x7F && c <= 0x9F) || display::IsBidiControl(c);
}

// Characters below U+0300 (but the soft hyphen, which Qt draws as nothing) are one cell
// each in the text's fixed-pitch font: a row of them needs no fitting to the grid.
inline bool IsPlain(char16_t c) { return c < 0x300 && c != kSoftHyphen; }

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

const QTextCharFormat& CharFormat(const CRichTextStore& store, std::vector<QTextCharFormat>& formats,
                                  CRichTextStore::FormatIndex index)
{
    if (formats.size() != store.FormatCount()) {
        formats.assign(store.FormatCount(), QTextCharFormat());
        for (std::size_t i = 0; i < formats.size(); ++i) {
            const CCharFormat& f = store.Format(static_cast<CRichTextStore::FormatIndex>(i));
            QTextCharFormat& q = formats[i];
            q.setForeground(QColor(GetRValue(f.colour), GetGValue(f.colour), GetBValue(f.colour)));
            if (f.bold) q.setFontWeight(QFont::Bold);
            if (f.italic) q.setFontItalic(true);
        }
    }
    return formats[index];
}

}  // namespace

CRowLayout::CRowLayout() { m_rows.setMaxCost(kMinCachedRows); }

void CRowLayout::SetStore(const CRichTextStore* store)
{
    m_store = store;
    FormatsChanged();
}

void CRowLayout::FormatsChanged()
{
    m_formats.clear();
    Forget();
}

void CRowLayout::SetFont(const QFont& font)
{
    m_font = font;
    const QFontMetricsF metrics(font);
    m_lineHeight = std::max(1, static_cast<int>(std::ceil(metrics.height())));
    m_ascent = metrics.ascent();
    m_charWidth = metrics.horizontalAdvance(QLatin1Char(' '));
    if (m_charWidth <= 0) m_charWidth = 1;
    Forget();
}

void CRowLayout::SetCacheRows(int rows) { m_rows.setMaxCost(std::max(kMinCachedRows, rows)); }

void CRowLayout::Forget()
{
    m_rows.clear();
    m_seenWidth = 0;
}

namespace {

void LayOut(QTextLayout& layout, const QList<QTextLayout::FormatRange>& ranges, qreal wrapWidth)
{
    layout.clearLayout();
    layout.setFormats(ranges);
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
}

}  // namespace

void CRowLayout::Build(Row& out, const CRichTextStore& store, std::size_t row, const QFont& font,
                       QPaintDevice* device, qreal cell, qreal tabStop, qreal wrapWidth,
                       std::vector<QTextCharFormat>& formats)
{
    std::u16string units;
    std::vector<CRichTextStore::Span> spans;
    store.DecodeRow(row, units, spans);
    QString text(reinterpret_cast<const QChar*>(units.data()), static_cast<qsizetype>(units.size()));
    out.placeholders.clear();
    bool plain = true;
    bool reorders = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c >= 0x20 && c < 0x7F) continue;
        if (IsPlaceholder(c)) {
            out.placeholders.push_back({static_cast<int>(i), c});
            text[i] = QChar(kNoBreakSpace);  // one cell wide, spaced to two for a bidirectional control
        } else if (c >= 0x590) {
            reorders = true;  // a letter that the bidirectional algorithm could move
        }
        if (!IsPlain(c)) plain = false;
    }
    if (!plain) gridfit::KeepClustersWhole(text, spans);
    out.shift = reorders ? 1 : 0;
    if (reorders) text.prepend(QChar(kLeftToRightOverride));

    QList<QTextLayout::FormatRange> ranges;
    ranges.reserve(static_cast<qsizetype>(spans.size()));
    const int rowLength = static_cast<int>(units.size());
    for (std::size_t k = 0; k < spans.size(); ++k) {
        const int start = static_cast<int>(spans[k].start);
        const int end = k + 1 < spans.size() ? static_cast<int>(spans[k + 1].start) : rowLength;
        if (end > start)
            ranges.append(QTextLayout::FormatRange{out.At(start), end - start, CharFormat(store, formats, spans[k].format)});
    }

    QTextOption option;
    option.setWrapMode(wrapWidth > 0 ? QTextOption::WrapAnywhere : QTextOption::NoWrap);
    option.setTabStopDistance(tabStop);
    option.setTextDirection(Qt::LeftToRight);
    option.setAlignment(Qt::AlignLeft);

    QTextLayout& layout = out.layout;
    layout.setText(text);
    layout.setFont(device ? QFont(font, device) : font);
    layout.setTextOption(option);
    layout.setCacheEnabled(true);
    out.marks.clear();
    if (plain) {
        LayOut(layout, ranges, wrapWidth);
    } else {
        // Laid out on one unwrapped line to be measured: marks that no font can place on
        // their base go to the painter, and every cluster is spaced to its cells.
        LayOut(layout, ranges, 0);
        if (gridfit::LiftStrayMarks(layout, out.shift, units, text, out.marks)) {
            layout.setText(text);
            LayOut(layout, ranges, 0);
        }
        const gridfit::Fit fit = gridfit::FitToCells(layout, out.shift, units, cell);
        const qsizetype first = ranges.size();
        ranges.append(fit.ranges);
        if (!fit.ranges.isEmpty()) {
            LayOut(layout, ranges, 0);
            if (gridfit::UndoDeviceScale(layout, fit, ranges, first)) LayOut(layout, ranges, 0);
        }
        gridfit::PlaceMarks(layout, out.shift, out.marks);
        if (wrapWidth > 0) LayOut(layout, ranges, wrapWidth);
    }
    out.width = layout.lineCount() > 0 ? layout.lineAt(0).naturalTextWidth() : 0;
}

const CRowLayout::Row& CRowLayout::RowAt(std::size_t row) const
{
    if (Row* cached = m_rows.object(row)) return *cached;
    auto* built = new Row;
    Build(*built, *m_store, row, m_font, nullptr, m_charWidth, TAB_COLUMNS * m_charWidth, 0, m_formats);
    if (built->width > m_seenWidth) m_seenWidth = built->width;
    m_rows.insert(row, built, 1);
    return *built;
}

qreal CRowLayout::XOfPos(std::uint64_t pos) const
{
    const std::size_t row = m_store->RowOfUnit(pos);
    const Row& laid = RowAt(row);
    return laid.layout.lineAt(0).cursorToX(laid.At(static_cast<int>(pos - m_store->RowStart(row))));
}

std::uint64_t CRowLayout::RowLastPos(std::size_t row) const
{
    const std::uint64_t end = m_store->RowEnd(row);
    if (m_store->RowEndsWithLineFeed(row) || row + 1 >= m_store->RowCount()) return end;
    return PrevCharPos(end);
}

std::uint64_t CRowLayout::PosAtRowX(std::size_t row, qreal x) const
{
    const Row& laid = RowAt(row);
    const int place = laid.PlaceOf(laid.layout.lineAt(0).xToCursor(x, QTextLine::CursorBetweenCharacters));
    return std::min(m_store->RowStart(row) + static_cast<std::uint64_t>(place), RowLastPos(row));
}

std::uint64_t CRowLayout::CharAtRowX(std::size_t row, qreal x) const
{
    const Row& laid = RowAt(row);
    const int place = laid.PlaceOf(laid.layout.lineAt(0).xToCursor(x, QTextLine::CursorOnCharacter));
    return std::min(m_store->RowStart(row) + static_cast<std::uint64_t>(place), m_store->RowEnd(row));
}

std::uint64_t CRowLayout::NextCharPos(std::uint64_t pos) const
{
    if (pos >= m_store->Length()) return m_store->Length();
    const std::size_t row = m_store->RowOfUnit(pos);
    const std::uint64_t start = m_store->RowStart(row);
    if (pos >= m_store->RowEnd(row)) return pos + 1;  // over the line feed
    const Row& laid = RowAt(row);
    return start + static_cast<std::uint64_t>(
                       laid.PlaceOf(laid.layout.nextCursorPosition(laid.At(static_cast<int>(pos - start)))));
}

std::uint64_t CRowLayout::PrevCharPos(std::uint64_t pos) const
{
    if (pos == 0) return 0;
    std::size_t row = m_store->RowOfUnit(pos);
    std::uint64_t start = m_store->RowStart(row);
    if (pos == start) {
        if (m_store->RowEndsWithLineFeed(row - 1)) return pos - 1;  // before the line feed
        --row;  // a continued row: step back inside the row before
        start = m_store->RowStart(row);
    }
    const Row& laid = RowAt(row);
    return start + static_cast<std::uint64_t>(
                       laid.PlaceOf(laid.layout.previousCursorPosition(laid.At(static_cast<int>(pos - start)))));
}

std::uint64_t CRowLayout::NextWordPos(std::uint64_t pos) const
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

std::uint64_t CRowLayout::PrevWordPos(std::uint64_t pos) const
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

void CRowLayout::WordAt(std::uint64_t pos, std::uint64_t& wordStart, std::uint64_t& wordEnd) const
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

void CRowLayout::RowAround(std::uint64_t pos, std::uint64_t& start, std::uint64_t& end) const
{
    const std::size_t row = m_store->RowOfUnit(pos);
    start = m_store->RowStart(row);
    end = m_store->RowEnd(row) + (m_store->RowEndsWithLineFeed(row) ? 1 : 0);
}
