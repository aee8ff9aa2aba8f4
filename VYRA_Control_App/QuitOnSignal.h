#pragma once

#include <QObject>

class QSocketNotifier;

namespace Ulmar {

// Turns SIGTERM and SIGINT into a normal QCoreApplication::quit(), so that the shutdown sequence runs and
// the logs are flushed. The signal handler only writes one byte into a pipe; the quit happens on the
// thread of this object when the event loop sees the byte. One instance per process.
class QuitOnSignal : public QObject
{
    Q_OBJECT

public:
    explicit QuitOnSignal(QObject* parent = nullptr);
    ~QuitOnSignal() override;

    bool isInstalled() const { return m_notifier != nullptr; }

signals:
    void signalReceived(int signalNumber);

private:
    void onReadable();

    QSocketNotifier* m_notifier = nullptr;
};

} // namespace Ulmar
