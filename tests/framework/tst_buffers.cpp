// Pooled buffers, message bodies and the JSON body parser.

#include <QtTest>

#include <thread>

#include "BodyJSONParser.h"
#include "BufferQueue.h"
#include "IMessage.h"
#include "ManagedBuffer.h"

using namespace Ulmar::Messaging;

class TestBuffers : public QObject
{
    Q_OBJECT

private slots:
    void poolLendsAndTakesBack();
    void poolNeverBlocksAndNeverOverfills();
    void bufferOutlivingItsPool();
    void poolUnderConcurrentUse();
    void emptyBodyCountsAsNone();
    void bodyKeepsEveryByte();
    void parserResults_data();
    void parserResults();
};

void TestBuffers::poolLendsAndTakesBack()
{
    auto pool = BufferQueue::Create(1, 1024);
    QCOMPARE(pool->idleCount(), std::size_t(1));
    const void* first = nullptr;
    {
        auto managed = pool->AcquireBuffer(19, true);
        QVERIFY(managed);
        auto buffer = managed->GetBuffer();
        QVERIFY(buffer->empty());
        QVERIFY(buffer->capacity() >= 19);
        QCOMPARE(buffer->AppendDataPtr("{\"motionDelay\":120}", 19), std::size_t(19));
        QCOMPARE(buffer->size(), std::size_t(19));
        QCOMPARE(pool->idleCount(), std::size_t(0));
        first = buffer.get();
    }
    QCOMPARE(pool->idleCount(), std::size_t(1));
    auto again = pool->AcquireBuffer(4, false);
    QVERIFY(again);
    QCOMPARE(static_cast<const void*>(again->GetBuffer().get()), first); // reused ...
    QVERIFY(again->GetBuffer()->empty());                                // ... and emptied
    QCOMPARE(again->GetBuffer()->AppendDataPtr(nullptr, 4), std::size_t(0));
}

void TestBuffers::poolNeverBlocksAndNeverOverfills()
{
    auto pool = BufferQueue::Create(1, 16);
    auto a = pool->AcquireBuffer(8, true);
    QVERIFY(!pool->AcquireBuffer(8, false)); // none idle, growth refused
    auto b = pool->AcquireBuffer(4096, true);
    QVERIFY(b);
    QVERIFY(b->GetBuffer()->capacity() >= 4096);
    a.reset();
    b.reset();
    QCOMPARE(pool->idleCount(), std::size_t(1)); // the extra one was freed, not pooled
}

void TestBuffers::bufferOutlivingItsPool()
{
    auto pool = BufferQueue::Create(2, 64);
    auto managed = pool->AcquireBuffer(8, true);
    std::weak_ptr<BufferQueue> weakPool = pool;
    pool.reset();
    QVERIFY(weakPool.expired());
    managed->GetBuffer()->AppendDataPtr("abc", 3);
    managed.reset(); // must not touch the dead pool
    QVERIFY(!managed);
}

void TestBuffers::poolUnderConcurrentUse()
{
    auto pool = BufferQueue::Create(4, 256);
    std::vector<std::thread> threads;
    std::atomic<int> failures{0};
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&pool, &failures] {
            for (int i = 0; i < 2000; ++i) {
                auto managed = pool->AcquireBuffer(32, true);
                if (!managed || !managed->GetBuffer()->empty())
                    ++failures;
                managed->GetBuffer()->AppendDataPtr("0123456789", 10);
            }
        });
    }
    for (auto& t : threads)
        t.join();
    QCOMPARE(failures.load(), 0);
    QVERIFY(pool->idleCount() <= pool->maxIdle());
    QVERIFY(pool->idleCount() >= 1);
}

void TestBuffers::emptyBodyCountsAsNone()
{
    auto pool = BufferQueue::Create(1, 1024);
    IMessage withEmpty("GetX", 1, "1", pool->AcquireBuffer(0, true));
    QVERIFY(!withEmpty.body());
    QCOMPARE(withEmpty.bodyAsString(), std::string());
    IMessage without("GetX", 1, "", nullptr);
    QVERIFY(!without.body());
    QCOMPARE(without.getText(), std::string());
    QCOMPARE(without.getVersion(), 1u);
    QCOMPARE(without.getGenericMessageType(), 0);
}

void TestBuffers::bodyKeepsEveryByte()
{
    std::string bytes;
    for (int i = 0; i < 256; ++i)
        bytes.push_back(static_cast<char>(i));
    IMessage message("GetImageData", 1, "", ManagedBuffer::FromBytes(bytes.data(), bytes.size()));
    QVERIFY(message.body());
    QCOMPARE(message.body()->GetBuffer()->size(), std::size_t(256));
    QCOMPARE(message.bodyAsString(), bytes);
}

void TestBuffers::parserResults_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<bool>("parsed");
    QTest::newRow("object") << QByteArray("{\"motionDelay\":120}") << true;
    QTest::newRow("array") << QByteArray("[1,2]") << true;
    QTest::newRow("no body") << QByteArray() << false;
    QTest::newRow("not JSON") << QByteArray("motionDelay=120") << false;
    QTest::newRow("truncated") << QByteArray("{\"motionDelay\":") << false;
    QTest::newRow("trailing garbage") << QByteArray("{}x") << false;
    // Parsed as zero-terminated text, like the application's own body decoder: the text ends at a zero byte.
    QTest::newRow("zero byte ends the text") << QByteArray("{\"a\":1}\0{", 9) << true;
    QTest::newRow("zero byte first") << QByteArray("\0{\"a\":1}", 8) << false;
    QTest::newRow("JPEG bytes") << QByteArray("\xFF\xD8\xFF\xE0\x00\x10JFIF", 10) << false;
    // A recursive parser overflows the stack on these long before the 16 MiB message limit.
    const int depth = 1000000;
    QTest::newRow("nested a million deep") << (QByteArray(depth, '[') + QByteArray(depth, ']')) << true;
    QTest::newRow("nested a million deep, unclosed") << QByteArray(depth, '[') << false;
    QTest::newRow("nested objects, unclosed") << QByteArray("{\"a\":").repeated(depth) << false;
}

void TestBuffers::parserResults()
{
    QFETCH(QByteArray, body);
    QFETCH(bool, parsed);
    auto message = std::make_shared<IMessage>(
        "X", 1, "",
        body.isEmpty() ? nullptr
                       : ManagedBuffer::FromBytes(body.constData(), static_cast<std::size_t>(body.size())));
    auto document = BodyJSONParser::parse(message);
    QCOMPARE(document != nullptr, parsed);
    if (document && document->IsObject() && document->HasMember("motionDelay")) {
        QVERIFY((*document)["motionDelay"].IsInt());
        QCOMPARE((*document)["motionDelay"].GetInt(), 120);
    }
}

QTEST_GUILESS_MAIN(TestBuffers)
#include "tst_buffers.moc"
