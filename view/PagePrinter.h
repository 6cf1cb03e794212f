#pragma once
// CPagePrinter: the control's text laid out on pages and painted one page at a time, on
// any paint device: a printer, a PDF or an image.
//
//  - Lines are laid out in the given font (the control's own, whatever the screen shows)
//    on the device, so that they keep their size at the device's resolution, and wrapped
//    at the page's width. Tab stops are every 8 widths of a space, at any resolution.
//  - A page holds as many whole lines as fit above its footer, at least one; the footer
//    is the last line's height of the page: the document's name at the left and
//    "Page N" at the right, in black.
//  - Page 1 always exists, an empty text gives one page with only its footer; every
//    further page begins with a line left over.
//  - Characters keep their colours, weight and slant; control characters are boxes
//    holding their code.

#include "view/RowLayout.h"

#include <QFont>
#include <QRectF>
#include <QString>
#include <QTextCharFormat>

#include <vector>

class CRichTextStore;
class QPaintDevice;
class QPainter;
class QPrinter;

class CPagePrinter {
public:
    // page: where a page's contents go, in the painter's coordinates on device.
    CPagePrinter(const CRichTextStore& store, const QFont& font, QPaintDevice* device, const QRectF& page,
                 const QString& documentName);

    // True while a page is left: page 1, then every page that has a line to show.
    bool HasPage() const;
    // The number of the page that PaintPage paints next, from 1.
    int PageNumber() const { return m_pageNumber; }
    // Paints the next page with painter, or steps over it when painter is null.
    void PaintPage(QPainter* painter);

    // Prints the whole text (or the printer's page range) on printer, in colour whatever
    // the printer's default colour mode, with printer.docName() in the footers.
    static void Print(const CRichTextStore& store, const QFont& font, QPrinter& printer);

private:
    void LayOutRow();

    const CRichTextStore& m_store;
    QFont m_font;  // for device
    QPaintDevice* m_device;
    QRectF m_page;
    QString m_documentName;
    qreal m_lineHeight;
    qreal m_bodyHeight;
    qreal m_cell;     // the width of a space
    qreal m_tabStop;  // as Qt takes it on m_device
    std::vector<QTextCharFormat> m_formats;

    int m_pageNumber = 1;
    std::size_t m_row = 0;  // the row of the next line to place
    int m_line = 0;         // that line's index in the row's layout
    CRowLayout::Row m_laid;  // m_row laid out, when m_laidRow says so
    std::size_t m_laidRow = SIZE_MAX;
};
