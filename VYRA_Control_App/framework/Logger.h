#pragma once

#include <string>

namespace Ulmar {

using LogLevel = int;

// Same numeric scale as the logging back end: a higher level is more severe.
constexpr LogLevel LOG_LEVEL_NOT_SET = -1;
constexpr LogLevel LOG_LEVEL_TRACE = 0;
constexpr LogLevel LOG_LEVEL_DEBUG = 10000;
constexpr LogLevel LOG_LEVEL_INFO = 20000;
constexpr LogLevel LOG_LEVEL_WARN = 30000;
constexpr LogLevel LOG_LEVEL_ERROR = 40000;
constexpr LogLevel LOG_LEVEL_FATAL = 50000;

// A log channel. Channels are hierarchical by dots: "A.B.c" inherits the level of "A.B" and "A".
class Logger
{
public:
    static Logger GetInstance(const std::string& channel);

    Logger(const Logger&) = default;
    Logger& operator=(const Logger&) = default;
    virtual ~Logger();

    const std::string& GetName() const { return m_channel; }
    // The channel's own level, or the nearest ancestor's when it has none.
    LogLevel GetChainedLogLevel() const;
    bool IsEnabledFor(LogLevel level) const;
    virtual void Log(LogLevel level, const std::string& message, const char* file, int line) const;

private:
    explicit Logger(std::string channel);
    std::string m_channel;
};

} // namespace Ulmar
