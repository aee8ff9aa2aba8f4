#include "ScenarioClock.h"

#include <algorithm>
#include <utility>

namespace Ulmar {
namespace Simulator {

ScenarioClock::ScenarioClock(double timeScale, QObject* parent)
    : QObject(parent), m_timeScale(timeScale), m_scenario(Scenario::builtIn())
{
    m_stepTimer.setSingleShot(true);
    connect(&m_stepTimer, &QTimer::timeout, this, &ScenarioClock::next);
    connect(&m_tickTimer, &QTimer::timeout, this, &ScenarioClock::ticked);
}

int ScenarioClock::scaledMs(double seconds) const
{
    const double ms = seconds * 1000.0 * (m_timeScale > 0 ? m_timeScale : 1.0);
    return int(std::clamp(ms, 1.0, 24.0 * 3600 * 1000));
}

void ScenarioClock::setScenario(Scenario scenario)
{
    m_stepTimer.stop();
    m_tickTimer.stop();
    m_scenario = std::move(scenario);
    m_step = -1;
    m_stepRemainingMs = -1;
    update();
}

void ScenarioClock::setRunning(bool running)
{
    m_running = running;
    update();
}

void ScenarioClock::setHeld(bool held)
{
    m_held = held;
    update();
}

void ScenarioClock::update()
{
    const bool ticking = m_running && !m_held && !m_scenario.steps().isEmpty();
    if (ticking == m_tickTimer.isActive())
        return;
    if (!ticking) {
        // The step goes on where it was when the clock starts again.
        m_stepRemainingMs = m_stepTimer.isActive() ? m_stepTimer.remainingTime() : -1;
        m_stepTimer.stop();
        m_tickTimer.stop();
        return;
    }
    m_tickTimer.start(std::max(5, scaledMs(1.0)));
    if (m_step < 0)
        start(0);
    else
        m_stepTimer.start(m_stepRemainingMs >= 0 ? m_stepRemainingMs
                                                 : scaledMs(m_scenario.steps().at(m_step).durationSeconds));
}

void ScenarioClock::goTo(int step)
{
    if (step < 0 || step >= m_scenario.steps().size())
        return;
    start(step);
}

void ScenarioClock::next()
{
    if (m_scenario.steps().isEmpty())
        return;
    int next = m_step + 1;
    if (next >= m_scenario.steps().size()) {
        if (!m_scenario.loops()) {
            m_stepTimer.stop();
            return; // the last step's state stays
        }
        next = m_scenario.loopFrom();
    }
    start(next);
}

void ScenarioClock::start(int step)
{
    m_step = step;
    const int durationMs = scaledMs(m_scenario.steps().at(step).durationSeconds);
    emit stepStarted(step);
    m_stepRemainingMs = -1;
    if (m_tickTimer.isActive())
        m_stepTimer.start(durationMs);
}

} // namespace Simulator
} // namespace Ulmar
