#include "SimulatedUnit.h"

#include <algorithm>

#include "IMessage.h"
#include "KeyFile.h"
#include "ManagedBuffer.h"
#include "MessageNames.h"
#include "UnitBodies.h"
#include "UnitEndpoint.h"
#include "UnitNetwork.h"

namespace Ulmar {
namespace Simulator {

namespace Type = Messaging::MessageType;

namespace {

const QString AllPeers = QStringLiteral("*");

std::string bytes(const QByteArray& b)
{
    return std::string(b.constData(), size_t(b.size()));
}

std::shared_ptr<Messaging::IMessage> makeMessage(const QString& type, const QByteArray& body,
                                                 const QString& text)
{
    auto buffer =
        body.isEmpty() ? nullptr : Messaging::ManagedBuffer::FromBytes(body.constData(), size_t(body.size()));
    return std::make_shared<Messaging::IMessage>(type.toStdString(), Messaging::MessageVersion,
                                                 text.toStdString(), buffer,
                                                 Messaging::GenericMessageTypeDefault);
}

} // namespace

SimulatedUnit::SimulatedUnit(UnitConfig config, QObject* parent)
    : QObject(parent), m_config(std::move(config)), m_library(MediaLibrary::builtIn()),
      m_inbox(m_config.maxPendingMessages,
              [this] { QMetaObject::invokeMethod(this, "drainInbox", Qt::QueuedConnection); }),
      m_outbox(m_state, FaultSet(m_config.faults), m_config.reportDelayMs),
      m_handler(m_state, m_library,
                {[this](const PeerId& peer, const std::string& type, const std::string& body) {
                     m_outbox.answer(peer, type, body);
                 },
                 [this](const std::string& type, const std::string& body) { m_outbox.notify(type, body); },
                 [this](const QString& name) {
                     if (m_endpoint)
                         m_endpoint->setUnitName(name.toStdString());
                 }}),
      m_clock(m_config.timeScale), m_steps(m_config.name)
{
    m_state.name = m_config.name;
    m_handler.setRefuseWifiKeys(FaultSet(m_config.faults).has(QStringLiteral("refuse-wifi-key")));
    const int seatCount = std::clamp(m_config.seatCount, 0, 64);
    for (int i = 0; i < seatCount; ++i) {
        SeatState seat;
        seat.index = i;
        m_state.seats.push_back(seat);
    }
    m_state.login.serviceUri = m_config.serviceUri;
    resetNetwork();

    // Direct: the parts live and emit on this object's thread, and their listeners must run before they
    // go on (a step's changes are reported before its duration starts counting).
    connect(&m_outbox, &UnitOutbox::messageSent, this, &SimulatedUnit::messageSent, Qt::DirectConnection);
    connect(&m_clock, &ScenarioClock::stepStarted, this, &SimulatedUnit::applyStep, Qt::DirectConnection);
    connect(&m_clock, &ScenarioClock::ticked, this, &SimulatedUnit::tick, Qt::DirectConnection);
}

SimulatedUnit::~SimulatedUnit()
{
    // Joins the endpoint's thread: no callback can be posted to this object afterwards.
    m_outbox.setEndpoint(nullptr);
    m_endpoint.reset();
}

const QList<QPair<QString, QString>>& SimulatedUnit::faultNames()
{
    return FaultSet::names();
}

void SimulatedUnit::setLibrary(MediaLibrary library)
{
    m_library = std::move(library);
    m_steps.libraryChanged(m_library);
}

void SimulatedUnit::setScenario(Scenario scenario)
{
    // The clock starts the new scenario from its first step (if it runs and has steps).
    m_clock.setScenario(std::move(scenario));
}

bool SimulatedUnit::start(QString* error)
{
    if (m_endpoint && m_endpoint->isRunning())
        return true;
    Messaging::UnitEndpoint::Options o;
    o.serviceName = m_config.serviceName.toStdString();
    o.unitName = m_state.name.toStdString();
    o.bindAddress = m_config.bindAddress.toStdString();
    o.port = m_boundPort ? m_boundPort : m_config.port;
    o.encrypted = m_config.encrypted;
    o.publicKey = m_config.publicKey.toStdString();
    o.secretKey = m_config.secretKey.toStdString();
    o.unitId = m_config.unitId.toStdString();
    o.announce = m_config.announce;
    o.announceAddress = m_config.announceAddress.toStdString();
    o.announcePort = m_config.announcePort;
    o.announceIntervalMs = m_config.announceIntervalMs;

    // A stopped endpoint is replaced, so that a restart starts clean.
    m_outbox.setEndpoint(nullptr);
    m_endpoint.reset();
    m_endpoint = std::make_unique<Messaging::UnitEndpoint>(o);
    // These run on the endpoint's thread: everything goes through the inbox to ours.
    m_endpoint->setMessageCallback([this](const PeerId& peer, std::shared_ptr<Messaging::IMessage> message) {
        m_inbox.post({UnitInbox::Item::Message, peer, std::move(message)});
    });
    m_endpoint->setPeerConnectedCallback([this](const PeerId& peer) {
        m_inbox.post({UnitInbox::Item::Connected, peer, nullptr});
    });
    m_endpoint->setPeerGoneCallback([this](const PeerId& peer) {
        m_inbox.post({UnitInbox::Item::Gone, peer, nullptr});
    });
    if (!m_endpoint->start()) {
        if (error)
            *error = QStringLiteral("cannot listen on %1:%2").arg(m_config.bindAddress).arg(o.port);
        m_endpoint.reset();
        return false;
    }
    m_outbox.setEndpoint(m_endpoint.get());
    m_boundPort = m_endpoint->port();
    if (m_config.runScenario && !m_clock.scenario().steps().isEmpty())
        setScenarioRunning(true);
    return true;
}

void SimulatedUnit::stop()
{
    setScenarioRunning(false);
    if (m_endpoint)
        m_endpoint->stop();
}

bool SimulatedUnit::restart(QString* error)
{
    stop();
    return start(error);
}

bool SimulatedUnit::changeKey(const QString& publicKey, const QString& secretKey, QString* error)
{
    if (!m_config.encrypted || !KeyFile::isZ85Key(publicKey) || !KeyFile::isZ85Key(secretKey)) {
        if (error)
            *error = QStringLiteral("a plain unit has no key, and a key is 40 Z85 characters");
        return false;
    }
    m_config.publicKey = publicKey;
    m_config.secretKey = secretKey;
    // The key of a listening socket cannot change: listen again, on the same port.
    return !isRunning() || restart(error);
}

bool SimulatedUnit::isRunning() const
{
    return m_endpoint && m_endpoint->isRunning();
}

quint16 SimulatedUnit::port() const
{
    return m_boundPort;
}

int SimulatedUnit::peerCount() const
{
    return m_endpoint ? int(m_endpoint->peers().size()) : 0;
}

void SimulatedUnit::resetNetwork()
{
    m_state.network = UnitNetwork::fresh(m_config.name);
}

void SimulatedUnit::stall()
{
    m_stalled = true;
    m_outbox.setStalled(true);
    m_clock.setHeld(true);
}

void SimulatedUnit::resume()
{
    if (!m_stalled)
        return;
    m_stalled = false;
    m_outbox.setStalled(false);
    m_clock.setHeld(false);
    notifyAll();
}

void SimulatedUnit::dropAllConnections()
{
    if (m_endpoint)
        m_endpoint->dropAllPeers();
}

void SimulatedUnit::injectMessage(const QString& type, const QByteArray& body, const QString& text)
{
    if (!m_endpoint)
        return;
    m_endpoint->broadcast(makeMessage(type, body, text));
    emit messageSent(AllPeers, type,
                     QString::fromStdString(UnitBodies::summary(type.toStdString(), bytes(body))), false);
}

void SimulatedUnit::injectRawFrames(const std::vector<std::string>& frames)
{
    if (!m_endpoint)
        return;
    for (const auto& peer : m_endpoint->peers())
        m_endpoint->sendRawFrames(peer, frames);
}

void SimulatedUnit::receiveMessage(const QString& type, const QByteArray& body, const QString& text)
{
    onMessage(PeerId(), makeMessage(type, body, text));
}

QVector<ReceivedCommand> SimulatedUnit::commands() const
{
    return QVector<ReceivedCommand>(m_commands.begin(), m_commands.end());
}

QVector<ReceivedCommand> SimulatedUnit::commands(const QString& type) const
{
    QVector<ReceivedCommand> out;
    for (const auto& c : m_commands)
        if (c.type == type)
            out.push_back(c);
    return out;
}

void SimulatedUnit::clearCommands()
{
    m_commands.clear();
}

void SimulatedUnit::record(const PeerId& peer, const std::shared_ptr<Messaging::IMessage>& message,
                           bool handled)
{
    if (m_config.commandLogCapacity <= 0)
        return;
    ReceivedCommand c;
    c.peer = peer.empty() ? AllPeers : UnitOutbox::peerName(peer);
    c.type = QString::fromStdString(message->getMessageType());
    c.text = QString::fromStdString(message->getText());
    const std::string body = message->bodyAsString();
    // A copy of every body would let a peer fill our memory; the head is enough to look at.
    constexpr std::size_t maxKept = 256 * 1024;
    c.body = QByteArray(body.data(), int(std::min(body.size(), maxKept)));
    c.truncated = body.size() > maxKept;
    if (!c.truncated)
        c.json = QJsonDocument::fromJson(c.body);
    c.handled = handled;
    m_commands.push_back(std::move(c));
    while (int(m_commands.size()) > m_config.commandLogCapacity)
        m_commands.pop_front();
}

void SimulatedUnit::drainInbox()
{
    UnitInbox::Batch batch = m_inbox.take();
    if (batch.dropped > 0)
        qWarning("%d messages dropped: they came faster than the unit could handle them", batch.dropped);
    for (UnitInbox::Item& item : batch.items) {
        switch (item.kind) {
        case UnitInbox::Item::Message:
            onMessage(item.peer, item.message);
            break;
        case UnitInbox::Item::Connected:
            emit peerConnected(UnitOutbox::peerName(item.peer));
            break;
        case UnitInbox::Item::Gone:
            emit peerGone(UnitOutbox::peerName(item.peer));
            break;
        }
    }
}

int SimulatedUnit::pendingMessages() const
{
    return m_inbox.pending();
}

int SimulatedUnit::droppedMessages() const
{
    return m_inbox.dropped();
}

void SimulatedUnit::onMessage(const PeerId& peer, const std::shared_ptr<Messaging::IMessage>& message)
{
    if (!message)
        return;
    const std::string& type = message->getMessageType();
    const std::string body = message->bodyAsString();
    emit messageReceived(peer.empty() ? AllPeers : UnitOutbox::peerName(peer), QString::fromStdString(type),
                         QString::fromStdString(UnitBodies::summary(type, body)));
    emit commandReceived(QString::fromStdString(type), QByteArray(body.data(), int(body.size())));
    bool handled = false;
    if (!m_stalled) {
        // Only commands wait for the report delay: the questions an application asks on connecting do not.
        m_outbox.setHandlingCommand(QString::fromStdString(type).startsWith(QLatin1String("Set")));
        handled = m_handler.handle(peer, type, QByteArray(body.data(), int(body.size())));
        m_outbox.setHandlingCommand(false);
        if (!handled)
            qInfo("Unknown message type \"%s\" ignored",
                  qPrintable(UnitBodies::printable(QString::fromStdString(type), 80)));
    }
    record(peer, message, handled);
}

void SimulatedUnit::notifyAll()
{
    m_handler.notifyAll();
}

// Scenario ----------------------------------------------------------------------------------------------

void SimulatedUnit::setScenarioRunning(bool running)
{
    m_clock.setRunning(running);
}

void SimulatedUnit::goToStep(int step)
{
    m_clock.goTo(step);
}

void SimulatedUnit::applyStep(int step)
{
    const ScenarioStepApplier::Changes changed =
        m_steps.apply(m_clock.scenario().steps().at(step), m_library, m_state);
    if (changed.media)
        m_outbox.notify(Type::GetMediaStatusNotification, UnitBodies::mediaStatus(m_state.media));
    if (changed.upgrade)
        m_outbox.notify(Type::GetUpgradeNotification, UnitBodies::upgrade(m_state.upgrade));
    if (changed.update)
        m_outbox.notify(Type::GetUpdateNotification, UnitBodies::update(m_state.update));
    emit stepStarted(step);
}

void SimulatedUnit::tick()
{
    if (ScenarioStepApplier::advancePlayback(m_state.media))
        m_outbox.notify(Type::GetMediaStatusNotification, UnitBodies::mediaStatus(m_state.media), true);
}

void SimulatedUnit::setMediaStatus(const MediaStatus& status)
{
    m_state.media = status;
    m_outbox.notify(Type::GetMediaStatusNotification, UnitBodies::mediaStatus(m_state.media));
}

void SimulatedUnit::setServiceUri(const QString& uri)
{
    m_state.login.serviceUri = uri;
    m_outbox.notify(Type::GetLibraryServiceLoginStatus, UnitBodies::loginStatus(m_state.login));
}

} // namespace Simulator
} // namespace Ulmar
