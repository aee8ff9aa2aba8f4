#include <QtTest>

#include "FreePorts.h"

#include "AppTestSupport.h"
#include "ComponentConfigurator.h"
#include "FacadeFixture.h"
#include "Messenger.h"
#include "QAutoDiscoveryComponent.h"
#include "SimulatedUnit.h"
#include "UnitEndpoint.h"
#include "VYRAListModel.h"

using namespace Ulmar;
using namespace Ulmar::Messaging;

namespace {
// Other programs on this machine may announce on the same port: count only our own units.
int rowsNamed(const VYRAListModel& list, const QString& name)
{
    int count = 0;
    for (int row = 0; row < list.rowCount(); ++row)
        count += list.data(list.index(row, 0), VYRAListModel::NameRole).toString() == name ? 1 : 0;
    return count;
}
} // namespace

// Units found by discovery, on a port of the test's own.
class TestFacadeDiscovery : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        qputenv("VYRA_DISCOVERY_PORT", QByteArray::number(m_discoveryPort));
        UlmarExportQAutoDiscoveryComponent();
        QCOMPARE(m_components.Init(), Component::Success);
        QCOMPARE(m_components.Resume(), Component::Success);
    }

    void cleanupTestCase()
    {
        m_components.Suspend();
        m_components.Shutdown();
    }

    void chooseADiscoveredUnit()
    {
        const auto keys = UnitEndpoint::generateKeyPair();
        UnitEndpoint::Options options;
        options.unitName = "Attic";
        options.port = freeTcpPort();
        options.encrypted = true;
        options.publicKey = keys.first;
        options.secretKey = keys.second;
        options.announceAddress = "127.0.0.1";
        options.announcePort = m_discoveryPort;
        options.announceIntervalMs = 200;
        auto unit = std::make_unique<UnitEndpoint>(options);
        QVERIFY(unit->start());

        FacadeFixture f;
        f.facade->initMessageObservers();
        f.facade->tryConnectToController();
        VYRAListModel* list = f.facade->vyraListModel();
        QTRY_COMPARE_WITH_TIMEOUT(list->rowCount(), 1, 20000);
        const QModelIndex row = list->index(0, 0);
        const QString name = list->data(row, VYRAListModel::NameRole).toString();
        const QString address = list->data(row, VYRAListModel::AddressRole).toString();
        const int port = list->data(row, VYRAListModel::PortRole).toInt();
        const bool encrypted = list->data(row, VYRAListModel::EncryptedRole).toBool();
        QCOMPARE(name, QString("Attic"));
        QCOMPARE(port, int(options.port));
        QVERIFY(encrypted);

        {
            AppTest::MessageLog log;
            QSignalSpy nameSpy(f.facade.get(), &Facade::controllerNameChanged);
            QCOMPARE(f.facade->chooseVYRA(address, "Cellar", port, true), false);
            QCOMPARE(f.facade->chooseVYRA(address, name, 70000, true), false);
            QVERIFY(log.contains("No such unit: "));
            QCOMPARE(nameSpy.count(), 0);
            QCOMPARE(f.facade->controllerName(), QString());
            QVERIFY(!f.facade->messenger()->chosenUnit().valid);
        }

        QSignalSpy nameSpy(f.facade.get(), &Facade::controllerNameChanged);
        QCOMPARE(f.facade->chooseVYRA(address, name, port, encrypted), true);
        QCOMPARE(f.facade->controllerName(), QString("Attic"));
        QCOMPARE(nameSpy.count(), 1);
        const auto chosen = f.facade->messenger()->chosenUnit();
        QVERIFY(chosen.valid && chosen.userChoice);
        QCOMPARE(QString::fromStdString(chosen.name), name);
        QCOMPARE(f.facade->messenger()->autoReconnectInterval(), 200u);
        // connect was asked for before the choice; the choice alone starts the connection.
        QTRY_VERIFY_WITH_TIMEOUT(f.facade->controllerIsConnected(), 30000);

        // The next start finds the unit connected to last among those discovered, for the page to choose.
        {
            FacadeFixture next;
            next.facade->initMessageObservers();
            VYRAListModel* nextList = next.facade->vyraListModel();
            QTRY_COMPARE_WITH_TIMEOUT(rowsNamed(*nextList, "Attic"), 1, 20000);
            const int row = next.facade->rememberedUnitRow();
            QVERIFY(row >= 0);
            QCOMPARE(nextList->data(nextList->index(row, 0), VYRAListModel::NameRole).toString(), name);
            QCOMPARE(nextList->data(nextList->index(row, 0), VYRAListModel::PortRole).toInt(), port);
        }

        // A unit that goes silent is dropped once it is too old, and can no longer be chosen.
        unit.reset();
        QTRY_VERIFY_WITH_TIMEOUT(!f.facade->controllerIsConnected(), 30000);
        QTRY_COMPARE_WITH_TIMEOUT(rowsNamed(*list, "Attic"), 0, 30000);
        QCOMPARE(f.facade->chooseVYRA(address, name, port, encrypted), false);
        QCOMPARE(f.facade->controllerName(), QString("Attic"));
    }

    // Nobody asks: the Facade itself forgets a unit that stopped announcing, and finds it again when it is
    // back. Rows change on the GUI thread.
    void stoppedUnitLeavesTheListAndComesBack()
    {
        const QString name = QString("Garage %1").arg(QCoreApplication::applicationPid());
        Simulator::UnitConfig config;
        config.name = name;
        config.port = 0;
        config.announceIntervalMs = 200;
        config.announcePort = m_discoveryPort;
        config.runScenario = false;
        Simulator::SimulatedUnit unit(config);
        QVERIFY(unit.start());

        FacadeFixture f;
        f.facade->initMessageObservers();
        VYRAListModel* list = f.facade->vyraListModel();
        QList<QThread*> threads;
        connect(
            list, &QAbstractItemModel::rowsRemoved, this, [&] { threads << QThread::currentThread(); },
            Qt::DirectConnection);
        connect(
            list, &QAbstractItemModel::rowsInserted, this, [&] { threads << QThread::currentThread(); },
            Qt::DirectConnection);
        QTRY_COMPARE_WITH_TIMEOUT(rowsNamed(*list, name), 1, 20000);

        // A unit that keeps announcing stays, well past the age at which a silent one goes.
        QTest::qWait(int(3 * 1500 + 2000));
        QCOMPARE(rowsNamed(*list, name), 1);

        unit.stop();
        QTRY_COMPARE_WITH_TIMEOUT(rowsNamed(*list, name), 0, 30000);

        QVERIFY(unit.restart());
        QTRY_COMPARE_WITH_TIMEOUT(rowsNamed(*list, name), 1, 20000);
        QVERIFY(!threads.isEmpty());
        for (QThread* thread : qAsConst(threads))
            QCOMPARE(thread, QThread::currentThread());
    }

    // A unit named by its address is reached as -a reaches one (key pinned) on the messenger that carries
    // every handler and state request, while discovery goes on; its address is kept, and the next start
    // tries it first.
    void addressConnectsIsRememberedAndTriedFirst()
    {
        QSettings().clear();
        const auto keys = UnitEndpoint::generateKeyPair();
        Simulator::UnitConfig config;
        config.name = "Den";
        config.port = freeTcpPort();
        config.announce = false;
        config.encrypted = true;
        config.publicKey = QString::fromStdString(keys.first);
        config.secretKey = QString::fromStdString(keys.second);
        config.runScenario = false;
        Simulator::SimulatedUnit unit(config);
        QVERIFY(unit.start());
        const QString address = QString("127.0.0.1:%1").arg(config.port);

        {
            FacadeFixture f;
            f.facade->initMessageObservers();
            f.facade->tryConnectToController();
            QVERIFY(f.facade->recentAddresses().isEmpty());
            QVERIFY(!f.facade->tryLastUnit());
            QVERIFY(!f.facade->unitAddressError("127.0.0.1:99999").isEmpty());
            QVERIFY(!f.facade->connectToAddress("127.0.0.1:99999"));
            QVERIFY(!f.facade->messenger()->chosenUnit().valid);
            QVERIFY(f.facade->unitAddressError(address).isEmpty());
            QSignalSpy recent(f.facade.get(), &Facade::recentAddressesChanged);
            QVERIFY(f.facade->connectToAddress(" " + address + " "));
            QCOMPARE(f.facade->unitAddress(), address);
            QTRY_VERIFY_WITH_TIMEOUT(f.facade->controllerIsConnected(), 30000);
            // State requests and handlers of both the constructor and initMessageObservers came along.
            QTRY_COMPARE_WITH_TIMEOUT(f.facade->controllerName(), QString("Den"), 30000);
            QTRY_VERIFY_WITH_TIMEOUT(!f.facade->controllerVersion().isEmpty(), 30000);
            QTRY_VERIFY_WITH_TIMEOUT(f.facade->controllerLinkEncrypted(), 30000);
            QCOMPARE(f.facade->messenger()->strategies()[0]->kind, 3);
            QCOMPARE(recent.count(), 1);
            QCOMPARE(f.facade->recentAddresses(), QStringList{address});
        }
        // Nothing secret is kept with the addresses.
        const QSettings settings;
        for (const QString& key : settings.allKeys())
            QVERIFY2(!settings.value(key).toString().contains(config.publicKey), qPrintable(key));

        {
            FacadeFixture f;
            f.facade->initMessageObservers();
            QCOMPARE(f.facade->recentAddresses(), QStringList{address});
            QVERIFY(f.facade->tryLastUnit());
            const auto chosen = f.facade->messenger()->chosenUnit();
            QCOMPARE(chosen.address, std::string("127.0.0.1"));
            QCOMPARE(chosen.port, config.port);
            QVERIFY(!chosen.userChoice && chosen.encrypted);
            f.facade->tryConnectToController();
            QTRY_VERIFY_WITH_TIMEOUT(f.facade->controllerIsConnected(), 30000);
            QTRY_COMPARE_WITH_TIMEOUT(f.facade->controllerName(), QString("Den"), 30000);
        }
    }

private:
    ComponentConfigurator m_components;
    const quint16 m_discoveryPort = freeUdpPort();
};

QTEST_MAIN(TestFacadeDiscovery)
#include "tst_app_facade_discovery.moc"
