// Objects shared with messaging threads die on their own thread, whichever thread lets go last.

#include <QtTest>

#include <atomic>
#include <thread>

#include "MediaListVirtualModel.h"
#include "ThreadAffineDeleter.h"

using Ulmar::ThreadAffineDeleter;

namespace {
std::atomic<QThread*> g_destroyedOn{nullptr};

class Probe : public QObject
{
public:
    ~Probe() override { g_destroyedOn = QThread::currentThread(); }
};

// Lets a plain thread hold the last reference and drop it.
template <typename T> void releaseOnAnotherThread(std::shared_ptr<T>& owner)
{
    std::shared_ptr<T> held = owner;
    owner.reset();
    std::thread([held = std::move(held)]() mutable { held.reset(); }).join();
}
} // namespace

class TestThreadAffinity : public QObject
{
    Q_OBJECT

private slots:
    void init() { g_destroyedOn = nullptr; }

    void releasedOnItsOwnThreadDiesAtOnce()
    {
        auto probe = ThreadAffineDeleter::make<Probe>();
        probe.reset();
        QCOMPARE(g_destroyedOn.load(), QThread::currentThread());
    }

    void releasedElsewhereDiesOnItsOwnThread()
    {
        auto probe = ThreadAffineDeleter::make<Probe>();
        releaseOnAnotherThread(probe);
        QVERIFY(!g_destroyedOn.load()); // not on the thread that let go
        QCOMPARE(ThreadAffineDeleter::pending(), std::size_t(1));
        QTRY_COMPARE(g_destroyedOn.load(), QThread::currentThread()); // the event loop's next turn
        QCOMPARE(ThreadAffineDeleter::pending(), std::size_t(0));
    }

    void drainWorksWithoutAnEventLoop()
    {
        auto model = ThreadAffineDeleter::make<Ulmar::Messaging::MediaListVirtualModel>();
        QPointer<QObject> watched(model.get());
        auto probe = ThreadAffineDeleter::make<Probe>();
        releaseOnAnotherThread(model);
        releaseOnAnotherThread(probe);
        QVERIFY(watched);
        // The way start-up ends: wait while others may still let go, deleting what comes back.
        std::atomic<int> rounds{0};
        ThreadAffineDeleter::drainWhile([&] { return ++rounds < 3; }, std::chrono::seconds(5));
        QVERIFY(!watched);
        QCOMPARE(g_destroyedOn.load(), QThread::currentThread());
        QCOMPARE(ThreadAffineDeleter::pending(), std::size_t(0));
    }
};

QTEST_MAIN(TestThreadAffinity)
#include "tst_app_threadaffinity.moc"
