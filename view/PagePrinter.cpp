#include "PagePrinter.h"

#include "RichTextStore.h"
#include "RowPainter.h"

#include <QCoreApplication>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPainter>
#include <QPrinter>
#include <QTextLine>

#include <algorithm>

CPagePrinter::CPagePrinter(const CRichTextStore& store, const QFont& font, QPaintDevice* device, const QRectF& page,
                           const QString& documentName)
    : m_store(store), m_font(font, device), m_device(device), m_page(page), m_documentName(documentName)
{
    const QFontMetricsF metrics(m_font, device);
    m_lineHeight = metrics.height();
    m_bodyHeight = std::max(m_lineHeight, page.height() - 2 * m_lineHeight);
    m_tabStop = CRowLayout::TAB_COLUMNS * metrics.horizontalAdvance(QLatin1Char(' '));
}

bool CPagePrinter::HasPage() const { return m_pageNumber == 1 || m_row < m_store.RowCount(); }

void CPagePrinter::LayOutRow()
{
    if (m_laidRow == m_row) return;
    CRowLayout::Build(m_laid, m_store, m_row, m_font, m_device, m_tabStop, m_page.width(), m_formats);
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
