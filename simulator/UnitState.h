#pragma once

#include <cstddef>

#include <QString>
#include <QVector>

#include "ProtocolConstants.h"

namespace Ulmar {
namespace Simulator {

// Everything a unit reports about itself. Plain data, owned and changed by SimulatedUnit on its thread.
struct SeatState
{
    int index = 0;
    bool muted = false;
    bool chained = true;
    double motion = -5.0; // the app's sliders use -20..0
    double vibration = -10.0;
};

struct MediaStatus
{
    QString mediaIdState = QStringLiteral("initializing");
    QString motionCodeState = QStringLiteral("listening");
    QString mediaTitle;
    QString imageFilename;
    QString mediaCutVersion;
    QString mediaLanguage;
    int mediaOffset = 0;   // seconds
    int mediaDuration = 0; // seconds
    QString message;
};

struct UpgradeState
{
    QString lastVersion = QStringLiteral("2.1.3");
    QString lastStatus = QStringLiteral("success");
    QString currentVersion = QStringLiteral("2.1.3");
};

struct UpdateState
{
    QString lastStatus = QStringLiteral("success");
    QString updatedTimestamp = QStringLiteral("2026-12-01T10:15:00Z");
};

struct NetworkInterface
{
    QString interfaceName;
    QString hardwareAddress;
    QString ip;
    QString netmask;
    QString broadcast;
};

struct WifiNetwork
{
    QString ssid;
    bool active = false;
};

struct NetworkState
{
    bool online = true;         // wired link
    bool wifiOnline = false;    // client of a Wi-Fi network
    bool hotspotActive = false; // acting as its own access point
    QString ssid;               // network in use ("" when none)
    QVector<NetworkInterface> addresses;
    QVector<WifiNetwork> visible; // what a scan shows
};

struct LoginState
{
    QString username;
    bool isRegistered = false;
    QString serviceUri;
};

struct UnitState
{
    QString name;
    int motionDelay = 0;          // milliseconds, -200..200
    int recognitionTolerance = 3; // seconds, 0..100
    QVector<SeatState> seats;
    MediaStatus media;
    UpgradeState upgrade;
    UpdateState update;
    NetworkState network;
    LoginState login;
};

// Limits the unit enforces on commands.
namespace Limits {
constexpr int MotionDelayMin = -200;
constexpr int MotionDelayMax = 200;
constexpr int ToleranceMin = 0;
constexpr int ToleranceMax = 100;
constexpr double IntensityMin = -20.0;
constexpr double IntensityMax = 0.0;
constexpr int NameMaxChars = 64;
constexpr int WifiKeyMinChars = 8;
constexpr int WifiKeyMaxChars = 63;
// The largest body an application accepts, encrypted or not; a larger one costs it the connection.
constexpr std::size_t MessageMaxBytes = Messaging::Protocol::kMaxFrameBytes;
} // namespace Limits

} // namespace Simulator
} // namespace Ulmar
