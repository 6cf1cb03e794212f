#include "KeyTable.h"

#include <QKeyEvent>

namespace {

using A = EditAction;
using K = QKeySequence;
constexpr Qt::KeyboardModifiers kNone = Qt::NoModifier;
constexpr Qt::KeyboardModifiers kCtrl = Qt::ControlModifier;

// Standard key, or key and modifiers; action; extend; claims.
const CKeyBinding kBindings[] = {
    {K::Copy, 0, kNone, A::Copy, false, true},
    {K::UnknownKey, Qt::Key_Insert, kCtrl, A::Copy, false, false},
    {K::SelectAll, 0, kNone, A::SelectAll, false, true},
    {K::MoveToNextChar, 0, kNone, A::NextChar, false, true},
    {K::MoveToPreviousChar, 0, kNone, A::PreviousChar, false, true},
    {K::SelectNextChar, 0, kNone, A::NextChar, true, true},
    {K::SelectPreviousChar, 0, kNone, A::PreviousChar, true, true},
    {K::MoveToNextWord, 0, kNone, A::NextWord, false, true},
    {K::MoveToPreviousWord, 0, kNone, A::PreviousWord, false, true},
    {K::SelectNextWord, 0, kNone, A::NextWord, true, true},
    {K::SelectPreviousWord, 0, kNone, A::PreviousWord, true, true},
    {K::MoveToNextLine, 0, kNone, A::NextRow, false, false},
    {K::MoveToPreviousLine, 0, kNone, A::PreviousRow, false, false},
    {K::SelectNextLine, 0, kNone, A::NextRow, true, false},
    {K::SelectPreviousLine, 0, kNone, A::PreviousRow, true, false},
    {K::MoveToStartOfLine, 0, kNone, A::StartOfRow, false, true},
    {K::MoveToEndOfLine, 0, kNone, A::EndOfRow, false, true},
    {K::SelectStartOfLine, 0, kNone, A::StartOfRow, true, true},
    {K::SelectEndOfLine, 0, kNone, A::EndOfRow, true, true},
    {K::MoveToNextPage, 0, kNone, A::NextPage, false, false},
    {K::MoveToPreviousPage, 0, kNone, A::PreviousPage, false, false},
    {K::SelectNextPage, 0, kNone, A::NextPage, true, false},
    {K::SelectPreviousPage, 0, kNone, A::PreviousPage, true, false},
    {K::MoveToStartOfDocument, 0, kNone, A::StartOfText, false, true},
    {K::MoveToEndOfDocument, 0, kNone, A::EndOfText, false, true},
    {K::SelectStartOfDocument, 0, kNone, A::StartOfText, true, true},
    {K::SelectEndOfDocument, 0, kNone, A::EndOfText, true, true},
    {K::UnknownKey, Qt::Key_Down, kCtrl, A::ScrollRowDown, false, false},
    {K::UnknownKey, Qt::Key_Up, kCtrl, A::ScrollRowUp, false, false},
};

}  // namespace

std::span<const CKeyBinding> CKeyTable::Bindings() { return kBindings; }

const CKeyBinding* CKeyTable::Find(const QKeyEvent* e)
{
    for (const CKeyBinding& b : kBindings) {
        const bool match = b.standard != K::UnknownKey ? e->matches(b.standard)
                                                       : e->key() == b.key && e->modifiers() == b.modifiers;
        if (match) return &b;
    }
    return nullptr;
}
