#include "ThreadAffineDeleter.h"

#include <thread>

#include <QMetaObject>
#include <QThread>

namespace Ulmar {

namespace {
std::mutex g_mutex;
std::vector<QObject*> g_handedBack; // each deleted by its own thread
} // namespace

void ThreadAffineDeleter::destroy(QObject* object)
{
    if (!object)
        return;
    QThread* const home = object->thread();
    if (home == QThread::currentThread() || !home || home->isFinished()) {
        delete object;
        return;
    }
    std::lock_guard<std::mutex> lock(g_mutex);
    g_handedBack.push_back(object);
    // The wake-up goes to the object itself: it is delivered on its thread, and dropped with the object if a
    // drain deletes it first. Posted under the lock, before any drain can take the object.
    QMetaObject::invokeMethod(
        object, [] { drainCurrentThread(); }, Qt::QueuedConnection);
}

void ThreadAffineDeleter::drainCurrentThread()
{
    QThread* const here = QThread::currentThread();
    for (;;) {
        QObject* doomed = nullptr;
        {
            std::lock_guard<std::mutex> lock(g_mutex);
            for (auto it = g_handedBack.begin(); it != g_handedBack.end(); ++it) {
                if ((*it)->thread() == here) {
                    doomed = *it;
                    g_handedBack.erase(it);
                    break;
                }
            }
        }
        if (!doomed)
            return;
        delete doomed; // may hand back more (its members), picked up by the next turn
    }
}

void ThreadAffineDeleter::drainWhile(const std::function<bool()>& busy, std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        drainCurrentThread();
        if (!busy() || std::chrono::steady_clock::now() >= deadline)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    drainCurrentThread();
}

std::size_t ThreadAffineDeleter::pending()
{
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_handedBack.size();
}

} // namespace Ulmar
