#pragma once
// CRichEditAccessible: what screen readers see of CSyntaxRichEditCtrl: a read-only,
// multi-line text with a caret, one selection and per-character colour, weight and
// slant. Offsets are the control's character positions (UTF-16 units of the text as
// shown); lines are the control's rows.

#include <QAccessibleWidget>

#include <cstdint>
#include <memory>

class CSyntaxRichEditCtrl;

class CRichEditAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit CRichEditAccessible(CSyntaxRichEditCtrl* control);

    // Makes every CSyntaxRichEditCtrl answer with this interface (done once).
    static void Install();
    // The event that tells assistive technology where control's caret is: the caret
    // moved when nothing is selected, else the selection anchor..caret changed (in
    // order, with the caret at caret).
    static std::unique_ptr<QAccessibleEvent> CaretEvent(QObject* control, std::uint64_t anchor, std::uint64_t caret);
    // Sends CaretEvent, when assistive technology listens.
    static void NotifyCaret(QObject* control, std::uint64_t anchor, std::uint64_t caret);
    // Tells assistive technology that control shows a new text.
    static void NotifyTextReplaced(QObject* control);

    void* interface_cast(QAccessible::InterfaceType t) override;
    QAccessible::State state() const override;
    QString text(QAccessible::Text t) const override;

    void selection(int selectionIndex, int* startOffset, int* endOffset) const override;
    int selectionCount() const override;
    void addSelection(int startOffset, int endOffset) override;
    void removeSelection(int selectionIndex) override;
    void setSelection(int selectionIndex, int startOffset, int endOffset) override;
    int cursorPosition() const override;
    void setCursorPosition(int position) override;
    QString text(int startOffset, int endOffset) const override;
    QString textBeforeOffset(int offset, QAccessible::TextBoundaryType boundaryType, int* startOffset,
                             int* endOffset) const override;
    QString textAfterOffset(int offset, QAccessible::TextBoundaryType boundaryType, int* startOffset,
                            int* endOffset) const override;
    QString textAtOffset(int offset, QAccessible::TextBoundaryType boundaryType, int* startOffset,
                         int* endOffset) const override;
    int characterCount() const override;
    QRect characterRect(int offset) const override;
    int offsetAtPoint(const QPoint& point) const override;
    void scrollToSubstring(int startIndex, int endIndex) override;
    QString attributes(int offset, int* startOffset, int* endOffset) const override;

private:
    CSyntaxRichEditCtrl* Control() const;
    // The bounds of the boundary unit holding offset.
    void Bounds(int offset, QAccessible::TextBoundaryType type, int* start, int* end) const;
};
