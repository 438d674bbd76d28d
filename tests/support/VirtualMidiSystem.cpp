#include "VirtualMidiSystem.h"

#include <algorithm>

namespace KX::Test {

namespace Midi = Platform::Midi;

VirtualMidiSystem::VirtualMidiSystem() : thread_([this] { Run(); }) {}

VirtualMidiSystem::~VirtualMidiSystem()
{
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

VirtualMidiSystem::Device* VirtualMidiSystem::FindLocked(DeviceId id)
{
    const auto it = std::find_if(devices_.begin(), devices_.end(), [&](const Device& d) { return d.id == id; });
    return it == devices_.end() ? nullptr : &*it;
}

VirtualMidiSystem::DeviceId VirtualMidiSystem::AddDevice(std::string inName, std::string outName, Peer peer,
                                                         std::size_t position)
{
    std::lock_guard lock(mutex_);
    Device device;
    device.id = nextDevice_++;
    device.inName = std::move(inName);
    device.outName = std::move(outName);
    device.peer = std::move(peer);
    devices_.insert(devices_.begin() + std::min(position, devices_.size()), std::move(device));
    return nextDevice_ - 1;
}

void VirtualMidiSystem::SetPeer(DeviceId id, Peer peer)
{
    std::lock_guard lock(mutex_);
    if (Device* device = FindLocked(id))
        device->peer = std::move(peer);
}

void VirtualMidiSystem::Unplug(DeviceId id)
{
    std::lock_guard lock(mutex_);
    if (Device* device = FindLocked(id))
        device->plugged = false;
    for (auto* ports : {&inputs_, &outputs_})
        for (auto& [handle, port] : *ports)
            if (port.device == id)
                port.dead = true;
}

void VirtualMidiSystem::Replug(DeviceId id)
{
    std::lock_guard lock(mutex_);
    if (Device* device = FindLocked(id))
        device->plugged = true;
}

void VirtualMidiSystem::QueueLocked(Clock::time_point due, Event event)
{
    queue_.emplace(std::make_pair(due, nextEvent_++), std::move(event));
    wake_.notify_all();
}

void VirtualMidiSystem::InjectShort(DeviceId device, std::uint32_t packed, std::optional<Ms> stamp, Ms delay)
{
    std::lock_guard lock(mutex_);
    QueueLocked(Clock::now() + delay, {.kind = Kind::Short, .device = device, .packed = packed, .stamp = stamp});
}

void VirtualMidiSystem::InjectSysEx(DeviceId device, std::vector<std::uint8_t> bytes, std::size_t chunk,
                                    CompleteRule rule, Ms delay, Ms gap)
{
    std::lock_guard lock(mutex_);
    auto due = Clock::now() + delay;
    Midi::ForEachChunk(bytes.data(), bytes.size(), chunk, rule,
                       [&](const std::uint8_t* data, std::size_t n, bool complete) {
                           QueueLocked(due, {.kind = Kind::Long,
                                             .device = device,
                                             .bytes = std::vector(data, data + n),
                                             .complete = complete});
                           due += gap;
                       });
}

void VirtualMidiSystem::InjectLongError(DeviceId device, Ms delay)
{
    std::lock_guard lock(mutex_);
    QueueLocked(Clock::now() + delay, {.kind = Kind::LongError, .device = device});
}

void VirtualMidiSystem::SetDone(DeviceId id, Done done, Ms delay)
{
    std::lock_guard lock(mutex_);
    if (Device* device = FindLocked(id)) {
        device->done = done;
        device->doneDelay = delay;
    }
}

void VirtualMidiSystem::FailNextSends(DeviceId id, int count)
{
    std::lock_guard lock(mutex_);
    if (Device* device = FindLocked(id))
        device->failNext = count;
}

std::vector<VirtualMidiSystem::Sent> VirtualMidiSystem::SentMessages() const
{
    std::lock_guard lock(mutex_);
    return sent_;
}

void VirtualMidiSystem::ClearSent()
{
    std::lock_guard lock(mutex_);
    sent_.clear();
}

int VirtualMidiSystem::Enumerations() const
{
    std::lock_guard lock(mutex_);
    return enumerations_;
}

int VirtualMidiSystem::ListsDuringLongSend() const
{
    std::lock_guard lock(mutex_);
    return listsDuringLongSend_;
}

bool VirtualMidiSystem::WaitIdle(Ms timeout)
{
    std::unique_lock lock(mutex_);
    return idle_.wait_for(lock, timeout, [&] { return queue_.empty() && !busy_; });
}

VirtualMidiSystem::Status VirtualMidiSystem::ListLocked(std::vector<std::string>& names, bool inputs)
{
    ++enumerations_;
    if (longSending_ > 0)
        ++listsDuringLongSend_;
    names.clear();
    for (const Device& d : devices_) {
        const std::string& name = inputs ? d.inName : d.outName;
        if (d.plugged && !name.empty())
            names.push_back(name);
    }
    return Midi::Status::Ok;
}

VirtualMidiSystem::Status VirtualMidiSystem::ListInputs(std::vector<std::string>& names)
{
    std::lock_guard lock(mutex_);
    return ListLocked(names, true);
}

VirtualMidiSystem::Status VirtualMidiSystem::ListOutputs(std::vector<std::string>& names)
{
    std::lock_guard lock(mutex_);
    return ListLocked(names, false);
}

VirtualMidiSystem::Device* VirtualMidiSystem::NthLocked(unsigned n, bool inputs)
{
    for (Device& d : devices_)
        if (d.plugged && !(inputs ? d.inName : d.outName).empty() && n-- == 0)
            return &d;
    return nullptr;
}

VirtualMidiSystem::Status VirtualMidiSystem::Open(unsigned device, std::shared_ptr<Sink> sink, Handle& handle, bool input)
{
    std::lock_guard lock(mutex_);
    handle = Midi::kNoHandle;
    const Device* d = NthLocked(device, input);
    if (!d)
        return Midi::Status::BadDevice;
    handle = Midi::NewHandle();
    (input ? inputs_ : outputs_).emplace(handle, Port{.device = d->id, .sink = std::move(sink)});
    return Midi::Status::Ok;
}

VirtualMidiSystem::Status VirtualMidiSystem::Close(Handle handle, bool input)
{
    std::lock_guard lock(mutex_);
    return (input ? inputs_ : outputs_).erase(handle) ? Midi::Status::Ok : Midi::Status::InvalidHandle;
}

bool VirtualMidiSystem::IsAlive(Handle handle, bool input)
{
    std::lock_guard lock(mutex_);
    const auto& ports = input ? inputs_ : outputs_;
    const auto it = ports.find(handle);
    return it != ports.end() && !it->second.dead;
}

VirtualMidiSystem::Status VirtualMidiSystem::StartInput(Handle in)
{
    std::lock_guard lock(mutex_);
    const auto it = inputs_.find(in);
    if (it == inputs_.end() || it->second.dead)
        return Midi::Status::InvalidHandle;
    it->second.started = true;
    it->second.start = Clock::now();
    return Midi::Status::Ok;
}

VirtualMidiSystem::Status VirtualMidiSystem::CheckSendLocked(Handle out, Device*& device)
{
    const auto it = outputs_.find(out);
    if (it == outputs_.end() || it->second.dead)
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

void VirtualMidiSystem::RecordLocked(Device& device, std::vector<std::uint8_t> bytes, bool isLong)
{
    Sent sent{device.id, std::move(bytes), isLong, Clock::now()};
    sent_.push_back(sent);
    if (device.peer)
        QueueLocked(Clock::now(), {.kind = Kind::ToPeer, .device = device.id, .sent = std::move(sent)});
}

VirtualMidiSystem::Status VirtualMidiSystem::SendShort(Handle out, std::uint32_t packed)
{
    std::lock_guard lock(mutex_);
    Device* device = nullptr;
    if (const Status r = CheckSendLocked(out, device); r != Status::Ok)
        return r;
    std::vector<std::uint8_t> bytes = Midi::UnpackShort(packed);
    if (bytes.empty())
        return Midi::Status::Error; // F0 and F7 begin and end long messages
    RecordLocked(*device, std::move(bytes), false);
    return Midi::Status::Ok;
}

VirtualMidiSystem::Status VirtualMidiSystem::SendLong(Handle out, const std::uint8_t* bytes, std::size_t count)
{
    if (!bytes || count == 0)
        return Midi::Status::Error;
    std::unique_lock lock(mutex_);
    Device* device = nullptr;
    if (const Status r = CheckSendLocked(out, device); r != Status::Ok)
        return r;
    RecordLocked(*device, std::vector(bytes, bytes + count), true);
    switch (device->done) {
    case Done::AtOnce: {
        const std::shared_ptr<Sink> sink = outputs_.at(out).sink;
        if (sink && sink->onLongDone) {
            ++longSending_;
            calls_.Unlocked(lock, sink.get(), [&] { sink->onLongDone(out); });
            --longSending_;
        }
        break;
    }
    case Done::AfterDelay:
        ++longSending_; // until the done event has been handled
        QueueLocked(Clock::now() + device->doneDelay, {.kind = Kind::LongDone, .device = device->id, .out = out});
        break;
    case Done::Never:
        break;
    }
    return Midi::Status::Ok;
}

void VirtualMidiSystem::Detach(const Sink& sink)
{
    std::unique_lock lock(mutex_);
    for (auto* ports : {&inputs_, &outputs_})
        std::erase_if(*ports, [&](const auto& entry) { return entry.second.sink.get() == &sink; });
    calls_.WaitIdle(lock, &sink);
}

void VirtualMidiSystem::Run()
{
    std::unique_lock lock(mutex_);
    for (;;) {
        if (stop_)
            return;
        if (queue_.empty()) {
            idle_.notify_all();
            wake_.wait(lock);
            continue;
        }
        const auto due = queue_.begin()->first.first;
        if (Clock::now() < due) {
            wake_.wait_until(lock, due);
            continue;
        }
        Event event = std::move(queue_.begin()->second);
        queue_.erase(queue_.begin());
        busy_ = true;
        DispatchLocked(lock, event);
        busy_ = false;
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
        --longSending_;
        const auto it = outputs_.find(event.out);
        if (it == outputs_.end() || it->second.dead || !it->second.sink || !it->second.sink->onLongDone)
            return;
        const std::shared_ptr<Sink> sink = it->second.sink;
        calls_.Unlocked(lock, sink.get(), [&] { sink->onLongDone(event.out); });
        return;
    }
    std::vector<Handle> targets;
    for (const auto& [handle, port] : inputs_)
        if (port.device == event.device && port.started && !port.dead)
            targets.push_back(handle);
    for (const Handle in : targets) {
        // Closed while an earlier target ran: it gets nothing more.
        const auto it = inputs_.find(in);
        if (it == inputs_.end() || it->second.dead || !it->second.sink)
            continue;
        const std::shared_ptr<Sink> sink = it->second.sink;
        const auto sinceStart = std::chrono::duration_cast<Ms>(Clock::now() - it->second.start);
        calls_.Unlocked(lock, sink.get(), [&] {
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
