#pragma once
// One editor at a time: the first process holds a lock file for its whole life, with its process id
// in it; a second one hands its command line to the first over a Unix-domain socket and ends once the
// first has answered. Both files live in a folder only this user can enter: $XDG_RUNTIME_DIR, else
// /tmp/kivo61-<uid>. The kernel releases the lock when its owner ends however it ends, so a crashed
// editor never blocks the next start.
//
// The hand-over record, in host byte order: the data word 0x465, the byte count n of the text
// with its closing 0 (1 ... 64 KiB), then the n bytes. The first instance answers one byte.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <sys/types.h>
#include <sys/un.h>
#include <utility>
#include <vector>

namespace KX::Platform {

class SingleInstance {
public:
    enum class Role {
        First,     // holds the lock: listens at once, serves once its main window exists
        Second,    // another process holds the lock: hand over and end
        Unguarded, // no trustworthy folder, a name too long, or no lock possible: start normally
    };
    // How much of a hand-over record has come in.
    enum class Record { Partial, Complete, Invalid };
    static constexpr uint32_t kDataWord = 0x465;
    static constexpr uint32_t kMaxTextBytes = 64 * 1024;
    // Connections the first keeps while their records come in; a newer one pushes out the oldest.
    static constexpr size_t kMaxPeers = 8;
    // The time a peer has from its connection to send its whole record.
    static constexpr uint32_t kPeerReadMs = 2000;

    // name: the application title + "Prevent"; the files "<name>.lock" and "<name>.sock" in the
    // folder of SingleInstanceFolder.
    static std::unique_ptr<SingleInstance> Acquire(const std::string& name);
    // The first instance's socket file goes with it; the lock is released.
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    Role GetRole() const { return m_role; }

    // How a second start's hand-over ended.
    enum class HandOverResult {
        Served,       // a running first took the command line: this start ends
        StartAsFirst, // the first ended without serving it: this one holds the lock now (its role is First)
        Unguarded,    // the lock's holder cannot be known and did not listen within kListenMs: this one
                      // starts without the rule
        NoAnswer,     // the first did not answer, or did not take the connection, within its bound (GetHolder)
        Interrupted,  // stopWaiting answered true
    };
    // The first instance that a second start waited for.
    struct Holder {
        pid_t process = 0;    // 0 when unknown
        std::string display;  // its DISPLAY, else its WAYLAND_DISPLAY; empty when it cannot be read
        bool stopped = false; // stopped (SIGSTOP, Ctrl+Z) when the wait ended
    };
    // The longest a lock's holder that cannot be known (its process id not in the lock file: a process
    // in another pid namespace) may go without listening.
    static constexpr uint32_t kListenMs = 5000;
    // The time a first may spend without an answer: asleep without making progress (longer than a start
    // may wait for its display), stopped, or in all over the whole hand-over.
    static constexpr uint32_t kSilentMs = 13000;
    static constexpr uint32_t kStoppedMs = 2000;
    static constexpr uint32_t kUnansweredMs = 60000;

    // Second instance: sends the command line (cut at a character boundary to fit the record) to the
    // first and waits for its answer. The first's own start may hold it before its window, so the
    // wait counts only the time the first's UI thread (its main thread) sleeps without progress, up to
    // kSilentMs; kStoppedMs once it is plainly stopped; kUnansweredMs whatever it does. A connection
    // the first drops unanswered (it ended, or began to end) counts as none: the tries go on, and the
    // lock is taken once it is free. A first that does not take the connection (its queue full, not
    // listening yet or any more) is known by the lock file and waited for under the same bounds; only
    // a holder that cannot be known is given up after kListenMs. The tries and the bounds go by the
    // process's clock (Clock.h); stopWaiting is asked between them, about every 100 ms.
    HandOverResult HandOver(const std::string& commandLineUtf8, const std::function<bool()>& stopWaiting = {});
    // The first instance of the last hand-over that reached one; after NoAnswer, the one that did not
    // answer.
    const Holder& GetHolder() const { return m_holder; }

    // First instance, right after Acquire: replaces a stale socket file and listens (mode 0600,
    // non-blocking, the longest queue the system allows); connections wait there until served. False when that is not
    // possible; the program runs on without hand-over.
    bool Listen();
    // First instance, once its end has begun: no later start is answered. The socket goes and the
    // connections kept are closed unanswered, so that their starts wait for the lock, which is held
    // until this object goes, and then start as the first.
    void StopListening();
    // The listening socket for the host loop to poll; -1 when not listening.
    int GetListenDescriptor() const { return m_listen; }
    // Accepts the connections waiting, from peers of this user only, and reads what each one kept
    // has sent, never waiting. A complete valid record is served at the next call, a turn of the
    // caller's loop later, so that an end already on its way when it came (a close read in the same
    // turn) is seen first and the caller stops listening instead: its text goes to onCommandLine, then
    // the one-byte answer. An invalid record, a peer that closes early and one whose record is not
    // whole kPeerReadMs after its connection (by GetMilliseconds) are dropped without answer. True
    // while connections are kept for the rest of their records or for their answer: call again on a
    // later turn then, whether the listening socket can be read or not.
    bool ServePending(const std::function<void(const std::string& commandLineUtf8)>& onCommandLine);
    // Whole records read by the last ServePending, to be answered at the next call: the caller's next
    // turn should come at once.
    bool HasAnswersDue() const { return !m_ready.empty(); }
    // Reads from a connected non-blocking socket what it holds of one hand-over record, without
    // waiting and never past the record's end, onto `received` (the record's bytes so far).
    // Complete: commandLineUtf8 is the text up to its first 0. Invalid: another data word, a count of
    // 0 or above kMaxTextBytes, a text not ending in 0, or a peer that closed or failed before the
    // end. Partial: the rest is still to come.
    static Record ReadRecord(int connection, std::string& received, std::string& commandLineUtf8);

private:
    // A connection whose record is still coming in; its descriptor is closed by whoever drops it.
    struct Peer {
        int connection;
        uint32_t acceptedMs;
        std::string received;
    };

    SingleInstance(Role role, std::string socketPath);
    // The lock taken if its holder has gone; the process id written into the lock file then.
    bool TakeLock();
    // The lock's holder as its lock file names it, when that process lives; 0 when unknown.
    pid_t LockHolder() const;

    Role m_role;
    std::string m_socketPath;
    // The socket's address: its path, or one through m_folder when the path is too long for one.
    sockaddr_un m_address{};
    int m_folder = -1;
    int m_lock = -1;
    int m_listen = -1;
    std::vector<Peer> m_peers; // oldest first
    // Connections with a whole record, and its text, served at the next call.
    std::vector<std::pair<int, std::string>> m_ready;
    Holder m_holder;
};

// The folder of the lock and socket: $XDG_RUNTIME_DIR when it is an absolute path to a folder of
// this user with mode 0700; else <fallbackParent>/kivo61-<uid>, created with mode 0700 and
// accepted only when it is a real folder (no symbolic link) of this user with mode 0700. Empty
// when neither can be trusted. Taking the fallback, or none, is said in the debug log with why.
std::string SingleInstanceFolder(const std::string& fallbackParent = "/tmp");

// The process's command line as one text: the program path and the arguments joined by blanks, an
// argument holding a blank written in double quotes.
std::string JoinCommandLine(int argc, char** argv);

} // namespace KX::Platform
