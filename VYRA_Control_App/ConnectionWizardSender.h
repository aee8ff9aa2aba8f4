#pragma once

#include <memory>
#include <string>

#include <QObject>
#include <QVariant>

namespace Ulmar {
namespace Messaging {

class BufferQueue;
class Messenger;

// Network page requests: network state, Wi-Fi list, joining a Wi-Fi network and returning to the hotspot.
// Without a messenger every request is dropped. The Wi-Fi key is never logged nor kept.
class ConnectionWizardSender : public QObject
{
    Q_OBJECT

public:
    explicit ConnectionWizardSender(std::shared_ptr<Messenger> messenger);
    ~ConnectionWizardSender() override;

    // {"setWifi":{"ssid":...,"key":...}} and {"setWifi":{"clear":true}}, compact.
    static std::string wifiChangeBody(const std::string& ssid, const std::string& key);
    static std::string hotspotBody();

signals:
    // A Wi-Fi change (a network to join, or the access point) did not go out: no answer will come.
    void wifiSettingNotSent();

public slots:
    void triggerWifiChange(QVariant ssid, QVariant securityKey);
    void triggerWifiList();
    void triggerNetworkState();
    void requestHotspotActivation();

private:
    std::shared_ptr<Messenger> m_messenger;
    std::shared_ptr<BufferQueue> m_bufferQueue;
};

} // namespace Messaging
} // namespace Ulmar
