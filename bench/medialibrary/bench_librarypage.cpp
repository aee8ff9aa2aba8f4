// The library page's figures: the real media list model feeding the real library page (offscreen unless
// QT_QPA_PLATFORM says otherwise), a library of 50,000 titles (or the count given) from the notification's
// arrival on a messaging thread until the page's table holds all rows and a frame showing them was drawn;
// then one search and one sort, each the same way. Also the longest time the GUI thread's event loop did not
// turn meanwhile (a 5 ms timer that came late). Usage: bench_librarypage [titles] [runs]        (defaults:
// 50000 titles, 5 runs)

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QQmlApplicationEngine>
#include <QQmlContext>
#include <QQmlProperty>
#include <QQuickWindow>
#include <QTimer>

#include "GetMediaListNotificationHandler.h"
#include "IResponse.h"
#include "LibraryBody.h"
#include "ManagedBuffer.h"
#include "MediaListVirtualModel.h"
#include "MessageNames.h"
#include "StringUtils.h"

using namespace Ulmar::Messaging;
using Clock = std::chrono::steady_clock;

namespace {

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? -1 : v[v.size() / 2];
}

// The longest a 5 ms timer came late since the last reset.
class StallWatch : public QObject
{
public:
    StallWatch()
    {
        m_timer.setInterval(5);
        m_timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_timer, &QTimer::timeout, this, [this] {
            m_longest = std::max(m_longest, m_since.elapsed());
            m_since.restart();
        });
        m_timer.start();
        m_since.start();
    }
    void reset()
    {
        m_longest = 0;
        m_since.restart();
    }
    double longest() const { return std::max(m_longest, m_since.elapsed()) - 5.0; }

private:
    QTimer m_timer;
    QElapsedTimer m_since;
    qint64 m_longest = 0;
};

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        qputenv("QT_QUICK_BACKEND", "software");
    }
    QGuiApplication app(argc, argv);
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 50000;
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    const std::string body = makeLibraryBody(count);
    auto response = std::make_shared<IResponse>(MessageType::GetMediaListNotification, 1, std::string(),
                                                ManagedBuffer::FromBytes(body.data(), body.size()), 0);
    MediaList decoded;
    GetMediaListNotificationHandler::decodeMediaList(response, decoded);
    int matching = 0;
    for (const auto& item : decoded)
        matching += Ulmar::ToLowercase(item->title()).find("river") != std::string::npos;

    std::vector<double> listMs, listStall, searchMs, searchStall, sortMs, sortStall;
    std::vector<double> listRowsMs, searchRowsMs,
        sortRowsMs; // until the view holds the rows, before the frame
    auto since = [](Clock::time_point from, Clock::time_point to) {
        return std::chrono::duration<double, std::milli>(to - from).count();
    };
    for (int run = 0; run < runs; ++run) {
        auto handler = std::make_shared<GetMediaListNotificationHandler>();
        auto model = handler->getModel();
        QQmlApplicationEngine engine;
        engine.rootContext()->setContextProperty("mediaList", model.get());
        engine.loadData("import QtQuick 2.12\nimport QtQuick.Window 2.12\nimport \"qrc:/\"\n"
                        "Window { width: 1000; height: 700; visible: true; PageMovies {} }");
        if (engine.rootObjects().isEmpty())
            return 1;
        auto* window = qobject_cast<QQuickWindow*>(engine.rootObjects().first());
        QObject* table = window ? window->findChild<QObject*>("moviesListView") : nullptr;
        if (!table)
            return 1;
        bool cleared = false;
        int frames = 0;
        QObject::connect(model.get(), &MediaListVirtualModel::clearTableSignal,
                         [&cleared] { cleared = true; });
        QObject::connect(window, &QQuickWindow::frameSwapped, [&frames] { ++frames; });
        auto rowsInTable = [table] { return QQmlProperty::read(table, "count").toInt(); };
        Clock::time_point rowsAt;
        auto waitRows = [&](int expected) {
            while (!cleared || rowsInTable() != expected)
                QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 5);
            rowsAt = Clock::now();
            const int seen = frames;
            while (frames == seen)
                QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 5);
        };
        QElapsedTimer settle;
        settle.start();
        while (settle.elapsed() < 300)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        StallWatch stall;

        cleared = false;
        auto t0 = Clock::now();
        // The GUI thread keeps its event loop running while the messaging thread decodes.
        std::thread messaging([&] { handler->handleResponse(response); });
        waitRows(count);
        messaging.join();
        listMs.push_back(since(t0, Clock::now()));
        listRowsMs.push_back(since(t0, rowsAt));
        listStall.push_back(stall.longest());

        stall.reset();
        cleared = false;
        t0 = Clock::now();
        model->triggerSearchMediaLibrary(QStringLiteral("river"));
        waitRows(matching);
        searchMs.push_back(since(t0, Clock::now()));
        searchRowsMs.push_back(since(t0, rowsAt));
        searchStall.push_back(stall.longest());
        cleared = false;
        model->triggerSearchMediaLibrary(QString());
        waitRows(count);

        stall.reset();
        cleared = false;
        t0 = Clock::now();
        model->triggerSortMediaLibrary(0, false);
        waitRows(count);
        sortMs.push_back(since(t0, Clock::now()));
        sortRowsMs.push_back(since(t0, rowsAt));
        sortStall.push_back(stall.longest());
        std::printf(
            "run %d: list %.0f ms (stall %.0f), search %.0f ms (stall %.0f), sort %.0f ms (stall %.0f)\n",
            run + 1, listMs.back(), listStall.back(), searchMs.back(), searchStall.back(), sortMs.back(),
            sortStall.back());
        std::fflush(stdout);
    }
    std::printf(
        "library page, %d titles, median of %d runs: listed %.0f ms, one search %.0f ms (%d rows), one "
        "sort %.0f ms; longest GUI stall %.0f / %.0f / %.0f ms\n",
        count, runs, median(listMs), median(searchMs), matching, median(sortMs), median(listStall),
        median(searchStall), median(sortStall));
    std::printf("  of which until the view held the rows, before the frame: %.1f / %.1f / %.1f ms\n",
                median(listRowsMs), median(searchRowsMs), median(sortRowsMs));
    return 0;
}
