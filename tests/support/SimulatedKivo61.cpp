#include "SimulatedKivo61.h"

#include <algorithm>
#include <map>
#include <mutex>
#include <stdexcept>

namespace KX::Test {

namespace {

constexpr std::uint8_t kStart = 0xF0;
constexpr std::uint8_t kEnd = 0xF7;
constexpr std::array<std::uint8_t, 7> kHead{kStart, 0x00, 0x6E, 0x2D, 0x7F, 0x31, 0x06};
constexpr std::size_t kLargestMessage = 64 * 1024;
constexpr std::size_t kDumpSize = 1350;

bool IsOwn(const SimulatedKivo61::Bytes& m, std::uint8_t command, std::size_t size)
{
    return m.size() == size && std::equal(kHead.begin(), kHead.end(), m.begin()) && m[7] == command && m.back() == kEnd;
}

SimulatedKivo61::Bytes Own(std::uint8_t command)
{
    SimulatedKivo61::Bytes m(kHead.begin(), kHead.end());
    m.push_back(command);
    return m;
}

} // namespace

struct SimulatedKivo61::State {
    mutable std::mutex mutex;
    std::array<Bytes, kSlots> slots;
    std::array<int, kGlobals> globals{0, 0, 0, 0, 0, 4, 12, 3, 5, 12, 5, 1, 5, 0, 0, 0, 1};
    std::string firmware = "1041";
    std::map<Request, Behaviour> behaviour;
    std::map<Request, int> requests;
    std::map<Request, std::function<void()>> actions;
    bool requireMode = false;
    bool modeArmed = false;
    std::vector<Bytes> late;
    Bytes pending;
    bool assembling = false;
    std::vector<Bytes> received;
    int modeMessages = 0;
    int stores = 0;
};

SimulatedKivo61::SimulatedKivo61(VirtualMidiSystem& system, std::string inName, std::string outName)
    : m_system(system),
      m_state(std::make_shared<State>())
{
    // A pattern that differs per slot and per byte, all data bytes.
    for (int s = 0; s < kSlots; ++s) {
        m_state->slots[s].resize(kSlotBytes);
        for (std::size_t i = 0; i < kSlotBytes; ++i)
            m_state->slots[s][i] = static_cast<std::uint8_t>((s * 31 + i * 7) % 128);
    }
    // The peer holds the state, not this object: a call already under way may outlive it.
    std::shared_ptr<State> state = m_state;
    m_device =
        m_system.AddDevice(std::move(inName), std::move(outName),
                           [state](VirtualMidiSystem& sys, VirtualMidiSystem::DeviceId id,
                                   const VirtualMidiSystem::Sent& sent) { OnPiece(state, sys, id, sent.bytes); });
}

SimulatedKivo61::~SimulatedKivo61()
{
    m_system.SetPeer(m_device, {});
}

void SimulatedKivo61::SetFirmware(const std::string& digits)
{
    if (digits.size() != 4)
        throw std::invalid_argument("four firmware digits");
    std::lock_guard lock(m_state->mutex);
    m_state->firmware = digits;
}

void SimulatedKivo61::SetBehaviour(Request request, Behaviour behaviour)
{
    std::lock_guard lock(m_state->mutex);
    m_state->behaviour[request] = behaviour;
}

void SimulatedKivo61::RequireModeMessage(bool required)
{
    std::lock_guard lock(m_state->mutex);
    m_state->requireMode = required;
}

void SimulatedKivo61::OnRequest(Request request, std::function<void()> action)
{
    std::lock_guard lock(m_state->mutex);
    m_state->actions[request] = std::move(action);
}

int SimulatedKivo61::SendLateReplies()
{
    std::vector<Bytes> late;
    {
        std::lock_guard lock(m_state->mutex);
        late.swap(m_state->late);
    }
    for (Bytes& reply : late)
        m_system.InjectSysEx(m_device, reply);
    return static_cast<int>(late.size());
}

SimulatedKivo61::Bytes SimulatedKivo61::Slot(int slot) const
{
    std::lock_guard lock(m_state->mutex);
    return m_state->slots.at(slot);
}

void SimulatedKivo61::SetSlot(int slot, const Bytes& values)
{
    if (values.size() != kSlotBytes)
        throw std::invalid_argument("a slot holds 1338 bytes");
    std::lock_guard lock(m_state->mutex);
    m_state->slots.at(slot) = values;
}

int SimulatedKivo61::Global(int index) const
{
    std::lock_guard lock(m_state->mutex);
    return m_state->globals.at(index);
}

void SimulatedKivo61::SetGlobal(int index, int value)
{
    std::lock_guard lock(m_state->mutex);
    m_state->globals.at(index) = value;
}

std::vector<SimulatedKivo61::Bytes> SimulatedKivo61::Received() const
{
    std::lock_guard lock(m_state->mutex);
    return m_state->received;
}

int SimulatedKivo61::ModeMessages() const
{
    std::lock_guard lock(m_state->mutex);
    return m_state->modeMessages;
}

int SimulatedKivo61::Requests(Request request) const
{
    std::lock_guard lock(m_state->mutex);
    const auto it = m_state->requests.find(request);
    return it == m_state->requests.end() ? 0 : it->second;
}

int SimulatedKivo61::Stores() const
{
    std::lock_guard lock(m_state->mutex);
    return m_state->stores;
}

void SimulatedKivo61::OnPiece(const std::shared_ptr<State>& state, VirtualMidiSystem& system,
                              VirtualMidiSystem::DeviceId device, const Bytes& piece)
{
    Bytes complete;
    {
        std::lock_guard lock(state->mutex);
        if (piece.empty())
            return;
        // A new F0 restarts the message; continuation pieces begin with data bytes.
        if (piece.front() == kStart) {
            state->pending.clear();
            state->assembling = true;
        }
        if (!state->assembling)
            return;
        state->pending.insert(state->pending.end(), piece.begin(), piece.end());
        if (state->pending.size() > kLargestMessage) {
            state->pending.clear();
            state->assembling = false;
            return;
        }
        if (state->pending.back() != kEnd)
            return;
        complete.swap(state->pending);
        state->assembling = false;
        state->received.push_back(complete);
    }
    OnMessage(*state, system, device, complete);
}

void SimulatedKivo61::OnMessage(State& state, VirtualMidiSystem& system, VirtualMidiSystem::DeviceId device,
                                const Bytes& m)
{
    Request request;
    Bytes reply;
    Behaviour behaviour;
    std::function<void()> action;
    {
        std::lock_guard lock(state.mutex);
        const bool armed = state.modeArmed;
        state.modeArmed = false;
        if (IsOwn(m, 0x6D, 12) && m[8] == 0x00 && m[9] == 0x01 && m[10] == 0x01) {
            ++state.modeMessages;
            state.modeArmed = true;
            return;
        }
        if (m == Bytes{kStart, 0x7E, m.size() > 2 ? m[2] : std::uint8_t(0), 0x06, 0x01, kEnd}) {
            request = Request::Identity;
            reply = {kStart, 0x7E, 0x7F, 0x06, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00};
            reply.insert(reply.end(), state.firmware.begin(), state.firmware.end());
            reply.push_back(kEnd);
        } else if (IsOwn(m, 0x62, 10) && m[8] < kSlots) {
            request = Request::PresetDump;
            reply = Own(0x63);
            reply.insert(reply.end(), {0x0A, 0x3B, m[8]});
            reply.insert(reply.end(), state.slots[m[8]].begin(), state.slots[m[8]].end());
            reply.push_back(kEnd);
        } else if (IsOwn(m, 0x6B, 13) && m[8] == 0x00 && m[9] == 0x02 && m[10] == 0x00 && m[11] < kGlobals) {
            request = Request::GlobalParam;
            const int value = state.globals[m[11]];
            reply = Own(0x6C);
            reply.insert(reply.end(),
                         {0x00, 0x04, 0x00, m[11], std::uint8_t(value / 128), std::uint8_t(value % 128), kEnd});
        } else {
            if (IsOwn(m, 0x61, kDumpSize) && m[8] == 0x0A && m[9] == 0x3B && m[10] < kSlots) {
                state.slots[m[10]].assign(m.begin() + 11, m.end() - 1);
                ++state.stores;
            } else if (IsOwn(m, 0x6A, 15) && m[8] == 0x00 && m[9] == 0x04 && m[10] == 0x00 && m[11] < kGlobals &&
                       m[12] < 0x80 && m[13] < 0x80) {
                state.globals[m[11]] = m[12] * 128 + m[13];
                ++state.stores;
            }
            return;
        }
        const int count = ++state.requests[request];
        behaviour = state.behaviour[request];
        action = state.actions[request];
        if (behaviour.silent || count <= behaviour.ignoreFirst || (state.requireMode && !armed))
            behaviour.silent = true;
    }
    if (action)
        action();
    if (behaviour.silent)
        return;

    switch (behaviour.malformed) {
    case Malformed::No:
        break;
    case Malformed::Shorter:
        reply.erase(reply.end() - 2);
        break;
    case Malformed::Longer:
        reply.insert(reply.end() - 1, 0x00);
        break;
    case Malformed::WrongManufacturer:
        reply[request == Request::Identity ? 1 : 2] ^= 0x03;
        break;
    case Malformed::OtherTarget:
        if (request == Request::PresetDump)
            reply[10] = static_cast<std::uint8_t>((reply[10] + 1) % kSlots);
        else if (request == Request::GlobalParam)
            reply[11] = kGlobals;
        break;
    case Malformed::CorruptBody:
        reply[11] = 0x90;
        break;
    }
    for (int i = 0; i < (behaviour.twice ? 2 : 1); ++i) {
        if (behaviour.late) {
            std::lock_guard lock(state.mutex);
            state.late.push_back(reply);
        } else {
            system.InjectSysEx(device, reply);
        }
    }
}

} // namespace KX::Test
