#pragma once

#include <cstdint>

namespace Ulmar {

// One seat's state as the unit reports it (or as the user edited it). Shared between the shown list, the
// list of edited seats and a pending update.
class SeatStatusItem
{
public:
    SeatStatusItem() = default;
    virtual ~SeatStatusItem();

    std::int32_t index() const { return m_index; }
    void setIndex(std::int32_t index) { m_index = index; }
    bool active() const { return m_active; }
    void setActive(bool active) { m_active = active; }
    bool muted() const { return m_muted; }
    void setMuted(bool muted) { m_muted = muted; }
    // Motion and vibration are set together (the wire key is "chained").
    bool controlsLocked() const { return m_controlsLocked; }
    void setControlsLocked(bool locked) { m_controlsLocked = locked; }
    double motion() const { return m_motion; }
    void setMotion(double motion) { m_motion = motion; }
    double vibration() const { return m_vibration; }
    void setVibration(double vibration) { m_vibration = vibration; }

private:
    std::int32_t m_index = 0;
    bool m_active = false;
    bool m_muted = false;
    bool m_controlsLocked = false;
    double m_motion = 0.0;
    double m_vibration = 0.0;
};

} // namespace Ulmar
