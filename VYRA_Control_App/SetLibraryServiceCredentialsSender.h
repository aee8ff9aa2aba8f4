#pragma once

#include <memory>
#include <string>

#include <QObject>
#include <QVariant>

namespace Ulmar {
namespace Messaging {

class BufferQueue;
class Messenger;

// Hands the library service account and its tokens to the unit. The tokens are never logged nor kept.
class SetLibraryServiceCredentialsSender : public QObject
{
    Q_OBJECT

public:
    explicit SetLibraryServiceCredentialsSender(std::shared_ptr<Messenger> messenger);
    ~SetLibraryServiceCredentialsSender() override;

    // {"username":...,"access_token":...,"refresh_token":...}, compact.
    static std::string credentialsBody(const std::string& username, const std::string& accessToken,
                                       const std::string& refreshToken);

public slots:
    void triggerSendCredentials(QVariant username, QVariant access_token, QVariant refresh_token);

private:
    std::shared_ptr<Messenger> m_messenger;
    std::shared_ptr<BufferQueue> m_bufferQueue;
};

} // namespace Messaging
} // namespace Ulmar
