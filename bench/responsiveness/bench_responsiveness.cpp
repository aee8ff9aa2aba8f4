// Responsiveness and idle cost of the application, started as a user starts it (offscreen unless
// QT_QPA_PLATFORM says otherwise) and connected to a unit played by this program:
//  - idle: connected, nothing happening, for 30 s (or the seconds given): CPU share and wake-ups per second
//    of each thread, from /proc;
//  - the GUI thread's longest stall (the longest a 5 ms timer in the application came late, measured by the
//    UI probe) while a 50,000-title library arrives with the library page shown, while 1,000 media status
//    notifications per second arrive for 3 s, and while a 1 MiB poster arrives.
// Usage: bench_responsiveness [runs] [idle seconds]        (defaults: 3 runs, 30 s; 0 runs: idle only)
#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalSocket>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>

#include <zmq.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#include "IMessage.h"
#include "ManagedBuffer.h"
#include "MessageNames.h"
#include "UnitBodies.h"
#include "UnitEndpoint.h"

using namespace Ulmar;
using namespace Ulmar::Messaging;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kTitles = 50000;
constexpr double kStallLimitMs = 50.0;

class Probe
{
public:
    bool connectTo(const QString& name, int timeoutMs)
    {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < timeoutMs) {
            m_socket.abort();
            m_socket.connectToServer(name);
            if (m_socket.waitForConnected(200))
                return true;
            QThread::msleep(50);
        }
        return false;
    }
    QJsonObject ask(const QJsonObject& request)
    {
        m_socket.write(QJsonDocument(request).toJson(QJsonDocument::Compact) + '\n');
        m_socket.flush();
        while (!m_socket.canReadLine() && m_socket.waitForReadyRead(10000)) {
        }
        return QJsonDocument::fromJson(m_socket.readLine()).object();
    }
    QVariant get(const QString& name, const QString& prop)
    {
        return ask({{"cmd", "get"}, {"name", name}, {"prop", prop}}).value("value").toVariant();
    }
    bool waitFor(const std::function<bool()>& condition, int timeoutMs)
    {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < timeoutMs) {
            if (condition())
                return true;
            QThread::msleep(20);
        }
        return false;
    }

private:
    QLocalSocket m_socket;
};

std::shared_ptr<IMessage> message(const std::string& type, const std::string& body)
{
    return std::make_shared<IMessage>(
        type, 1, std::string(), body.empty() ? nullptr : ManagedBuffer::FromBytes(body.data(), body.size()));
}

std::string libraryBody(int count)
{
    static const char* const words[] = {"Night", "Return", "Storm", "Empire", "Ocean", "Shadow", "Garden",
                                        "Élan",  "Last",   "River", "Secret", "City",  "Dragon", "Winter"};
    std::string body = R"({"library":{"media":[)";
    for (int i = 0; i < count; ++i) {
        body += i ? "," : "";
        body += R"({"title":")" + std::string(words[i % 14]) + " " + words[(i / 14) % 14] + " " +
                std::to_string(i) + R"(","releaseDate":")" + std::to_string(1950 + i % 70) +
                R"(-05-15","duration":")" + std::to_string(80 + i % 90) +
                R"(","cut":"Theatrical","language":"en"})";
    }
    return body + "]}}";
}

std::string statusBody(int offset, const QString& poster)
{
    Simulator::MediaStatus s;
    s.mediaIdState = QStringLiteral("ident_success");
    s.motionCodeState = QStringLiteral("available");
    s.mediaTitle = QStringLiteral("The Godfather");
    s.imageFilename = poster;
    s.mediaOffset = offset;
    s.mediaDuration = 10000;
    return Simulator::UnitBodies::mediaStatus(s);
}

// A photo-like JPEG of about 1 MiB.
QByteArray bigPoster()
{
    QImage image(1600, 2000, QImage::Format_RGB32); // within the largest poster taken
    QRandomGenerator random(7);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            line[x] = qRgb((x * 255) / image.width(), (y * 255) / image.height(),
                           int(random.bounded(64)) + (x ^ y) % 64);
    }
    QByteArray bytes;
    for (int quality = 95; quality > 10; quality -= 5) {
        bytes.clear();
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "JPG", quality);
        if (bytes.size() <= 1024 * 1024)
            break;
    }
    return bytes;
}

struct ThreadTimes
{
    std::string name;
    double cpuTicks = 0;
    double wakeups = 0;     // voluntary context switches: the thread went to sleep and was woken again
    double preemptions = 0; // involuntary ones: the scheduler took the CPU away (machine load, not ours)
};

std::map<int, ThreadTimes> threadTimes(qint64 pid)
{
    std::map<int, ThreadTimes> out;
    const QDir tasks(QString("/proc/%1/task").arg(pid));
    for (const QString& tid : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        ThreadTimes t;
        QFile comm(tasks.filePath(tid + "/comm"));
        if (comm.open(QIODevice::ReadOnly))
            t.name = comm.readAll().trimmed().toStdString();
        QFile stat(tasks.filePath(tid + "/stat"));
        if (stat.open(QIODevice::ReadOnly)) {
            const QByteArray line = stat.readAll();
            const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
            if (fields.size() > 12)
                t.cpuTicks = fields[11].toDouble() + fields[12].toDouble(); // utime, stime
        }
        QFile status(tasks.filePath(tid + "/status"));
        if (status.open(QIODevice::ReadOnly)) {
            for (const QByteArray& l : status.readAll().split('\n'))
                if (l.startsWith("voluntary_ctxt_switches:"))
                    t.wakeups = l.mid(l.indexOf(':') + 1).trimmed().toDouble();
                else if (l.startsWith("nonvoluntary_ctxt_switches:"))
                    t.preemptions = l.mid(l.indexOf(':') + 1).trimmed().toDouble();
        }
        out[tid.toInt()] = t;
    }
    return out;
}

// Milliseconds the GUI thread (the process's first) has spent waiting for a CPU: on a loaded machine a stall
// may be the scheduler's rather than the program's.
double runQueueWaitMs(qint64 pid)
{
    QFile schedstat(QString("/proc/%1/task/%1/schedstat").arg(pid));
    if (!schedstat.open(QIODevice::ReadOnly))
        return 0;
    return schedstat.readAll().split(' ').value(1).toDouble() / 1e6;
}

double median(std::vector<double> v)
{
    if (v.empty())
        return -1;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    qputenv("QT_LOGGING_RULES", QByteArray("ulmar.messaging.debug=false"));
    const int runs = argc > 1 ? std::max(0, atoi(argv[1])) : 3;
    const int idleSeconds = argc > 2 ? std::max(1, atoi(argv[2])) : 30;
    const QString bin = QCoreApplication::applicationDirPath();
    QTemporaryDir dir;

    char publicKey[41] = {}, secretKey[41] = {};
    zmq_curve_keypair(publicKey, secretKey);
    UnitEndpoint::Options options;
    options.port = 0;
    options.announce = false;
    options.encrypted = true;
    options.publicKey = publicKey;
    options.secretKey = secretKey;
    UnitEndpoint unit(options);
    const QByteArray poster = bigPoster();
    std::atomic<int> posterRequests{0};
    unit.setMessageCallback([&](const UnitEndpoint::PeerId& peer, std::shared_ptr<IMessage> m) {
        if (m->getMessageType() == MessageType::GetImageData) {
            ++posterRequests;
            unit.sendTo(peer,
                        message(MessageType::GetImageData, std::string(poster.constData(), poster.size())));
        }
    });
    if (!unit.start()) {
        std::fprintf(stderr, "the unit did not start\n");
        return 1;
    }

    std::vector<double> libraryStall, libraryRowsMs, notifyStall, posterStall;
    std::vector<double> libraryWait, notifyWait, posterWait;
    for (int run = 0; run < std::max(1, runs); ++run) {
        QDir(dir.path()).mkpath("home");
        QDir(dir.path()).mkpath("runtime");
        QFile::setPermissions(dir.filePath("runtime"),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", dir.filePath("home"));
        env.insert("XDG_CONFIG_HOME", dir.filePath("home/config"));
        env.insert("XDG_DATA_HOME", dir.filePath("home/data"));
        env.insert("XDG_RUNTIME_DIR", dir.filePath("runtime"));
        if (!env.contains("QT_QPA_PLATFORM")) {
            env.insert("QT_QPA_PLATFORM", "offscreen");
            env.insert("QT_QUICK_BACKEND", "software");
        }
        env.insert("LANG", "C.UTF-8");
        env.insert("LANGUAGE", "");
        const QString socket = dir.filePath(QString("probe%1.sock").arg(run));
        env.insert("QT_PLUGIN_PATH", QStringLiteral(VYRA_UI_PROBE_PLUGIN_DIR));
        env.insert("QT_QPA_GENERIC_PLUGINS", "vyrauiprobe");
        env.insert("VYRA_UI_PROBE_SOCKET", socket);
        QProcess process;
        process.setProcessEnvironment(env);
        process.setStandardOutputFile(QProcess::nullDevice());
        process.setStandardErrorFile(QProcess::nullDevice());
        process.start(bin + "/VYRA_Control_App", {"-a", QString("127.0.0.1:%1").arg(unit.port())});
        Probe probe;
        if (!process.waitForStarted(20000) || !probe.connectTo(socket, 30000) ||
            !probe.waitFor([&] { return !unit.peers().empty(); }, 30000)) {
            std::fprintf(stderr, "the application did not start or connect\n");
            return 1;
        }
        // The start-up dialog takes the clicks until closed.
        probe.waitFor([&] { return probe.get("startupDialogCloseButton", "visible").toBool(); }, 10000);
        probe.ask({{"cmd", "click"}, {"name", "startupDialogCloseButton"}});
        // The style's scroll bars fade out 2.65 s after their view last moved, redrawing at 60 Hz meanwhile:
        // that is the tail of the click, not idle.
        QThread::msleep(run == 0 ? 4000 : 1000);

        if (run == 0) {
            // Idle: connected, the status page shown, nothing coming from the unit.
            std::fprintf(stderr, "application pid %lld idle for %d s\n", process.processId(), idleSeconds);
            const auto before = threadTimes(process.processId());
            const auto t0 = Clock::now();
            QThread::sleep(static_cast<unsigned long>(idleSeconds));
            const auto after = threadTimes(process.processId());
            const double seconds = std::chrono::duration<double>(Clock::now() - t0).count();
            const double hz = double(sysconf(_SC_CLK_TCK));
            double cpu = 0, wakeups = 0, preemptions = 0, fastest = 0;
            std::string fastestName;
            std::printf("idle, connected, %.0f s (per thread: CPU %%, wake-ups/s, preemptions/s):\n",
                        seconds);
            for (const auto& entry : after) {
                const auto b = before.find(entry.first);
                const bool old = b != before.end();
                const double c = entry.second.cpuTicks - (old ? b->second.cpuTicks : 0);
                const double w = (entry.second.wakeups - (old ? b->second.wakeups : 0)) / seconds;
                const double p = (entry.second.preemptions - (old ? b->second.preemptions : 0)) / seconds;
                cpu += c;
                wakeups += w;
                preemptions += p;
                if (w > fastest) {
                    fastest = w;
                    fastestName = entry.second.name;
                }
                std::printf("  %-6d %-16s %6.2f %%  %6.2f/s  %6.2f/s\n", entry.first,
                            entry.second.name.c_str(), 100.0 * c / hz / seconds, w, p);
            }
            std::printf(
                "idle total: CPU %.2f %% of one core, %.1f wake-ups/s, %.1f preemptions/s; busiest thread "
                "%s %.2f wake-ups/s (heartbeat: one per second each way)\n\n",
                100.0 * cpu / hz / seconds, wakeups, preemptions, fastestName.c_str(), fastest);
            std::fflush(stdout);
            if (runs == 0) {
                process.terminate();
                if (!process.waitForFinished(20000))
                    process.kill();
                return 0;
            }
        }

        // A 50,000-title library arriving while its page is shown.
        probe.ask({{"cmd", "click"}, {"name", "libraryTab"}});
        probe.waitFor([&] { return probe.get("moviesListView", "count").isValid(); }, 20000);
        QThread::msleep(300);
        probe.ask({{"cmd", "stall"}}); // starts watching, or starts again
        double wait0 = runQueueWaitMs(process.processId());
        const auto listSent = Clock::now();
        unit.broadcast(message(MessageType::GetMediaListNotification, libraryBody(kTitles)));
        const bool listed =
            probe.waitFor([&] { return probe.get("moviesListView", "count").toInt() == kTitles; }, 180000);
        libraryRowsMs.push_back(std::chrono::duration<double, std::milli>(Clock::now() - listSent).count());
        libraryStall.push_back(probe.ask({{"cmd", "stall"}}).value("longestStallMs").toDouble());
        libraryWait.push_back(runQueueWaitMs(process.processId()) - wait0);
        if (!listed)
            std::fprintf(stderr, "the library did not fill its table\n");
        probe.ask({{"cmd", "click"}, {"name", "statusTab"}});
        QThread::msleep(300);

        // 1,000 media status notifications per second for 3 s.
        probe.ask({{"cmd", "stall"}}); // starts watching, or starts again
        wait0 = runQueueWaitMs(process.processId());
        const auto start = Clock::now();
        for (int i = 0; i < 3000; ++i) {
            std::this_thread::sleep_until(start + std::chrono::microseconds(1000 * i));
            unit.broadcast(message(MessageType::GetMediaStatusNotification, statusBody(i, QString())));
        }
        QThread::msleep(500);
        notifyStall.push_back(probe.ask({{"cmd", "stall"}}).value("longestStallMs").toDouble());
        notifyWait.push_back(runQueueWaitMs(process.processId()) - wait0);

        // A 1 MiB poster: the status names a new poster, the application asks for it and shows it.
        QThread::msleep(300);
        const int requests = posterRequests;
        probe.ask({{"cmd", "stall"}}); // starts watching, or starts again
        wait0 = runQueueWaitMs(process.processId());
        unit.broadcast(message(MessageType::GetMediaStatusNotification,
                               statusBody(5000, QString("poster-%1.jpg").arg(run))));
        probe.waitFor([&] { return posterRequests > requests; }, 20000);
        probe.waitFor([&] { return probe.get("movieImage", "status").toInt() == 1; }, 20000);
        QThread::msleep(500);
        posterStall.push_back(probe.ask({{"cmd", "stall"}}).value("longestStallMs").toDouble());
        posterWait.push_back(runQueueWaitMs(process.processId()) - wait0);

        std::printf(
            "run %d: longest GUI stall: library %.1f ms (all %d rows in %.0f ms), notifications %.1f ms, "
            "poster %.1f ms; GUI thread waiting for a CPU meanwhile: %.0f, %.0f, %.0f ms\n",
            run + 1, libraryStall.back(), kTitles, libraryRowsMs.back(), notifyStall.back(),
            posterStall.back(), libraryWait.back(), notifyWait.back(), posterWait.back());
        std::fflush(stdout);
        process.terminate();
        if (!process.waitForFinished(20000)) {
            process.kill();
            process.waitForFinished();
        }
    }
    std::printf("platform %s; poster %d bytes; median of %d runs; limit %.0f ms\n",
                qPrintable(qEnvironmentVariable("QT_QPA_PLATFORM", "offscreen")), int(poster.size()), runs,
                kStallLimitMs);
    std::printf(
        "longest GUI stall while a %d-title library arrives (page shown): %.1f ms; all rows in %.0f ms\n",
        kTitles, median(libraryStall), median(libraryRowsMs));
    std::printf("longest GUI stall while 1,000 notifications/s arrive: %.1f ms\n", median(notifyStall));
    std::printf("longest GUI stall while a 1 MiB poster arrives: %.1f ms\n", median(posterStall));
    return 0;
}
