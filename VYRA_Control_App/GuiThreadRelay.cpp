#include "GuiThreadRelay.h"

#include <QMetaObject>
#include <QObject>
#include <QThread>

namespace Ulmar {

GuiThreadRelay::GuiThreadRelay(QObject* target) : m_target(target) {}

void GuiThreadRelay::run(std::function<void()> work)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_target)
            return;
        if (m_target->thread() != QThread::currentThread()) {
            QMetaObject::invokeMethod(m_target, std::move(work), Qt::QueuedConnection);
            return;
        }
    }
    // On the target's thread the target cannot be destroyed under us; run without the lock so that the
    // work may post again.
    work();
}

void GuiThreadRelay::post(std::function<void()> work)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_target)
        QMetaObject::invokeMethod(m_target, std::move(work), Qt::QueuedConnection);
}

void GuiThreadRelay::detach()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_target = nullptr;
}

} // namespace Ulmar
