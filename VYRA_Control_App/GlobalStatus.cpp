#include "GlobalStatus.h"

#include <QDebug>

#include "LogCategories.h"
#include "Logger.h"

namespace Ulmar {

namespace {
const Logger& statusLogger()
{
    static const Logger logger = Logger::GetInstance("Sonvex.VYRA_Control_App.GlobalStatus");
    return logger;
}
} // namespace

GlobalStatus::GlobalStatus() : QObject(nullptr) {}

GlobalStatus::~GlobalStatus() = default;

void GlobalStatus::setIsConnected(bool value)
{
    if (m_isConnected.exchange(value) != value)
        emit connectionStateChanged();
}

void GlobalStatus::handleConnected()
{
    transition(true);
}

void GlobalStatus::handleConnectionLost()
{
    transition(false);
}

void GlobalStatus::handleDisconnected()
{
    // A reset the application asked for; the loss event reports real outages.
}

void GlobalStatus::transition(bool connected)
{
    bool expected = !connected;
    if (!m_isConnected.compare_exchange_strong(expected, connected))
        return;

    const char* text = connected ? "Connection with VYRA established" : "Connection with VYRA lost";
    const Logger& logger = statusLogger();
    if (logger.IsEnabledFor(LOG_LEVEL_INFO))
        logger.Log(LOG_LEVEL_INFO, text, __FILE__, __LINE__);
    qCDebug(lcLink) << text;
    emit connectionStateChanged();
    m_keyValueSignal(QVariant(QStringLiteral("connection")), QVariant(connected));
}

} // namespace Ulmar
