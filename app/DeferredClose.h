#pragma once
// CDeferredClose: closes the main window from outside (SIGTERM, SIGHUP, SIGINT, the
// session's end, or a close of the window that arrives while a menu or a modal box is
// open over it) as its close box does, once nothing runs over it.
//
//  - Request: every menu and box that runs an event loop of its own inside a command is
//    ended first, innermost first, as Escape would end it (a popup before the dialog it
//    is over; one that refuses to close is hidden, which ends its loop). Once those
//    commands have returned, the window closes. While some other loop runs that nothing
//    here can end, it looks again a little later.
//  - During start-up (the Starting stage) a request ends the box that is open and is
//    then only kept: the start ends with it (WasRequested).
//  - A close event of a watched window that arrives while a close must wait is turned
//    down and becomes a request.
//  - In the Looping stage, a loop nested in the main one counts as running over the
//    window too; SetStage(Looping) is called just before the main loop starts.

#include <QObject>

#include <functional>

class QWidget;

class CDeferredClose : public QObject {
    Q_OBJECT

public:
    // window: the main window now, or null.
    using WindowGetter = std::function<QWidget*()>;
    explicit CDeferredClose(WindowGetter window, QObject* parent = nullptr);

    enum class Stage { Outside, Starting, Looping };
    void SetStage(Stage stage);

    void Request();
    // True while a close of the window must wait: a menu or a modal box is open, or an
    // event loop other than the main one runs.
    bool MustWait() const;
    bool WasRequested() const { return m_requested; }
    void Forget() { m_requested = false; }
    // Turns down window's close events while a close must wait, and requests the close.
    void Watch(QWidget& window);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CloseWhenNothingIsOpen();
    // Ends the innermost menu or modal box; false when there is none.
    bool EndInnermostLoop();
    void LookAgain(int ms);

    WindowGetter m_window;
    Stage m_stage = Stage::Outside;
    int m_mainLoopLevel = 1;  // the thread's loop level inside the main loop
    bool m_requested = false;
    bool m_scheduled = false;
};
