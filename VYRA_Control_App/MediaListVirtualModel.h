#pragma once

#include <memory>
#include <vector>

#include <QObject>
#include <QVariant>

#include "MediaItem.h"

namespace Ulmar {
class GuiThreadRelay;
}

namespace Ulmar {
namespace Messaging {

using MediaList = std::vector<std::shared_ptr<MediaItem>>;

// The media library as the movies page sees it ("mediaList"): not an item model, but a clear signal followed
// by one row signal per record. Search filters by title; sort orders the displayed rows by a column.
// The lists are touched only on the model's own thread: setMediaList from another thread is queued there.
class MediaListVirtualModel : public QObject
{
    Q_OBJECT

public:
    explicit MediaListVirtualModel(QObject* parent = nullptr);
    ~MediaListVirtualModel() override;

    // Any thread: replaces the library.
    void setMediaList(MediaList list);

    // Stable, case-insensitive sort by the key of the column (0 title, 1 duration, 2 releaseDate, 4 cut,
    // 5 language; any other column has no key and leaves the order as it is).
    static void sortList(MediaList& list, int column, bool ascending);

signals:
    void clearTableSignal();
    void appendRowToTableSignal(QVariant data);

public slots:
    void triggerSearchMediaLibrary(QVariant searchText);
    void triggerSortMediaLibrary(QVariant columnIndex, QVariant sortAscending);
    void onOnlineStatusChanged(QVariant connectionStatus);

private:
    void applyMediaList(MediaList list);
    void showList(const MediaList& list);

    bool m_searchActive = false;
    QVariant m_lastSearchText = QString();
    MediaList m_fullList;
    MediaList m_displayedList;
    std::shared_ptr<GuiThreadRelay> m_relay; // carries setMediaList to the model's thread
};

} // namespace Messaging
} // namespace Ulmar
