#include "ProtocolCapture.h"

#include <algorithm>
#include <map>
#include <memory>
#include <mutex>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QHostAddress>
#include <QThread>
#include <QUdpSocket>

#include <zmq.hpp>
#include <zmq_addon.hpp>

#include "DiscoveryStrategyInfo.h"
#include "Facade.h"
#include "FreePorts.h"
#include "GlobalStatus.h"
#include "IResponseHandler.h"
#include "MessageNames.h"
#include "Messenger.h"
#include "PosterImageProvider.h"
#include "SeatPaneMgr.h"
#include "SimulatedUnit.h"
#include "UnitEndpoint.h"

using namespace Ulmar;
using namespace Ulmar::Messaging;

namespace {

// Sits between the messenger and one of the Facade's handlers: records, then hands on.
class Tap : public IResponseHandler
{
public:
    Tap(std::shared_ptr<IResponseHandler> inner, std::mutex& mutex, std::vector<CapturedMessage>& out)
        : m_inner(std::move(inner)), m_mutex(mutex), m_out(out)
    {}
    void handleResponse(std::shared_ptr<IResponse> response) override
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_out.push_back({CapturedMessage::ToApp, response->getMessageType(), response->getText(),
                             response->bodyAsString()});
        }
        m_inner->handleResponse(response);
    }

private:
    std::shared_ptr<IResponseHandler> m_inner;
    std::mutex& m_mutex;
    std::vector<CapturedMessage>& m_out;
};

template <typename Condition> bool waitFor(Condition condition, int ms = 20000)
{
    QDeadlineTimer deadline(ms);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return true;
}

void readDatagrams(QUdpSocket& socket, std::vector<std::string>& out)
{
    while (socket.hasPendingDatagrams()) {
        QByteArray data(int(socket.pendingDatagramSize()), '\0');
        socket.readDatagram(data.data(), data.size());
        out.emplace_back(data.constData(), size_t(data.size()));
    }
}

// The greeting as it leaves the application: a bare ROUTER plays the unit, in plain text.
bool captureHello(CapturedMessage& hello, QString& error)
{
    zmq::context_t context;
    zmq::socket_t router(context, zmq::socket_type::router);
    router.set(zmq::sockopt::linger, 0);
    const quint16 port = freeTcpPort();
    router.bind("tcp://127.0.0.1:" + std::to_string(port));
    DiscoveryStrategyList strategies{std::make_shared<DiscoveryStrategyInfo>(
        DiscoveryStrategyInfo::DirectHost, "plain;127.0.0.1;" + std::to_string(port), 1000)};
    auto messenger = std::make_shared<Messenger>(strategies, "VYRA", ITransport::TransportZeroMQ);
    messenger->chooseUnit("127.0.0.1", "127.0.0.1", port, false, false);
    messenger->connect(3000);
    zmq::multipart_t frames;
    QDeadlineTimer deadline(20000);
    while (!frames.recv(router, ZMQ_DONTWAIT)) {
        if (deadline.hasExpired()) {
            error = "no greeting from the application";
            return false;
        }
        QThread::msleep(10);
    }
    messenger->disconnect();
    if (frames.size() != 5) {
        error = QString("the greeting has %1 frames after the routing id").arg(int(frames.size()) - 1);
        return false;
    }
    hello = {CapturedMessage::ToUnit, frames[1].to_string(), frames[3].to_string(), frames[4].to_string()};
    if (frames[2].to_string() != "1") {
        error = "the greeting's version is not 1";
        return false;
    }
    return true;
}

} // namespace

bool captureTraffic(Capture& capture, QString& error)
{
    if (!captureHello(capture.hello, error))
        return false;
    // The unit's announcements go to a port of our own; the real discovery port stays untouched.
    QUdpSocket discovery;
    if (!discovery.bind(QHostAddress(QHostAddress::LocalHost), 0)) {
        error = "no UDP port for the announcements";
        return false;
    }
    Simulator::UnitConfig config;
    config.port = freeTcpPort();
    config.announceAddress = "127.0.0.1";
    config.announcePort = discovery.localPort();
    config.announceIntervalMs = 100;
    config.encrypted = true;
    const auto keys = UnitEndpoint::generateKeyPair();
    config.publicKey = QString::fromStdString(keys.first);
    config.secretKey = QString::fromStdString(keys.second);
    config.runScenario = false;
    Simulator::SimulatedUnit unit(config);
    if (!unit.start(&error))
        return false;

    // A fixed host that does not answer: the application's query datagrams land here.
    QUdpSocket silentHost;
    silentHost.bind(QHostAddress(QHostAddress::LocalHost), 0);

    std::mutex mutex;
    std::vector<CapturedMessage> received;
    {
        auto provider = std::make_unique<PosterImageProvider>();
        auto seats = std::make_shared<SeatPaneMgr>(1000);
        auto status = std::make_shared<GlobalStatus>();
        auto facade = std::make_shared<Facade>(nullptr, provider.get(), seats, status, "VYRA",
                                               "127.0.0.1:" + std::to_string(unit.port()));
        facade->initMessageObservers();
        auto messenger = facade->messenger();
        for (const auto& r : messenger->registeredResponses())
            messenger->registerResponse(r.first, 1, std::make_shared<Tap>(r.second, mutex, received));
        facade->tryConnectToController();
        if (!waitFor([&] { return facade->controllerIsConnected(); })) {
            error = "the application did not connect to the simulated unit";
            return false;
        }
        auto receivedCount = [&](const std::string& type) {
            std::lock_guard<std::mutex> lock(mutex);
            return std::count_if(received.begin(), received.end(),
                                 [&](const CapturedMessage& m) { return m.type == type; });
        };
        waitFor([&] { return receivedCount(MessageType::GetLibraryServiceLoginStatus) > 0; });

        // Every command the user interface can give.
        facade->sendMotionDelay(facade->motionDelay() + 40);
        facade->sendRecognitionTolerance(facade->recognitionTolerance() + 3);
        facade->renameMotionController(QStringLiteral("Cinéma \"2\" \\ 影院"));
        facade->triggerNetworkState();
        facade->triggerWifiList();
        facade->triggerWifiChange(QStringLiteral("HomeNet"), QStringLiteral("correct horse battery"));
        facade->triggerWifiChange(QStringLiteral("Nowhere"), QStringLiteral("k"));
        facade->requestHotspotActivation();
        facade->sendLibraryServiceCredentials(QStringLiteral("user@example.org"), QStringLiteral("access-1"),
                                              QStringLiteral("refresh-1"));
        facade->sendLibraryServiceCredentials(QString(), QString(), QString());
        facade->triggerGetLibraryServiceLoginStatus();
        waitFor([&] { return seats->rowCount() > 1; });
        seats->setData(seats->index(0), 0.0, SeatPaneMgr::MotionRole);
        seats->setData(seats->index(1), true, SeatPaneMgr::MutedRole);
        seats->setData(seats->index(1), -7.5, SeatPaneMgr::VibrationRole);

        // Every media status of the scenario, and the posters they name.
        for (int step = 0; step < unit.scenario().steps().size(); ++step) {
            unit.goToStep(step);
            QCoreApplication::processEvents();
            QThread::msleep(30);
        }
        unit.notifyAll();
        const bool answered = waitFor([&] {
            return receivedCount(MessageType::SetWifiSetting) >= 3 &&
                   receivedCount(MessageType::SetVyraName) >= 1 &&
                   receivedCount(MessageType::GetImageData) >= 1 &&
                   unit.commands(QString::fromStdString(MessageType::SetSeatSetting)).size() >= 2;
        });
        waitFor([] { return false; }, 500); // stragglers
        if (!answered) {
            error = "the unit did not answer every command";
            return false;
        }

        // The query of a fixed host: to the host's message port number, over UDP.
        auto querying = std::make_shared<Facade>(nullptr, provider.get(), seats, status, "VYRA",
                                                 "127.0.0.1:" + std::to_string(silentHost.localPort()));
        querying->tryConnectToController();
        waitFor([&] { return silentHost.hasPendingDatagrams(); });
        readDatagrams(silentHost, capture.queries);
        querying.reset();
        facade.reset();
    }
    readDatagrams(discovery, capture.announcements);
    {
        std::lock_guard<std::mutex> lock(mutex);
        capture.messages = received;
    }
    for (const auto& c : unit.commands())
        capture.messages.push_back({CapturedMessage::ToUnit, c.type.toStdString(), c.text.toStdString(),
                                    std::string(c.body.constData(), size_t(c.body.size()))});
    unit.stop();
    if (capture.announcements.empty() || capture.queries.empty()) {
        error = "no announcement or no query datagram seen";
        return false;
    }
    return true;
}
