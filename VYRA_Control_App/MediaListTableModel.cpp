#include "MediaListTableModel.h"

#include "MediaListIndex.h"

namespace Ulmar {
namespace Messaging {

MediaListTableModel::MediaListTableModel(QObject* parent) : QAbstractListModel(parent) {}

MediaListTableModel::~MediaListTableModel() = default;

void MediaListTableModel::show(std::shared_ptr<const MediaListIndex> index, std::vector<std::uint32_t> rows)
{
    if (sameRecords(index.get(), rows)) {
        if (rows != m_rows)
            reorder(std::move(rows));
        return;
    }
    const int before = rowCount();
    beginResetModel();
    m_placeholder = false;
    m_index = std::move(index);
    m_rows = m_index ? std::move(rows) : std::vector<std::uint32_t>();
    endResetModel();
    if (rowCount() != before)
        emit countChanged();
}

bool MediaListTableModel::sameRecords(const MediaListIndex* index,
                                      const std::vector<std::uint32_t>& rows) const
{
    if (m_placeholder || !index || index != m_index.get() || rows.size() != m_rows.size())
        return false;
    std::vector<bool> shown(index->size(), false);
    for (const std::uint32_t r : m_rows)
        shown[r] = true;
    for (const std::uint32_t r : rows) {
        if (!shown[r])
            return false;
        shown[r] = false; // each record once
    }
    return true;
}

void MediaListTableModel::reorder(std::vector<std::uint32_t> rows)
{
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    if (!before.isEmpty()) {
        std::vector<int> rowOf(m_index->size(), -1);
        for (std::size_t row = 0; row < rows.size(); ++row)
            rowOf[rows[row]] = static_cast<int>(row);
        QModelIndexList after;
        after.reserve(before.size());
        for (const QModelIndex& old : before)
            after.append(index(rowOf[m_rows[static_cast<std::size_t>(old.row())]], old.column()));
        m_rows = std::move(rows);
        changePersistentIndexList(before, after);
    } else {
        m_rows = std::move(rows);
    }
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

QVariantMap MediaListTableModel::get(int row) const
{
    if (row < 0 || row >= rowCount())
        return {};
    if (m_placeholder)
        return MediaItem().toVariantMap();
    return m_index->item(m_rows[static_cast<std::size_t>(row)])->toVariantMap();
}

int MediaListTableModel::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid())
        return 0;
    return m_placeholder ? 1 : static_cast<int>(m_rows.size());
}

QVariant MediaListTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || role < TitleRole || role > LanguageRole)
        return {};
    if (m_placeholder)
        return QString();
    const MediaItem& item = *m_index->item(m_rows[static_cast<std::size_t>(index.row())]);
    switch (role) {
    case TitleRole:
        return QString::fromStdString(item.titleRef());
    case DurationRole:
        return QString::fromStdString(item.durationRef());
    case ReleaseDateRole:
        return QString::fromStdString(item.releaseDateRef());
    case CutRole:
        return QString::fromStdString(item.cutRef());
    default:
        return QString::fromStdString(item.languageRef());
    }
}

QHash<int, QByteArray> MediaListTableModel::roleNames() const
{
    return {{TitleRole, "title"},
            {DurationRole, "duration"},
            {ReleaseDateRole, "releaseDate"},
            {CutRole, "cut"},
            {LanguageRole, "language"}};
}

} // namespace Messaging
} // namespace Ulmar
