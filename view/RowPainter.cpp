#include "RowPainter.h"

#include "RichTextStore.h"
#include "RowScroller.h"

#include "syntax/DisplayText.h"

#include <QFontMetricsF>
#include <QGlyphRun>
#include <QPainter>
#include <QTextLine>

#include <algorithm>
#include <cmath>

namespace {

QTextCharFormat RangeFormat(const CTextHighlight& range)
{
    QTextCharFormat format;
    if (range.background.isValid()) format.setBackground(range.background);
    if (range.text.isValid()) format.setForeground(range.text);
    if (range.underline) format.setFontUnderline(true);
    return format;
}

// Appends range, cut to the characters rowStart..rowEnd of the row laid, to ranges.
void AddRange(QList<QTextLayout::FormatRange>& ranges, const CTextHighlight& range, const CRowLayout::Row& laid,
              std::uint64_t rowStart, std::uint64_t rowEnd)
{
    const std::uint64_t a = std::max(range.from, rowStart);
    const std::uint64_t b = std::min(range.to, rowEnd);
    if (a < b)
        ranges.append(QTextLayout::FormatRange{laid.At(static_cast<int>(a - rowStart)), static_cast<int>(b - a),
                                               RangeFormat(range)});
}

}  // namespace

CRowPainter::CRowPainter(QPainter& painter, const CRichTextStore& store) : m_painter(painter), m_store(store) {}

void CRowPainter::SetSelection(std::uint64_t from, std::uint64_t to, const QColor& background, const QColor& text)
{
    m_selection = CTextHighlight{from, to, background, text};
}

void CRowPainter::PaintRows(const CRowLayout& layout, const CRowScroller& scroller, const QRect& area,
                            const std::uint64_t* caret)
{
    const int lineHeight = layout.LineHeight();
    const std::size_t count = m_store.RowCount();
    const int firstOffset = std::max(0, (area.top() - CRowScroller::TOP_MARGIN) / lineHeight);
    for (std::size_t row = scroller.TopRow() + static_cast<std::size_t>(firstOffset); row < count; ++row) {
        const int y = scroller.RowY(row);
        if (y > area.bottom()) break;
        const CRowLayout::Row& laid = layout.RowAt(row);
        const QTextLine line = laid.layout.lineAt(0);
        // Baselines keep to the rows even when a fallback font makes a line taller.
        const QPointF origin(scroller.ViewportX(0), y + layout.Ascent() - line.ascent());
        PaintRow(laid, row, origin, y, lineHeight, layout.CharWidth() / 2);

        const std::uint64_t rowStart = m_store.RowStart(row);
        if (caret && *caret >= rowStart && *caret <= m_store.RowEnd(row) && m_store.RowOfUnit(*caret) == row) {
            const qreal x = origin.x() + line.cursorToX(laid.At(static_cast<int>(*caret - rowStart)));
            m_painter.fillRect(QRectF(std::floor(x), y, 1, lineHeight), Qt::black);
        }
    }
}

const CTextHighlight* CRowPainter::RangeAt(std::uint64_t pos) const
{
    if (pos >= m_selection.from && pos < m_selection.to) return &m_selection;
    if (!m_highlights) return nullptr;
    // Only a range that colours its text decides it (a tint under a found word does not).
    for (const CTextHighlight& h : *m_highlights)
        if (pos >= h.from && pos < h.to && h.text.isValid()) return &h;
    return nullptr;
}

void CRowPainter::PaintRow(const CRowLayout::Row& laid, std::size_t row, const QPointF& origin, qreal top,
                           qreal height, qreal lineFeedWidth)
{
    const QTextLine line = laid.layout.lineAt(0);
    const std::uint64_t rowStart = m_store.RowStart(row);
    const std::uint64_t rowEnd = m_store.RowEnd(row);
    const bool lineFeed = m_store.RowEndsWithLineFeed(row);

    // The ranges that reach into this row: highlights first, the selection last.
    std::vector<const CTextHighlight*> here;
    if (m_highlights)
        for (const CTextHighlight& h : *m_highlights)
            if (h.from < h.to && h.from <= rowEnd && h.to > rowStart) here.push_back(&h);
    if (m_selection.from < m_selection.to && m_selection.from <= rowEnd && m_selection.to > rowStart)
        here.push_back(&m_selection);

    QList<QTextLayout::FormatRange> ranges;
    for (const CTextHighlight* range : here) AddRange(ranges, *range, laid, rowStart, rowEnd);
    laid.layout.draw(&m_painter, origin, ranges);
    // A line feed in a range shows as a small block after the row's last character.
    if (lineFeed)
        for (const CTextHighlight* range : here)
            if (range->to > rowEnd && range->background.isValid())
                m_painter.fillRect(QRectF(origin.x() + line.naturalTextWidth(), top, lineFeedWidth, height),
                                   range->background);
    DrawPlaceholders(laid, line, origin, row, !here.empty());
    DrawMarks(laid, line, origin, row, !here.empty());
}

void CRowPainter::PaintLine(const CRowLayout::Row& laid, std::size_t row, int index, const QPointF& origin)
{
    const QTextLine line = laid.layout.lineAt(index);
    line.draw(&m_painter, origin);
    DrawPlaceholders(laid, line, origin, row, false);
    DrawMarks(laid, line, origin, row, false);
}

void CRowPainter::DrawName(const QRectF& box, const QString& name, const QFont& font)
{
    const qreal width = QFontMetricsF(font).horizontalAdvance(name);
    const qreal room = box.width() - 2;
    const qreal scale = width > room && width > 0 ? room / width : 1;
    m_painter.save();
    m_painter.setFont(font);
    m_painter.translate(box.center());
    m_painter.scale(scale, 1);
    m_painter.drawText(QRectF(-width / 2 - 1, -box.height() / 2, width + 2, box.height()), Qt::AlignCenter, name);
    m_painter.restore();
}

QColor CRowPainter::TextColour(std::uint64_t pos, bool ranges) const
{
    const CTextHighlight* range = ranges ? RangeAt(pos) : nullptr;
    if (range && range->text.isValid()) return range->text;
    const COLORREF own = m_store.FormatAt(pos).colour;
    return QColor(GetRValue(own), GetGValue(own), GetBValue(own));
}

void CRowPainter::DrawMarks(const CRowLayout::Row& laid, const QTextLine& line, const QPointF& origin,
                            std::size_t row, bool ranges)
{
    if (laid.marks.empty()) return;
    const std::uint64_t rowStart = m_store.RowStart(row);
    const int first = line.textStart();
    const int last = line.textStart() + line.textLength();
    m_painter.save();
    for (const gridfit::Mark& mark : laid.marks) {
        const int index = laid.At(mark.place);
        if (index < first || index >= last) continue;
        QGlyphRun glyph;
        glyph.setRawFont(mark.font);
        glyph.setGlyphIndexes({mark.glyph});
        glyph.setPositions({QPointF(0, 0)});
        m_painter.setPen(TextColour(rowStart + static_cast<std::uint64_t>(mark.place), ranges));
        const QPointF baseline(line.cursorToX(index), line.y() + line.ascent());
        m_painter.drawGlyphRun(origin + baseline + mark.offset, glyph);
    }
    m_painter.restore();
}

void CRowPainter::DrawPlaceholders(const CRowLayout::Row& laid, const QTextLine& line, const QPointF& origin,
                                   std::size_t row, bool ranges)
{
    if (laid.placeholders.empty()) return;
    const std::uint64_t rowStart = m_store.RowStart(row);
    const qreal top = origin.y() + line.y();
    const qreal height = line.height();
    const int first = line.textStart();
    const int last = line.textStart() + line.textLength();
    QFont small = m_painter.font();
    small.setBold(false);
    small.setItalic(false);
    small.setPixelSize(std::max(4, static_cast<int>(height * 0.42)));
    // A name takes most of the box's height, narrowed to fit its width.
    QFont nameFont = small;
    nameFont.setPixelSize(std::max(4, static_cast<int>(height * 0.55)));
    m_painter.save();
    m_painter.setFont(small);
    for (const auto& [place, code] : laid.placeholders) {
        const int index = laid.At(place);
        if (index < first || index >= last) continue;
        const qreal x0 = origin.x() + line.cursorToX(index);
        const qreal x1 = origin.x() + line.cursorToX(laid.layout.nextCursorPosition(index));
        if (x1 <= x0) continue;
        const QColor colour = TextColour(rowStart + static_cast<std::uint64_t>(place), ranges);
        const QRectF cell(x0 + 0.5, top + height * 0.08, x1 - x0 - 1, height * 0.84);
        m_painter.setPen(QPen(colour, 0));
        m_painter.setBrush(Qt::NoBrush);
        m_painter.drawRect(cell);
        if (const char* name = display::BidiControlName(code)) {
            DrawName(cell, QString::fromLatin1(name), nameFont);
            continue;
        }
        const QString hex = QStringLiteral("%1").arg(static_cast<unsigned>(code), 2, 16, QLatin1Char('0')).toUpper();
        m_painter.drawText(QRectF(cell.left(), cell.top(), cell.width(), cell.height() / 2), Qt::AlignCenter,
                           hex.left(1));
        m_painter.drawText(QRectF(cell.left(), cell.top() + cell.height() / 2, cell.width(), cell.height() / 2),
                           Qt::AlignCenter, hex.mid(1, 1));
    }
    m_painter.restore();
}
