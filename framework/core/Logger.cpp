#include "Logger.h"

#include <cstdio>

#include <log4cplus/logger.h>
#include <log4cplus/loglevel.h>

#include "FrameworkLog.h"

namespace Ulmar {

static_assert(LOG_LEVEL_NOT_SET == log4cplus::NOT_SET_LOG_LEVEL, "level scale must match the back end");
static_assert(LOG_LEVEL_TRACE == log4cplus::TRACE_LOG_LEVEL, "level scale must match the back end");
static_assert(LOG_LEVEL_DEBUG == log4cplus::DEBUG_LOG_LEVEL, "level scale must match the back end");
static_assert(LOG_LEVEL_INFO == log4cplus::INFO_LOG_LEVEL, "level scale must match the back end");
static_assert(LOG_LEVEL_WARN == log4cplus::WARN_LOG_LEVEL, "level scale must match the back end");
static_assert(LOG_LEVEL_ERROR == log4cplus::ERROR_LOG_LEVEL, "level scale must match the back end");
static_assert(LOG_LEVEL_FATAL == log4cplus::FATAL_LOG_LEVEL, "level scale must match the back end");

namespace {

const char* levelName(LogLevel level)
{
    if (level >= LOG_LEVEL_FATAL)
        return "FATAL";
    if (level >= LOG_LEVEL_ERROR)
        return "ERROR";
    if (level >= LOG_LEVEL_WARN)
        return "WARN";
    if (level >= LOG_LEVEL_INFO)
        return "INFO";
    if (level >= LOG_LEVEL_DEBUG)
        return "DEBUG";
    return "TRACE";
}

// Used before configuration and after shutdown, when the back end has nowhere to write.
void writeToStderr(const std::string& channel, LogLevel level, const std::string& message)
{
    std::fprintf(stderr, "%-5s [%s] %s\n", levelName(level), channel.c_str(), message.c_str());
}

} // namespace

namespace detail {

void frameworkLog(LogLevel level, const std::string& message, const char* file, int line)
{
    static const char* const channel = "Sonvex.Framework";
    if (loggingAlive() && loggingConfigured())
        Logger::GetInstance(channel).Log(level, message, file, line);
    else
        writeToStderr(channel, level, message);
}

} // namespace detail

Logger::Logger(std::string channel) : m_channel(std::move(channel)) {}

Logger::~Logger() = default;

Logger Logger::GetInstance(const std::string& channel)
{
    detail::loggingAlive(); // starts the back end on first use
    return Logger(channel);
}

LogLevel Logger::GetChainedLogLevel() const
{
    if (!detail::loggingAlive())
        return log4cplus::OFF_LOG_LEVEL;
    return log4cplus::Logger::getInstance(m_channel).getChainedLogLevel();
}

bool Logger::IsEnabledFor(LogLevel level) const
{
    if (!detail::loggingAlive())
        return false;
    return log4cplus::Logger::getInstance(m_channel).isEnabledFor(level);
}

void Logger::Log(LogLevel level, const std::string& message, const char* file, int line) const
{
    if (!detail::loggingAlive()) {
        if (level >= LOG_LEVEL_WARN)
            writeToStderr(m_channel, level, message);
        return;
    }
    // Callers are expected to test IsEnabledFor first; checking again keeps a forgotten test from
    // bypassing the configured level.
    const log4cplus::Logger logger = log4cplus::Logger::getInstance(m_channel);
    if (logger.isEnabledFor(level))
        logger.forcedLog(level, message, file ? file : "", line, "");
}

} // namespace Ulmar
