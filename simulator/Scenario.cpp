#include "Scenario.h"

#include <QFile>

#include <rapidjson/document.h>

namespace Ulmar {
namespace Simulator {

const QStringList& Scenario::mediaIdStates()
{
    static const QStringList states{"initializing",     "configuring",   "configured",    "starting",
                                    "started",          "stopping",      "stopped",       "listening",
                                    "silence_detected", "ident_success", "ident_failure", "lost_audio",
                                    "program_error",    "shutting_down", "shutdown"};
    return states;
}

const QStringList& Scenario::motionCodeStates()
{
    static const QStringList states{"listening", "searching", "available", "not_available"};
    return states;
}

const QStringList& Scenario::upgradeStatuses()
{
    static const QStringList states{"scheduled", "in_progress", "cancelled", "failed", "success"};
    return states;
}

const QStringList& Scenario::updateStatuses()
{
    static const QStringList states{"in_progress", "cancelled", "failed", "success"};
    return states;
}

namespace {

ScenarioStep state(double seconds, const char* mediaIdState)
{
    ScenarioStep s;
    s.durationSeconds = seconds;
    s.mediaIdState = QString::fromLatin1(mediaIdState);
    return s;
}

ScenarioStep identified(double seconds, const char* motionCode, int offset)
{
    ScenarioStep s = state(seconds, "ident_success");
    s.motionCodeState = QString::fromLatin1(motionCode);
    s.media = ScenarioStep::Media::Next;
    s.offsetSeconds = offset;
    return s;
}

bool readString(const rapidjson::Value& obj, const char* key, std::optional<QString>* out, QString* error,
                int index)
{
    const auto it = obj.FindMember(key);
    if (it == obj.MemberEnd())
        return true;
    if (!it->value.IsString()) {
        *error = QStringLiteral("step %1: \"%2\" must be a string").arg(index).arg(QLatin1String(key));
        return false;
    }
    *out = QString::fromUtf8(it->value.GetString(), int(it->value.GetStringLength()));
    return true;
}

bool readStatus(const rapidjson::Value& obj, const char* key, const QStringList& allowed,
                std::optional<QString>* status, QString* version, QString* error, int index)
{
    const auto it = obj.FindMember(key);
    if (it == obj.MemberEnd())
        return true;
    if (!it->value.IsObject()) {
        *error = QStringLiteral("step %1: \"%2\" must be an object").arg(index).arg(QLatin1String(key));
        return false;
    }
    if (!readString(it->value, "status", status, error, index))
        return false;
    if (!status->has_value() || !allowed.contains(**status)) {
        *error = QStringLiteral("step %1: \"%2\".\"status\" must be one of %3")
                     .arg(index)
                     .arg(QLatin1String(key), allowed.join(QStringLiteral(", ")));
        return false;
    }
    if (version) {
        std::optional<QString> v;
        if (!readString(it->value, "version", &v, error, index))
            return false;
        *version = v.value_or(QString());
    }
    return true;
}

} // namespace

Scenario Scenario::builtIn()
{
    Scenario s;
    // Start-up of the audio capture, played once.
    s.m_steps << state(2, "initializing") << state(2, "configuring") << state(1, "configured")
              << state(1, "starting") << state(1, "started");
    s.m_loopFrom = s.m_steps.size();

    ScenarioStep listening = state(4, "listening");
    listening.upgradeStatus = QStringLiteral("scheduled");
    listening.upgradeVersion = QStringLiteral("next");
    s.m_steps << listening;

    ScenarioStep film = identified(25, "available", 600);
    film.upgradeStatus = QStringLiteral("in_progress");
    s.m_steps << film;

    s.m_steps << state(4, "silence_detected");
    ScenarioStep listenAgain = state(4, "listening");
    listenAgain.updateStatus = QStringLiteral("in_progress");
    s.m_steps << listenAgain;
    s.m_steps << state(4, "ident_failure");

    ScenarioStep second = identified(20, "searching", 1800);
    second.upgradeStatus = QStringLiteral("success");
    s.m_steps << second;

    ScenarioStep found = state(15, "ident_success");
    found.motionCodeState = QStringLiteral("available");
    found.updateStatus = QStringLiteral("success");
    s.m_steps << found;
    s.m_steps << state(3, "listening");
    return s;
}

bool Scenario::fromFile(const QString& path, Scenario* out, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot open %1: %2").arg(path, file.errorString());
        return false;
    }
    if (file.size() > 4 * 1024 * 1024) {
        *error = QStringLiteral("%1 is too large for a scenario").arg(path);
        return false;
    }
    return fromJson(file.readAll(), out, error);
}

bool Scenario::fromJson(const QByteArray& json, Scenario* out, QString* error)
{
    rapidjson::Document doc;
    doc.Parse<rapidjson::kParseIterativeFlag>(json.constData(), size_t(json.size()));
    if (doc.HasParseError() || !doc.IsObject()) {
        *error = QStringLiteral("a scenario is a JSON object");
        return false;
    }
    Scenario s;
    const auto loop = doc.FindMember("loop");
    if (loop != doc.MemberEnd()) {
        if (!loop->value.IsBool()) {
            *error = QStringLiteral("\"loop\" must be true or false");
            return false;
        }
        s.m_loop = loop->value.GetBool();
    }
    const auto steps = doc.FindMember("steps");
    if (steps == doc.MemberEnd() || !steps->value.IsArray() || steps->value.Empty()) {
        *error = QStringLiteral("\"steps\" must be a non-empty array");
        return false;
    }
    int index = 0;
    for (const auto& v : steps->value.GetArray()) {
        if (!v.IsObject()) {
            *error = QStringLiteral("step %1 is not an object").arg(index);
            return false;
        }
        ScenarioStep step;
        const auto duration = v.FindMember("duration");
        if (duration == v.MemberEnd() || !duration->value.IsNumber() || !(duration->value.GetDouble() > 0) ||
            duration->value.GetDouble() > 86400) {
            *error =
                QStringLiteral("step %1: \"duration\" must be a number of seconds above 0 and up to 86400")
                    .arg(index);
            return false;
        }
        step.durationSeconds = duration->value.GetDouble();
        if (!readString(v, "mediaIdState", &step.mediaIdState, error, index) ||
            !readString(v, "motionCodeState", &step.motionCodeState, error, index) ||
            !readString(v, "message", &step.message, error, index))
            return false;
        // Unknown states are allowed on purpose (to see how the application copes) but are usually typos.
        if (step.mediaIdState && !mediaIdStates().contains(*step.mediaIdState))
            qWarning("Scenario step %d: \"%s\" is not a known mediaIdState", index,
                     qPrintable(*step.mediaIdState));
        if (step.motionCodeState && !motionCodeStates().contains(*step.motionCodeState))
            qWarning("Scenario step %d: \"%s\" is not a known motionCodeState", index,
                     qPrintable(*step.motionCodeState));
        const auto media = v.FindMember("media");
        if (media != v.MemberEnd()) {
            if (!media->value.IsString() || media->value.GetStringLength() == 0) {
                *error = QStringLiteral("step %1: \"media\" must be \"next\" or a title").arg(index);
                return false;
            }
            const QString m =
                QString::fromUtf8(media->value.GetString(), int(media->value.GetStringLength()));
            if (m == QLatin1String("next")) {
                step.media = ScenarioStep::Media::Next;
            } else {
                step.media = ScenarioStep::Media::Title;
                step.mediaTitle = m;
            }
        }
        const auto offset = v.FindMember("offset");
        if (offset != v.MemberEnd()) {
            if (!offset->value.IsInt() || offset->value.GetInt() < 0) {
                *error = QStringLiteral("step %1: \"offset\" must be a whole number of seconds, 0 or more")
                             .arg(index);
                return false;
            }
            step.offsetSeconds = offset->value.GetInt();
        }
        if (!readStatus(v, "upgrade", upgradeStatuses(), &step.upgradeStatus, &step.upgradeVersion, error,
                        index) ||
            !readStatus(v, "update", updateStatuses(), &step.updateStatus, nullptr, error, index))
            return false;
        s.m_steps << step;
        ++index;
    }
    const auto loopFrom = doc.FindMember("loopFrom");
    if (loopFrom != doc.MemberEnd()) {
        if (!loopFrom->value.IsInt() || loopFrom->value.GetInt() < 0 ||
            loopFrom->value.GetInt() >= s.m_steps.size()) {
            *error = QStringLiteral("\"loopFrom\" must be the index of a step");
            return false;
        }
        s.m_loopFrom = loopFrom->value.GetInt();
    }
    *out = std::move(s);
    return true;
}

} // namespace Simulator
} // namespace Ulmar
