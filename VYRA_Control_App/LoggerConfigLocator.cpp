#include "LoggerConfigLocator.h"

#include <boost/filesystem.hpp>

#ifndef VYRA_INSTALLED_DATA_FROM_BIN
#error "VYRA_INSTALLED_DATA_FROM_BIN must name the installed data folder relative to the executable's folder"
#endif

namespace fs = boost::filesystem;

namespace Ulmar {

std::string LoggerConfigLocator::find(const std::string& executableFolder, const std::string& fileName)
{
    const fs::path folder(executableFolder);
    const fs::path beside = folder / fileName;
    boost::system::error_code error;
    if (fs::is_regular_file(beside, error))
        return beside.string();
    const fs::path installed = (folder / VYRA_INSTALLED_DATA_FROM_BIN / fileName).lexically_normal();
    if (fs::is_regular_file(installed, error))
        return installed.string();
    return beside.string();
}

} // namespace Ulmar
