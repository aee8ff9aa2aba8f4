#pragma once
// The program's own objects for one Qt Quick test document, as start-up makes them and under the names the
// documents use (api, seatsModel, mediaList, VYRAList, settings, the poster provider), with a simulated unit
// ("unit") that the Facade discovers on loopback. Every item model the documents read is watched by a model
// tester that stops the run on the first broken rule.

#include <memory>
#include <vector>

#include <QObject>

class QAbstractItemModelTester;
class QQmlEngine;
class UiUnit;

namespace Ulmar {
class Facade;
class GlobalStatus;
class SeatPaneMgr;
} // namespace Ulmar
namespace tavik {
class Settings;
}

class AppSession : public QObject
{
    Q_OBJECT

public:
    AppSession(QQmlEngine* engine, quint16 discoveryPort);
    ~AppSession() override;

    // Starts looking for units as the window does when it opens, chooses the unit as the status page does
    // with the first one discovered, and waits until connected and the unit's seats are shown.
    Q_INVOKABLE bool connectToUnit();
    // A second unit on the same discovery port; gone with the session.
    Q_INVOKABLE QObject* addUnit(const QString& name, bool encrypted);

private:
    quint16 m_discoveryPort;
    std::size_t m_messengersBefore;
    UiUnit* m_unit;
    std::shared_ptr<Ulmar::SeatPaneMgr> m_seats;
    std::shared_ptr<Ulmar::GlobalStatus> m_status;
    std::shared_ptr<Ulmar::Facade> m_facade;
    std::unique_ptr<tavik::Settings> m_settings;
    std::vector<std::unique_ptr<QAbstractItemModelTester>> m_testers;
};
