#pragma once
// A Kivo 61 on the virtual MIDI system, written from the device protocol alone: it answers the
// identity request with its firmware version, serves and stores its 13 preset slots and 17 global
// settings, and can be told to misbehave per kind of request.
#include "VirtualMidiSystem.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace KX::Test {

class SimulatedKivo61 {
public:
    using Bytes = std::vector<std::uint8_t>;

    static constexpr int kSlots = 13;
    static constexpr std::size_t kSlotBytes = 1338;
    static constexpr int kGlobals = 17;

    // The requests the device answers.
    enum class Request { Identity, PresetDump, GlobalParam };

    // How a reply is spoiled.
    enum class Malformed {
        No,
        Shorter,           // one byte fewer before F7
        Longer,            // one byte more before F7
        WrongManufacturer, // another manufacturer byte; for the identity reply another sub-ID at 1
        OtherTarget,       // another slot at byte 10, or a global index past the list at byte 11
        CorruptBody,       // a status byte (0x90) inside the body
    };

    struct Behaviour {
        bool silent = false;
        int ignoreFirst = 0; // requests left unanswered before the device starts answering
        bool twice = false;  // every reply goes out twice
        bool late = false;   // replies are kept until SendLateReplies, which the test calls when they are late
        Malformed malformed = Malformed::No;
    };

    // Plugs itself into system as a device with these port names.
    explicit SimulatedKivo61(VirtualMidiSystem& system, std::string inName = "MIDIIN4 (Kivo 61)",
                             std::string outName = "MIDIOUT4 (Kivo 61)");
    ~SimulatedKivo61();
    SimulatedKivo61(const SimulatedKivo61&) = delete;
    SimulatedKivo61& operator=(const SimulatedKivo61&) = delete;

    VirtualMidiSystem::DeviceId Device() const { return m_device; }

    // Four ASCII digits, "1041" for 1.0.4.1 by default.
    void SetFirmware(const std::string& digits);
    void SetBehaviour(Request request, Behaviour behaviour);
    // When set, a request is answered only right after a mode message (off by default).
    void RequireModeMessage(bool required);
    // Runs on the system's thread when a request of that kind arrives, before any reply goes out.
    void OnRequest(Request request, std::function<void()> action);
    // Sends the replies kept back so far, in the order of their requests; how many.
    int SendLateReplies();

    Bytes Slot(int slot) const;
    void SetSlot(int slot, const Bytes& values);
    int Global(int index) const;
    void SetGlobal(int index, int value);

    // Every complete message received, in order.
    std::vector<Bytes> Received() const;
    int ModeMessages() const;
    // Requests of a kind received, answered or not.
    int Requests(Request request) const;
    // Dumps and global settings stored.
    int Stores() const;

private:
    struct State;
    static void OnPiece(const std::shared_ptr<State>& state, VirtualMidiSystem& system,
                        VirtualMidiSystem::DeviceId device, const Bytes& piece);
    static void OnMessage(State& state, VirtualMidiSystem& system, VirtualMidiSystem::DeviceId device,
                          const Bytes& message);

    VirtualMidiSystem& m_system;
    std::shared_ptr<State> m_state;
    VirtualMidiSystem::DeviceId m_device = 0;
};

} // namespace KX::Test
