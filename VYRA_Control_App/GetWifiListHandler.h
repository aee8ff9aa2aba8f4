#pragma once

#include <QObject>
#include <QVariant>

#include "IResponseHandler.h"

namespace Ulmar {
namespace Messaging {

// Decodes the "GetWifiList" answer: the visible networks and which one is active.
class GetWifiListHandler : public QObject, public IResponseHandler
{
    Q_OBJECT

public:
    GetWifiListHandler();
    ~GetWifiListHandler() override;

    void handleResponse(std::shared_ptr<IResponse> response) override;

signals:
    void wifiNetworkListChangedSignal(QVariant key, QVariant wifiNetworkList);
    void wifiNetworkStatusListChangedSignal(QVariant key, QVariant wifiNetworkStatusList);
};

} // namespace Messaging
} // namespace Ulmar
