#pragma once

// Helpers shared by the controller tests: responses built from real bodies, and signal argument access.

#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include <QSignalSpy>
#include <QStringList>
#include <QVariant>

#include "DiscoveryStrategyInfo.h"
#include "IResponse.h"
#include "ITransport.h"
#include "ManagedBuffer.h"
#include "Messenger.h"
#include "UnitEndpoint.h"

namespace ControllerTest {

// A response as the messaging layer hands it over; an empty body means none.
inline std::shared_ptr<Ulmar::Messaging::IResponse> response(const std::string& type, const std::string& body)
{
    std::shared_ptr<Ulmar::Messaging::ManagedBuffer> buffer;
    if (!body.empty())
        buffer = Ulmar::Messaging::ManagedBuffer::FromBytes(body.data(), body.size());
    return std::make_shared<Ulmar::Messaging::IResponse>(type, 1, std::string(), buffer, 0);
}

// The arguments of one recorded emission, as strings.
inline QStringList args(const QList<QVariant>& emission)
{
    QStringList out;
    for (const auto& v : emission) {
        const QVariant inner = v.userType() == qMetaTypeId<QVariant>() ? v.value<QVariant>() : v;
        out << inner.toString();
    }
    return out;
}

inline QStringList args(const QSignalSpy& spy, int i)
{
    return args(spy.at(i));
}

inline QVariant arg(const QSignalSpy& spy, int i, int n)
{
    const QVariant v = spy.at(i).at(n);
    return v.userType() == qMetaTypeId<QVariant>() ? v.value<QVariant>() : v;
}

// Records every Qt log message (from any thread) while it exists, and forwards it to the previous handler.
class LogCapture
{
public:
    LogCapture()
    {
        std::lock_guard<std::mutex> lock(mutex());
        current() = this;
        m_previous = qInstallMessageHandler(&LogCapture::handler);
    }
    ~LogCapture()
    {
        qInstallMessageHandler(m_previous);
        std::lock_guard<std::mutex> lock(mutex());
        current() = nullptr;
    }
    QStringList lines()
    {
        std::lock_guard<std::mutex> lock(mutex());
        return m_lines;
    }
    bool contains(const QString& text)
    {
        for (const auto& line : lines())
            if (line.contains(text))
                return true;
        return false;
    }

private:
    static std::mutex& mutex()
    {
        static std::mutex m;
        return m;
    }
    static LogCapture*& current()
    {
        static LogCapture* c = nullptr;
        return c;
    }
    static void handler(QtMsgType type, const QMessageLogContext& context, const QString& text)
    {
        QtMessageHandler previous = nullptr;
        {
            std::lock_guard<std::mutex> lock(mutex());
            if (current()) {
                current()->m_lines << text;
                previous = current()->m_previous;
            }
        }
        if (previous)
            previous(type, context, text);
    }

    QtMessageHandler m_previous = nullptr;
    QStringList m_lines;
};

// A unit endpoint on a free loopback port with a Messenger connected to it, by default encrypted with a key
// it remembers (as the application's links are; senders of secrets need that), or in plain text; records
// what the unit receives, so that senders can be checked on the wire.
class LoopbackUnit
{
public:
    enum Link
    {
        Pinned,
        Plain
    };
    explicit LoopbackUnit(Link link = Pinned)
    {
        Ulmar::Messaging::UnitEndpoint::Options options;
        options.bindAddress = "127.0.0.1";
        options.port = 0;
        options.announce = false;
        if (link == Pinned) {
            options.encrypted = true;
            std::tie(options.publicKey, options.secretKey) =
                Ulmar::Messaging::UnitEndpoint::generateKeyPair();
        }
        m_unit = std::make_unique<Ulmar::Messaging::UnitEndpoint>(options);
        m_unit->setMessageCallback([this](const Ulmar::Messaging::UnitEndpoint::PeerId&,
                                          std::shared_ptr<Ulmar::Messaging::IMessage> m) {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_received.push_back(std::move(m));
        });
        m_started = m_unit->start();
        if (!m_started)
            return;
        using namespace Ulmar::Messaging;
        DiscoveryStrategyList strategies{std::make_shared<DiscoveryStrategyInfo>(
            DiscoveryStrategyInfo::DirectHost,
            (link == Pinned ? "encrypted;127.0.0.1;" : "plain;127.0.0.1;") + std::to_string(m_unit->port()),
            1500)};
        m_messenger = std::make_shared<Messenger>(strategies, "VYRA", ITransport::TransportZeroMQ);
        m_messenger->setKeyPinStore(std::make_shared<KeyPinStore>(std::string()));
        m_messenger->setAutoReconnect(200);
    }

    ~LoopbackUnit()
    {
        m_messenger.reset();
        if (m_unit)
            m_unit->stop();
    }

    // Connects and waits (generously) for the link.
    bool connect()
    {
        if (!m_started)
            return false;
        m_messenger->connect(3000);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (std::chrono::steady_clock::now() < deadline) {
            if (m_messenger->isConnected() && !m_unit->peers().empty())
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }

    const std::shared_ptr<Ulmar::Messaging::Messenger>& messenger() const { return m_messenger; }
    Ulmar::Messaging::UnitEndpoint& unit() { return *m_unit; }

    std::vector<std::shared_ptr<Ulmar::Messaging::IMessage>> received(const std::string& type = std::string())
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        std::vector<std::shared_ptr<Ulmar::Messaging::IMessage>> out;
        for (const auto& m : m_received)
            if (type.empty() || m->getMessageType() == type)
                out.push_back(m);
        return out;
    }
    int count(const std::string& type = std::string()) { return static_cast<int>(received(type).size()); }
    QStringList bodies(const std::string& type)
    {
        QStringList out;
        for (const auto& m : received(type))
            out << QString::fromStdString(m->bodyAsString());
        return out;
    }
    void clear()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_received.clear();
    }

private:
    std::unique_ptr<Ulmar::Messaging::UnitEndpoint> m_unit;
    std::shared_ptr<Ulmar::Messaging::Messenger> m_messenger;
    bool m_started = false;
    std::mutex m_mutex;
    std::vector<std::shared_ptr<Ulmar::Messaging::IMessage>> m_received;
};

} // namespace ControllerTest
