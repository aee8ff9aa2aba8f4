#pragma once

#include <QString>
#include <QStringList>

namespace Ulmar {

// What the user's settings keep about the units connected to: the last one (tried first at the next start)
// and a short list of addresses typed or given with -a. Only names, ids and addresses: no keys, no secrets.
// GUI thread only (QSettings of the application's identity).
class RecentUnits
{
public:
    static constexpr int MaxAddresses = 5;

    struct LastUnit
    {
        QString unitId;  // empty for a unit that announces none, or one named by address
        QString address; // UnitAddress text ("host", "host:port", "[v6]:port")
        QString name;
        bool isValid() const { return !address.isEmpty(); }
    };

    static LastUnit lastUnit();
    static void setLastUnit(const LastUnit& unit);

    // Most recent first, without repeats; a stored entry that no longer parses is left out.
    static QStringList addresses();
    static void addAddress(const QString& address);
};

} // namespace Ulmar
