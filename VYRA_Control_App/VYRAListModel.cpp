#include "VYRAListModel.h"

#include <algorithm>

#include <QCoreApplication>
#include <QDebug>
#include <QElapsedTimer>

#include "Discoverer.h"
#include "GuiThreadRelay.h"
#include "LogCategories.h"

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
    m_updatedConnection.disconnect();
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
    qCDebug(lcUnits) << "VYRAListModel::setDiscoverer";
    // Notifications of a previous discoverer would be applied to the rows of the new one.
    m_addedConnection.disconnect();
    m_removedConnection.disconnect();
    m_updatedConnection.disconnect();
    {
        std::lock_guard<std::mutex> lock(m_queueMutex);
        m_queue.clear();
    }

    beginResetModel();
    m_discoverer = discoverer;
    m_rows.clear();
    if (!m_discoverer) {
        endResetModel();
        return;
    }
    // The copy and the subscriptions under one hold: no change of the list is missed or applied twice.
    const auto hold = m_discoverer->holdChanges();
    m_rows = m_discoverer->getDiscovered();
    endResetModel();

    // Each change carries what it changed, and is applied on the GUI thread in the order the list changed:
    // no copy of the whole list per change (a flood of announcements would make that quadratic). Queued even
    // from the GUI thread (removeTooOldOnes), so that rows change in the order the list did.
    m_addedConnection =
        m_discoverer->unitInserted.connect([this](int index, const tavik::Messaging::Discovered& unit) {
            queue({Change::Added, index, unit});
        });
    m_removedConnection = m_discoverer->unitRemoved.connect([this](int index) {
        queue({Change::Removed, index, {}});
    });
    m_updatedConnection =
        m_discoverer->unitUpdated.connect([this](int index, const tavik::Messaging::Discovered& unit) {
            queue({Change::Updated, index, unit});
        });
}

void VYRAListModel::queue(Change change)
{
    std::lock_guard<std::mutex> lock(m_queueMutex);
    m_queue.push_back(std::move(change));
    if (m_applyPosted)
        return;
    m_applyPosted = true;
    m_relay->post([this] { applyQueued(); });
}

void VYRAListModel::applyQueued()
{
    // Every row change makes the views (and the status page's handlers) do their share: under a flood of
    // announcements the rest waits for the next turn of the event loop rather than holding it.
    constexpr qint64 kBudgetMs = 8;
    QElapsedTimer elapsed;
    elapsed.start();
    for (;;) {
        Change change;
        {
            std::lock_guard<std::mutex> lock(m_queueMutex);
            if (m_queue.empty()) {
                m_applyPosted = false;
                return;
            }
            if (elapsed.elapsed() >= kBudgetMs) {
                m_relay->post([this] { applyQueued(); });
                return;
            }
            change = std::move(m_queue.front());
            m_queue.pop_front();
        }
        switch (change.kind) {
        case Change::Added:
            onUnitAdded(change.index, change.unit);
            break;
        case Change::Removed:
            onUnitRemoved(change.index);
            break;
        case Change::Updated:
            onUnitUpdated(change.index, change.unit);
            break;
        }
    }
}

void VYRAListModel::onUnitAdded(int index, const tavik::Messaging::Discovered& unit)
{
    if (!m_discoverer || index < 0)
        return;
    // Rows follow the list change by change, so the index is where the list put it; the bound only matters
    // for a row signal raised by hand.
    const int row = std::min(index, static_cast<int>(m_rows.size()));
    beginInsertRows(QModelIndex(), row, row);
    m_rows.insert(m_rows.begin() + row, unit);
    endInsertRows();
}

void VYRAListModel::onUnitRemoved(int index)
{
    const int numRows = rowCount();
    if (index < 0 || index >= numRows) {
        qCDebug(lcUnits) << "item removed signal: index >= numRows. index=" << index
                         << " numRows=" << numRows;
        return;
    }
    beginRemoveRows(QModelIndex(), index, index);
    m_rows.erase(m_rows.begin() + index);
    endRemoveRows();
}

void VYRAListModel::onUnitUpdated(int index, const tavik::Messaging::Discovered& unit)
{
    if (index < 0 || index >= static_cast<int>(m_rows.size()) || sameRow(m_rows[std::size_t(index)], unit))
        return;
    m_rows[std::size_t(index)] = unit;
    const QModelIndex changed = this->index(index);
    emit dataChanged(changed, changed);
}

} // namespace Ulmar
