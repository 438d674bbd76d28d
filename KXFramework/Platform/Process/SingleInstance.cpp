#include "KXFramework/Platform/Process/SingleInstance.h"

#include "KXFramework/Platform/DebugLog/LogOutput.h"
#include "KXFramework/Platform/Process/Clock.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <utility>

namespace KX::Platform {

namespace {

using SteadyClock = std::chrono::steady_clock;

// The longest a second start waits for the first to listen, and then for its answer.
constexpr int kHandOverMs = 5000;
// Between a second start's tries while the first holds the lock without listening yet.
constexpr uint32_t kRetryPauseMs = 10;
constexpr size_t kHeaderBytes = 8;

class Descriptor {
public:
    explicit Descriptor(int fd = -1) : m_fd(fd) {}
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int Get() const { return m_fd; }
    int Release()
    {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }

private:
    int m_fd;
};

bool IsPrivateFolder(const struct stat& st)
{
    return S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() && (st.st_mode & 07777) == 0700;
}

// Why a folder is not private to this user, for the debug log.
std::string NotPrivateBecause(const struct stat& st)
{
    if (!S_ISDIR(st.st_mode))
        return "not a folder";
    if (st.st_uid != ::geteuid())
        return "owned by user " + std::to_string(st.st_uid);
    char mode[8];
    std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(st.st_mode & 07777));
    return std::string("mode ") + mode + ", not 0700";
}

// The address of a socket path; false when the path does not fit (it is never cut short).
bool MakeAddress(const std::string& path, sockaddr_un& address)
{
    address = sockaddr_un{};
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof(address.sun_path))
        return false;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return true;
}

int RemainingMs(SteadyClock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - SteadyClock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

// Waits for `events` on fd until the deadline; false on time-out or error.
bool WaitFor(int fd, short events, SteadyClock::time_point deadline)
{
    for (;;) {
        pollfd entry{fd, events, 0};
        const int n = ::poll(&entry, 1, RemainingMs(deadline));
        if (n > 0)
            return true;
        if (n == 0 || errno != EINTR)
            return false;
    }
}

// Sends everything on a blocking socket whose send time-out bounds each call.
bool SendAll(int fd, const void* data, size_t size)
{
    const auto* at = static_cast<const unsigned char*>(data);
    while (size > 0) {
        const ssize_t n = ::send(fd, at, size, MSG_NOSIGNAL);
        if (n > 0) {
            at += n;
            size -= static_cast<size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            return false;
        }
    }
    return true;
}

// The longest start of text that fits in `limit` bytes without splitting a UTF-8 sequence.
std::string CutAtCharacter(const std::string& text, size_t limit)
{
    if (text.size() <= limit)
        return text;
    size_t end = limit;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    return text.substr(0, end);
}

// A blocking connection to the socket, its connect and sends bounded; -1 when nobody takes it.
int Connect(const sockaddr_un& address)
{
    Descriptor connection(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (connection.Get() < 0)
        return -1;
    // Bounds connect (a full backlog blocks) and every send.
    timeval limit{kHandOverMs / 1000, 0};
    ::setsockopt(connection.Get(), SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof(limit));
    if (::connect(connection.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0)
        return -1;
    return connection.Release();
}

bool SameUser(int connection)
{
    ucred credentials{};
    socklen_t size = sizeof(credentials);
    return ::getsockopt(connection, SOL_SOCKET, SO_PEERCRED, &credentials, &size) == 0 && size == sizeof(credentials) &&
           credentials.uid == ::geteuid();
}

} // namespace

std::string SingleInstanceFolder(const std::string& fallbackParent)
{
    struct stat st {};
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    std::string refused; // why $XDG_RUNTIME_DIR is not used
    if (runtime == nullptr || runtime[0] == '\0')
        refused = "XDG_RUNTIME_DIR is not set";
    else if (runtime[0] != '/')
        refused = std::string("XDG_RUNTIME_DIR ") + runtime + " is not an absolute path";
    else if (::stat(runtime, &st) != 0)
        refused = std::string("XDG_RUNTIME_DIR ") + runtime + ": " + std::strerror(errno);
    else if (!IsPrivateFolder(st))
        refused = std::string("XDG_RUNTIME_DIR ") + runtime + " is not a private folder of this user (" +
                  NotPrivateBecause(st) + ")";
    if (refused.empty()) {
        std::string folder = runtime;
        while (folder.size() > 1 && folder.back() == '/')
            folder.pop_back();
        return folder;
    }
    const std::string folder = fallbackParent + "/kivo61-" + std::to_string(::geteuid());
    // lstat: a symbolic link planted by someone else is not followed.
    if ((::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) || ::lstat(folder.c_str(), &st) != 0) {
        DebugLog::WriteLine("Single instance: " + refused + ", and " + folder +
                            " cannot be made: " + std::strerror(errno) + "; starting without the rule");
        return std::string();
    }
    if (!IsPrivateFolder(st)) {
        DebugLog::WriteLine("Single instance: " + refused + ", and " + folder +
                            " is not a private folder of this user (" +
                            (S_ISLNK(st.st_mode) ? std::string("a symbolic link") : NotPrivateBecause(st)) +
                            "); starting without the rule");
        return std::string();
    }
    DebugLog::WriteLine("Single instance: " + refused + "; using " + folder);
    return folder;
}

std::unique_ptr<SingleInstance> SingleInstance::Acquire(const std::string& name)
{
    const auto unguarded = [] { return std::unique_ptr<SingleInstance>(new SingleInstance(Role::Unguarded, {}, -1)); };
    const std::string folder = SingleInstanceFolder();
    const std::string lockPath = folder + "/" + name + ".lock";
    const std::string socketPath = folder + "/" + name + ".sock";
    sockaddr_un address;
    if (folder.empty() || !MakeAddress(socketPath, address))
        return unguarded();
    const int lock = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (lock < 0) {
        DebugLog::WriteLine("Single instance: cannot open " + lockPath + ": " + std::strerror(errno));
        return unguarded();
    }
    // A second keeps the lock file open, to take the lock should the first end before it answers.
    std::unique_ptr<SingleInstance> instance(new SingleInstance(Role::Second, socketPath, lock));
    if (instance->TakeLock())
        instance->m_role = Role::First;
    else if (errno != EWOULDBLOCK)
        return unguarded();
    return instance;
}

SingleInstance::SingleInstance(Role role, std::string socketPath, int lock)
    : m_role(role),
      m_socketPath(std::move(socketPath)),
      m_lock(lock)
{
}

SingleInstance::~SingleInstance()
{
    for (const Peer& peer : m_peers)
        ::close(peer.connection);
    // The lock is still held here, so the socket file removed is ours.
    if (m_listen >= 0) {
        ::unlink(m_socketPath.c_str());
        ::close(m_listen);
    }
    if (m_lock >= 0)
        ::close(m_lock);
}

bool SingleInstance::TakeLock()
{
    int r;
    do
        r = ::flock(m_lock, LOCK_EX | LOCK_NB);
    while (r != 0 && errno == EINTR);
    return r == 0;
}

bool SingleInstance::HandOver(const std::string& commandLineUtf8)
{
    sockaddr_un address;
    if (m_role != Role::Second || !MakeAddress(m_socketPath, address))
        return false;
    const std::string text = CutAtCharacter(commandLineUtf8, kMaxTextBytes - 1);
    const uint32_t header[2] = {kDataWord, static_cast<uint32_t>(text.size() + 1)};
    std::vector<unsigned char> record(kHeaderBytes + text.size() + 1, 0);
    std::memcpy(record.data(), header, kHeaderBytes);
    std::memcpy(record.data() + kHeaderBytes, text.data(), text.size());

    // The first listens right after it takes the lock; a start just after it may come in between. A
    // first that ends before it answers (its start failed: no desktop) drops the connection unanswered,
    // and may still hold the lock for a moment: this one tries again until it finds the lock free or
    // another first listening. The tries go by the process's clock, so that a test can hold this one
    // between them.
    const uint32_t triedFrom = GetMilliseconds();
    for (;;) {
        if (const int connected = Connect(address); connected >= 0) {
            Descriptor connection(connected);
            if (SendAll(connection.Get(), record.data(), record.size())) {
                if (!WaitFor(connection.Get(), POLLIN, SteadyClock::now() + std::chrono::milliseconds(kHandOverMs))) {
                    // Unanswered in time, the first may have ended before it served this: then this
                    // one is the first. Else the first is held before its window and serves it later.
                    if (TakeLock()) {
                        m_role = Role::First;
                        return false;
                    }
                    return true;
                }
                unsigned char reply; // its value carries nothing
                if (::recv(connection.Get(), &reply, 1, MSG_DONTWAIT) == 1)
                    return true;
            }
        }
        if (TakeLock()) {
            m_role = Role::First;
            return false;
        }
        if (GetMilliseconds() - triedFrom >= static_cast<uint32_t>(kHandOverMs)) {
            DebugLog::WriteLine("Single instance: the first instance does not listen; starting without the rule");
            m_role = Role::Unguarded;
            return false;
        }
        SleepMilliseconds(kRetryPauseMs);
    }
}

bool SingleInstance::Listen()
{
    sockaddr_un address;
    if (m_role != Role::First || m_listen >= 0 || !MakeAddress(m_socketPath, address))
        return m_listen >= 0;
    // Holding the lock, no live process owns a socket file left here.
    if (::unlink(m_socketPath.c_str()) != 0 && errno != ENOENT)
        return false;
    Descriptor listener(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (listener.Get() < 0 || ::bind(listener.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0)
        return false;
    if (::chmod(m_socketPath.c_str(), 0600) != 0 || ::listen(listener.Get(), 8) != 0) {
        ::unlink(m_socketPath.c_str());
        return false;
    }
    m_listen = listener.Release();
    return true;
}

bool SingleInstance::ServePending(const std::function<void(const std::string& commandLineUtf8)>& onCommandLine)
{
    if (m_listen < 0)
        return false;
    const uint32_t now = GetMilliseconds();
    // Texts of whole records with their connections, answered once the kept list is in order again.
    std::vector<std::pair<int, std::string>> complete;
    // Reads on; true when the peer is done with: complete, or dropped.
    const auto done = [&](Peer& peer) {
        std::string text;
        const Record record = ReadRecord(peer.connection, peer.received, text);
        if (record == Record::Complete) {
            complete.emplace_back(peer.connection, std::move(text));
            return true;
        }
        if (record == Record::Partial && now - peer.acceptedMs < kPeerReadMs)
            return false;
        DebugLog::WriteLine(record == Record::Invalid ? "Single instance: a hand-over record was refused"
                                                      : "Single instance: a hand-over record came too slowly");
        ::close(peer.connection);
        return true;
    };
    // The kept ones first, so that newcomers cannot push out a record that is whole by now.
    std::erase_if(m_peers, done);
    // At most a full list of newcomers per call: a crowd connecting on cannot hold the loop here.
    for (size_t tries = 0; tries < kMaxPeers; ++tries) {
        const int connection = ::accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (connection < 0) {
            if (errno == EINTR || errno == ECONNABORTED)
                continue;
            break; // nothing more waiting (or a failure the next call sees again)
        }
        if (!SameUser(connection)) {
            ::close(connection);
            continue;
        }
        Peer peer{connection, now, {}};
        if (done(peer))
            continue;
        if (m_peers.size() == kMaxPeers) {
            DebugLog::WriteLine("Single instance: too many hand-overs at once; the oldest is dropped");
            ::close(m_peers.front().connection);
            m_peers.erase(m_peers.begin());
        }
        m_peers.push_back(std::move(peer));
    }
    for (const auto& [connection, text] : complete) {
        if (onCommandLine)
            onCommandLine(text);
        const unsigned char reply = 1;
        // A peer that gave up needs no answer.
        static_cast<void>(::send(connection, &reply, 1, MSG_NOSIGNAL | MSG_DONTWAIT));
        ::close(connection);
    }
    return !m_peers.empty();
}

SingleInstance::Record SingleInstance::ReadRecord(int connection, std::string& received, std::string& commandLineUtf8)
{
    for (;;) {
        size_t size = kHeaderBytes;
        if (received.size() >= kHeaderBytes) {
            uint32_t header[2];
            std::memcpy(header, received.data(), kHeaderBytes);
            if (header[0] != kDataWord || header[1] == 0 || header[1] > kMaxTextBytes)
                return Record::Invalid;
            size += header[1];
            if (received.size() == size) {
                if (received.back() != '\0')
                    return Record::Invalid;
                // Read as a 0-terminated text.
                commandLineUtf8 = received.c_str() + kHeaderBytes;
                return Record::Complete;
            }
        }
        const size_t had = received.size();
        received.resize(size);
        const ssize_t n = ::recv(connection, received.data() + had, size - had, MSG_DONTWAIT);
        const int error = errno;
        received.resize(had + (n > 0 ? static_cast<size_t>(n) : 0));
        if (n == 0)
            return Record::Invalid; // closed before the end
        if (n < 0 && error != EINTR)
            return error == EAGAIN || error == EWOULDBLOCK ? Record::Partial : Record::Invalid;
    }
}

std::string JoinCommandLine(int argc, char** argv)
{
    std::string line;
    for (int i = 0; i < argc && argv[i] != nullptr; ++i) {
        const std::string argument = argv[i];
        if (i > 0)
            line += ' ';
        if (argument.find(' ') != std::string::npos)
            line += '"' + argument + '"';
        else
            line += argument;
    }
    return line;
}

} // namespace KX::Platform
