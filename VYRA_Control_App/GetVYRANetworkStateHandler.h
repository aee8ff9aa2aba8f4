#pragma once

#include <QObject>
#include <QVariant>

#include "IResponseHandler.h"

namespace Ulmar {
namespace Messaging {

// Decodes the "GetNetworkState" answer: LAN, Wi-Fi and hotspot flags, the SSID and the interfaces.
class GetVYRANetworkStateHandler : public QObject, public IResponseHandler
{
    Q_OBJECT

public:
    GetVYRANetworkStateHandler();
    ~GetVYRANetworkStateHandler() override;

    void handleResponse(std::shared_ptr<IResponse> response) override;

signals:
    void isHotspotActiveSignal(QVariant active);
    void vyraNetworkStateChangedSignal(QVariant isWirelessActive, QVariant isLanActive,
                                       QVariant isAccessPoint, QVariant ssid, QVariant addresses);
};

} // namespace Messaging
} // namespace Ulmar
