#pragma once
// The operating system's MIDI services as the MIDI classes see them: devices listed by number and product
// name, input delivered as packed short messages and as SysEx chunks of at most kChunk bytes with a
// "complete" flag, long sends that copy their bytes and report done, and liveness of an open handle.
// Only standard types and the header-only service slot here, so that no backend depends on the
// framework's libraries.
#include "KXFramework/ObjectBase/ServiceSlot.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace KX::Platform::Midi {

using Handle = std::uint64_t; // never reused within a process
inline constexpr Handle kNoHandle = 0;

// What a backend call gives: Ok, or why it failed. A type of its own, so that it is never taken for or
// compared with a KXRESULT. The values are the operating system's MIDI error numbers, as logged.
enum class Status {
    Ok = 0,
    Error = 1,         // the system refused the operation
    BadDevice = 2,     // no device with that number
    InvalidHandle = 5, // the handle is not open, or its device has gone
    NoDriver = 6,      // no MIDI system on this machine
};

inline constexpr std::size_t kChunk = 256; // the largest SysEx input chunk

// Where a backend delivers what happens on the handles opened for it. Empty members are not called.
struct Sink {
    std::function<void(Handle in, std::uint32_t packed, std::chrono::milliseconds sinceStart)> onShort;
    // 1..kChunk bytes; complete when this chunk ends a SysEx message.
    std::function<void(Handle in, const std::uint8_t* bytes, std::size_t count, bool complete)> onLong;
    // SysEx input was lost (an overrun): a message being assembled is incomplete.
    std::function<void(Handle in)> onLongError;
    // A long message given to SendLong has left the host.
    std::function<void(Handle out)> onLongDone;
};

// Contract of every backend:
// 1. Calls for one handle are serialised and keep arrival order. Input calls run on a backend thread, never
//    on a thread that called the backend; onLongDone may also run inside SendLong.
// 2. No backend lock is held while a sink runs: a sink may take a lock under which others call the backend.
// 3. CloseInput / CloseOutput never wait for a call in progress; once they return, no new call for that
//    handle starts.
// 4. Detach(sink) returns when no call into the sink runs and none can start. Never call it from a sink.
// 5. SendLong copies its bytes: nothing the caller owns is read after it returns.
// 6. Without a MIDI system: no devices, every open fails; never throws, writes to standard error only through
//    the debug log.
class Backend {
public:
    virtual ~Backend() = default;

    // Product names in device-number order. Ok, or a failure with the names read so far.
    virtual Status ListInputs(std::vector<std::string>& names) = 0;
    virtual Status ListOutputs(std::vector<std::string>& names) = 0;

    virtual Status OpenInput(unsigned device, std::shared_ptr<Sink> sink, Handle& in) = 0;
    // Nothing is delivered before; time stamps count from here.
    virtual Status StartInput(Handle in) = 0;
    virtual Status CloseInput(Handle in) = 0;
    virtual bool IsInputAlive(Handle in) = 0;

    virtual Status OpenOutput(unsigned device, std::shared_ptr<Sink> sink, Handle& out) = 0;
    virtual Status CloseOutput(Handle out) = 0;
    virtual bool IsOutputAlive(Handle out) = 0;
    // The message is the low bytes of packed, first byte lowest; its length follows its status byte.
    virtual Status SendShort(Handle out, std::uint32_t packed) = 0;
    virtual Status SendLong(Handle out, const std::uint8_t* bytes, std::size_t count) = 0;

    virtual void Detach(const Sink& sink) = 0;
};

// A handle that no backend of this process has given out before.
Handle NewHandle();

// The backend in use: the ALSA sequencer unless a test installed another in the slot; an empty
// slot goes back to the ALSA sequencer.
ServiceSlot<std::shared_ptr<Backend>>& BackendSlot();
std::shared_ptr<Backend> GetBackend();

// Length of a short message from its first byte: 1 for a data byte, 0 for F0 and F7.
std::size_t ShortMessageLength(std::uint8_t status);
// The bytes of a packed short message, as many as its status implies.
std::vector<std::uint8_t> UnpackShort(std::uint32_t packed);

// When a SysEx input chunk counts as complete.
enum class CompleteRule {
    ShortOrF7,  // shorter than the chunk size or ending with F7 (how WinMM fills its buffers)
    LastEndsF7, // ending with F7: chunks are also cut after every F7, so each message's last chunk ends it
};

// Cuts bytes into chunks of at most min(chunk, kChunk) bytes (a chunk of 0 counts as kChunk) and hands each
// to deliver with its complete flag.
void ForEachChunk(const std::uint8_t* bytes, std::size_t count, std::size_t chunk, CompleteRule rule,
                  const std::function<void(const std::uint8_t*, std::size_t, bool)>& deliver);

} // namespace KX::Platform::Midi
