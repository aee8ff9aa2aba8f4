#pragma once

#include <string>

#include "Logger.h"

namespace Ulmar {
namespace detail {

// The framework's own diagnostics (channel "Sonvex.Framework"). Before any configuration has been read
// (ApplicationInfo::Init runs first) they go straight to standard error, so they are never lost to
// an appender-less hierarchy.
void frameworkLog(LogLevel level, const std::string& message, const char* file, int line);

// True between the first use of the logging back end and its shutdown at process exit.
bool loggingAlive();
// Set once a configuration (file or fallback) has been applied.
bool loggingConfigured();

} // namespace detail
} // namespace Ulmar

#define ULMAR_FW_LOG(level, message) ::Ulmar::detail::frameworkLog((level), (message), __FILE__, __LINE__)
