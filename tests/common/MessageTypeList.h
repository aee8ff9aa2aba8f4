#pragma once

// Every message type of the catalogue, in one fixed order. The fuzz harnesses pick a type by its index in this
// list and the committed seed corpora were written with it: append new types, never reorder.

#include <string>
#include <vector>

#include "MessageNames.h"

namespace MessageTypeList {

inline const std::vector<std::string>& all()
{
    namespace T = Ulmar::Messaging::MessageType;
    static const std::vector<std::string> types = {T::GetSeatStatusNotification,
                                                   T::SetSeatSetting,
                                                   T::GetVyraNameNotification,
                                                   T::SetVyraName,
                                                   T::GetMotionDelayNotification,
                                                   T::SetMotionDelay,
                                                   T::GetRecognitionToleranceNotification,
                                                   T::SetRecognitionTolerance,
                                                   T::GetMediaStatusNotification,
                                                   T::GetMediaListNotification,
                                                   T::GetImageData,
                                                   T::GetUpgradeNotification,
                                                   T::GetUpdateNotification,
                                                   T::GetNetworkState,
                                                   T::GetWifiList,
                                                   T::SetWifiSetting,
                                                   T::GetLibraryServiceLoginStatus,
                                                   T::SetLibraryServiceCredentials};
    return types;
}

} // namespace MessageTypeList
