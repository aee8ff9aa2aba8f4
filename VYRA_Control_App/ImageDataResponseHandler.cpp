#include "ImageDataResponseHandler.h"

namespace Ulmar {
namespace Messaging {

ImageDataResponseHandler::ImageDataResponseHandler() = default;

ImageDataResponseHandler::~ImageDataResponseHandler() = default;

void ImageDataResponseHandler::handleResponse(std::shared_ptr<IResponse> response)
{
    const auto body = response ? response->body() : nullptr;
    const auto buffer = body ? body->GetBuffer() : nullptr;
    if (buffer && !buffer->empty()) {
        emit posterAvailable(
            QByteArray(reinterpret_cast<const char*>(buffer->data()), static_cast<int>(buffer->size())));
    } else {
        emit posterNotAvailable();
    }
}

void ImageDataResponseHandler::handleConnected() {}

void ImageDataResponseHandler::handleConnectionLost()
{
    emit posterNotAvailable();
}

void ImageDataResponseHandler::handleDisconnected()
{
    emit posterNotAvailable();
}

} // namespace Messaging
} // namespace Ulmar
