#pragma once
// CTerminationSignals: turns SIGTERM and SIGHUP (the desktop session ending, a plain
// `kill`) into a call on the event loop, so that the program can close its main window
// the way the close box does and still run its exit path. While an object lives, the
// two signals no longer end the process; its destruction puts the previous handlers back.
// One object at a time.

#include <QObject>

#include <csignal>
#include <functional>

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
    struct sigaction m_previousTerm {};
    struct sigaction m_previousHup {};
};
