#include "UnitMessageHandler.h"

#include <algorithm>
#include <utility>

#include <rapidjson/document.h>

#include "MessageNames.h"
#include "UnitBodies.h"
#include "UnitNetwork.h"

namespace Ulmar {
namespace Simulator {

namespace Type = Messaging::MessageType;
namespace Key = Messaging::JsonKey;

namespace {

std::string bytes(const QByteArray& b)
{
    return std::string(b.constData(), size_t(b.size()));
}

// The object a command carries under `key` at the root of its body.
const rapidjson::Value* memberObject(const rapidjson::Document& doc, const std::string& key)
{
    if (!doc.IsObject())
        return nullptr;
    const auto it = doc.FindMember(key.c_str());
    if (it != doc.MemberEnd() && it->value.IsObject())
        return &it->value;
    return nullptr;
}

bool parse(const QByteArray& body, rapidjson::Document& doc)
{
    if (body.isEmpty())
        return false;
    doc.Parse<rapidjson::kParseIterativeFlag>(body.constData(), size_t(body.size()));
    return !doc.HasParseError() && doc.IsObject();
}

QString string(const rapidjson::Value& v)
{
    return QString::fromUtf8(v.GetString(), int(v.GetStringLength()));
}

} // namespace

UnitMessageHandler::UnitMessageHandler(UnitState& state, const MediaLibrary& library, Replies replies)
    : m_state(state), m_library(library), m_replies(std::move(replies))
{}

bool UnitMessageHandler::handle(const std::string& peer, const std::string& type, const QByteArray& body)
{
    const auto& answer = m_replies.answer;
    if (type == Type::GetSeatStatusNotification)
        answer(peer, type, UnitBodies::seats(m_state.seats));
    else if (type == Type::GetVyraNameNotification)
        answer(peer, type, UnitBodies::vyraName(m_state.name));
    else if (type == Type::GetMotionDelayNotification)
        answer(peer, type, UnitBodies::motionDelay(m_state.motionDelay));
    else if (type == Type::GetRecognitionToleranceNotification)
        answer(peer, type, UnitBodies::recognitionTolerance(m_state.recognitionTolerance));
    else if (type == Type::GetMediaStatusNotification)
        answer(peer, type, UnitBodies::mediaStatus(m_state.media));
    else if (type == Type::GetMediaListNotification)
        answerLibrary(peer);
    else if (type == Type::GetUpgradeNotification)
        answer(peer, type, UnitBodies::upgrade(m_state.upgrade));
    else if (type == Type::GetUpdateNotification)
        answer(peer, type, UnitBodies::update(m_state.update));
    else if (type == Type::GetNetworkState)
        answer(peer, type, UnitBodies::networkState(m_state.network));
    else if (type == Type::GetWifiList)
        answer(peer, type, UnitBodies::wifiList(m_state.network));
    else if (type == Type::GetLibraryServiceLoginStatus)
        answer(peer, type, UnitBodies::loginStatus(m_state.login));
    else if (type == Type::GetImageData)
        sendImage(peer, body);
    else if (type == Type::SetSeatSetting)
        setSeat(body);
    else if (type == Type::SetVyraName)
        setName(peer, body);
    else if (type == Type::SetMotionDelay)
        setMotionDelay(body);
    else if (type == Type::SetRecognitionTolerance)
        setTolerance(body);
    else if (type == Type::SetWifiSetting)
        setWifi(peer, body);
    else if (type == Type::SetLibraryServiceCredentials)
        setCredentials(body);
    else
        return false;
    return true;
}

void UnitMessageHandler::notifyAll()
{
    const auto& notify = m_replies.notify;
    notify(Type::GetVyraNameNotification, UnitBodies::vyraName(m_state.name));
    notify(Type::GetSeatStatusNotification, UnitBodies::seats(m_state.seats));
    notify(Type::GetMotionDelayNotification, UnitBodies::motionDelay(m_state.motionDelay));
    notify(Type::GetRecognitionToleranceNotification,
           UnitBodies::recognitionTolerance(m_state.recognitionTolerance));
    notify(Type::GetMediaStatusNotification, UnitBodies::mediaStatus(m_state.media));
    notify(Type::GetUpgradeNotification, UnitBodies::upgrade(m_state.upgrade));
    notify(Type::GetUpdateNotification, UnitBodies::update(m_state.update));
    notify(Type::GetNetworkState, UnitBodies::networkState(m_state.network));
    notify(Type::GetLibraryServiceLoginStatus, UnitBodies::loginStatus(m_state.login));
}

void UnitMessageHandler::answerLibrary(const std::string& peer)
{
    std::string body = UnitBodies::mediaList(m_library);
    if (body.size() > Limits::MessageMaxBytes) {
        // Better an empty library than a message that costs the application its connection.
        qWarning("The library (%d titles, %zu bytes) is too large for one message; sending an empty one",
                 m_library.size(), body.size());
        body = UnitBodies::mediaList(MediaLibrary());
    }
    m_replies.answer(peer, Type::GetMediaListNotification, body);
}

void UnitMessageHandler::sendImage(const std::string& peer, const QByteArray& body)
{
    rapidjson::Document doc;
    QString fileName;
    if (parse(body, doc)) {
        const auto it = doc.FindMember(Key::ImageFileName.c_str());
        if (it != doc.MemberEnd() && it->value.IsString())
            fileName = string(it->value);
    }
    QByteArray jpeg;
    if (const MediaEntry* entry = m_library.byPosterFile(fileName))
        jpeg = m_posters.jpeg(*entry);
    else
        qInfo("No poster named \"%s\"; answering without image",
              qPrintable(UnitBodies::printable(fileName, 80)));
    m_replies.answer(peer, Type::GetImageData, bytes(jpeg));
}

void UnitMessageHandler::setSeat(const QByteArray& body)
{
    rapidjson::Document doc;
    const rapidjson::Value* seat = parse(body, doc) ? memberObject(doc, Key::Seat) : nullptr;
    const auto index = seat ? seat->FindMember(Key::Index.c_str()) : rapidjson::Value::ConstMemberIterator();
    if (!seat || index == seat->MemberEnd() || !index->value.IsInt()) {
        qInfo("SetSeatSetting without a seat index ignored");
    } else {
        auto it = std::find_if(m_state.seats.begin(), m_state.seats.end(),
                               [&](const SeatState& s) { return s.index == index->value.GetInt(); });
        if (it == m_state.seats.end()) {
            qInfo("SetSeatSetting for unknown seat %d ignored", index->value.GetInt());
        } else {
            for (const auto& m : seat->GetObject()) {
                const std::string name(m.name.GetString(), m.name.GetStringLength());
                if (name == Key::Muted && m.value.IsBool())
                    it->muted = m.value.GetBool();
                else if (name == Key::Chained && m.value.IsBool())
                    it->chained = m.value.GetBool();
                else if ((name == Key::Motion || name == Key::Vibration) && m.value.IsNumber()) {
                    const double v =
                        std::clamp(m.value.GetDouble(), Limits::IntensityMin, Limits::IntensityMax);
                    (name == Key::Motion ? it->motion : it->vibration) = v;
                }
            }
        }
    }
    // Also after a rejected command: the application shows only what the unit reports.
    m_replies.notify(Type::GetSeatStatusNotification, UnitBodies::seats(m_state.seats));
}

void UnitMessageHandler::setName(const std::string& peer, const QByteArray& body)
{
    rapidjson::Document doc;
    QString name;
    bool valid = false;
    if (parse(body, doc)) {
        const auto it = doc.FindMember(Key::VyraName.c_str());
        if (it != doc.MemberEnd() && it->value.IsString()) {
            name = string(it->value).simplified();
            valid = !name.isEmpty() && name.size() <= Limits::NameMaxChars;
        }
    }
    if (valid) {
        m_state.name = name;
        m_replies.renamed(name);
    } else {
        qInfo("SetVyraName ignored: the name must be 1 to %d characters", Limits::NameMaxChars);
    }
    m_replies.answer(peer, Type::SetVyraName, std::string());
    m_replies.notify(Type::GetVyraNameNotification, UnitBodies::vyraName(m_state.name));
}

void UnitMessageHandler::setMotionDelay(const QByteArray& body)
{
    rapidjson::Document doc;
    if (parse(body, doc)) {
        const auto it = doc.FindMember(Key::MotionDelay.c_str());
        if (it != doc.MemberEnd() && it->value.IsInt())
            m_state.motionDelay =
                std::clamp(it->value.GetInt(), Limits::MotionDelayMin, Limits::MotionDelayMax);
        else
            qInfo("SetMotionDelay without an integer \"motionDelay\" ignored");
    } else {
        qInfo("SetMotionDelay with a body that is not a JSON object ignored");
    }
    m_replies.notify(Type::GetMotionDelayNotification, UnitBodies::motionDelay(m_state.motionDelay));
}

void UnitMessageHandler::setTolerance(const QByteArray& body)
{
    rapidjson::Document doc;
    if (parse(body, doc)) {
        const auto it = doc.FindMember(Key::RecognitionTolerance.c_str());
        if (it != doc.MemberEnd() && it->value.IsInt())
            m_state.recognitionTolerance =
                std::clamp(it->value.GetInt(), Limits::ToleranceMin, Limits::ToleranceMax);
        else
            qInfo("SetRecognitionTolerance without an integer \"recognitionTolerance\" ignored");
    } else {
        qInfo("SetRecognitionTolerance with a body that is not a JSON object ignored");
    }
    m_replies.notify(Type::GetRecognitionToleranceNotification,
                     UnitBodies::recognitionTolerance(m_state.recognitionTolerance));
}

void UnitMessageHandler::setWifi(const std::string& peer, const QByteArray& body)
{
    rapidjson::Document doc;
    const rapidjson::Value* wifi = parse(body, doc) ? memberObject(doc, Key::SetWifi) : nullptr;
    bool result = false;
    NetworkState& n = m_state.network;
    if (!wifi) {
        qInfo("SetWifiSetting without a \"setWifi\" object refused");
    } else if (wifi->HasMember(Key::Clear.c_str())) {
        const auto& clear = (*wifi)[Key::Clear.c_str()];
        if (clear.IsBool() && clear.GetBool()) {
            n.wifiOnline = false;
            n.hotspotActive = true;
            for (auto& net : n.visible)
                net.active = false;
            result = true;
            qInfo("Wi-Fi: hotspot activated");
        } else {
            qInfo("SetWifiSetting with \"clear\" other than true refused");
        }
    } else {
        const auto ssid = wifi->FindMember(Key::Ssid.c_str());
        const auto key = wifi->FindMember(Key::Key.c_str());
        if (ssid == wifi->MemberEnd() || !ssid->value.IsString() || key == wifi->MemberEnd() ||
            !key->value.IsString()) {
            qInfo("SetWifiSetting without a string \"ssid\" and \"key\" refused");
        } else {
            const QString name = string(ssid->value);
            // The key's length only: its characters never reach a log.
            const int keyLength = string(key->value).size();
            auto it = std::find_if(n.visible.begin(), n.visible.end(),
                                   [&](const WifiNetwork& w) { return w.ssid == name; });
            if (it == n.visible.end()) {
                qInfo("Wi-Fi: network \"%s\" is not visible; refused",
                      qPrintable(UnitBodies::printable(name)));
            } else if (m_refuseWifiKeys) {
                qInfo("Wi-Fi: key for \"%s\" refused (fault refuse-wifi-key)",
                      qPrintable(UnitBodies::printable(name)));
            } else if (keyLength < Limits::WifiKeyMinChars || keyLength > Limits::WifiKeyMaxChars) {
                qInfo("Wi-Fi: key for \"%s\" refused (%d to %d characters needed)",
                      qPrintable(UnitBodies::printable(name)), Limits::WifiKeyMinChars,
                      Limits::WifiKeyMaxChars);
            } else {
                for (auto& net : n.visible)
                    net.active = (&net == &*it);
                n.wifiOnline = true;
                n.hotspotActive = false;
                n.ssid = name;
                result = true;
                qInfo("Wi-Fi: joined \"%s\"", qPrintable(UnitBodies::printable(name)));
            }
        }
    }
    UnitNetwork::updateInterfaces(n);
    m_replies.answer(peer, Type::SetWifiSetting, UnitBodies::wifiResult(result));
    m_replies.notify(Type::GetNetworkState, UnitBodies::networkState(n));
    m_replies.notify(Type::GetWifiList, UnitBodies::wifiList(n));
}

void UnitMessageHandler::setCredentials(const QByteArray& body)
{
    rapidjson::Document doc;
    if (!parse(body, doc)) {
        qInfo("SetLibraryServiceCredentials with a body that is not a JSON object ignored");
    } else {
        const auto user = doc.FindMember(Key::Username.c_str());
        const auto access = doc.FindMember(Key::AccessToken.c_str());
        const auto refresh = doc.FindMember(Key::RefreshToken.c_str());
        if (user == doc.MemberEnd() || !user->value.IsString() || access == doc.MemberEnd() ||
            !access->value.IsString() || refresh == doc.MemberEnd() || !refresh->value.IsString()) {
            qInfo("SetLibraryServiceCredentials without string \"username\", \"access_token\" and "
                  "\"refresh_token\" ignored");
        } else {
            m_accessToken = string(access->value);
            m_refreshToken = string(refresh->value);
            const QString username = string(user->value);
            // Empty credentials sign the unit out.
            const bool registered = !username.isEmpty() && !m_accessToken.isEmpty();
            m_state.login.username = registered ? username : QString();
            m_state.login.isRegistered = registered;
            qInfo(
                "Library service: %s (access token %s, refresh token %s)",
                registered
                    ? qPrintable(QStringLiteral("registered as \"%1\"").arg(UnitBodies::printable(username)))
                    : "signed out",
                UnitBodies::maskSecret(m_accessToken.toStdString()).c_str(),
                UnitBodies::maskSecret(m_refreshToken.toStdString()).c_str());
        }
    }
    m_replies.notify(Type::GetLibraryServiceLoginStatus, UnitBodies::loginStatus(m_state.login));
}

} // namespace Simulator
} // namespace Ulmar
