#pragma once
// CKeyTable: the keys the control acts on, as data. The control's key handler looks a
// key up here and does the row's action; its shortcut override reads the same rows, so
// that the keys it claims are always keys it handles.
//
//  - A row names a standard key of the platform (QKeySequence::Copy, MoveToNextWord,
//    ...) or, when that is UnknownKey, one key with exactly its modifiers.
//  - The first row that matches a key is its row.
//  - A claiming row takes its key before the shortcuts of the control's window: a window
//    shortcut on Ctrl+C, Ctrl+A, Home, End or the arrows sideways does not steal the key
//    from the focused control. Keys of unclaimed rows still reach window shortcuts first.
//  - Keys with no row (typing, Tab, Return, ...) are ignored by the control and go on to
//    its window: the control is read-only.

#include <QKeySequence>

#include <cstdint>
#include <span>

class QKeyEvent;

enum class EditAction : std::uint8_t {
    Copy,
    SelectAll,
    NextChar,
    PreviousChar,
    NextWord,
    PreviousWord,
    NextRow,
    PreviousRow,
    StartOfRow,
    EndOfRow,
    NextPage,
    PreviousPage,
    StartOfText,
    EndOfText,
    ScrollRowDown,  // the view moves, the caret stays
    ScrollRowUp,
};

struct CKeyBinding {
    QKeySequence::StandardKey standard;
    int key;  // with modifiers, when standard is UnknownKey
    Qt::KeyboardModifiers modifiers;
    EditAction action;
    bool extend;  // the move selects from the anchor (the Shift form)
    bool claims;  // taken before the window's shortcuts
};

class CKeyTable {
public:
    static std::span<const CKeyBinding> Bindings();
    // The row of e, or null.
    static const CKeyBinding* Find(const QKeyEvent* e);
};
