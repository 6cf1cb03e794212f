#include "DeferredClose.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QThread>
#include <QTimer>
#include <QWidget>

CDeferredClose::CDeferredClose(WindowGetter window, QObject* parent) : QObject(parent), m_window(std::move(window)) {}

void CDeferredClose::SetStage(Stage stage)
{
    m_stage = stage;
    if (stage == Stage::Looping) m_mainLoopLevel = QThread::currentThread()->loopLevel() + 1;
}

void CDeferredClose::Request()
{
    m_requested = true;
    if (m_scheduled) return;
    // From the event loop, not from inside whatever asked (a close event, a signal).
    LookAgain(0);
}

void CDeferredClose::LookAgain(int ms)
{
    m_scheduled = true;
    QTimer::singleShot(ms, this, &CDeferredClose::CloseWhenNothingIsOpen);
}

void CDeferredClose::CloseWhenNothingIsOpen()
{
    m_scheduled = false;
    if (!m_requested) return;
    // One at a time: the command that ran the loop goes on once it has ended, and
    // may still be working when the next one is looked at.
    if (EndInnermostLoop()) {
        LookAgain(0);
        return;
    }
    if (m_stage == Stage::Starting) return;  // the start ends instead
    if (MustWait()) {
        // Some other loop (of nothing that can be ended from here) still runs: look again.
        LookAgain(50);
        return;
    }
    m_requested = false;
    if (QWidget* window = m_window()) window->close();
}

bool CDeferredClose::MustWait() const
{
    const QWidget* modal = QApplication::activeModalWidget();
    return QApplication::activePopupWidget() || (modal && modal != m_window()) ||
           (m_stage == Stage::Looping && QThread::currentThread()->loopLevel() > m_mainLoopLevel);
}

bool CDeferredClose::EndInnermostLoop()
{
    // Each ends as Escape would end it; one that refuses to close is hidden, which ends
    // its loop.
    if (QWidget* popup = QApplication::activePopupWidget()) {
        popup->close();
        if (popup == QApplication::activePopupWidget()) popup->hide();
        return true;
    }
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || modal == m_window()) return false;
    if (auto* dialog = qobject_cast<QDialog*>(modal))
        dialog->reject();
    else
        modal->close();
    if (modal == QApplication::activeModalWidget()) modal->hide();
    return true;
}

void CDeferredClose::Watch(QWidget& window)
{
    window.installEventFilter(this);
}

bool CDeferredClose::eventFilter(QObject* watched, QEvent* event)
{
    // Destroying the window while a menu or a box runs its own loop inside one of its
    // commands would leave that command working on nothing.
    if (event->type() == QEvent::Close && MustWait()) {
        event->ignore();
        Request();
        return true;
    }
    return QObject::eventFilter(watched, event);
}
