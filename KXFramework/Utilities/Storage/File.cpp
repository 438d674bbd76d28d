#include "KXFramework/Utilities/Storage/File.h"

#include "KXFramework/ObjectBase/Exception.h"
#include "KXFramework/Platform/Files/FileAccess.h"
#include "KXFramework/Platform/Resources/Resources.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace KX {

namespace {

[[noreturn]] void ThrowFileError(const char* description, const char* method, int line)
{
    throw Exception<std::runtime_error>(std::string("Runtime Error : ") + description +
                                        SourcePlace(method, "Utilities/Storage/File", line));
}

std::string SystemPath(const String& path)
{
    return path.ToNarrow().GetString();
}

bool IsFolder(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

} // namespace

// The open descriptor; closed with the last reference.
class File::LDescriptor : public LRefCountedObject {
public:
    explicit LDescriptor(int fd) : fd(fd) {}
    ~LDescriptor() override { ::close(fd); }
    const int fd;
};

File::File(const String& path, unsigned share, unsigned flags)
{
    const unsigned mode = share | flags;
    m_writable = (mode & kWrite) != 0;
    int openFlags = O_CLOEXEC;
    if (m_writable)
        openFlags |= (mode & kRead) ? O_RDWR : O_WRONLY;
    else
        openFlags |= O_RDONLY;
    if (mode & kCreate)
        openFlags |= O_CREAT;
    if ((mode & kTruncate) && m_writable)
        openFlags |= O_TRUNC;

    int fd;
    do
        fd = ::open(SystemPath(path).c_str(), openFlags, 0666);
    while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return;
    // A folder opens for reading on Linux but is no file to read.
    struct stat st {};
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        ::close(fd);
        return;
    }
    m_descriptor = RCPtr<LDescriptor>(new LDescriptor(fd));
}

File::File(const File& other) = default;
File& File::operator=(const File& other) = default;
File::~File() = default;

bool File::IsOpen() const
{
    return static_cast<bool>(m_descriptor);
}

int File::Descriptor(const char* method, int line) const
{
    if (!m_descriptor)
        ThrowFileError("invalid pathname", method, line);
    return m_descriptor->fd;
}

uint64_t File::GetLength() const
{
    const int fd = Descriptor("KX::File::GetLength", __LINE__);
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        ThrowFileError("fstat", "KX::File::GetLength", __LINE__);
    return static_cast<uint64_t>(st.st_size);
}

unsigned File::Read(void* buffer, unsigned count, unsigned offset)
{
    const int fd = Descriptor("KX::File::Read", __LINE__);
    if (offset != kCurrentPosition && ::lseek(fd, offset, SEEK_SET) < 0)
        ThrowFileError("lseek", "KX::File::Read", __LINE__);
    auto* bytes = static_cast<unsigned char*>(buffer);
    unsigned done = 0;
    while (done < count) {
        const ssize_t n = ::read(fd, bytes + done, count - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            ThrowFileError("read", "KX::File::Read", __LINE__);
        }
        if (n == 0)
            break; // end of file
        done += static_cast<unsigned>(n);
    }
    return done;
}

unsigned File::Write(const void* buffer, unsigned count, unsigned offset)
{
    const int fd = Descriptor("KX::File::Write", __LINE__);
    if (!m_writable)
        ThrowFileError("file is read only", "KX::File::Write", __LINE__);
    if (offset != kCurrentPosition && ::lseek(fd, offset, SEEK_SET) < 0)
        ThrowFileError("lseek", "KX::File::Write", __LINE__);
    const auto* bytes = static_cast<const unsigned char*>(buffer);
    unsigned done = 0;
    while (done < count) {
        const ssize_t n = ::write(fd, bytes + done, count - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            ThrowFileError("write", "KX::File::Write", __LINE__);
        done += static_cast<unsigned>(n);
    }
    return done;
}

int64_t File::Seek(int64_t offset, int origin)
{
    const int fd = Descriptor("KX::File::Seek", __LINE__);
    static constexpr int kWhence[] = {SEEK_SET, SEEK_CUR, SEEK_END};
    const off_t position = origin >= 0 && origin <= 2 ? ::lseek(fd, offset, kWhence[origin]) : -1;
    if (position < 0)
        ThrowFileError("lseek", "KX::File::Seek", __LINE__);
    return position;
}

void File::Close()
{
    m_descriptor = nullptr;
}

KXRESULT File::FindFiles(const String& folder, const String& pattern, Array<String>& out)
{
    const std::string folderPath = SystemPath(folder);
    DIR* dir = ::opendir(folderPath.c_str());
    if (dir == nullptr)
        return S_FALSE;
    const std::string match = SystemPath(pattern);
    const std::string prefix = folderPath.empty() || folderPath.back() == '/' ? folderPath : folderPath + "/";
    while (const dirent* entry = ::readdir(dir)) {
        if (::fnmatch(match.c_str(), entry->d_name, FNM_CASEFOLD) != 0)
            continue;
        const std::string path = prefix + entry->d_name;
        // Links are followed: a link to a folder is a folder.
        if (IsFolder(path))
            continue;
        String item;
        item.Assign(path.c_str(), static_cast<unsigned>(path.size()));
        out.Add(item);
    }
    ::closedir(dir);
    return S_OK;
}

KXRESULT File::CreateDirectory(const String& path)
{
    const std::string systemPath = SystemPath(path);
    if (::mkdir(systemPath.c_str(), 0777) == 0)
        return S_OK;
    return errno == EEXIST && IsFolder(systemPath) ? S_FALSE : E_FAIL;
}

String File::MakeValidFileName(const String& name)
{
    String copy(name);
    copy.ReplaceChars(Platform::Files::kReservedFileNameCharacters, u'_');
    return copy;
}

KXRESULT File::WriteAtomically(const String& path, const void* data, size_t size)
{
    return Platform::Files::WriteAtomically(SystemPath(path), data, size);
}

bool FileOrResourceExists(const String& path)
{
    const std::u16string_view text(path.GetString(), path.GetLength());
    if (text.starts_with(u"::"))
        return static_cast<bool>(FindResource(u"GDIPLUS", ResourceNameFromPath(text).c_str()));
    struct stat st {};
    return ::stat(SystemPath(path).c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

} // namespace KX
