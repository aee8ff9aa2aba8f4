#pragma once

#include <string>

// Every message type name and JSON key exchanged with a unit, shared by senders, handlers, the Facade and
// the simulated unit. Type names are case-sensitive.
namespace Ulmar {
namespace Messaging {

namespace MessageType {
inline const std::string GetSeatStatusNotification = "GetSeatStatusNotification";
inline const std::string SetSeatSetting = "SetSeatSetting";
inline const std::string GetVyraNameNotification = "GetVyraNameNotification";
inline const std::string SetVyraName = "SetVyraName";
inline const std::string GetMotionDelayNotification = "GetMotionDelayNotification";
inline const std::string SetMotionDelay = "SetMotionDelay";
inline const std::string GetRecognitionToleranceNotification = "GetRecognitionToleranceNotification";
inline const std::string SetRecognitionTolerance = "SetRecognitionTolerance";
inline const std::string GetMediaStatusNotification = "GetMediaStatusNotification";
inline const std::string GetMediaListNotification = "GetMediaListNotification";
inline const std::string GetImageData = "GetImageData";
inline const std::string GetUpgradeNotification = "GetUpgradeNotification";
inline const std::string GetUpdateNotification = "GetUpdateNotification";
inline const std::string GetNetworkState = "GetNetworkState";
inline const std::string GetWifiList = "GetWifiList";
inline const std::string SetWifiSetting = "SetWifiSetting";
inline const std::string GetLibraryServiceLoginStatus = "GetLibraryServiceLoginStatus";
inline const std::string SetLibraryServiceCredentials = "SetLibraryServiceCredentials";
} // namespace MessageType

namespace JsonKey {
// Seats
inline const std::string Seat = "seat";
inline const std::string Index = "index";
inline const std::string Muted = "muted";
inline const std::string Chained = "chained";
inline const std::string Motion = "motion";
inline const std::string Vibration = "vibration";
// Controller settings
inline const std::string MotionDelay = "motionDelay";
inline const std::string RecognitionTolerance = "recognitionTolerance";
inline const std::string VyraName = "vyraName";
// Media status
inline const std::string MediaIdState = "mediaIdState";
inline const std::string MotionCodeState = "motionCodeState";
inline const std::string MediaTitle = "mediaTitle";
inline const std::string ImageFilename = "imageFilename";
inline const std::string MediaCutVersion = "mediaCutVersion";
inline const std::string MediaLanguage = "mediaLanguage";
inline const std::string MediaOffset = "mediaOffset";
inline const std::string MediaDuration = "mediaDuration";
inline const std::string Message = "message";
// Media library
inline const std::string Media = "media";
inline const std::string Title = "title";
inline const std::string ReleaseDate = "releaseDate";
inline const std::string ImdbRef = "imdbRef";
inline const std::string Duration = "duration";
inline const std::string Cut = "cut";
inline const std::string Language = "language";
// Posters (the request spells it with a capital N, the media status without)
inline const std::string ImageFileName = "imageFileName";
// Upgrade and update
inline const std::string Last = "last";
inline const std::string Current = "current";
inline const std::string Version = "version";
inline const std::string Status = "status";
inline const std::string UpdatedTimestamp = "updatedTimestamp";
// Network state and Wi-Fi
inline const std::string Online = "online";
inline const std::string WifiOnline = "wifi_online";
inline const std::string HotspotActive = "hotspot_active";
inline const std::string Ssid = "ssid";
inline const std::string Addresses = "addresses";
inline const std::string InterfaceName = "interface_name";
inline const std::string HardwareAddress = "hardware_address";
inline const std::string Ip = "ip";
inline const std::string Netmask = "netmask";
inline const std::string Broadcast = "broadcast";
inline const std::string Active = "active";
inline const std::string SetWifi = "setWifi";
inline const std::string Key = "key";
inline const std::string Clear = "clear";
inline const std::string Result = "result";
// Library service login
inline const std::string Username = "username";
inline const std::string IsRegistered = "isRegistered";
inline const std::string ServiceURI = "serviceURI";
inline const std::string AccessToken = "access_token";
inline const std::string RefreshToken = "refresh_token";
} // namespace JsonKey

// Envelope values shared by every message.
constexpr unsigned MessageVersion = 1;
constexpr int GenericMessageTypeDefault = 0;
constexpr int StateRequestPriority = 0;

} // namespace Messaging
} // namespace Ulmar
