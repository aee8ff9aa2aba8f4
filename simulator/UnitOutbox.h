#pragma once

#include <functional>
#include <string>

#include <QObject>
#include <QString>

#include "FaultSet.h"
#include "UnitState.h"

namespace Ulmar {
namespace Messaging {
class UnitEndpoint;
} // namespace Messaging

namespace Simulator {

// Sends what the unit says: answers to one connection, notifications to all. Applies the unit's faults,
// holds back the reports of a command by the report delay, stays silent while the unit is stalled, and
// says what left (messageSent). Lives on the unit's thread.
class UnitOutbox : public QObject
{
    Q_OBJECT

public:
    // state: read when a message leaves (the faults rewrite bodies from it); owned by the unit, which
    // outlives this object.
    UnitOutbox(const UnitState& state, FaultSet faults, int reportDelayMs, QObject* parent = nullptr);

    // The endpoint to send through; null while the unit has none.
    void setEndpoint(Messaging::UnitEndpoint* endpoint) { m_endpoint = endpoint; }
    // While stalled, notifications are not sent (answers are not asked for: nothing is handled).
    void setStalled(bool stalled) { m_stalled = stalled; }
    // While a command is handled, with a report delay, what it causes leaves that much later, in order.
    void setHandlingCommand(bool handling) { m_handlingCommand = handling; }

    // An empty peer (a message injected in process) means every connection.
    void answer(const std::string& peer, const std::string& type, const std::string& body,
                bool periodic = false);
    void notify(const std::string& type, const std::string& body, bool periodic = false);

    // A connection as the unit's signals name it: the hex of its identity ("*" names every connection).
    static QString peerName(const std::string& peer);

signals:
    void messageSent(const QString& peer, const QString& type, const QString& summary, bool periodic);

private:
    // With a report delay: runs `send` later when a command is being handled, else returns false.
    bool deferred(std::function<void()> send);

    const UnitState& m_state;
    const FaultSet m_faults;
    const int m_reportDelayMs;
    Messaging::UnitEndpoint* m_endpoint = nullptr;
    bool m_stalled = false;
    bool m_handlingCommand = false;
};

} // namespace Simulator
} // namespace Ulmar
