#include "KXFramework/Platform/Files/FileAccess.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

namespace KX::Platform::Files {

namespace {

class Descriptor {
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    // Keeps errno, which tells the caller why the work with the file failed.
    ~Descriptor()
    {
        const int error = errno;
        if (m_fd >= 0)
            ::close(m_fd);
        errno = error;
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int Get() const { return m_fd; }
    // Closes now so that a failing close (delayed write errors on some file systems) is seen.
    bool Close()
    {
        const int fd = m_fd;
        m_fd = -1;
        return ::close(fd) == 0;
    }

private:
    int m_fd;
};

bool WriteAll(int fd, const unsigned char* data, size_t size, WriteFunction write)
{
    while (size > 0) {
        const ssize_t n = write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (n == 0) {
            errno = EIO; // no progress: give up rather than spin
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

std::string ResolveTarget(const std::string& path)
{
    std::error_code ec;
    std::filesystem::path resolved = std::filesystem::weakly_canonical(path, ec);
    if (ec || resolved.empty())
        return path;
    return resolved.string();
}

std::atomic<unsigned> g_tempCounter{0};
std::atomic<bool> g_unnamedTemporaryFiles{true};

// The longest name a file of the folder may have.
size_t NameLimit(const std::string& folder)
{
    const long limit = ::pathconf(folder.c_str(), _PC_NAME_MAX);
    return limit > 0 ? static_cast<size_t>(limit) : NAME_MAX;
}

// "." + name + ".tmp.<pid>.<n>", the name cut between UTF-8 characters so that the whole fits the
// limit: a long name the folder takes must not fail its save for the temporary's sake.
std::string TemporaryName(const std::string& name, size_t limit, unsigned long long pid, unsigned long long counter)
{
    const std::string suffix = ".tmp." + std::to_string(pid) + "." + std::to_string(counter);
    size_t room = limit > suffix.size() + 1 ? std::min(name.size(), limit - suffix.size() - 1) : 0;
    while (room > 0 && room < name.size() && (static_cast<unsigned char>(name[room]) & 0xC0) == 0x80)
        --room;
    return "." + name.substr(0, room) + suffix;
}

// Only a name this code writes is ours: a file named like it in any other way is the user's. One
// whose process has gone was left by a save that was killed; a live process may still be saving.
bool IsStaleTemporaryOf(const std::string& entry, const std::string& name, size_t limit)
{
    // The number between `from` and `to`; the whole name is compared with the one it gives below.
    const auto number = [&](size_t from, size_t to, unsigned long long& value) {
        if (to <= from || to - from > 10 ||
            !std::all_of(entry.begin() + from, entry.begin() + to, [](char c) { return c >= '0' && c <= '9'; }))
            return false;
        value = std::stoull(entry.substr(from, to - from));
        return true;
    };
    const size_t counterDot = entry.rfind('.');
    const size_t pidDot =
        counterDot == std::string::npos || counterDot == 0 ? std::string::npos : entry.rfind('.', counterDot - 1);
    unsigned long long pid = 0, counter = 0;
    if (pidDot == std::string::npos || !number(pidDot + 1, counterDot, pid) ||
        !number(counterDot + 1, entry.size(), counter) || entry != TemporaryName(name, limit, pid, counter))
        return false;
    return pid > 0 && pid <= static_cast<unsigned long long>(std::numeric_limits<pid_t>::max()) &&
           static_cast<pid_t>(pid) != ::getpid() && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
}

void RemoveStaleTemporaries(const std::filesystem::path& folder, const std::string& name, size_t limit)
{
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        if (IsStaleTemporaryOf(it->path().filename().string(), name, limit))
            ::unlink(it->path().c_str());
    }
}

} // namespace

void UseUnnamedTemporaryFiles(bool use)
{
    g_unnamedTemporaryFiles = use;
}

ReadStatus ReadWholeFile(const std::string& path, size_t maxSize, std::string& out)
{
    out.clear();
    // Non-blocking so that opening a named pipe does not wait for a writer.
    Descriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.Get() < 0)
        return errno == ENOENT ? ReadStatus::NotFound : ReadStatus::Failed;
    struct stat st {};
    if (::fstat(fd.Get(), &st) != 0)
        return ReadStatus::Failed;
    if (!S_ISREG(st.st_mode))
        return ReadStatus::NotRegular;
    if (static_cast<unsigned long long>(st.st_size) > maxSize)
        return ReadStatus::TooLarge;

    // The size can change while we read: read up to one byte past the cap to notice growth.
    std::string data;
    data.resize(static_cast<size_t>(st.st_size) + 1);
    size_t used = 0;
    for (;;) {
        if (used == data.size()) {
            if (data.size() > maxSize)
                return ReadStatus::TooLarge;
            data.resize(std::min(maxSize + 1, data.size() * 2 + 64));
        }
        const ssize_t n = ::read(fd.Get(), data.data() + used, data.size() - used);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return ReadStatus::Failed;
        }
        if (n == 0)
            break;
        used += static_cast<size_t>(n);
    }
    if (used > maxSize)
        return ReadStatus::TooLarge;
    data.resize(used);
    out = std::move(data);
    return ReadStatus::Ok;
}

KXRESULT WriteAtomically(const std::string& path, const void* data, size_t size, WriteFunction write)
{
    if (path.empty() || (data == nullptr && size > 0)) {
        errno = EINVAL;
        return E_FAIL;
    }
    if (write == nullptr)
        write = ::write;

    const std::string target = ResolveTarget(path);
    const std::filesystem::path targetPath(target);
    std::string folder = targetPath.parent_path().string();
    if (folder.empty())
        folder = ".";

    struct stat old {};
    const bool hasOld = ::stat(target.c_str(), &old) == 0;
    if (hasOld && !S_ISREG(old.st_mode)) {
        errno = S_ISDIR(old.st_mode) ? EISDIR : EINVAL;
        return E_FAIL;
    }
    // The rename would replace a file the caller may not write: ask as writing in place would.
    if (hasOld) {
        const int probe = ::open(target.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
        if (probe < 0)
            return E_FAIL;
        ::close(probe);
    }

    const std::string name = targetPath.filename().string();
    const size_t limit = NameLimit(folder);
    RemoveStaleTemporaries(folder, name, limit);
    const std::string temp =
        (std::filesystem::path(folder) /
         TemporaryName(name, limit, static_cast<unsigned long long>(::getpid()), g_tempCounter.fetch_add(1)))
            .string();
    // An unnamed file vanishes by itself when the save is killed; it gets a name only once it is
    // whole, for the moment before the rename. Where the file system has no unnamed files, the
    // hidden name exists all along and the next save removes it if the save is killed.
    int opened = g_unnamedTemporaryFiles ? ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0644) : -1;
    const bool unnamed = opened >= 0;
    if (!unnamed)
        opened = ::open(temp.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0644);
    Descriptor fd(opened);
    if (fd.Get() < 0)
        return E_FAIL;

    bool ok = true;
    if (hasOld)
        ok = ::fchmod(fd.Get(), old.st_mode & 07777) == 0;
    ok = ok && WriteAll(fd.Get(), static_cast<const unsigned char*>(data), size, write);
    ok = ok && ::fsync(fd.Get()) == 0;
    bool named = !unnamed;
    if (ok && unnamed) {
        const std::string self = "/proc/self/fd/" + std::to_string(fd.Get());
        named = ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, temp.c_str(), AT_SYMLINK_FOLLOW) == 0;
        ok = named;
    }
    ok = fd.Close() && ok;
    ok = ok && ::rename(temp.c_str(), target.c_str()) == 0;
    if (!ok) {
        const int error = errno;
        if (named)
            ::unlink(temp.c_str());
        errno = error;
        return E_FAIL;
    }

    // The new content is in place now; syncing the folder makes the rename itself durable. Some
    // file systems refuse fsync on a folder, which does not make the replacement a failure.
    Descriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.Get() >= 0)
        ::fsync(dir.Get());
    return S_OK;
}

std::string MakeValidFileName(std::string_view name)
{
    std::string copy(name);
    for (char& c : copy) {
        if (std::u16string_view(kReservedFileNameCharacters)
                .find(static_cast<char16_t>(static_cast<unsigned char>(c))) != std::u16string_view::npos)
            c = '_';
    }
    return copy;
}

} // namespace KX::Platform::Files
