#include "RecentUnits.h"

#include <QSettings>

#include "UnitAddress.h"

namespace Ulmar {

namespace {
const QString LastUnitIdKey = QStringLiteral("units/lastUnitId");
const QString LastAddressKey = QStringLiteral("units/lastAddress");
const QString LastNameKey = QStringLiteral("units/lastName");
const QString AddressesKey = QStringLiteral("units/recentAddresses");
// A stored name or id is shown and compared, never trusted: keep it short.
constexpr int MaxTextLength = 256;
} // namespace

RecentUnits::LastUnit RecentUnits::lastUnit()
{
    QSettings settings;
    LastUnit unit;
    const UnitAddress address = UnitAddress::parse(settings.value(LastAddressKey).toString());
    if (!address.isValid())
        return unit;
    unit.address = address.text();
    unit.unitId = settings.value(LastUnitIdKey).toString().left(MaxTextLength);
    unit.name = settings.value(LastNameKey).toString().left(MaxTextLength);
    return unit;
}

void RecentUnits::setLastUnit(const LastUnit& unit)
{
    QSettings settings;
    settings.setValue(LastUnitIdKey, unit.unitId.left(MaxTextLength));
    settings.setValue(LastAddressKey, unit.address);
    settings.setValue(LastNameKey, unit.name.left(MaxTextLength));
}

QStringList RecentUnits::addresses()
{
    QStringList result;
    for (const QString& entry : QSettings().value(AddressesKey).toStringList()) {
        const UnitAddress address = UnitAddress::parse(entry);
        if (address.isValid() && !result.contains(address.text()))
            result.append(address.text());
        if (result.size() == MaxAddresses)
            break;
    }
    return result;
}

void RecentUnits::addAddress(const QString& text)
{
    const UnitAddress address = UnitAddress::parse(text);
    if (!address.isValid())
        return;
    QStringList list = addresses();
    list.removeAll(address.text());
    list.prepend(address.text());
    while (list.size() > MaxAddresses)
        list.removeLast();
    QSettings().setValue(AddressesKey, list);
}

} // namespace Ulmar
