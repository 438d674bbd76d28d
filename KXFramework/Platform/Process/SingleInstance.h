#pragma once
// One editor at a time: the first process holds a lock file for its whole life; a second one hands
// its command line to the first over a Unix-domain socket and ends. Both files live in a folder
// only this user can enter: $XDG_RUNTIME_DIR, else /tmp/kivo61-<uid>. The kernel releases the lock
// when its owner ends however it ends, so a crashed editor never blocks the next start.
//
// The hand-over record, in host byte order: the data word 0x465, the byte count n of the text
// with its closing 0 (1 ... 64 KiB), then the n bytes. The first instance answers one byte.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace KX::Platform {

class SingleInstance {
public:
    enum class Role {
        First,     // holds the lock: starts and, once its main window exists, listens
        Second,    // another process holds the lock: hand over and end
        Unguarded, // no trustworthy folder, a path too long, or no lock possible: start normally
    };
    static constexpr uint32_t kDataWord = 0x465;
    static constexpr uint32_t kMaxTextBytes = 64 * 1024;

    // name: the application title + "Prevent"; the files "<name>.lock" and "<name>.sock" in the
    // folder of SingleInstanceFolder.
    static std::unique_ptr<SingleInstance> Acquire(const std::string& name);
    // The first instance's socket file goes with it; the lock is released.
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    Role GetRole() const { return m_role; }

    // Second instance: sends the command line (cut at a character boundary to fit the record) and
    // waits at most 5 s for the answer. True when a first instance took the connection (the caller
    // ends then, answered or not); false when none listens (the caller starts normally).
    bool HandOver(const std::string& commandLineUtf8);

    // First instance, once its main window exists: replaces a stale socket file and listens (mode
    // 0600, non-blocking). False when that is not possible; the program runs on without hand-over.
    bool Listen();
    // The listening socket for the host loop to poll; -1 when not listening.
    int GetListenDescriptor() const { return m_listen; }
    // Takes the connections waiting now (a few at most, each read for at most 2 s), from peers of
    // this user only. Each valid record's text goes to onCommandLine before the one-byte answer;
    // an invalid one is dropped without answer.
    void ServePending(const std::function<void(const std::string& commandLineUtf8)>& onCommandLine);
    // Reads one hand-over record from a connected non-blocking socket within 2 s: true with the text
    // up to its first 0; false for a record that is short or slow, has another data word, a count of
    // 0 or above kMaxTextBytes, or does not end in 0.
    static bool ReadRecord(int connection, std::string& commandLineUtf8);

private:
    SingleInstance(Role role, std::string socketPath, int lock);
    void Serve(int connection, const std::function<void(const std::string&)>& onCommandLine);

    Role m_role;
    std::string m_socketPath;
    int m_lock = -1;
    int m_listen = -1;
};

// The folder of the lock and socket: $XDG_RUNTIME_DIR when it is an absolute path to a folder of
// this user with mode 0700; else <fallbackParent>/kivo61-<uid>, created with mode 0700 and
// accepted only when it is a real folder (no symbolic link) of this user with mode 0700. Empty
// when neither can be trusted.
std::string SingleInstanceFolder(const std::string& fallbackParent = "/tmp");

// The process's command line as one text: the program path and the arguments joined by blanks, an
// argument holding a blank written in double quotes.
std::string JoinCommandLine(int argc, char** argv);

} // namespace KX::Platform
