#pragma once
// Network fixtures for the sign-in tests ("testNet"): the node token server, a port that accepts connections
// and never answers, a port where nothing listens, and a record of the log to look for secrets in.

#include <QObject>
#include <QProcess>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>

#include <memory>
#include <vector>

// Records every log message (and passes it on), so tests can check what was logged.
void installLogRecorder();

// Network fixtures for the sign-in tests: the node token server, a port that
// accepts connections and never answers, and a port where nothing listens.
class TestNet : public QObject
{
    Q_OBJECT
public:
    ~TestNet() override;
    Q_INVOKABLE int startTokenServer(const QString& username, const QString& password);
    Q_INVOKABLE QStringList issuedTokens();
    Q_INVOKABLE int silentPort();
    Q_INVOKABLE int closedPort();
    // A port whose HTTP server answers every request with this status and JSON body.
    Q_INVOKABLE int fixedAnswerPort(int status, const QString& body);
    Q_INVOKABLE QString tokenServerOutput() const { return m_output; }
    Q_INVOKABLE void stopTokenServer();
    // Starts recording log messages (the test library replaces handlers as it runs).
    Q_INVOKABLE void recordLog() { installLogRecorder(); }
    // Whether any message recorded so far contains `text`.
    Q_INVOKABLE bool logContains(const QString& text) const;

private:
    std::unique_ptr<QProcess> m_node;
    QString m_output;
    QTcpServer m_silent;
    QTcpServer m_fixed;
    QByteArray m_fixedAnswer;
    std::vector<QTcpSocket*> m_held;
};
