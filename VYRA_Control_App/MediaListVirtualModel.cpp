#include "MediaListVirtualModel.h"

#include <algorithm>

#include "GuiThreadRelay.h"
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
    : QObject(parent), m_relay(GuiThreadRelay::create(this))
{}

MediaListVirtualModel::~MediaListVirtualModel()
{
    m_relay->detach();
}

void MediaListVirtualModel::setMediaList(MediaList list)
{
    // The lists belong to the model's thread. The relay hands the list over under its own lock (visible to
    // the thread sanitizer) and drops it if the model is gone by then.
    auto shared = std::make_shared<MediaList>(std::move(list));
    m_relay->run([this, shared] { applyMediaList(std::move(*shared)); });
}

void MediaListVirtualModel::applyMediaList(MediaList list)
{
    m_fullList = std::move(list);
    if (!m_searchActive) {
        sortList(m_fullList, 0, true);
        showList(m_fullList);
    } else {
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

void MediaListVirtualModel::showList(const MediaList& list)
{
    m_displayedList = list;
    emit clearTableSignal();
    for (const auto& item : m_displayedList)
        emit appendRowToTableSignal(QVariant(item->toVariantMap()));
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
    MediaList result;
    for (const auto& item : m_fullList) {
        const std::string& title = item->titleRef();
        if (title.size() < needle.size())
            continue;
        if (ToLowercase(title).find(needle) != std::string::npos)
            result.push_back(item);
    }
    showList(result);
}

void MediaListVirtualModel::triggerSortMediaLibrary(QVariant columnIndex, QVariant sortAscending)
{
    sortList(m_displayedList, columnIndex.toInt(), sortAscending.toBool());
    const MediaList displayed = m_displayedList;
    showList(displayed);
}

void MediaListVirtualModel::onOnlineStatusChanged(QVariant connectionStatus)
{
    if (connectionStatus.toString() != QLatin1String("greenStatus"))
        emit clearTableSignal();
}

} // namespace Messaging
} // namespace Ulmar
