#include "GuiThreadRelay.h"

#include <QMetaObject>
#include <QThread>

namespace Ulmar {

std::shared_ptr<GuiThreadRelay> GuiThreadRelay::create(QObject* target)
{
    std::shared_ptr<GuiThreadRelay> relay(new GuiThreadRelay(target));
    std::weak_ptr<GuiThreadRelay> weak = relay;
    relay->m_waker = new GuiThreadRelayWaker(target, [weak] {
        if (auto r = weak.lock())
            r->drain();
    });
    return relay;
}

GuiThreadRelay::GuiThreadRelay(QObject* target) : m_target(target) {}

void GuiThreadRelay::run(std::function<void()> work)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_target)
            return;
        if (m_target->thread() == QThread::currentThread() && m_queue.empty() && !m_wakeUpPending) {
            // Nothing is waiting: no order to keep, run here. The target cannot go away under us on its own
            // thread; run without the lock so that the work may post again.
        } else {
            m_queue.push_back(std::move(work));
            if (!m_wakeUpPending) {
                m_wakeUpPending = true;
                QMetaObject::invokeMethod(m_waker, "wake", Qt::QueuedConnection);
            }
            return;
        }
    }
    work();
}

void GuiThreadRelay::post(std::function<void()> work)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_target)
        return;
    m_queue.push_back(std::move(work));
    if (!m_wakeUpPending) {
        m_wakeUpPending = true;
        QMetaObject::invokeMethod(m_waker, "wake", Qt::QueuedConnection);
    }
}

void GuiThreadRelay::detach()
{
    std::deque<std::function<void()>> dropped;
    std::lock_guard<std::mutex> lock(m_mutex);
    m_target = nullptr;
    dropped.swap(m_queue);
}

void GuiThreadRelay::drain()
{
    std::deque<std::function<void()>> batch;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_wakeUpPending = false;
        if (!m_target)
            return;
        batch.swap(m_queue);
    }
    for (auto& work : batch) {
        {
            // The owner may detach from within a work item (its destruction); later items must not run.
            std::lock_guard<std::mutex> lock(m_mutex);
            if (!m_target)
                return;
        }
        work();
    }
}

GuiThreadRelayWaker::GuiThreadRelayWaker(QObject* parent, std::function<void()> onWake)
    : QObject(parent), m_onWake(std::move(onWake))
{}

void GuiThreadRelayWaker::wake()
{
    m_onWake();
}

} // namespace Ulmar
