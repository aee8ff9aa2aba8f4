#include "MediaListVirtualModel.h"

#include <algorithm>
#include <numeric>

#include <QElapsedTimer>
#include <QMetaMethod>

#include "GuiThreadRelay.h"
#include "MediaListIndex.h"
#include "MediaListTableModel.h"
#include "StringUtils.h"

namespace Ulmar {
namespace Messaging {

namespace {

const std::string& sortKey(const MediaItem& item, int column)
{
    static const std::string none;
    switch (column) {
    case 0:
        return item.titleRef();
    case 1:
        return item.durationRef();
    case 2:
        return item.releaseDateRef();
    case 4:
        return item.cutRef();
    case 5:
        return item.languageRef();
    default:
        return none;
    }
}

} // namespace

MediaListVirtualModel::MediaListVirtualModel(QObject* parent)
    : QObject(parent), m_table(new MediaListTableModel(this)), m_relay(GuiThreadRelay::create(this))
{}

MediaListVirtualModel::~MediaListVirtualModel()
{
    m_relay->detach();
}

void MediaListVirtualModel::setMediaList(MediaList list)
{
    // The index is built here, on the decoding thread, so the model's thread only has numbers to order. The
    // lists belong to the model's thread: the relay hands the index over under its own lock (visible to the
    // thread sanitizer) and drops it if the model is gone by then.
    std::shared_ptr<const MediaListIndex> index = std::make_shared<MediaListIndex>(std::move(list));
    m_relay->run([this, index] { applyIndex(index); });
}

QAbstractItemModel* MediaListVirtualModel::tableModelForView() const
{
    return m_table;
}

void MediaListVirtualModel::applyIndex(std::shared_ptr<const MediaListIndex> index)
{
    m_index = std::move(index);
    if (!m_searchActive) {
        m_fullList = m_index->titleOrder();
        showList(m_fullList);
    } else {
        m_fullList.resize(m_index->size());
        std::iota(m_fullList.begin(), m_fullList.end(), 0u);
        triggerSearchMediaLibrary(m_lastSearchText);
    }
}

void MediaListVirtualModel::sortList(MediaList& list, int column, bool ascending)
{
    if (column < 0 || column == 3 || column > 5)
        return; // no key: every record compares equal, and a stable sort keeps the order
    std::stable_sort(
        list.begin(), list.end(),
        [column, ascending](const std::shared_ptr<MediaItem>& a, const std::shared_ptr<MediaItem>& b) {
            const int c = StringCaseCompare(sortKey(*a, column), sortKey(*b, column));
            return ascending ? c < 0 : c > 0;
        });
}

void MediaListVirtualModel::showList(Order order)
{
    m_displayedList = std::move(order);
    m_table->show(m_index, m_displayedList);
    ++m_showCount;
    m_nextRow = 0;
    emit clearTableSignal();
    sendRows();
}

void MediaListVirtualModel::sendRows()
{
    // Nobody shows the table (the library page is created when first shown): it asks again then.
    if (!isSignalConnected(QMetaMethod::fromSignal(&MediaListVirtualModel::appendRowToTableSignal))) {
        m_nextRow = m_displayedList.size();
        return;
    }
    QElapsedTimer slice;
    slice.start();
    const std::uint64_t shown = m_showCount;
    while (m_nextRow < m_displayedList.size()) {
        const std::size_t row = m_nextRow++;
        emit appendRowToTableSignal(QVariant(m_index->item(m_displayedList[row])->toVariantMap()));
        if (shown != m_showCount)
            return; // a receiver showed another table meanwhile
        if (m_nextRow >= kRowsPerSlice && m_nextRow % 16 == 0 && m_nextRow < m_displayedList.size() &&
            slice.elapsed() >= kSliceMs) {
            QMetaObject::invokeMethod(
                this,
                [this, shown] {
                    if (shown == m_showCount)
                        sendRows();
                },
                Qt::QueuedConnection);
            return;
        }
    }
}

void MediaListVirtualModel::triggerSearchMediaLibrary(QVariant searchText)
{
    m_lastSearchText = searchText;
    const std::string needle = ToLowercase(searchText.toString().toUtf8().toStdString());
    if (needle.empty()) {
        m_searchActive = false;
        showList(m_fullList);
        return;
    }
    m_searchActive = true;
    Order result;
    if (m_index) {
        const std::vector<bool> found = m_index->titlesContaining(needle);
        for (const std::uint32_t i : m_fullList)
            if (found[i])
                result.push_back(i);
    }
    showList(std::move(result));
}

void MediaListVirtualModel::triggerSortMediaLibrary(QVariant columnIndex, QVariant sortAscending)
{
    const int column = columnIndex.toInt();
    const bool ascending = sortAscending.toBool();
    Order displayed = m_displayedList;
    if (m_index && MediaListIndex::hasKey(column)) {
        const MediaListIndex& index = *m_index;
        std::stable_sort(displayed.begin(), displayed.end(),
                         [&index, column, ascending](std::uint32_t a, std::uint32_t b) {
                             const std::uint32_t ra = index.rank(column, a), rb = index.rank(column, b);
                             return ascending ? ra < rb : ra > rb;
                         });
    }
    showList(std::move(displayed));
}

void MediaListVirtualModel::onOnlineStatusChanged(QVariant connectionStatus)
{
    if (connectionStatus.toString() != QLatin1String("greenStatus")) {
        // The rows of the table still to come would land after the clear.
        ++m_showCount;
        m_nextRow = m_displayedList.size();
        m_table->clear();
        emit clearTableSignal();
    }
}

void MediaListVirtualModel::triggerShowMediaLibrary()
{
    if (m_index)
        showList(m_displayedList);
}

} // namespace Messaging
} // namespace Ulmar
