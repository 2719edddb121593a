#pragma once

#include <QBasicTimer>
#include <QObject>

class CSensor;
class CStatusProgressBar;

// The view's selection: the current sensor and the flash timer that makes
// its counter flash. Every 500 ms the timer switches the counter's flash on,
// then off ("o0001", "o0000"), and the status bar's indicator is lit only
// after a confirmed "on". The port is held for one command at a time.
//
// A counter is never left flashing: when the selection leaves a counter
// whose last flash command was "on" (another item, a rescan, the end of the
// program), "o0000" goes to it once before the timer stops.
class CSelection : public QObject {
    Q_OBJECT

public:
    static constexpr int kFlashPeriodMs = 500;

    // bar: where the indicator shows; null when there is none.
    explicit CSelection(CStatusProgressBar* bar);
    // Ends the selection, switching the counter's flash off.
    ~CSelection() override;

    CSensor* Current() const { return m_current; }
    // Makes sensor current (null: none) and starts the flash timer for it,
    // after the counter left behind has had its flash switched off.
    void Select(CSensor* sensor);
    void End() { Select(nullptr); }

    // While paused (a save programs the counter) the ticks send nothing and
    // the indicator keeps its look.
    void SetPaused(bool paused) { m_paused = paused; }
    bool IsPaused() const { return m_paused; }
    bool IsTimerRunning() const { return m_timer.isActive(); }
    int TimerId() const { return m_timer.timerId(); }

    // One tick of the timer with that id; other ids do nothing.
    void OnTimer(int timerId);

protected:
    void timerEvent(QTimerEvent* event) override;

private:
    // Sends one flash command; false when the port did not open or the
    // counter did not take the command. quiet: a port that does not open
    // shows nothing (the selection is ending, nobody waits for a box).
    bool SendFlash(CSensor& sensor, bool on, bool quiet);
    void SwitchOff();

    CStatusProgressBar* m_bar;
    CSensor* m_current = nullptr;
    QBasicTimer m_timer;
    // The state the next tick flips; off with each new selection.
    bool m_flashOn = false;
    // The last command that reached the counter's line was "on".
    bool m_leftOn = false;
    bool m_paused = false;
    // Set while a tick runs, a port-in-use box included.
    bool m_ticking = false;
};
