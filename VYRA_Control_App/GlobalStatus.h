#pragma once

#include <atomic>

#include <QObject>
#include <QVariant>
#include <boost/signals2/signal.hpp>

#include "IMessengerObserver.h"

namespace Ulmar {

// Turns the messenger's connection events into one flag, logs each change and forwards it to the Facade
// as the key-value pair ("connection", bool).
class GlobalStatus : public QObject, public Messaging::IMessengerObserver
{
    Q_OBJECT
    Q_PROPERTY(bool isConnected READ isConnected WRITE setIsConnected NOTIFY connectionStateChanged)

public:
    using KeyValueSignal = boost::signals2::signal<void(QVariant, QVariant)>;

    GlobalStatus();
    ~GlobalStatus() override;

    bool isConnected() const { return m_isConnected.load(); }
    void setIsConnected(bool value);

    KeyValueSignal& keyValueSignal() { return m_keyValueSignal; }

    void handleConnected() override;
    void handleConnectionLost() override;
    void handleDisconnected() override;

signals:
    void connectionStateChanged();

private:
    void transition(bool connected);

    KeyValueSignal m_keyValueSignal;
    // Written on messaging threads and read on the GUI thread: the flip is a single atomic exchange so that
    // repeated events from racing threads still log and signal once.
    std::atomic<bool> m_isConnected{false};
};

} // namespace Ulmar
