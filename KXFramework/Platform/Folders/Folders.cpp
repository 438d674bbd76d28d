#include "KXFramework/Platform/Folders/Folders.h"

#include "KXFramework/Platform/DebugLog/LogOutput.h"
#include "KXFramework/Platform/Files/FileAccess.h"

#include <cstdlib>
#include <mutex>
#include <pwd.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace KX::Platform {

namespace {

// A value of an XDG variable counts only when it is an absolute path.
std::string AbsoluteEnv(const char* name)
{
    const char* value = std::getenv(name);
    if (value == nullptr || value[0] != '/')
        return std::string();
    return value;
}

std::string StripTrailingSlashes(std::string path)
{
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

// Logs which folder stands in for $HOME, once for as long as the same one does: the folders are
// looked up many times a run. An empty note (HOME usable) ends the stretch.
void NoteHome(const std::string& note)
{
    static auto* lock = new std::mutex;
    static auto* last = new std::string;
    std::lock_guard guard(*lock);
    if (note != *last && !note.empty())
        DebugLog::WriteLine("Folders: " + note);
    *last = note;
}

std::string HomeFolder()
{
    const char* value = std::getenv("HOME");
    std::string home = AbsoluteEnv("HOME");
    if (!home.empty()) {
        NoteHome(std::string());
        return StripTrailingSlashes(home);
    }
    const std::string why = value == nullptr || value[0] == '\0'
                                ? "HOME is not set"
                                : "HOME " + std::string(value) + " is not an absolute path";
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<size_t>(size) : 16384);
    struct passwd entry {};
    struct passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr &&
        found->pw_dir != nullptr && found->pw_dir[0] == '/') {
        home = StripTrailingSlashes(found->pw_dir);
        NoteHome(why + "; using " + home + ", the home folder of the user database");
        return home;
    }
    NoteHome(why + ", and the user database names no home folder either");
    return std::string();
}

std::string XdgFolder(const char* variable, const char* fallbackUnderHome)
{
    std::string folder = AbsoluteEnv(variable);
    if (!folder.empty())
        return StripTrailingSlashes(folder);
    const std::string home = HomeFolder();
    return home.empty() ? std::string() : home + "/" + fallbackUnderHome;
}

// The XDG_DOCUMENTS_DIR line of user-dirs.dirs: XDG_DOCUMENTS_DIR="$HOME/Documents".
std::string DocumentsFromUserDirs(const std::string& home)
{
    const std::string config = XdgFolder("XDG_CONFIG_HOME", ".config");
    std::string text;
    if (config.empty() || Files::ReadWholeFile(config + "/user-dirs.dirs", 64 * 1024, text) != Files::ReadStatus::Ok)
        return std::string();
    std::string_view rest = text;
    while (!rest.empty()) {
        const size_t end = rest.find('\n');
        std::string_view line = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        while (!line.empty() && (line.front() == ' ' || line.front() == '\t'))
            line.remove_prefix(1);
        constexpr std::string_view kPrefix = "XDG_DOCUMENTS_DIR=\"";
        if (line.substr(0, kPrefix.size()) != kPrefix)
            continue;
        line.remove_prefix(kPrefix.size());
        const size_t quote = line.find('"');
        if (quote == std::string_view::npos)
            return std::string();
        line = line.substr(0, quote);
        std::string path;
        if (line.substr(0, 5) == "$HOME") {
            if (home.empty())
                return std::string();
            path = home + std::string(line.substr(5));
        } else {
            path = line;
        }
        return path.empty() || path[0] != '/' ? std::string() : StripTrailingSlashes(path);
    }
    return std::string();
}

bool IsFolder(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

} // namespace

std::string GetExecutablePath()
{
    std::vector<char> buffer(4096);
    for (;;) {
        const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (n < 0)
            return std::string();
        if (static_cast<size_t>(n) < buffer.size())
            return std::string(buffer.data(), static_cast<size_t>(n));
        if (buffer.size() >= 1 << 20)
            return std::string();
        buffer.resize(buffer.size() * 2);
    }
}

std::string GetPlatformFolder(PlatformFolder which)
{
    switch (which) {
    case PlatformFolder::Executable: {
        const std::string exe = GetExecutablePath();
        const size_t slash = exe.rfind('/');
        if (slash == std::string::npos)
            return std::string();
        return slash == 0 ? std::string("/") : exe.substr(0, slash);
    }
    case PlatformFolder::CommonAppData:
        return XdgFolder("XDG_DATA_HOME", ".local/share");
    case PlatformFolder::LocalAppData:
        return XdgFolder("XDG_CONFIG_HOME", ".config");
    case PlatformFolder::Documents: {
        const std::string home = HomeFolder();
        std::string documents = AbsoluteEnv("XDG_DOCUMENTS_DIR");
        if (!documents.empty())
            return StripTrailingSlashes(documents);
        documents = DocumentsFromUserDirs(home);
        if (!documents.empty())
            return documents;
        if (!home.empty() && IsFolder(home + "/Documents"))
            return home + "/Documents";
        return home;
    }
    }
    return std::string();
}

} // namespace KX::Platform
