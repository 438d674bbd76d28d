#include "KXFramework/Platform/Files/FileAccess.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <filesystem>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace KX::Platform::Files {

namespace {

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int Get() const { return fd_; }
    // Closes now so that a failing close (delayed write errors on some file systems) is seen.
    bool Close()
    {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

private:
    int fd_;
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
        if (n == 0)
            return false; // no progress: give up rather than spin
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

} // namespace

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
    if (path.empty() || (data == nullptr && size > 0))
        return E_FAIL;
    if (write == nullptr)
        write = ::write;

    const std::string target = ResolveTarget(path);
    const std::filesystem::path targetPath(target);
    std::string folder = targetPath.parent_path().string();
    if (folder.empty())
        folder = ".";

    struct stat old {};
    const bool hasOld = ::stat(target.c_str(), &old) == 0;
    if (hasOld && !S_ISREG(old.st_mode))
        return E_FAIL;

    const std::string temp = target + ".tmp." + std::to_string(::getpid()) + "." +
                             std::to_string(g_tempCounter.fetch_add(1));
    Descriptor fd(::open(temp.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0644));
    if (fd.Get() < 0)
        return E_FAIL;

    bool ok = true;
    if (hasOld)
        ok = ::fchmod(fd.Get(), old.st_mode & 07777) == 0;
    ok = ok && WriteAll(fd.Get(), static_cast<const unsigned char*>(data), size, write);
    ok = ok && ::fsync(fd.Get()) == 0;
    ok = fd.Close() && ok;
    ok = ok && ::rename(temp.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(temp.c_str());
        return E_FAIL;
    }

    // The new content is in place now; syncing the folder makes the rename itself durable. Some
    // file systems refuse fsync on a folder, which does not make the replacement a failure.
    Descriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.Get() >= 0)
        ::fsync(dir.Get());
    return S_OK;
}

} // namespace KX::Platform::Files
