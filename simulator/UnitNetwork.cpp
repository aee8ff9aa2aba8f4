#include "UnitNetwork.h"

#include <QCryptographicHash>

namespace Ulmar {
namespace Simulator {

NetworkState UnitNetwork::fresh(const QString& unitName)
{
    const QByteArray h = QCryptographicHash::hash(unitName.toUtf8(), QCryptographicHash::Md5);
    const QString mac = QStringLiteral("02:56:59:%1:%2:%3")
                            .arg(quint8(h[0]), 2, 16, QLatin1Char('0'))
                            .arg(quint8(h[1]), 2, 16, QLatin1Char('0'))
                            .arg(quint8(h[2]), 2, 16, QLatin1Char('0'));
    NetworkState network;
    network.addresses.push_back({QStringLiteral("eth0"), mac,
                                 QStringLiteral("192.168.1.%1").arg(20 + quint8(h[3]) % 200),
                                 QStringLiteral("255.255.255.0"), QStringLiteral("192.168.1.255")});
    network.visible = {{QStringLiteral("HomeNet"), false},
                       {QStringLiteral("HomeNet-5G"), false},
                       {QStringLiteral("Cinema Room"), false},
                       {QStringLiteral("Café Wi-Fi"), false},
                       {QStringLiteral("Neighbour's \"Guest\""), false}};
    return network;
}

void UnitNetwork::updateInterfaces(NetworkState& n)
{
    while (n.addresses.size() > 1)
        n.addresses.removeLast();
    if (n.addresses.isEmpty())
        return;
    QString wlanMac = n.addresses.first().hardwareAddress;
    wlanMac.replace(0, 2, QStringLiteral("06"));
    if (n.hotspotActive) {
        n.ssid = QStringLiteral("VYRA-") + wlanMac.right(5).remove(QLatin1Char(':')).toUpper();
        n.addresses.push_back({QStringLiteral("wlan0"), wlanMac, QStringLiteral("10.42.0.1"),
                               QStringLiteral("255.255.255.0"), QStringLiteral("10.42.0.255")});
    } else if (n.wifiOnline) {
        const int host = n.addresses.first().ip.section(QLatin1Char('.'), 3).toInt() + 1;
        n.addresses.push_back({QStringLiteral("wlan0"), wlanMac, QStringLiteral("192.168.1.%1").arg(host),
                               QStringLiteral("255.255.255.0"), QStringLiteral("192.168.1.255")});
    } else {
        n.ssid.clear();
    }
}

} // namespace Simulator
} // namespace Ulmar
