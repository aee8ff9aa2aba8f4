// The hand-over from callers to the messenger's I/O thread on its own: a send skips the queue only when
// nothing is ahead of it, queued sends are bounded between two takes, order holds across threads, and a
// non-empty queue always has a wake-up pending.

#include <QtTest>

#include <atomic>
#include <map>
#include <thread>
#include <vector>

#include <zmq.hpp>

#include "../../framework/messaging/CommandQueue.h"
#include "MessagingTestSupport.h"

using Ulmar::Messaging::CommandQueue;
using Ulmar::Messaging::IMessage;
using Ulmar::Messaging::LinkCommand;

namespace {
// Wake-up frames waiting for the I/O thread, taken.
int takeWakeups(CommandQueue& queue)
{
    int count = 0;
    zmq::message_t frame;
    while (queue.wakeSocket().recv(frame, zmq::recv_flags::dontwait))
        ++count;
    return count;
}
} // namespace

class TestCommandQueue : public QObject
{
    Q_OBJECT

private slots:
    void directSendWaitsForCommandsAheadAndQueueIsBounded();
    void concurrentSendsKeepEachCallersOrder();
};

void TestCommandQueue::directSendWaitsForCommandsAheadAndQueueIsBounded()
{
    zmq::context_t context(1);
    CommandQueue queue(context, 3);
    int directCalls = 0;
    bool directTakes = true;
    bool inputWaiting = false;
    const auto direct = [&](const IMessage&, bool& wakeIo) {
        ++directCalls;
        wakeIo = inputWaiting;
        return directTakes;
    };

    // Nothing ahead: the caller sends itself, and the I/O thread sleeps on.
    QVERIFY(queue.send(makeMessage("A"), false, direct));
    QCOMPARE(directCalls, 1);
    QCOMPARE(takeWakeups(queue), 0);
    QVERIFY(queue.takeAll().empty());
    // ... unless the send took the socket's notice of a message that arrived.
    inputWaiting = true;
    QVERIFY(queue.send(makeMessage("B"), false, direct));
    QCOMPARE(takeWakeups(queue), 1);
    inputWaiting = false;

    // A command ahead: sends queue behind it, three at most; the command does not count.
    queue.post(LinkCommand{LinkCommand::Connect, nullptr, {}, 3000});
    std::vector<std::shared_ptr<IMessage>> sent;
    for (int i = 0; i < 3; ++i) {
        sent.push_back(makeMessage("S" + std::to_string(i)));
        QVERIFY(queue.send(sent.back(), i == 1, direct));
    }
    QVERIFY(!queue.send(makeMessage("over"), false, direct));
    QCOMPARE(directCalls, 2);
    QCOMPARE(takeWakeups(queue), 1); // one for the queue that was empty

    auto batch = queue.takeAll();
    QCOMPARE(batch.size(), std::size_t(4));
    QCOMPARE(batch[0].kind, LinkCommand::Connect);
    QCOMPARE(batch[0].timeoutMs, 3000u);
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(batch[i + 1].kind, LinkCommand::Send);
        QCOMPARE(batch[i + 1].message, sent[i]);
        QCOMPARE(batch[i + 1].confidential, i == 1);
    }

    // Taken but not carried out yet: still ahead of a new send, but the bound starts again.
    for (int i = 0; i < 3; ++i)
        QVERIFY(queue.send(makeMessage("T"), false, direct));
    QVERIFY(!queue.send(makeMessage("over"), false, direct));
    QCOMPARE(directCalls, 2);
    QCOMPARE(takeWakeups(queue), 1);
    queue.finished(batch.size());
    QVERIFY(!queue.send(makeMessage("over"), false, direct)); // the three are still in flight
    QCOMPARE(directCalls, 2);
    queue.finished(queue.takeAll().size());

    // All carried out: direct again. A link that is not up leaves the message to the I/O thread.
    directTakes = false;
    QVERIFY(queue.send(makeMessage("C"), false, direct));
    QCOMPARE(directCalls, 3);
    QCOMPARE(takeWakeups(queue), 1);
    QVERIFY(queue.send(makeMessage("D"), false, direct));
    QCOMPARE(directCalls, 3); // "C" is ahead now
    QCOMPARE(queue.takeAll().size(), std::size_t(2));
    queue.closeWakeSocket();
}

void TestCommandQueue::concurrentSendsKeepEachCallersOrder()
{
    constexpr int kCallers = 4;
    constexpr int kSends = 3000;
    zmq::context_t context(1);
    CommandQueue queue(context, 50);

    std::map<std::string, std::vector<int>> received; // by caller, in the order taken
    std::atomic<bool> wakeupMissed{false};
    std::thread io([&] {
        zmq::pollitem_t item{queue.wakeSocket().handle(), 0, ZMQ_POLLIN, 0};
        for (;;) {
            // The callers are done long before this runs out, unless a wake-up went missing.
            if (zmq::poll(&item, 1, std::chrono::milliseconds(10000)) == 0) {
                wakeupMissed = true;
                break;
            }
            queue.drainWakeups();
            auto batch = queue.takeAll();
            bool stop = false;
            for (const auto& command : batch) {
                if (command.kind == LinkCommand::Stop) {
                    stop = true;
                    break;
                }
                const std::string type = command.message->getMessageType();
                received[type.substr(0, 1)].push_back(std::stoi(type.substr(2)));
            }
            queue.finished(batch.size());
            if (stop)
                break;
        }
        queue.closeWakeSocket();
    });

    std::vector<int> accepted(kCallers, 0);
    std::vector<std::thread> callers;
    for (int c = 0; c < kCallers; ++c) {
        callers.emplace_back([&, c] {
            const auto direct = [](const IMessage&, bool&) { return false; }; // the link is never up
            for (int i = 0; i < kSends; ++i)
                if (queue.send(makeMessage(std::string(1, char('a' + c)) + ":" + std::to_string(i)), false,
                               direct))
                    ++accepted[static_cast<std::size_t>(c)];
        });
    }
    for (auto& caller : callers)
        caller.join();
    queue.post(LinkCommand{LinkCommand::Stop, nullptr, {}, 0});
    io.join();

    QVERIFY(!wakeupMissed);
    int total = 0;
    for (int c = 0; c < kCallers; ++c) {
        const auto& got = received[std::string(1, char('a' + c))];
        QCOMPARE(int(got.size()), accepted[static_cast<std::size_t>(c)]); // nothing lost, nothing doubled
        QVERIFY(std::is_sorted(got.begin(), got.end()));
        QVERIFY(std::adjacent_find(got.begin(), got.end()) == got.end());
        total += int(got.size());
    }
    QVERIFY(total > 0);
}

QTEST_GUILESS_MAIN(TestCommandQueue)
#include "tst_messaging_commandqueue.moc"
