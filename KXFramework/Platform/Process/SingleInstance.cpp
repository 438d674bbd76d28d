#include "KXFramework/Platform/Process/SingleInstance.h"

#include "KXFramework/Platform/DebugLog/LogOutput.h"
#include "KXFramework/Platform/Process/Clock.h"
#include "KXFramework/Platform/Process/ThreadState.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <limits>
#include <poll.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <utility>

namespace KX::Platform {

namespace {

// Between a second start's tries while the first holds the lock without listening yet.
constexpr uint32_t kRetryPauseMs = 10;
// Between two looks at a first that has not answered yet.
constexpr int kSampleMs = 100;
// Bounds every send.
constexpr time_t kSendSeconds = 5;
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

// A connection to the socket, its sends bounded; -1 when nobody takes it now. The connect never waits:
// a full queue of a first that does not take its connections (stopped, held) refuses it at once, and
// the caller looks at that first instead.
int Connect(const sockaddr_un& address)
{
    Descriptor connection(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (connection.Get() < 0)
        return -1;
    if (::connect(connection.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0)
        return -1;
    timeval limit{kSendSeconds, 0};
    ::setsockopt(connection.Get(), SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof(limit));
    ::fcntl(connection.Get(), F_SETFL, ::fcntl(connection.Get(), F_GETFL) & ~O_NONBLOCK);
    return connection.Release();
}

bool PeerCredentials(int connection, ucred& credentials)
{
    socklen_t size = sizeof(credentials);
    return ::getsockopt(connection, SOL_SOCKET, SO_PEERCRED, &credentials, &size) == 0 && size == sizeof(credentials);
}

bool SameUser(int connection)
{
    ucred credentials{};
    return PeerCredentials(connection, credentials) && credentials.uid == ::geteuid();
}

// The display a process shows on, from the environment it started with, in one line; empty when it
// cannot be read.
std::string DisplayOf(pid_t process)
{
    std::ifstream file("/proc/" + std::to_string(process) + "/environ", std::ios::binary);
    std::string x, wayland, entry;
    // Bounded: an environment is at most a few MiB, and only two of its entries matter.
    for (size_t read = 0; x.empty() && read < (4u << 20) && std::getline(file, entry, '\0'); read += entry.size() + 1) {
        if (entry.rfind("DISPLAY=", 0) == 0)
            x = entry.substr(8);
        else if (entry.rfind("WAYLAND_DISPLAY=", 0) == 0)
            wayland = entry.substr(16);
    }
    std::string display = x.empty() ? wayland : x;
    std::replace_if(
        display.begin(), display.end(), [](unsigned char c) { return c < 0x20 || c == 0x7F; }, '?');
    return display;
}

// How long the first has kept its answer over the whole hand-over, reconnects included: the time its UI
// thread (its main thread) has slept without progress since it last made some, has been stopped, and in
// all, by the process's clock. Progress is time on a processor, or running, waiting for its turn or for
// the disk (ThreadState::Asleep): a first held to a sliver of a busy machine is working all the same.
class Silence {
public:
    Silence() : m_since(GetMilliseconds()), m_last(m_since) {}

    // Looks at the first again; true once it has had its time.
    bool Over(pid_t first)
    {
        const uint32_t now = GetMilliseconds();
        const uint32_t elapsed = now - m_last;
        m_last = now;
        ThreadState state;
        const bool known = first > 0 && ReadThreadState(first, first, state);
        if (first != m_first) {
            // Another first, or the first look: its counts begin now.
            m_first = first;
            m_idleMs = m_stoppedMs = 0;
        } else {
            const bool progress =
                known && (state.processorNs != m_processorNs || (!state.Asleep() && !state.Stopped()));
            m_idleMs = progress ? 0 : m_idleMs + elapsed;
            m_stoppedMs = known && state.Stopped() ? m_stoppedMs + elapsed : 0;
        }
        m_processorNs = known ? state.processorNs : 0;
        m_stopped = known && state.Stopped();
        return m_idleMs >= SingleInstance::kSilentMs || m_stoppedMs >= SingleInstance::kStoppedMs ||
               now - m_since >= SingleInstance::kUnansweredMs;
    }
    bool Stopped() const { return m_stopped; }

private:
    const uint32_t m_since;
    uint32_t m_last;
    pid_t m_first = 0;
    uint64_t m_processorNs = 0;
    uint32_t m_idleMs = 0;
    uint32_t m_stoppedMs = 0;
    bool m_stopped = false;
};

enum class Answer { Given, Dropped, None, Interrupted };

// Waits on a connection that carries a whole record for the first's one-byte answer.
Answer AwaitAnswer(int connection, Silence& silence, pid_t first, const std::function<bool()>& stop)
{
    for (;;) {
        pollfd entry{connection, POLLIN, 0};
        const int n = ::poll(&entry, 1, kSampleMs);
        if (n > 0) {
            unsigned char reply; // its value carries nothing
            const ssize_t r = ::recv(connection, &reply, 1, MSG_DONTWAIT);
            if (r == 1)
                return Answer::Given;
            if (r == 0 || (errno != EAGAIN && errno != EINTR))
                return Answer::Dropped;
        } else if (n < 0 && errno != EINTR) {
            return Answer::Dropped;
        }
        if (stop())
            return Answer::Interrupted;
        if (silence.Over(first))
            return Answer::None;
    }
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
    const auto unguarded = [] { return std::unique_ptr<SingleInstance>(new SingleInstance(Role::Unguarded, {})); };
    const std::string folder = SingleInstanceFolder();
    if (folder.empty())
        return unguarded(); // said by SingleInstanceFolder
    std::unique_ptr<SingleInstance> instance(new SingleInstance(Role::Second, folder + "/" + name + ".sock"));
    if (!MakeAddress(instance->m_socketPath, instance->m_address)) {
        // A socket's path has room for 107 bytes: a longer folder is reached through its descriptor.
        instance->m_folder = ::open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        if (instance->m_folder < 0 ||
            !MakeAddress("/proc/self/fd/" + std::to_string(instance->m_folder) + "/" + name + ".sock",
                         instance->m_address)) {
            DebugLog::WriteLine("Single instance: the path of " + instance->m_socketPath +
                                " is too long for a socket; starting without the rule");
            return unguarded();
        }
    }
    // A second keeps the lock file open, to take the lock should the first end before it answers.
    const std::string lockPath = folder + "/" + name + ".lock";
    instance->m_lock = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (instance->m_lock < 0) {
        DebugLog::WriteLine("Single instance: cannot open " + lockPath + ": " + std::strerror(errno) +
                            "; starting without the rule");
        return unguarded();
    }
    if (instance->TakeLock()) {
        instance->m_role = Role::First;
    } else if (errno != EWOULDBLOCK) {
        DebugLog::WriteLine("Single instance: cannot lock " + lockPath + ": " + std::strerror(errno) +
                            "; starting without the rule");
        return unguarded();
    }
    return instance;
}

SingleInstance::SingleInstance(Role role, std::string socketPath) : m_role(role), m_socketPath(std::move(socketPath)) {}

SingleInstance::~SingleInstance()
{
    StopListening();
    if (m_lock >= 0)
        ::close(m_lock);
    if (m_folder >= 0)
        ::close(m_folder);
}

bool SingleInstance::TakeLock()
{
    int r;
    do
        r = ::flock(m_lock, LOCK_EX | LOCK_NB);
    while (r != 0 && errno == EINTR);
    if (r != 0)
        return false;
    // The holder's process id, for starts its socket does not take: written before the file is cut to
    // it, so that it is never empty while held. One it cannot write is unknown to them.
    const std::string text = std::to_string(::getpid()) + "\n";
    if (::pwrite(m_lock, text.data(), text.size(), 0) == static_cast<ssize_t>(text.size()))
        static_cast<void>(::ftruncate(m_lock, static_cast<off_t>(text.size())));
    return true;
}

pid_t SingleInstance::LockHolder() const
{
    char text[24];
    const ssize_t n = ::pread(m_lock, text, sizeof text - 1, 0);
    if (n <= 0)
        return 0;
    text[n] = '\0';
    char* end = nullptr;
    const long pid = std::strtol(text, &end, 10);
    // Whole (ended by its line break) and alive: a start may find the number of a holder that is gone
    // while the lock's new holder has yet to write its own.
    if (end == text || *end != '\n' || pid <= 0 || pid == ::getpid() || pid > std::numeric_limits<pid_t>::max())
        return 0;
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM ? static_cast<pid_t>(pid) : 0;
}

SingleInstance::HandOverResult SingleInstance::HandOver(const std::string& commandLineUtf8,
                                                        const std::function<bool()>& stopWaiting)
{
    if (m_role != Role::Second)
        return HandOverResult::Unguarded;
    const std::string text = CutAtCharacter(commandLineUtf8, kMaxTextBytes - 1);
    const uint32_t header[2] = {kDataWord, static_cast<uint32_t>(text.size() + 1)};
    std::vector<unsigned char> record(kHeaderBytes + text.size() + 1, 0);
    std::memcpy(record.data(), header, kHeaderBytes);
    std::memcpy(record.data() + kHeaderBytes, text.data(), text.size());
    const auto stop = [&stopWaiting] { return stopWaiting && stopWaiting(); };
    const auto noAnswer = [this](const Silence& silence) {
        m_holder.display = m_holder.process > 0 ? DisplayOf(m_holder.process) : std::string();
        m_holder.stopped = silence.Stopped();
        return HandOverResult::NoAnswer;
    };

    // The first listens right after it takes the lock; a start just after it may come in between. A first
    // that ends (its start failed, or it was closed) stops listening first and drops what it kept
    // unanswered, and may still hold the lock a while. A first that does not take the connection (its
    // queue is full, or it does not listen yet or any more) is known by the lock file. This one tries
    // again until it finds the lock free or a first that answers, and waits for the first it knows as
    // long as for an answer.
    Silence silence;
    uint32_t knownAt = GetMilliseconds();
    m_holder = Holder();
    for (;;) {
        if (stop())
            return HandOverResult::Interrupted;
        if (const int connected = Connect(m_address); connected >= 0) {
            Descriptor connection(connected);
            ucred credentials{};
            m_holder.process = PeerCredentials(connection.Get(), credentials) ? credentials.pid : 0;
            knownAt = GetMilliseconds();
            if (SendAll(connection.Get(), record.data(), record.size())) {
                switch (AwaitAnswer(connection.Get(), silence, m_holder.process, stop)) {
                case Answer::Given:
                    return HandOverResult::Served;
                case Answer::Interrupted:
                    return HandOverResult::Interrupted;
                case Answer::None:
                    return noAnswer(silence);
                case Answer::Dropped:
                    break;
                }
            }
        }
        if (TakeLock()) {
            m_role = Role::First;
            return HandOverResult::StartAsFirst;
        }
        if (const pid_t holder = LockHolder(); holder > 0) {
            m_holder.process = holder;
            knownAt = GetMilliseconds();
            if (silence.Over(holder))
                return noAnswer(silence);
        } else if (GetMilliseconds() - knownAt >= kListenMs) {
            DebugLog::WriteLine("Single instance: the lock's holder cannot be known and does not listen; "
                                "starting without the rule");
            m_role = Role::Unguarded;
            return HandOverResult::Unguarded;
        }
        SleepMilliseconds(kRetryPauseMs);
    }
}

bool SingleInstance::Listen()
{
    if (m_role != Role::First || m_listen >= 0)
        return m_listen >= 0;
    // Holding the lock, no live process owns a socket file left here.
    if (::unlink(m_socketPath.c_str()) != 0 && errno != ENOENT)
        return false;
    Descriptor listener(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (listener.Get() < 0 ||
        ::bind(listener.Get(), reinterpret_cast<const sockaddr*>(&m_address), sizeof(m_address)) != 0)
        return false;
    // The queue as long as the system allows (the kernel cuts the count to net.core.somaxconn): starts
    // given up on a first that does not take them stay queued until it does.
    if (::chmod(m_socketPath.c_str(), 0600) != 0 || ::listen(listener.Get(), std::numeric_limits<int>::max()) != 0) {
        ::unlink(m_socketPath.c_str());
        return false;
    }
    m_listen = listener.Release();
    return true;
}

void SingleInstance::StopListening()
{
    if (m_listen < 0)
        return;
    // The lock is still held here, so the socket file removed is ours.
    ::unlink(m_socketPath.c_str());
    ::close(m_listen);
    m_listen = -1;
    for (const Peer& peer : m_peers)
        ::close(peer.connection);
    m_peers.clear();
    for (const auto& ready : m_ready)
        ::close(ready.first);
    m_ready.clear();
}

bool SingleInstance::ServePending(const std::function<void(const std::string& commandLineUtf8)>& onCommandLine)
{
    if (m_listen < 0)
        return false;
    const uint32_t now = GetMilliseconds();
    // The records that came whole at the last call are served now; those that come whole now wait
    // for the next one.
    std::vector<std::pair<int, std::string>> due;
    due.swap(m_ready);
    // Reads on; true when the peer is done with: complete, or dropped.
    const auto done = [&](Peer& peer) {
        std::string text;
        const Record record = ReadRecord(peer.connection, peer.received, text);
        if (record == Record::Complete) {
            m_ready.emplace_back(peer.connection, std::move(text));
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
    for (const auto& [connection, text] : due) {
        if (onCommandLine)
            onCommandLine(text);
        const unsigned char reply = 1;
        // A peer that gave up needs no answer.
        static_cast<void>(::send(connection, &reply, 1, MSG_NOSIGNAL | MSG_DONTWAIT));
        ::close(connection);
    }
    return !m_peers.empty() || !m_ready.empty();
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
