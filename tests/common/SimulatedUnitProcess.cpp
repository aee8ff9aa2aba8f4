#include "SimulatedUnitProcess.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QtTest>

#include "FreePorts.h"

namespace {

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

SimulatedUnitProcess::SimulatedUnitProcess(const QString& folder, const QProcessEnvironment& environment,
                                           quint16 discoveryPort)
    : m_folder(folder), m_environment(environment), m_discoveryPort(discoveryPort)
{
    QDir().mkpath(folder);
}

SimulatedUnitProcess::~SimulatedUnitProcess()
{
    stop();
}

bool SimulatedUnitProcess::start(const QStringList& arguments, bool announce)
{
    stop();
    m_announce = announce;
    const int portAt = arguments.indexOf("--port");
    if (portAt >= 0 && portAt + 1 < arguments.size())
        m_port = quint16(arguments.at(portAt + 1).toUInt());
    else if (m_port == 0)
        m_port = freeTcpPort();
    if (m_port == 0)
        return false;
    QStringList args = arguments;
    const auto add = [&](const QString& option, const QString& value) {
        if (!arguments.contains(option))
            args << option << value;
    };
    add("--bind", "127.0.0.1");
    add("--port", QString::number(m_port));
    add("--key-file", QDir(m_folder).filePath("unit-key.txt"));
    add("--command-log", QDir(m_folder).filePath("commands.jsonl"));
    // Never the built-in service's usual port: tests run side by side.
    add("--library-service-port", "0");
    if (announce && m_discoveryPort != 0) {
        add("--announce-address", "127.0.0.1");
        add("--announce-port", QString::number(m_discoveryPort));
    } else if (!args.contains("--no-announce")) {
        args << "--no-announce";
    }

    const qint64 logFrom = readAll(QDir(m_folder).filePath("unit.log")).size();
    m_process = std::make_unique<QProcess>();
    m_process->setProcessEnvironment(m_environment);
    m_process->setProcessChannelMode(QProcess::MergedChannels);
    // To a file: an unread pipe would fill up and stall the unit.
    m_process->setStandardOutputFile(QDir(m_folder).filePath("unit.log"), QIODevice::Append);
    m_process->start(qEnvironmentVariable("VYRA_BUILD_DIR") + "/bin/vyra_simulated_unit", args);
    if (!m_process->waitForStarted(20000))
        return false;
    QDeadlineTimer deadline(20000);
    while (!deadline.hasExpired() && m_process->state() == QProcess::Running) {
        if (log().mid(int(logFrom)).contains("listening"))
            return true;
        QTest::qWait(20);
    }
    return false;
}

bool SimulatedUnitProcess::restart(const QStringList& arguments)
{
    return start(arguments, m_announce);
}

void SimulatedUnitProcess::stop()
{
    if (!m_process)
        return;
    if (m_process->state() != QProcess::NotRunning) {
        m_process->terminate();
        if (!m_process->waitForFinished(20000)) {
            m_process->kill();
            m_process->waitForFinished();
        }
    }
    m_process.reset();
}

bool SimulatedUnitProcess::isRunning() const
{
    return m_process && m_process->state() == QProcess::Running;
}

QString SimulatedUnitProcess::log() const
{
    return QString::fromLocal8Bit(readAll(QDir(m_folder).filePath("unit.log")));
}

QStringList SimulatedUnitProcess::fingerprints() const
{
    QStringList out;
    auto it = QRegularExpression(QStringLiteral("Key fingerprint ([0-9a-f]{4}(?: [0-9a-f]{4}){7})"))
                  .globalMatch(log());
    while (it.hasNext())
        out << it.next().captured(1);
    return out;
}

QVector<SimulatedUnitProcess::Command> SimulatedUnitProcess::commands(int since) const
{
    QVector<Command> out;
    const QList<QByteArray> lines = readAll(QDir(m_folder).filePath("commands.jsonl")).split('\n');
    for (const QByteArray& line : lines) {
        // The unit writes whole lines; the last, empty piece follows the final newline.
        if (line.isEmpty())
            continue;
        const QJsonObject o = QJsonDocument::fromJson(line).object();
        out.append({o.value("type").toString(), o.value("body").toString()});
    }
    return out.mid(since);
}
