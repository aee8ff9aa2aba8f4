// Posters: the "GetImageData" request and response, and the image provider with its change counter.

#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <QThread>
#include <QtTest>

#include <thread>

#include <atomic>

#include "ControllerTestSupport.h"
#include "ImageDataRequestSender.h"
#include "ImageDataResponseHandler.h"
#include "MessageNames.h"
#include "PosterImageProvider.h"

using namespace Ulmar;
using namespace Ulmar::Messaging;
using ControllerTest::response;

namespace {

QByteArray jpeg(int width, int height, QColor colour)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG");
    return bytes;
}

int counterValue(const QSignalSpy& spy, int i)
{
    return ControllerTest::arg(spy, i, 0).toString().toInt();
}

} // namespace

class TestPosters : public QObject
{
    Q_OBJECT

private slots:
    void requestBodyEscapesTheFileName()
    {
        QCOMPARE(QString::fromStdString(ImageDataRequestSender::requestBody("abc")),
                 QString(R"({"imageFileName":"abc"})"));
        const QString escaped = "{\"imageFileName\":\"a\\\"b\\\\c\"}";
        QCOMPARE(QString::fromStdString(ImageDataRequestSender::requestBody("a\"b\\c")), escaped);
    }

    void requestReachesTheUnit()
    {
        ControllerTest::LoopbackUnit unit;
        QVERIFY(unit.connect());
        ImageDataRequestSender sender(unit.messenger());
        sender.requestImageData("poster 1.jpg");
        QTRY_COMPARE_WITH_TIMEOUT(unit.count(MessageType::GetImageData), 1, 10000);
        const auto message = unit.received(MessageType::GetImageData).front();
        QCOMPARE(QString::fromStdString(message->bodyAsString()),
                 QString(R"({"imageFileName":"poster 1.jpg"})"));
        QVERIFY(message->getText().empty());
        ImageDataRequestSender(nullptr).requestImageData("ignored.jpg"); // no messenger: dropped quietly
    }

    void responseHandlerReportsBytesOrNothing()
    {
        ImageDataResponseHandler handler;
        QSignalSpy available(&handler, &ImageDataResponseHandler::posterAvailable);
        QSignalSpy missing(&handler, &ImageDataResponseHandler::posterNotAvailable);
        handler.handleResponse(response(MessageType::GetImageData, std::string("\xff", 1)));
        QCOMPARE(available.count(), 1);
        QCOMPARE(available.at(0).at(0).toByteArray(), QByteArray("\xff", 1));
        const std::string binary("\xff\xd8\x00\x01\x00", 5); // zero bytes are kept
        handler.handleResponse(response(MessageType::GetImageData, binary));
        QCOMPARE(available.at(1).at(0).toByteArray(), QByteArray(binary.data(), 5));
        handler.handleResponse(response(MessageType::GetImageData, ""));
        QCOMPARE(missing.count(), 1);
        auto emptyBuffer =
            std::make_shared<IResponse>(MessageType::GetImageData, 1, "", ManagedBuffer::FromBytes("", 0), 0);
        handler.handleResponse(emptyBuffer);
        QCOMPARE(missing.count(), 2);
        handler.handleConnected();
        QCOMPARE(missing.count(), 2);
        handler.handleConnectionLost();
        handler.handleDisconnected();
        QCOMPARE(missing.count(), 4);
        QCOMPARE(available.count(), 2);
    }

    void providerStartsWithThePlaceholder()
    {
        PosterImageProvider provider;
        QSize size;
        const QImage image = provider.requestImage("MovieImage0.jpg", &size, QSize(10, 10));
        QCOMPARE(size, QSize(365, 475));
        QCOMPARE(image.size(), QSize(365, 475));
        QCOMPARE(provider.requestImage("anything", nullptr, QSize()), image); // every id, unscaled
        QVERIFY(provider.placeholder());
    }

    void largePostersAreDecodedAsideAndChangesKeepTheirOrder()
    {
        // Noise does not compress: a JPEG well over the size decoded away from the GUI thread.
        QImage noise(900, 900, QImage::Format_RGB32);
        for (int y = 0; y < noise.height(); ++y)
            for (int x = 0; x < noise.width(); ++x)
                noise.setPixel(x, y, qRgb((x * 7919 + y * 104729) % 251, (x * y) % 253, (x + y * 31) % 241));
        QByteArray large;
        QBuffer buffer(&large);
        buffer.open(QIODevice::WriteOnly);
        noise.save(&buffer, "JPG", 100);
        QVERIFY(large.size() >= PosterImageProvider::kDecodeAsideBytes);

        PosterImageProvider provider;
        QSignalSpy spy(&provider, &PosterImageProvider::updateMovieInfoImageBoxSignal);
        // The flag changes with the image it describes, before the page is told to reload.
        QStringList changes;
        connect(&provider, &PosterImageProvider::placeholderChanged, this,
                [&](bool placeholder) { changes << (placeholder ? "placeholder" : "poster"); });
        connect(&provider, &PosterImageProvider::updateMovieInfoImageBoxSignal, this,
                [&] { changes << "image"; });
        provider.setJpgPoster(large);
        provider.setJpgPoster(jpeg(40, 60, Qt::red)); // waits behind the large one
        QCOMPARE(spy.count(), 0);
        QVERIFY(provider.placeholder());
        QTRY_COMPARE_WITH_TIMEOUT(spy.count(), 2, 10000);
        QCOMPARE(provider.requestImage("x", nullptr, QSize()).size(), QSize(40, 60));
        QVERIFY(!provider.placeholder());

        provider.setJpgPoster(large);
        provider.setNotAvailable(); // the placeholder comes last, as asked
        QTRY_COMPARE_WITH_TIMEOUT(spy.count(), 4, 10000);
        QCOMPARE(provider.requestImage("x", nullptr, QSize()).size(), QSize(365, 475));
        QVERIFY(provider.placeholder());
        QCOMPARE(changes, (QStringList{"poster", "image", "image", "image", "placeholder", "image"}));
        QCOMPARE(counterValue(spy, 3), counterValue(spy, 0) + 3);
    }

    void everyChangeAnnouncesANewCounterValue()
    {
        PosterImageProvider provider;
        QSignalSpy spy(&provider, &PosterImageProvider::updateMovieInfoImageBoxSignal);
        provider.setJpgPoster(jpeg(40, 60, Qt::red));
        QSize size;
        QImage image = provider.requestImage("x", &size, QSize());
        QCOMPARE(size, QSize(40, 60));
        QVERIFY(qRed(image.pixel(20, 30)) > 200);

        provider.setNotAvailable();
        provider.setNotAvailable();
        QCOMPARE(provider.requestImage("x", &size, QSize()).size(), QSize(365, 475));

        // Undecodable or oversized: the placeholder, not a blank, and still announced.
        provider.setJpgPoster(jpeg(40, 60, Qt::red));
        QVERIFY(!provider.placeholder());
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Poster image could not be decoded"));
        provider.setJpgPoster(QByteArray("\xff", 1));
        QCOMPARE(provider.requestImage("x", &size, QSize()).size(), QSize(365, 475));
        QCOMPARE(size, QSize(365, 475));
        QVERIFY(provider.placeholder()); // drawn by the page like any missing poster
        provider.setJpgPoster(jpeg(40, 60, Qt::red));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Poster image too large"));
        provider.setJpgPoster(jpeg(PosterImageProvider::MaxPosterSide + 1, 8, Qt::red));
        QCOMPARE(provider.requestImage("x", &size, QSize()).size(), QSize(365, 475));

        QCOMPARE(spy.count(), 7);
        QVERIFY(ControllerTest::arg(spy, 0, 0).userType() == QMetaType::QString);
        for (int i = 1; i < spy.count(); ++i)
            QCOMPARE(counterValue(spy, i), counterValue(spy, i - 1) + 1);

        // The counter is program-wide: a second provider goes on counting.
        PosterImageProvider other;
        QSignalSpy otherSpy(&other, &PosterImageProvider::updateMovieInfoImageBoxSignal);
        other.setNotAvailable();
        QCOMPARE(counterValue(otherSpy, 0), counterValue(spy, 6) + 1);
    }

    void otherFormatsAreNotDecoded()
    {
        // A PNG is a picture, but not a poster: the reader must not guess formats.
        QImage small(8, 8, QImage::Format_RGB32);
        small.fill(Qt::green);
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        QVERIFY(small.save(&buffer, "PNG"));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Poster image could not be decoded as JPEG"));
        QVERIFY(PosterImageProvider::decodePoster(png).isNull());

        // 29 bytes of GIF announcing a 14880 x 16486 canvas: read as GIF it would take gigabytes.
        const QByteArray gif = QByteArray("GIF89a\x20\x3a\x66\x40\x00\x00\x00", 13) +
                               QByteArray("\x2c\x00\x00\x00\x00\x01\x00\x01\x00\x00", 10) +
                               QByteArray("\x02\x02\x44\x01\x00\x3b", 6);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Poster image could not be decoded as JPEG"));
        QVERIFY(PosterImageProvider::decodePoster(gif).isNull());
    }

    void loaderThreadReadsWhileSlotsReplaceTheImage()
    {
        PosterImageProvider provider;
        const QByteArray small = jpeg(30, 30, Qt::blue);
        std::atomic<bool> stop{false};
        std::atomic<int> bad{0};
        std::thread loader([&] {
            while (!stop) {
                QSize size;
                const QImage image = provider.requestImage("MovieImage", &size, QSize());
                const bool known = (size == QSize(30, 30) || size == QSize(365, 475)) && image.size() == size;
                if (!known)
                    ++bad;
            }
        });
        for (int i = 0; i < 200; ++i) {
            if (i % 2)
                provider.setJpgPoster(small);
            else
                provider.setNotAvailable();
        }
        stop = true;
        loader.join();
        QCOMPARE(bad.load(), 0);
    }

    void fromResponseToProviderAcrossThreads()
    {
        ImageDataResponseHandler handler;
        PosterImageProvider provider;
        QObject::connect(&handler, &ImageDataResponseHandler::posterAvailable, &provider,
                         &PosterImageProvider::setJpgPoster);
        QObject::connect(&handler, &ImageDataResponseHandler::posterNotAvailable, &provider,
                         &PosterImageProvider::setNotAvailable);
        QSignalSpy spy(&provider, &PosterImageProvider::updateMovieInfoImageBoxSignal);
        const QByteArray bytes = jpeg(50, 70, Qt::green);
        std::thread messaging(
            [&] { handler.handleResponse(response(MessageType::GetImageData, bytes.toStdString())); });
        messaging.join();
        QTRY_COMPARE_WITH_TIMEOUT(spy.count(), 1, 10000);
        QSize size;
        provider.requestImage("MovieImage1.jpg", &size, QSize());
        QCOMPARE(size, QSize(50, 70));
    }
};

QTEST_MAIN(TestPosters)
#include "tst_posters.moc"
