#pragma once

#include <QString>

#include "MediaLibrary.h"
#include "Scenario.h"
#include "UnitState.h"

namespace Ulmar {
namespace Simulator {

// What a scenario step does to the unit's state: the media status (identifying a title of the library,
// or clearing it), the upgrade and the library update. Also the playback second. Sends nothing: it says
// what changed, and the caller reports it.
class ScenarioStepApplier
{
public:
    struct Changes
    {
        bool media = false;
        bool upgrade = false;
        bool update = false;
    };

    // The first title a step identifies by "next" depends on the unit's name, so that units differ.
    explicit ScenarioStepApplier(const QString& unitName);

    // The unit now offers `library`: the next title is taken from it.
    void libraryChanged(const MediaLibrary& library);
    Changes apply(const ScenarioStep& step, const MediaLibrary& library, UnitState& state);
    // One playback second on: true when the offset of an identified title moved (held at its end).
    static bool advancePlayback(MediaStatus& media);
    // "2.1.3" -> "2.1.4"; a version whose last part is not a number gets ".1".
    static QString nextVersion(const QString& version);

private:
    static void identify(const MediaEntry& entry, int offset, MediaStatus& media);
    static void clearMedia(MediaStatus& media);

    int m_nextMedia = 0;
};

} // namespace Simulator
} // namespace Ulmar
