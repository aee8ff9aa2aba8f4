#include "StrategySettings.h"

#include <algorithm>
#include <string>

#include "DirectHostParameter.h"
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
            const auto direct = DirectHostParameter::parse(s->parameter);
            if (!direct) {
                qCWarning(lcMessaging, "Messenger: direct host strategy \"%s\" is malformed",
                          s->parameter.c_str());
                continue;
            }
            m_fixedHost.valid = true;
            m_fixedHost.address = direct->host;
            m_fixedHost.name = direct->host;
            m_fixedHost.port = direct->port;
            m_fixedHost.encrypted = direct->encrypted;
            m_fixedHost.userChoice = false;
        }
    }
}

} // namespace Messaging
} // namespace Ulmar
