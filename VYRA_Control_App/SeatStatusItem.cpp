#include "SeatStatusItem.h"

namespace Ulmar {

SeatStatusItem::~SeatStatusItem() = default;

} // namespace Ulmar
