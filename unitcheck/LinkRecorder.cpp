#include "LinkRecorder.h"

#include "IResponse.h"

void LinkRecorder::handleResponse(std::shared_ptr<Ulmar::Messaging::IResponse> response)
{
    if (!response)
        return;
    Received r{response->getMessageType(), response->getVersion(), response->getText().substr(0, 256),
               std::string(), Clock::now()};
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        // A unit that floods us must not fill our memory: past the first bodies of a type only the arrival
        // counts (enough for the timing rules).
        if (m_received.size() >= MaxMessages)
            return;
        if (++m_bodiesKept[r.type] <= MaxBodiesPerType)
            r.body = response->bodyAsString();
        else
            r.bodyDropped = true;
        m_received.push_back(std::move(r));
    }
    m_changed.notify_all();
}

void LinkRecorder::handleConnected()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_connected)
            m_connectedAt = Clock::now();
        m_connected = true;
    }
    m_changed.notify_all();
}

void LinkRecorder::handleConnectionLost()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        // Attempts that time out before the first link are not losses of a link.
        if (m_connected)
            ++m_losses;
        m_connected = false;
    }
    m_changed.notify_all();
}

std::vector<LinkRecorder::Received> LinkRecorder::received() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_received;
}

std::vector<LinkRecorder::Received> LinkRecorder::received(const std::string& type,
                                                           Clock::time_point since) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<Received> out;
    for (const auto& r : m_received)
        if (r.type == type && r.at >= since)
            out.push_back(r);
    return out;
}

bool LinkRecorder::connected(Clock::time_point* at) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (at)
        *at = m_connectedAt;
    return m_connected;
}

int LinkRecorder::losses() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_losses;
}

bool LinkRecorder::waitUntil(const std::function<bool(const std::vector<Received>&)>& done,
                             Clock::time_point deadline) const
{
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_changed.wait_until(lock, deadline, [&] { return done(m_received); });
}

bool LinkRecorder::waitForConnection(Clock::time_point deadline) const
{
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_changed.wait_until(lock, deadline, [&] { return m_connected; });
}
