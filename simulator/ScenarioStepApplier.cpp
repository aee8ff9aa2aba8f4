#include "ScenarioStepApplier.h"

#include <algorithm>

#include <QCryptographicHash>
#include <QDateTime>
#include <QStringList>

namespace Ulmar {
namespace Simulator {

ScenarioStepApplier::ScenarioStepApplier(const QString& unitName)
{
    const QByteArray h = QCryptographicHash::hash(unitName.toUtf8(), QCryptographicHash::Md5);
    m_nextMedia = quint8(h[4]);
}

void ScenarioStepApplier::libraryChanged(const MediaLibrary& library)
{
    if (!library.isEmpty())
        m_nextMedia %= library.size();
}

QString ScenarioStepApplier::nextVersion(const QString& version)
{
    QStringList parts = version.split(QLatin1Char('.'));
    bool ok = false;
    const int last = parts.isEmpty() ? 0 : parts.last().toInt(&ok);
    if (!ok)
        return version + QStringLiteral(".1");
    parts.last() = QString::number(last + 1);
    return parts.join(QLatin1Char('.'));
}

ScenarioStepApplier::Changes ScenarioStepApplier::apply(const ScenarioStep& step, const MediaLibrary& library,
                                                        UnitState& state)
{
    Changes changes;
    MediaStatus& media = state.media;

    if (step.mediaIdState) {
        media.mediaIdState = *step.mediaIdState;
        changes.media = true;
    }
    if (step.motionCodeState) {
        media.motionCodeState = *step.motionCodeState;
        changes.media = true;
    }
    if (step.message) {
        media.message = *step.message;
        changes.media = true;
    }
    const bool identified = media.mediaIdState == QLatin1String("ident_success");
    if (identified) {
        const MediaEntry* entry = nullptr;
        if (step.media == ScenarioStep::Media::Title) {
            const auto& all = library.entries();
            auto it = std::find_if(all.begin(), all.end(),
                                   [&](const MediaEntry& e) { return e.title == step.mediaTitle; });
            if (it != all.end())
                entry = &*it;
            else
                qWarning("Scenario: no title \"%s\" in the library", qPrintable(step.mediaTitle));
        }
        const bool needNext = step.media == ScenarioStep::Media::Next ||
                              (step.media != ScenarioStep::Media::Title && media.mediaTitle.isEmpty()) ||
                              (step.media == ScenarioStep::Media::Title && !entry);
        if (!entry && needNext && !library.isEmpty()) {
            entry = &library.entries().at(m_nextMedia % library.size());
            m_nextMedia = (m_nextMedia + 1) % library.size();
        }
        if (entry)
            identify(*entry, step.offsetSeconds.value_or(0), media);
        else if (step.offsetSeconds)
            media.mediaOffset = std::min(*step.offsetSeconds, media.mediaDuration);
        changes.media = true;
    } else if (changes.media) {
        clearMedia(media);
    }

    if (step.upgradeStatus) {
        UpgradeState& u = state.upgrade;
        if (step.upgradeVersion == QLatin1String("next"))
            u.lastVersion = nextVersion(u.currentVersion);
        else if (!step.upgradeVersion.isEmpty())
            u.lastVersion = step.upgradeVersion;
        u.lastStatus = *step.upgradeStatus;
        if (u.lastStatus == QLatin1String("success"))
            u.currentVersion = u.lastVersion;
        changes.upgrade = true;
    }
    if (step.updateStatus) {
        UpdateState& u = state.update;
        u.lastStatus = *step.updateStatus;
        if (u.lastStatus == QLatin1String("success"))
            u.updatedTimestamp = QDateTime::currentDateTimeUtc().toString(Qt::ISODate);
        changes.update = true;
    }
    return changes;
}

bool ScenarioStepApplier::advancePlayback(MediaStatus& media)
{
    if (media.mediaIdState != QLatin1String("ident_success") || media.mediaOffset >= media.mediaDuration)
        return false;
    ++media.mediaOffset;
    return true;
}

void ScenarioStepApplier::identify(const MediaEntry& entry, int offset, MediaStatus& media)
{
    media.mediaTitle = entry.title;
    media.imageFilename = entry.posterFile;
    media.mediaCutVersion = entry.cut;
    media.mediaLanguage = entry.language;
    media.mediaDuration = entry.durationSeconds;
    media.mediaOffset = std::clamp(offset, 0, entry.durationSeconds);
}

void ScenarioStepApplier::clearMedia(MediaStatus& media)
{
    media.mediaTitle.clear();
    media.imageFilename.clear();
    media.mediaCutVersion.clear();
    media.mediaLanguage.clear();
    media.mediaOffset = 0;
    media.mediaDuration = 0;
}

} // namespace Simulator
} // namespace Ulmar
