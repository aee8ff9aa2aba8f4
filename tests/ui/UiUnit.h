#pragma once
// The unit the pages talk to in the Qt Quick tests ("unit"): a simulated unit on loopback that the real
// Facade finds by discovery and connects to. Tests read what it received, byte for byte as sent, and make it
// report states through the same messages a unit sends.

#include <memory>

#include <QObject>
#include <QString>
#include <QVariant>

#include "SimulatedUnit.h"

class UiUnit : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString name READ name CONSTANT)
    Q_PROPERTY(int port READ port CONSTANT)

public:
    // Announces on `discoveryPort` under `name`, encrypted with a key pair of its own.
    UiUnit(const QString& name, quint16 discoveryPort, bool encrypted, QObject* parent = nullptr);
    ~UiUnit() override;

    QString name() const { return m_config.name; }
    int port() const { return m_unit ? m_unit->port() : 0; }
    Ulmar::Simulator::SimulatedUnit& simulated() { return *m_unit; }

    // The bodies of every message of `type` received since the last clear, parsed (null for a body that is
    // not JSON), in order.
    Q_INVOKABLE QVariantList received(const QString& type) const;
    // The bodies as received, as text.
    Q_INVOKABLE QStringList receivedText(const QString& type) const;
    // The types of every message received since the last clear, in order.
    Q_INVOKABLE QStringList receivedTypes() const;
    Q_INVOKABLE void clearReceived();

    // Sends a message as a unit does; an object or array body is written as compact JSON, a string as is.
    Q_INVOKABLE void send(const QString& type, const QVariant& body);
    // Reports these seats (maps of "muted", "chained", "motion", "vibration"; numbered from 0), in the unit's
    // own body format.
    Q_INVOKABLE void sendSeats(const QVariant& list);
    // Reports a media status (the fields of a unit's media status: "mediaIdState", "motionCodeState",
    // "mediaTitle", "mediaOffset", "mediaDuration"...).
    Q_INVOKABLE void setMediaStatus(const QVariant& map);

    // Stops answering and applying commands (still recording them), and reports the whole state again on
    // resume.
    Q_INVOKABLE void stall();
    // The network of a fresh unit, told to nobody.
    Q_INVOKABLE void resetNetwork();
    // Sends the unit's network state and the networks it sees, as it answers a poll; also while stalled.
    Q_INVOKABLE void reportNetwork();
    // The names of the networks the unit sees, in the order it reports them.
    Q_INVOKABLE QStringList visibleNetworks() const;
    Q_INVOKABLE void resume();
    Q_INVOKABLE void dropConnections();
    // Takes a new key pair, as after a factory reset; the unit restarts on the same port.
    Q_INVOKABLE bool changeKey();
    // Starts again on the same port and key with another library service address.
    Q_INVOKABLE bool restartWithServiceUri(const QString& uri);
    Q_INVOKABLE void stop();
    Q_INVOKABLE bool start();

private:
    bool startUnit();

    Ulmar::Simulator::UnitConfig m_config;
    std::unique_ptr<Ulmar::Simulator::SimulatedUnit> m_unit;
};
