#pragma once

#include <string>

namespace Ulmar {

// Configures every log channel from a properties file (log4cplus format: keys start with "log4cplus.").
class LoggerConfig
{
public:
    static LoggerConfig& GetInstance();

    // False when the file cannot be read; a basic console configuration is then used.
    bool ConfigureFromFile(const std::string& path);
    // Routes Qt's message log (qDebug, qInfo, qWarning, qCritical) to the same sinks, channel "Qt".
    void InstallQtMessageHandler();

private:
    LoggerConfig();
};

} // namespace Ulmar
