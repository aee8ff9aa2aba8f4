#pragma once

#include <string>

#include <QVector>

#include "MediaLibrary.h"
#include "UnitState.h"

namespace Ulmar {
namespace Simulator {

// The JSON bodies a unit sends, written compactly with the key the application reads first.
namespace UnitBodies {

std::string seats(const QVector<SeatState>& seats);
std::string vyraName(const QString& name);
std::string motionDelay(int value);
std::string recognitionTolerance(int value);
std::string mediaStatus(const MediaStatus& status);
std::string mediaList(const MediaLibrary& library);
std::string upgrade(const UpgradeState& upgrade);
std::string update(const UpdateState& update);
std::string networkState(const NetworkState& network);
std::string wifiList(const NetworkState& network);
std::string wifiResult(bool result);
std::string loginStatus(const LoginState& login);

// One short line describing a message for the log. Secrets (Wi-Fi keys, tokens, passwords) are masked.
std::string summary(const std::string& type, const std::string& body);
// Text from the network made safe for one log line: control characters replaced, at most maxChars characters.
QString printable(const QString& text, int maxChars = 64);
// The body with every non-empty secret string (Wi-Fi key, token, password) replaced by "***"; a body
// without secrets, or one that is not JSON, comes back byte for byte.
std::string masked(const std::string& body);
// "***" for a secret, "(empty)" for none: nothing of the secret itself.
std::string maskSecret(const std::string& secret);

} // namespace UnitBodies

} // namespace Simulator
} // namespace Ulmar
