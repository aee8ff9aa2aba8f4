#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include <QAbstractItemModel>
#include <QObject>
#include <QVariant>

#include "MediaItem.h"

namespace Ulmar {
class GuiThreadRelay;
}

namespace Ulmar {
namespace Messaging {

using MediaList = std::vector<std::shared_ptr<MediaItem>>;
class MediaListIndex;
class MediaListTableModel;

// The media library as the movies page sees it ("mediaList"): not an item model, but a clear signal followed
// by one row signal per record. Search filters by title; sort orders the displayed rows by a column.
// The rows shown are also kept in an item model of their own (tableModel), changed at once with each table,
// which the page's view shows: a view of 50,000 titles then costs one reset instead of 50,000 insertions.
// The lists are touched only on the model's own thread: setMediaList from another thread is queued there.
// A long table is sent in slices between which the event loop runs, so that the window stays responsive;
// a new table (or a clear) drops the rows of the previous one that were still to come.
class MediaListVirtualModel : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QAbstractItemModel* tableModel READ tableModelForView CONSTANT)

public:
    explicit MediaListVirtualModel(QObject* parent = nullptr);
    ~MediaListVirtualModel() override;

    // Any thread: replaces the library.
    void setMediaList(MediaList list);

    // Stable, case-insensitive sort by the key of the column (0 title, 1 duration, 2 releaseDate, 4 cut,
    // 5 language; any other column has no key and leaves the order as it is). The plain rule, comparing
    // texts; the model itself orders by the ranks the index worked out when the library arrived.
    static void sortList(MediaList& list, int column, bool ascending);

    // The rows shown now (roles "title", "duration", "releaseDate", "cut", "language").
    MediaListTableModel* tableModel() const { return m_table; }

    // Rows always sent at once before the event loop gets a turn, and the time a slice may take beyond them.
    static constexpr std::size_t kRowsPerSlice = 256;
    static constexpr int kSliceMs = 8;

signals:
    void clearTableSignal();
    void appendRowToTableSignal(QVariant data);

public slots:
    void triggerSearchMediaLibrary(QVariant searchText);
    void triggerSortMediaLibrary(QVariant columnIndex, QVariant sortAscending);
    void onOnlineStatusChanged(QVariant connectionStatus);
    // Sends the rows shown now again (a clear, then each row), for a table made after the library arrived.
    // Nothing before the first library.
    void triggerShowMediaLibrary();

private:
    using Order = std::vector<std::uint32_t>; // positions in m_index

    QAbstractItemModel* tableModelForView() const;
    void applyIndex(std::shared_ptr<const MediaListIndex> index);
    void showList(Order order);
    void sendRows();

    bool m_searchActive = false;
    QVariant m_lastSearchText = QString();
    std::shared_ptr<const MediaListIndex> m_index; // the library as last received; null before the first
    Order m_fullList;
    Order m_displayedList;
    std::size_t m_nextRow = 0;               // first row of m_displayedList not sent yet
    std::uint64_t m_showCount = 0;           // tells a pending slice whether its table is still the one shown
    MediaListTableModel* m_table;            // child
    std::shared_ptr<GuiThreadRelay> m_relay; // carries setMediaList to the model's thread
};

} // namespace Messaging
} // namespace Ulmar
