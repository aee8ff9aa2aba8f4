// End to end: a Facade with every handler and sender, against the simulated unit on loopback. Each command
// goes to the unit and its effect comes back as the unit's own notification.

#include <QAbstractItemModelTester>
#include <QtTest>

#include "ControllerTestSupport.h"
#include "Facade.h"
#include "GlobalStatus.h"
#include "MediaListTableModel.h"
#include "MediaListVirtualModel.h"
#include "MessageNames.h"
#include "PosterImageProvider.h"
#include "SeatPaneMgr.h"
#include "SimulatedUnit.h"
#include "UnitEndpoint.h"
#include "VYRAListModel.h"

using namespace Ulmar;
using namespace Ulmar::Messaging;

class TestControllerEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
#if defined(__SANITIZE_THREAD__)
        // Qt is not built with the sanitizer: every queued signal and posted event crossing from a messaging
        // thread is reported, as the lock of Qt's event queue is invisible to it. The threading of these
        // classes is checked by the unit tests, which hand over through joined threads.
        QSKIP("Cross-thread Qt signals cannot be checked against an uninstrumented Qt");
#endif
        Simulator::UnitConfig config;
        config.name = QStringLiteral("E2E Unit");
        config.port = 0;
        config.announce = false;
        config.encrypted = true;
        const auto keys = UnitEndpoint::generateKeyPair();
        config.publicKey = QString::fromStdString(keys.first);
        config.secretKey = QString::fromStdString(keys.second);
        config.seatCount = 4;
        config.runScenario = false;
        m_unit = std::make_unique<Simulator::SimulatedUnit>(config);
        QString error;
        QVERIFY2(m_unit->start(&error), qPrintable(error));

        m_provider = std::make_unique<PosterImageProvider>();
        m_seats = std::make_shared<SeatPaneMgr>(1000);
        m_status = std::make_shared<GlobalStatus>();
        const std::string host = "127.0.0.1:" + std::to_string(m_unit->port());
        m_facade = std::make_shared<Facade>(nullptr, m_provider.get(), m_seats, m_status, "VYRA", host);
        for (QAbstractItemModel* model : std::initializer_list<QAbstractItemModel*>{
                 m_seats.get(), m_facade->vyraListModel(), m_facade->mediaListModel()->tableModel()})
            m_testers.push_back(std::make_unique<QAbstractItemModelTester>(
                model, QAbstractItemModelTester::FailureReportingMode::Fatal));
        m_facade->initMessageObservers();
        m_facade->tryConnectToController();

        QTRY_VERIFY_WITH_TIMEOUT(m_facade->controllerIsConnected(), 30000);
        QTRY_COMPARE_WITH_TIMEOUT(m_facade->controllerName(), QString("E2E Unit"), 20000);
        QTRY_COMPARE_WITH_TIMEOUT(m_seats->rowCount(), 4, 20000);
        QTRY_COMPARE_WITH_TIMEOUT(m_facade->controllerStatusText(), QString("VYRA Initializing"), 20000);
        QCOMPARE(m_facade->seatStatusColor(), QString("greenStatus"));
        QCOMPARE(m_facade->seatStatusText(), QString("Seats Ready"));
        QCOMPARE(m_seats->activeSeats(), 4);
    }

    void cleanupTestCase()
    {
        m_testers.clear();
        m_facade.reset();
        m_seats.reset();
        m_unit.reset();
    }

    void unitStateArrivesAfterConnection()
    {
        // State requests: versions, last library update and the library itself, unasked.
        QTRY_COMPARE_WITH_TIMEOUT(m_facade->controllerVersion(), m_unit->state().upgrade.currentVersion,
                                  20000);
        const QString updated = m_unit->state().update.updatedTimestamp; // e.g. 2026-12-01T10:15:00Z
        QVERIFY(updated.size() >= 16);
        QTRY_COMPARE_WITH_TIMEOUT(m_facade->lastMotionCodeUpdate(), updated.left(16).replace('T', ' '),
                                  20000);
        int rows = 0;
        auto* model = m_facade->mediaListModel();
        // Cut when done, also on failure: a later reconnection brings the library again, and `rows` is gone.
        QObject counting;
        QObject::connect(model, &MediaListVirtualModel::appendRowToTableSignal, &counting,
                         [&rows] { ++rows; });
        model->triggerSearchMediaLibrary(QString());
        // A long table comes in slices between which the event loop runs.
        QTRY_COMPARE_WITH_TIMEOUT(rows, m_unit->library().size(), 20000);
    }

    void credentialsComeBackAsLoginStatus()
    {
        QSignalSpy answered(m_facade.get(), &Facade::libraryServiceResponseReceived);
        m_facade->sendLibraryServiceCredentials(QString("ann"), QString("access-1"), QString("refresh-1"));
        QTRY_VERIFY_WITH_TIMEOUT(m_facade->libraryServiceIsRegistered(), 20000);
        QCOMPARE(m_facade->libraryServiceUsername(), QString("ann"));
        QCOMPARE(m_unit->accessToken(), QString("access-1"));
        QVERIFY(answered.count() >= 1);
    }

    void seatChangeComesBack()
    {
        QSignalSpy shown(m_seats.get(), &QAbstractItemModel::dataChanged);
        const QModelIndex seat = m_seats->index(2);
        m_seats->setData(seat, -7.5, SeatPaneMgr::MotionRole);
        m_seats->setData(seat, true, SeatPaneMgr::MutedRole);
        QTRY_COMPARE_WITH_TIMEOUT(m_unit->commands("SetSeatSetting").size(), 1, 20000);
        QTRY_COMPARE_WITH_TIMEOUT(m_unit->state().seats.at(2).motion, -7.5, 20000);
        QVERIFY(m_unit->state().seats.at(2).muted);
        // The unit's seat notification is shown once the update delay has passed: a same-size update.
        QTRY_VERIFY_WITH_TIMEOUT(shown.count() >= 1, 20000);
        QCOMPARE(m_seats->data(seat, SeatPaneMgr::MotionRole).toDouble(), -7.5);
        QCOMPARE(m_seats->data(seat, SeatPaneMgr::MutedRole).toBool(), true);
        QCOMPARE(m_seats->data(m_seats->index(1), SeatPaneMgr::MutedRole).toBool(), false);
    }

    void motionDelayComesBack()
    {
        const int before = m_facade->motionDelay();
        const int wanted = before == 120 ? 80 : 120;
        QSignalSpy changed(m_facade.get(), &Facade::motionDelayChanged);
        m_facade->sendMotionDelay(wanted);
        QCOMPARE(m_facade->motionDelay(), before); // only the notification changes it
        QTRY_COMPARE_WITH_TIMEOUT(m_facade->motionDelay(), wanted, 20000);
        QCOMPARE(m_unit->state().motionDelay, wanted);
        QVERIFY(changed.count() >= 1);
    }

    void nameComesBack()
    {
        m_facade->renameMotionController(QString::fromUtf8("Salon \"Nord\" é"));
        QTRY_COMPARE_WITH_TIMEOUT(m_facade->controllerName(), QString::fromUtf8("Salon \"Nord\" é"), 20000);
        QCOMPARE(m_unit->state().name, QString::fromUtf8("Salon \"Nord\" é"));
    }

    void wifiChangeComesBackWithoutTheKeyInAnyLog()
    {
        ControllerTest::LogCapture log;
        QSignalSpy success(m_facade.get(), &Facade::wifiChangeSuccess);
        QSignalSpy state(m_facade.get(), &Facade::networkStateReceived);
        // What the Wi-Fi wizard waits for: the unit reporting the network asked for.
        auto reportsHomeNet = [&state] {
            return !state.isEmpty() && state.last().at(0).toBool() && !state.last().at(2).toBool() &&
                   state.last().at(3).toString() == "HomeNet";
        };
        m_facade->triggerWifiChange("HomeNet", "correct horse battery");
        QTRY_COMPARE_WITH_TIMEOUT(success.count(), 1, 20000);
        QCOMPARE(success.at(0).at(0).toBool(), true);
        QTRY_VERIFY_WITH_TIMEOUT(reportsHomeNet(), 20000);
        // The unit changing network drops the link; back on it, it reports the new network when asked.
        state.clear();
        QSignalSpy link(m_facade.get(), &Facade::controllerIsConnectedChanged);
        m_unit->dropAllConnections();
        QTRY_VERIFY_WITH_TIMEOUT(link.count() >= 2 && m_facade->controllerIsConnected(), 30000);
        m_facade->triggerNetworkState();
        QTRY_VERIFY_WITH_TIMEOUT(reportsHomeNet(), 20000);
        QTRY_VERIFY_WITH_TIMEOUT(m_facade->wifiNetworkList().contains(QVariant(QString("HomeNet"))), 20000);
        auto hasWlan = [this] {
            for (const auto& entry : m_facade->networkInterfaces())
                if (entry.toMap().value("interface_name").toString() == "wlan0")
                    return true;
            return false;
        };
        QTRY_VERIFY_WITH_TIMEOUT(hasWlan(), 20000);
        QCOMPARE(m_unit->state().network.ssid, QString("HomeNet"));
        QVERIFY(!log.contains("correct horse"));

        // A refused key (too short) is reported as such.
        m_facade->triggerWifiChange("HomeNet", "short");
        QTRY_COMPARE_WITH_TIMEOUT(success.count(), 2, 20000);
        QCOMPARE(success.at(1).at(0).toBool(), false);
    }

    void identifiedMediaBringsTitleAndPoster()
    {
        QVERIFY(!m_unit->library().entries().isEmpty());
        const auto& entry = m_unit->library().entries().first();
        QSignalSpy image(m_facade.get(), &Facade::movieImageChanged);
        Simulator::MediaStatus media;
        media.mediaIdState = "ident_success";
        media.motionCodeState = "available";
        media.mediaTitle = entry.title;
        media.imageFilename = Simulator::MediaLibrary::posterFileName(entry);
        media.mediaOffset = 42;
        media.mediaDuration = 5400;
        m_unit->setMediaStatus(media);
        QTRY_COMPARE_WITH_TIMEOUT(m_facade->mediaTitle(), entry.title, 20000);
        QTRY_VERIFY_WITH_TIMEOUT(m_facade->mediaIdentified(), 20000);
        QCOMPARE(m_facade->audioSourceStatusText(), QString("Audio Source Detected"));
        QCOMPARE(m_facade->motionCodeStatusText(), QString("Motion Code Available"));
        QTRY_COMPARE_WITH_TIMEOUT(m_facade->mediaProgressOffset(), QString("42"), 20000);
        QTRY_VERIFY_WITH_TIMEOUT(image.count() >= 1, 20000);
        QSize size;
        const QImage poster = m_provider->requestImage("MovieImage0.jpg", &size, QSize());
        QVERIFY(!poster.isNull());
        QCOMPARE(m_unit->commands("GetImageData").size(), 1);

        // The title goes, and its poster with it: the placeholder, not the last film's picture.
        const QImage placeholder(QString::fromLatin1(PosterImageProvider::PlaceholderResource));
        QVERIFY(!placeholder.isNull());
        Simulator::MediaStatus listening;
        listening.mediaIdState = "listening";
        m_unit->setMediaStatus(listening);
        QTRY_VERIFY_WITH_TIMEOUT(!m_facade->mediaIdentified(), 20000);
        QTRY_COMPARE_WITH_TIMEOUT(m_provider->requestImage("MovieImage1.jpg", &size, QSize()), placeholder,
                                  20000);
        QCOMPARE(m_facade->mediaTitle(), QString());

        // The same title again: its poster is asked for and shown again.
        m_unit->setMediaStatus(media);
        QTRY_COMPARE_WITH_TIMEOUT(m_unit->commands("GetImageData").size(), 2, 20000);
        QTRY_COMPARE_WITH_TIMEOUT(m_provider->requestImage("MovieImage2.jpg", &size, QSize()), poster, 20000);
    }

private:
    std::unique_ptr<Simulator::SimulatedUnit> m_unit;
    std::unique_ptr<PosterImageProvider> m_provider;
    std::shared_ptr<SeatPaneMgr> m_seats;
    std::shared_ptr<GlobalStatus> m_status;
    std::shared_ptr<Facade> m_facade;
    std::vector<std::unique_ptr<QAbstractItemModelTester>> m_testers;
};

QTEST_MAIN(TestControllerEndToEnd)
#include "tst_controller_endtoend.moc"
