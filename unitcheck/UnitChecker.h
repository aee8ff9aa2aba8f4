#pragma once

#include <memory>
#include <vector>

#include <QString>

#include "LinkRecorder.h"
#include "ProtocolConstants.h"

class SchemaSet;

namespace Ulmar {
namespace Messaging {
class Messenger;
}
} // namespace Ulmar

// What to check and how to reach the unit.
struct UnitCheckOptions
{
    QString host; // empty: the first unit that announces itself on the discovery port
    quint16 port = Ulmar::Messaging::Protocol::kDefaultMessagePort;
    bool plain = false; // with host: connect without encryption (as only a discovered plain unit is reached)
    bool commands = false;
    quint16 discoveryPort = Ulmar::Messaging::Protocol::kDefaultDiscoveryPort;
    QString service = QStringLiteral("VYRA");
};

// Checks a unit against the link protocol as the application sees it: finds it (announcement or query),
// links to it (CURVE, $HELLO/$WELCOME), sends every state request and, if asked, each command with a value
// that leaves the unit as it was, then checks every body against its schema and the timing rules.
class UnitChecker
{
public:
    struct Check
    {
        QString what;
        enum Result
        {
            Pass,
            Fail,
            Skipped
        } result = Pass;
        QString detail;
        QString section; // of docs/protocol.md
    };
    enum class Outcome
    {
        Pass,
        Fail,
        Unreachable
    };

    // Timing rules of docs/protocol.md.
    static constexpr int AnswerMs = 2000;          // a state request or command is answered within
    static constexpr int AnnouncementGapMs = 1500; // at most this between two announcements
    static constexpr int QueryWindowMs = 3000;     // the application's attempt window for a query answer
    static constexpr int HoldMs = 3000;            // the link must stay up this long (heartbeats)
    static constexpr int ProgressGapMs = 2000;     // while identified, media status at least this often

    UnitChecker(UnitCheckOptions options, const SchemaSet& schemas);
    ~UnitChecker();

    Outcome run();
    const std::vector<Check>& checks() const { return m_checks; }
    // "<name> at <address>:<port> (encrypted)", once the unit is found.
    const QString& unit() const { return m_unit; }
    // Why the unit could not be reached (Outcome::Unreachable).
    const QString& unreachable() const { return m_unreachable; }
    QString report() const;

private:
    bool discover();
    bool query(const QString& host, quint16 port);
    bool link();
    void checkStateAnswers();
    void checkHold();
    void sendCommands();
    void checkBodies();
    bool sendMessage(const std::string& type, const std::string& body,
                     const std::string& text = std::string());
    // The first reply of `type` that arrives at or after `since` and satisfies `accept`, within AnswerMs.
    bool awaitReply(const std::string& type, LinkRecorder::Clock::time_point since,
                    const std::function<bool(const LinkRecorder::Received&)>& accept, int* elapsedMs);
    void add(const QString& what, Check::Result result, const QString& detail, const QString& section);
    void noteAnswer(const std::string& type, bool answered, int ms);

    UnitCheckOptions m_options;
    const SchemaSet& m_schemas;
    QString m_unit;
    QString m_unreachable;
    QString m_address;
    quint16 m_messagePort = 0;
    bool m_encrypted = true;
    std::vector<Check> m_checks;
    std::shared_ptr<Ulmar::Messaging::Messenger> m_messenger;
    std::shared_ptr<LinkRecorder> m_recorder;
    LinkRecorder::Clock::time_point m_linkedAt;
    size_t m_bodyChecksAt = 0; // where the lines of the bodies go in the report
    // Per type the unit sends: the answer's delay in ms (-1: no answer), for the catalogue check.
    std::vector<std::pair<std::string, int>> m_answers;
};
