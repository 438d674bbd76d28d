#include "VirtualMidiSystem.h"

#include <algorithm>

namespace KX::Test {

namespace Midi = Platform::Midi;

VirtualMidiSystem::VirtualMidiSystem() : m_thread([this] { Run(); }) {}

VirtualMidiSystem::~VirtualMidiSystem()
{
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

VirtualMidiSystem::Device* VirtualMidiSystem::FindLocked(DeviceId id)
{
    const auto it = std::find_if(m_devices.begin(), m_devices.end(), [&](const Device& d) { return d.id == id; });
    return it == m_devices.end() ? nullptr : &*it;
}

VirtualMidiSystem::DeviceId VirtualMidiSystem::AddDevice(std::string inName, std::string outName, Peer peer,
                                                         std::size_t position)
{
    std::lock_guard lock(m_mutex);
    Device device;
    device.id = m_nextDevice++;
    device.inName = std::move(inName);
    device.outName = std::move(outName);
    device.peer = std::move(peer);
    m_devices.insert(m_devices.begin() + std::min(position, m_devices.size()), std::move(device));
    return m_nextDevice - 1;
}

void VirtualMidiSystem::SetPeer(DeviceId id, Peer peer)
{
    std::lock_guard lock(m_mutex);
    if (Device* device = FindLocked(id))
        device->peer = std::move(peer);
}

void VirtualMidiSystem::Unplug(DeviceId id)
{
    std::lock_guard lock(m_mutex);
    if (Device* device = FindLocked(id))
        device->plugged = false;
    for (auto* ports : {&m_inputs, &m_outputs})
        for (auto& [handle, port] : *ports)
            if (port.device == id)
                port.dead = true;
}

void VirtualMidiSystem::Replug(DeviceId id)
{
    std::lock_guard lock(m_mutex);
    if (Device* device = FindLocked(id))
        device->plugged = true;
}

void VirtualMidiSystem::QueueLocked(Clock::time_point due, Event event)
{
    m_queue.emplace(std::make_pair(due, m_nextEvent++), std::move(event));
    m_wake.notify_all();
}

VirtualMidiSystem::Clock::time_point VirtualMidiSystem::NowLocked() const
{
    return m_pausedAt.value_or(Clock::now());
}

void VirtualMidiSystem::InjectShort(DeviceId device, std::uint32_t packed, std::optional<Ms> stamp, Ms delay)
{
    std::lock_guard lock(m_mutex);
    QueueLocked(NowLocked() + delay, {.kind = Kind::Short, .device = device, .packed = packed, .stamp = stamp});
}

void VirtualMidiSystem::InjectSysEx(DeviceId device, std::vector<std::uint8_t> bytes, std::size_t chunk,
                                    CompleteRule rule, Ms delay, Ms gap)
{
    std::lock_guard lock(m_mutex);
    auto due = NowLocked() + delay;
    Midi::ForEachChunk(
        bytes.data(), bytes.size(), chunk, rule, [&](const std::uint8_t* data, std::size_t n, bool complete) {
            QueueLocked(
                due,
                {.kind = Kind::Long, .device = device, .bytes = std::vector(data, data + n), .complete = complete});
            due += gap;
        });
}

void VirtualMidiSystem::InjectLongError(DeviceId device, Ms delay)
{
    std::lock_guard lock(m_mutex);
    QueueLocked(NowLocked() + delay, {.kind = Kind::LongError, .device = device});
}

void VirtualMidiSystem::SetDone(DeviceId id, Done done, Ms delay)
{
    std::lock_guard lock(m_mutex);
    if (Device* device = FindLocked(id)) {
        device->done = done;
        device->doneDelay = delay;
    }
}

void VirtualMidiSystem::FailNextSends(DeviceId id, int count)
{
    std::lock_guard lock(m_mutex);
    if (Device* device = FindLocked(id))
        device->failNext = count;
}

std::vector<VirtualMidiSystem::Sent> VirtualMidiSystem::SentMessages() const
{
    std::lock_guard lock(m_mutex);
    return m_sent;
}

void VirtualMidiSystem::ClearSent()
{
    std::lock_guard lock(m_mutex);
    m_sent.clear();
}

int VirtualMidiSystem::Enumerations() const
{
    std::lock_guard lock(m_mutex);
    return m_enumerations;
}

int VirtualMidiSystem::ListsDuringLongSend() const
{
    std::lock_guard lock(m_mutex);
    return m_listsDuringLongSend;
}

bool VirtualMidiSystem::WaitIdle(Ms timeout)
{
    std::unique_lock lock(m_mutex);
    return m_idle.wait_for(lock, timeout, [&] { return m_queue.empty() && !m_busy; });
}

void VirtualMidiSystem::Pause()
{
    std::lock_guard lock(m_mutex);
    m_pausedAt = Clock::now();
}

void VirtualMidiSystem::Resume()
{
    std::lock_guard lock(m_mutex);
    m_pausedAt.reset();
    m_wake.notify_all();
}

void VirtualMidiSystem::WaitDeliveredLocked(std::unique_lock<std::mutex>& lock)
{
    // The system's own thread would wait for itself: a peer that sends needs no such guarantee.
    if (std::this_thread::get_id() == m_thread.get_id())
        return;
    m_idle.wait(lock, [&] { return !m_busy && (m_queue.empty() || m_queue.begin()->first.first > Clock::now()); });
}

VirtualMidiSystem::Status VirtualMidiSystem::ListLocked(std::vector<std::string>& names, bool inputs)
{
    ++m_enumerations;
    if (m_longSending > 0)
        ++m_listsDuringLongSend;
    names.clear();
    for (const Device& d : m_devices) {
        const std::string& name = inputs ? d.inName : d.outName;
        if (d.plugged && !name.empty())
            names.push_back(name);
    }
    return Midi::Status::Ok;
}

VirtualMidiSystem::Status VirtualMidiSystem::ListInputs(std::vector<std::string>& names)
{
    std::lock_guard lock(m_mutex);
    return ListLocked(names, true);
}

VirtualMidiSystem::Status VirtualMidiSystem::ListOutputs(std::vector<std::string>& names)
{
    std::lock_guard lock(m_mutex);
    return ListLocked(names, false);
}

VirtualMidiSystem::Device* VirtualMidiSystem::NthLocked(unsigned n, bool inputs)
{
    for (Device& d : m_devices)
        if (d.plugged && !(inputs ? d.inName : d.outName).empty() && n-- == 0)
            return &d;
    return nullptr;
}

VirtualMidiSystem::Status VirtualMidiSystem::Open(unsigned device, std::shared_ptr<Sink> sink, Handle& handle,
                                                  bool input)
{
    std::lock_guard lock(m_mutex);
    handle = Midi::kNoHandle;
    const Device* d = NthLocked(device, input);
    if (!d)
        return Midi::Status::BadDevice;
    handle = Midi::NewHandle();
    (input ? m_inputs : m_outputs).emplace(handle, Port{.device = d->id, .sink = std::move(sink)});
    return Midi::Status::Ok;
}

VirtualMidiSystem::Status VirtualMidiSystem::Close(Handle handle, bool input)
{
    std::lock_guard lock(m_mutex);
    return (input ? m_inputs : m_outputs).erase(handle) ? Midi::Status::Ok : Midi::Status::InvalidHandle;
}

bool VirtualMidiSystem::IsAlive(Handle handle, bool input)
{
    std::lock_guard lock(m_mutex);
    const auto& ports = input ? m_inputs : m_outputs;
    const auto it = ports.find(handle);
    return it != ports.end() && !it->second.dead;
}

VirtualMidiSystem::Status VirtualMidiSystem::StartInput(Handle in)
{
    std::lock_guard lock(m_mutex);
    const auto it = m_inputs.find(in);
    if (it == m_inputs.end() || it->second.dead)
        return Midi::Status::InvalidHandle;
    it->second.started = true;
    it->second.start = Clock::now();
    return Midi::Status::Ok;
}

VirtualMidiSystem::Status VirtualMidiSystem::CheckSendLocked(Handle out, Device*& device)
{
    const auto it = m_outputs.find(out);
    if (it == m_outputs.end() || it->second.dead)
        return Midi::Status::InvalidHandle;
    device = FindLocked(it->second.device);
    if (!device || !device->plugged)
        return Midi::Status::InvalidHandle;
    if (device->failNext > 0) {
        --device->failNext;
        return Midi::Status::Error;
    }
    return Midi::Status::Ok;
}

bool VirtualMidiSystem::RecordLocked(Device& device, std::vector<std::uint8_t> bytes, bool isLong)
{
    Sent sent{device.id, std::move(bytes), isLong, Clock::now()};
    m_sent.push_back(sent);
    if (!device.peer)
        return false;
    QueueLocked(Clock::now(), {.kind = Kind::ToPeer, .device = device.id, .sent = std::move(sent)});
    return true;
}

VirtualMidiSystem::Status VirtualMidiSystem::SendShort(Handle out, std::uint32_t packed)
{
    std::unique_lock lock(m_mutex);
    Device* device = nullptr;
    if (const Status r = CheckSendLocked(out, device); r != Status::Ok)
        return r;
    std::vector<std::uint8_t> bytes = Midi::UnpackShort(packed);
    if (bytes.empty())
        return Midi::Status::Error; // F0 and F7 begin and end long messages
    if (RecordLocked(*device, std::move(bytes), false))
        WaitDeliveredLocked(lock);
    return Midi::Status::Ok;
}

VirtualMidiSystem::Status VirtualMidiSystem::SendLong(Handle out, const std::uint8_t* bytes, std::size_t count)
{
    if (!bytes || count == 0)
        return Midi::Status::Error;
    std::unique_lock lock(m_mutex);
    Device* device = nullptr;
    if (const Status r = CheckSendLocked(out, device); r != Status::Ok)
        return r;
    const bool answered = RecordLocked(*device, std::vector(bytes, bytes + count), true);
    switch (device->done) {
    case Done::AtOnce: {
        const std::shared_ptr<Sink> sink = m_outputs.at(out).sink;
        if (sink && sink->onLongDone) {
            ++m_longSending;
            m_calls.Unlocked(lock, sink.get(), [&] { sink->onLongDone(out); });
            --m_longSending;
        }
        break;
    }
    case Done::AfterDelay:
        ++m_longSending; // until the done event has been handled
        QueueLocked(NowLocked() + device->doneDelay, {.kind = Kind::LongDone, .device = device->id, .out = out});
        break;
    case Done::Never:
        break;
    }
    if (answered)
        WaitDeliveredLocked(lock);
    return Midi::Status::Ok;
}

void VirtualMidiSystem::Detach(const Sink& sink)
{
    std::unique_lock lock(m_mutex);
    for (auto* ports : {&m_inputs, &m_outputs})
        std::erase_if(*ports, [&](const auto& entry) { return entry.second.sink.get() == &sink; });
    m_calls.WaitIdle(lock, &sink);
}

void VirtualMidiSystem::Run()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        if (m_stop)
            return;
        if (m_queue.empty() || m_pausedAt) {
            m_idle.notify_all();
            m_wake.wait(lock);
            continue;
        }
        const auto due = m_queue.begin()->first.first;
        if (Clock::now() < due) {
            m_idle.notify_all(); // nothing is due: a sender waits no longer
            m_wake.wait_until(lock, due);
            continue;
        }
        Event event = std::move(m_queue.begin()->second);
        m_queue.erase(m_queue.begin());
        m_busy = true;
        DispatchLocked(lock, event);
        m_busy = false;
    }
}

void VirtualMidiSystem::DispatchLocked(std::unique_lock<std::mutex>& lock, Event& event)
{
    if (event.kind == Kind::ToPeer) {
        const Device* device = FindLocked(event.device);
        if (!device || !device->plugged || !device->peer)
            return;
        const Peer peer = device->peer;
        lock.unlock();
        peer(*this, event.device, event.sent);
        lock.lock();
        return;
    }
    if (event.kind == Kind::LongDone) {
        --m_longSending;
        const auto it = m_outputs.find(event.out);
        if (it == m_outputs.end() || it->second.dead || !it->second.sink || !it->second.sink->onLongDone)
            return;
        const std::shared_ptr<Sink> sink = it->second.sink;
        m_calls.Unlocked(lock, sink.get(), [&] { sink->onLongDone(event.out); });
        return;
    }
    std::vector<Handle> targets;
    for (const auto& [handle, port] : m_inputs)
        if (port.device == event.device && port.started && !port.dead)
            targets.push_back(handle);
    for (const Handle in : targets) {
        // Closed while an earlier target ran: it gets nothing more.
        const auto it = m_inputs.find(in);
        if (it == m_inputs.end() || it->second.dead || !it->second.sink)
            continue;
        const std::shared_ptr<Sink> sink = it->second.sink;
        const auto sinceStart = std::chrono::duration_cast<Ms>(Clock::now() - it->second.start);
        m_calls.Unlocked(lock, sink.get(), [&] {
            switch (event.kind) {
            case Kind::Short:
                if (sink->onShort)
                    sink->onShort(in, event.packed, event.stamp.value_or(sinceStart));
                break;
            case Kind::Long:
                if (sink->onLong)
                    sink->onLong(in, event.bytes.data(), event.bytes.size(), event.complete);
                break;
            case Kind::LongError:
                if (sink->onLongError)
                    sink->onLongError(in);
                break;
            default:
                break;
            }
        });
    }
}

} // namespace KX::Test
