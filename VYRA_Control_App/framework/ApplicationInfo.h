#pragma once

#include <string>

namespace Ulmar {

// Which folder holds the application's data.
enum DataFolderType
{
    DataFolderExecutable = 0, // beside the executable
    DataFolderShared = 1,     // machine-wide application data
    DataFolderUser = 2        // the user's application data (created when missing)
};

// Process-wide identity of the application.
class ApplicationInfo
{
public:
    static bool Init(const std::string& name, const std::string& displayName, const std::string& company,
                     const std::string& version, int dataFolderType, int argc, char** argv);

    static std::string Name();
    static std::string DisplayName();
    static std::string Company();
    static std::string Version();
    // Absolute path of the data folder, without trailing separator.
    static std::string DataPath();
    // Absolute path of the folder holding the executable.
    static std::string ExecutableFolder();
    static std::string EstablishPathToExecutableFile(const std::string& fileName);
    static std::string EstablishPathToDataFile(const std::string& name);
};

} // namespace Ulmar
