// The record a second start hands to the first: the input is what the peer sends before it closes,
// sent in pieces of 1, 2, 3, ... bytes with the reader called after each piece and once after the
// close. Whatever the bytes, the reader has taken exactly the bytes sent so far up to the record's
// end; it answers Invalid once they show another data word, a count of 0 or above 64 KiB, or a record
// not ending in 0, or once the peer has closed before the end; Complete once the record is whole,
// with its text up to the first 0; Partial otherwise.
#include "KXFramework/Platform/Process/SingleInstance.h"

#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

using KX::Platform::SingleInstance;
using Record = SingleInstance::Record;

constexpr size_t kHeaderBytes = 8;

void Check(bool holds)
{
    if (!holds)
        std::abort();
}

// The text's byte count when the header is whole and valid; 0 otherwise.
uint32_t ValidCount(const uint8_t* data, size_t sent)
{
    if (sent < kHeaderBytes)
        return 0;
    uint32_t header[2];
    std::memcpy(header, data, kHeaderBytes);
    const bool valid = header[0] == SingleInstance::kDataWord && header[1] <= SingleInstance::kMaxTextBytes;
    return valid ? header[1] : 0;
}

// What the reader must answer with `sent` bytes of the input sent, the peer closed or not.
Record Expected(const uint8_t* data, size_t sent, bool closed)
{
    const uint32_t count = ValidCount(data, sent);
    if (sent >= kHeaderBytes && count == 0)
        return Record::Invalid;
    if (sent >= kHeaderBytes && sent >= kHeaderBytes + count)
        return data[kHeaderBytes + count - 1] == 0 ? Record::Complete : Record::Invalid;
    return closed ? Record::Invalid : Record::Partial;
}

// The bytes the reader must have taken by then: the header, then the rest of a valid record.
size_t Taken(const uint8_t* data, size_t sent)
{
    if (sent < kHeaderBytes)
        return sent;
    return std::min(sent, kHeaderBytes + ValidCount(data, sent));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // A byte beyond the longest record changes nothing the reader looks at.
    if (size > kHeaderBytes + SingleInstance::kMaxTextBytes + 1)
        return 0;
    int ends[2];
    Check(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, ends) == 0);
    std::string received, text = "unchanged";
    Record record = Record::Partial;
    size_t sent = 0;
    for (size_t piece = 1; record == Record::Partial; ++piece) {
        const bool closed = sent == size;
        if (closed) {
            Check(::shutdown(ends[1], SHUT_WR) == 0);
        } else {
            const size_t n = std::min(piece, size - sent);
            Check(::send(ends[1], data + sent, n, MSG_NOSIGNAL) == static_cast<ssize_t>(n));
            sent += n;
        }
        record = SingleInstance::ReadRecord(ends[0], received, text);
        Check(record == Expected(data, sent, closed));
        Check(received == std::string(reinterpret_cast<const char*>(data), Taken(data, sent)));
        Check(text == (record == Record::Complete ? std::string(reinterpret_cast<const char*>(data) + kHeaderBytes)
                                                  : std::string("unchanged")));
    }
    ::close(ends[0]);
    ::close(ends[1]);
    return 0;
}
