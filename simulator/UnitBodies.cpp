#include "UnitBodies.h"

#include <cmath>

#include <rapidjson/document.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include "MessageNames.h"

namespace Ulmar {
namespace Simulator {
namespace UnitBodies {

namespace {

using Writer = rapidjson::Writer<rapidjson::StringBuffer>;
namespace Key = Messaging::JsonKey;

void key(Writer& w, const std::string& k)
{
    w.Key(k.data(), rapidjson::SizeType(k.size()));
}

void string(Writer& w, const QString& s)
{
    const QByteArray utf8 = s.toUtf8();
    w.String(utf8.constData(), rapidjson::SizeType(utf8.size()), true);
}

// Whole values go out as integers (what a unit usually sends); the application accepts both.
void number(Writer& w, double v)
{
    if (!std::isfinite(v))
        v = 0.0;
    if (v == std::floor(v) && std::fabs(v) < 1e9)
        w.Int(int(v));
    else
        w.Double(v);
}

std::string text(const rapidjson::StringBuffer& buffer)
{
    return std::string(buffer.GetString(), buffer.GetSize());
}

std::string singleInt(const std::string& k, int value)
{
    rapidjson::StringBuffer b;
    Writer w(b);
    w.StartObject();
    key(w, k);
    w.Int(value);
    w.EndObject();
    return text(b);
}

} // namespace

std::string seats(const QVector<SeatState>& seats)
{
    rapidjson::StringBuffer b;
    Writer w(b);
    w.StartObject();
    w.Key("seats");
    w.StartObject();
    key(w, Key::Seat);
    w.StartArray();
    for (const SeatState& s : seats) {
        w.StartObject();
        key(w, Key::Index);
        w.Int(s.index);
        key(w, Key::Muted);
        w.Bool(s.muted);
        key(w, Key::Chained);
        w.Bool(s.chained);
        key(w, Key::Motion);
        number(w, s.motion);
        key(w, Key::Vibration);
        number(w, s.vibration);
        w.EndObject();
    }
    w.EndArray();
    w.EndObject();
    w.EndObject();
    return text(b);
}

std::string vyraName(const QString& name)
{
    rapidjson::StringBuffer b;
    Writer w(b);
    w.StartObject();
    key(w, Key::VyraName);
    string(w, name);
    w.EndObject();
    return text(b);
}

std::string motionDelay(int value)
{
    return singleInt(Key::MotionDelay, value);
}

std::string recognitionTolerance(int value)
{
    return singleInt(Key::RecognitionTolerance, value);
}

std::string mediaStatus(const MediaStatus& s)
{
    rapidjson::StringBuffer b;
    Writer w(b);
    w.StartObject();
    w.Key("mediaStatus");
    w.StartObject();
    key(w, Key::MediaIdState);
    string(w, s.mediaIdState);
    key(w, Key::MotionCodeState);
    string(w, s.motionCodeState);
    key(w, Key::MediaTitle);
    string(w, s.mediaTitle);
    key(w, Key::ImageFilename);
    string(w, s.imageFilename);
    key(w, Key::MediaCutVersion);
    string(w, s.mediaCutVersion);
    key(w, Key::MediaLanguage);
    string(w, s.mediaLanguage);
    key(w, Key::MediaOffset);
    w.Int(s.mediaOffset);
    key(w, Key::MediaDuration);
    w.Int(s.mediaDuration);
    key(w, Key::Message);
    string(w, s.message);
    w.EndObject();
    w.EndObject();
    return text(b);
}

std::string mediaList(const MediaLibrary& library)
{
    rapidjson::StringBuffer b;
    Writer w(b);
    w.StartObject();
    w.Key("library");
    w.StartObject();
    key(w, Key::Media);
    w.StartArray();
    for (const MediaEntry& e : library.entries()) {
        w.StartObject();
        key(w, Key::Title);
        string(w, e.title);
        key(w, Key::ReleaseDate);
        string(w, e.releaseDate);
        key(w, Key::ImdbRef);
        string(w, e.imdbRef);
        key(w, Key::Duration);
        string(w, e.duration);
        key(w, Key::Cut);
        string(w, e.cut);
        key(w, Key::Language);
        string(w, e.language);
        w.EndObject();
    }
    w.EndArray();
    w.EndObject();
    w.EndObject();
    return text(b);
}

std::string upgrade(const UpgradeState& u)
{
    rapidjson::StringBuffer b;
    Writer w(b);
    w.StartObject();
    w.Key("upgrade");
    w.StartObject();
    key(w, Key::Last);
    w.StartObject();
    key(w, Key::Version);
    string(w, u.lastVersion);
    key(w, Key::Status);
    string(w, u.lastStatus);
    w.EndObject();
    key(w, Key::Current);
    w.StartObject();
    key(w, Key::Version);
    string(w, u.currentVersion);
    w.EndObject();
    w.EndObject();
    w.EndObject();
    return text(b);
}

std::string update(const UpdateState& u)
{
    rapidjson::StringBuffer b;
    Writer w(b);
    w.StartObject();
    w.Key("update");
    w.StartObject();
    key(w, Key::Last);
    w.StartObject();
    key(w, Key::Status);
    string(w, u.lastStatus);
    w.EndObject();
    key(w, Key::Current);
    w.StartObject();
    key(w, Key::UpdatedTimestamp);
    string(w, u.updatedTimestamp);
    w.EndObject();
    w.EndObject();
    w.EndObject();
    return text(b);
}

std::string networkState(const NetworkState& n)
{
    rapidjson::StringBuffer b;
    Writer w(b);
    w.StartObject();
    w.Key("network");
    w.StartObject();
    key(w, Key::Online);
    w.Bool(n.online);
    key(w, Key::WifiOnline);
    w.Bool(n.wifiOnline);
    key(w, Key::HotspotActive);
    w.Bool(n.hotspotActive);
    // Without a network in use the key is left out: the application then shows its own placeholder.
    if (!n.ssid.isEmpty()) {
        key(w, Key::Ssid);
        string(w, n.ssid);
    }
    key(w, Key::Addresses);
    w.StartArray();
    for (const NetworkInterface& i : n.addresses) {
        w.StartObject();
        key(w, Key::InterfaceName);
        string(w, i.interfaceName);
        key(w, Key::HardwareAddress);
        string(w, i.hardwareAddress);
        key(w, Key::Ip);
        string(w, i.ip);
        key(w, Key::Netmask);
        string(w, i.netmask);
        key(w, Key::Broadcast);
        string(w, i.broadcast);
        w.EndObject();
    }
    w.EndArray();
    w.EndObject();
    w.EndObject();
    return text(b);
}

std::string wifiList(const NetworkState& n)
{
    rapidjson::StringBuffer b;
    Writer w(b);
    w.StartObject();
    w.Key("networks");
    w.StartArray();
    for (const WifiNetwork& net : n.visible) {
        w.StartObject();
        key(w, Key::Ssid);
        string(w, net.ssid);
        key(w, Key::Active);
        w.Bool(net.active);
        w.EndObject();
    }
    w.EndArray();
    w.EndObject();
    return text(b);
}

std::string wifiResult(bool result)
{
    rapidjson::StringBuffer b;
    Writer w(b);
    w.StartObject();
    key(w, Key::SetWifi);
    w.StartObject();
    key(w, Key::Result);
    w.Bool(result);
    w.EndObject();
    w.EndObject();
    return text(b);
}

std::string loginStatus(const LoginState& l)
{
    rapidjson::StringBuffer b;
    Writer w(b);
    w.StartObject();
    key(w, Key::Username);
    string(w, l.username);
    key(w, Key::IsRegistered);
    w.Bool(l.isRegistered);
    key(w, Key::ServiceURI);
    string(w, l.serviceUri);
    w.EndObject();
    return text(b);
}

QString printable(const QString& text, int maxChars)
{
    QString out = text.left(maxChars);
    for (QChar& c : out)
        if (c.category() == QChar::Other_Control || c.category() == QChar::Other_Format ||
            c == QChar::LineSeparator || c == QChar::ParagraphSeparator)
            c = QLatin1Char('?');
    if (text.size() > maxChars)
        out += QStringLiteral("...");
    return out;
}

std::string maskSecret(const std::string& secret)
{
    // Not even a prefix or the length: whether one was given is all a log needs.
    return secret.empty() ? "(empty)" : "***";
}

namespace {

// Keys whose values never reach a log line.
bool isSecretKey(const std::string& k)
{
    return k == Key::Key || k == Key::AccessToken || k == Key::RefreshToken || k == "password" ||
           k == "secret" || k == "token";
}

void summarize(const rapidjson::Value& v, std::string& out, int depth, std::size_t limit);

void summarizeMembers(const rapidjson::Value& v, std::string& out, int depth, std::size_t limit)
{
    out += '{';
    bool first = true;
    for (const auto& m : v.GetObject()) {
        if (out.size() > limit)
            break;
        // Empty texts say nothing in a log line.
        if (m.value.IsString() && m.value.GetStringLength() == 0)
            continue;
        if (!first)
            out += ',';
        first = false;
        const std::string name(m.name.GetString(), m.name.GetStringLength());
        out += printable(QString::fromStdString(name), 40).toStdString();
        out += '=';
        if (isSecretKey(name))
            out += m.value.IsString()
                       ? maskSecret(std::string(m.value.GetString(), m.value.GetStringLength()))
                       : std::string("***");
        else
            summarize(m.value, out, depth + 1, limit);
    }
    out += '}';
}

void summarize(const rapidjson::Value& v, std::string& out, int depth, std::size_t limit)
{
    if (depth > 4) {
        out += "...";
        return;
    }
    if (v.IsObject()) {
        summarizeMembers(v, out, depth, limit);
    } else if (v.IsArray()) {
        out += '[' + std::to_string(v.Size()) + " items]";
    } else if (v.IsString()) {
        const QString s = QString::fromUtf8(v.GetString(), int(v.GetStringLength()));
        out += '"' + printable(s, 40).toStdString() + '"';
    } else if (v.IsBool()) {
        out += v.GetBool() ? "true" : "false";
    } else if (v.IsNull()) {
        out += "null";
    } else if (v.IsInt64()) {
        out += std::to_string(v.GetInt64());
    } else if (v.IsNumber()) {
        out += std::to_string(v.GetDouble());
    }
}

// Replaces every non-empty secret string below `v` by "***"; true when one was found.
bool maskSecrets(rapidjson::Value& v, rapidjson::Document::AllocatorType& alloc, int depth)
{
    if (depth > 16)
        return false;
    bool found = false;
    if (v.IsObject()) {
        for (auto& m : v.GetObject()) {
            const std::string name(m.name.GetString(), m.name.GetStringLength());
            if (isSecretKey(name) && m.value.IsString() && m.value.GetStringLength() > 0) {
                m.value.SetString("***", alloc);
                found = true;
            } else {
                found = maskSecrets(m.value, alloc, depth + 1) || found;
            }
        }
    } else if (v.IsArray()) {
        for (auto& e : v.GetArray())
            found = maskSecrets(e, alloc, depth + 1) || found;
    }
    return found;
}

} // namespace

std::string masked(const std::string& body)
{
    rapidjson::Document doc;
    if (doc.Parse(body.data(), body.size()).HasParseError() || !maskSecrets(doc, doc.GetAllocator(), 0))
        return body;
    rapidjson::StringBuffer b;
    rapidjson::Writer<rapidjson::StringBuffer> w(b);
    doc.Accept(w);
    return std::string(b.GetString(), b.GetSize());
}

std::string summary(const std::string& type, const std::string& body)
{
    if (body.empty())
        return "(no body)";
    if (type == Messaging::MessageType::GetImageData && body.compare(0, 2, "\xFF\xD8") == 0)
        return "JPEG, " + std::to_string(body.size()) + " bytes";
    rapidjson::Document doc;
    doc.Parse<rapidjson::kParseIterativeFlag>(body.data(), body.size());
    if (doc.HasParseError())
        return "not JSON, " + std::to_string(body.size()) + " bytes";
    std::string out;
    summarize(doc, out, 0, 200);
    if (out.size() > 240)
        out = out.substr(0, 240) + "...";
    return out;
}

} // namespace UnitBodies
} // namespace Simulator
} // namespace Ulmar
