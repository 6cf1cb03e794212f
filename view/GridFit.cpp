#include "GridFit.h"

#include "syntax/CellWidth.h"

#include <QGlyphRun>
#include <QTextBoundaryFinder>
#include <QTextLine>

#include <algorithm>
#include <cmath>

namespace gridfit {

namespace {

constexpr char16_t kGraphemeJoiner = 0x034F;
constexpr char16_t kSoftHyphen = 0x00AD;

// The character at i of units (a surrogate pair read as one), and its length in units.
char32_t CharAt(const std::u16string& units, int i, int end, int& length)
{
    const char16_t c = units[static_cast<std::size_t>(i)];
    length = 1;
    if (QChar::isHighSurrogate(c) && i + 1 < end && QChar::isLowSurrogate(units[static_cast<std::size_t>(i) + 1])) {
        length = 2;
        return QChar::surrogateToUcs4(c, units[static_cast<std::size_t>(i) + 1]);
    }
    return c;
}

bool IsMark(char32_t c)
{
    const QChar::Category category = QChar::category(c);
    return category == QChar::Mark_NonSpacing || category == QChar::Mark_Enclosing;
}

// Marks of these combining classes go under their base; the others over it.
bool GoesBelow(char32_t c)
{
    const int cls = QChar::combiningClass(c);
    return cls == 202 || cls == 218 || cls == 220 || cls == 222 || cls == 233;
}

// The cells of the cluster original[from, to), and whether its glyphs may miss them
// (a cluster of characters below U+0300 takes its cells in the text's font).
int ClusterCells(const std::u16string& original, int from, int to, bool& plain)
{
    int cellCount = 0;
    plain = true;
    for (int i = from, length = 1; i < to; i += length) {
        const char32_t c = CharAt(original, i, to, length);
        if (c < 0x300 && c != kSoftHyphen) {
            ++cellCount;
            continue;
        }
        plain = false;
        cellCount += cells::Width(c);
    }
    return cellCount;
}

QTextLayout::FormatRange Spacing(int start, int length, qreal spacing)
{
    QTextCharFormat format;
    format.setFontLetterSpacingType(QFont::AbsoluteSpacing);
    format.setFontLetterSpacing(spacing);
    return QTextLayout::FormatRange{start, length, format};
}

// The font that draws the character at index of line, and its glyph's bounds there.
QRawFont FontAt(const QTextLine& line, int index, int length, QRectF* bounds = nullptr)
{
    const QList<QGlyphRun> runs = line.glyphRuns(index, length);
    if (runs.isEmpty() || runs.first().glyphIndexes().isEmpty()) return QRawFont();
    if (bounds) *bounds = runs.first().rawFont().boundingRect(runs.first().glyphIndexes().first());
    return runs.first().rawFont();
}

}  // namespace

void KeepClustersWhole(const QString& text, std::vector<CRichTextStore::Span>& spans)
{
    QTextBoundaryFinder clusters(QTextBoundaryFinder::Grapheme, text);
    const auto length = static_cast<std::uint32_t>(text.size());
    std::size_t kept = 1;  // the first span starts at 0, a boundary
    for (std::size_t k = 1; k < spans.size(); ++k) {
        std::uint32_t start = spans[k].start;
        clusters.setPosition(static_cast<qsizetype>(start));
        if (!clusters.isAtBoundary()) {
            const qsizetype next = clusters.toNextBoundary();
            start = next < 0 ? length : static_cast<std::uint32_t>(next);
        }
        if (start >= length) break;
        // Of spans pushed onto one boundary, the last holds the character there.
        if (start == spans[kept - 1].start)
            spans[kept - 1].format = spans[k].format;
        else
            spans[kept++] = CRichTextStore::Span{start, spans[k].format};
    }
    spans.resize(kept);
}

bool LiftStrayMarks(const QTextLayout& laid, int shift, const std::u16string& original, QString& text,
                    std::vector<Mark>& marks)
{
    const QTextLine line = laid.lineAt(0);
    const int n = static_cast<int>(original.size());
    bool lifted = false;
    for (int place = 0; place < n;) {
        const int next = std::min(n, std::max(place + 1, laid.nextCursorPosition(place + shift) - shift));
        int baseLength = 1;
        CharAt(original, place, next, baseLength);
        if (next - place > baseLength) {
            const QRawFont base = FontAt(line, place + shift, baseLength);
            for (int i = place + baseLength, length = 1; i < next; i += length) {
                const char32_t c = CharAt(original, i, next, length);
                if (!IsMark(c) || (base.isValid() && base.supportsCharacter(c))) continue;
                const QRawFont font = FontAt(line, i + shift, length);
                if (!font.isValid() || !font.supportsCharacter(c)) continue;  // nothing draws it anyway
                const QList<quint32> glyphs = font.glyphIndexesForString(QString::fromUcs4(&c, 1));
                if (glyphs.isEmpty()) continue;
                marks.push_back(Mark{place, font, glyphs.first(), GoesBelow(c), QPointF()});
                for (int k = 0; k < length; ++k) text[i + shift + k] = QChar(kGraphemeJoiner);
                lifted = true;
            }
        }
        place = next;
    }
    return lifted;
}

void PlaceMarks(const QTextLayout& laid, int shift, std::vector<Mark>& marks)
{
    const QTextLine line = laid.lineAt(0);
    qreal above = 0, below = 0;  // how far the marks of the cluster so far reach
    for (std::size_t k = 0; k < marks.size(); ++k) {
        Mark& mark = marks[k];
        const int index = mark.place + shift;
        const qreal left = line.cursorToX(index);
        const qreal width = line.cursorToX(laid.nextCursorPosition(index)) - left;
        if (k == 0 || marks[k - 1].place != mark.place) {
            // A new cluster: its marks clear the base's glyph.
            QRectF base;
            FontAt(line, index, 1, &base);
            above = base.isEmpty() ? 0 : base.top();
            below = base.isEmpty() ? 0 : base.bottom();
        }
        const QRectF glyph = mark.font.boundingRect(mark.glyph);
        qreal dy = 0;
        if (mark.below) {
            if (glyph.top() < below + 1) dy = below + 1 - glyph.top();
            below = glyph.bottom() + dy;
        } else {
            if (glyph.bottom() > above - 1) dy = above - 1 - glyph.bottom();
            above = glyph.top() + dy;
        }
        mark.offset = QPointF(width / 2 - (glyph.left() + glyph.width() / 2), dy);
    }
}

Fit FitToCells(const QTextLayout& laid, int shift, const std::u16string& original, qreal cell)
{
    Fit fit;
    QList<QTextLayout::FormatRange>& fits = fit.ranges;
    const QTextLine line = laid.lineAt(0);
    const int n = static_cast<int>(original.size());
    for (int place = 0; place < n;) {
        const int index = place + shift;
        const int nextIndex = std::max(index + 1, laid.nextCursorPosition(index));
        const int next = std::min(n, nextIndex - shift);
        bool plain = true;
        const int cellCount = ClusterCells(original, place, next, plain);
        if (!plain && original[static_cast<std::size_t>(place)] != u'\t') {
            const qreal width = line.cursorToX(nextIndex) - line.cursorToX(index);
            const qreal spacing = cellCount * cell - width;
            if (std::abs(spacing) > 0.01) {
                QTextLayout::FormatRange* last = fits.isEmpty() ? nullptr : &fits.last();
                if (!last) {
                    fit.probe = index;
                    fit.probeEnd = nextIndex;
                    fit.probeWidth = width;
                }
                if (last && last->start + last->length == index &&
                    std::abs(last->format.fontLetterSpacing() - spacing) < 0.001)
                    last->length += nextIndex - index;
                else
                    fits.append(Spacing(index, nextIndex - index, spacing));
            }
        }
        place = next;
    }
    return fit;
}

bool UndoDeviceScale(const QTextLayout& laid, const Fit& fit, QList<QTextLayout::FormatRange>& ranges, qsizetype first)
{
    if (fit.ranges.isEmpty()) return false;
    const QTextLine line = laid.lineAt(0);
    const qreal wanted = fit.ranges.first().format.fontLetterSpacing();
    const qreal added = line.cursorToX(fit.probeEnd) - line.cursorToX(fit.probe) - fit.probeWidth;
    const qreal scale = added / wanted;
    if (std::abs(scale - 1) < 0.01 || scale <= 0) return false;
    for (qsizetype i = first; i < ranges.size(); ++i)
        ranges[i].format.setFontLetterSpacing(ranges[i].format.fontLetterSpacing() / scale);
    return true;
}

}  // namespace gridfit
