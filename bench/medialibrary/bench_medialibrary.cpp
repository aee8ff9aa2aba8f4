// Media library figures: a library of 1,000, 10,000 and 50,000 titles from the notification's arrival (on a
// messaging thread) to its last row in the table model that the library page shows, each row's fields read as
// a view reads them (a view reads only the rows it shows: this is the most it can cost); one search and one
// sort at each size, each to its last row; memory per title. With --one-by-one the rows are taken from the
// row signals instead (a clear, then one signal per row). Usage: bench_medialibrary [--one-by-one] [sizes...]

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>
#include <time.h>
#include <unistd.h>
#include <vector>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QVariant>

#include "GetMediaListNotificationHandler.h"
#include "IResponse.h"
#include "LibraryBody.h"
#include "ManagedBuffer.h"
#include "MediaListTableModel.h"
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

// CPU time of the whole process (every thread), in ms: on a loaded machine it shows the work apart from the
// waiting for a CPU.
double cpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

double ms(std::chrono::steady_clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    std::vector<int> sizes;
    bool oneByOne = false;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--one-by-one")
            oneByOne = true;
        else
            sizes.push_back(std::atoi(argv[i]));
    }
    if (sizes.empty())
        sizes = {1000, 10000, 50000};

    std::printf("rows %s; wall ms (CPU ms of the process in brackets)\n",
                oneByOne ? "from the row signals" : "in the table model");
    std::printf("%8s %18s %18s %18s %12s %14s\n", "titles", "list", "search", "sort", "rows/search",
                "bytes/title");
    for (const int count : sizes) {
        const std::string body = makeLibraryBody(count);
        auto response = std::make_shared<IResponse>(MessageType::GetMediaListNotification, 1, std::string(),
                                                    ManagedBuffer::FromBytes(body.data(), body.size()), 0);
        const long rssBefore = rssBytes();
        auto handler = std::make_shared<GetMediaListNotificationHandler>();
        auto model = handler->getModel();
        int rows = 0;
        std::chrono::steady_clock::time_point lastRow;
        // What a view does with a row: read its fields.
        if (oneByOne) {
            QObject::connect(model.get(), &MediaListVirtualModel::clearTableSignal, [&rows] { rows = 0; });
            QObject::connect(model.get(), &MediaListVirtualModel::appendRowToTableSignal,
                             [&](const QVariant& row) {
                                 if (!row.toMap().value(QStringLiteral("title")).toString().isEmpty())
                                     ++rows;
                                 lastRow = std::chrono::steady_clock::now();
                             });
        } else {
            // A new table resets the model, a sort changes its layout: the view reads the rows again either
            // way.
            MediaListTableModel* table = model->tableModel();
            auto readRows = [&rows, &lastRow, table] {
                rows = 0;
                for (int r = 0; r < table->rowCount(); ++r) {
                    const QModelIndex index = table->index(r);
                    for (int role = MediaListTableModel::TitleRole; role <= MediaListTableModel::CutRole;
                         ++role)
                        rows += role == MediaListTableModel::TitleRole &&
                                !table->data(index, role).toString().isEmpty();
                }
                lastRow = std::chrono::steady_clock::now();
            };
            QObject::connect(table, &QAbstractItemModel::modelReset, readRows);
            QObject::connect(table, &QAbstractItemModel::layoutChanged, readRows);
        }

        // Arrival on a messaging thread, rows on this (the GUI) thread.
        double cpu0 = cpuMs();
        const auto start = std::chrono::steady_clock::now();
        std::thread messaging([&] { handler->handleResponse(response); });
        messaging.join();
        while (rows < count)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        const double listMs = ms(lastRow - start);
        const double listCpu = cpuMs() - cpu0;
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

        cpu0 = cpuMs();
        auto t0 = std::chrono::steady_clock::now();
        model->triggerSearchMediaLibrary(QStringLiteral("river"));
        waitRows(matching);
        const double searchMs = ms(std::chrono::steady_clock::now() - t0);
        const double searchCpu = cpuMs() - cpu0;
        const int found = rows;
        model->triggerSearchMediaLibrary(QString());
        waitRows(count);

        rows = 0; // counted again as the sorted rows come
        cpu0 = cpuMs();
        t0 = std::chrono::steady_clock::now();
        model->triggerSortMediaLibrary(0, false);
        waitRows(count);
        const double sortMs = ms(std::chrono::steady_clock::now() - t0);
        const double sortCpu = cpuMs() - cpu0;

        std::printf("%8d %8.1f (%7.1f) %8.2f (%7.2f) %8.1f (%7.1f) %12d %14.0f\n", count, listMs, listCpu,
                    searchMs, searchCpu, sortMs, sortCpu, found, double(rssAfter - rssBefore) / count);
        std::fflush(stdout);
        QObject::disconnect(model.get(), nullptr, nullptr, nullptr);
    }
    return 0;
}
