#include "UnitAddress.h"

#include <string>

#include <QCoreApplication>
#include <QHostAddress>
#include <QStringList>

namespace Ulmar {

namespace {

constexpr int MaxHostNameLength = 253;
constexpr int MaxLabelLength = 63;

// 1 to 65535 in plain decimal digits; 0 otherwise.
std::uint16_t parsePort(const QString& digits)
{
    if (digits.isEmpty() || digits.size() > 5)
        return 0;
    for (const QChar c : digits)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return 0;
    const uint value = digits.toUInt();
    return value >= 1 && value <= 65535 ? static_cast<std::uint16_t>(value) : 0;
}

bool isIpv6(const QString& text)
{
    QHostAddress address;
    return !text.isEmpty() && address.setAddress(text) && address.protocol() == QAbstractSocket::IPv6Protocol;
}

// Four decimal parts of 0 to 255: the only IPv4 form we take (no "127.1", no octal or hex parts).
bool isIpv4(const QString& text)
{
    const QStringList parts = text.split(QLatin1Char('.'));
    if (parts.size() != 4)
        return false;
    for (const QString& part : parts) {
        if (part.isEmpty() || part.size() > 3 || (part.size() > 1 && part.startsWith(QLatin1Char('0'))))
            return false;
        for (const QChar c : part)
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return false;
        if (part.toUInt() > 255)
            return false;
    }
    return true;
}

bool looksNumeric(const QString& text)
{
    for (const QChar c : text)
        if (c != QLatin1Char('.') && (c < QLatin1Char('0') || c > QLatin1Char('9')))
            return false;
    return true;
}

// Letters, digits, hyphens and underscores in dot-separated labels; one trailing dot allowed.
bool isHostName(const QString& text)
{
    QString name = text;
    if (name.endsWith(QLatin1Char('.')))
        name.chop(1);
    if (name.isEmpty() || name.size() > MaxHostNameLength)
        return false;
    for (const QString& label : name.split(QLatin1Char('.'))) {
        if (label.isEmpty() || label.size() > MaxLabelLength || label.startsWith(QLatin1Char('-')) ||
            label.endsWith(QLatin1Char('-')))
            return false;
        for (const QChar c : label) {
            const bool allowed = (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
                                 (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) ||
                                 (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('-') ||
                                 c == QLatin1Char('_');
            if (!allowed)
                return false;
        }
    }
    return true;
}

} // namespace

UnitAddress UnitAddress::parse(const QString& input)
{
    UnitAddress result;
    const QString text = input.trimmed();
    if (text.isEmpty())
        return result; // Error::Empty

    QString host;
    QString portText;
    bool portGiven = false;
    if (text.startsWith(QLatin1Char('['))) {
        const int close = text.indexOf(QLatin1Char(']'));
        if (close < 0) {
            result.m_error = Error::BadIpv6;
            return result;
        }
        host = text.mid(1, close - 1);
        const QString rest = text.mid(close + 1);
        if (!rest.isEmpty()) {
            if (!rest.startsWith(QLatin1Char(':'))) {
                result.m_error = Error::BadIpv6;
                return result;
            }
            portText = rest.mid(1);
            portGiven = true;
        }
        if (host.isEmpty()) {
            result.m_error = Error::EmptyHost;
            return result;
        }
        if (!isIpv6(host)) {
            result.m_error = Error::BadIpv6;
            return result;
        }
    } else if (text.count(QLatin1Char(':')) > 1) {
        // A bare IPv6 address: it has no room for a port.
        host = text;
        if (!isIpv6(host)) {
            result.m_error = Error::BadIpv6;
            return result;
        }
    } else {
        const int colon = text.indexOf(QLatin1Char(':'));
        host = colon < 0 ? text : text.left(colon);
        if (colon >= 0) {
            portText = text.mid(colon + 1);
            portGiven = true;
        }
        if (host.isEmpty()) {
            result.m_error = Error::EmptyHost;
            return result;
        }
        if (host.contains(QLatin1Char(']'))) {
            result.m_error = Error::BadIpv6;
            return result;
        }
        if (looksNumeric(host)) {
            if (!isIpv4(host)) {
                result.m_error = Error::BadIpv4;
                return result;
            }
        } else if (!isHostName(host)) {
            result.m_error = Error::BadHostName;
            return result;
        }
    }

    std::uint16_t port = DefaultPort;
    if (portGiven) {
        port = parsePort(portText);
        if (port == 0) {
            result.m_error = Error::BadPort;
            return result;
        }
    }
    result.m_error = Error::None;
    result.m_host = host;
    result.m_port = port;
    return result;
}

QString UnitAddress::text() const
{
    return isValid() ? format(m_host, m_port) : QString();
}

QString UnitAddress::format(const QString& host, std::uint16_t port)
{
    if (port == DefaultPort)
        return host;
    const bool v6 = host.contains(QLatin1Char(':'));
    return (v6 ? QLatin1Char('[') + host + QLatin1Char(']') : host) + QLatin1Char(':') +
           QString::number(port);
}

const char* UnitAddress::errorSource() const
{
    switch (m_error) {
    case Error::None:
        return "";
    case Error::Empty:
        return QT_TRANSLATE_NOOP("Ulmar::UnitAddress", "Enter a host name or an IP address.");
    case Error::EmptyHost:
        return QT_TRANSLATE_NOOP("Ulmar::UnitAddress",
                                 "The host name or address before the port is missing.");
    case Error::BadPort:
        return QT_TRANSLATE_NOOP("Ulmar::UnitAddress", "The port must be a number from 1 to 65535.");
    case Error::BadIpv6:
        return QT_TRANSLATE_NOOP(
            "Ulmar::UnitAddress",
            "This is not a valid IPv6 address. With a port, write it in brackets, as in %1.");
    case Error::BadIpv4:
        return QT_TRANSLATE_NOOP("Ulmar::UnitAddress",
                                 "This is not a valid IPv4 address (four numbers from 0 to 255).");
    case Error::BadHostName:
        return QT_TRANSLATE_NOOP("Ulmar::UnitAddress",
                                 "A host name may hold only letters, digits, hyphens and dots.");
    }
    return "";
}

std::string UnitAddress::errorText() const
{
    QString text = QString::fromLatin1(errorSource());
    if (m_error == Error::BadIpv6)
        text = text.arg(QStringLiteral("[fe80::1]:%1").arg(DefaultPort));
    return text.toStdString();
}

QString UnitAddress::errorMessage() const
{
    QString text = QCoreApplication::translate("Ulmar::UnitAddress", errorSource());
    if (m_error == Error::BadIpv6)
        text = text.arg(QStringLiteral("[fe80::1]:%1").arg(DefaultPort));
    return text;
}

} // namespace Ulmar
