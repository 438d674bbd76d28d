#include "KXFramework/Platform/Folders/ProfileStore.h"

#include "KXFramework/Platform/DebugLog/LogOutput.h"
#include "KXFramework/Platform/Files/FileAccess.h"
#include "KXFramework/Platform/Folders/Folders.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

namespace KX::Platform {

namespace {

// The cleaned name, or empty when it would not name a place of its own.
std::string Level(const std::string& name)
{
    std::string level = Files::MakeValidFileName(name);
    return level == "." || level == ".." ? std::string() : level;
}

// The file of the value; empty when a name is refused or there is no configuration folder.
std::string ValuePath(const std::string& company, const std::string& section, const std::string& entry)
{
    const std::string levels[] = {Level(company), Level(section), Level(entry)};
    std::string path = GetPlatformFolder(PlatformFolder::LocalAppData);
    if (path.empty())
        return std::string();
    for (const std::string& level : levels) {
        if (level.empty())
            return std::string();
        path += "/" + level;
    }
    return path;
}

bool IsFolder(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Creates every missing folder of `path` (which is absolute).
bool MakeFolders(const std::string& path)
{
    for (size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        const std::string prefix = path.substr(0, slash);
        if (::mkdir(prefix.c_str(), 0777) != 0 && !(errno == EEXIST && IsFolder(prefix))) {
            DebugLog::WriteLine("Settings: cannot create " + prefix + ": " + std::strerror(errno));
            return false;
        }
        if (slash == std::string::npos)
            return true;
    }
}

} // namespace

bool WriteProfileBinary(const std::string& company, const std::string& section, const std::string& entry,
                        const std::vector<uint8_t>& data)
{
    const std::string path = ValuePath(company, section, entry);
    if (path.empty() || !MakeFolders(path.substr(0, path.rfind('/'))))
        return false;
    if (Files::WriteAtomically(path, data.data(), data.size()) != S_OK) {
        DebugLog::WriteLine("Settings: cannot write " + path + ": " + std::strerror(errno));
        return false;
    }
    return true;
}

std::optional<std::vector<uint8_t>> ReadProfileBinary(const std::string& company, const std::string& section,
                                                      const std::string& entry)
{
    const std::string path = ValuePath(company, section, entry);
    std::string bytes;
    if (path.empty() || Files::ReadWholeFile(path, kMaxProfileBinarySize, bytes) != Files::ReadStatus::Ok)
        return std::nullopt;
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

} // namespace KX::Platform
