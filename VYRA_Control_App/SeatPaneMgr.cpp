#include "SeatPaneMgr.h"

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include <algorithm>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMetaObject>
#include <QThreadPool>

#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include "MessageBody.h"
#include "MessageNames.h"
#include "Messenger.h"
#include "RefusedSendLog.h"

namespace Ulmar {

namespace {
const char* const TrContext = "Ulmar::SeatPaneMgr";
const char* const SeatReadyText = QT_TRANSLATE_NOOP("Ulmar::SeatPaneMgr", "Seat Ready");
const char* const SeatsReadyText = QT_TRANSLATE_NOOP("Ulmar::SeatPaneMgr", "Seats Ready");
const char* const NoSeatText = QT_TRANSLATE_NOOP("Ulmar::SeatPaneMgr", "No Seat");

bool sameValues(const SeatStatusItem& a, const SeatStatusItem& b)
{
    return a.index() == b.index() && a.active() == b.active() && a.muted() == b.muted() &&
           a.controlsLocked() == b.controlsLocked() && a.motion() == b.motion() &&
           a.vibration() == b.vibration();
}
} // namespace

SeatPaneMgr::SeatPaneMgr(int updateDelayMs, QObject* parent)
    : QAbstractListModel(parent), m_bufferQueue(Messaging::BufferQueue::Create(1, 1024)), m_updateTimer(this),
      m_sendTimer(this), m_releaseTimer(this), m_rowsTimer(this)
{
    m_seats.emplace(0, std::make_shared<SeatStatusItem>());
    m_rows.push_back(m_seats.begin()->second);
    m_updateTimer.setSingleShot(true);
    m_updateTimer.setInterval(updateDelayMs);
    m_sendTimer.setSingleShot(true);
    m_sendTimer.setInterval(SendDelayMs);
    connect(&m_updateTimer, &QTimer::timeout, this, &SeatPaneMgr::doUpdate);
    connect(&m_sendTimer, &QTimer::timeout, this, &SeatPaneMgr::doSend);
    m_rowsTimer.setSingleShot(true);
    m_rowsTimer.setInterval(0);
    connect(&m_rowsTimer, &QTimer::timeout, this, &SeatPaneMgr::moveRowsOn);
    // The C library keeps the heap that hundreds of deleted seat cards held; give it back to the system.
    m_releaseTimer.setSingleShot(true);
    m_releaseTimer.setInterval(ReleaseDelayMs);
    connect(&m_releaseTimer, &QTimer::timeout, this, [this] {
        emit seatsReleased();
#if defined(__GLIBC__)
        // Walking a large heap takes a while: not on the GUI thread.
        QThreadPool::globalInstance()->start([] { malloc_trim(0); });
#endif
    });
}

SeatPaneMgr::~SeatPaneMgr() = default;

void SeatPaneMgr::setMessenger(const std::shared_ptr<Messaging::Messenger>& messenger)
{
    if (!messenger)
        return;
    m_messenger = messenger;
    std::weak_ptr<Messaging::IMessengerObserver> self =
        std::static_pointer_cast<Messaging::IMessengerObserver>(shared_from_this());
    m_messenger->AddObserver(self);
}

void SeatPaneMgr::setSeatStatus(const SeatMap& seats)
{
    bool userInteraction = false;
    {
        boost::unique_lock<boost::mutex> lock(m_mutex);
        m_pendingSeats = seats;
        userInteraction = m_userInteraction;
    }
    if (!userInteraction)
        QMetaObject::invokeMethod(this, "doUpdate", Qt::QueuedConnection);
}

int SeatPaneMgr::rowCount(const QModelIndex& parent) const
{
    // Rows have no children; a list that claimed otherwise would send views looking for them.
    if (parent.isValid())
        return 0;
    boost::unique_lock<boost::mutex> lock(m_mutex);
    return static_cast<int>(m_rows.size());
}

int SeatPaneMgr::seatCount() const
{
    return rowCount();
}

int SeatPaneMgr::seatsToShow() const
{
    boost::unique_lock<boost::mutex> lock(m_mutex);
    return static_cast<int>(m_seats.size());
}

int SeatPaneMgr::activeSeats() const
{
    return m_activeSeats;
}

QVariant SeatPaneMgr::data(const QModelIndex& index, int role) const
{
    boost::unique_lock<boost::mutex> lock(m_mutex);
    const int row = index.row();
    if (row < 0 || row >= static_cast<int>(m_rows.size()))
        return QVariant();
    const auto& seat = *m_rows[static_cast<size_t>(row)];
    switch (role) {
    case IndexRole:
        return seat.index();
    case ActiveRole:
        return seat.active();
    case MutedRole:
        return seat.muted();
    case ControlsLockedRole:
        return seat.controlsLocked();
    case MotionRole:
        return seat.motion();
    case VibrationRole:
        return seat.vibration();
    case InitializedRole:
        return m_initialized;
    default:
        return QVariant();
    }
}

bool SeatPaneMgr::setData(const QModelIndex& index, const QVariant& value, int role)
{
    boost::unique_lock<boost::mutex> lock(m_mutex);
    const int row = index.row();
    // A row beyond the unit's list is a seat that went away: nothing to send.
    if (row < 0 || row >= static_cast<int>(std::min(m_rows.size(), m_seats.size())))
        return true;
    const auto seat = m_rows[static_cast<size_t>(row)];
    switch (role) {
    case MutedRole:
        seat->setMuted(value.toBool());
        break;
    case ControlsLockedRole:
        seat->setControlsLocked(value.toBool());
        break;
    case MotionRole:
        seat->setMotion(value.toDouble());
        break;
    case VibrationRole:
        seat->setVibration(value.toDouble());
        break;
    default:
        break;
    }
    m_userInteraction = true;
    m_updateTimer.start();
    m_changedSeats.emplace(seat->index(), seat);
    m_sendTimer.start();
    return true;
}

Qt::ItemFlags SeatPaneMgr::flags(const QModelIndex& index) const
{
    // Rows are editable; the root is not an item at all.
    if (!index.isValid())
        return QAbstractListModel::flags(index);
    return QAbstractListModel::flags(index) | Qt::ItemIsEditable;
}

QHash<int, QByteArray> SeatPaneMgr::roleNames() const
{
    return {{IndexRole, "indexData"},
            {ActiveRole, "activeData"},
            {MutedRole, "mutedData"},
            {ControlsLockedRole, "controlsLockedData"},
            {MotionRole, "motionData"},
            {VibrationRole, "vibrationData"},
            {InitializedRole, "initializedData"}};
}

void SeatPaneMgr::userInteraction()
{
    boost::unique_lock<boost::mutex> lock(m_mutex);
    m_userInteraction = true;
    m_updateTimer.start();
}

void SeatPaneMgr::triggerUpdate()
{
    userInteraction();
}

void SeatPaneMgr::doUpdate()
{
    std::vector<std::shared_ptr<SeatStatusItem>> newRows;
    int oldSize = 0;
    int oldSeats = 0;
    {
        boost::unique_lock<boost::mutex> lock(m_mutex);
        m_userInteraction = false;
        if (!m_pendingSeats)
            return;
        SeatMap newSeats = std::move(*m_pendingSeats);
        m_pendingSeats.reset();
        while (newSeats.size() < 1) {
            auto seat = std::make_shared<SeatStatusItem>();
            seat->setIndex(static_cast<int>(newSeats.size()));
            newSeats.emplace(seat->index(), seat);
        }
        oldSize = static_cast<int>(m_rows.size());
        oldSeats = static_cast<int>(m_seats.size());
        m_seats = std::move(newSeats);
        m_initialized = true;
        newRows.reserve(m_seats.size());
        for (const auto& entry : m_seats)
            newRows.push_back(entry.second);
    }

    const int active = static_cast<int>(
        std::count_if(newRows.begin(), newRows.end(), [](const auto& seat) { return seat->active(); }));
    if (active != m_activeSeats) {
        m_activeSeats = active;
        emit activeSeatsChanged();
    }
    const int newSize = static_cast<int>(newRows.size());
    // Before any row changes, so that views know which rows stay while the others come or go.
    if (newSize != oldSeats)
        emit seatsToShowChanged();

    if (oldSize == newSize && newSize <= RowsAtOnce) {
        m_rowsToRefresh.clear();
        {
            boost::unique_lock<boost::mutex> lock(m_mutex);
            m_rows = std::move(newRows);
        }
        emit dataChanged(index(0), index(newSize > 0 ? newSize - 1 : 0), {});
    } else if (oldSize <= RowsAtOnce && newSize <= RowsAtOnce) {
        m_rowsTimer.stop();
        m_rowsToRefresh.clear();
        if (oldSize > 0) {
            beginRemoveRows(QModelIndex(), 0, oldSize - 1);
            {
                boost::unique_lock<boost::mutex> lock(m_mutex);
                m_rows.clear();
            }
            endRemoveRows();
        }
        if (newSize > 0) {
            beginInsertRows(QModelIndex(), 0, newSize - 1);
            {
                boost::unique_lock<boost::mutex> lock(m_mutex);
                m_rows = std::move(newRows);
            }
            endInsertRows();
        }
        emit seatCountChanged();
        if (newSize < oldSize)
            m_releaseTimer.start();
    } else {
        // The rows show the new seats at once; their views are told a few rows per pass, and only where
        // something changed (a unit repeats its whole list on every change).
        const int common = std::min(oldSize, newSize);
        m_rowsToRefresh.erase(m_rowsToRefresh.lower_bound(common), m_rowsToRefresh.end());
        {
            boost::unique_lock<boost::mutex> lock(m_mutex);
            for (int row = 0; row < common; ++row) {
                auto& shown = m_rows[static_cast<size_t>(row)];
                if (!sameValues(*shown, *newRows[static_cast<size_t>(row)]))
                    m_rowsToRefresh.insert(row);
                shown = newRows[static_cast<size_t>(row)];
            }
        }
        m_rowsTimer.start();
    }

    const char* colour = "redStatus";
    const char* text = NoSeatText;
    if (active == 1) {
        colour = "greenStatus";
        text = SeatReadyText;
    } else if (active >= 2) {
        colour = "greenStatus";
        text = SeatsReadyText;
    }
    emit updateSeatStatusLabelSignal(QVariant(QString::fromLatin1(colour)),
                                     QVariant(QCoreApplication::translate(TrContext, text)));
}

void SeatPaneMgr::moveRowsOn()
{
    int rows = 0;
    int seats = 0;
    {
        boost::unique_lock<boost::mutex> lock(m_mutex);
        rows = static_cast<int>(m_rows.size());
        seats = static_cast<int>(m_seats.size());
    }
    QElapsedTimer pass;
    pass.start();
    if (!m_rowsToRefresh.empty()) {
        // Runs of consecutive rows, one dataChanged each.
        int refreshed = 0;
        while (!m_rowsToRefresh.empty() && refreshed < RowsPerPass &&
               (refreshed == 0 || pass.elapsed() < RowsPassBudgetMs)) {
            const int first = *m_rowsToRefresh.begin();
            int last = first;
            m_rowsToRefresh.erase(m_rowsToRefresh.begin());
            while (!m_rowsToRefresh.empty() && *m_rowsToRefresh.begin() == last + 1 &&
                   refreshed + (last - first + 1) < RowsPerPass) {
                ++last;
                m_rowsToRefresh.erase(m_rowsToRefresh.begin());
            }
            emit dataChanged(index(first), index(last), {});
            refreshed += last - first + 1;
        }
        m_rowsTimer.start();
        return;
    }
    if (rows > seats) {
        // The last rows of seats that went away; their cards go on the next pass of the event loop.
        const int gone = std::min(rows - seats, RowsGonePerPass);
        beginRemoveRows(QModelIndex(), rows - gone, rows - 1);
        {
            boost::unique_lock<boost::mutex> lock(m_mutex);
            m_rows.resize(static_cast<size_t>(rows - gone));
        }
        endRemoveRows();
        rows -= gone;
        if (rows == seats)
            m_releaseTimer.start();
    } else if (rows < seats) {
        const int first = rows;
        const int last = std::min(seats, rows + RowsPerPass);
        while (rows < last && (rows == first || pass.elapsed() < RowsPassBudgetMs)) {
            // One row at a time: its card is made before the clock is read again.
            beginInsertRows(QModelIndex(), rows, rows);
            {
                boost::unique_lock<boost::mutex> lock(m_mutex);
                m_rows.push_back(std::next(m_seats.begin(), rows)->second);
            }
            endInsertRows();
            ++rows;
        }
    } else {
        return;
    }
    if (rows != seats)
        m_rowsTimer.start();
    emit seatCountChanged();
}

std::string SeatPaneMgr::seatSettingBody(const SeatStatusItem& seat)
{
    rapidjson::StringBuffer buffer;
    rapidjson::Writer<rapidjson::StringBuffer> writer(buffer);
    writer.StartObject();
    writer.Key(Messaging::JsonKey::Seat.c_str());
    writer.StartObject();
    writer.Key(Messaging::JsonKey::Index.c_str());
    writer.Int(seat.index());
    writer.Key(Messaging::JsonKey::Muted.c_str());
    writer.Bool(seat.muted());
    writer.Key(Messaging::JsonKey::Chained.c_str());
    writer.Bool(seat.controlsLocked());
    writer.Key(Messaging::JsonKey::Motion.c_str());
    writer.Double(seat.motion());
    writer.Key(Messaging::JsonKey::Vibration.c_str());
    writer.Double(seat.vibration());
    writer.EndObject();
    writer.EndObject();
    return std::string(buffer.GetString(), buffer.GetSize());
}

void SeatPaneMgr::doSend()
{
    SeatMap changed;
    {
        boost::unique_lock<boost::mutex> lock(m_mutex);
        changed.swap(m_changedSeats);
    }
    for (const auto& entry : changed) {
        const auto message = Messaging::makeMessage(Messaging::MessageType::SetSeatSetting,
                                                    seatSettingBody(*entry.second), m_bufferQueue);
        if (m_messenger)
            Messaging::RefusedSendLog::send(m_messenger, message);
    }
}

void SeatPaneMgr::handleConnected()
{
    boost::unique_lock<boost::mutex> lock(m_mutex);
    m_connected = true;
}

void SeatPaneMgr::handleConnectionLost()
{
    bool wasConnected = false;
    {
        boost::unique_lock<boost::mutex> lock(m_mutex);
        wasConnected = m_connected;
        m_connected = false;
    }
    if (!wasConnected)
        return;
    // Shown at once, untranslated, until the queued update below shows the translated red line.
    emit updateSeatStatusLabelSignal(QVariant(QStringLiteral("blankStatus")),
                                     QVariant(QStringLiteral("No Seat")));
    setSeatStatus(SeatMap());
}

void SeatPaneMgr::handleDisconnected() {}

} // namespace Ulmar
