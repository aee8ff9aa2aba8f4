#pragma once

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <vector>

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
    // The rows the list is heading for: a long list takes a few passes to reach them.
    Q_PROPERTY(int seatsToShow READ seatsToShow NOTIFY seatsToShowChanged)

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
    // After the last rows of seats that went away are taken out, their cards are gone by then.
    static constexpr int ReleaseDelayMs = 2000;
    // Lists up to this size replace the rows at once. Beyond it, the rows both lists have are updated in
    // place (those whose seat changed, a few per pass) and the others come or go a few per pass of the event
    // loop, so that a unit with hundreds of seats does not hold the window up while their cards are made or
    // destroyed.
    static constexpr int RowsAtOnce = 16;
    // Rows added or refreshed in one pass: at most this many, and no more once the pass took
    // RowsPassBudgetMs (making a card takes a few milliseconds, many more on a busy machine).
    static constexpr int RowsPerPass = 8;
    static constexpr int RowsPassBudgetMs = 20;
    // Rows taken out in one pass (their cards are destroyed together on the next pass of the event loop).
    static constexpr int RowsGonePerPass = 8;

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
    int seatsToShow() const;

    // The body of one "SetSeatSetting" message for the given seat.
    static std::string seatSettingBody(const SeatStatusItem& seat);

signals:
    void updateSeatStatusLabelSignal(QVariant statusColor, QVariant text);
    void seatCountChanged();
    void activeSeatsChanged();
    void seatsToShowChanged();
    // Seats went away a moment ago: a garbage collection now lets their cards' memory go back to the system.
    void seatsReleased();

public slots:
    void userInteraction();

private slots:
    void doUpdate();
    void doSend();
    void moveRowsOn();

public:
    Q_INVOKABLE void triggerUpdate();

private:
    std::shared_ptr<Messaging::Messenger> m_messenger;
    std::shared_ptr<Messaging::BufferQueue> m_bufferQueue;
    QTimer m_updateTimer;
    QTimer m_sendTimer;
    QTimer m_releaseTimer;
    QTimer m_rowsTimer; // moves the rows on towards m_seats
    std::optional<SeatMap> m_pendingSeats;
    SeatMap m_seats;
    // The rows shown: the first ones are those of m_seats, in order; beyond m_seats' size, seats that went
    // away and are still being taken out.
    std::vector<std::shared_ptr<SeatStatusItem>> m_rows;
    SeatMap m_changedSeats;
    bool m_connected = false;
    bool m_userInteraction = false;
    bool m_initialized = false;
    mutable boost::mutex m_mutex;
    std::int32_t m_activeSeats = 0;
    // Rows whose seat changed and whose views have not been told yet (GUI thread).
    std::set<int> m_rowsToRefresh;
};

} // namespace Ulmar
