#include "UnitChecker.h"

#include <algorithm>
#include <map>

#include <QElapsedTimer>
#include <QHostAddress>
#include <QHostInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUdpSocket>

#include "DirectHostParameter.h"
#include "DiscoveryStrategyInfo.h"
#include "ManagedBuffer.h"
#include "MessageNames.h"
#include "Messenger.h"
#include "RequestTypes.h"
#include "SchemaSet.h"

using namespace Ulmar::Messaging;
using Clock = LinkRecorder::Clock;

namespace {

namespace T = MessageType;

using T::onDemandRequests;
using T::stateRequests;

int msBetween(Clock::time_point from, Clock::time_point to)
{
    return int(std::chrono::duration_cast<std::chrono::milliseconds>(to - from).count());
}

QJsonObject object(const std::string& body)
{
    return QJsonDocument::fromJson(QByteArray::fromStdString(body)).object();
}

// A member of any root object (the root-members rule of the bodies), or of the root itself.
QJsonValue memberAnywhere(const QJsonObject& root, const QString& key)
{
    if (root.contains(key))
        return root.value(key);
    for (const auto& value : root)
        if (value.isObject() && value.toObject().contains(key))
            return value.toObject().value(key);
    return QJsonValue();
}

bool identified(const std::string& mediaStatus)
{
    return memberAnywhere(object(mediaStatus), "mediaIdState").toString() == "ident_success";
}

// An announcement datagram the application would take: the rules of the discovery listener.
bool acceptable(const QJsonObject& a, const QString& service)
{
    return a.value("v").toInt(0) == 1 && a.value("service").toString() == service &&
           a.value("name").isString() && a.value("port").toInt(0) > 0 && a.value("port").toInt(0) <= 65535;
}

QString shortened(const std::string& text)
{
    QString s = QString::fromUtf8(text.data(), int(std::min<size_t>(text.size(), 120)));
    s.replace('\n', ' ');
    return text.size() > 120 ? s + "..." : s;
}

} // namespace

UnitChecker::UnitChecker(UnitCheckOptions options, const SchemaSet& schemas)
    : m_options(std::move(options)), m_schemas(schemas)
{}

UnitChecker::~UnitChecker()
{
    if (m_messenger)
        m_messenger->disconnect();
}

void UnitChecker::add(const QString& what, Check::Result result, const QString& detail,
                      const QString& section)
{
    m_checks.push_back(Check{what, result, detail, section});
}

UnitChecker::Outcome UnitChecker::run()
{
    if (m_options.host.isEmpty()) {
        if (!discover())
            return Outcome::Unreachable;
    } else {
        m_address = m_options.host;
        m_messagePort = m_options.port;
        m_encrypted = !m_options.plain;
        // The application queries only the hosts it reaches encrypted; a plain unit need not answer.
        if (m_encrypted && !query(m_address, m_messagePort))
            return Outcome::Unreachable;
        if (m_unit.isEmpty())
            m_unit = QString("%1:%2 (%3)")
                         .arg(m_address)
                         .arg(m_messagePort)
                         .arg(m_encrypted ? "encrypted" : "plain");
    }
    if (!link())
        return Outcome::Unreachable;
    checkStateAnswers();
    checkHold();
    if (m_options.commands)
        sendCommands();
    checkBodies();
    const bool failed =
        std::any_of(m_checks.begin(), m_checks.end(), [](const Check& c) { return c.result == Check::Fail; });
    return failed ? Outcome::Fail : Outcome::Pass;
}

bool UnitChecker::discover()
{
    QUdpSocket socket;
    if (!socket.bind(QHostAddress::AnyIPv4, m_options.discoveryPort,
                     QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint)) {
        m_unreachable = QString("cannot listen on the discovery port %1: %2")
                            .arg(m_options.discoveryPort)
                            .arg(socket.errorString());
        return false;
    }
    // The first announcement of the service names the unit; two more from it give the announcement period.
    QElapsedTimer clock;
    clock.start();
    std::vector<qint64> heard;
    QString invalid;
    qint64 deadline = 5000;
    while (heard.size() < 3 && clock.elapsed() < deadline) {
        if (!socket.hasPendingDatagrams() &&
            !socket.waitForReadyRead(int(std::max<qint64>(1, deadline - clock.elapsed()))))
            continue;
        while (socket.hasPendingDatagrams()) {
            QHostAddress from;
            QByteArray datagram(int(std::max<qint64>(0, socket.pendingDatagramSize())), '\0');
            datagram.resize(int(socket.readDatagram(datagram.data(), datagram.size(), &from)));
            const QJsonObject a = QJsonDocument::fromJson(datagram).object();
            if (!acceptable(a, m_options.service))
                continue;
            const QString address = QHostAddress(from.toIPv4Address()).toString();
            if (heard.empty()) {
                m_address = address;
                m_messagePort = quint16(a.value("port").toInt());
                m_encrypted = a.value("encrypted").toBool() || !a.value("key").toString().isEmpty();
                m_unit = QString("\"%1\" at %2:%3 (%4)")
                             .arg(a.value("name").toString().left(64), m_address)
                             .arg(m_messagePort)
                             .arg(m_encrypted ? "encrypted" : "plain");
            } else if (address != m_address || a.value("port").toInt() != m_messagePort) {
                continue; // another unit
            }
            const QString failure = datagram.size() > 1024
                                        ? QString("%1 bytes, over 1024").arg(datagram.size())
                                        : m_schemas.validate("announcement", datagram.toStdString());
            if (!failure.isEmpty() && invalid.isEmpty())
                invalid = failure + ": " + shortened(datagram.toStdString());
            heard.push_back(clock.elapsed());
            deadline = clock.elapsed() + 3 * AnnouncementGapMs;
        }
    }
    if (heard.empty()) {
        m_unreachable = QString("no announcement of service \"%1\" on UDP port %2 within 5 s (section 7)")
                            .arg(m_options.service)
                            .arg(m_options.discoveryPort);
        return false;
    }
    if (!invalid.isEmpty())
        add("announcement", Check::Fail, invalid, "7");
    qint64 gap = 0;
    for (size_t i = 1; i < heard.size(); ++i)
        gap = std::max(gap, heard[i] - heard[i - 1]);
    if (heard.size() < 3)
        add("announcement period", Check::Fail,
            QString("%1 announcement(s) in %2 ms; one at least every %3 ms expected")
                .arg(heard.size())
                .arg(clock.elapsed())
                .arg(AnnouncementGapMs),
            "7");
    else if (gap > AnnouncementGapMs)
        add("announcement period", Check::Fail,
            QString("%1 ms between two announcements, over %2 ms").arg(gap).arg(AnnouncementGapMs), "7");
    else
        add("announcement period", Check::Pass, QString("at most %1 ms apart").arg(gap), "7");
    if (invalid.isEmpty())
        add("announcement", Check::Pass, QString("%1 datagrams valid").arg(heard.size()), "7");
    return !m_encrypted || query(m_address, m_messagePort);
}

bool UnitChecker::query(const QString& host, quint16 port)
{
    QHostAddress address(host);
    if (address.isNull()) {
        const QHostInfo info = QHostInfo::fromName(host);
        for (const QHostAddress& a : info.addresses())
            if (a.protocol() == QAbstractSocket::IPv4Protocol) {
                address = a;
                break;
            }
        if (address.isNull()) {
            m_unreachable = QString("cannot resolve %1: %2").arg(host, info.errorString());
            return false;
        }
    }
    QUdpSocket socket;
    if (!socket.bind(QHostAddress(QHostAddress::AnyIPv4), 0)) {
        m_unreachable = "cannot open a UDP socket: " + socket.errorString();
        return false;
    }
    const QByteArray request =
        QJsonDocument(QJsonObject{{"v", 1}, {"query", m_options.service}}).toJson(QJsonDocument::Compact);
    QElapsedTimer clock;
    clock.start();
    qint64 nextSend = 0;
    while (clock.elapsed() < QueryWindowMs) {
        if (clock.elapsed() >= nextSend) {
            socket.writeDatagram(request, address, port);
            nextSend += 500; // as the application repeats it
        }
        if (!socket.waitForReadyRead(
                int(std::max<qint64>(1, std::min<qint64>(nextSend, QueryWindowMs) - clock.elapsed()))))
            continue;
        while (socket.hasPendingDatagrams()) {
            QHostAddress from;
            quint16 fromPort = 0;
            QByteArray datagram(int(std::max<qint64>(0, socket.pendingDatagramSize())), '\0');
            datagram.resize(int(socket.readDatagram(datagram.data(), datagram.size(), &from, &fromPort)));
            if (!from.isEqual(address, QHostAddress::TolerantConversion))
                continue; // only the queried address counts
            const QJsonObject a = QJsonDocument::fromJson(datagram).object();
            QString failure = datagram.size() > 1024
                                  ? QString("%1 bytes, over 1024").arg(datagram.size())
                                  : m_schemas.validate("announcement", datagram.toStdString());
            if (failure.isEmpty() && a.value("service").toString() != m_options.service)
                failure = QString("service \"%1\", not \"%2\"")
                              .arg(a.value("service").toString().left(64), m_options.service);
            if (failure.isEmpty() && a.value("key").toString().isEmpty())
                failure = "no key: an encrypted unit must announce its public key";
            if (!failure.isEmpty()) {
                add("query answer", Check::Fail, failure + ": " + shortened(datagram.toStdString()), "6");
                return true; // the link attempt will tell whether it can go on
            }
            m_unit = QString("\"%1\" at %2:%3 (%4)")
                         .arg(a.value("name").toString().left(64), host)
                         .arg(port)
                         .arg(m_encrypted ? "encrypted" : "plain");
            add("query answer", Check::Pass, QString("in %1 ms, valid").arg(clock.elapsed()), "6");
            return true;
        }
    }
    m_unreachable =
        QString("no answer to the query {\"v\":1,\"query\":\"%1\"} on UDP %2:%3 within %4 ms (section 6)")
            .arg(m_options.service, host)
            .arg(port)
            .arg(QueryWindowMs);
    return false;
}

bool UnitChecker::link()
{
    const std::string strategy =
        DirectHostParameter{m_encrypted, m_address.toStdString(), m_messagePort}.text();
    m_messenger = std::make_shared<Messenger>(DiscoveryStrategyList{std::make_shared<DiscoveryStrategyInfo>(
                                                  DiscoveryStrategyInfo::DirectHost, strategy, 1500)},
                                              m_options.service.toStdString(), ITransport::TransportZeroMQ);
    m_recorder = std::make_shared<LinkRecorder>();
    for (const std::string* type :
         {&T::GetSeatStatusNotification, &T::GetVyraNameNotification, &T::SetVyraName,
          &T::GetMotionDelayNotification, &T::GetRecognitionToleranceNotification,
          &T::GetMediaStatusNotification, &T::GetMediaListNotification, &T::GetImageData,
          &T::GetUpgradeNotification, &T::GetUpdateNotification, &T::GetNetworkState, &T::GetWifiList,
          &T::SetWifiSetting, &T::GetLibraryServiceLoginStatus})
        m_messenger->registerResponse(*type, MessageVersion, m_recorder);
    for (const auto& type : stateRequests())
        m_messenger->registerStateRequest(
            std::make_shared<IMessage>(type, MessageVersion, type == T::GetMediaListNotification ? "" : "1",
                                       nullptr, GenericMessageTypeDefault),
            StateRequestPriority);
    m_messenger->AddObserver(m_recorder);
    m_messenger->setAutoReconnect(200);
    m_messenger->connect(3000);
    // Two attempt windows, as a user would wait.
    if (!m_recorder->waitForConnection(Clock::now() + std::chrono::milliseconds(6500))) {
        m_unreachable = QString("no link to %1:%2 within 6.5 s: TCP, %3 or $WELCOME failed (sections 3, 6)")
                            .arg(m_address)
                            .arg(m_messagePort)
                            .arg(m_encrypted ? "the CURVE handshake" : "the ZeroMQ handshake");
        return false;
    }
    m_recorder->connected(&m_linkedAt);
    m_bodyChecksAt = m_checks.size() + 1; // right after the link's line
    add("link", Check::Pass,
        m_encrypted ? "CURVE, $HELLO answered by $WELCOME" : "plain, $HELLO answered by $WELCOME", "3");
    return true;
}

void UnitChecker::noteAnswer(const std::string& type, bool answered, int ms)
{
    m_answers.emplace_back(type, answered ? ms : -1);
}

void UnitChecker::checkStateAnswers()
{
    for (const auto& type : stateRequests()) {
        int ms = 0;
        const bool answered = awaitReply(type, m_linkedAt, nullptr, &ms);
        noteAnswer(type, answered, ms);
    }
    for (const auto& type : onDemandRequests()) {
        const auto sent = Clock::now();
        sendMessage(type, std::string());
        int ms = 0;
        const bool answered = awaitReply(type, sent, nullptr, &ms);
        noteAnswer(type, answered, ms);
    }
}

bool UnitChecker::awaitReply(const std::string& type, Clock::time_point since,
                             const std::function<bool(const LinkRecorder::Received&)>& accept, int* elapsedMs)
{
    const auto deadline = since + std::chrono::milliseconds(AnswerMs);
    Clock::time_point at;
    const bool got = m_recorder->waitUntil(
        [&](const std::vector<LinkRecorder::Received>& all) {
            for (const auto& r : all)
                if (r.type == type && r.at >= since && (!accept || accept(r))) {
                    at = r.at;
                    return true;
                }
            return false;
        },
        deadline);
    if (got && elapsedMs)
        *elapsedMs = msBetween(since, at);
    return got;
}

void UnitChecker::checkHold()
{
    const auto start = Clock::now();
    const auto end = start + std::chrono::milliseconds(HoldMs);
    m_recorder->waitUntil([](const std::vector<LinkRecorder::Received>&) { return false; }, end);
    if (m_recorder->losses() > 0 || !m_recorder->connected())
        add("heartbeats", Check::Fail,
            "the link broke: a unit keeps the connection and answers the ZeroMQ heartbeats (PING every 1 s)",
            "4");
    else
        add("heartbeats", Check::Pass, QString("link up for %1 s after the answers").arg(HoldMs / 1000.0),
            "4");

    // Progress: while a title is identified, the media status comes about once a second.
    const auto statuses = m_recorder->received(T::GetMediaStatusNotification, m_linkedAt);
    bool playing = false;
    for (const auto& s : statuses)
        if (s.at < start)
            playing = s.bodyDropped ? playing : identified(s.body);
    if (!playing) {
        add("progress", Check::Skipped, "no title identified at the time: not checked", "9");
        return;
    }
    auto last = start;
    int worst = 0;
    for (const auto& s : statuses) {
        if (s.at < start || s.at > end)
            continue;
        worst = std::max(worst, msBetween(last, s.at));
        last = s.at;
        if (!s.bodyDropped && !identified(s.body))
            break;
    }
    if (statuses.back().bodyDropped || identified(statuses.back().body))
        worst = std::max(worst, msBetween(last, end));
    if (worst > ProgressGapMs)
        add("progress", Check::Fail,
            QString("no media status for %1 ms while a title is identified; one a second expected")
                .arg(worst),
            "9");
    else
        add("progress", Check::Pass, QString("media status at most %1 ms apart while identified").arg(worst),
            "9");
}

bool UnitChecker::sendMessage(const std::string& type, const std::string& body, const std::string& text)
{
    auto buffer = body.empty() ? nullptr : ManagedBuffer::FromBytes(body.data(), body.size());
    return m_messenger->send(
        std::make_shared<IMessage>(type, MessageVersion, text, buffer, GenericMessageTypeDefault));
}

void UnitChecker::sendCommands()
{
    auto lastBody = [&](const std::string& type) {
        const auto all = m_recorder->received(type, m_linkedAt);
        return all.empty() ? std::string() : all.back().body;
    };
    auto firstMember = [](const std::string& body) {
        const QJsonObject o = object(body);
        return o.isEmpty() ? QJsonValue() : o.begin().value();
    };
    auto compact = [](const QJsonObject& o) {
        return QJsonDocument(o).toJson(QJsonDocument::Compact).toStdString();
    };
    // Sends the command and expects `reply` within the answer time, satisfying `accept`.
    auto command = [&](const std::string& type, const std::string& body, const std::string& reply,
                       const std::function<bool(const LinkRecorder::Received&)>& accept,
                       const QString& expected, const QString& section) {
        const auto sent = Clock::now();
        sendMessage(type, body);
        int ms = 0;
        if (awaitReply(reply, sent, accept, &ms))
            add(QString::fromStdString(type), Check::Pass,
                QString("%1 in %2 ms").arg(QString::fromStdString(reply)).arg(ms), section);
        else
            add(QString::fromStdString(type), Check::Fail,
                QString("no %1 within %2 ms (%3)")
                    .arg(QString::fromStdString(reply))
                    .arg(AnswerMs)
                    .arg(expected),
                section);
    };

    // Each command carries the value the unit reported, so the unit ends as it was.
    const QJsonValue name = firstMember(lastBody(T::GetVyraNameNotification));
    if (name.isString()) {
        // One command, two replies: the answer without body and the name notified again.
        const auto sent = Clock::now();
        sendMessage(T::SetVyraName, compact({{"vyraName", name}}));
        int answerMs = 0, notifyMs = 0;
        const bool answered = awaitReply(
            T::SetVyraName, sent, [](const LinkRecorder::Received& r) { return r.body.empty(); }, &answerMs);
        const bool notified = awaitReply(
            T::GetVyraNameNotification, sent,
            [&](const LinkRecorder::Received& r) { return firstMember(r.body) == name; }, &notifyMs);
        if (answered && notified)
            add("SetVyraName", Check::Pass,
                QString("SetVyraName in %1 ms, GetVyraNameNotification in %2 ms").arg(answerMs).arg(notifyMs),
                "8");
        else
            add("SetVyraName", Check::Fail,
                QString("no %1 within %2 ms")
                    .arg(answered ? "GetVyraNameNotification with the same name"
                                  : "SetVyraName answer without body")
                    .arg(AnswerMs),
                "8");
    } else {
        add("SetVyraName", Check::Skipped, "not sent: no name reported", "8");
    }
    for (const auto& setting :
         {std::make_pair(&T::SetMotionDelay, &T::GetMotionDelayNotification),
          std::make_pair(&T::SetRecognitionTolerance, &T::GetRecognitionToleranceNotification)}) {
        const QJsonObject reported = object(lastBody(*setting.second));
        if (reported.isEmpty() || !reported.begin().value().isDouble()) {
            add(QString::fromStdString(*setting.first), Check::Skipped, "not sent: no value reported", "8");
            continue;
        }
        const QJsonValue value = reported.begin().value();
        command(
            *setting.first, compact({{reported.begin().key(), value}}), *setting.second,
            [&](const LinkRecorder::Received& r) { return firstMember(r.body) == value; },
            "the same value notified", "8");
    }
    // The first seat, with its values as reported.
    QJsonObject seat;
    const QJsonObject seats = object(lastBody(T::GetSeatStatusNotification));
    for (const auto& outer : seats) {
        const auto list = outer.toObject().value("seat").toArray();
        for (const auto& s : list)
            if (s.toObject().value("index").isDouble() && seat.isEmpty())
                seat = s.toObject();
    }
    if (!seat.isEmpty()) {
        const QJsonObject setting{{"index", seat.value("index").toInt()},
                                  {"muted", seat.value("muted").toBool()},
                                  {"chained", seat.value("chained").toBool()},
                                  {"motion", seat.value("motion").toDouble()},
                                  {"vibration", seat.value("vibration").toDouble()}};
        command(T::SetSeatSetting, compact({{"seat", setting}}), T::GetSeatStatusNotification, nullptr,
                "the seat list notified", "8");
    } else {
        add("SetSeatSetting", Check::Skipped, "not sent: no seat reported", "8");
    }
    // The poster of the title playing, or the unit's "not available" picture.
    QString poster =
        memberAnywhere(object(lastBody(T::GetMediaStatusNotification)), "imageFilename").toString();
    if (poster.isEmpty())
        poster = "_NotAvailable.jpg";
    command(T::GetImageData, compact({{"imageFileName", poster}}), T::GetImageData, nullptr,
            "an answer: the JPEG or no body", "11");
    // Signing out is harmless only when the unit is signed out already.
    const QJsonObject login = object(lastBody(T::GetLibraryServiceLoginStatus));
    if (login.contains("isRegistered") && !login.value("isRegistered").toBool())
        command(T::SetLibraryServiceCredentials, R"({"username":"","access_token":"","refresh_token":""})",
                T::GetLibraryServiceLoginStatus, nullptr, "the login status notified", "8");
    else
        add("SetLibraryServiceCredentials", Check::Skipped,
            "not sent: the unit is signed in (or has no service); signing out would change it", "8");
    add("SetWifiSetting", Check::Skipped,
        "not sent: joining a network or starting the hotspot changes the unit's network", "8");
}

void UnitChecker::checkBodies()
{
    // Listed after the link's line, before the rules of time and the commands.
    std::vector<Check> others(m_checks.begin() + long(m_bodyChecksAt), m_checks.end());
    m_checks.resize(m_bodyChecksAt);
    // One line per type the unit sent (or should have sent): its answer time, then every body it sent.
    std::map<std::string, std::vector<LinkRecorder::Received>> byType;
    for (const auto& r : m_recorder->received())
        byType[r.type].push_back(r);
    std::vector<std::string> order;
    for (const auto& a : m_answers)
        order.push_back(a.first);
    for (const auto& t : byType)
        if (std::find(order.begin(), order.end(), t.first) == order.end())
            order.push_back(t.first);

    for (const auto& type : order) {
        QString what = QString::fromStdString(type);
        const auto answer =
            std::find_if(m_answers.begin(), m_answers.end(), [&](const auto& a) { return a.first == type; });
        if (answer != m_answers.end() && answer->second < 0) {
            add(what, Check::Fail, QString("no answer to the request within %1 ms").arg(AnswerMs), "8");
            continue;
        }
        const auto& bodies = byType[type];
        QString failure;
        QString section = "9";
        if (type == T::SetVyraName || type == T::GetImageData || type == T::SetWifiSetting) {
            section = type == T::GetImageData ? "11" : "8";
            what += " answer";
        }
        for (size_t i = 0; i < bodies.size() && failure.isEmpty(); ++i) {
            const auto& r = bodies[i];
            if (r.bodyDropped)
                continue;
            const QString which =
                bodies.size() > 1 ? QString("body %1 of %2: ").arg(i + 1).arg(bodies.size()) : QString();
            if (r.version != 1) {
                failure = which + QString("version %1, not 1").arg(r.version);
                section = "2";
            } else if (!r.text.empty()) {
                failure = which + "text frame not empty: \"" + shortened(r.text) + "\"";
                section = "2";
            } else if (type == T::SetVyraName) {
                if (!r.body.empty()) {
                    failure = which + "the answer to SetVyraName carries a body";
                    section = "8";
                }
            } else if (type == T::GetImageData) {
                if (!r.body.empty() && r.body.compare(0, 3, "\xFF\xD8\xFF") != 0) {
                    failure = which + "not a JPEG file (nor an empty body)";
                    section = "11";
                }
            } else {
                const QString invalid = m_schemas.validate(QString::fromStdString(type), r.body);
                if (!invalid.isEmpty())
                    failure = which + invalid + "; body: " + shortened(r.body);
            }
        }
        if (!failure.isEmpty()) {
            add(what, Check::Fail, failure, section);
            continue;
        }
        QString detail = QString("%1 bod%2 valid").arg(bodies.size()).arg(bodies.size() == 1 ? "y" : "ies");
        if (answer != m_answers.end())
            detail = QString("answered in %1 ms, ").arg(answer->second) + detail;
        add(what, Check::Pass, detail, answer != m_answers.end() ? "8, 9" : section);
    }
    m_checks.insert(m_checks.end(), others.begin(), others.end());
}

QString UnitChecker::report() const
{
    QString out;
    int failed = 0;
    for (const Check& c : m_checks) {
        const char* word = c.result == Check::Pass ? "PASS" : c.result == Check::Fail ? "FAIL" : "SKIP";
        failed += c.result == Check::Fail;
        out += QString("%1  %2 %3 (section %4)\n").arg(word).arg(c.what, -38).arg(c.detail, c.section);
    }
    out += failed ? QString("%1 of %2 checks failed.\n").arg(failed).arg(m_checks.size())
                  : QString("All %1 checks passed.\n").arg(m_checks.size());
    return out;
}
