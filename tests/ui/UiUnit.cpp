#include "UiUnit.h"

#include <QJSValue>
#include <QJsonDocument>
#include <QVector>

#include "UnitBodies.h"
#include "UnitEndpoint.h"

using namespace Ulmar;

UiUnit::UiUnit(const QString& name, quint16 discoveryPort, bool encrypted, QObject* parent) : QObject(parent)
{
    m_config.name = name;
    m_config.port = 0;
    m_config.announcePort = discoveryPort;
    m_config.announceIntervalMs = 200;
    m_config.runScenario = false;
    m_config.encrypted = encrypted;
    if (encrypted) {
        const auto keys = Messaging::UnitEndpoint::generateKeyPair();
        m_config.publicKey = QString::fromStdString(keys.first);
        m_config.secretKey = QString::fromStdString(keys.second);
    }
    if (!startUnit())
        qFatal("the simulated unit did not start");
}

UiUnit::~UiUnit() = default;

bool UiUnit::startUnit()
{
    m_unit = std::make_unique<Simulator::SimulatedUnit>(m_config);
    QString error;
    if (!m_unit->start(&error)) {
        qWarning("simulated unit: %s", qPrintable(error));
        return false;
    }
    // Later starts keep the port the applications know.
    m_config.port = m_unit->port();
    return true;
}

QVariantList UiUnit::received(const QString& type) const
{
    QVariantList out;
    for (const auto& c : m_unit->commands(type))
        out << (c.json.isNull() ? QVariant() : c.json.toVariant());
    return out;
}

QStringList UiUnit::receivedText(const QString& type) const
{
    QStringList out;
    for (const auto& c : m_unit->commands(type))
        out << QString::fromUtf8(c.body);
    return out;
}

QStringList UiUnit::receivedTypes() const
{
    QStringList out;
    for (const auto& c : m_unit->commands())
        out << c.type;
    return out;
}

void UiUnit::clearReceived()
{
    m_unit->clearCommands();
}

void UiUnit::send(const QString& type, const QVariant& body)
{
    // A script object comes as a script value.
    const QVariant value =
        body.userType() == qMetaTypeId<QJSValue>() ? body.value<QJSValue>().toVariant() : body;
    QByteArray bytes;
    if (value.userType() == QMetaType::QString)
        bytes = value.toString().toUtf8();
    else if (!value.isNull())
        bytes = QJsonDocument::fromVariant(value).toJson(QJsonDocument::Compact);
    m_unit->injectMessage(type, bytes);
}

void UiUnit::sendSeats(const QVariant& list)
{
    const QVariantList seats =
        (list.userType() == qMetaTypeId<QJSValue>() ? list.value<QJSValue>().toVariant() : list).toList();
    QVector<Simulator::SeatState> states;
    for (const QVariant& entry : seats) {
        const QVariantMap map = entry.toMap();
        Simulator::SeatState s;
        s.index = states.size();
        s.muted = map.value("muted", false).toBool();
        s.chained = map.value("chained", false).toBool();
        s.motion = map.value("motion", -5.0).toDouble();
        s.vibration = map.value("vibration", -10.0).toDouble();
        states << s;
    }
    m_unit->injectMessage("GetSeatStatusNotification",
                          QByteArray::fromStdString(Simulator::UnitBodies::seats(states)));
}

void UiUnit::setMediaStatus(const QVariant& map)
{
    const QVariantMap status =
        (map.userType() == qMetaTypeId<QJSValue>() ? map.value<QJSValue>().toVariant() : map).toMap();
    Simulator::MediaStatus media;
    media.mediaIdState = status.value("mediaIdState", media.mediaIdState).toString();
    media.motionCodeState = status.value("motionCodeState", media.motionCodeState).toString();
    media.mediaTitle = status.value("mediaTitle").toString();
    media.imageFilename = status.value("imageFilename").toString();
    media.mediaOffset = status.value("mediaOffset", 0).toInt();
    media.mediaDuration = status.value("mediaDuration", 0).toInt();
    media.message = status.value("message").toString();
    m_unit->setMediaStatus(media);
}

void UiUnit::stall()
{
    m_unit->stall();
}

void UiUnit::resetNetwork()
{
    m_unit->resetNetwork();
}

void UiUnit::reportNetwork()
{
    const auto& network = m_unit->state().network;
    m_unit->injectMessage("GetNetworkState",
                          QByteArray::fromStdString(Simulator::UnitBodies::networkState(network)));
    m_unit->injectMessage("GetWifiList", QByteArray::fromStdString(Simulator::UnitBodies::wifiList(network)));
}

QStringList UiUnit::visibleNetworks() const
{
    QStringList names;
    for (const auto& network : m_unit->state().network.visible)
        names << network.ssid;
    return names;
}

void UiUnit::resume()
{
    m_unit->resume();
}

void UiUnit::dropConnections()
{
    m_unit->dropAllConnections();
}

bool UiUnit::changeKey()
{
    const auto keys = Messaging::UnitEndpoint::generateKeyPair();
    m_config.publicKey = QString::fromStdString(keys.first);
    m_config.secretKey = QString::fromStdString(keys.second);
    return m_unit->changeKey(m_config.publicKey, m_config.secretKey);
}

bool UiUnit::restartWithServiceUri(const QString& uri)
{
    m_unit.reset();
    m_config.serviceUri = uri;
    return startUnit();
}

void UiUnit::stop()
{
    m_unit->stop();
}

bool UiUnit::start()
{
    return m_unit->isRunning() || m_unit->restart();
}
