#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <QByteArray>
#include <QJsonDocument>
#include <QObject>
#include <QTimer>

#include "MediaLibrary.h"
#include "PosterRenderer.h"
#include "ProtocolConstants.h"
#include "Scenario.h"
#include "ScenarioClock.h"
#include "ScenarioStepApplier.h"
#include "UnitInbox.h"
#include "UnitMessageHandler.h"
#include "UnitOutbox.h"
#include "UnitState.h"

namespace Ulmar {
namespace Messaging {
class IMessage;
class UnitEndpoint;
} // namespace Messaging

namespace Simulator {

struct UnitConfig
{
    QString name = QStringLiteral("VYRA Living Room");
    QString serviceName = QStringLiteral("VYRA");
    QString bindAddress = QStringLiteral("127.0.0.1");
    quint16 port = Messaging::Protocol::kDefaultMessagePort; // 0: a free port, kept for later restarts
    bool announce = true;
    QString announceAddress = QStringLiteral("127.0.0.1");
    quint16 announcePort = Messaging::Protocol::kDefaultDiscoveryPort;
    unsigned announceIntervalMs = 1000;
    bool encrypted = false;
    QString publicKey; // Z85, with encrypted
    QString secretKey;
    QString unitId; // announced when not empty (UnitEndpoint::isUnitId)
    int seatCount = 4;
    QString serviceUri = QStringLiteral("http://127.0.0.1:12780/mcls");
    bool runScenario = true;
    // Multiplies every duration of the scenario and the one-second playback tick (0.01: a hundred times
    // faster).
    double timeScale = 1.0;
    // How many received messages commands() keeps (oldest dropped first).
    int commandLogCapacity = 1000;
    // Messages received but not yet handled; beyond this the network layer's thread drops them, so a
    // flooding application cannot grow our memory without bound.
    int maxPendingMessages = 10000;
    // Rules the unit breaks on purpose, to show what a checker reports (see faultNames()).
    QStringList faults;
    // What a command changes is applied at once, but the answers and notifications it causes leave this
    // much later (0: at once), so that a test can see what an application shows before the unit's echo.
    int reportDelayMs = 0;
};

// A message the unit received, as tests see it. Holds secrets in clear: never log it.
struct ReceivedCommand
{
    QString peer; // hex of the connection's identity
    QString type;
    QString text;
    QByteArray body; // the first 256 KiB
    bool truncated = false;
    QJsonDocument json;   // null when the body is not a JSON object or array, or was truncated
    bool handled = false; // false when the unit was stalled or the type is unknown
};

// A VYRA unit in software. Lives on the thread that created it (it must run an event loop); the network
// layer's callbacks are carried to that thread before anything is read or changed.
class SimulatedUnit : public QObject
{
    Q_OBJECT

public:
    explicit SimulatedUnit(UnitConfig config, QObject* parent = nullptr);

    // The faults a unit can be given, each with what it breaks.
    static const QList<QPair<QString, QString>>& faultNames();
    ~SimulatedUnit() override;

    // Before start(): what the unit offers and plays. Defaults: the shipped film list, the built-in scenario.
    void setLibrary(MediaLibrary library);
    void setScenario(Scenario scenario);

    bool start(QString* error = nullptr);
    // Closes every connection and stops announcing; start() again listens on the same port.
    void stop();
    bool restart(QString* error = nullptr);
    bool isRunning() const;
    quint16 port() const;
    const UnitConfig& config() const { return m_config; }
    const UnitState& state() const { return m_state; }
    const MediaLibrary& library() const { return m_library; }
    const Scenario& scenario() const { return m_clock.scenario(); }
    int peerCount() const;

    // Test control.
    void stall();  // stop answering, applying commands and notifying
    void resume(); // answer again and push the whole state to every application
    bool isStalled() const { return m_stalled; }
    void dropAllConnections();
    // Back to the network of a fresh unit (wired, no Wi-Fi, no access point), without telling anyone.
    void resetNetwork();
    // Takes another key pair (as a unit does after a factory reset): a running unit restarts on the same
    // port with it, and applications that remember the old key refuse it until their user accepts it.
    bool changeKey(const QString& publicKey, const QString& secretKey, QString* error = nullptr);
    // Sends a message of any type with any body (malformed included) to every connected application.
    void injectMessage(const QString& type, const QByteArray& body, const QString& text = QString());
    // Sends frames without the envelope to every connected application.
    void injectRawFrames(const std::vector<std::string>& frames);
    // Handles a message as if an application had sent it; answers go to every application.
    void receiveMessage(const QString& type, const QByteArray& body, const QString& text = QString());
    // Received messages waiting for this thread, and those dropped since the last one was handled.
    int pendingMessages() const;
    int droppedMessages() const;
    QVector<ReceivedCommand> commands() const;
    QVector<ReceivedCommand> commands(const QString& type) const;
    void clearCommands();
    // The credentials of the last "SetLibraryServiceCredentials" (kept in memory only).
    QString accessToken() const { return m_handler.accessToken(); }
    QString refreshToken() const { return m_handler.refreshToken(); }

    // Scenario control: pause/continue the clock; jump to a step (applied and notified at once).
    void setScenarioRunning(bool running);
    int scenarioStep() const { return m_clock.step(); }
    void goToStep(int step);
    // Sets the media status directly and notifies it.
    void setMediaStatus(const MediaStatus& status);
    // Reports another library service address, at once and in every later login status.
    void setServiceUri(const QString& uri);
    // Pushes the whole state to every application.
    void notifyAll();

signals:
    // peer is the hex identity of the connection, or "*" for every connection.
    void messageReceived(const QString& peer, const QString& type, const QString& summary);
    // Every message received, its body whole and as received (secrets in clear: never log it).
    void commandReceived(const QString& type, const QByteArray& body);
    void messageSent(const QString& peer, const QString& type, const QString& summary, bool periodic);
    void peerConnected(const QString& peer);
    void peerGone(const QString& peer);
    void stepStarted(int step);

private slots:
    void drainInbox();

private:
    using PeerId = std::string;

    void onMessage(const PeerId& peer, const std::shared_ptr<Messaging::IMessage>& message);
    void applyStep(int step);
    void tick();
    void record(const PeerId& peer, const std::shared_ptr<Messaging::IMessage>& message, bool handled);

    UnitConfig m_config;
    UnitState m_state;
    MediaLibrary m_library;
    std::unique_ptr<Messaging::UnitEndpoint> m_endpoint;
    quint16 m_boundPort = 0;
    bool m_stalled = false;
    std::deque<ReceivedCommand> m_commands;
    // Filled by the endpoint's thread, emptied by ours.
    UnitInbox m_inbox;
    UnitOutbox m_outbox;
    UnitMessageHandler m_handler;
    ScenarioClock m_clock;
    ScenarioStepApplier m_steps;
};

} // namespace Simulator
} // namespace Ulmar
