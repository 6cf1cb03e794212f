#pragma once
// The one way the viewer shows a message box. Tests, and headless runs, replace the
// handler so that nothing ever waits on a modal box. Without a handler the box is a
// modal QMessageBox, except where no person can see a window (IsHeadlessPlatform): the
// text then goes to standard error, one line after the program's name, and the call
// returns IDOK at once.

#include <QString>

#include <functional>

class QWidget;

inline constexpr unsigned int MB_OK = 0x00000000u;
inline constexpr unsigned int MB_ICONSTOP = 0x00000010u;
inline constexpr unsigned int MB_ICONEXCLAMATION = 0x00000030u;
inline constexpr unsigned int MB_ICONINFORMATION = 0x00000040u;
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;

// owner may be null; type is MB_OK plus one icon value. Returns the button pressed.
using MessageBoxHandler =
    std::function<int(QWidget* owner, const QString& text, const QString& caption, unsigned int type)>;

int GlosselMessageBox(QWidget* owner, const QString& text, const QString& caption, unsigned int type);

// Installs handler (an empty one restores the modal QMessageBox); returns the previous one.
MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler);

// Installs a handler while it lives, then puts the previous one back.
class CMessageBoxHandlerScope {
public:
    explicit CMessageBoxHandlerScope(MessageBoxHandler handler) : m_previous(SetMessageBoxHandler(std::move(handler))) {}
    ~CMessageBoxHandlerScope() { SetMessageBoxHandler(std::move(m_previous)); }
    CMessageBoxHandlerScope(const CMessageBoxHandlerScope&) = delete;
    CMessageBoxHandlerScope& operator=(const CMessageBoxHandlerScope&) = delete;

private:
    MessageBoxHandler m_previous;
};

// True when no person can see a window (the offscreen or minimal platform).
bool IsHeadlessPlatform();
