#pragma once

#include <map>
#include <memory>
#include <optional>

#include <QAbstractListModel>
#include <QTimer>
#include <QVariant>

#include <boost/thread/mutex.hpp>

#include "BufferQueue.h"
#include "IMessengerObserver.h"
#include "SeatStatusItem.h"

namespace Ulmar {

namespace Messaging {
class Messenger;
}

// Seats by index, in ascending order; inserting an index that is present keeps the existing entry.
using SeatMap = std::map<int, std::shared_ptr<SeatStatusItem>>;

// The seat list model ("seatsModel"). Unit updates arrive on a messaging thread and are applied on the GUI
// thread; while the user edits, they wait for the update timer. Edits are batched by the send timer into one
// "SetSeatSetting" message per edited seat. Must be owned by a shared pointer (setMessenger registers a weak
// reference to itself).
class SeatPaneMgr : public QAbstractListModel,
                    public Messaging::IMessengerObserver,
                    public std::enable_shared_from_this<SeatPaneMgr>
{
    Q_OBJECT
    Q_PROPERTY(int seatCount READ seatCount NOTIFY seatCountChanged)
    Q_PROPERTY(int activeSeats READ activeSeats NOTIFY activeSeatsChanged)

public:
    enum Roles
    {
        IndexRole = Qt::UserRole + 1,
        ActiveRole,
        MutedRole,
        ControlsLockedRole,
        MotionRole,
        VibrationRole,
        InitializedRole
    };

    static constexpr int SendDelayMs = 100;
    // After seats went away, their cards are gone by then.
    static constexpr int ReleaseDelayMs = 2000;
    // Rows shown at once; beyond them rows come a few per pass of the event loop, so that a unit with
    // hundreds of seats does not hold the window up while their cards are made.
    static constexpr int RowsAtOnce = 16;
    static constexpr int RowsPerPass = 4;

    explicit SeatPaneMgr(int updateDelayMs, QObject* parent = nullptr);
    ~SeatPaneMgr() override;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QHash<int, QByteArray> roleNames() const override;

    void handleConnected() override;
    void handleConnectionLost() override;
    void handleDisconnected() override;

    void setMessenger(const std::shared_ptr<Messaging::Messenger>& messenger);
    // Any thread: the latest seat list from the unit; shown on the GUI thread.
    void setSeatStatus(const SeatMap& seats);

    int seatCount() const;
    int activeSeats() const;

    // The body of one "SetSeatSetting" message for the given seat.
    static std::string seatSettingBody(const SeatStatusItem& seat);

signals:
    void updateSeatStatusLabelSignal(QVariant statusColor, QVariant text);
    void seatCountChanged();
    void activeSeatsChanged();
    // Seats went away a moment ago: a garbage collection now lets their cards' memory go back to the system.
    void seatsReleased();

public slots:
    void userInteraction();

private slots:
    void doUpdate();
    void doSend();
    void showMoreRows();

private:
    void setShownRows(int rows);

public:
    Q_INVOKABLE void triggerUpdate();

private:
    std::shared_ptr<Messaging::Messenger> m_messenger;
    std::shared_ptr<Messaging::BufferQueue> m_bufferQueue;
    QTimer m_updateTimer;
    QTimer m_sendTimer;
    QTimer m_releaseTimer;
    QTimer m_moreRowsTimer;
    std::optional<SeatMap> m_pendingSeats;
    SeatMap m_seats;
    int m_shownRows = 1; // the first rows of m_seats that the model shows
    SeatMap m_changedSeats;
    bool m_connected = false;
    bool m_userInteraction = false;
    bool m_initialized = false;
    mutable boost::mutex m_mutex;
    std::int32_t m_activeSeats = 0;
};

} // namespace Ulmar
