#include "GetMediaListNotificationHandler.h"

#include <cstring>
#include <vector>

#include <QDebug>
#include <rapidjson/reader.h>

#include "InputLimits.h"
#include "LogCategories.h"
#include "MessageNames.h"
#include "ThreadAffineDeleter.h"

namespace Ulmar {
namespace Messaging {

namespace {

bool equals(const char* text, rapidjson::SizeType length, const std::string& key)
{
    return length == key.size() && std::memcmp(text, key.data(), length) == 0;
}

// Reads a library body as events, without building a document: a 50,000-title body would otherwise be held
// twice (document and records) and walked twice. Parsed in place, so names and texts point into the body.
// Takes what a document walk takes: for each member of the root object that is an object, each of its
// members named "media" holding an array, and of that array each element that is an object, as one record.
// Lines about unknown members wait for the end of the body: a body that turns out not to be JSON has no
// effect.
class MediaListReader : public rapidjson::BaseReaderHandler<rapidjson::UTF8<>, MediaListReader>
{
public:
    MediaListReader(MediaList& list, InputLimits& limits) : m_list(list), m_limits(limits) {}

    bool rootIsObjectWithMembers() const { return m_rootIsObject && m_rootMembers > 0; }
    struct Skipped
    {
        const char* name;
        rapidjson::SizeType length;
        bool known; // one of the record's keys, with a value that is not a text
    };
    const std::vector<Skipped>& skippedMembers() const { return m_unknown; }

    bool Key(const char* text, rapidjson::SizeType length, bool)
    {
        switch (top()) {
        case Kind::Root:
            ++m_rootMembers;
            break;
        case Kind::Outer:
            m_keyIsMedia = equals(text, length, JsonKey::Media);
            break;
        case Kind::Record:
            m_key = text;
            m_keyLength = length;
            break;
        default:
            break;
        }
        return true;
    }

    bool String(const char* text, rapidjson::SizeType length, bool)
    {
        if (top() == Kind::Record)
            recordString(text, length);
        return true;
    }
    // Any other value in a record is of the wrong type.
    bool Default()
    {
        if (top() == Kind::Record)
            unknown();
        return true;
    }
    bool StartObject() { return open(true); }
    bool EndObject(rapidjson::SizeType) { return close(); }
    bool StartArray() { return open(false); }
    bool EndArray(rapidjson::SizeType) { return close(); }

private:
    enum class Kind
    {
        None,   // outside the root
        Root,   // the root object
        Outer,  // an object member of the root
        Media,  // a "media" array of an outer object
        Full,   // a "media" array met once the list was full: the rest of it is passed over
        Record, // an object element of a "media" array
        Skipped // anything else
    };

    Kind top() const { return m_open.empty() ? Kind::None : m_open.back(); }

    bool open(bool object)
    {
        Kind kind = Kind::Skipped;
        switch (top()) {
        case Kind::None:
            m_rootIsObject = object;
            kind = object ? Kind::Root : Kind::Skipped;
            break;
        case Kind::Root:
            kind = object ? Kind::Outer : Kind::Skipped;
            break;
        case Kind::Outer:
            kind = !object && m_keyIsMedia ? Kind::Media : Kind::Skipped;
            break;
        case Kind::Media:
            if (object) {
                if (m_limits.admit(static_cast<int>(m_list.size()), InputLimits::MaxLibraryTitles,
                                   "library titles")) {
                    m_list.push_back(std::make_shared<MediaItem>());
                    kind = Kind::Record;
                } else {
                    m_open.back() = Kind::Full;
                }
            }
            break;
        case Kind::Record:
            unknown(); // an object or array where a text was expected
            break;
        default:
            break;
        }
        m_open.push_back(kind);
        return true;
    }

    bool close()
    {
        m_open.pop_back();
        return true;
    }

    void recordString(const char* text, rapidjson::SizeType length)
    {
        MediaItem& item = *m_list.back();
        void (MediaItem::*set)(const std::string&) = nullptr;
        if (equals(m_key, m_keyLength, JsonKey::Title))
            set = &MediaItem::setTitle;
        else if (equals(m_key, m_keyLength, JsonKey::ReleaseDate))
            set = &MediaItem::setReleaseDate;
        else if (equals(m_key, m_keyLength, JsonKey::ImdbRef))
            return;
        else if (equals(m_key, m_keyLength, JsonKey::Duration))
            set = &MediaItem::setDuration;
        else if (equals(m_key, m_keyLength, JsonKey::Cut))
            set = &MediaItem::setCut;
        else if (equals(m_key, m_keyLength, JsonKey::Language))
            set = &MediaItem::setLanguage;
        if (!set) {
            unknown();
            return;
        }
        (item.*set)(m_limits.utf8(text, length, InputLimits::MaxTextLength, "library field"));
    }

    void unknown()
    {
        bool known = false;
        for (const std::string* key : {&JsonKey::Title, &JsonKey::ReleaseDate, &JsonKey::ImdbRef,
                                       &JsonKey::Duration, &JsonKey::Cut, &JsonKey::Language})
            known = known || equals(m_key, m_keyLength, *key);
        m_unknown.push_back(Skipped{m_key, m_keyLength, known});
    }

    MediaList& m_list;
    InputLimits& m_limits;
    std::vector<Kind> m_open; // the containers open now, outermost first
    bool m_rootIsObject = false;
    std::size_t m_rootMembers = 0;
    bool m_keyIsMedia = false;
    const char* m_key = "";
    rapidjson::SizeType m_keyLength = 0;
    std::vector<Skipped> m_unknown;
};

} // namespace

GetMediaListNotificationHandler::GetMediaListNotificationHandler()
    : m_model(ThreadAffineDeleter::make<MediaListVirtualModel>())
{}

GetMediaListNotificationHandler::~GetMediaListNotificationHandler() = default;

std::shared_ptr<MediaListVirtualModel> GetMediaListNotificationHandler::getModel() const
{
    return m_model;
}

bool GetMediaListNotificationHandler::decodeMediaList(const std::shared_ptr<const IMessage>& message,
                                                      MediaList& list)
{
    if (!message)
        return false;
    // A zero-terminated copy that the parser may write into.
    std::string text = message->bodyAsString();
    if (text.empty())
        return false;
    const std::size_t before = list.size();
    InputLimits limits(MessageType::GetMediaListNotification);
    MediaListReader reader(list, limits);
    rapidjson::InsituStringStream stream(&text[0]);
    rapidjson::Reader parser;
    // Iterative: a body nested a million levels deep must not exhaust the stack.
    parser.Parse<rapidjson::kParseIterativeFlag | rapidjson::kParseInsituFlag>(stream, reader);
    if (parser.HasParseError() || !reader.rootIsObjectWithMembers()) {
        list.resize(before);
        limits.dismiss();
        return false;
    }
    for (const auto& member : reader.skippedMembers()) {
        const QString name = QString::fromUtf8(member.name, int(member.length));
        if (member.known)
            qCDebug(lcMedia).noquote().nospace() << "Media property " << name << " ignored: not a text";
        else
            qCDebug(lcMedia).noquote().nospace() << "Unknown media property " << name;
    }
    return true;
}

void GetMediaListNotificationHandler::handleResponse(std::shared_ptr<IResponse> response)
{
    MediaList list;
    if (!decodeMediaList(response, list))
        return;
    m_model->setMediaList(std::move(list));
}

} // namespace Messaging
} // namespace Ulmar
