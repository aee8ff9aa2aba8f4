#pragma once

#include <QObject>
#include <QTimer>

#include "Scenario.h"

namespace Ulmar {
namespace Simulator {

// Plays a scenario in time: says when each step starts (after the last one, again from the loop step, or
// not at all without a loop) and beats the playback second. It changes no state itself: whoever listens to
// stepStarted and ticked does. Runs while wanted, not held and the scenario has steps; a step interrupted
// by a pause goes on where it was.
class ScenarioClock : public QObject
{
    Q_OBJECT

public:
    // timeScale multiplies every step's duration and the playback second (0.1: ten times faster; 0 or
    // less counts as 1).
    explicit ScenarioClock(double timeScale, QObject* parent = nullptr);

    // Stops, takes the scenario and, if running, starts it from its first step.
    void setScenario(Scenario scenario);
    const Scenario& scenario() const { return m_scenario; }

    void setRunning(bool running); // wanted
    void setHeld(bool held);       // paused whatever is wanted (a stalled unit)
    bool isTicking() const { return m_tickTimer.isActive(); }

    // Starts a step of the scenario at once; out of range: nothing happens.
    void goTo(int step);
    int step() const { return m_step; } // -1 before the first step

    // The milliseconds a duration in scenario seconds lasts (at least 1, at most a day).
    int scaledMs(double seconds) const;

signals:
    // The step's changes are due now. Emitted before its duration starts counting.
    void stepStarted(int step);
    // One playback second passed.
    void ticked();

private:
    void update();
    void start(int step);
    void next();

    const double m_timeScale;
    Scenario m_scenario;
    bool m_running = false;
    bool m_held = false;
    int m_step = -1;
    int m_stepRemainingMs = -1;
    QTimer m_stepTimer;
    QTimer m_tickTimer;
};

} // namespace Simulator
} // namespace Ulmar
