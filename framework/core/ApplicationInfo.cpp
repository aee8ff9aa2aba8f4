#include "ApplicationInfo.h"

#include <cstdlib>
#include <mutex>

#include <boost/filesystem.hpp>
#include <boost/system/error_code.hpp>

#ifdef _WIN32
#include <windows.h>
#else
#include <pwd.h>
#include <unistd.h>
#endif

#include "FrameworkLog.h"

namespace fs = boost::filesystem;

namespace Ulmar {

namespace {

struct Identity
{
    std::mutex mutex;
    bool initialized = false;
    std::string name;
    std::string displayName;
    std::string company;
    std::string version;
    std::string executableFolder;
    std::string dataFolder;
};

Identity& identity()
{
    static Identity instance;
    return instance;
}

std::string environment(const char* name)
{
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

std::string currentFolder()
{
    boost::system::error_code ec;
    fs::path current = fs::current_path(ec);
    return ec ? std::string(".") : current.string();
}

std::string withoutTrailingSeparator(std::string path)
{
    while (path.size() > 1 && (path.back() == '/' || path.back() == '\\'))
        path.pop_back();
    return path;
}

// The folder of the running executable; argv[0] only when the system cannot tell.
std::string findExecutableFolder(const char* argv0)
{
    boost::system::error_code ec;
#ifdef _WIN32
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, &buffer[0], static_cast<DWORD>(buffer.size()));
        if (length == 0)
            break;
        if (length < buffer.size()) {
            buffer.resize(length);
            return fs::path(buffer).parent_path().string();
        }
        if (buffer.size() > 32768)
            break;
        buffer.resize(buffer.size() * 2);
    }
#else
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    if (!ec && !self.empty())
        return self.parent_path().string();
#endif
    if (argv0 && *argv0) {
        const fs::path absolute = fs::absolute(fs::path(argv0));
        const fs::path folder = fs::weakly_canonical(absolute, ec).parent_path();
        return ec ? absolute.parent_path().string() : folder.string();
    }
    return currentFolder();
}

std::string userHome()
{
#ifdef _WIN32
    return environment("USERPROFILE");
#else
    std::string home = environment("HOME");
    if (home.empty()) {
        if (const passwd* entry = getpwuid(getuid()))
            if (entry->pw_dir)
                home = entry->pw_dir;
    }
    return home;
#endif
}

fs::path dataRoot(int type, const std::string& executableFolder, bool& known)
{
    known = true;
    switch (type) {
    case DataFolderExecutable:
        return fs::path(executableFolder);
    case DataFolderShared: {
#ifdef _WIN32
        const std::string programData = environment("PROGRAMDATA");
        return fs::path(programData.empty() ? std::string("C:\\ProgramData") : programData);
#else
        return fs::path("/var/lib");
#endif
    }
    case DataFolderUser:
        break;
    default:
        known = false;
        break;
    }
#ifdef _WIN32
    const std::string appData = environment("APPDATA");
    if (!appData.empty())
        return fs::path(appData);
    return fs::path(userHome()) / "AppData" / "Roaming";
#else
    // XDG base directories ignore relative values.
    const std::string xdg = environment("XDG_DATA_HOME");
    if (!xdg.empty() && fs::path(xdg).is_absolute())
        return fs::path(xdg);
    const std::string home = userHome();
    if (home.empty())
        return fs::path(currentFolder());
    return fs::path(home) / ".local" / "share";
#endif
}

} // namespace

bool ApplicationInfo::Init(const std::string& name, const std::string& displayName,
                           const std::string& company, const std::string& version, int dataFolderType,
                           int argc, char** argv)
{
    const char* argv0 = (argc > 0 && argv) ? argv[0] : nullptr;
    const std::string executableFolder = withoutTrailingSeparator(findExecutableFolder(argv0));

    bool knownType = true;
    fs::path data = dataRoot(dataFolderType, executableFolder, knownType);
    if (dataFolderType != DataFolderExecutable) {
        if (!company.empty())
            data /= company;
        if (!name.empty())
            data /= name;
    }
    const std::string dataFolder = withoutTrailingSeparator(data.string());

    {
        Identity& id = identity();
        std::lock_guard<std::mutex> lock(id.mutex);
        id.initialized = true;
        id.name = name;
        id.displayName = displayName;
        id.company = company;
        id.version = version;
        id.executableFolder = executableFolder;
        id.dataFolder = dataFolder;
    }

    bool ok = true;
    if (!knownType) {
        ULMAR_FW_LOG(LOG_LEVEL_WARN, "Unknown data folder type " + std::to_string(dataFolderType) +
                                         "; using the user's data folder " + dataFolder);
        ok = false;
    }
    boost::system::error_code ec;
    if (!fs::is_directory(data, ec)) {
        fs::create_directories(data, ec);
        if (ec || !fs::is_directory(data)) {
            ULMAR_FW_LOG(LOG_LEVEL_ERROR,
                         "Could not create the data folder " + dataFolder + ": " + ec.message());
            ok = false;
        }
    }
    return ok;
}

std::string ApplicationInfo::Name()
{
    Identity& id = identity();
    std::lock_guard<std::mutex> lock(id.mutex);
    return id.name;
}

std::string ApplicationInfo::DisplayName()
{
    Identity& id = identity();
    std::lock_guard<std::mutex> lock(id.mutex);
    return id.displayName;
}

std::string ApplicationInfo::Company()
{
    Identity& id = identity();
    std::lock_guard<std::mutex> lock(id.mutex);
    return id.company;
}

std::string ApplicationInfo::Version()
{
    Identity& id = identity();
    std::lock_guard<std::mutex> lock(id.mutex);
    return id.version;
}

std::string ApplicationInfo::DataPath()
{
    {
        Identity& id = identity();
        std::lock_guard<std::mutex> lock(id.mutex);
        if (id.initialized)
            return id.dataFolder;
    }
    return currentFolder();
}

std::string ApplicationInfo::ExecutableFolder()
{
    {
        Identity& id = identity();
        std::lock_guard<std::mutex> lock(id.mutex);
        if (id.initialized)
            return id.executableFolder;
    }
    return withoutTrailingSeparator(findExecutableFolder(nullptr));
}

std::string ApplicationInfo::EstablishPathToExecutableFile(const std::string& fileName)
{
    return (fs::path(ExecutableFolder()) / fileName).string();
}

std::string ApplicationInfo::EstablishPathToDataFile(const std::string& name)
{
    return (fs::path(DataPath()) / name).string();
}

} // namespace Ulmar
