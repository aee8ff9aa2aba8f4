#include "GetLibraryServiceLoginStatusHandler.h"

#include <QDebug>

#include "InputLimits.h"
#include "LogCategories.h"
#include "MessageBody.h"
#include "MessageNames.h"
#include "Messenger.h"
#include "RefusedSendLog.h"

namespace Ulmar {
namespace Messaging {

GetLibraryServiceLoginStatusHandler::GetLibraryServiceLoginStatusHandler() = default;

GetLibraryServiceLoginStatusHandler::~GetLibraryServiceLoginStatusHandler() = default;

void GetLibraryServiceLoginStatusHandler::setMessenger(std::shared_ptr<Messenger> messenger)
{
    if (messenger)
        m_messenger = std::move(messenger);
}

void GetLibraryServiceLoginStatusHandler::requestLoginStatus()
{
    if (!m_messenger) {
        qCDebug(lcLibrary) << "No messenger set. ";
        return;
    }
    RefusedSendLog::send(m_messenger, makeMessage(MessageType::GetLibraryServiceLoginStatus));
}

void GetLibraryServiceLoginStatusHandler::handleResponse(std::shared_ptr<IResponse> response)
{
    if (!response || response->getMessageType() != MessageType::GetLibraryServiceLoginStatus)
        return;
    std::string username;
    std::string serviceURI;
    bool isRegistered = false;
    bool found = false;
    InputLimits limits(MessageType::GetLibraryServiceLoginStatus);

    const auto document = parseBody(response);
    if (document && document->IsObject()) {
        for (auto m = document->MemberBegin(); m != document->MemberEnd(); ++m) {
            const std::string key = toStdString(m->name);
            if (key == JsonKey::Username && m->value.IsString()) {
                username = limits.utf8(toStdString(m->value), InputLimits::MaxNameLength, "account name");
                found = true;
            } else if (key == JsonKey::ServiceURI && m->value.IsString()) {
                // A cut address would lead the sign-in elsewhere: an over-long one is dropped whole.
                if (limits.fits(m->value.GetStringLength(), InputLimits::MaxUriLength, "service address"))
                    serviceURI = toStdString(m->value);
                found = true;
            } else if (key == JsonKey::IsRegistered && m->value.IsBool()) {
                isRegistered = m->value.GetBool();
                found = true;
            }
        }
    }

    if (found)
        emit loginStatusReceivedSignal(QVariant(isRegistered), QVariant(QString::fromStdString(username)),
                                       QVariant(QString::fromStdString(serviceURI)));
    else
        emit unsupportedByVYRASignal();
}

} // namespace Messaging
} // namespace Ulmar
