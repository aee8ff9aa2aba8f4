#include "ImageDataRequestSender.h"

#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include "BufferQueue.h"
#include "MessageBody.h"
#include "MessageNames.h"
#include "Messenger.h"
#include "RefusedSendLog.h"

namespace Ulmar {
namespace Messaging {

ImageDataRequestSender::ImageDataRequestSender(std::shared_ptr<Messenger> messenger)
    : m_messenger(std::move(messenger)), m_bufferQueue(BufferQueue::Create(1, 1024))
{}

ImageDataRequestSender::~ImageDataRequestSender() = default;

std::string ImageDataRequestSender::requestBody(const std::string& imageFileName)
{
    rapidjson::StringBuffer buffer;
    rapidjson::Writer<rapidjson::StringBuffer> writer(buffer);
    writer.StartObject();
    writer.Key(JsonKey::ImageFileName.c_str());
    writer.String(imageFileName.data(), static_cast<rapidjson::SizeType>(imageFileName.size()));
    writer.EndObject();
    return std::string(buffer.GetString(), buffer.GetSize());
}

void ImageDataRequestSender::requestImageData(const std::string& imageFileName)
{
    if (!m_messenger)
        return;
    RefusedSendLog::send(m_messenger,
                         makeMessage(MessageType::GetImageData, requestBody(imageFileName), m_bufferQueue));
}

} // namespace Messaging
} // namespace Ulmar
