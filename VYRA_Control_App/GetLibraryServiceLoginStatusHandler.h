#pragma once

#include <memory>

#include <QObject>
#include <QVariant>

#include "IResponseHandler.h"

namespace Ulmar {
namespace Messaging {

class Messenger;

// Asks the unit whether it is registered with the motion code library service, and decodes the answer.
class GetLibraryServiceLoginStatusHandler : public QObject, public IResponseHandler
{
    Q_OBJECT

public:
    GetLibraryServiceLoginStatusHandler();
    ~GetLibraryServiceLoginStatusHandler() override;

    // An empty pointer keeps the current messenger.
    void setMessenger(std::shared_ptr<Messenger> messenger);
    void requestLoginStatus();

    void handleResponse(std::shared_ptr<IResponse> response) override;

signals:
    void loginStatusReceivedSignal(QVariant isRegistered, QVariant username, QVariant serviceURI);
    void unsupportedByVYRASignal();

private:
    std::shared_ptr<Messenger> m_messenger;
};

} // namespace Messaging
} // namespace Ulmar
