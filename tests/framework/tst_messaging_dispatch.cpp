// The dispatch thread that runs handlers and observers: order, bounded backlog, shutdown from its own thread.

#include <QtTest>

#include <atomic>
#include <condition_variable>
#include <mutex>

#include "../../framework/messaging/DispatchQueue.h"

using Ulmar::Messaging::DispatchQueue;

class TestDispatch : public QObject
{
    Q_OBJECT

private slots:
    void tasksRunInOrderOffTheCallerThread();
    void backlogOfMessagesIsBounded();
    void destroyedFromItsOwnTask();
};

void TestDispatch::tasksRunInOrderOffTheCallerThread()
{
    std::vector<int> order;
    std::vector<std::thread::id> threads;
    {
        DispatchQueue queue;
        for (int i = 0; i < 100; ++i) {
            // Events and messages share one order.
            auto task = [&order, &threads, i] {
                order.push_back(i);
                threads.push_back(std::this_thread::get_id());
            };
            if (i % 2)
                queue.post(task);
            else
                QVERIFY(queue.postMessage(task, 10));
        }
    } // the destructor runs what is queued
    QCOMPARE(order.size(), std::size_t(100));
    for (int i = 0; i < 100; ++i)
        QCOMPARE(order[static_cast<std::size_t>(i)], i);
    for (const auto& id : threads)
        QVERIFY(id != std::this_thread::get_id());
}

void TestDispatch::backlogOfMessagesIsBounded()
{
    std::mutex mutex;
    std::condition_variable cv;
    bool release = false;
    std::atomic<int> ran{0};
    DispatchQueue queue;
    queue.post([&] {
        std::unique_lock<std::mutex> lock(mutex);
        cv.wait(lock, [&] { return release; });
    });
    std::size_t accepted = 0;
    for (std::size_t i = 0; i < DispatchQueue::kMaxBacklogMessages + 50; ++i)
        accepted += queue.postMessage([&] { ++ran; }, 1) ? 1 : 0;
    QCOMPARE(accepted, DispatchQueue::kMaxBacklogMessages);
    queue.post([&] { ++ran; }); // connection events are never dropped
    {
        std::lock_guard<std::mutex> lock(mutex);
        release = true;
    }
    cv.notify_all();
    QTRY_COMPARE_WITH_TIMEOUT(ran.load(), int(DispatchQueue::kMaxBacklogMessages) + 1, 10000);

    // Once drained, the queue accepts again; a single body over the byte budget never fits.
    QVERIFY(queue.postMessage([&] { ++ran; }, 16));
    QVERIFY(!queue.postMessage([&] { ++ran; }, DispatchQueue::kMaxBacklogBytes + 1));
}

void TestDispatch::destroyedFromItsOwnTask()
{
    auto queue = std::make_shared<DispatchQueue>();
    std::atomic<bool> done{false};
    std::atomic<bool> laterRan{false};
    std::weak_ptr<DispatchQueue> weak = queue;
    auto holder = std::make_shared<std::shared_ptr<DispatchQueue>>(queue);
    queue.reset();
    std::atomic<bool> go{false};
    (*holder)->post([holder, &done, &go] {
        while (!go)
            std::this_thread::yield();
        holder->reset(); // the last owner lets go on the queue's own thread: no self-join
        done = true;
    });
    // Queued behind it: its owner is gone by the time it would run, so it must not run.
    (*holder)->post([&laterRan] { laterRan = true; });
    go = true;
    QTRY_VERIFY_WITH_TIMEOUT(done.load(), 5000);
    QVERIFY(weak.expired());
    QTest::qWait(100);
    QVERIFY(!laterRan.load());
}

QTEST_GUILESS_MAIN(TestDispatch)
#include "tst_messaging_dispatch.moc"
