#include "QuitOnSignal.h"

#include <QCoreApplication>
#include <QDebug>

#ifndef _WIN32
#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

#include "LogCategories.h"
#endif

namespace Ulmar {

#ifndef _WIN32
namespace {
int pipeFds[2] = {-1, -1};

void onSignal(int signalNumber)
{
    const int savedErrno = errno;
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    // Async-signal-safe; a full pipe just means a quit is already pending.
    [[maybe_unused]] const ssize_t written = ::write(pipeFds[1], &byte, 1);
    errno = savedErrno;
}
} // namespace
#endif

QuitOnSignal::QuitOnSignal(QObject* parent) : QObject(parent)
{
#ifndef _WIN32
    if (pipeFds[0] >= 0 || ::pipe(pipeFds) != 0) {
        qCWarning(lcApp) << "Signal handling for a clean shutdown is not available.";
        return;
    }
    for (int fd : pipeFds) {
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    }
    m_notifier = new QSocketNotifier(pipeFds[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &QuitOnSignal::onReadable);

    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
#endif
}

QuitOnSignal::~QuitOnSignal()
{
#ifndef _WIN32
    if (!m_notifier)
        return;
    struct sigaction action = {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
    delete m_notifier;
    m_notifier = nullptr;
    ::close(pipeFds[0]);
    ::close(pipeFds[1]);
    pipeFds[0] = pipeFds[1] = -1;
#endif
}

void QuitOnSignal::onReadable()
{
#ifndef _WIN32
    unsigned char byte = 0;
    int last = 0;
    while (::read(pipeFds[0], &byte, 1) == 1)
        last = byte;
    if (last == 0)
        return;
    qCInfo(lcApp) << "Signal" << last << "received, quitting.";
    emit signalReceived(last);
    QCoreApplication::quit();
#endif
}

} // namespace Ulmar
