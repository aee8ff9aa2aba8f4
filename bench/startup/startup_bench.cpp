// Start-up benchmark: time from process start to the first frame that shows the
// status page filled from the simulated unit ("VYRA Online", the film's title),
// against a minimal Quick Controls 2 window started the same way in the same run;
// and the peak resident memory of both, at that frame and a second later (start-up goes on
// after it: a dialog opening, the seat cards). Also the processor time each had used by that
// frame, which a loaded machine disturbs less than the wall clock. Prints medians over the runs.
//   startup_bench [runs]        (default 5; QT_QPA_PLATFORM as in the environment,
//                                offscreen + software when unset)
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalSocket>
#include <QProcess>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

const char* const kFilm = "The Godfather";

struct Sample
{
    double ms = -1;
    double cpuMs = -1;
    double peakMiB = -1;
    double settledPeakMiB = -1;
};

double peakMiB(qint64 pid)
{
    QFile status(QString("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    }
    return -1;
}

QProcessEnvironment baseEnvironment(const QString& root)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    QDir(root).mkpath("home");
    QDir(root).mkpath("runtime");
    QFile::setPermissions(root + "/runtime",
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    env.insert("HOME", root + "/home");
    env.insert("XDG_CONFIG_HOME", root + "/home/config");
    env.insert("XDG_DATA_HOME", root + "/home/data");
    env.insert("XDG_RUNTIME_DIR", root + "/runtime");
    if (!env.contains("QT_QPA_PLATFORM")) {
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("QT_QUICK_BACKEND", "software");
    }
    env.insert("LANG", "C.UTF-8");
    env.insert("LANGUAGE", "");
    return env;
}

// Starts `program`, waits for the probe's "ready" time, reads the peak memory, stops it.
Sample measure(const QString& program, const QStringList& args, QProcessEnvironment env,
               const QJsonArray& ready, const QString& socket)
{
    env.insert("QT_PLUGIN_PATH", QStringLiteral(VYRA_UI_PROBE_PLUGIN_DIR));
    env.insert("QT_QPA_GENERIC_PLUGINS", "vyrauiprobe");
    env.insert("VYRA_UI_PROBE_SOCKET", socket);
    env.insert("VYRA_UI_PROBE_READY", QJsonDocument(ready).toJson(QJsonDocument::Compact));
    QProcess process;
    process.setProcessEnvironment(env);
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    const qint64 started = QDateTime::currentMSecsSinceEpoch();
    process.start(program, args);
    Sample sample;
    if (!process.waitForStarted(20000))
        return sample;
    QLocalSocket probe;
    const qint64 deadline = started + 60000;
    while (QDateTime::currentMSecsSinceEpoch() < deadline) {
        if (probe.state() != QLocalSocket::ConnectedState) {
            probe.abort();
            probe.connectToServer(socket);
            if (!probe.waitForConnected(100)) {
                QThread::msleep(20);
                continue;
            }
        }
        probe.write("{\"cmd\":\"ready\"}\n");
        probe.flush();
        while (!probe.canReadLine() && probe.waitForReadyRead(1000)) {
        }
        const QJsonObject reply = QJsonDocument::fromJson(probe.readLine()).object();
        if (reply.value("ok").toBool()) {
            sample.ms = reply.value("epochMs").toDouble() - double(started);
            sample.cpuMs = reply.value("cpuMs").toDouble(-1);
            break;
        }
        QThread::msleep(20);
    }
    sample.peakMiB = peakMiB(process.processId());
    if (sample.ms >= 0) {
        QThread::msleep(1000);
        sample.settledPeakMiB = peakMiB(process.processId());
    }
    process.terminate();
    if (!process.waitForFinished(20000)) {
        process.kill();
        process.waitForFinished();
    }
    return sample;
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
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 5;
    const QString bin = QCoreApplication::applicationDirPath();
    QTemporaryDir dir;
    const QProcessEnvironment env = baseEnvironment(dir.path());

    QFile scenario(dir.filePath("scenario.json"));
    scenario.open(QIODevice::WriteOnly);
    scenario.write(
        QJsonDocument(QJsonObject{{"loop", false},
                                  {"steps", QJsonArray{QJsonObject{{"duration", 3600},
                                                                   {"mediaIdState", "ident_success"},
                                                                   {"motionCodeState", "available"},
                                                                   {"media", kFilm}}}}})
            .toJson());
    scenario.close();

    QTcpServer portProbe;
    portProbe.listen(QHostAddress::LocalHost, 0);
    const quint16 port = portProbe.serverPort();
    portProbe.close();
    QProcess unit;
    QProcessEnvironment unitEnv = env;
    unitEnv.insert("QT_QPA_PLATFORM", "offscreen");
    unit.setProcessEnvironment(unitEnv);
    unit.setProcessChannelMode(QProcess::MergedChannels);
    unit.start(bin + "/vyra_simulated_unit",
               {"--bind", "127.0.0.1", "--port", QString::number(port), "--no-announce", "--seats", "4",
                "--key-file", dir.filePath("unit-key.txt"), "--scenario", scenario.fileName()});
    if (!unit.waitForStarted(20000) || !unit.waitForReadyRead(20000)) {
        std::fprintf(stderr, "the simulated unit did not start\n");
        return 1;
    }
    QThread::msleep(500);

    const QJsonArray filled{
        QJsonObject{{"name", "controllerStatusText"}, {"prop", "text"}, {"value", "VYRA Online"}},
        QJsonObject{{"name", "movieTitle"}, {"prop", "text"}, {"value", kFilm}}};
    std::vector<double> appMs, appMiB, refMs, refMiB, appFirstMs, appSettledMiB, refSettledMiB;
    std::vector<double> appCpuMs, refCpuMs, appFirstCpuMs;
    for (int i = 0; i < runs; ++i) {
        const Sample ref =
            measure(bin + "/vyra_minimal_window", {}, env, QJsonArray{}, dir.filePath("ref.sock"));
        const Sample a = measure(bin + "/VYRA_Control_App", {"-a", QString("127.0.0.1:%1").arg(port)}, env,
                                 filled, dir.filePath("app.sock"));
        // Where the time goes: the app's own first frame, before the unit has answered.
        const Sample first = measure(bin + "/VYRA_Control_App", {"-a", QString("127.0.0.1:%1").arg(port)},
                                     env, QJsonArray{}, dir.filePath("first.sock"));
        std::printf("run %d: app %.0f ms %.1f MiB (first frame %.0f ms), minimal window %.0f ms %.1f MiB\n",
                    i + 1, a.ms, a.peakMiB, first.ms, ref.ms, ref.peakMiB);
        appFirstMs.push_back(first.ms);
        appFirstCpuMs.push_back(first.cpuMs);
        if (a.ms < 0 || ref.ms < 0) {
            std::fprintf(stderr, "a run did not reach its first frame\n");
            continue;
        }
        appMs.push_back(a.ms);
        appMiB.push_back(a.peakMiB);
        refMs.push_back(ref.ms);
        refMiB.push_back(ref.peakMiB);
        appSettledMiB.push_back(a.settledPeakMiB);
        appCpuMs.push_back(a.cpuMs);
        refCpuMs.push_back(ref.cpuMs);
        refSettledMiB.push_back(ref.settledPeakMiB);
    }
    unit.terminate();
    unit.waitForFinished(20000);
    if (appMs.empty())
        return 1;
    const double a = median(appMs), r = median(refMs);
    std::printf("platform %s; median of %zu runs\n", qPrintable(env.value("QT_QPA_PLATFORM")), appMs.size());
    std::printf("start to filled status page: %.0f ms; minimal window first frame: %.0f ms; ratio %.2f\n", a,
                r, r > 0 ? a / r : 0.0);
    std::printf("app's own first frame (unit not yet shown): %.0f ms; ratio %.2f\n", median(appFirstMs),
                r > 0 ? median(appFirstMs) / r : 0.0);
    const double rc = median(refCpuMs);
    std::printf(
        "processor time by then: filled page %.0f ms, own first frame %.0f ms; minimal window %.0f ms; "
        "ratios %.2f and %.2f\n",
        median(appCpuMs), median(appFirstCpuMs), rc, rc > 0 ? median(appCpuMs) / rc : 0.0,
        rc > 0 ? median(appFirstCpuMs) / rc : 0.0);
    std::printf("peak RSS: app %.1f MiB; minimal window %.1f MiB; ratio %.2f\n", median(appMiB),
                median(refMiB), median(refMiB) > 0 ? median(appMiB) / median(refMiB) : 0.0);
    std::printf("peak RSS one second later: app %.1f MiB; minimal window %.1f MiB; ratio %.2f\n",
                median(appSettledMiB), median(refSettledMiB),
                median(refSettledMiB) > 0 ? median(appSettledMiB) / median(refSettledMiB) : 0.0);
    return 0;
}
