#pragma once

#include <optional>

#include <QString>
#include <QStringList>
#include <QVector>

namespace Ulmar {
namespace Simulator {

// One step of a scenario: what changes when the step starts, and how long the unit stays there.
struct ScenarioStep
{
    enum class Media
    {
        Keep,  // leave the identified title as it is (cleared by any state but ident_success)
        Next,  // the next title of the library
        Title, // the title named in mediaTitle
    };

    double durationSeconds = 1.0;
    std::optional<QString> mediaIdState;
    std::optional<QString> motionCodeState;
    std::optional<QString> message;
    Media media = Media::Keep;
    QString mediaTitle;
    std::optional<int> offsetSeconds; // where playback is when the title is identified
    std::optional<QString> upgradeStatus;
    QString upgradeVersion; // empty: keep; "next": the current version with its last number + 1
    std::optional<QString> updateStatus;
};

// A timed list of states the unit goes through. See README.md for the file format.
class Scenario
{
public:
    static Scenario builtIn();
    // false with a reason in *error when the file cannot be used.
    static bool fromFile(const QString& path, Scenario* out, QString* error);
    static bool fromJson(const QByteArray& json, Scenario* out, QString* error);

    const QVector<ScenarioStep>& steps() const { return m_steps; }
    bool loops() const { return m_loop; }
    // The step a loop starts again from.
    int loopFrom() const { return m_loopFrom; }

    static const QStringList& mediaIdStates();
    static const QStringList& motionCodeStates();
    static const QStringList& upgradeStatuses();
    static const QStringList& updateStatuses();

private:
    QVector<ScenarioStep> m_steps;
    bool m_loop = true;
    int m_loopFrom = 0;
};

} // namespace Simulator
} // namespace Ulmar
