// vyra_simulated_unit: a VYRA unit in software, for demos and for trying the application without hardware.
#include <algorithm>
#include <atomic>
#include <csignal>
#include <memory>

#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>
#include <QTimer>
#include <QUrl>

#include "KeyFile.h"
#include "KeyPinStore.h"
#include "MediaLibrary.h"
#include "Scenario.h"
#include "SimulatedLibraryService.h"
#include "SimulatedUnit.h"
#include "UnitBodies.h"

using namespace Ulmar::Simulator;

namespace {

std::atomic<bool> g_quit{false};

void onSignal(int)
{
    g_quit = true;
}

bool parsePort(const QString& text, quint16* out, bool allowZero)
{
    bool ok = false;
    const int v = text.toInt(&ok);
    if (!ok || v < (allowZero ? 0 : 1) || v > 65535)
        return false;
    *out = quint16(v);
    return true;
}

[[noreturn]] void fail(const QString& message)
{
    qCritical("vyra_simulated_unit: %s", qPrintable(message));
    std::exit(2);
}

} // namespace

int main(int argc, char* argv[])
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    // Posters are drawn with QPainter, which needs a platform plugin; a server has no display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
#endif
    QGuiApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vyra_simulated_unit"));
    QCoreApplication::setApplicationVersion(QStringLiteral("1.0"));
    qSetMessagePattern(QStringLiteral("%{time hh:mm:ss.zzz} %{if-warning}warning: %{endif}"
                                      "%{if-critical}error: %{endif}%{message}"));

    const UnitConfig defaults;
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("A simulated VYRA unit: announces itself, accepts the "
                       "control application's connections and plays a scenario."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption name({"n", "name"}, "Unit name (default: VYRA Living Room).", "name",
                                  defaults.name);
    const QCommandLineOption bind("bind", "Address to listen on (default: 127.0.0.1).", "address",
                                  defaults.bindAddress);
    const QCommandLineOption port(
        {"p", "port"}, QString("Port to listen on, 0 for any free port (default: %1).").arg(defaults.port),
        "port", QString::number(defaults.port));
    const QCommandLineOption announceAddress("announce-address",
                                             "Where announcements go: a host, or a broadcast address such as "
                                             "192.168.1.255 on a real LAN (default: 127.0.0.1).",
                                             "address", defaults.announceAddress);
    // VYRA_DISCOVERY_PORT moves discovery as it does for the application; --announce-port still wins.
    quint16 discoveryPort = defaults.announcePort;
    parsePort(qEnvironmentVariable("VYRA_DISCOVERY_PORT"), &discoveryPort, false);
    const QCommandLineOption announcePort(
        "announce-port",
        QString("Discovery port (default: VYRA_DISCOVERY_PORT when set, else %1).")
            .arg(defaults.announcePort),
        "port", QString::number(discoveryPort));
    const QCommandLineOption noAnnounce("no-announce", "Do not announce (applications must name the host).");
    const QCommandLineOption service("service", "Service name announced (default: VYRA).", "name",
                                     defaults.serviceName);
    const QCommandLineOption seats("seats", "Number of seats, 0 to 64 (default: 4).", "n",
                                   QString::number(defaults.seatCount));
    const QCommandLineOption library("library", "Film list in the shipped JSON format.", "file");
    const QCommandLineOption librarySize("library-size",
                                         "N generated titles instead of the film list (load tests).", "n");
    const QCommandLineOption scenario(
        "scenario", "Scenario file (JSON, see README.md) replacing the built-in one.", "file");
    const QCommandLineOption noScenario("no-scenario", "Stay in the initial state; play nothing.");
    const QCommandLineOption timeScale(
        "time-scale", "Multiplies every scenario duration (0.1: ten times faster).", "factor", "1");
    const QCommandLineOption plain("plain",
                                   "No encryption (default: CURVE with the key pair of --key-file).");
    const QCommandLineOption keyFile(
        "key-file", "Key pair file, created at first start (default: unit-key.txt in the data folder).",
        "path");
    const QCommandLineOption newKey("new-key",
                                    "Replace the key pair of the key file with a new one, as after a factory "
                                    "reset (applications that know the unit refuse it until their user "
                                    "accepts the new key).");
    const QCommandLineOption noUnitId("no-unit-id",
                                      "Announce no unit id, as older units do (applications then know the "
                                      "unit by its name and address).");
    const QCommandLineOption serviceUri(
        "service-uri",
        "Library service address reported to applications (default: the built-in library service's).", "url");
    const QCommandLineOption libraryServicePort(
        "library-service-port",
        "Port of the built-in library service on 127.0.0.1, 0 for any free port (default: 12750; a free "
        "one when it is taken).",
        "port", QString::number(SimulatedLibraryService::DefaultPort));
    const QCommandLineOption noLibraryService("no-library-service",
                                              "Do not start the built-in library service.");
    const QCommandLineOption verbose("verbose", "Also log the once-a-second playback notifications.");
    QString faultHelp =
        QStringLiteral("Break a rule of the protocol on purpose (repeatable), to try a checker:");
    for (const auto& fault : SimulatedUnit::faultNames())
        faultHelp += QStringLiteral(" %1 (%2);").arg(fault.first, fault.second);
    faultHelp.chop(1);
    const QCommandLineOption fault("fault", faultHelp, "name");
    const QCommandLineOption commandLog(
        "command-log",
        "Append every message received to FILE, one JSON line each: {\"type\": ..., \"body\": ...} with the "
        "body as received, Wi-Fi keys, tokens and passwords replaced by \"***\" (for tests).",
        "file");
    const QCommandLineOption reportDelay("report-delay",
                                         "Apply a command at once but send what it causes MS later "
                                         "(0 to 60000, default 0).",
                                         "ms", "0");
    parser.addOptions(
        {name,       bind,        port,        announceAddress, announcePort,       noAnnounce,       service,
         seats,      library,     librarySize, scenario,        noScenario,         timeScale,        plain,
         keyFile,    newKey,      noUnitId,    serviceUri,      libraryServicePort, noLibraryService, verbose,
         commandLog, reportDelay, fault});
    parser.process(app);

    UnitConfig config;
    config.name = parser.value(name).trimmed();
    if (config.name.isEmpty() || config.name.size() > Limits::NameMaxChars)
        fail(QStringLiteral("--name must be 1 to %1 characters").arg(Limits::NameMaxChars));
    config.serviceName = parser.value(service);
    config.bindAddress = parser.value(bind);
    config.announceAddress = parser.value(announceAddress);
    config.announce = !parser.isSet(noAnnounce);
    if (!parsePort(parser.value(port), &config.port, true))
        fail(QStringLiteral("--port must be 0 to 65535"));
    if (!parsePort(parser.value(announcePort), &config.announcePort, false))
        fail(QStringLiteral("--announce-port must be 1 to 65535"));
    bool ok = false;
    config.seatCount = parser.value(seats).toInt(&ok);
    if (!ok || config.seatCount < 0 || config.seatCount > 64)
        fail(QStringLiteral("--seats must be 0 to 64"));
    config.timeScale = parser.value(timeScale).toDouble(&ok);
    if (!ok || !(config.timeScale > 0) || config.timeScale > 1000)
        fail(QStringLiteral("--time-scale must be above 0 and at most 1000"));
    if (parser.isSet(serviceUri)) {
        config.serviceUri = parser.value(serviceUri);
        // The application builds its sign-in request from the scheme and what follows "://".
        const QUrl uri(config.serviceUri, QUrl::StrictMode);
        if (!uri.isValid() ||
            (uri.scheme() != QLatin1String("http") && uri.scheme() != QLatin1String("https")) ||
            uri.host().isEmpty())
            fail(QStringLiteral("--service-uri must be an http:// or https:// address"));
    }
    LibraryServiceConfig serviceConfig;
    if (!parsePort(parser.value(libraryServicePort), &serviceConfig.port, true))
        fail(QStringLiteral("--library-service-port must be 0 to 65535"));
    config.runScenario = !parser.isSet(noScenario);
    for (const QString& name : parser.values(fault)) {
        const auto& known = SimulatedUnit::faultNames();
        if (std::none_of(known.begin(), known.end(), [&](const auto& f) { return f.first == name; }))
            fail(QStringLiteral("unknown --fault %1").arg(name));
        config.faults << name;
    }
    // A long-running unit keeps only a short history of what it received.
    config.commandLogCapacity = 100;
    config.reportDelayMs = parser.value(reportDelay).toInt(&ok);
    if (!ok || config.reportDelayMs < 0 || config.reportDelayMs > 60000)
        fail(QStringLiteral("--report-delay must be 0 to 60000"));
    std::unique_ptr<QFile> commandFile;
    if (parser.isSet(commandLog)) {
        commandFile = std::make_unique<QFile>(parser.value(commandLog));
        if (!commandFile->open(QIODevice::WriteOnly | QIODevice::Append) ||
            !commandFile->setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner))
            fail(QStringLiteral("cannot write the command log %1: %2")
                     .arg(parser.value(commandLog), commandFile->errorString()));
    }

    config.encrypted = !parser.isSet(plain);
    if (config.encrypted) {
        QString path = parser.value(keyFile);
        if (path.isEmpty())
            path = QDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation))
                       .filePath(QStringLiteral("unit-key.txt"));
        KeyFile keys;
        QString error;
        if (!(parser.isSet(newKey) ? KeyFile::renew(path, &keys, &error)
                                   : KeyFile::loadOrCreate(path, &keys, &error)))
            fail(error);
        config.publicKey = keys.publicKey;
        config.secretKey = keys.secretKey;
        if (!parser.isSet(noUnitId))
            config.unitId = keys.unitId;
        qInfo("Key pair from %s%s", qPrintable(QDir::toNativeSeparators(path)),
              parser.isSet(newKey) ? " (new)" : "");
    } else if (parser.isSet(newKey)) {
        fail(QStringLiteral("--new-key needs encryption (leave out --plain)"));
    }

    // Started before the unit, which reports its address. A taken port (another unit's service, a test run
    // beside this one) never stops the unit: the service moves to a free port.
    std::unique_ptr<SimulatedLibraryService> libraryService;
    if (!parser.isSet(noLibraryService)) {
        libraryService = std::make_unique<SimulatedLibraryService>(serviceConfig);
        QString error;
        if (!libraryService->start(&error) && serviceConfig.port != 0) {
            qWarning("%s; using a free port instead", qPrintable(error));
            serviceConfig.port = 0;
            libraryService = std::make_unique<SimulatedLibraryService>(serviceConfig);
            libraryService->start(&error);
        }
        if (libraryService->isListening()) {
            // Not even the demo password goes to the log: the log is checked for passwords.
            qInfo("Library service on %s (any user name, the demo password of README.md)",
                  qPrintable(libraryService->uri()));
            if (!parser.isSet(serviceUri))
                config.serviceUri = libraryService->uri();
        } else {
            qWarning("%s; no library service", qPrintable(error));
            libraryService.reset();
        }
    }

    SimulatedUnit unit(config);
    if (parser.isSet(library) && parser.isSet(librarySize))
        fail(QStringLiteral("--library and --library-size exclude each other"));
    if (parser.isSet(library)) {
        MediaLibrary lib;
        QString error;
        if (!MediaLibrary::fromFile(parser.value(library), &lib, &error))
            fail(error);
        unit.setLibrary(std::move(lib));
    } else if (parser.isSet(librarySize)) {
        const int n = parser.value(librarySize).toInt(&ok);
        // The whole library travels in one message, and applications refuse messages above 16 MiB.
        if (!ok || n < 0 || n > 100000)
            fail(QStringLiteral("--library-size must be 0 to 100000"));
        unit.setLibrary(MediaLibrary::generated(n));
    }
    if (parser.isSet(scenario)) {
        Scenario s;
        QString error;
        if (!Scenario::fromFile(parser.value(scenario), &s, &error))
            fail(error);
        unit.setScenario(std::move(s));
    }

    if (commandFile) {
        QObject::connect(
            &unit, &SimulatedUnit::commandReceived,
            [file = commandFile.get()](const QString& type, const QByteArray& body) {
                const QJsonObject line{
                    {QStringLiteral("type"), type},
                    {QStringLiteral("body"), QString::fromStdString(UnitBodies::masked(body.toStdString()))}};
                // Whole lines, flushed at once: a reader never sees half a command.
                file->write(QJsonDocument(line).toJson(QJsonDocument::Compact) + '\n');
                file->flush();
            });
    }
    const bool logPeriodic = parser.isSet(verbose);
    QObject::connect(&unit, &SimulatedUnit::messageReceived,
                     [](const QString& peer, const QString& type, const QString& summary) {
                         qInfo("<- %s %s %s", qPrintable(peer.left(10)),
                               qPrintable(UnitBodies::printable(type, 80)), qPrintable(summary));
                     });
    QObject::connect(
        &unit, &SimulatedUnit::messageSent,
        [logPeriodic](const QString& peer, const QString& type, const QString& summary, bool periodic) {
            if (periodic && !logPeriodic)
                return;
            qInfo("-> %s %s %s", qPrintable(peer.left(10)), qPrintable(UnitBodies::printable(type, 80)),
                  qPrintable(summary));
        });
    QObject::connect(&unit, &SimulatedUnit::peerConnected, [](const QString& peer) {
        qInfo("Application %s connected", qPrintable(peer.left(10)));
    });
    QObject::connect(&unit, &SimulatedUnit::peerGone,
                     [](const QString& peer) { qInfo("Application %s gone", qPrintable(peer.left(10))); });

    QString error;
    if (!unit.start(&error))
        fail(error);
    qInfo("VYRA unit \"%s\" listening on %s:%u (%s), %d seats, %d titles", qPrintable(config.name),
          qPrintable(config.bindAddress), unsigned(unit.port()), config.encrypted ? "encrypted" : "plain",
          config.seatCount, unit.library().size());
    if (config.encrypted) {
        qInfo("Public key %s", qPrintable(config.publicKey));
        // What applications show when the unit's key changed: compare it with theirs.
        qInfo("Key fingerprint %s",
              Ulmar::Messaging::KeyPinStore::fingerprint(config.publicKey.toStdString()).c_str());
        if (!config.unitId.isEmpty())
            qInfo("Unit id %s", qPrintable(config.unitId));
    }
    qInfo("Library service address reported: %s", qPrintable(config.serviceUri));
    if (!config.faults.isEmpty())
        qWarning("Breaking the protocol on purpose: %s",
                 qPrintable(config.faults.join(QStringLiteral(", "))));
    if (config.announce)
        qInfo("Announcing service \"%s\" to %s:%u", qPrintable(config.serviceName),
              qPrintable(config.announceAddress), unsigned(config.announcePort));

    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    QTimer quitPoll;
    QObject::connect(&quitPoll, &QTimer::timeout, [&]() {
        if (g_quit)
            app.quit();
    });
    quitPoll.start(200);
    const int rc = app.exec();
    unit.stop();
    libraryService.reset();
    qInfo("Unit stopped");
    return rc;
}
