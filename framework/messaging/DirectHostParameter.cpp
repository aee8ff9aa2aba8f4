#include "DirectHostParameter.h"

#include <algorithm>

namespace Ulmar {
namespace Messaging {

namespace {
constexpr const char* kEncrypted = "encrypted";
constexpr const char* kPlain = "plain";
} // namespace

std::optional<DirectHostParameter> DirectHostParameter::parse(const std::string& text)
{
    const auto first = text.find(';');
    const auto last = text.rfind(';');
    if (first == std::string::npos || first == last)
        return std::nullopt;
    const std::string portText = text.substr(last + 1);
    if (portText.empty() || portText.size() > 5 ||
        !std::all_of(portText.begin(), portText.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    const unsigned long port = std::stoul(portText);
    if (port == 0 || port > 65535)
        return std::nullopt;
    DirectHostParameter result;
    result.host = text.substr(first + 1, last - first - 1);
    if (result.host.empty())
        return std::nullopt;
    result.encrypted = text.compare(0, first, kEncrypted) == 0;
    result.port = static_cast<std::uint16_t>(port);
    return result;
}

std::string DirectHostParameter::text() const
{
    return std::string(encrypted ? kEncrypted : kPlain) + ";" + host + ";" + std::to_string(port);
}

} // namespace Messaging
} // namespace Ulmar
