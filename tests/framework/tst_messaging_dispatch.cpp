// The dispatch thread that runs handlers and observers: order, bounded backlog that keeps the newest state,
// rate-limited loss reports, shutdown from its own thread.

#include <QtTest>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>

#include "../../framework/messaging/DispatchQueue.h"
#include "MessagingTestSupport.h"

using Ulmar::Messaging::DispatchQueue;

class TestDispatch : public QObject
{
    Q_OBJECT

private slots:
    void tasksRunInOrderOffTheCallerThread();
    void backlogOfMessagesIsBounded();
    void snapshotsKeepOnlyTheNewestInOrder();
    void lossesAreReportedOncePerSecondAtMost();
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

namespace {
// Holds the queue's thread until released, so that a backlog builds up. The state is shared with the task:
// the thread may still look at it after the gate itself is gone.
class Gate
{
public:
    explicit Gate(DispatchQueue& queue) : m_state(std::make_shared<State>())
    {
        queue.post([state = m_state] {
            std::unique_lock<std::mutex> lock(state->mutex);
            state->cv.wait(lock, [&state] { return state->open; });
        });
    }
    ~Gate() { open(); }
    void open()
    {
        {
            std::lock_guard<std::mutex> lock(m_state->mutex);
            m_state->open = true;
        }
        m_state->cv.notify_all();
    }

private:
    struct State
    {
        std::mutex mutex;
        std::condition_variable cv;
        bool open = false;
    };
    std::shared_ptr<State> m_state;
};

} // namespace

void TestDispatch::backlogOfMessagesIsBounded()
{
    std::mutex mutex;
    std::vector<std::size_t> ran;
    std::atomic<int> events{0};
    DispatchQueue queue;
    // Outside the gate's block: the tasks read it once the gate opens.
    const std::size_t posted = DispatchQueue::kMaxBacklogMessages + 50;
    {
        Gate gate(queue);
        // Keyless messages all count: beyond the budget the oldest go, so the newest are the ones kept.
        for (std::size_t i = 0; i < posted; ++i)
            QVERIFY(queue.postMessage(
                [&, i] {
                    std::lock_guard<std::mutex> lock(mutex);
                    ran.push_back(i);
                },
                1));
        queue.post([&] { ++events; }); // connection events are never dropped
        // The byte budget too: one big body pushes out as many small ones as it needs.
        QVERIFY(queue.postMessage(
            [&] {
                std::lock_guard<std::mutex> lock(mutex);
                ran.push_back(posted);
            },
            DispatchQueue::kMaxBacklogBytes - 5));
        // A single body over the byte budget never fits.
        QVERIFY(!queue.postMessage([&] { ++events; }, DispatchQueue::kMaxBacklogBytes + 1));
        queue.post([&] { ++events; }); // runs after everything kept above
    }
    QTRY_COMPARE_WITH_TIMEOUT(events.load(), 2, 10000);
    std::lock_guard<std::mutex> lock(mutex);
    QCOMPARE(ran.size(), std::size_t(6));
    for (std::size_t i = 0; i < ran.size(); ++i)
        QCOMPARE(ran[i], DispatchQueue::kMaxBacklogMessages + 45 + i);
}

void TestDispatch::snapshotsKeepOnlyTheNewestInOrder()
{
    std::mutex mutex;
    std::vector<std::string> ran;
    auto record = [&](std::string what) {
        return [&, what] {
            std::lock_guard<std::mutex> lock(mutex);
            ran.push_back(what);
        };
    };
    std::atomic<bool> done{false};
    DispatchQueue queue;
    {
        Gate gate(queue);
        // Not behind yet: both wait.
        queue.postMessage(record("A-1"), 10, "A");
        queue.postMessage(record("A-2"), 10, "A");
        for (std::size_t i = 2; i < DispatchQueue::kLatestOnlyBacklog; ++i)
            queue.postMessage([] {}, 10);
        // Behind: only the newest of each state (A-2 was the newest A waiting).
        queue.postMessage(record("A0"), 10, "A");
        queue.postMessage(record("answer1"), 10);
        queue.postMessage(record("B0"), 10, "B");
        for (int i = 1; i <= 100000; ++i)
            queue.postMessage(record("A" + std::to_string(i)), 10, "A");
        queue.postMessage(record("answer2"), 10);
        queue.postMessage(record("B1"), 10, "B");
        queue.post([&] { done = true; });
    }
    QTRY_VERIFY_WITH_TIMEOUT(done.load(), 10000);
    std::lock_guard<std::mutex> lock(mutex);
    // Every answer is kept; each state once, at the place of its newest message.
    QCOMPARE(ran, (std::vector<std::string>{"A-1", "answer1", "A100000", "answer2", "B1"}));
}

void TestDispatch::lossesAreReportedOncePerSecondAtMost()
{
    WarningLog log;
    QElapsedTimer clock;
    clock.start();
    {
        DispatchQueue queue;
        // A handler that cannot keep up with a flood lasting about 2.5 s.
        while (clock.elapsed() < 2500) {
            for (int i = 0; i < 1000; ++i)
                queue.postMessage([] { std::this_thread::sleep_for(std::chrono::microseconds(200)); }, 1,
                                  "S");
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        // What was lost at the end is reported too, once the interval is over.
        QTest::qWait(1500);
    }
    const auto lines = log.lines(QStringLiteral("handlers are behind"));
    QVERIFY2(lines.size() >= 2 && lines.size() <= 5, QByteArray::number(int(lines.size())));
    for (std::size_t i = 1; i < lines.size(); ++i)
        QVERIFY(lines[i].first - lines[i - 1].first >= 950);
    QVERIFY(lines.front().second.contains(QStringLiteral("notifications replaced by newer ones")));
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
