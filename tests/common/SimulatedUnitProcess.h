#pragma once

#include <memory>

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QVector>

// One vyra_simulated_unit run by a test on 127.0.0.1, in a folder of its own: its key file, its log and the
// log of every command it received. It keeps its port, key file and command log across restarts, as a real
// unit keeps its address.
class SimulatedUnitProcess
{
public:
    // A message the unit received: its type and its body as it arrived, except that Wi-Fi keys, tokens and
    // passwords in it read "***" (the unit masks them in its command log).
    struct Command
    {
        QString type;
        QString body;
    };

    // `discoveryPort`: where the unit announces itself when asked to (0: it never announces).
    SimulatedUnitProcess(const QString& folder, const QProcessEnvironment& environment,
                         quint16 discoveryPort);
    ~SimulatedUnitProcess();
    SimulatedUnitProcess(const SimulatedUnitProcess&) = delete;
    SimulatedUnitProcess& operator=(const SimulatedUnitProcess&) = delete;

    // Starts the unit with the test's arguments (name, seats, scenario, --report-delay, ...) and waits until
    // it listens. Bind address, port, key file, library service port and command log are the fixture's
    // unless the arguments name them.
    bool start(const QStringList& arguments, bool announce = false);
    // Stops it and starts it again on the same port with other arguments (say --new-key).
    bool restart(const QStringList& arguments);
    void stop();
    bool isRunning() const;

    quint16 port() const { return m_port; }
    QString address() const { return QStringLiteral("127.0.0.1:%1").arg(m_port); }
    QString folder() const { return m_folder; }
    // Everything the unit printed, across restarts.
    QString log() const;
    // The key fingerprints the unit printed, oldest first (one per start).
    QStringList fingerprints() const;
    // Every command received, from the `since`-th on (a mark taken with commandCount()).
    QVector<Command> commands(int since = 0) const;
    int commandCount() const { return commands().size(); }

private:
    QString m_folder;
    QProcessEnvironment m_environment;
    quint16 m_discoveryPort = 0;
    quint16 m_port = 0;
    bool m_announce = false;
    std::unique_ptr<QProcess> m_process;
};
