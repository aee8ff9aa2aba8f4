#include "StandIns.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QMutex>
#include <QStringList>

#include <algorithm>
#include <numeric>

namespace {
QMutex g_logMutex;
QStringList g_log;
QtMessageHandler g_previousHandler = nullptr;

void recordMessage(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    {
        QMutexLocker lock(&g_logMutex);
        g_log.append(message);
    }
    if (g_previousHandler)
        g_previousHandler(type, context, message);
}
} // namespace

void installLogRecorder()
{
    // The test library installs its own handler when logging starts: go on top of it.
    QtMessageHandler previous = qInstallMessageHandler(recordMessage);
    if (previous != recordMessage)
        g_previousHandler = previous;
}

bool TestNet::logContains(const QString& text) const
{
    QMutexLocker lock(&g_logMutex);
    for (const QString& line : g_log) {
        if (line.contains(text))
            return true;
    }
    return false;
}

QVariantList StandInApi::callsNamed(const QString& name) const
{
    QVariantList out;
    for (const auto& c : m_calls) {
        const auto m = c.toMap();
        if (m.value("name").toString() == name)
            out.append(m.value("args"));
    }
    return out;
}

QVariant StandInSeatModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= int(m_rows.size()))
        return {};
    const Seat& s = m_rows[size_t(index.row())];
    switch (role) {
    case Index:
        return s.index;
    case Active:
        return s.active;
    case Muted:
        return s.muted;
    case Locked:
        return s.locked;
    case Motion:
        return s.motion;
    case Vibration:
        return s.vibration;
    default:
        return {};
    }
}

bool StandInSeatModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!index.isValid() || index.row() >= int(m_rows.size()))
        return false;
    Seat& s = m_rows[size_t(index.row())];
    switch (role) {
    case Muted:
        s.muted = value.toBool();
        break;
    case Locked:
        s.locked = value.toBool();
        break;
    case Motion:
        s.motion = value.toDouble();
        break;
    case Vibration:
        s.vibration = value.toDouble();
        break;
    default:
        return false;
    }
    emit dataChanged(index, index, {role});
    return true;
}

QHash<int, QByteArray> StandInSeatModel::roleNames() const
{
    return {{Index, "indexData"},           {Active, "activeData"}, {Muted, "mutedData"},
            {Locked, "controlsLockedData"}, {Motion, "motionData"}, {Vibration, "vibrationData"}};
}

void StandInSeatModel::resetSeats(int count)
{
    headFor(count);
    beginResetModel();
    m_rows.assign(size_t(count), Seat{});
    for (int i = 0; i < count; ++i)
        m_rows[size_t(i)].index = i;
    endResetModel();
}

void StandInSeatModel::removeLastRows(int count)
{
    const int rows = int(m_rows.size());
    beginRemoveRows(QModelIndex(), rows - count, rows - 1);
    m_rows.resize(size_t(rows - count));
    endRemoveRows();
}

void StandInSeatModel::setSeat(int row, bool active, bool muted, bool locked, double motion, double vibration)
{
    Seat& s = m_rows.at(size_t(row));
    s.active = active;
    s.muted = muted;
    s.locked = locked;
    s.motion = motion;
    s.vibration = vibration;
    emit dataChanged(index(row), index(row));
}

QVariantMap StandInSeatModel::seat(int row) const
{
    const Seat& s = m_rows.at(size_t(row));
    return {{"muted", s.muted}, {"locked", s.locked}, {"motion", s.motion}, {"vibration", s.vibration}};
}

QVariant StandInUnitList::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= int(m_units.size()))
        return {};
    const Unit& u = m_units[size_t(index.row())];
    switch (role) {
    case 0:
        return u.name;
    case 1:
        return u.address;
    case 2:
        return u.port;
    case 3:
        return u.encrypted;
    default:
        return {};
    }
}

void StandInUnitList::addUnit(const QString& name, const QString& address, int port, bool encrypted)
{
    const int row = int(m_units.size());
    beginInsertRows({}, row, row);
    m_units.push_back({name, address, port, encrypted});
    endInsertRows();
}

void StandInUnitList::renameUnit(int row, const QString& name)
{
    m_units.at(size_t(row)).name = name;
    emit dataChanged(index(row), index(row));
}

void StandInUnitList::removeUnit(int row)
{
    beginRemoveRows({}, row, row);
    m_units.erase(m_units.begin() + row);
    endRemoveRows();
}

void StandInUnitList::clearUnits()
{
    beginResetModel();
    m_units.clear();
    endResetModel();
}

TestNet::~TestNet()
{
    stopTokenServer();
}

void TestNet::stopTokenServer()
{
    if (!m_node)
        return;
    m_node->disconnect(this);
    m_node->terminate();
    if (!m_node->waitForFinished(3000))
        m_node->kill();
    m_node->waitForFinished(3000);
    m_node.reset();
}

int TestNet::startTokenServer(const QString& username, const QString& password)
{
    const QString dir = QStringLiteral(VYRA_OAUTH_SERVER_DIR);
    if (!QDir(dir + "/node_modules/@node-oauth/oauth2-server").exists()) {
        qWarning("token server modules missing: run scripts/install-test-node-modules.sh");
        return -1;
    }
    stopTokenServer();
    m_output.clear();
    m_node = std::make_unique<QProcess>();
    m_node->setWorkingDirectory(dir);
    m_node->setProcessChannelMode(QProcess::MergedChannels);
    connect(m_node.get(), &QProcess::readyRead, this,
            [this] { m_output += QString::fromUtf8(m_node->readAll()); });
    m_node->start("node", {"server.js", "QXRVNMTB", "WZKPHLDGSFYA", username, password});
    QDeadlineTimer deadline(20000);
    while (!deadline.hasExpired()) {
        m_node->waitForReadyRead(100);
        QCoreApplication::processEvents();
        const int at = m_output.indexOf("LISTENING ");
        if (at >= 0) {
            const int end = m_output.indexOf('\n', at);
            if (end > at)
                return m_output.mid(at + 10, end - at - 10).trimmed().toInt();
        }
        if (m_node->state() == QProcess::NotRunning)
            break;
    }
    qWarning("token server did not start: %s", qPrintable(m_output));
    return -1;
}

QStringList TestNet::issuedTokens()
{
    if (m_node)
        m_output += QString::fromUtf8(m_node->readAll());
    QStringList out;
    for (const auto& line : m_output.split('\n')) {
        if (line.startsWith("ISSUED "))
            out << line.mid(7).split(' ');
    }
    return out;
}

int TestNet::silentPort()
{
    if (!m_silent.isListening()) {
        m_silent.listen(QHostAddress::LocalHost, 0);
        connect(&m_silent, &QTcpServer::newConnection, this, [this] {
            while (auto* s = m_silent.nextPendingConnection())
                m_held.push_back(s); // held open, never answered
        });
    }
    return m_silent.serverPort();
}

int TestNet::fixedAnswerPort(int status, const QString& body)
{
    const QByteArray json = body.toUtf8();
    m_fixedAnswer = "HTTP/1.1 " + QByteArray::number(status) + " X\r\nContent-Type: application/json\r\n" +
                    "Content-Length: " + QByteArray::number(json.size()) + "\r\nConnection: close\r\n\r\n" +
                    json;
    if (!m_fixed.isListening()) {
        m_fixed.listen(QHostAddress::LocalHost, 0);
        connect(&m_fixed, &QTcpServer::newConnection, this, [this] {
            while (auto* s = m_fixed.nextPendingConnection()) {
                // Answers once the request's head is in; the body does not matter here.
                connect(s, &QTcpSocket::readyRead, s, [this, s] {
                    if (!s->peek(1 << 16).contains("\r\n\r\n") || s->property("answered").toBool())
                        return;
                    s->setProperty("answered", true);
                    s->write(m_fixedAnswer);
                    s->disconnectFromHost();
                });
                connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
            }
        });
    }
    return m_fixed.serverPort();
}

int TestNet::closedPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const int port = probe.serverPort();
    probe.close();
    return port;
}

void StandInMediaList::reverseRows()
{
    std::reverse(m_order.begin(), m_order.end());
    m_table->show(m_index, m_order);
}

StandInMediaList::StandInMediaList()
{
    resetTable();
}

QAbstractItemModel* StandInMediaList::tableModel() const
{
    return m_table.get();
}

void StandInMediaList::resetTable()
{
    // The view lets go of the old table before it goes.
    const auto old = std::move(m_table);
    m_table = std::make_unique<Ulmar::Messaging::MediaListTableModel>();
    emit tableModelChanged();
}

void StandInMediaList::pushRows(const QVariantList& rows)
{
    Ulmar::Messaging::MediaList list;
    for (const QVariant& row : rows) {
        const QVariantMap map = row.toMap();
        auto item = std::make_shared<Ulmar::MediaItem>();
        item->setTitle(map.value("title").toString().toStdString());
        item->setDuration(map.value("duration").toString().toStdString());
        item->setReleaseDate(map.value("releaseDate").toString().toStdString());
        item->setCut(map.value("cut").toString().toStdString());
        list.push_back(item);
    }
    m_order.resize(list.size());
    std::iota(m_order.begin(), m_order.end(), 0u);
    m_index = std::make_shared<Ulmar::Messaging::MediaListIndex>(std::move(list));
    m_table->show(m_index, m_order);
    emit clearTableSignal();
    for (const auto& r : rows)
        emit appendRowToTableSignal(r);
}
