#include "UnitOutbox.h"

#include <memory>
#include <utility>

#include <QByteArray>
#include <QTimer>

#include "IMessage.h"
#include "ManagedBuffer.h"
#include "MessageNames.h"
#include "UnitBodies.h"
#include "UnitEndpoint.h"

namespace Ulmar {
namespace Simulator {

namespace {

std::shared_ptr<Messaging::IMessage> message(const std::string& type, const std::string& body)
{
    auto buffer = body.empty() ? nullptr : Messaging::ManagedBuffer::FromBytes(body.data(), body.size());
    return std::make_shared<Messaging::IMessage>(type, Messaging::MessageVersion, std::string(), buffer,
                                                 Messaging::GenericMessageTypeDefault);
}

} // namespace

UnitOutbox::UnitOutbox(const UnitState& state, FaultSet faults, int reportDelayMs, QObject* parent)
    : QObject(parent), m_state(state), m_faults(std::move(faults)), m_reportDelayMs(reportDelayMs)
{}

QString UnitOutbox::peerName(const std::string& peer)
{
    return QString::fromLatin1(QByteArray::fromStdString(peer).toHex());
}

bool UnitOutbox::deferred(std::function<void()> send)
{
    if (!m_handlingCommand || m_reportDelayMs <= 0)
        return false;
    // Single shots of one interval fire in the order they were started: the reports keep their order.
    QTimer::singleShot(m_reportDelayMs, Qt::PreciseTimer, this, [this, send = std::move(send)] {
        const bool handling = m_handlingCommand;
        m_handlingCommand = false;
        send();
        m_handlingCommand = handling;
    });
    return true;
}

void UnitOutbox::answer(const std::string& peer, const std::string& type, const std::string& givenBody,
                        bool periodic)
{
    if (deferred([=] { answer(peer, type, givenBody, periodic); }))
        return;
    std::string body = givenBody;
    if (!m_faults.apply(type, body, true, m_state))
        return;
    if (peer.empty()) { // a message injected in process: everybody hears the answer
        notify(type, body, periodic);
        return;
    }
    if (!m_endpoint)
        return;
    m_endpoint->sendTo(peer, message(type, body));
    emit messageSent(peerName(peer), QString::fromStdString(type),
                     QString::fromStdString(UnitBodies::summary(type, body)), periodic);
}

void UnitOutbox::notify(const std::string& type, const std::string& givenBody, bool periodic)
{
    if (deferred([=] { notify(type, givenBody, periodic); }))
        return;
    if (m_stalled || !m_endpoint || !m_endpoint->isRunning())
        return;
    std::string body = givenBody;
    if (!m_faults.apply(type, body, false, m_state))
        return;
    m_endpoint->broadcast(message(type, body));
    emit messageSent(QStringLiteral("*"), QString::fromStdString(type),
                     QString::fromStdString(UnitBodies::summary(type, body)), periodic);
}

} // namespace Simulator
} // namespace Ulmar
