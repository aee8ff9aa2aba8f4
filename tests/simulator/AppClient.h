#pragma once

// The application's side of the link, as the tests need it: a Messenger that registers the state requests
// of the catalogue, records every message it receives, and counts connections.

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <QtGlobal>

#include "IMessengerObserver.h"
#include "IResponseHandler.h"
#include "Messenger.h"

class MessageLog : public Ulmar::Messaging::IResponseHandler, public Ulmar::Messaging::IMessengerObserver
{
public:
    void handleResponse(std::shared_ptr<Ulmar::Messaging::IResponse> response) override;
    void handleConnected() override { ++connected; }
    void handleConnectionLost() override { ++lost; }

    int count(const std::string& type) const;
    // The body of the last message of that type ("" when none arrived).
    std::string last(const std::string& type) const;
    std::vector<std::string> all(const std::string& type) const;
    void clear();

    std::atomic<int> connected{0};
    std::atomic<int> lost{0};

private:
    mutable std::mutex m_mutex;
    std::map<std::string, std::vector<std::string>> m_bodies;
};

class AppClient
{
public:
    // A client of the unit at 127.0.0.1:port.
    AppClient(quint16 port, bool encrypted, unsigned reconnectMs = 200);
    ~AppClient();

    bool isConnected() const { return messenger->isConnected(); }
    bool send(const std::string& type, const std::string& body = std::string());

    std::shared_ptr<Ulmar::Messaging::Messenger> messenger;
    std::shared_ptr<MessageLog> log;
};

// Every message type of the catalogue; the ones the unit answers after a connection unasked.
const std::vector<std::string>& allMessageTypes();
const std::vector<std::string>& stateRequestTypes();
