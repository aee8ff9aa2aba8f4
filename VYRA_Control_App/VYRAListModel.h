#pragma once

#include <deque>
#include <memory>
#include <mutex>
#include <vector>

#include <QAbstractListModel>
#include <boost/signals2/connection.hpp>

#include "Discovered.h"

namespace tavik {
namespace Messaging {
class Discoverer;
}
} // namespace tavik

namespace Ulmar {

class GuiThreadRelay;

// The discovered units for QML ("VYRAList"). The discoverer raises its row signals, with the unit each
// concerns, on messaging threads; they are carried to the GUI thread, where a copy of the list is changed row
// by row exactly as the views are told. rowCount and data read that snapshot, never the live list, so a view
// never sees a row it was not told about.
class VYRAListModel : public QAbstractListModel
{
    Q_OBJECT

public:
    enum Roles
    {
        NameRole = 0,
        AddressRole = 1,
        PortRole = 2,
        EncryptedRole = 3
    };

    explicit VYRAListModel(QObject* parent);
    ~VYRAListModel() override;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

    void setDiscoverer(const std::shared_ptr<tavik::Messaging::Discoverer>& discoverer);

private:
    struct Change
    {
        enum Kind
        {
            Added,
            Removed,
            Updated
        } kind;
        int index;
        tavik::Messaging::Discovered unit;
    };
    // Any thread: the change is applied on the GUI thread, in order.
    void queue(Change change);
    // GUI thread: applies queued changes for a few milliseconds at most, then lets the event loop run.
    void applyQueued();
    void onUnitAdded(int index, const tavik::Messaging::Discovered& unit);
    void onUnitRemoved(int index);
    void onUnitUpdated(int index, const tavik::Messaging::Discovered& unit);

    std::shared_ptr<tavik::Messaging::Discoverer> m_discoverer;
    std::vector<tavik::Messaging::Discovered> m_rows;
    std::shared_ptr<GuiThreadRelay> m_relay;
    std::mutex m_queueMutex;
    std::deque<Change> m_queue;
    bool m_applyPosted = false;
    boost::signals2::scoped_connection m_addedConnection;
    boost::signals2::scoped_connection m_removedConnection;
    boost::signals2::scoped_connection m_updatedConnection;
};

} // namespace Ulmar
