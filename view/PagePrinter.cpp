#include "PagePrinter.h"

#include "RichTextStore.h"
#include "RowPainter.h"

#include <QCoreApplication>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPainter>
#include <QPrinter>
#include <QTextLayout>
#include <QTextLine>

#include <algorithm>

namespace {

// The tab stop distance to give Qt's layouts on device so that the stops fall every
// distance. Qt widens a layout's stops by its font's resolution over the screen's (a
// printer's stops would be many times too far, and every tab would break its line):
// a tab is laid out once and the distance scaled back by what it came to.
qreal TabStopFor(const QFont& font, QPaintDevice* device, qreal distance)
{
    QTextLayout probe(QStringLiteral("\tx"), font, device);
    QTextOption option;
    option.setWrapMode(QTextOption::NoWrap);
    option.setTabStopDistance(distance);
    probe.setTextOption(option);
    probe.beginLayout();
    QTextLine line = probe.createLine();
    if (line.isValid()) line.setLineWidth(1e9);
    probe.endLayout();
    const qreal drawn = line.isValid() ? line.cursorToX(1) : 0;
    return drawn > 0 ? distance * distance / drawn : distance;
}

}  // namespace

CPagePrinter::CPagePrinter(const CRichTextStore& store, const QFont& font, QPaintDevice* device, const QRectF& page,
                           const QString& documentName)
    : m_store(store), m_font(font, device), m_device(device), m_page(page), m_documentName(documentName)
{
    const QFontMetricsF metrics(m_font, device);
    m_lineHeight = metrics.height();
    m_bodyHeight = std::max(m_lineHeight, page.height() - 2 * m_lineHeight);
    m_cell = metrics.horizontalAdvance(QLatin1Char(' '));
    m_tabStop = TabStopFor(m_font, device, CRowLayout::TAB_COLUMNS * m_cell);
}

bool CPagePrinter::HasPage() const { return m_pageNumber == 1 || m_row < m_store.RowCount(); }

void CPagePrinter::LayOutRow()
{
    if (m_laidRow == m_row) return;
    CRowLayout::Build(m_laid, m_store, m_row, m_font, m_device, m_cell, m_tabStop, m_page.width(), m_formats);
    m_laidRow = m_row;
}

void CPagePrinter::PaintPage(QPainter* painter)
{
    if (painter) painter->setFont(m_font);
    qreal y = 0;
    while (m_row < m_store.RowCount()) {
        LayOutRow();
        if (m_line >= m_laid.layout.lineCount()) {
            ++m_row;
            m_line = 0;
            continue;
        }
        const QTextLine line = m_laid.layout.lineAt(m_line);
        if (y + line.height() > m_bodyHeight && y > 0) break;  // the page is full
        if (painter) {
            CRowPainter rows(*painter, m_store);
            rows.PaintLine(m_laid, m_row, m_line, QPointF(m_page.left(), m_page.top() + y - line.y()));
        }
        y += line.height();
        ++m_line;
    }
    if (painter) {
        painter->save();
        painter->setPen(Qt::black);
        const QRectF band(m_page.left(), m_page.bottom() - m_lineHeight, m_page.width(), m_lineHeight);
        if (!m_documentName.isEmpty()) painter->drawText(band, Qt::AlignLeft | Qt::AlignVCenter, m_documentName);
        painter->drawText(band, Qt::AlignRight | Qt::AlignVCenter,
                          QCoreApplication::translate("CPagePrinter", "Page %1").arg(m_pageNumber));
        painter->restore();
    }
    ++m_pageNumber;
}

void CPagePrinter::Print(const CRichTextStore& store, const QFont& font, QPrinter& printer)
{
    // A printer's default may be greyscale (a raw CUPS queue, for one); the text is coloured.
    printer.setColorMode(QPrinter::Color);
    QPainter painter;
    if (!painter.begin(&printer)) return;
    const QRect paper = printer.pageLayout().paintRectPixels(printer.resolution());
    CPagePrinter pages(store, font, &printer, QRectF(0, 0, paper.width(), paper.height()), printer.docName());
    const int firstPage = printer.fromPage();
    const int lastPage = printer.toPage();
    bool anyPrinted = false;
    while (pages.HasPage()) {
        const int n = pages.PageNumber();
        if (lastPage > 0 && n > lastPage) break;
        if (firstPage <= 0 || n >= firstPage) {
            if (anyPrinted) printer.newPage();
            anyPrinted = true;
            pages.PaintPage(&painter);
        } else {
            pages.PaintPage(nullptr);
        }
    }
    painter.end();
}
