#include "VYRAListModel.h"

#include <algorithm>

#include <QCoreApplication>
#include <QDebug>

#include "Discoverer.h"
#include "GuiThreadRelay.h"

namespace Ulmar {

namespace {
bool sameRow(const tavik::Messaging::Discovered& a, const tavik::Messaging::Discovered& b)
{
    return a.sameUnit(b.getAddress(), b.getName(), b.getPort()) && a.isEncrypted() == b.isEncrypted();
}
} // namespace

VYRAListModel::VYRAListModel(QObject* parent)
    : QAbstractListModel(parent), m_relay(GuiThreadRelay::create(this))
{}

VYRAListModel::~VYRAListModel()
{
    // Slots may still fire from the discovery thread: cut them off before the rows go.
    m_addedConnection.disconnect();
    m_removedConnection.disconnect();
    m_relay->detach();
}

int VYRAListModel::rowCount(const QModelIndex& parent) const
{
    // Rows have no children; a list that claimed otherwise would send views looking for them.
    if (parent.isValid())
        return 0;
    return m_discoverer ? static_cast<int>(m_rows.size()) : 0;
}

QVariant VYRAListModel::data(const QModelIndex& index, int role) const
{
    if (!m_discoverer || index.row() < 0 || index.row() >= static_cast<int>(m_rows.size()))
        return QVariant();
    const auto& unit = m_rows[static_cast<std::size_t>(index.row())];
    switch (role) {
    case NameRole:
        return QString::fromStdString(unit.getName());
    case AddressRole:
        return QString::fromStdString(unit.getAddress());
    case PortRole:
        return static_cast<int>(unit.getPort());
    case EncryptedRole:
        return unit.isEncrypted();
    default:
        return QVariant();
    }
}

QVariant VYRAListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    // Context QObject: the catalogues hold these headers with the other class-less texts.
    if (orientation == Qt::Horizontal) {
        switch (role) {
        case NameRole:
            return QCoreApplication::translate("QObject", "Name");
        case AddressRole:
            return QCoreApplication::translate("QObject", "Address");
        case PortRole:
            return QCoreApplication::translate("QObject", "Port");
        default:
            return QVariant();
        }
    }
    if (orientation == Qt::Vertical)
        return section;
    return QVariant();
}

QHash<int, QByteArray> VYRAListModel::roleNames() const
{
    return {{NameRole, "name"}, {AddressRole, "address"}, {PortRole, "port"}};
}

void VYRAListModel::setDiscoverer(const std::shared_ptr<tavik::Messaging::Discoverer>& discoverer)
{
    if (discoverer == m_discoverer)
        return;
    qDebug() << "VYRAListModel::setDiscoverer";
    // Notifications of a previous discoverer would be applied to the rows of the new one.
    m_addedConnection.disconnect();
    m_removedConnection.disconnect();

    beginResetModel();
    m_discoverer = discoverer;
    m_rows = m_discoverer ? m_discoverer->getDiscovered() : std::vector<tavik::Messaging::Discovered>();
    endResetModel();
    if (!m_discoverer)
        return;

    // Queued even from the GUI thread (removeTooOldOnes), so that rows change in the order the list did.
    std::weak_ptr<GuiThreadRelay> relay = m_relay;
    m_addedConnection = m_discoverer->unitAdded.connect([this, relay](int index) {
        if (auto r = relay.lock())
            r->post([this, index] { onUnitAdded(index); });
    });
    m_removedConnection = m_discoverer->unitRemoved.connect([this, relay](int index) {
        if (auto r = relay.lock())
            r->post([this, index] { onUnitRemoved(index); });
    });
}

void VYRAListModel::onUnitAdded(int index)
{
    if (!m_discoverer || index < 0)
        return;
    const auto live = m_discoverer->getDiscovered();
    // The list may have moved on since the signal; the row is inserted where the signal said (or at the end
    // when later removals already shortened the rows), and refreshRows settles its content.
    const int row = std::min(index, static_cast<int>(m_rows.size()));
    tavik::Messaging::Discovered unit;
    if (static_cast<std::size_t>(row) < live.size())
        unit = live[static_cast<std::size_t>(row)];
    beginInsertRows(QModelIndex(), row, row);
    m_rows.insert(m_rows.begin() + row, unit);
    endInsertRows();
    refreshRows();
}

void VYRAListModel::onUnitRemoved(int index)
{
    const int numRows = rowCount();
    if (index < 0 || index >= numRows) {
        qDebug() << "item removed signal: index >= numRows. index=" << index << " numRows=" << numRows;
        return;
    }
    beginRemoveRows(QModelIndex(), index, index);
    m_rows.erase(m_rows.begin() + index);
    endRemoveRows();
    refreshRows();
}

void VYRAListModel::refreshRows()
{
    if (!m_discoverer)
        return;
    const auto live = m_discoverer->getDiscovered();
    const std::size_t n = std::min(live.size(), m_rows.size());
    for (std::size_t i = 0; i < n; ++i) {
        if (!sameRow(m_rows[i], live[i])) {
            m_rows[i] = live[i];
            const QModelIndex changed = index(static_cast<int>(i));
            emit dataChanged(changed, changed);
        }
    }
}

} // namespace Ulmar
