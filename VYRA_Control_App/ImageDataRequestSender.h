#pragma once

#include <memory>
#include <string>

namespace Ulmar {
namespace Messaging {

class BufferQueue;
class Messenger;

// Asks the unit for a poster file's bytes ("GetImageData").
class ImageDataRequestSender
{
public:
    explicit ImageDataRequestSender(std::shared_ptr<Messenger> messenger);
    virtual ~ImageDataRequestSender();

    void requestImageData(const std::string& imageFileName);

    // {"imageFileName":"<name>"}, compact.
    static std::string requestBody(const std::string& imageFileName);

private:
    std::shared_ptr<Messenger> m_messenger;
    std::shared_ptr<BufferQueue> m_bufferQueue;
};

} // namespace Messaging
} // namespace Ulmar
