#include "MediaListTableModel.h"

#include "MediaListIndex.h"

namespace Ulmar {
namespace Messaging {

MediaListTableModel::MediaListTableModel(QObject* parent) : QAbstractListModel(parent) {}

MediaListTableModel::~MediaListTableModel() = default;

void MediaListTableModel::show(std::shared_ptr<const MediaListIndex> index, std::vector<std::uint32_t> rows)
{
    const int before = rowCount();
    beginResetModel();
    m_placeholder = false;
    m_index = std::move(index);
    m_rows = m_index ? std::move(rows) : std::vector<std::uint32_t>();
    endResetModel();
    if (rowCount() != before)
        emit countChanged();
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
