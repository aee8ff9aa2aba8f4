// Media library figures: a library of 1,000, 10,000 and 50,000 titles from the notification's arrival (on a
// messaging thread) to the last row signal on the GUI thread; one search and one sort at each size, each to
// its last row; memory per title. Usage: bench_medialibrary [sizes...]

#include <chrono>
#include <cstdio>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QVariant>

#include "GetMediaListNotificationHandler.h"
#include "IResponse.h"
#include "ManagedBuffer.h"
#include "MediaListVirtualModel.h"
#include "MessageNames.h"
#include "StringUtils.h"

using namespace Ulmar::Messaging;

namespace {

long rssBytes()
{
    std::ifstream statm("/proc/self/statm");
    long size = 0, resident = 0;
    statm >> size >> resident;
    return resident * sysconf(_SC_PAGESIZE);
}

std::string makeBody(int count)
{
    static const char* const words[] = {"Night", "Return", "Storm", "Empire", "Ocean", "Shadow", "Garden",
                                        "Élan",  "Last",   "River", "Secret", "City",  "Dragon", "Winter"};
    std::mt19937 random(42);
    std::uniform_int_distribution<int> word(0, 13);
    std::string body = R"({"mediaList":{"media":[)";
    for (int i = 0; i < count; ++i) {
        if (i)
            body += ',';
        std::string title =
            std::string(words[word(random)]) + " " + words[word(random)] + " " + std::to_string(i);
        body += R"({"title":")" + title + R"(","releaseDate":")" + std::to_string(1950 + i % 70) + "-0" +
                std::to_string(1 + i % 9) + R"(-15","imdbRef":"tt)" + std::to_string(1000000 + i) +
                R"(","duration":")" + std::to_string(80 + i % 90) +
                R"(","cut":"Theatrical","language":"en"})";
    }
    return body + "]}}";
}

double ms(std::chrono::steady_clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    std::vector<int> sizes{1000, 10000, 50000};
    if (argc > 1) {
        sizes.clear();
        for (int i = 1; i < argc; ++i)
            sizes.push_back(std::atoi(argv[i]));
    }

    std::printf("%8s %12s %12s %12s %12s %14s\n", "titles", "list (ms)", "search (ms)", "sort (ms)",
                "rows/search", "bytes/title");
    for (const int count : sizes) {
        const std::string body = makeBody(count);
        auto response = std::make_shared<IResponse>(MessageType::GetMediaListNotification, 1, std::string(),
                                                    ManagedBuffer::FromBytes(body.data(), body.size()), 0);
        const long rssBefore = rssBytes();
        auto handler = std::make_shared<GetMediaListNotificationHandler>();
        auto model = handler->getModel();
        int rows = 0;
        std::chrono::steady_clock::time_point lastRow;
        QObject::connect(model.get(), &MediaListVirtualModel::clearTableSignal, [&rows] { rows = 0; });
        QObject::connect(model.get(), &MediaListVirtualModel::appendRowToTableSignal,
                         [&](const QVariant& row) {
                             // What the page does with a row: read its fields.
                             if (!row.toMap().value(QStringLiteral("title")).toString().isEmpty())
                                 ++rows;
                             lastRow = std::chrono::steady_clock::now();
                         });

        // Arrival on a messaging thread, rows on this (the GUI) thread.
        const auto start = std::chrono::steady_clock::now();
        std::thread messaging([&] { handler->handleResponse(response); });
        messaging.join();
        while (rows < count)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        const double listMs = ms(lastRow - start);
        const long rssAfter = rssBytes();

        // A long table comes in slices: wait for its last row.
        MediaList decoded;
        GetMediaListNotificationHandler::decodeMediaList(response, decoded);
        int matching = 0;
        for (const auto& item : decoded)
            matching += Ulmar::ToLowercase(item->title()).find("river") != std::string::npos;
        auto waitRows = [&rows](int expected) {
            while (rows < expected)
                QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        };

        auto t0 = std::chrono::steady_clock::now();
        model->triggerSearchMediaLibrary(QStringLiteral("river"));
        waitRows(matching);
        const double searchMs = ms(std::chrono::steady_clock::now() - t0);
        const int found = rows;
        model->triggerSearchMediaLibrary(QString());
        waitRows(count);

        t0 = std::chrono::steady_clock::now();
        model->triggerSortMediaLibrary(0, false);
        waitRows(count);
        const double sortMs = ms(std::chrono::steady_clock::now() - t0);

        std::printf("%8d %12.1f %12.2f %12.1f %12d %14.0f\n", count, listMs, searchMs, sortMs, found,
                    double(rssAfter - rssBefore) / count);
        std::fflush(stdout);
        QObject::disconnect(model.get(), nullptr, nullptr, nullptr);
    }
    return 0;
}
