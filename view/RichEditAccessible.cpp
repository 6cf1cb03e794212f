#include "RichEditAccessible.h"

#include "SyntaxRichEditCtrl.h"

#include <QColor>
#include <QTextBoundaryFinder>

#include <algorithm>
#include <climits>

namespace {

int ClampOffset(std::uint64_t v) { return v > static_cast<std::uint64_t>(INT_MAX) ? INT_MAX : static_cast<int>(v); }

QAccessibleInterface* Factory(const QString& className, QObject* object)
{
    if (className == QLatin1String("CSyntaxRichEditCtrl") && object && object->isWidgetType())
        return new CRichEditAccessible(static_cast<CSyntaxRichEditCtrl*>(object));
    return nullptr;
}

}  // namespace

CRichEditAccessible::CRichEditAccessible(CSyntaxRichEditCtrl* control)
    : QAccessibleWidget(control, QAccessible::EditableText)
{
}

void CRichEditAccessible::Install()
{
    static const bool installed = [] {
        QAccessible::installFactory(Factory);
        return true;
    }();
    (void)installed;
}

std::unique_ptr<QAccessibleEvent> CRichEditAccessible::CaretEvent(QObject* control, std::uint64_t anchor,
                                                                  std::uint64_t caret)
{
    if (anchor == caret) return std::make_unique<QAccessibleTextCursorEvent>(control, ClampOffset(caret));
    auto event = std::make_unique<QAccessibleTextSelectionEvent>(control, ClampOffset(std::min(anchor, caret)),
                                                                 ClampOffset(std::max(anchor, caret)));
    event->setCursorPosition(ClampOffset(caret));
    return event;
}

void CRichEditAccessible::NotifyCaret(QObject* control, std::uint64_t anchor, std::uint64_t caret)
{
    if (!QAccessible::isActive()) return;
    QAccessible::updateAccessibility(CaretEvent(control, anchor, caret).get());
}

void CRichEditAccessible::NotifyTextReplaced(QObject* control)
{
    if (!QAccessible::isActive()) return;
    QAccessibleEvent changed(control, QAccessible::VisibleDataChanged);
    QAccessible::updateAccessibility(&changed);
}

CSyntaxRichEditCtrl* CRichEditAccessible::Control() const { return static_cast<CSyntaxRichEditCtrl*>(widget()); }

void* CRichEditAccessible::interface_cast(QAccessible::InterfaceType t)
{
    if (t == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
    return QAccessibleWidget::interface_cast(t);
}

QAccessible::State CRichEditAccessible::state() const
{
    QAccessible::State s = QAccessibleWidget::state();
    s.readOnly = true;
    s.editable = false;
    s.multiLine = true;
    s.selectableText = true;
    return s;
}

QString CRichEditAccessible::text(QAccessible::Text t) const
{
    if (t == QAccessible::Value) return Control()->GetText(0, Control()->GetTextLength());
    return QAccessibleWidget::text(t);
}

void CRichEditAccessible::selection(int selectionIndex, int* startOffset, int* endOffset) const
{
    *startOffset = *endOffset = 0;
    long long start, end;
    Control()->GetSel(start, end);
    if (selectionIndex != 0 || start == end) return;
    *startOffset = ClampOffset(static_cast<std::uint64_t>(start));
    *endOffset = ClampOffset(static_cast<std::uint64_t>(end));
}

int CRichEditAccessible::selectionCount() const
{
    long long start, end;
    Control()->GetSel(start, end);
    return start == end ? 0 : 1;
}

void CRichEditAccessible::addSelection(int startOffset, int endOffset) { setSelection(0, startOffset, endOffset); }

void CRichEditAccessible::removeSelection(int selectionIndex)
{
    if (selectionIndex != 0) return;
    const long long caret = Control()->GetCaretPos();
    Control()->SetSel(caret, caret);
}

void CRichEditAccessible::setSelection(int selectionIndex, int startOffset, int endOffset)
{
    if (selectionIndex != 0) return;
    Control()->SetSel(std::max(0, startOffset), std::max(0, endOffset));
}

int CRichEditAccessible::cursorPosition() const
{
    return ClampOffset(static_cast<std::uint64_t>(Control()->GetCaretPos()));
}

void CRichEditAccessible::setCursorPosition(int position)
{
    Control()->SetSel(std::max(0, position), std::max(0, position));
}

QString CRichEditAccessible::text(int startOffset, int endOffset) const
{
    if (startOffset < 0 || endOffset < startOffset) return QString();
    return Control()->GetText(startOffset, endOffset);
}

int CRichEditAccessible::characterCount() const
{
    return ClampOffset(static_cast<std::uint64_t>(Control()->GetTextLength()));
}

void CRichEditAccessible::Bounds(int offset, QAccessible::TextBoundaryType type, int* start, int* end) const
{
    const CRichTextStore& store = Control()->GetStore();
    const int length = characterCount();
    offset = std::clamp(offset, 0, length);
    if (type == QAccessible::NoBoundary) {
        *start = 0;
        *end = length;
        return;
    }
    if (type == QAccessible::CharBoundary) {
        *start = offset;
        *end = std::min(offset + 1, length);
        return;
    }
    const std::size_t row = store.RowOfUnit(static_cast<std::uint64_t>(offset));
    const int rowStart = ClampOffset(store.RowStart(row));
    const int rowEnd = ClampOffset(store.RowEnd(row) + (store.RowEndsWithLineFeed(row) ? 1 : 0));
    if (type == QAccessible::LineBoundary || type == QAccessible::ParagraphBoundary) {
        *start = rowStart;
        *end = rowEnd;
        return;
    }
    // Words and sentences: found in the row's text.
    const QString rowText = Control()->GetText(rowStart, rowEnd);
    QTextBoundaryFinder finder(type == QAccessible::SentenceBoundary ? QTextBoundaryFinder::Sentence
                                                                     : QTextBoundaryFinder::Word,
                               rowText);
    const int local = offset - rowStart;
    finder.setPosition(local);
    int from = finder.isAtBoundary() ? local : finder.toPreviousBoundary();
    if (from < 0) from = 0;
    finder.setPosition(local);
    int to = finder.toNextBoundary();
    if (to < 0) to = static_cast<int>(rowText.size());
    *start = rowStart + from;
    *end = rowStart + std::max(to, from);
}

QString CRichEditAccessible::textAtOffset(int offset, QAccessible::TextBoundaryType boundaryType, int* startOffset,
                                          int* endOffset) const
{
    Bounds(offset, boundaryType, startOffset, endOffset);
    return text(*startOffset, *endOffset);
}

QString CRichEditAccessible::textBeforeOffset(int offset, QAccessible::TextBoundaryType boundaryType,
                                              int* startOffset, int* endOffset) const
{
    int start, end;
    Bounds(offset, boundaryType, &start, &end);
    if (start <= 0) {
        *startOffset = *endOffset = 0;
        return QString();
    }
    Bounds(start - 1, boundaryType, startOffset, endOffset);
    return text(*startOffset, *endOffset);
}

QString CRichEditAccessible::textAfterOffset(int offset, QAccessible::TextBoundaryType boundaryType,
                                             int* startOffset, int* endOffset) const
{
    int start, end;
    Bounds(offset, boundaryType, &start, &end);
    if (end >= characterCount() || end <= offset - 1) {
        *startOffset = *endOffset = characterCount();
        return QString();
    }
    Bounds(end, boundaryType, startOffset, endOffset);
    return text(*startOffset, *endOffset);
}

QRect CRichEditAccessible::characterRect(int offset) const
{
    const QRect r = Control()->CharRect(offset);
    if (r.isNull()) return QRect();
    const QWidget* viewport = Control()->viewport();
    return QRect(viewport->mapToGlobal(r.topLeft()), r.size());
}

int CRichEditAccessible::offsetAtPoint(const QPoint& point) const
{
    const QWidget* viewport = Control()->viewport();
    const QPoint local = viewport->mapFromGlobal(point);
    if (!viewport->rect().contains(local)) return -1;
    return ClampOffset(static_cast<std::uint64_t>(Control()->CharFromPos(local)));
}

void CRichEditAccessible::scrollToSubstring(int startIndex, int endIndex)
{
    Control()->ScrollToPos(endIndex);
    Control()->ScrollToPos(startIndex);
}

QString CRichEditAccessible::attributes(int offset, int* startOffset, int* endOffset) const
{
    const CRichTextStore& store = Control()->GetStore();
    const int length = characterCount();
    if (offset < 0 || offset >= length) {
        *startOffset = *endOffset = std::clamp(offset, 0, length);
        return QString();
    }
    // The stretch of one format around offset, within its row.
    const std::size_t row = store.RowOfUnit(static_cast<std::uint64_t>(offset));
    const int rowStart = ClampOffset(store.RowStart(row));
    std::u16string units;
    std::vector<CRichTextStore::Span> spans;
    store.DecodeRow(row, units, spans);
    const int local = offset - rowStart;
    std::size_t k = 0;
    while (k + 1 < spans.size() && static_cast<int>(spans[k + 1].start) <= local) ++k;
    *startOffset = rowStart + static_cast<int>(spans[k].start);
    *endOffset = k + 1 < spans.size() ? rowStart + static_cast<int>(spans[k + 1].start)
                                      : rowStart + static_cast<int>(units.size());
    // The line feed belongs to the last stretch of its row.
    if (k + 1 == spans.size() && store.RowEndsWithLineFeed(row)) *endOffset += 1;
    const CCharFormat format = store.FormatAt(static_cast<std::uint64_t>(offset));
    const QFont font = Control()->font();
    const QColor colour(GetRValue(format.colour), GetGValue(format.colour), GetBValue(format.colour));
    return QStringLiteral("font-family:\"%1\";font-size:%2pt;font-weight:%3;font-style:%4;"
                          "color:rgb(%5,%6,%7);background-color:rgb(255,255,255);")
        .arg(font.family())
        .arg(font.pointSize())
        .arg(format.bold ? 700 : 400)
        .arg(format.italic ? QStringLiteral("italic") : QStringLiteral("normal"))
        .arg(colour.red())
        .arg(colour.green())
        .arg(colour.blue());
}
