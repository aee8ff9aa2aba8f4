#include "FaultSet.h"

#include <utility>

#include <QJsonDocument>
#include <QJsonObject>

#include "MessageNames.h"

namespace Ulmar {
namespace Simulator {

namespace Type = Messaging::MessageType;

const QList<QPair<QString, QString>>& FaultSet::names()
{
    static const QList<QPair<QString, QString>> names{
        {QStringLiteral("wrong-type"), QStringLiteral("the motion delay is sent as text")},
        {QStringLiteral("missing-key"),
         QStringLiteral("the name is sent as \"name\" instead of \"vyraName\"")},
        {QStringLiteral("no-answer"), QStringLiteral("requests for the upgrade state are not answered")},
        {QStringLiteral("refuse-wifi-key"),
         QStringLiteral("every Wi-Fi join is refused, as with a wrong key")}};
    return names;
}

FaultSet::FaultSet(QStringList faults) : m_faults(std::move(faults)) {}

bool FaultSet::has(const QString& name) const
{
    return m_faults.contains(name);
}

bool FaultSet::apply(const std::string& type, std::string& body, bool isAnswer, const UnitState& state) const
{
    if (m_faults.isEmpty())
        return true;
    if (type == Type::GetMotionDelayNotification && m_faults.contains(QLatin1String("wrong-type")))
        body = "{\"motionDelay\":\"" + std::to_string(state.motionDelay) + "\"}";
    else if (type == Type::GetVyraNameNotification && m_faults.contains(QLatin1String("missing-key")))
        body = QJsonDocument(QJsonObject{{QStringLiteral("name"), state.name}})
                   .toJson(QJsonDocument::Compact)
                   .toStdString();
    else if (type == Type::GetUpgradeNotification && isAnswer &&
             m_faults.contains(QLatin1String("no-answer")))
        return false;
    return true;
}

} // namespace Simulator
} // namespace Ulmar
