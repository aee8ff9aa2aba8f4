// A flood of made-up unit announcements against the real program: 10,000 distinct names over 20 s from one
// sender address, then the same from 64 sender addresses, while a real unit (in this process, plain, on
// 127.0.0.1) announces itself from the fifth second on. Prints the GUI thread's longest stall, the length of
// the unit list (longest and at the end) and when the real unit was in the list. Loopback only; the program
// listens for announcements on a free port (VYRA_DISCOVERY_PORT) and runs offscreen with the UI probe plugin.
//
//   bench_discovery_flood [path/to/VYRA_Control_App]     (default: the one beside this program)
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <atomic>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "EventPump.h"
#include "FreePorts.h"
#include "IsolatedEnvironment.h"
#include "SimulatedUnit.h"
#include "UiProbeClient.h"

using namespace Ulmar;

namespace {

constexpr int kNames = 10000;
constexpr int kFloodMs = 20000;

// Sends kNames announcements of distinct names, evenly over kFloodMs, round robin from `senders` loopback
// addresses (127.0.1.1 onwards).
void flood(quint16 discoveryPort, int senders, int round, std::atomic<bool>& stop)
{
    std::vector<int> sockets;
    for (int s = 0; s < senders; ++s) {
        const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in from{};
        from.sin_family = AF_INET;
        from.sin_addr.s_addr = htonl((127u << 24) | (1u << 8) | unsigned(s + 1));
        ::bind(fd, reinterpret_cast<sockaddr*>(&from), sizeof(from));
        sockets.push_back(fd);
    }
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    to.sin_port = htons(discoveryPort);
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kNames && !stop; ++i) {
        // Paced, as a device on the network would send them: the flood is the subject, not the generator.
        std::this_thread::sleep_until(start +
                                      std::chrono::microseconds(std::int64_t(i) * kFloodMs * 1000 / kNames));
        const std::string datagram = "{\"v\":1,\"service\":\"VYRA\",\"name\":\"Flood " +
                                     std::to_string(round) + "-" + std::to_string(i) +
                                     "\",\"port\":" + std::to_string(20000 + i % 40000) + "}";
        ::sendto(sockets[std::size_t(i % senders)], datagram.data(), datagram.size(), 0,
                 reinterpret_cast<const sockaddr*>(&to), sizeof(to));
    }
    for (int fd : sockets)
        ::close(fd);
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QString appPath = argc > 1 ? QString::fromLocal8Bit(argv[1])
                                     : QCoreApplication::applicationDirPath() + "/VYRA_Control_App";
    QTemporaryDir dir;
    const quint16 discoveryPort = freeUdpPort();

    QProcessEnvironment env = isolatedEnvironment(dir.path());
    const QString socket = dir.filePath("probe.sock");
    env.insert("QT_PLUGIN_PATH", QStringLiteral(VYRA_UI_PROBE_PLUGIN_DIR));
    env.insert("QT_QPA_GENERIC_PLUGINS", "vyrauiprobe");
    env.insert("VYRA_UI_PROBE_SOCKET", socket);
    env.insert("VYRA_DISCOVERY_PORT", QString::number(discoveryPort));
    QProcess program;
    program.setProcessEnvironment(env);
    program.setProcessChannelMode(QProcess::MergedChannels);
    program.setStandardOutputFile(dir.filePath("app.log"));
    program.start(appPath, QStringList());
    if (!program.waitForStarted(20000)) {
        std::fprintf(stderr, "cannot start %s\n", qPrintable(appPath));
        return 1;
    }
    UiProbeClient probe;
    if (!waitFor([&] { return probe.connectTo(socket); }, 30000) ||
        !waitFor(
            [&] {
                return probe.ask({{"cmd", "window"}}).value("ok").toBool();
            },
            30000)) {
        std::fprintf(stderr, "no probe in the program\n");
        return 1;
    }
    probe.ask({{"cmd", "resize"}, {"width", 1280}, {"height", 800}});
    pump(2000);

    std::printf("%-22s %16s %12s %12s %22s\n", "flood", "longest stall ms", "most units", "units at end",
                "real unit listed (s)");
    int status = 0;
    for (const int senders : {1, 64}) {
        const QString realName = QStringLiteral("Real unit %1").arg(senders);
        auto listLength = [&] {
            return probe
                .ask({{"cmd", "get"},
                      {"name", "controllerNameComboBox"},
                      {"prop", "count"},
                      {"visibleOnly", false}})
                .value("value")
                .toInt();
        };
        auto realListed = [&] {
            return probe
                       .ask({{"cmd", "find"},
                             {"name", "controllerNameComboBox"},
                             {"text", realName},
                             {"visibleOnly", false}})
                       .value("row")
                       .toInt() >= 0;
        };
        probe.ask({{"cmd", "stall"}}); // starts watching afresh
        std::atomic<bool> stop{false};
        std::thread flooder([&] { flood(discoveryPort, senders, senders, stop); });
        QElapsedTimer t;
        t.start();
        std::unique_ptr<Simulator::SimulatedUnit> unit;
        double longest = 0;
        int most = 0;
        double listedAt = -1;
        while (t.elapsed() < kFloodMs + 1000) {
            if (!unit && t.elapsed() >= 5000) {
                Simulator::UnitConfig config;
                config.name = realName;
                config.port = 0;
                config.encrypted = false;
                config.announceAddress = QStringLiteral("127.0.0.1");
                config.announcePort = discoveryPort;
                config.runScenario = false;
                unit = std::make_unique<Simulator::SimulatedUnit>(config);
                QString error;
                if (!unit->start(&error))
                    std::fprintf(stderr, "unit: %s\n", qPrintable(error));
            }
            pump(250);
            longest = std::max(longest, probe.ask({{"cmd", "stall"}}).value("longestStallMs").toDouble());
            most = std::max(most, listLength());
            if (unit && listedAt < 0 && realListed())
                listedAt = (t.elapsed() - 5000) / 1000.0;
        }
        stop = true;
        flooder.join();
        const int atEnd = listLength();
        const bool listedNow = realListed();
        std::printf("%-22s %16.0f %12d %12d %22s\n",
                    qPrintable(QStringLiteral("%1 sender%2").arg(senders).arg(senders > 1 ? "s" : "")),
                    longest, most, atEnd,
                    listedAt < 0 ? "never"
                                 : qPrintable(QStringLiteral("%1 after start%2")
                                                  .arg(listedAt, 0, 'f', 1)
                                                  .arg(listedNow ? ", still" : ", gone")));
        std::fflush(stdout);
        if (listedAt < 0)
            status = 2;
        unit.reset();
        pump(6000); // the flood's units age out before the next round
    }

    probe.disconnect();
    program.terminate();
    if (!program.waitForFinished(30000))
        program.kill();
    return status;
}
