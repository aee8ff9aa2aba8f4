#include "GetMediaListNotificationHandler.h"

#include <QDebug>

#include "InputLimits.h"
#include "MessageBody.h"
#include "MessageNames.h"
#include "ThreadAffineDeleter.h"

namespace Ulmar {
namespace Messaging {

namespace {

std::shared_ptr<MediaItem> decodeItem(const rapidjson::Value& element, InputLimits& limits)
{
    auto item = std::make_shared<MediaItem>();
    for (auto m = element.MemberBegin(); m != element.MemberEnd(); ++m) {
        const std::string key = toStdString(m->name);
        if (m->value.IsString()) {
            const std::string value = limits.utf8(m->value.GetString(), m->value.GetStringLength(),
                                                  InputLimits::MaxTextLength, "library field");
            if (key == JsonKey::Title) {
                item->setTitle(value);
                continue;
            }
            if (key == JsonKey::ReleaseDate) {
                item->setReleaseDate(value);
                continue;
            }
            if (key == JsonKey::ImdbRef)
                continue;
            if (key == JsonKey::Duration) {
                item->setDuration(value);
                continue;
            }
            if (key == JsonKey::Cut) {
                item->setCut(value);
                continue;
            }
            if (key == JsonKey::Language) {
                item->setLanguage(value);
                continue;
            }
        }
        qDebug().noquote().nospace() << "Unknown media property " << QString::fromStdString(key);
    }
    return item;
}

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
    const auto document = parseBody(message);
    if (!document || !document->IsObject() || document->MemberCount() == 0)
        return false;
    InputLimits limits(MessageType::GetMediaListNotification);
    for (auto outer = document->MemberBegin(); outer != document->MemberEnd(); ++outer) {
        if (!outer->value.IsObject())
            continue;
        for (auto m = outer->value.MemberBegin(); m != outer->value.MemberEnd(); ++m) {
            if (toStdString(m->name) != JsonKey::Media || !m->value.IsArray())
                continue;
            list.reserve(list.size() + std::min<std::size_t>(m->value.Size(), InputLimits::MaxLibraryTitles));
            for (const auto& element : m->value.GetArray()) {
                if (!element.IsObject())
                    continue;
                if (!limits.admit(static_cast<int>(list.size()), InputLimits::MaxLibraryTitles,
                                  "library titles"))
                    break;
                list.push_back(decodeItem(element, limits));
            }
        }
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
