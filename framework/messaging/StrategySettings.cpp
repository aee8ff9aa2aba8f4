#include "StrategySettings.h"

#include <algorithm>
#include <string>

#include "MessagingLog.h"

namespace Ulmar {
namespace Messaging {

namespace {
// 1 to 65535 in at most five decimal digits; 0 for anything else.
unsigned long portNumber(const std::string& text)
{
    const bool numeric = !text.empty() && text.size() <= 5 &&
                         std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
    const unsigned long port = numeric ? std::stoul(text) : 0;
    return port > 65535 ? 0 : port;
}
} // namespace

StrategySettings::StrategySettings(const DiscoveryStrategyList& strategies)
{
    for (const auto& s : strategies)
        if (s && s->kind == DiscoveryStrategyInfo::LanDiscovery && s->periodMs > 0)
            m_periodMs = s->periodMs;

    for (const auto& s : strategies) {
        if (!s)
            continue;
        if (s->kind == DiscoveryStrategyInfo::LanDiscovery) {
            const std::string& text = s->parameter;
            const unsigned long port = portNumber(text);
            if (port == 0) {
                qCWarning(lcMessaging, "Messenger: discovery port \"%s\" is not a port number", text.c_str());
                continue;
            }
            m_discoveryPorts.push_back(static_cast<std::uint16_t>(port));
        } else if (s->kind == DiscoveryStrategyInfo::DirectHost && !m_fixedHost.valid) {
            // "encrypted;HOST;PORT" (or "plain;HOST;PORT").
            const std::string& text = s->parameter;
            const auto first = text.find(';');
            const auto last = text.rfind(';');
            if (first == std::string::npos || first == last) {
                qCWarning(lcMessaging, "Messenger: direct host strategy \"%s\" is malformed", text.c_str());
                continue;
            }
            const std::string mode = text.substr(0, first);
            const std::string host = text.substr(first + 1, last - first - 1);
            const unsigned long port = portNumber(text.substr(last + 1));
            if (host.empty() || port == 0) {
                qCWarning(lcMessaging, "Messenger: direct host strategy \"%s\" is malformed", text.c_str());
                continue;
            }
            m_fixedHost.valid = true;
            m_fixedHost.address = host;
            m_fixedHost.name = host;
            m_fixedHost.port = static_cast<std::uint16_t>(port);
            m_fixedHost.encrypted = (mode == "encrypted");
            m_fixedHost.userChoice = false;
        }
    }
}

} // namespace Messaging
} // namespace Ulmar
