// What a hostile unit costs the real program: RSS and the GUI thread's longest stall while a unit (in this
// process, on loopback) sends 100 and 1,000 seats, takes them away, and sends a 15 MiB unit name and media
// title. The program runs offscreen with the UI probe plugin, which measures the stalls.
//
//   bench_hostile_unit [path/to/VYRA_Control_App]     (default: the one beside this program)
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>
#include <functional>

#include "EventPump.h"
#include "IsolatedEnvironment.h"
#include "MessageNames.h"
#include "SimulatedUnit.h"
#include "UiProbeClient.h"
#include "UnitBodies.h"
#include "UnitEndpoint.h"

using namespace Ulmar;
namespace Type = Ulmar::Messaging::MessageType;

namespace {

// Resident and peak resident memory of a process, in MiB.
std::pair<double, double> memoryOf(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    double rss = 0, hwm = 0;
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : status.readAll().split('\n')) {
            const QList<QByteArray> parts = line.simplified().split(' ');
            if (parts.size() >= 2 && parts[0] == "VmRSS:")
                rss = parts[1].toDouble() / 1024;
            else if (parts.size() >= 2 && parts[0] == "VmHWM:")
                hwm = parts[1].toDouble() / 1024;
        }
    }
    return {rss, hwm};
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QString appPath = argc > 1 ? QString::fromLocal8Bit(argv[1])
                                     : QCoreApplication::applicationDirPath() + "/VYRA_Control_App";
    QTemporaryDir dir;

    Simulator::UnitConfig config;
    config.name = QStringLiteral("Bench Unit");
    config.port = 0;
    config.announce = false;
    config.encrypted = true;
    const auto keys = Messaging::UnitEndpoint::generateKeyPair();
    config.publicKey = QString::fromStdString(keys.first);
    config.secretKey = QString::fromStdString(keys.second);
    config.seatCount = 3;
    config.runScenario = false;
    Simulator::SimulatedUnit unit(config);
    QString error;
    if (!unit.start(&error)) {
        std::fprintf(stderr, "unit: %s\n", qPrintable(error));
        return 1;
    }

    QProcessEnvironment env = isolatedEnvironment(dir.path());
    const QString socket = dir.filePath("probe.sock");
    env.insert("QT_PLUGIN_PATH", QStringLiteral(VYRA_UI_PROBE_PLUGIN_DIR));
    env.insert("QT_QPA_GENERIC_PLUGINS", "vyrauiprobe");
    env.insert("VYRA_UI_PROBE_SOCKET", socket);
    QProcess program;
    program.setProcessEnvironment(env);
    program.setProcessChannelMode(QProcess::MergedChannels);
    program.setStandardOutputFile(dir.filePath("app.log"));
    program.start(appPath, {"-a", QString("127.0.0.1:%1").arg(unit.port())});
    if (!program.waitForStarted(20000)) {
        std::fprintf(stderr, "cannot start %s\n", qPrintable(appPath));
        return 1;
    }
    UiProbeClient probe;
    auto get = [&](const QString& name, const QString& prop) {
        return probe.ask({{"cmd", "get"}, {"name", name}, {"prop", prop}, {"visibleOnly", false}})
            .value("value")
            .toVariant();
    };
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
    auto cards = [&] { return get("statusPageSeats", "count").toInt(); };
    if (!waitFor([&] { return cards() == 3; }, 60000)) {
        std::fprintf(stderr, "the program did not show the unit's seats\n");
        return 1;
    }
    unit.stall(); // only what we inject from here on
    pump(2000);
    probe.ask({{"cmd", "stall"}}); // starts watching

    std::printf("%-28s %8s %10s %10s %16s %8s\n", "step", "shown", "RSS MiB", "peak MiB", "longest stall ms",
                "secs");
    auto report = [&](const char* step, const QString& shown, double secs) {
        const double stall = probe.ask({{"cmd", "stall"}}).value("longestStallMs").toDouble();
        const auto mem = memoryOf(program.processId());
        std::printf("%-28s %8s %10.1f %10.1f %16.0f %8.1f\n", step, qPrintable(shown), mem.first, mem.second,
                    stall, secs);
        std::fflush(stdout);
    };
    report("connected, 3 seats", QString::number(cards()), 0);

    auto seats = [&](int n, const char* step) {
        QVector<Simulator::SeatState> list(n);
        for (int i = 0; i < n; ++i)
            list[i].index = i;
        QElapsedTimer t;
        t.start();
        unit.injectMessage(QString::fromStdString(Type::GetSeatStatusNotification),
                           QByteArray::fromStdString(Simulator::UnitBodies::seats(list)));
        // Either all of them or the program's cap; the count only settles once the cards exist.
        int last = -1;
        waitFor(
            [&] {
                const int now = cards();
                const bool settled = now == last && now != 3 && now > 0;
                last = now;
                return settled || (n == 3 && now == 3);
            },
            180000);
        const double secs = t.elapsed() / 1000.0;
        // Fewer seats: the program gives memory back a moment later; that counts in this step.
        pump(n == 3 ? 5000 : 2000);
        report(step, QString::number(cards()), secs);
    };
    seats(100, "100 seats");
    seats(3, "back to 3 seats");
    seats(1000, "1,000 seats");
    // The user narrows the window and opens the Seats tab, whose cards are all made anew; and back.
    auto moveSeats = [&](int width, const char* list, const char* step) {
        QElapsedTimer t;
        t.start();
        probe.ask({{"cmd", "resize"}, {"width", width}, {"height", 800}});
        // The tab comes with the new width; a click before that misses it.
        waitFor(
            [&] {
                if (width < 768)
                    probe.ask({{"cmd", "click"}, {"name", "seatsTab"}});
                return get(list, "count").toInt() == 256;
            },
            180000);
        const double secs = t.elapsed() / 1000.0;
        pump(2000);
        report(step, QString::number(get(list, "count").toInt()), secs);
    };
    moveSeats(700, "seatsPageSeats", "256 seats to their tab");
    moveSeats(1280, "statusPageSeats", "256 seats back");
    seats(3, "back to 3 seats");

    const QString huge(5 * 1024 * 1024, QChar(0x4e2d)); // 15 MiB of UTF-8
    {
        QElapsedTimer t;
        t.start();
        unit.injectMessage(QString::fromStdString(Type::GetVyraNameNotification),
                           QByteArray::fromStdString(Simulator::UnitBodies::vyraName(huge)));
        waitFor([&] { return get("versionControllerName", "truncated").toBool(); }, 180000);
        const double secs = t.elapsed() / 1000.0;
        pump(2000);
        report("15 MiB unit name", QStringLiteral("-"), secs);
    }
    {
        Simulator::MediaStatus media;
        media.mediaIdState = "ident_success";
        media.motionCodeState = "available";
        media.mediaTitle = huge;
        media.mediaDuration = 100;
        QElapsedTimer t;
        t.start();
        unit.injectMessage(QString::fromStdString(Type::GetMediaStatusNotification),
                           QByteArray::fromStdString(Simulator::UnitBodies::mediaStatus(media)));
        waitFor([&] { return get("movieTitle", "lineCount").toInt() > 2; }, 180000);
        const double secs = t.elapsed() / 1000.0;
        pump(2000);
        report("15 MiB media title", QString::number(get("movieTitle", "lineCount").toInt()) + "l", secs);
    }

    probe.disconnect();
    program.terminate();
    if (!program.waitForFinished(30000))
        program.kill();
    unit.stop();
    return 0;
}
