#pragma once

#include <QByteArray>
#include <QObject>

#include "IMessengerObserver.h"
#include "IResponseHandler.h"

namespace Ulmar {
namespace Messaging {

// Receives the poster bytes of "GetImageData"; an empty answer or a lost connection means no poster.
class ImageDataResponseHandler : public QObject, public IResponseHandler, public IMessengerObserver
{
    Q_OBJECT

public:
    ImageDataResponseHandler();
    ~ImageDataResponseHandler() override;

    void handleResponse(std::shared_ptr<IResponse> response) override;

    void handleConnected() override;
    void handleConnectionLost() override;
    void handleDisconnected() override;

signals:
    void posterAvailable(const QByteArray& jpgImageBytes);
    void posterNotAvailable();
};

} // namespace Messaging
} // namespace Ulmar
