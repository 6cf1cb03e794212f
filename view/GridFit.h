#pragma once
// Fitting a laid out row of the control's text to its grid of cells (CellWidth.h), with
// every grapheme cluster (a character and its marks) drawn whole. CRowLayout::Build uses
// these on the rows that hold a character from U+0300: rows of plain text need none.
//
//  - KeepClustersWhole: a run of one format that ends inside a cluster ends at the
//    cluster's end, so that the cluster is shaped as one, in its first character's format.
//  - LiftStrayMarks: a mark that the font of its base character has no glyph for is drawn
//    from another font, which cannot place it on the base (it would land on the next
//    cell). Such a mark leaves the laid out text (a combining grapheme joiner, which draws
//    nothing and keeps the cluster one, takes its place) and the painter draws it over
//    its cluster instead, where PlaceMarks puts it: centred over the cluster's cells,
//    clear of the base and of the marks before it, above it or (for marks that go below)
//    under it.
//  - FitToCells: the letter spacing that brings every cluster to its cells, whatever the
//    width of the glyphs that the font (or a fallback font) draws for it.
//
// Places are positions in the row (units of its text); a layout may hold shift units
// before them (a left-to-right override), so that place p is p + shift in the layout.

#include "view/RichTextStore.h"

#include <QList>
#include <QPointF>
#include <QRawFont>
#include <QString>
#include <QTextLayout>

#include <string>
#include <vector>

namespace gridfit {

// A mark drawn by the painter over the cluster that begins at place: glyph of font, its
// origin at offset from the cluster's left edge on the baseline.
struct Mark {
    int place = 0;
    QRawFont font;
    quint32 glyph = 0;
    bool below = false;
    QPointF offset;
};

void KeepClustersWhole(const QString& text, std::vector<CRichTextStore::Span>& spans);

// Lifts the stray marks of laid (laid out from text, whose characters were original)
// out of text into marks; true when it lifted one.
bool LiftStrayMarks(const QTextLayout& laid, int shift, const std::u16string& original, QString& text,
                    std::vector<Mark>& marks);

// Gives each of marks its offset in laid (laid out again without them, on one line).
void PlaceMarks(const QTextLayout& laid, int shift, std::vector<Mark>& marks);

// One range of letter spacing for each run of clusters of laid that need the same to take
// their cells of width cell (counted from original); tabs go to their stops and need none.
struct Fit {
    QList<QTextLayout::FormatRange> ranges;
    // The first cluster spaced: where it is in the layout and its width before.
    int probe = 0, probeEnd = 0;
    qreal probeWidth = 0;
};
Fit FitToCells(const QTextLayout& laid, int shift, const std::u16string& original, qreal cell);

// Qt scales letter spacing by the resolution of the font's device over the screen's. Once
// laid is laid out again with the fit's ranges at their places in ranges (from first on),
// measures its probe and, when the spacing came out scaled, scales the ranges back;
// true when it did (laid must then be laid out again).
bool UndoDeviceScale(const QTextLayout& laid, const Fit& fit, QList<QTextLayout::FormatRange>& ranges, qsizetype first);

}  // namespace gridfit
