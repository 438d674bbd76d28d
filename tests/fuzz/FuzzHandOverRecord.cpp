// The record a second start hands to the first: the input is what the peer sends before it closes.
// Whatever the bytes, the record is taken exactly when it has the data word, a count of 1 to 64 KiB,
// that many bytes and a closing 0, and the text taken is those bytes up to their first 0.
#include "KXFramework/Platform/Process/SingleInstance.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

using KX::Platform::SingleInstance;

constexpr size_t kHeaderBytes = 8;

// Sends everything and closes the sending side; false when the socket does not take it all at once.
bool SendAndClose(int fd, const uint8_t* data, size_t size)
{
    while (size > 0) {
        const ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return ::shutdown(fd, SHUT_WR) == 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // A byte beyond the longest record changes nothing the reader looks at.
    if (size > kHeaderBytes + SingleInstance::kMaxTextBytes + 1)
        return 0;
    int ends[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, ends) != 0 ||
        !SendAndClose(ends[1], data, size))
        std::abort();
    std::string text = "unchanged";
    const bool taken = SingleInstance::ReadRecord(ends[0], text);
    ::close(ends[0]);
    ::close(ends[1]);

    uint32_t header[2] = {0, 0};
    if (size >= kHeaderBytes)
        std::memcpy(header, data, kHeaderBytes);
    const uint32_t count = header[1];
    const bool valid = size >= kHeaderBytes && header[0] == SingleInstance::kDataWord && count >= 1 &&
                       count <= SingleInstance::kMaxTextBytes && size >= kHeaderBytes + count &&
                       data[kHeaderBytes + count - 1] == 0;
    if (taken != valid)
        std::abort();
    const std::string expected =
        valid ? std::string(reinterpret_cast<const char*>(data) + kHeaderBytes) : std::string("unchanged");
    if (text != expected)
        std::abort();
    return 0;
}
