#include <atomic>
#include <thread>

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QtTest>

#include "AppTestSupport.h"
#include "Discoverer.h"
#include "VYRAListModel.h"

using tavik::Messaging::Discovered;
using tavik::Messaging::Discoverer;
using Ulmar::VYRAListModel;

namespace {
Discovered unit(const std::string& name, std::uint16_t port, bool encrypted = false,
                const std::string& address = "127.0.0.1")
{
    return Discovered(name, address, port, encrypted, encrypted ? std::string(40, 'k') : std::string());
}

QStringList names(const QAbstractItemModel& model)
{
    QStringList result;
    for (int row = 0; row < model.rowCount(); ++row)
        result << model.data(model.index(row, 0), VYRAListModel::NameRole).toString();
    return result;
}

QStringList names(const std::vector<Discovered>& units)
{
    QStringList result;
    for (const auto& u : units)
        result << QString::fromStdString(u.getName());
    return result;
}
} // namespace

class TestVYRAListModel : public QObject
{
    Q_OBJECT

private slots:
    void emptyWithoutDiscoverer()
    {
        VYRAListModel model(nullptr);
        QCOMPARE(model.rowCount(), 0);
        QVERIFY(!model.data(model.index(0, 0), VYRAListModel::NameRole).isValid());
    }

    void rolesAndHeaders()
    {
        VYRAListModel model(nullptr);
        const QHash<int, QByteArray> expected{{0, "name"}, {1, "address"}, {2, "port"}};
        QCOMPARE(model.roleNames(), expected);
        QCOMPARE(model.headerData(5, Qt::Vertical, 0), QVariant(5));
        QCOMPARE(model.headerData(0, Qt::Horizontal, 0).toString(), QString("Name"));
        QCOMPARE(model.headerData(0, Qt::Horizontal, 1).toString(), QString("Address"));
        QCOMPARE(model.headerData(0, Qt::Horizontal, 2).toString(), QString("Port"));
        QVERIFY(!model.headerData(0, Qt::Horizontal, 3).isValid());
    }

    // Rows appear only when the GUI thread has been told, never while a view could still be unaware.
    void rowsFollowAnnouncementsFromAnotherThread()
    {
        auto discoverer = std::make_shared<Discoverer>("VYRA");
        VYRAListModel model(nullptr);
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
        model.setDiscoverer(discoverer);
        QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);

        std::thread announcer([&] {
            discoverer->onAnnouncement(unit("Salon", 1001));
            discoverer->onAnnouncement(unit("Cave", 1002, true));
            discoverer->onAnnouncement(unit("Salon", 1001)); // a refresh, not a new row
        });
        announcer.join();
        QCOMPARE(model.rowCount(), 0);

        QTRY_COMPARE(model.rowCount(), 2);
        QCOMPARE(inserted.count(), 2);
        QCOMPARE(names(model), QStringList({"Salon", "Cave"}));
        const QModelIndex cave = model.index(1, 0);
        QCOMPARE(model.data(cave, VYRAListModel::AddressRole).toString(), QString("127.0.0.1"));
        QCOMPARE(model.data(cave, VYRAListModel::PortRole), QVariant(1002));
        QCOMPARE(model.data(cave, VYRAListModel::EncryptedRole), QVariant(true));
        QCOMPARE(model.data(model.index(0, 0), VYRAListModel::EncryptedRole), QVariant(false));
        QVERIFY(!model.data(cave, 4).isValid());
    }

    void staleUnitsLeave()
    {
        auto discoverer = std::make_shared<Discoverer>("VYRA", std::chrono::milliseconds(50));
        VYRAListModel model(nullptr);
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
        model.setDiscoverer(discoverer);
        discoverer->onAnnouncement(unit("A", 1));
        discoverer->onAnnouncement(unit("B", 2));
        discoverer->onAnnouncement(unit("C", 3));
        QTRY_COMPARE(model.rowCount(), 3);

        QTest::qWait(120);
        discoverer->onAnnouncement(unit("B", 2)); // heard again: stays
        QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
        QCOMPARE(discoverer->removeTooOldOnes(), 2);
        QTRY_COMPARE(model.rowCount(), 1);
        QCOMPARE(removed.count(), 2);
        QCOMPARE(names(model), QStringList({"B"}));
    }

    void removalBeyondTheRowsOnlyLogs()
    {
        AppTest::MessageLog log;
        auto discoverer = std::make_shared<Discoverer>("VYRA");
        VYRAListModel model(nullptr);
        model.setDiscoverer(discoverer);
        discoverer->onAnnouncement(unit("A", 1));
        QTRY_COMPARE(model.rowCount(), 1);
        QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);

        discoverer->unitRemoved(1);
        QTRY_VERIFY(log.contains("item removed signal: index >= numRows. index="));
        QCOMPARE(removed.count(), 0);
        QCOMPARE(model.rowCount(), 1);
    }

    void sameDiscovererSubscribesOnce()
    {
        AppTest::MessageLog log;
        auto discoverer = std::make_shared<Discoverer>("VYRA");
        VYRAListModel model(nullptr);
        model.setDiscoverer(discoverer);
        model.setDiscoverer(discoverer);
        QCOMPARE(log.count("VYRAListModel::setDiscoverer"), 1);
        QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
        discoverer->onAnnouncement(unit("A", 1));
        QTRY_COMPARE(model.rowCount(), 1);
        QCoreApplication::processEvents();
        QCOMPARE(inserted.count(), 1);
        QCOMPARE(model.rowCount(), 1);
    }

    // Additions on a discovery thread racing removals on the GUI thread: the model's invariants hold
    // throughout and the rows end up as the live list.
    void racingChangesSettleOnTheLiveList()
    {
        auto discoverer = std::make_shared<Discoverer>("VYRA", std::chrono::milliseconds(15));
        VYRAListModel model(nullptr);
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
        model.setDiscoverer(discoverer);

        std::atomic<bool> done{false};
        std::thread announcer([&] {
            for (int i = 0; i < 150; ++i) {
                // Each from its own address: one address may only add a few units a second.
                discoverer->onAnnouncement(unit("u" + std::to_string(i), static_cast<std::uint16_t>(2000 + i),
                                                false, "10.0.0." + std::to_string(i + 1)));
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            done = true;
        });
        while (!done) {
            discoverer->removeTooOldOnes();
            QCoreApplication::processEvents();
        }
        announcer.join();

        QTest::qWait(40);
        discoverer->removeTooOldOnes();
        discoverer->onAnnouncement(unit("last", 9));
        discoverer->onAnnouncement(unit("final", 10));
        QTRY_COMPARE(names(model), names(discoverer->getDiscovered()));
        QCOMPARE(names(model), QStringList({"last", "final"}));
    }

    // The discoverer belongs to the messenger and may outlive the model.
    void signalsAfterTheModelIsGoneAreHarmless()
    {
        auto discoverer = std::make_shared<Discoverer>("VYRA");
        {
            VYRAListModel model(nullptr);
            model.setDiscoverer(discoverer);
            discoverer->onAnnouncement(unit("A", 1));
        }
        discoverer->onAnnouncement(unit("B", 2));
        discoverer->unitRemoved(0);
        QCoreApplication::processEvents();
        QCOMPARE(discoverer->getDiscovered().size(), std::size_t(2));
    }
};

QTEST_GUILESS_MAIN(TestVYRAListModel)
#include "tst_app_listmodel.moc"
