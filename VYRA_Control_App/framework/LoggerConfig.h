#pragma once

#include <string>

namespace Ulmar {

// Configures every log channel from a properties file (log4cplus format: keys start with "log4cplus.").
class LoggerConfig
{
public:
    static LoggerConfig& GetInstance();

    // False when the file cannot be read or configures nothing; a basic console configuration (INFO) is
    // then used. Replaces any earlier configuration. Values may use ${VYRA_DATA_DIR} (the application's
    // data folder, unless the file defines it) and environment variables. A file written with "log4j."
    // keys only is read as if they were "log4cplus." keys, with a warning.
    bool ConfigureFromFile(const std::string& path);
    // Routes Qt's message log (qDebug, qInfo, qWarning, qCritical) to the same sinks: channel "Qt" for the
    // default category, "Qt.<category>" for a logging category (qCDebug(lcSeats) on "vyra.seats" writes to
    // "Qt.vyra.seats"), so that each area can be given its own level below that of "Qt".
    void InstallQtMessageHandler();

private:
    LoggerConfig();
};

} // namespace Ulmar
