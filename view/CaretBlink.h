#pragma once
// CCaretBlink: the caret's blink. While its control has the focus the caret shows and
// hides at half the desktop's cursor flash time; every move shows it again at once.
// Without the focus, or with blinking turned off on the desktop (a flash time of 0),
// there is no timer: unfocused the caret is off, focused it stays on.

#include <QBasicTimer>
#include <QGuiApplication>
#include <QStyleHints>

class CCaretBlink {
public:
    bool IsOn() const { return m_on; }
    // Shows the caret; the timer's events go to receiver while it blinks.
    void Restart(QObject& receiver, bool focused)
    {
        m_on = true;
        const int flash = QGuiApplication::styleHints()->cursorFlashTime();
        if (focused && flash > 0)
            m_timer.start(flash / 2, &receiver);
        else
            m_timer.stop();
    }
    // The focus has gone: no caret until the next Restart.
    void Stop()
    {
        m_timer.stop();
        m_on = false;
    }
    // True when timerId is the blink's: the caret then has turned on or off.
    bool Tick(int timerId)
    {
        if (timerId != m_timer.timerId()) return false;
        m_on = !m_on;
        return true;
    }

private:
    QBasicTimer m_timer;
    bool m_on = false;
};
