#pragma once

#include <QObject>
#include <functional>

// Turns the operating system's requests to end the program into a call of
// quit on the user-interface thread, so they end it the way File > Exit
// does: SIGTERM (the desktop session ends), SIGINT and SIGHUP on POSIX
// systems; the console's Ctrl+C, Ctrl+Break, close, log-off and shut-down
// events on Windows. One object at a time; the previous handling comes
// back when it ends.
class CQuitSignals : public QObject {
    Q_OBJECT

public:
    explicit CQuitSignals(std::function<void()> quit);
    ~CQuitSignals() override;

private:
    Q_INVOKABLE void Arrived();

    std::function<void()> m_quit;
};
