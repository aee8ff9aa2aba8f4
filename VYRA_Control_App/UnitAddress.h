#pragma once

#include <cstdint>
#include <string>

#include <QString>

#include "ProtocolConstants.h"

namespace Ulmar {

// A unit named by the user: "host" or "host:port", where host is a host name, an IPv4 address or an IPv6
// address ("fe80::1", or "[fe80::1]:12741" with a port). The command line (-a) and the address field share
// these rules, so that what one refuses the other refuses too.
class UnitAddress
{
public:
    enum class Error
    {
        None,
        Empty,
        EmptyHost,
        BadPort,
        BadIpv6,
        BadIpv4,
        BadHostName
    };

    static constexpr std::uint16_t DefaultPort = Messaging::Protocol::kDefaultMessagePort;

    // Surrounding white space is ignored.
    static UnitAddress parse(const QString& text);

    bool isValid() const { return m_error == Error::None; }
    Error error() const { return m_error; }
    // The host alone: no brackets, no port. Only this is ever looked up, never the whole text.
    const QString& host() const { return m_host; }
    std::uint16_t port() const { return m_port; }
    // "host", "host:port" or "[v6]:port", without the default port: the form kept in the recent addresses.
    QString text() const;
    static QString format(const QString& host, std::uint16_t port);
    // Why the text was refused, in English (the command line); errorMessage() is the same, translated.
    std::string errorText() const;
    QString errorMessage() const;

private:
    const char* errorSource() const;

    Error m_error = Error::Empty;
    QString m_host;
    std::uint16_t m_port = DefaultPort;
};

} // namespace Ulmar
