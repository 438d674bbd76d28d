#pragma once
// Which of the write signals (SIGPIPE, SIGXFSZ) a process ignores and which signals it blocks, read from
// its status as the kernel keeps it; and the write signals ignored in this process for a scope, as the
// program ignores them.
#include "KXFramework/Platform/Process/WriteSignals.h"

#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <string>

namespace KX::Test {

// The signals that the text of a /proc/<pid>/status blocks, one bit per signal from bit 0 for signal 1;
// all of them when the text does not say.
inline uint64_t BlockedSignals(const std::string& status)
{
    const size_t at = status.find("SigBlk:");
    return at == std::string::npos ? ~uint64_t(0) : std::strtoull(status.c_str() + at + 7, nullptr, 16);
}

// The write signals that the text of a /proc/<pid>/status ignores, by their short names: "PIPE XFSZ",
// or "" for none.
inline std::string IgnoredWriteSignals(const std::string& status)
{
    const size_t at = status.find("SigIgn:");
    const uint64_t ignored = at == std::string::npos ? 0 : std::strtoull(status.c_str() + at + 7, nullptr, 16);
    std::string names;
    for (const int signal : Platform::kWriteSignals)
        if ((ignored >> (signal - 1)) & 1)
            names += (names.empty() ? "" : " ") + std::string(sigabbrev_np(signal));
    return names;
}

class WriteSignalsIgnored {
public:
    WriteSignalsIgnored()
    {
        for (size_t i = 0; i < std::size(Platform::kWriteSignals); ++i)
            ::sigaction(Platform::kWriteSignals[i], nullptr, &m_saved[i]);
        Platform::IgnoreWriteSignals();
    }
    ~WriteSignalsIgnored()
    {
        for (size_t i = 0; i < std::size(Platform::kWriteSignals); ++i)
            ::sigaction(Platform::kWriteSignals[i], &m_saved[i], nullptr);
    }
    WriteSignalsIgnored(const WriteSignalsIgnored&) = delete;
    WriteSignalsIgnored& operator=(const WriteSignalsIgnored&) = delete;

private:
    struct sigaction m_saved[std::size(Platform::kWriteSignals)]{};
};

} // namespace KX::Test
