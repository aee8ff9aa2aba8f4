// What one seat card costs (with its controls, and as the seats page holds it, where only the cards near
// the view have them), and how long the GUI thread stalls while the seat model changes under the seats
// page: the real seat model and the real page in a 1280x800 window (offscreen, software rendering).
//
//   bench_seat_cards [cards] [--memory-only]
//
// cards: how many cards the cost of one is the mean over (default 64).
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QQmlApplicationEngine>
#include <QQmlContext>
#include <QQuickStyle>
#include <QQuickWindow>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>

#include "SeatPaneMgr.h"

#if defined(__GLIBC__)
#include <malloc.h>
#endif

using namespace Ulmar;

namespace {

double rssKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly))
        for (const QByteArray& line : status.readAll().split('\n'))
            if (line.startsWith("VmRSS:"))
                return line.simplified().split(' ').value(1).toDouble();
    return 0;
}

double heapKiB()
{
#if defined(__GLIBC__)
    return static_cast<double>(mallinfo2().uordblks) / 1024;
#else
    return 0;
#endif
}

// The longest time the event loop did not get round to a 5 ms timer since the last take().
class StallWatch : public QObject
{
public:
    StallWatch()
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(Tick);
        connect(&m_timer, &QTimer::timeout, this,
                [this] { m_longest = std::max(m_longest, m_since.restart()); });
        m_since.start();
        m_timer.start();
    }
    qint64 take()
    {
        const qint64 longest = std::max(m_longest, m_since.elapsed()) - Tick;
        m_longest = 0;
        return std::max<qint64>(0, longest);
    }

private:
    static constexpr int Tick = 5;
    QTimer m_timer;
    QElapsedTimer m_since;
    qint64 m_longest = 0;
};

void pump(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
}

bool waitFor(const std::function<bool()>& condition, int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        if (condition())
            return true;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
    return condition();
}

SeatMap seats(int n, double motion)
{
    SeatMap map;
    for (int i = 0; i < n; ++i) {
        auto seat = std::make_shared<SeatStatusItem>();
        seat->setIndex(i);
        seat->setActive(true);
        seat->setMotion(motion);
        seat->setVibration(motion);
        map.emplace(i, seat);
    }
    return map;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_QUICK_BACKEND", "software");
    QGuiApplication app(argc, argv);
    QQuickStyle::setStyle("Material");
    const int many = argc > 1 ? std::max(8, QByteArray(argv[1]).toInt()) : 64;

    auto model = std::make_shared<SeatPaneMgr>(1000);
    std::unique_ptr<QQmlApplicationEngine> engine;
    QObject* list = nullptr;
    // A window with `content`, whose seat list is the object named `name`.
    auto open = [&](const char* content, const char* name) {
        engine = std::make_unique<QQmlApplicationEngine>();
        engine->rootContext()->setContextProperty("seatsModel", model.get());
        engine->loadData(QByteArray(R"(
            import QtQuick 2.12
            import QtQuick.Controls 2.12
            import "qrc:/"
            ApplicationWindow { width: 1280; height: 800; visible: true; )") +
                         content + " }");
        list = engine->rootObjects().isEmpty() ? nullptr
                                               : engine->rootObjects().first()->findChild<QObject*>(name);
        return list != nullptr;
    };
    auto cards = [&] { return list->property("count").toInt(); };
    auto show = [&](int n, double motion) {
        model->setSeatStatus(seats(n, motion));
        return waitFor([&] { return model->rowCount() == n && cards() == n; }, 120000);
    };
    auto settle = [&] {
        pump(300);
        engine->collectGarbage();
        pump(300);
#if defined(__GLIBC__)
        malloc_trim(0);
#endif
    };

    // Memory: the mean over many cards, against a list with 3.
    auto measure = [&](const char* what) {
        show(3, -1);
        settle();
        const double heap0 = heapKiB(), rss0 = rssKiB();
        QElapsedTimer t;
        t.start();
        if (!show(many, -2))
            return false;
        const double makeMs = t.elapsed();
        settle();
        const double heap1 = heapKiB(), rss1 = rssKiB();
        t.restart();
        show(3, -3);
        const double removeMs = t.elapsed();
        const int extra = many - 3;
        std::printf("%s: heap %.0f KiB, RSS %.0f KiB; made in %.1f ms, gone in %.1f ms (mean of %d)\n", what,
                    (heap1 - heap0) / extra, (rss1 - rss0) / extra, makeMs / extra, removeMs / extra, extra);
        std::fflush(stdout);
        return true;
    };
    // A list outside any page that scrolls gives every card its controls.
    if (!open(R"(WidgetSeats { objectName: "bareSeats"; width: parent.width })", "bareSeats") ||
        !measure("one seat card with its controls"))
        return 1;
    engine.reset();
    pump(100);
    // On the seats page, only the cards near the view have them.
    if (!open("PageSeats {}", "seatsPageSeats") || !measure("one seat card of the seats page"))
        return 1;

    if (argc > 2 && QByteArray(argv[2]) == "--memory-only")
        return 0;

    // Stalls: what a unit can make the page do.
    StallWatch watch;
    std::printf("%-36s %16s %8s\n", "step", "longest stall ms", "secs");
    auto step = [&](const char* name, const std::function<bool()>& action) {
        settle();
        watch.take();
        QElapsedTimer s;
        s.start();
        const bool ok = action();
        const double secs = s.elapsed() / 1000.0;
        pump(200);
        std::printf("%-36s %16lld %8.2f%s\n", name, static_cast<long long>(watch.take()), secs,
                    ok ? "" : "  (did not settle)");
        std::fflush(stdout);
    };
    step("3 -> 256 seats", [&] { return show(256, -4); });
    step("256 seats, every value changed", [&] {
        model->setSeatStatus(seats(256, -6));
        return waitFor(
            [&] { return model->data(model->index(255), SeatPaneMgr::MotionRole).toDouble() == -6; }, 60000);
    });
    step("256 -> 3 seats", [&] { return show(3, -5); });
    step("3 -> 256 -> 3 -> 256 at once", [&] {
        model->setSeatStatus(seats(256, -7));
        pump(30);
        model->setSeatStatus(seats(3, -8));
        pump(30);
        return show(256, -9);
    });
    step("256 -> 1 seat", [&] { return show(1, -10); });
    return 0;
}
