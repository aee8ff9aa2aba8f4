// What `cmake --install` produces, run from a temporary prefix: the installed program, offscreen and in
// French, against the installed simulated unit. Everything it reads must come from the installed tree (or the
// system), nothing from the build or source tree, and it writes nothing into the installed tree.
#include <QCryptographicHash>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include "FreePorts.h"
#include "IsolatedEnvironment.h"
#include "UiProbeClient.h"

namespace {

const char* const kMarker = "[installed-config]";

// Path, size and content hash of every file under `root`.
QStringList snapshot(const QString& root)
{
    QStringList entries;
    QDirIterator it(root, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QString entry = QDir(root).relativeFilePath(path);
        QFile file(path);
        if (it.fileInfo().isFile() && file.open(QIODevice::ReadOnly))
            entry += " " + QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha1).toHex();
        entries << entry;
    }
    entries.sort();
    return entries;
}

// Files of the build or source tree that a running process has mapped (libraries, plug-ins, resources).
QStringList mappedFrom(qint64 pid, const QStringList& forbidden)
{
    QFile maps(QString("/proc/%1/maps").arg(pid));
    if (!maps.open(QIODevice::ReadOnly))
        return {"cannot read " + maps.fileName()};
    QStringList found;
    for (const QByteArray& line : maps.readAll().split('\n')) {
        for (const QString& tree : forbidden)
            if (line.contains(tree.toUtf8()) && !found.contains(QString::fromUtf8(line)))
                found << QString::fromUtf8(line);
    }
    return found;
}

} // namespace

class TestPackagingInstalled : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<QProcess> m_unit;
    std::unique_ptr<QProcess> m_app;
    QString m_prefix;
    QString m_build;
    QString m_source;
    QStringList m_forbidden;

    QString configPath() const { return m_prefix + "/share/vyra-control-app/CAlogger.properties"; }

    // The program's environment: isolated, and without any hint of where the build tree is.
    QProcessEnvironment environment() const
    {
        QProcessEnvironment env = isolatedEnvironment(m_dir.filePath("run"));
        for (const char* name : {"VYRA_BUILD_DIR", "VYRA_SOURCE_DIR", "LD_LIBRARY_PATH", "QT_PLUGIN_PATH",
                                 "QML2_IMPORT_PATH", "QML_IMPORT_PATH"})
            env.remove(name);
        return env;
    }

    static void stop(QProcess* process)
    {
        if (!process || process->state() == QProcess::NotRunning)
            return;
        process->terminate();
        if (!process->waitForFinished(30000)) {
            process->kill();
            process->waitForFinished();
        }
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_build = QDir(qEnvironmentVariable("VYRA_BUILD_DIR")).canonicalPath();
        m_source = QDir(qEnvironmentVariable("VYRA_SOURCE_DIR")).canonicalPath();
        QVERIFY2(!m_build.isEmpty() && !m_source.isEmpty(), "VYRA_BUILD_DIR and VYRA_SOURCE_DIR must be set");
        m_forbidden = QStringList{m_build, m_source};
        m_prefix = QDir(m_dir.path()).canonicalPath() + "/prefix";

        QProcess install;
        install.setProcessChannelMode(QProcess::MergedChannels);
        install.start(VYRA_CMAKE_COMMAND, {"--install", m_build, "--prefix", m_prefix});
        QVERIFY(install.waitForFinished(120000));
        QVERIFY2(install.exitCode() == 0, install.readAll().constData());
    }

    void cleanupTestCase()
    {
        stop(m_app.get());
        stop(m_unit.get());
    }

    void installedTreeHasWhatTheProgramNeeds()
    {
        QStringList bin = QDir(m_prefix + "/bin").entryList(QDir::Files);
        bin.sort();
        QCOMPARE(bin, QStringList({"VYRA_Control_App", "vyra_simulated_unit", "vyra_unit_check"}));
        QVERIFY(QFile::exists(configPath()));
        QVERIFY(QFile::exists(m_prefix + "/share/doc/vyra-control-app/copyright"));
        QVERIFY(QFile::exists(m_prefix + "/share/doc/vyra-control-app/README.md"));

        // No run path into the build tree (nor any at all: every library is a system one).
        QProcess readelf;
        readelf.start("readelf", {"--dynamic", m_prefix + "/bin/VYRA_Control_App"});
        QVERIFY(readelf.waitForFinished(30000));
        const QString dynamic = QString::fromLocal8Bit(readelf.readAllStandardOutput());
        QVERIFY2(dynamic.contains("NEEDED"), qPrintable(dynamic));
        QVERIFY2(!dynamic.contains("RPATH") && !dynamic.contains("RUNPATH"), qPrintable(dynamic));
    }

    void installedProgramRunsFromTheInstalledTreeOnly()
    {
        // Tag the installed logging configuration, so that its lines tell where it was read from.
        QFile config(configPath());
        QVERIFY(config.open(QIODevice::ReadOnly));
        QByteArray text = config.readAll();
        config.close();
        const QByteArray pattern = "log4cplus.appender.STDOUT.layout.ConversionPattern=";
        QVERIFY(text.contains(pattern));
        text.replace(pattern, pattern + kMarker + " ");
        QVERIFY(config.open(QIODevice::WriteOnly | QIODevice::Truncate));
        config.write(text);
        config.close();

        // The probe that reads the window is test equipment: copied out of the build tree like the rest.
        const QString plugins = m_dir.filePath("plugins/generic");
        QVERIFY(QDir().mkpath(plugins));
        QVERIFY(QFile::copy(VYRA_UI_PROBE_PLUGIN, plugins + "/libvyrauiprobe.so"));

        const QStringList before = snapshot(m_prefix);
        const QString work = m_dir.filePath("run");
        QVERIFY(QDir().mkpath(work));

        // A unit that has identified a film: it reports itself online once its start-up is played.
        QFile scenario(m_dir.filePath("scenario.json"));
        QVERIFY(scenario.open(QIODevice::WriteOnly));
        scenario.write(R"({"loop": false, "steps": [{"duration": 3600, "mediaIdState": "ident_success",
                          "motionCodeState": "available", "media": "The Godfather", "offset": 100}]})");
        scenario.close();

        const quint16 port = freeTcpPort();
        m_unit = std::make_unique<QProcess>();
        QProcess& unit = *m_unit;
        unit.setProcessEnvironment(environment());
        unit.setWorkingDirectory(work);
        unit.setProcessChannelMode(QProcess::MergedChannels);
        unit.start(m_prefix + "/bin/vyra_simulated_unit",
                   {"--bind", "127.0.0.1", "--port", QString::number(port), "--no-announce", "--key-file",
                    m_dir.filePath("unit-key.txt"), "--scenario", scenario.fileName()});
        QVERIFY(unit.waitForStarted(20000));
        QString unitOut;
        QTRY_VERIFY2_WITH_TIMEOUT((unitOut += QString::fromLocal8Bit(unit.readAll())).contains("listening"),
                                  qPrintable(unitOut), 30000);

        QProcessEnvironment env = environment();
        env.insert("LANGUAGE", "fr");
        env.insert("QT_PLUGIN_PATH", m_dir.filePath("plugins"));
        env.insert("QT_QPA_GENERIC_PLUGINS", "vyrauiprobe");
        env.insert("VYRA_UI_PROBE_SOCKET", m_dir.filePath("probe.sock"));
        m_app = std::make_unique<QProcess>();
        QProcess& app = *m_app;
        app.setProcessEnvironment(env);
        app.setWorkingDirectory(work);
        app.setProcessChannelMode(QProcess::MergedChannels);
        app.setStandardOutputFile(m_dir.filePath("app.log"));
        app.start(m_prefix + "/bin/VYRA_Control_App", {"-a", QString("127.0.0.1:%1").arg(port)});
        QVERIFY(app.waitForStarted(20000));

        UiProbeClient probe;
        QTRY_VERIFY_WITH_TIMEOUT(probe.connectTo(m_dir.filePath("probe.sock")), 60000);
        auto statusText = [&probe] {
            return probe.ask({{"cmd", "get"}, {"name", "controllerStatusText"}, {"prop", "text"}})
                .value("value")
                .toString();
        };
        QTRY_COMPARE_WITH_TIMEOUT(statusText(), QString("VYRA en ligne"), 60000);

        const QStringList appMapped = mappedFrom(app.processId(), m_forbidden);
        const QStringList unitMapped = mappedFrom(unit.processId(), m_forbidden);
        probe.disconnect();
        stop(&app);
        stop(&unit);
        QVERIFY2(appMapped.isEmpty(), qPrintable(appMapped.join('\n')));
        QVERIFY2(unitMapped.isEmpty(), qPrintable(unitMapped.join('\n')));
        QCOMPARE(app.exitCode(), 0);

        QFile logFile(m_dir.filePath("app.log"));
        QVERIFY(logFile.open(QIODevice::ReadOnly));
        const QString log = QString::fromLocal8Bit(logFile.readAll());
        QVERIFY2(log.contains(QString(kMarker) + " ") && log.contains("Successfully loaded translation."),
                 qPrintable(log));
        QVERIFY2(!log.contains("could not be read"), qPrintable(log));
        // The installed configuration's file appender writes into the user's data folder.
        QVERIFY(QFile::exists(work + "/home/data/Tavik/VYRA_Control_App/logs/VYRA_Control_App.log"));

        QCOMPARE(snapshot(m_prefix), before);
    }
};

QTEST_GUILESS_MAIN(TestPackagingInstalled)
#include "tst_packaging_installed.moc"
