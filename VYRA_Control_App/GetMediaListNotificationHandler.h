#pragma once

#include <memory>

#include <QObject>

#include "IResponseHandler.h"
#include "MediaListVirtualModel.h"

namespace Ulmar {
namespace Messaging {

// Decodes "GetMediaListNotification" into MediaItem records for the media list model.
class GetMediaListNotificationHandler : public QObject, public IResponseHandler
{
    Q_OBJECT

public:
    GetMediaListNotificationHandler();
    ~GetMediaListNotificationHandler() override;

    std::shared_ptr<MediaListVirtualModel> getModel() const;

    void handleResponse(std::shared_ptr<IResponse> response) override;

    // The records of a body; false when the body holds no document or an empty root object (no effect).
    // Members and array elements that are not objects are skipped.
    static bool decodeMediaList(const std::shared_ptr<const IMessage>& message, MediaList& list);

private:
    std::shared_ptr<MediaListVirtualModel> m_model;
};

} // namespace Messaging
} // namespace Ulmar
