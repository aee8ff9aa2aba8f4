#include "SimulatedUnit.h"

#include <algorithm>
#include <cmath>

#include <QCryptographicHash>
#include <QDateTime>
#include <QJsonObject>
#include <QRegularExpression>

#include <rapidjson/document.h>

#include "IMessage.h"
#include "KeyFile.h"
#include "ManagedBuffer.h"
#include "MessageNames.h"
#include "UnitBodies.h"
#include "UnitEndpoint.h"

namespace Ulmar {
namespace Simulator {

namespace Type = Messaging::MessageType;
namespace Key = Messaging::JsonKey;

namespace {

const QString AllPeers = QStringLiteral("*");

QString peerName(const std::string& peer)
{
    return QString::fromLatin1(QByteArray::fromStdString(peer).toHex());
}

std::string bytes(const QByteArray& b)
{
    return std::string(b.constData(), size_t(b.size()));
}

// The object a command carries under `key`, whether at the root or (as the application nests its
// bodies) inside the first root member.
const rapidjson::Value* memberObject(const rapidjson::Document& doc, const std::string& key)
{
    if (!doc.IsObject())
        return nullptr;
    const auto it = doc.FindMember(key.c_str());
    if (it != doc.MemberEnd() && it->value.IsObject())
        return &it->value;
    return nullptr;
}

bool parse(const QByteArray& body, rapidjson::Document& doc)
{
    if (body.isEmpty())
        return false;
    doc.Parse<rapidjson::kParseIterativeFlag>(body.constData(), size_t(body.size()));
    return !doc.HasParseError() && doc.IsObject();
}

QString string(const rapidjson::Value& v)
{
    return QString::fromUtf8(v.GetString(), int(v.GetStringLength()));
}

QString nextVersion(const QString& version)
{
    QStringList parts = version.split(QLatin1Char('.'));
    bool ok = false;
    const int last = parts.isEmpty() ? 0 : parts.last().toInt(&ok);
    if (!ok)
        return version + QStringLiteral(".1");
    parts.last() = QString::number(last + 1);
    return parts.join(QLatin1Char('.'));
}

} // namespace

SimulatedUnit::SimulatedUnit(UnitConfig config, QObject* parent)
    : QObject(parent), m_config(std::move(config)), m_library(MediaLibrary::builtIn()),
      m_scenario(Scenario::builtIn())
{
    m_state.name = m_config.name;
    const int seatCount = std::clamp(m_config.seatCount, 0, 64);
    for (int i = 0; i < seatCount; ++i) {
        SeatState seat;
        seat.index = i;
        m_state.seats.push_back(seat);
    }
    m_state.login.serviceUri = m_config.serviceUri;

    resetNetwork();
    const QByteArray h = QCryptographicHash::hash(m_config.name.toUtf8(), QCryptographicHash::Md5);
    m_nextMedia = quint8(h[4]);

    m_stepTimer.setSingleShot(true);
    connect(&m_stepTimer, &QTimer::timeout, this, &SimulatedUnit::nextStep);
    connect(&m_tickTimer, &QTimer::timeout, this, &SimulatedUnit::tick);
}

SimulatedUnit::~SimulatedUnit()
{
    // Joins the endpoint's thread: no callback can be posted to this object afterwards.
    m_endpoint.reset();
}

void SimulatedUnit::setLibrary(MediaLibrary library)
{
    m_library = std::move(library);
    if (!m_library.isEmpty())
        m_nextMedia %= m_library.size();
}

void SimulatedUnit::setScenario(Scenario scenario)
{
    // The clock starts the new scenario from its first step (if it runs and has steps).
    m_stepTimer.stop();
    m_tickTimer.stop();
    m_scenario = std::move(scenario);
    m_step = -1;
    m_stepRemainingMs = -1;
    updateClock();
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

    m_endpoint.reset(); // a stopped endpoint is replaced, so that a restart starts clean
    m_endpoint = std::make_unique<Messaging::UnitEndpoint>(o);
    // These run on the endpoint's thread: everything goes through the inbox to ours.
    m_endpoint->setMessageCallback([this](const PeerId& peer, std::shared_ptr<Messaging::IMessage> message) {
        post({Inbound::Message, peer, std::move(message)});
    });
    m_endpoint->setPeerConnectedCallback([this](const PeerId& peer) {
        post({Inbound::Connected, peer, nullptr});
    });
    m_endpoint->setPeerGoneCallback([this](const PeerId& peer) { post({Inbound::Gone, peer, nullptr}); });
    if (!m_endpoint->start()) {
        if (error)
            *error = QStringLiteral("cannot listen on %1:%2").arg(m_config.bindAddress).arg(o.port);
        m_endpoint.reset();
        return false;
    }
    m_boundPort = m_endpoint->port();
    if (m_config.runScenario && !m_scenario.steps().isEmpty())
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
    // Plausible private-range data for the network page; the unit never uses these addresses.
    const QByteArray h = QCryptographicHash::hash(m_config.name.toUtf8(), QCryptographicHash::Md5);
    const QString mac = QStringLiteral("02:56:59:%1:%2:%3")
                            .arg(quint8(h[0]), 2, 16, QLatin1Char('0'))
                            .arg(quint8(h[1]), 2, 16, QLatin1Char('0'))
                            .arg(quint8(h[2]), 2, 16, QLatin1Char('0'));
    m_state.network = NetworkState();
    m_state.network.addresses.push_back({QStringLiteral("eth0"), mac,
                                         QStringLiteral("192.168.1.%1").arg(20 + quint8(h[3]) % 200),
                                         QStringLiteral("255.255.255.0"), QStringLiteral("192.168.1.255")});
    m_state.network.visible = {{QStringLiteral("HomeNet"), false},
                               {QStringLiteral("HomeNet-5G"), false},
                               {QStringLiteral("Cinema Room"), false},
                               {QStringLiteral("Café Wi-Fi"), false},
                               {QStringLiteral("Neighbour's \"Guest\""), false}};
}

void SimulatedUnit::stall()
{
    m_stalled = true;
    updateClock();
}

void SimulatedUnit::resume()
{
    if (!m_stalled)
        return;
    m_stalled = false;
    updateClock();
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
    auto buffer =
        body.isEmpty() ? nullptr : Messaging::ManagedBuffer::FromBytes(body.constData(), size_t(body.size()));
    m_endpoint->broadcast(std::make_shared<Messaging::IMessage>(type.toStdString(), Messaging::MessageVersion,
                                                                text.toStdString(), buffer,
                                                                Messaging::GenericMessageTypeDefault));
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
    auto buffer =
        body.isEmpty() ? nullptr : Messaging::ManagedBuffer::FromBytes(body.constData(), size_t(body.size()));
    onMessage(PeerId(), std::make_shared<Messaging::IMessage>(type.toStdString(), Messaging::MessageVersion,
                                                              text.toStdString(), buffer,
                                                              Messaging::GenericMessageTypeDefault));
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
    c.peer = peer.empty() ? AllPeers : peerName(peer);
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

void SimulatedUnit::post(Inbound item)
{
    bool wake = false;
    {
        std::lock_guard<std::mutex> lock(m_inboxMutex);
        // Connection events are few and always kept; messages only up to the limit.
        if (item.kind == Inbound::Message && int(m_inbox.size()) >= m_config.maxPendingMessages) {
            ++m_dropped;
            return;
        }
        m_inbox.push_back(std::move(item));
        wake = !m_drainPosted;
        m_drainPosted = true;
    }
    // Our own queue carries the data; the event only says that there is some.
    if (wake)
        QMetaObject::invokeMethod(this, "drainInbox", Qt::QueuedConnection);
}

void SimulatedUnit::drainInbox()
{
    std::deque<Inbound> items;
    int dropped = 0;
    {
        std::lock_guard<std::mutex> lock(m_inboxMutex);
        items.swap(m_inbox);
        m_drainPosted = false;
        std::swap(dropped, m_dropped);
    }
    if (dropped > 0)
        qWarning("%d messages dropped: they came faster than the unit could handle them", dropped);
    for (Inbound& item : items) {
        switch (item.kind) {
        case Inbound::Message:
            onMessage(item.peer, item.message);
            break;
        case Inbound::Connected:
            emit peerConnected(peerName(item.peer));
            break;
        case Inbound::Gone:
            emit peerGone(peerName(item.peer));
            break;
        }
    }
}

int SimulatedUnit::pendingMessages() const
{
    std::lock_guard<std::mutex> lock(m_inboxMutex);
    return int(m_inbox.size());
}

int SimulatedUnit::droppedMessages() const
{
    std::lock_guard<std::mutex> lock(m_inboxMutex);
    return m_dropped;
}

void SimulatedUnit::onMessage(const PeerId& peer, const std::shared_ptr<Messaging::IMessage>& message)
{
    if (!message)
        return;
    const std::string& type = message->getMessageType();
    const std::string body = message->bodyAsString();
    emit messageReceived(peer.empty() ? AllPeers : peerName(peer), QString::fromStdString(type),
                         QString::fromStdString(UnitBodies::summary(type, body)));
    emit commandReceived(QString::fromStdString(type), QByteArray(body.data(), int(body.size())));
    bool handled = false;
    if (!m_stalled) {
        // Only commands wait for the report delay: the questions an application asks on connecting do not.
        m_handlingCommand = QString::fromStdString(type).startsWith(QLatin1String("Set"));
        handled = handle(peer, type, QByteArray(body.data(), int(body.size())));
        m_handlingCommand = false;
        if (!handled)
            qInfo("Unknown message type \"%s\" ignored",
                  qPrintable(UnitBodies::printable(QString::fromStdString(type), 80)));
    }
    record(peer, message, handled);
}

bool SimulatedUnit::handle(const PeerId& peer, const std::string& type, const QByteArray& body)
{
    if (type == Type::GetSeatStatusNotification)
        answer(peer, type, UnitBodies::seats(m_state.seats));
    else if (type == Type::GetVyraNameNotification)
        answer(peer, type, UnitBodies::vyraName(m_state.name));
    else if (type == Type::GetMotionDelayNotification)
        answer(peer, type, UnitBodies::motionDelay(m_state.motionDelay));
    else if (type == Type::GetRecognitionToleranceNotification)
        answer(peer, type, UnitBodies::recognitionTolerance(m_state.recognitionTolerance));
    else if (type == Type::GetMediaStatusNotification)
        answer(peer, type, UnitBodies::mediaStatus(m_state.media));
    else if (type == Type::GetMediaListNotification)
        answerLibrary(peer);
    else if (type == Type::GetUpgradeNotification)
        answer(peer, type, UnitBodies::upgrade(m_state.upgrade));
    else if (type == Type::GetUpdateNotification)
        answer(peer, type, UnitBodies::update(m_state.update));
    else if (type == Type::GetNetworkState)
        answer(peer, type, UnitBodies::networkState(m_state.network));
    else if (type == Type::GetWifiList)
        answer(peer, type, UnitBodies::wifiList(m_state.network));
    else if (type == Type::GetLibraryServiceLoginStatus)
        answer(peer, type, UnitBodies::loginStatus(m_state.login));
    else if (type == Type::GetImageData)
        sendImage(peer, body);
    else if (type == Type::SetSeatSetting)
        setSeat(body);
    else if (type == Type::SetVyraName)
        setName(peer, body);
    else if (type == Type::SetMotionDelay)
        setMotionDelay(body);
    else if (type == Type::SetRecognitionTolerance)
        setTolerance(body);
    else if (type == Type::SetWifiSetting)
        setWifi(peer, body);
    else if (type == Type::SetLibraryServiceCredentials)
        setCredentials(body);
    else
        return false;
    return true;
}

const QList<QPair<QString, QString>>& SimulatedUnit::faultNames()
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

bool SimulatedUnit::breakRules(const std::string& type, std::string& body, bool isAnswer) const
{
    const QStringList& faults = m_config.faults;
    if (faults.isEmpty())
        return true;
    if (type == Type::GetMotionDelayNotification && faults.contains(QLatin1String("wrong-type")))
        body = "{\"motionDelay\":\"" + std::to_string(m_state.motionDelay) + "\"}";
    else if (type == Type::GetVyraNameNotification && faults.contains(QLatin1String("missing-key")))
        body = QJsonDocument(QJsonObject{{QStringLiteral("name"), m_state.name}})
                   .toJson(QJsonDocument::Compact)
                   .toStdString();
    else if (type == Type::GetUpgradeNotification && isAnswer && faults.contains(QLatin1String("no-answer")))
        return false;
    return true;
}

bool SimulatedUnit::deferred(std::function<void()> send)
{
    if (!m_handlingCommand || m_config.reportDelayMs <= 0)
        return false;
    // Single shots of one interval fire in the order they were started: the reports keep their order.
    QTimer::singleShot(m_config.reportDelayMs, Qt::PreciseTimer, this, [this, send = std::move(send)] {
        const bool handling = m_handlingCommand;
        m_handlingCommand = false;
        send();
        m_handlingCommand = handling;
    });
    return true;
}

void SimulatedUnit::answer(const PeerId& peer, const std::string& type, const std::string& givenBody,
                           bool periodic)
{
    if (deferred([=] { answer(peer, type, givenBody, periodic); }))
        return;
    std::string body = givenBody;
    if (!breakRules(type, body, true))
        return;
    if (peer.empty()) { // a message injected through receiveMessage(): everybody hears the answer
        notify(type, body, periodic);
        return;
    }
    if (!m_endpoint)
        return;
    auto buffer = body.empty() ? nullptr : Messaging::ManagedBuffer::FromBytes(body.data(), body.size());
    m_endpoint->sendTo(peer,
                       std::make_shared<Messaging::IMessage>(type, Messaging::MessageVersion, std::string(),
                                                             buffer, Messaging::GenericMessageTypeDefault));
    emit messageSent(peerName(peer), QString::fromStdString(type),
                     QString::fromStdString(UnitBodies::summary(type, body)), periodic);
}

void SimulatedUnit::notify(const std::string& type, const std::string& givenBody, bool periodic)
{
    if (deferred([=] { notify(type, givenBody, periodic); }))
        return;
    if (m_stalled || !m_endpoint || !m_endpoint->isRunning())
        return;
    std::string body = givenBody;
    if (!breakRules(type, body, false))
        return;
    auto buffer = body.empty() ? nullptr : Messaging::ManagedBuffer::FromBytes(body.data(), body.size());
    m_endpoint->broadcast(std::make_shared<Messaging::IMessage>(
        type, Messaging::MessageVersion, std::string(), buffer, Messaging::GenericMessageTypeDefault));
    emit messageSent(AllPeers, QString::fromStdString(type),
                     QString::fromStdString(UnitBodies::summary(type, body)), periodic);
}

void SimulatedUnit::notifyAll()
{
    notify(Type::GetVyraNameNotification, UnitBodies::vyraName(m_state.name));
    notify(Type::GetSeatStatusNotification, UnitBodies::seats(m_state.seats));
    notify(Type::GetMotionDelayNotification, UnitBodies::motionDelay(m_state.motionDelay));
    notify(Type::GetRecognitionToleranceNotification,
           UnitBodies::recognitionTolerance(m_state.recognitionTolerance));
    notify(Type::GetMediaStatusNotification, UnitBodies::mediaStatus(m_state.media));
    notify(Type::GetUpgradeNotification, UnitBodies::upgrade(m_state.upgrade));
    notify(Type::GetUpdateNotification, UnitBodies::update(m_state.update));
    notify(Type::GetNetworkState, UnitBodies::networkState(m_state.network));
    notify(Type::GetLibraryServiceLoginStatus, UnitBodies::loginStatus(m_state.login));
}

void SimulatedUnit::answerLibrary(const PeerId& peer)
{
    std::string body = UnitBodies::mediaList(m_library);
    if (body.size() > Limits::MessageMaxBytes) {
        // Better an empty library than a message that costs the application its connection.
        qWarning("The library (%d titles, %zu bytes) is too large for one message; sending an empty one",
                 m_library.size(), body.size());
        body = UnitBodies::mediaList(MediaLibrary());
    }
    answer(peer, Type::GetMediaListNotification, body);
}

void SimulatedUnit::sendImage(const PeerId& peer, const QByteArray& body)
{
    rapidjson::Document doc;
    QString fileName;
    if (parse(body, doc)) {
        const auto it = doc.FindMember(Key::ImageFileName.c_str());
        if (it != doc.MemberEnd() && it->value.IsString())
            fileName = string(it->value);
    }
    QByteArray jpeg;
    if (const MediaEntry* entry = m_library.byPosterFile(fileName))
        jpeg = m_posters.jpeg(*entry);
    else
        qInfo("No poster named \"%s\"; answering without image",
              qPrintable(UnitBodies::printable(fileName, 80)));
    answer(peer, Type::GetImageData, bytes(jpeg));
}

void SimulatedUnit::setSeat(const QByteArray& body)
{
    rapidjson::Document doc;
    const rapidjson::Value* seat = parse(body, doc) ? memberObject(doc, Key::Seat) : nullptr;
    const auto index = seat ? seat->FindMember(Key::Index.c_str()) : rapidjson::Value::ConstMemberIterator();
    if (!seat || index == seat->MemberEnd() || !index->value.IsInt()) {
        qInfo("SetSeatSetting without a seat index ignored");
    } else {
        auto it = std::find_if(m_state.seats.begin(), m_state.seats.end(),
                               [&](const SeatState& s) { return s.index == index->value.GetInt(); });
        if (it == m_state.seats.end()) {
            qInfo("SetSeatSetting for unknown seat %d ignored", index->value.GetInt());
        } else {
            for (const auto& m : seat->GetObject()) {
                const std::string name(m.name.GetString(), m.name.GetStringLength());
                if (name == Key::Muted && m.value.IsBool())
                    it->muted = m.value.GetBool();
                else if (name == Key::Chained && m.value.IsBool())
                    it->chained = m.value.GetBool();
                else if ((name == Key::Motion || name == Key::Vibration) && m.value.IsNumber()) {
                    const double v =
                        std::clamp(m.value.GetDouble(), Limits::IntensityMin, Limits::IntensityMax);
                    (name == Key::Motion ? it->motion : it->vibration) = v;
                }
            }
        }
    }
    // Also after a rejected command: the application shows only what the unit reports.
    notify(Type::GetSeatStatusNotification, UnitBodies::seats(m_state.seats));
}

void SimulatedUnit::setName(const PeerId& peer, const QByteArray& body)
{
    rapidjson::Document doc;
    QString name;
    bool valid = false;
    if (parse(body, doc)) {
        const auto it = doc.FindMember(Key::VyraName.c_str());
        if (it != doc.MemberEnd() && it->value.IsString()) {
            name = string(it->value).simplified();
            valid = !name.isEmpty() && name.size() <= Limits::NameMaxChars;
        }
    }
    if (valid) {
        m_state.name = name;
        if (m_endpoint)
            m_endpoint->setUnitName(name.toStdString());
    } else {
        qInfo("SetVyraName ignored: the name must be 1 to %d characters", Limits::NameMaxChars);
    }
    answer(peer, Type::SetVyraName, std::string());
    notify(Type::GetVyraNameNotification, UnitBodies::vyraName(m_state.name));
}

void SimulatedUnit::setMotionDelay(const QByteArray& body)
{
    rapidjson::Document doc;
    if (parse(body, doc)) {
        const auto it = doc.FindMember(Key::MotionDelay.c_str());
        if (it != doc.MemberEnd() && it->value.IsInt())
            m_state.motionDelay =
                std::clamp(it->value.GetInt(), Limits::MotionDelayMin, Limits::MotionDelayMax);
        else
            qInfo("SetMotionDelay without an integer \"motionDelay\" ignored");
    } else {
        qInfo("SetMotionDelay with a body that is not a JSON object ignored");
    }
    notify(Type::GetMotionDelayNotification, UnitBodies::motionDelay(m_state.motionDelay));
}

void SimulatedUnit::setTolerance(const QByteArray& body)
{
    rapidjson::Document doc;
    if (parse(body, doc)) {
        const auto it = doc.FindMember(Key::RecognitionTolerance.c_str());
        if (it != doc.MemberEnd() && it->value.IsInt())
            m_state.recognitionTolerance =
                std::clamp(it->value.GetInt(), Limits::ToleranceMin, Limits::ToleranceMax);
        else
            qInfo("SetRecognitionTolerance without an integer \"recognitionTolerance\" ignored");
    } else {
        qInfo("SetRecognitionTolerance with a body that is not a JSON object ignored");
    }
    notify(Type::GetRecognitionToleranceNotification,
           UnitBodies::recognitionTolerance(m_state.recognitionTolerance));
}

void SimulatedUnit::setWifi(const PeerId& peer, const QByteArray& body)
{
    rapidjson::Document doc;
    const rapidjson::Value* wifi = parse(body, doc) ? memberObject(doc, Key::SetWifi) : nullptr;
    bool result = false;
    NetworkState& n = m_state.network;
    if (!wifi) {
        qInfo("SetWifiSetting without a \"setWifi\" object refused");
    } else if (wifi->HasMember(Key::Clear.c_str())) {
        const auto& clear = (*wifi)[Key::Clear.c_str()];
        if (clear.IsBool() && clear.GetBool()) {
            n.wifiOnline = false;
            n.hotspotActive = true;
            for (auto& net : n.visible)
                net.active = false;
            result = true;
            qInfo("Wi-Fi: hotspot activated");
        } else {
            qInfo("SetWifiSetting with \"clear\" other than true refused");
        }
    } else {
        const auto ssid = wifi->FindMember(Key::Ssid.c_str());
        const auto key = wifi->FindMember(Key::Key.c_str());
        if (ssid == wifi->MemberEnd() || !ssid->value.IsString() || key == wifi->MemberEnd() ||
            !key->value.IsString()) {
            qInfo("SetWifiSetting without a string \"ssid\" and \"key\" refused");
        } else {
            const QString name = string(ssid->value);
            // The key's length only: its characters never reach a log.
            const int keyLength = string(key->value).size();
            auto it = std::find_if(n.visible.begin(), n.visible.end(),
                                   [&](const WifiNetwork& w) { return w.ssid == name; });
            if (it == n.visible.end()) {
                qInfo("Wi-Fi: network \"%s\" is not visible; refused",
                      qPrintable(UnitBodies::printable(name)));
            } else if (m_config.faults.contains(QLatin1String("refuse-wifi-key"))) {
                qInfo("Wi-Fi: key for \"%s\" refused (fault refuse-wifi-key)",
                      qPrintable(UnitBodies::printable(name)));
            } else if (keyLength < Limits::WifiKeyMinChars || keyLength > Limits::WifiKeyMaxChars) {
                qInfo("Wi-Fi: key for \"%s\" refused (%d to %d characters needed)",
                      qPrintable(UnitBodies::printable(name)), Limits::WifiKeyMinChars,
                      Limits::WifiKeyMaxChars);
            } else {
                for (auto& net : n.visible)
                    net.active = (&net == &*it);
                n.wifiOnline = true;
                n.hotspotActive = false;
                n.ssid = name;
                result = true;
                qInfo("Wi-Fi: joined \"%s\"", qPrintable(UnitBodies::printable(name)));
            }
        }
    }
    updateNetworkInterfaces();
    answer(peer, Type::SetWifiSetting, UnitBodies::wifiResult(result));
    notify(Type::GetNetworkState, UnitBodies::networkState(n));
    notify(Type::GetWifiList, UnitBodies::wifiList(n));
}

void SimulatedUnit::updateNetworkInterfaces()
{
    NetworkState& n = m_state.network;
    while (n.addresses.size() > 1)
        n.addresses.removeLast();
    if (n.addresses.isEmpty())
        return;
    QString wlanMac = n.addresses.first().hardwareAddress;
    wlanMac.replace(0, 2, QStringLiteral("06"));
    if (n.hotspotActive) {
        n.ssid = QStringLiteral("VYRA-") + wlanMac.right(5).remove(QLatin1Char(':')).toUpper();
        n.addresses.push_back({QStringLiteral("wlan0"), wlanMac, QStringLiteral("10.42.0.1"),
                               QStringLiteral("255.255.255.0"), QStringLiteral("10.42.0.255")});
    } else if (n.wifiOnline) {
        const int host = n.addresses.first().ip.section(QLatin1Char('.'), 3).toInt() + 1;
        n.addresses.push_back({QStringLiteral("wlan0"), wlanMac, QStringLiteral("192.168.1.%1").arg(host),
                               QStringLiteral("255.255.255.0"), QStringLiteral("192.168.1.255")});
    } else {
        n.ssid.clear();
    }
}

void SimulatedUnit::setCredentials(const QByteArray& body)
{
    rapidjson::Document doc;
    if (!parse(body, doc)) {
        qInfo("SetLibraryServiceCredentials with a body that is not a JSON object ignored");
    } else {
        const auto user = doc.FindMember(Key::Username.c_str());
        const auto access = doc.FindMember(Key::AccessToken.c_str());
        const auto refresh = doc.FindMember(Key::RefreshToken.c_str());
        if (user == doc.MemberEnd() || !user->value.IsString() || access == doc.MemberEnd() ||
            !access->value.IsString() || refresh == doc.MemberEnd() || !refresh->value.IsString()) {
            qInfo("SetLibraryServiceCredentials without string \"username\", \"access_token\" and "
                  "\"refresh_token\" ignored");
        } else {
            m_accessToken = string(access->value);
            m_refreshToken = string(refresh->value);
            const QString username = string(user->value);
            // Empty credentials sign the unit out.
            const bool registered = !username.isEmpty() && !m_accessToken.isEmpty();
            m_state.login.username = registered ? username : QString();
            m_state.login.isRegistered = registered;
            qInfo(
                "Library service: %s (access token %s, refresh token %s)",
                registered
                    ? qPrintable(QStringLiteral("registered as \"%1\"").arg(UnitBodies::printable(username)))
                    : "signed out",
                UnitBodies::maskSecret(m_accessToken.toStdString()).c_str(),
                UnitBodies::maskSecret(m_refreshToken.toStdString()).c_str());
        }
    }
    notify(Type::GetLibraryServiceLoginStatus, UnitBodies::loginStatus(m_state.login));
}

// Scenario ----------------------------------------------------------------------------------------------

int SimulatedUnit::scaledMs(double seconds) const
{
    const double ms = seconds * 1000.0 * (m_config.timeScale > 0 ? m_config.timeScale : 1.0);
    return int(std::clamp(ms, 1.0, 24.0 * 3600 * 1000));
}

void SimulatedUnit::setScenarioRunning(bool running)
{
    m_scenarioRunning = running;
    updateClock();
}

void SimulatedUnit::updateClock()
{
    const bool ticking = m_scenarioRunning && !m_stalled && !m_scenario.steps().isEmpty();
    if (ticking == m_tickTimer.isActive())
        return;
    if (!ticking) {
        // The step goes on where it was when the clock starts again.
        m_stepRemainingMs = m_stepTimer.isActive() ? m_stepTimer.remainingTime() : -1;
        m_stepTimer.stop();
        m_tickTimer.stop();
        return;
    }
    m_tickTimer.start(std::max(5, scaledMs(1.0)));
    if (m_step < 0)
        applyStep(0);
    else
        m_stepTimer.start(m_stepRemainingMs >= 0 ? m_stepRemainingMs
                                                 : scaledMs(m_scenario.steps().at(m_step).durationSeconds));
}

void SimulatedUnit::goToStep(int step)
{
    if (step < 0 || step >= m_scenario.steps().size())
        return;
    applyStep(step);
}

void SimulatedUnit::nextStep()
{
    if (m_scenario.steps().isEmpty())
        return;
    int next = m_step + 1;
    if (next >= m_scenario.steps().size()) {
        if (!m_scenario.loops()) {
            m_stepTimer.stop();
            return; // the last step's state stays
        }
        next = m_scenario.loopFrom();
    }
    applyStep(next);
}

void SimulatedUnit::applyStep(int index)
{
    m_step = index;
    const ScenarioStep& step = m_scenario.steps().at(index);
    MediaStatus& media = m_state.media;
    bool mediaChanged = false;

    if (step.mediaIdState) {
        media.mediaIdState = *step.mediaIdState;
        mediaChanged = true;
    }
    if (step.motionCodeState) {
        media.motionCodeState = *step.motionCodeState;
        mediaChanged = true;
    }
    if (step.message) {
        media.message = *step.message;
        mediaChanged = true;
    }
    const bool identified = media.mediaIdState == QLatin1String("ident_success");
    if (identified) {
        const MediaEntry* entry = nullptr;
        if (step.media == ScenarioStep::Media::Title) {
            const auto& all = m_library.entries();
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
        if (!entry && needNext && !m_library.isEmpty()) {
            entry = &m_library.entries().at(m_nextMedia % m_library.size());
            m_nextMedia = (m_nextMedia + 1) % m_library.size();
        }
        if (entry)
            identify(*entry, step.offsetSeconds.value_or(0));
        else if (step.offsetSeconds)
            media.mediaOffset = std::min(*step.offsetSeconds, media.mediaDuration);
        mediaChanged = true;
    } else if (mediaChanged) {
        clearMedia();
    }
    if (mediaChanged)
        notify(Type::GetMediaStatusNotification, UnitBodies::mediaStatus(media));

    if (step.upgradeStatus) {
        UpgradeState& u = m_state.upgrade;
        if (step.upgradeVersion == QLatin1String("next"))
            u.lastVersion = nextVersion(u.currentVersion);
        else if (!step.upgradeVersion.isEmpty())
            u.lastVersion = step.upgradeVersion;
        u.lastStatus = *step.upgradeStatus;
        if (u.lastStatus == QLatin1String("success"))
            u.currentVersion = u.lastVersion;
        notify(Type::GetUpgradeNotification, UnitBodies::upgrade(u));
    }
    if (step.updateStatus) {
        UpdateState& u = m_state.update;
        u.lastStatus = *step.updateStatus;
        if (u.lastStatus == QLatin1String("success"))
            u.updatedTimestamp = QDateTime::currentDateTimeUtc().toString(Qt::ISODate);
        notify(Type::GetUpdateNotification, UnitBodies::update(u));
    }
    emit stepStarted(index);
    m_stepRemainingMs = -1;
    if (m_tickTimer.isActive())
        m_stepTimer.start(scaledMs(step.durationSeconds));
}

void SimulatedUnit::identify(const MediaEntry& entry, int offset)
{
    MediaStatus& media = m_state.media;
    media.mediaTitle = entry.title;
    media.imageFilename = entry.posterFile;
    media.mediaCutVersion = entry.cut;
    media.mediaLanguage = entry.language;
    media.mediaDuration = entry.durationSeconds;
    media.mediaOffset = std::clamp(offset, 0, entry.durationSeconds);
}

void SimulatedUnit::clearMedia()
{
    MediaStatus& media = m_state.media;
    media.mediaTitle.clear();
    media.imageFilename.clear();
    media.mediaCutVersion.clear();
    media.mediaLanguage.clear();
    media.mediaOffset = 0;
    media.mediaDuration = 0;
}

void SimulatedUnit::tick()
{
    MediaStatus& media = m_state.media;
    if (media.mediaIdState != QLatin1String("ident_success") || media.mediaOffset >= media.mediaDuration)
        return;
    ++media.mediaOffset;
    notify(Type::GetMediaStatusNotification, UnitBodies::mediaStatus(media), true);
}

void SimulatedUnit::setMediaStatus(const MediaStatus& status)
{
    m_state.media = status;
    notify(Type::GetMediaStatusNotification, UnitBodies::mediaStatus(m_state.media));
}

void SimulatedUnit::setServiceUri(const QString& uri)
{
    m_state.login.serviceUri = uri;
    notify(Type::GetLibraryServiceLoginStatus, UnitBodies::loginStatus(m_state.login));
}

} // namespace Simulator
} // namespace Ulmar
