#pragma once

#include <string>

namespace Ulmar {

// Where the logging configuration is read from. A copy beside the executable wins, so that a build tree or an
// unpacked folder can be tuned in place; an installed program falls back to its read-only data folder
// (VYRA_INSTALLED_DATA_FROM_BIN, relative to the executable's folder), so nothing has to live in bin/.
class LoggerConfigLocator
{
public:
    // The path to hand to LoggerConfig::ConfigureFromFile. When neither file exists, the path beside the
    // executable, so that the warning names the place a user is most likely to look.
    static std::string find(const std::string& executableFolder, const std::string& fileName);
};

} // namespace Ulmar
