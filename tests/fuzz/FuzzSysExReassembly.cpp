// SysEx reassembly over arbitrary chunkings: the input is a stream of operations, each either a chunk
// (its "complete" flag, its length and its bytes) or lost input. Whatever arrives, the assembler
// finishes exactly the messages that a plain model of the rules finishes, every one of them begins
// with F0, and none grows past the limit.
#include "KXFramework/Midi/MidiCapturePort.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

// The rules in their simplest form: a message starts with an F0 chunk (dropping any unfinished one),
// other chunks continue it or are dropped, too long a message is dropped, a complete chunk ends it.
struct Model {
    std::optional<Bytes> pending;

    std::optional<Bytes> Append(const Bytes& chunk, bool complete)
    {
        if (chunk.empty())
            return std::nullopt;
        if (chunk[0] == 0xF0)
            pending.emplace();
        else if (!pending)
            return std::nullopt;
        if (pending->size() + chunk.size() > KX::SysExAssembler::kMaxMessage) {
            pending.reset();
            return std::nullopt;
        }
        pending->insert(pending->end(), chunk.begin(), chunk.end());
        if (!complete)
            return std::nullopt;
        std::optional<Bytes> done = std::move(pending);
        pending.reset();
        return done;
    }
};

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    KX::SysExAssembler assembler;
    Model model;
    const KX::String portName(u"in");
    Bytes chunk;
    bool complete = false;
    size_t at = 0;
    // A few times what reaching the size limit takes, so that a run stays short.
    int appends = 1024;
    while (at < size && appends > 0) {
        const uint8_t op = data[at++];
        if (op % 8 == 7) {
            assembler.Discard();
            model.pending.reset();
            continue;
        }
        // Repeat the last chunk many times, so that endless messages reach the size limit.
        int times = 1;
        if (op % 8 == 6) {
            if (at >= size)
                break;
            times = data[at++] + 1;
        } else {
            if (at >= size)
                break;
            const size_t wanted = size_t{data[at++]} + 1;
            const size_t length = std::min(wanted, size - at);
            chunk.assign(data + at, data + at + length);
            at += length;
            complete = (op & 1) != 0;
        }
        for (int i = 0; i < times && appends > 0; ++i, --appends) {
            const KX::RCPtr<KX::LMidiCaptureNotificationData> got =
                assembler.Append(chunk.data(), chunk.size(), complete, portName, nullptr);
            const std::optional<Bytes> expected = model.Append(chunk, complete);
            Check((got.Get() != nullptr) == expected.has_value());
            Check(assembler.GetPendingSize() <= KX::SysExAssembler::kMaxMessage);
            if (!got)
                continue;
            const KX::Array<unsigned char>& bytes = got->GetBytes();
            Check(bytes.GetCount() > 0 && bytes.GetData()[0] == 0xF0);
            Check(Bytes(bytes.begin(), bytes.end()) == *expected);
        }
    }
    return 0;
}
