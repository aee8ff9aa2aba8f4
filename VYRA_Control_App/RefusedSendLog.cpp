#include "RefusedSendLog.h"

#include <map>
#include <mutex>
#include <set>
#include <string>

#include "IMessage.h"
#include "LogCategories.h"
#include "Messenger.h"

namespace Ulmar {
namespace Messaging {

namespace {

// Per messenger, the types whose refusal was logged since its link last came up. Bounded by the messengers
// alive and the message types the application sends; the entry of a messenger that is gone is dropped at
// the next refusal.
struct Registry
{
    std::mutex mutex;
    std::map<std::weak_ptr<Messenger>, std::set<std::string>, std::owner_less<std::weak_ptr<Messenger>>>
        logged;
};

Registry& registry()
{
    // Never destroyed: a messaging thread may still send while static objects are torn down at exit.
    static Registry* const instance = new Registry;
    return *instance;
}

bool firstRefusalSinceLinkUp(const std::shared_ptr<Messenger>& messenger, const std::string& type)
{
    Registry& r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    for (auto it = r.logged.begin(); it != r.logged.end();)
        it = it->first.expired() ? r.logged.erase(it) : std::next(it);
    return r.logged[messenger].insert(type).second;
}

} // namespace

bool RefusedSendLog::send(const std::shared_ptr<Messenger>& messenger, std::shared_ptr<IMessage> message)
{
    if (!messenger || !message)
        return false;
    const std::string type = message->getMessageType();
    if (messenger->send(std::move(message)))
        return true;
    if (firstRefusalSinceLinkUp(messenger, type))
        qCWarning(lcLink, "Message \"%s\" not sent: %s (logged once until the link is up again)",
                  type.c_str(), messenger->isConnected() ? "the link refused it" : "not connected to a unit");
    return false;
}

void RefusedSendLog::linkUp(const std::shared_ptr<Messenger>& messenger)
{
    if (!messenger)
        return;
    Registry& r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    r.logged.erase(messenger);
}

} // namespace Messaging
} // namespace Ulmar
