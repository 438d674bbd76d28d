#include "KXFramework/Platform/Midi/MidiBackend.h"

#include "KXFramework/Platform/Midi/AlsaMidiBackend.h"

#include <algorithm>
#include <atomic>

namespace KX::Platform::Midi {

Handle NewHandle()
{
    static std::atomic<Handle> next{1};
    return next++;
}

ServiceSlot<std::shared_ptr<Backend>>& BackendSlot()
{
    static auto* slot = new ServiceSlot<std::shared_ptr<Backend>>;
    return *slot;
}

std::shared_ptr<Backend> GetBackend()
{
    return BackendSlot().GetOrMake([] { return MakeAlsaBackend(); });
}

std::size_t ShortMessageLength(std::uint8_t status)
{
    if (status < 0x80)
        return 1;
    if (status < 0xC0)
        return 3;
    if (status < 0xE0)
        return 2;
    if (status < 0xF0)
        return 3;
    switch (status) {
    case 0xF0:
    case 0xF7:
        return 0;
    case 0xF2:
        return 3;
    case 0xF1:
    case 0xF3:
    case 0xF4:
    case 0xF5:
        return 2;
    default:
        return 1;
    }
}

std::vector<std::uint8_t> UnpackShort(std::uint32_t packed)
{
    std::vector<std::uint8_t> bytes(ShortMessageLength(static_cast<std::uint8_t>(packed)));
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<std::uint8_t>(packed >> (8 * i));
    return bytes;
}

void ForEachChunk(const std::uint8_t* bytes, std::size_t count, std::size_t chunk, CompleteRule rule,
                  const std::function<void(const std::uint8_t*, std::size_t, bool)>& deliver)
{
    if (chunk == 0 || chunk > kChunk)
        chunk = kChunk;
    for (std::size_t at = 0; at < count;) {
        std::size_t n = std::min(chunk, count - at);
        if (rule == CompleteRule::LastEndsF7) {
            // A message's F7 ends its chunk, so that the next message in the same bytes begins a new one.
            const std::uint8_t* end = std::find(bytes + at, bytes + at + n, std::uint8_t{0xF7});
            if (end != bytes + at + n)
                n = static_cast<std::size_t>(end - (bytes + at)) + 1;
        }
        const bool endsF7 = bytes[at + n - 1] == 0xF7;
        deliver(bytes + at, n, rule == CompleteRule::ShortOrF7 ? (n < chunk || endsF7) : endsF7);
        at += n;
    }
}

} // namespace KX::Platform::Midi
