#include "LoggerConfig.h"

#include <atomic>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <log4cplus/configurator.h>
#include <log4cplus/helpers/property.h>
#include <log4cplus/hierarchy.h>
#include <log4cplus/initializer.h>
#include <log4cplus/logger.h>

#include "ApplicationInfo.h"
#include "FrameworkLog.h"
#include "Logger.h"

namespace Ulmar {

namespace {

// The variable a configuration file can use for the data folder, e.g.
// "${VYRA_DATA_DIR}/logs/VYRA_Control_App.log".
const char* const kDataDirVariable = "VYRA_DATA_DIR";
const char* const kQtChannel = "Qt";

// 0: back end not started yet, 1: running, 2: shut down (static destruction has begun).
std::atomic<int> g_backendState{0};
std::atomic<bool> g_configured{false};
std::atomic<bool> g_qtHandlerInstalled{false};

// Owns the back end's initialisation. A function-static, so it is created on first use by any thread and
// torn down at exit after everything created later (the Qt handler is taken down first).
struct Backend
{
    log4cplus::Initializer initializer;

    Backend() { g_backendState.store(1); }
    ~Backend()
    {
        g_backendState.store(2);
        if (g_qtHandlerInstalled.exchange(false))
            qInstallMessageHandler(nullptr);
    }
};

bool ensureBackend()
{
    if (g_backendState.load() == 2)
        return false;
    static Backend backend;
    return g_backendState.load() == 1;
}

const char* const kFallbackConfiguration = "log4cplus.rootLogger=INFO, STDOUT\n"
                                           "log4cplus.appender.STDOUT=log4cplus::ConsoleAppender\n"
                                           "log4cplus.appender.STDOUT.layout=log4cplus::PatternLayout\n"
                                           "log4cplus.appender.STDOUT.layout.ConversionPattern="
                                           "%D{%Y-%m-%d %H:%M:%S.%q} %-5p [%c] %m%n\n";

struct KeyCounts
{
    int log4j = 0;
    int log4cplus = 0;
};

bool startsWith(const std::string& s, std::size_t pos, const char* prefix)
{
    return s.compare(pos, std::char_traits<char>::length(prefix), prefix) == 0;
}

std::size_t keyStart(const std::string& line)
{
    std::size_t pos = line.find_first_not_of(" \t\r");
    if (pos == std::string::npos || line[pos] == '#' || line[pos] == '!')
        return std::string::npos;
    return pos;
}

KeyCounts countKeys(const std::string& text)
{
    KeyCounts counts;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        const std::size_t pos = keyStart(line);
        if (pos == std::string::npos)
            continue;
        if (startsWith(line, pos, "log4j."))
            ++counts.log4j;
        else if (startsWith(line, pos, "log4cplus."))
            ++counts.log4cplus;
    }
    return counts;
}

// Old files copied from Java-style set-ups: "log4j." keys, "org.apache.log4j.X" class names.
std::string translateLog4j(const std::string& text)
{
    static const std::string javaPackage = "org.apache.log4j.";
    std::istringstream in(text);
    std::ostringstream out;
    std::string line;
    while (std::getline(in, line)) {
        const std::size_t pos = keyStart(line);
        // log4j's older synonyms for the logger keys have no log4cplus. counterpart.
        if (pos != std::string::npos && startsWith(line, pos, "log4j.rootCategory"))
            line.replace(pos, 18, "log4cplus.rootLogger");
        else if (pos != std::string::npos && startsWith(line, pos, "log4j.category."))
            line.replace(pos, 15, "log4cplus.logger.");
        else if (pos != std::string::npos && startsWith(line, pos, "log4j."))
            line.replace(pos, 6, "log4cplus.");
        const std::size_t eq = line.find('=');
        if (pos != std::string::npos && eq != std::string::npos) {
            std::size_t cls = line.find(javaPackage, eq);
            while (cls != std::string::npos) {
                line.replace(cls, javaPackage.size(), "log4cplus::");
                cls = line.find(javaPackage, cls);
            }
        }
        out << line << '\n';
    }
    return out.str();
}

void applyConfiguration(const std::string& text)
{
    std::istringstream in(text);
    log4cplus::helpers::Properties properties(in);
    // The file may define the variable itself; otherwise it names our data folder.
    if (!properties.exists(kDataDirVariable))
        properties.setProperty(kDataDirVariable, ApplicationInfo::DataPath());

    log4cplus::Hierarchy& hierarchy = log4cplus::Logger::getDefaultHierarchy();
    hierarchy.resetConfiguration();
    log4cplus::PropertyConfigurator configurator(properties, hierarchy,
                                                 log4cplus::PropertyConfigurator::fRecursiveExpansion |
                                                     log4cplus::PropertyConfigurator::fShadowEnvironment);
    configurator.configure();
}

bool applyFallback()
{
    try {
        applyConfiguration(kFallbackConfiguration);
        g_configured.store(true);
        return true;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "Logging could not be configured: %s\n", e.what());
        return false;
    }
}

log4cplus::LogLevel levelOf(QtMsgType type)
{
    switch (type) {
    case QtDebugMsg:
        return log4cplus::DEBUG_LOG_LEVEL;
    case QtInfoMsg:
        return log4cplus::INFO_LOG_LEVEL;
    case QtWarningMsg:
        return log4cplus::WARN_LOG_LEVEL;
    case QtCriticalMsg:
        return log4cplus::ERROR_LOG_LEVEL;
    case QtFatalMsg:
        return log4cplus::FATAL_LOG_LEVEL;
    }
    return log4cplus::WARN_LOG_LEVEL;
}

// "Qt" for Qt's default category (plain qDebug()), "Qt." and the category's name for the others: the channel
// says which part of the program spoke, and inherits the level configured for "Qt".
std::string qtChannel(const char* category)
{
    if (!category || !*category || std::strcmp(category, "default") == 0)
        return kQtChannel;
    return std::string(kQtChannel) + '.' + category;
}

// Called by Qt on any thread; log4cplus serialises appends itself. Qt aborts by itself after a fatal
// message has been handled.
void qtMessageHandler(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (!detail::loggingAlive()) {
        std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
        return;
    }
    const log4cplus::Logger logger = log4cplus::Logger::getInstance(qtChannel(context.category));
    const log4cplus::LogLevel level = levelOf(type);
    if (logger.isEnabledFor(level))
        logger.forcedLog(level, message.toStdString(), context.file ? context.file : "", context.line,
                         context.function ? context.function : "");
}

} // namespace

namespace detail {

bool loggingAlive()
{
    return ensureBackend();
}

bool loggingConfigured()
{
    return g_configured.load();
}

} // namespace detail

LoggerConfig::LoggerConfig()
{
    ensureBackend();
}

LoggerConfig& LoggerConfig::GetInstance()
{
    ensureBackend();
    static LoggerConfig instance;
    return instance;
}

bool LoggerConfig::ConfigureFromFile(const std::string& path)
{
    if (!ensureBackend())
        return false;

    std::ifstream file(path, std::ios::binary);
    std::ostringstream content;
    if (file)
        content << file.rdbuf();
    if (!file || file.bad()) {
        applyFallback();
        ULMAR_FW_LOG(LOG_LEVEL_WARN,
                     "Logging configuration \"" + path + "\" could not be read; logging to the console only");
        return false;
    }

    std::string text = content.str();
    const KeyCounts keys = countKeys(text);
    bool translated = false;
    if (keys.log4cplus == 0 && keys.log4j > 0) {
        text = translateLog4j(text);
        translated = true;
    } else if (keys.log4cplus == 0) {
        applyFallback();
        ULMAR_FW_LOG(LOG_LEVEL_WARN, "Logging configuration \"" + path +
                                         "\" has no \"log4cplus.\" keys; logging to the console only");
        return false;
    }

    try {
        applyConfiguration(text);
    } catch (const std::exception& e) {
        applyFallback();
        ULMAR_FW_LOG(LOG_LEVEL_WARN, "Logging configuration \"" + path + "\" could not be applied (" +
                                         e.what() + "); logging to the console only");
        return false;
    }
    g_configured.store(true);
    if (translated)
        ULMAR_FW_LOG(LOG_LEVEL_WARN, "Logging configuration \"" + path +
                                         "\" uses \"log4j.\" keys; they were read as \"log4cplus.\" keys. "
                                         "Rename them to silence this warning.");
    return true;
}

void LoggerConfig::InstallQtMessageHandler()
{
    if (!ensureBackend())
        return;
    g_qtHandlerInstalled.store(true);
    qInstallMessageHandler(qtMessageHandler);
}

} // namespace Ulmar
