#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include <QAbstractListModel>

namespace Ulmar {
namespace Messaging {

class MediaListIndex;

// The rows the library page's table shows, for its view: records of a library in display order, read from the
// library itself when the view asks, so that showing a table of 50,000 titles (or a search) is one reset of
// the model and the view only makes the rows it shows. The same records in another order (a sort) are a
// layout change instead: the view keeps its rows and only reads their data again, and persistent indexes
// follow their records. Owned and changed by MediaListVirtualModel on its thread. Until the first table it
// holds one empty row, so the table shows an empty line, not nothing.
class MediaListTableModel : public QAbstractListModel
{
    Q_OBJECT
    Q_PROPERTY(int count READ count NOTIFY countChanged)

public:
    enum Role
    {
        TitleRole = Qt::UserRole + 1,
        DurationRole,
        ReleaseDateRole,
        CutRole,
        LanguageRole
    };

    explicit MediaListTableModel(QObject* parent = nullptr);
    ~MediaListTableModel() override;

    // Shows the records `rows` (positions in `index`, each at most once) in this order; a null index shows
    // nothing.
    void show(std::shared_ptr<const MediaListIndex> index, std::vector<std::uint32_t> rows);
    // No rows.
    void clear() { show(nullptr, {}); }

    int count() const { return rowCount(); }
    // The row's fields by their names ("title", "duration", "releaseDate", "cut", "language"), as a row
    // signal of the library carries them; an empty map for a row that does not exist.
    Q_INVOKABLE QVariantMap get(int row) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

signals:
    void countChanged();

private:
    // Whether `rows` of `index` are the records shown now, in any order.
    bool sameRecords(const MediaListIndex* index, const std::vector<std::uint32_t>& rows) const;
    void reorder(std::vector<std::uint32_t> rows);

    bool m_placeholder = true;
    std::shared_ptr<const MediaListIndex> m_index;
    std::vector<std::uint32_t> m_rows;
};

} // namespace Messaging
} // namespace Ulmar
