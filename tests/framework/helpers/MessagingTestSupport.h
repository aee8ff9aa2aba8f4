#pragma once

// Shared pieces of the messaging tests: recording observers and handlers, free ports, message builders.

#include <QElapsedTimer>
#include <QString>
#include <QtGlobal>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "IMessage.h"
#include "IMessengerObserver.h"
#include "IResponseHandler.h"
#include "UnitEndpoint.h"

class RecordingObserver : public Ulmar::Messaging::IMessengerObserver
{
public:
    void handleConnected() override { ++connected; }
    void handleConnectionLost() override { ++lost; }
    void handleDisconnected() override { ++disconnected; }
    void handleErrorResponse(const std::string& error) override
    {
        std::lock_guard<std::mutex> lock(mutex);
        errors.push_back(error);
    }
    std::atomic<int> connected{0};
    std::atomic<int> lost{0};
    std::atomic<int> disconnected{0};
    std::mutex mutex;
    std::vector<std::string> errors;
};

class RecordingHandler : public Ulmar::Messaging::IResponseHandler
{
public:
    void handleResponse(std::shared_ptr<Ulmar::Messaging::IResponse> response) override
    {
        std::lock_guard<std::mutex> lock(mutex);
        responses.push_back(std::move(response));
        threads.push_back(std::this_thread::get_id());
    }
    int count()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return static_cast<int>(responses.size());
    }
    std::vector<std::shared_ptr<Ulmar::Messaging::IResponse>> snapshot()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return responses;
    }
    std::mutex mutex;
    std::vector<std::shared_ptr<Ulmar::Messaging::IResponse>> responses;
    std::vector<std::thread::id> threads;
};

// Records the messaging layer's warnings, with the time they were written (ms), while it lives.
class WarningLog
{
public:
    WarningLog()
    {
        {
            std::lock_guard<std::mutex> lock(s_mutex);
            s_lines.clear();
        }
        s_previous = qInstallMessageHandler(&WarningLog::record);
    }
    ~WarningLog() { qInstallMessageHandler(s_previous); }
    std::vector<std::pair<qint64, QString>> lines(const QString& containing)
    {
        std::lock_guard<std::mutex> lock(s_mutex);
        std::vector<std::pair<qint64, QString>> found;
        for (const auto& line : s_lines)
            if (line.second.contains(containing))
                found.push_back(line);
        return found;
    }

private:
    static void record(QtMsgType type, const QMessageLogContext& context, const QString& text)
    {
        if (type == QtWarningMsg && context.category && QByteArray(context.category) == "ulmar.messaging") {
            std::lock_guard<std::mutex> lock(s_mutex);
            s_lines.emplace_back(s_clock.elapsed(), text);
        }
        if (s_previous)
            s_previous(type, context, text);
    }
    static inline QtMessageHandler s_previous = nullptr;
    static inline std::mutex s_mutex;
    static inline std::vector<std::pair<qint64, QString>> s_lines;
    static inline QElapsedTimer s_clock = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
};

// What a UnitEndpoint received, in order.
class UnitRecorder
{
public:
    explicit UnitRecorder(Ulmar::Messaging::UnitEndpoint& unit);
    // Stops the unit: its thread must not call into a recorder that is gone (a failed check returns early).
    ~UnitRecorder();
    std::vector<std::string> types();
    int count(const std::string& type);
    std::vector<std::shared_ptr<Ulmar::Messaging::IMessage>> messages();
    void clear();
    std::atomic<int> greeted{0};
    std::atomic<int> gone{0};

private:
    Ulmar::Messaging::UnitEndpoint& m_unit;
    std::mutex m_mutex;
    std::vector<std::shared_ptr<Ulmar::Messaging::IMessage>> m_messages;
};

// Ports that were free a moment ago on 127.0.0.1.
std::uint16_t freeUdpPort();
std::uint16_t freeTcpPort();
std::shared_ptr<Ulmar::Messaging::IMessage> makeMessage(const std::string& type, const std::string& body = {},
                                                        const std::string& text = {});
// A unit on a free loopback port that announces to `discoveryPort` (0: does not announce).
Ulmar::Messaging::UnitEndpoint::Options unitOptions(const std::string& name, std::uint16_t discoveryPort = 0,
                                                    unsigned announceMs = 100);
// Sends one UDP datagram to 127.0.0.1:port (from `source`, another loopback address, when given).
void sendDatagram(std::uint16_t port, const std::string& bytes, const char* source = nullptr);
