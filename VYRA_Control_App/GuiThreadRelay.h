#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <mutex>

#include <QObject>

namespace Ulmar {

// Carries work from messaging threads to the thread of one QObject (the GUI thread for the Facade and the
// unit list). Work posted from any thread runs there in posting order. The owner detaches the relay in its
// destructor; after that nothing more runs. Held by shared pointer so that slots on framework signals,
// which may fire after their receiver is gone, keep the relay (not the receiver) alive.
//
// The work itself travels through a queue under our own mutex; Qt only carries a wake-up. That keeps the
// hand-over visible to the thread sanitizer, which cannot see the locks inside an uninstrumented Qt.
class GuiThreadRelay
{
public:
    static std::shared_ptr<GuiThreadRelay> create(QObject* target);

    // Runs at once when called on the target's thread, otherwise queued.
    void run(std::function<void()> work);
    // Always queued, also from the target's own thread (keeps order with work already queued).
    void post(std::function<void()> work);
    void detach();

private:
    explicit GuiThreadRelay(QObject* target);
    void drain();

    std::mutex m_mutex;
    QObject* m_target;
    QObject* m_waker = nullptr; // child of the target: pending wake-ups die with it
    std::deque<std::function<void()>> m_queue;
    bool m_wakeUpPending = false;
};

// The receiving end of a relay's wake-up, on the target's thread.
class GuiThreadRelayWaker : public QObject
{
    Q_OBJECT

public:
    GuiThreadRelayWaker(QObject* parent, std::function<void()> onWake);

public slots:
    void wake();

private:
    std::function<void()> m_onWake;
};

} // namespace Ulmar
