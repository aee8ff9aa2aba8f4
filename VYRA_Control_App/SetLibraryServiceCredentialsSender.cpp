#include "SetLibraryServiceCredentialsSender.h"

#include <QDebug>

#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include "BufferQueue.h"
#include "LogCategories.h"
#include "MessageBody.h"
#include "MessageNames.h"
#include "Messenger.h"

namespace Ulmar {
namespace Messaging {

SetLibraryServiceCredentialsSender::SetLibraryServiceCredentialsSender(std::shared_ptr<Messenger> messenger)
    : m_messenger(std::move(messenger)), m_bufferQueue(BufferQueue::Create(1, 1024))
{}

SetLibraryServiceCredentialsSender::~SetLibraryServiceCredentialsSender() = default;

std::string SetLibraryServiceCredentialsSender::credentialsBody(const std::string& username,
                                                                const std::string& accessToken,
                                                                const std::string& refreshToken)
{
    rapidjson::StringBuffer buffer;
    rapidjson::Writer<rapidjson::StringBuffer> writer(buffer);
    writer.StartObject();
    writer.Key(JsonKey::Username.c_str());
    writer.String(username.data(), static_cast<rapidjson::SizeType>(username.size()));
    writer.Key(JsonKey::AccessToken.c_str());
    writer.String(accessToken.data(), static_cast<rapidjson::SizeType>(accessToken.size()));
    writer.Key(JsonKey::RefreshToken.c_str());
    writer.String(refreshToken.data(), static_cast<rapidjson::SizeType>(refreshToken.size()));
    writer.EndObject();
    return std::string(buffer.GetString(), buffer.GetSize());
}

void SetLibraryServiceCredentialsSender::triggerSendCredentials(QVariant username, QVariant access_token,
                                                                QVariant refresh_token)
{
    if (!m_messenger)
        return;
    const QString user = username.toString();
    const QString access = access_token.toString();
    const QString refresh = refresh_token.toString();
    // The tokens are secrets: only their lengths go to the log.
    qCDebug(lcLibrary).noquote().nospace()
        << "Send MCLS credentials: " << user << " access_token=<" << access.size()
        << " chars> refresh_token=<" << refresh.size() << " chars>";
    const std::string body = credentialsBody(user.toUtf8().toStdString(), access.toUtf8().toStdString(),
                                             refresh.toUtf8().toStdString());
    if (!m_messenger->sendConfidential(
            makeMessage(MessageType::SetLibraryServiceCredentials, body, m_bufferQueue)))
        qCWarning(
            lcLibrary,
            "Library service credentials not sent: the link to the unit is down or not encrypted with its "
            "remembered key");
}

} // namespace Messaging
} // namespace Ulmar
