#pragma once

#include <memory>

#include "IResponseHandler.h"
#include "SeatPaneMgr.h"

namespace Ulmar {
namespace Messaging {

// Decodes "GetSeatStatusNotification" into a seat map and hands it to the seat model.
class GetSeatStatusNotificationHandler : public IResponseHandler
{
public:
    explicit GetSeatStatusNotificationHandler(std::shared_ptr<SeatPaneMgr> seatPaneMgr);
    ~GetSeatStatusNotificationHandler() override;

    void handleResponse(std::shared_ptr<IResponse> response) override;

    // The seats of a notification body; members, inner members and seat entries that are not objects are
    // skipped.
    static SeatMap decodeSeats(const std::shared_ptr<const IMessage>& message);

private:
    std::shared_ptr<SeatPaneMgr> m_seatPaneMgr;
};

} // namespace Messaging
} // namespace Ulmar
