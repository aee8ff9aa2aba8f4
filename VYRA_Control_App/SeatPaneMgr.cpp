#include "SeatPaneMgr.h"

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include <algorithm>

#include <QCoreApplication>
#include <QMetaObject>
#include <QThreadPool>

#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include "MessageBody.h"
#include "MessageNames.h"
#include "Messenger.h"

namespace Ulmar {

namespace {
const char* const TrContext = "Ulmar::SeatPaneMgr";
const char* const SeatReadyText = QT_TRANSLATE_NOOP("Ulmar::SeatPaneMgr", "Seat Ready");
const char* const SeatsReadyText = QT_TRANSLATE_NOOP("Ulmar::SeatPaneMgr", "Seats Ready");
const char* const NoSeatText = QT_TRANSLATE_NOOP("Ulmar::SeatPaneMgr", "No Seat");
} // namespace

SeatPaneMgr::SeatPaneMgr(int updateDelayMs, QObject* parent)
    : QAbstractListModel(parent), m_bufferQueue(Messaging::BufferQueue::Create(1, 1024)), m_updateTimer(this),
      m_sendTimer(this), m_releaseTimer(this), m_moreRowsTimer(this)
{
    m_seats.emplace(0, std::make_shared<SeatStatusItem>());
    m_updateTimer.setSingleShot(true);
    m_updateTimer.setInterval(updateDelayMs);
    m_sendTimer.setSingleShot(true);
    m_sendTimer.setInterval(SendDelayMs);
    connect(&m_updateTimer, &QTimer::timeout, this, &SeatPaneMgr::doUpdate);
    connect(&m_sendTimer, &QTimer::timeout, this, &SeatPaneMgr::doSend);
    m_moreRowsTimer.setSingleShot(true);
    m_moreRowsTimer.setInterval(0);
    connect(&m_moreRowsTimer, &QTimer::timeout, this, &SeatPaneMgr::showMoreRows);
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

int SeatPaneMgr::rowCount(const QModelIndex&) const
{
    boost::unique_lock<boost::mutex> lock(m_mutex);
    return m_shownRows;
}

int SeatPaneMgr::seatCount() const
{
    return rowCount();
}

int SeatPaneMgr::activeSeats() const
{
    return m_activeSeats;
}

QVariant SeatPaneMgr::data(const QModelIndex& index, int role) const
{
    boost::unique_lock<boost::mutex> lock(m_mutex);
    const int row = index.row();
    if (row < 0 || row >= m_shownRows)
        return QVariant();
    const auto& seat = *std::next(m_seats.begin(), row)->second;
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
    if (row < 0 || row >= m_shownRows)
        return true;
    const auto seat = std::next(m_seats.begin(), row)->second;
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
    SeatMap newSeats;
    int oldSize = 0;
    {
        boost::unique_lock<boost::mutex> lock(m_mutex);
        m_userInteraction = false;
        if (!m_pendingSeats)
            return;
        newSeats = std::move(*m_pendingSeats);
        m_pendingSeats.reset();
        while (newSeats.size() < 1) {
            auto seat = std::make_shared<SeatStatusItem>();
            seat->setIndex(static_cast<int>(newSeats.size()));
            newSeats.emplace(seat->index(), seat);
        }
        oldSize = m_shownRows;
        m_seats = newSeats;
        m_initialized = true;
    }

    int active = 0;
    for (const auto& entry : newSeats)
        if (entry.second->active())
            ++active;
    if (active != m_activeSeats) {
        m_activeSeats = active;
        emit activeSeatsChanged();
    }

    const int newSize = static_cast<int>(newSeats.size());
    if (oldSize == newSize) {
        emit dataChanged(index(0), index(newSize > 0 ? newSize - 1 : 0), {});
    } else {
        m_moreRowsTimer.stop();
        if (oldSize > 0) {
            beginRemoveRows(QModelIndex(), 0, oldSize - 1);
            setShownRows(0);
            endRemoveRows();
        }
        const int first = std::min(newSize, RowsAtOnce);
        if (first > 0) {
            beginInsertRows(QModelIndex(), 0, first - 1);
            setShownRows(first);
            endInsertRows();
        }
        if (first < newSize)
            m_moreRowsTimer.start();
        emit seatCountChanged();
        if (newSize < oldSize)
            m_releaseTimer.start();
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

void SeatPaneMgr::showMoreRows()
{
    int shown = 0;
    int total = 0;
    {
        boost::unique_lock<boost::mutex> lock(m_mutex);
        shown = m_shownRows;
        total = static_cast<int>(m_seats.size());
    }
    if (shown >= total)
        return;
    const int more = std::min(total - shown, RowsPerPass);
    beginInsertRows(QModelIndex(), shown, shown + more - 1);
    setShownRows(shown + more);
    endInsertRows();
    if (shown + more < total)
        m_moreRowsTimer.start();
    emit seatCountChanged();
}

void SeatPaneMgr::setShownRows(int rows)
{
    boost::unique_lock<boost::mutex> lock(m_mutex);
    m_shownRows = rows;
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
            m_messenger->send(message);
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
