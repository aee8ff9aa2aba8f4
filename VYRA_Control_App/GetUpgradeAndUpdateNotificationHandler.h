#pragma once

#include <mutex>
#include <string>

#include <QObject>
#include <QVariant>

#include "IMessengerObserver.h"
#include "IResponseHandler.h"

namespace Ulmar {
namespace Messaging {

// Follows software upgrades ("GetUpgradeNotification") and motion code library updates
// ("GetUpdateNotification") of the unit.
class GetUpgradeAndUpdateNotificationHandler : public QObject,
                                               public IResponseHandler,
                                               public IMessengerObserver
{
    Q_OBJECT

public:
    enum class UpgradeStatus
    {
        scheduled,
        in_progress,
        cancelled,
        failed,
        success,
        unknown
    };
    enum class UpdateStatus
    {
        in_progress,
        cancelled,
        failed,
        success,
        unknown
    };

    GetUpgradeAndUpdateNotificationHandler();
    ~GetUpgradeAndUpdateNotificationHandler() override;

    void handleResponse(std::shared_ptr<IResponse> response) override;

    void handleConnected() override;
    void handleConnectionLost() override;
    void handleDisconnected() override;

signals:
    void upgradeStatusChanged(QVariant active, QVariant text);
    void updateStatusChanged(QVariant active, QVariant text);
    void vyraVersionReceived(QVariant vyraVersion);
    void lastUpdateTimestampReceived(QVariant lastUpdateTimestamp);

private:
    void handleUpgrade(const std::shared_ptr<IResponse>& response);
    void handleUpdate(const std::shared_ptr<IResponse>& response);

    std::mutex m_mutex; // notifications and connection events may come from different messaging threads
    std::string m_upgradeTargetVersion;
    bool m_updateRunning = false;
};

} // namespace Messaging
} // namespace Ulmar
