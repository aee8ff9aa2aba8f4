#pragma once

#include <QObject>
#include <QVariant>

#include "IResponseHandler.h"

namespace Ulmar {
namespace Messaging {

// Decodes the "SetWifiSetting" answer: whether the unit accepted the setting.
class WifiSettingHandler : public QObject, public IResponseHandler
{
    Q_OBJECT

public:
    WifiSettingHandler();
    ~WifiSettingHandler() override;

    void handleResponse(std::shared_ptr<IResponse> response) override;

signals:
    void wifiSettingResponseReceived(QVariant key, QVariant result);
};

} // namespace Messaging
} // namespace Ulmar
