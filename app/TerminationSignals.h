#pragma once
// CTerminationSignals: turns SIGTERM and SIGHUP (the desktop session ending, a plain
// `kill`) and SIGINT (Ctrl+C in the terminal that started the program) into a call on
// the event loop, so that the program can close its main window the way the close box
// does and still run its exit path. The call comes from whichever event loop runs, a
// menu's or a modal box's included. While an object lives, the three signals no longer
// end the process (one that was ignored when the object was made stays ignored); its
// destruction puts the previous handlers back. One object at a time.

#include <QObject>

#include <csignal>
#include <functional>
#include <utility>

class QSocketNotifier;

class CTerminationSignals : public QObject {
    Q_OBJECT

public:
    explicit CTerminationSignals(std::function<void()> onSignal, QObject* parent = nullptr);
    ~CTerminationSignals() override;

    bool IsActive() const { return m_notifier != nullptr; }

private:
    void OnReadable();

    std::function<void()> m_onSignal;
    QSocketNotifier* m_notifier = nullptr;
    // Each signal with its handling before the object.
    std::pair<int, struct sigaction> m_previous[3] = {{SIGTERM, {}}, {SIGHUP, {}}, {SIGINT, {}}};
};
