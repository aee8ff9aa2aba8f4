#include "GetSeatStatusNotificationHandler.h"

#include <QtGlobal>

#include "InputLimits.h"
#include "LogCategories.h"
#include "MessageBody.h"
#include "MessageNames.h"

namespace Ulmar {
namespace Messaging {

namespace {

std::shared_ptr<SeatStatusItem> decodeSeat(const rapidjson::Value& entry)
{
    auto seat = std::make_shared<SeatStatusItem>();
    for (auto m = entry.MemberBegin(); m != entry.MemberEnd(); ++m) {
        const std::string key = toStdString(m->name);
        const auto& value = m->value;
        if (key == JsonKey::Index) {
            if (isInt32(value)) {
                seat->setIndex(value.GetInt());
                seat->setActive(true);
            }
        } else if (key == JsonKey::Muted) {
            if (isExactBool(value))
                seat->setMuted(value.GetBool());
        } else if (key == JsonKey::Chained) {
            if (isExactBool(value))
                seat->setControlsLocked(value.GetBool());
        } else if (key == JsonKey::Motion) {
            if (isInt32(value) || value.IsDouble())
                seat->setMotion(value.GetDouble());
        } else if (key == JsonKey::Vibration) {
            if (isInt32(value) || value.IsDouble())
                seat->setVibration(value.GetDouble());
        }
    }
    return seat;
}

} // namespace

GetSeatStatusNotificationHandler::GetSeatStatusNotificationHandler(std::shared_ptr<SeatPaneMgr> seatPaneMgr)
    : m_seatPaneMgr(std::move(seatPaneMgr))
{}

GetSeatStatusNotificationHandler::~GetSeatStatusNotificationHandler() = default;

SeatMap GetSeatStatusNotificationHandler::decodeSeats(const std::shared_ptr<const IMessage>& message)
{
    SeatMap seats;
    InputLimits limits(MessageType::GetSeatStatusNotification);
    int withoutIndex = 0;
    const auto document = parseBody(message);
    if (!document || !document->IsObject())
        return seats;
    for (auto outer = document->MemberBegin(); outer != document->MemberEnd(); ++outer) {
        if (!outer->value.IsObject())
            continue;
        for (auto inner = outer->value.MemberBegin(); inner != outer->value.MemberEnd(); ++inner) {
            if (toStdString(inner->name) != JsonKey::Seat || !inner->value.IsArray())
                continue;
            for (const auto& entry : inner->value.GetArray()) {
                if (!entry.IsObject())
                    continue;
                auto seat = decodeSeat(entry);
                const auto placed = seats.emplace(seat->index(), seat);
                // A seat without an index stands in for seat 0 only while the unit lists no real seat 0.
                if (!seat->active())
                    ++withoutIndex;
                else if (!placed.second && !placed.first->second->active())
                    placed.first->second = seat;
                // The lowest indexes stay, whatever order the unit lists its seats in.
                if (static_cast<int>(seats.size()) > InputLimits::MaxSeats) {
                    seats.erase(std::prev(seats.end()));
                    limits.noteCut("seats", InputLimits::MaxSeats);
                }
            }
        }
    }
    if (withoutIndex > 0)
        qCDebug(
            lcSeats,
            "Seat status: %d seat(s) without an integer index, shown as an inactive seat 0 unless seat 0 is "
            "listed",
            withoutIndex);
    return seats;
}

void GetSeatStatusNotificationHandler::handleResponse(std::shared_ptr<IResponse> response)
{
    const SeatMap seats = decodeSeats(response);
    if (m_seatPaneMgr)
        m_seatPaneMgr->setSeatStatus(seats);
}

} // namespace Messaging
} // namespace Ulmar
