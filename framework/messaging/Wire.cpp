#include "Wire.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include <rapidjson/document.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

namespace Ulmar {
namespace Messaging {
namespace Wire {

void applyCommonOptions(zmq::socket_t& socket)
{
    socket.set(zmq::sockopt::linger, 0);
    socket.set(zmq::sockopt::maxmsgsize, kMaxMessageSize);
    socket.set(zmq::sockopt::heartbeat_ivl, kHeartbeatIntervalMs);
    socket.set(zmq::sockopt::heartbeat_timeout, kHeartbeatTimeoutMs);
    socket.set(zmq::sockopt::heartbeat_ttl, kHeartbeatTtlMs);
}

std::size_t largestFrame(const IMessage& message)
{
    const auto body = message.body();
    const auto buffer = body ? body->GetBuffer() : nullptr;
    return std::max({message.getMessageType().size(), message.getText().size(),
                     std::to_string(message.getVersion()).size(), buffer ? buffer->size() : std::size_t(0)});
}

zmq::multipart_t encode(const IMessage& message)
{
    zmq::multipart_t frames;
    frames.addstr(message.getMessageType());
    frames.addstr(std::to_string(message.getVersion()));
    frames.addstr(message.getText());
    auto body = message.body();
    auto buffer = body ? body->GetBuffer() : nullptr;
    if (buffer && buffer->size() >= kZeroCopyThreshold) {
        // Large bodies (posters) leave without a copy: the frame keeps the buffer alive until libzmq is done.
        // Holding the loan (not only the bytes) keeps a pooled buffer from being lent again meanwhile.
        auto* keepAlive = new std::shared_ptr<ManagedBuffer>(body);
        frames.add(zmq::message_t(
            const_cast<std::uint8_t*>(buffer->data()), buffer->size(),
            [](void*, void* hint) { delete static_cast<std::shared_ptr<ManagedBuffer>*>(hint); }, keepAlive));
    } else if (buffer)
        frames.addmem(buffer->data(), buffer->size());
    else
        frames.add(zmq::message_t());
    return frames;
}

namespace {
bool parseVersion(const zmq::message_t& frame, std::uint32_t& version)
{
    const auto* text = static_cast<const char*>(frame.data());
    const std::size_t size = frame.size();
    if (size == 0 || size > 10)
        return false;
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < size; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
        value = value * 10 + static_cast<std::uint64_t>(text[i] - '0');
    }
    if (value > 0xFFFFFFFFull)
        return false;
    version = static_cast<std::uint32_t>(value);
    return true;
}
} // namespace

std::shared_ptr<IResponse> decode(const zmq::multipart_t& frames, std::size_t offset, std::string& why)
{
    if (frames.size() != offset + kFrameCount) {
        why = "expected " + std::to_string(kFrameCount) + " frames, got " +
              std::to_string(frames.size() > offset ? frames.size() - offset : 0);
        return nullptr;
    }
    std::uint32_t version = 0;
    if (!parseVersion(frames[offset + 1], version)) {
        why = "version frame is not a decimal number";
        return nullptr;
    }
    const zmq::message_t& bodyFrame = frames[offset + 3];
    std::shared_ptr<ManagedBuffer> body;
    if (bodyFrame.size() > 0)
        body = ManagedBuffer::FromBytes(bodyFrame.data(), bodyFrame.size());
    return std::make_shared<IResponse>(frames[offset].to_string(), version, frames[offset + 2].to_string(),
                                       std::move(body), 0);
}

SendResult sendFrames(zmq::socket_t& socket, zmq::multipart_t& frames)
{
    try {
        while (!frames.empty()) {
            zmq::message_t frame = frames.pop();
            const bool more = !frames.empty();
            const auto flags =
                more ? (zmq::send_flags::dontwait | zmq::send_flags::sndmore) : zmq::send_flags::dontwait;
            if (!socket.send(frame, flags)) {
                frames.clear();
                return SendResult::WouldBlock;
            }
        }
        return SendResult::Sent;
    } catch (const zmq::error_t& e) {
        frames.clear();
        return e.num() == EHOSTUNREACH ? SendResult::Unreachable : SendResult::Failed;
    }
}

void splitHostPort(const std::string& text, std::uint16_t defaultPort, std::string& host, std::uint16_t& port)
{
    host = text;
    port = defaultPort;
    const auto colon = text.rfind(':');
    if (colon == std::string::npos || colon == 0 || text.find(':') != colon)
        return; // no port, or an IPv6 literal
    const std::string digits = text.substr(colon + 1);
    if (digits.empty() || digits.size() > 5 ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return;
    const unsigned long value = std::stoul(digits);
    if (value == 0 || value > 65535)
        return;
    host = text.substr(0, colon);
    port = static_cast<std::uint16_t>(value);
}

std::string tcpEndpoint(const std::string& host, std::uint16_t port)
{
    if (host.find(':') != std::string::npos)
        return "tcp://[" + host + "]:" + std::to_string(port);
    return "tcp://" + host + ":" + std::to_string(port);
}

bool isZ85Key(const std::string& key)
{
    static const char* alphabet =
        "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ.-:+=^!/*?&<>()[]{}@%$#";
    if (key.size() != 40)
        return false;
    return std::all_of(key.begin(), key.end(), [](char c) { return c != '\0' && std::strchr(alphabet, c); });
}

bool isUnitId(const std::string& id)
{
    if (id.empty() || id.size() > 64)
        return false;
    return std::all_of(id.begin(), id.end(), [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '.' ||
               c == '_' || c == ':' || c == '-';
    });
}

std::string encodeAnnouncement(const Announcement& a)
{
    rapidjson::StringBuffer out;
    rapidjson::Writer<rapidjson::StringBuffer> writer(out);
    writer.StartObject();
    writer.Key("v");
    writer.Int(kDatagramVersion);
    writer.Key("service");
    writer.String(a.service.c_str(), static_cast<rapidjson::SizeType>(a.service.size()));
    writer.Key("name");
    writer.String(a.name.c_str(), static_cast<rapidjson::SizeType>(a.name.size()));
    writer.Key("port");
    writer.Uint(a.port);
    writer.Key("encrypted");
    writer.Bool(a.encrypted);
    writer.Key("key");
    writer.String(a.key.c_str(), static_cast<rapidjson::SizeType>(a.key.size()));
    if (!a.unitId.empty()) {
        writer.Key("unitId");
        writer.String(a.unitId.c_str(), static_cast<rapidjson::SizeType>(a.unitId.size()));
    }
    writer.EndObject();
    return std::string(out.GetString(), out.GetSize());
}

namespace {
bool parseDatagram(const char* data, std::size_t size, rapidjson::Document& doc)
{
    if (data == nullptr || size == 0 || size > kMaxDatagramSize)
        return false;
    doc.Parse(data, size);
    if (doc.HasParseError() || !doc.IsObject())
        return false;
    auto v = doc.FindMember("v");
    return v != doc.MemberEnd() && v->value.IsInt() && v->value.GetInt() == kDatagramVersion;
}

bool readString(const rapidjson::Value& object, const char* key, std::string& out)
{
    auto it = object.FindMember(key);
    if (it == object.MemberEnd() || !it->value.IsString())
        return false;
    out.assign(it->value.GetString(), it->value.GetStringLength());
    return true;
}
} // namespace

bool decodeAnnouncement(const char* data, std::size_t size, Announcement& out)
{
    rapidjson::Document doc;
    if (!parseDatagram(data, size, doc))
        return false;
    Announcement a;
    if (!readString(doc, "service", a.service) || !readString(doc, "name", a.name))
        return false;
    auto port = doc.FindMember("port");
    if (port == doc.MemberEnd() || !port->value.IsUint() || port->value.GetUint() == 0 ||
        port->value.GetUint() > 65535)
        return false;
    a.port = static_cast<std::uint16_t>(port->value.GetUint());
    auto encrypted = doc.FindMember("encrypted");
    if (encrypted != doc.MemberEnd()) {
        if (!encrypted->value.IsBool())
            return false;
        a.encrypted = encrypted->value.GetBool();
    }
    if (doc.HasMember("key") && !readString(doc, "key", a.key))
        return false;
    if (!a.key.empty() && !isZ85Key(a.key))
        return false;
    if (doc.HasMember("unitId") && (!readString(doc, "unitId", a.unitId) || !isUnitId(a.unitId)))
        return false;
    out = std::move(a);
    return true;
}

std::string encodeQuery(const std::string& service)
{
    rapidjson::StringBuffer out;
    rapidjson::Writer<rapidjson::StringBuffer> writer(out);
    writer.StartObject();
    writer.Key("v");
    writer.Int(kDatagramVersion);
    writer.Key("query");
    writer.String(service.c_str(), static_cast<rapidjson::SizeType>(service.size()));
    writer.EndObject();
    return std::string(out.GetString(), out.GetSize());
}

bool decodeQuery(const char* data, std::size_t size, std::string& service)
{
    rapidjson::Document doc;
    if (!parseDatagram(data, size, doc))
        return false;
    return readString(doc, "query", service);
}

} // namespace Wire
} // namespace Messaging
} // namespace Ulmar
