#include "RowScroller.h"

#include <QApplication>
#include <QTextLine>
#include <QWheelEvent>
#include <QWidget>

#include <algorithm>
#include <cmath>

CRowScroller::CRowScroller(const CRowLayout& layout, const QWidget& viewport) : m_layout(layout), m_viewport(viewport)
{
}

void CRowScroller::Reset()
{
    m_topRow = 0;
    m_scrollX = 0;
}

std::size_t CRowScroller::FullRowsVisible() const
{
    const int height = m_viewport.height() - TOP_MARGIN;
    return static_cast<std::size_t>(std::max(1, height / m_layout.LineHeight()));
}

std::size_t CRowScroller::MaxTopRow() const
{
    const std::size_t rows = m_layout.Store().RowCount();
    const std::size_t visible = FullRowsVisible();
    return rows > visible ? rows - visible : 0;
}

int CRowScroller::MaxScrollX() const
{
    const qreal content = std::max(static_cast<qreal>(m_layout.Store().MaxRowColumns()) * m_layout.CharWidth(),
                                   m_layout.SeenWidth());
    const qreal room = m_viewport.width() - LEFT_MARGIN - 2;
    return static_cast<int>(std::max<qreal>(0, std::ceil(content - room)));
}

bool CRowScroller::ScrollTo(long long topRow, long long scrollX)
{
    const std::size_t top =
        static_cast<std::size_t>(std::clamp<long long>(topRow, 0, static_cast<long long>(MaxTopRow())));
    const int x = static_cast<int>(std::clamp<long long>(scrollX, 0, MaxScrollX()));
    if (top == m_topRow && x == m_scrollX) return false;
    m_topRow = top;
    m_scrollX = x;
    return true;
}

bool CRowScroller::ShowPos(std::uint64_t pos)
{
    const std::size_t row = m_layout.Store().RowOfUnit(pos);
    const std::size_t visible = FullRowsVisible();
    long long top = static_cast<long long>(m_topRow);
    if (row < m_topRow)
        top = static_cast<long long>(row);
    else if (row >= m_topRow + visible)
        top = static_cast<long long>(row - visible + 1);

    const int x = static_cast<int>(std::lround(m_layout.XOfPos(pos)));
    const int room = std::max(1, m_viewport.width() - LEFT_MARGIN - 2);
    long long scrollX = m_scrollX;
    if (x < m_scrollX)
        scrollX = std::max(0, x - room / 3);
    else if (x > m_scrollX + room)
        scrollX = x - room + room / 3;
    return ScrollTo(top, scrollX);
}

bool CRowScroller::CentreRow(std::size_t row)
{
    const std::size_t above = (FullRowsVisible() - 1) / 2;
    return ScrollTo(static_cast<long long>(row) - static_cast<long long>(above), 0);
}

bool CRowScroller::Wheel(const QWheelEvent& e)
{
    const QPoint pixels = e.pixelDelta();
    const QPoint angle = e.angleDelta();
    const bool sideways = (e.modifiers() & Qt::ShiftModifier) || (angle.x() != 0 && angle.y() == 0) ||
                          (pixels.x() != 0 && pixels.y() == 0);
    const int lines = QApplication::wheelScrollLines();
    if (sideways) {
        qreal dx;
        if (!pixels.isNull())
            dx = -(pixels.x() != 0 ? pixels.x() : pixels.y());
        else
            dx = -(angle.x() != 0 ? angle.x() : angle.y()) / 120.0 * lines * 2 * m_layout.CharWidth();
        m_wheelPixels += dx;
        const int whole = static_cast<int>(m_wheelPixels);
        m_wheelPixels -= whole;
        return ScrollTo(static_cast<long long>(m_topRow), m_scrollX + whole);
    }
    qreal rows;
    if (!pixels.isNull())
        rows = -static_cast<qreal>(pixels.y()) / m_layout.LineHeight();
    else
        rows = -angle.y() / 120.0 * lines;
    m_wheelRows += rows;
    const long long whole = static_cast<long long>(m_wheelRows);
    m_wheelRows -= static_cast<qreal>(whole);
    return ScrollBy(whole);
}

int CRowScroller::RowY(std::size_t row) const
{
    return static_cast<int>((static_cast<long long>(row) - static_cast<long long>(m_topRow)) * m_layout.LineHeight() +
                            TOP_MARGIN);
}

std::size_t CRowScroller::RowAtY(int y) const
{
    const long long offset =
        static_cast<long long>(std::floor(static_cast<qreal>(y - TOP_MARGIN) / m_layout.LineHeight()));
    const long long last = static_cast<long long>(m_layout.Store().RowCount()) - 1;
    return static_cast<std::size_t>(std::clamp<long long>(static_cast<long long>(m_topRow) + offset, 0, last));
}

std::uint64_t CRowScroller::PosAtPoint(const QPoint& point) const
{
    return m_layout.PosAtRowX(RowAtY(point.y()), RowX(point.x()));
}

bool CRowScroller::Shows(const QPoint& point) const
{
    return m_viewport.rect().contains(point);
}

QRect CRowScroller::CharRect(std::uint64_t pos) const
{
    const CRichTextStore& store = m_layout.Store();
    if (pos > store.Length()) return QRect();
    const std::size_t row = store.RowOfUnit(pos);
    const CRowLayout::Row& laid = m_layout.RowAt(row);
    const QTextLine line = laid.layout.lineAt(0);
    const int index = laid.At(static_cast<int>(pos - store.RowStart(row)));
    const qreal x0 = line.cursorToX(index);
    const qreal x1 = pos < store.RowEnd(row) ? line.cursorToX(laid.layout.nextCursorPosition(index)) : x0 + 1;
    const int y = RowY(row);
    return QRect(QPoint(static_cast<int>(std::floor(ViewportX(x0))), y),
                 QPoint(static_cast<int>(std::ceil(ViewportX(x1))) - 1, y + m_layout.LineHeight() - 1));
}
