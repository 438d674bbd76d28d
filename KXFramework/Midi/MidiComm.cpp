#include "KXFramework/Midi/MidiComm.h"

#include "KXFramework/Application/DebugLog.h"
#include "KXFramework/Midi/MidiCapturePort.h"
#include "KXFramework/Midi/MidiRenderPort.h"
#include "KXFramework/Notification/Notification.h"

#include <algorithm>
#include <exception>
#include <string>
#include <vector>

namespace KX {

namespace Midi = Platform::Midi;

namespace {

String FromUtf8(const std::string& text)
{
    return String(text.c_str());
}

KXRESULT ReadDeviceNames(Midi::Status listResult, const std::vector<std::string>& devices, Array<String>& names)
{
    Array<String> read;
    for (const std::string& device : devices)
        read.Add(FromUtf8(device));
    names = LMidiComm::MakeUniquePortNames(read);
    return listResult == Midi::Status::Ok ? S_OK : E_FAIL;
}

} // namespace

void LMidiCommInterface::Create(RCPtr<LMidiCommInterface>& out)
{
    out = nullptr;
    try {
        out = new LMidiComm();
    } catch (const std::exception& e) {
        DebugLog("MIDI: the communication object cannot be made: %s", e.what());
    }
}

void LMidiCommInterface::GetMidiFilter(RCPtr<LIMidiFilterByIncludePrefixList>& filter, uintptr_t key)
{
    MutexLock guard(m_filterLock);
    filter = nullptr;
    for (unsigned i = 0; i < m_filters.GetCount(); ++i)
        if (m_filters.GetAt(i).key == key)
            filter = m_filters.GetAt(i).filter;
}

KXRESULT LMidiCommInterface::SetMidiFilter(uintptr_t key, const RCPtr<LIMidiFilterByIncludePrefixList>& filter)
{
    MutexLock guard(m_filterLock);
    for (unsigned i = 0; i < m_filters.GetCount(); ++i) {
        if (m_filters.GetAt(i).key != key)
            continue;
        if (filter)
            m_filters.GetAt(i).filter = filter;
        else
            m_filters.RemoveItems(i, 1);
        return S_OK;
    }
    if (filter)
        m_filters.Add(MidiFilterEntry{key, filter});
    return S_OK;
}

KXRESULT LMidiCommInterface::DispatchCapturedData(const RCPtr<LMidiCaptureNotificationData>& data)
{
    const NotificationID id = LookupNotificationName(NID_MIDI_DATA_CAPTURED);
    if (!id || GetClientCount(id) == 0)
        return S_FALSE;
    MutexLock guard(m_filterLock);
    RCPtr<LNotification> notification;
    int i = GetClientCount(id) - 1;
    while (i >= 0) {
        RCPtr<LNotificationClient> client;
        uintptr_t key = 0;
        if (!GetClientAt(id, i, client, key)) {
            // Clients left meanwhile: go on from the current last one.
            i = std::min(i, GetClientCount(id)) - 1;
            continue;
        }
        RCPtr<LIMidiFilterByIncludePrefixList> filter;
        GetMidiFilter(filter, key);
        if (filter && data && !filter->IsIncluded(data->GetBytes().GetData(), data->GetBytes().GetCount())) {
            --i;
            continue;
        }
        if (!notification)
            static_cast<void>( // a failed create leaves it null, and the client gets nothing
                LNotification::Create(notification, NID_MIDI_DATA_CAPTURED, RCPtr<LRefCountedObject>(data)));
        i = DeliverToClient(id, i, notification);
    }
    return S_OK;
}

namespace {

// The backend's calls go to the object that opened the handle; it outlives every call (the destructor
// detaches the sink first).
std::shared_ptr<Midi::Sink> MakeSink(LMidiComm* comm)
{
    auto sink = std::make_shared<Midi::Sink>();
    sink->onShort = [comm](Midi::Handle in, uint32_t packed, std::chrono::milliseconds sinceStart) {
        comm->OnMidiInMessage(in, packed, sinceStart);
    };
    sink->onLong = [comm](Midi::Handle in, const uint8_t* bytes, std::size_t count, bool complete) {
        comm->OnMidiInMessage(in, bytes, count, complete);
    };
    sink->onLongError = [comm](Midi::Handle in) { comm->OnMidiInLongError(in); };
    sink->onLongDone = [comm](Midi::Handle out) { comm->OnMidiOutMessage(out); };
    return sink;
}

} // namespace

LMidiComm::LMidiComm() : m_backend(Midi::GetBackend()), m_sink(MakeSink(this)), m_pool(LThreadPool::Create(1, 2)) {}

LMidiComm::~LMidiComm()
{
    // Ports hold their owner, so none is left; what may still run is a callback for a handle that was
    // closed a moment ago.
    m_backend->Detach(*m_sink);
}

KXRESULT LMidiComm::GetInputDeviceNames(Array<String>& names)
{
    std::vector<std::string> devices;
    const Midi::Status r = m_backend->ListInputs(devices);
    return ReadDeviceNames(r, devices, names);
}

KXRESULT LMidiComm::GetOutputDeviceNames(Array<String>& names)
{
    std::vector<std::string> devices;
    const Midi::Status r = m_backend->ListOutputs(devices);
    return ReadDeviceNames(r, devices, names);
}

Array<String> LMidiComm::MakeUniquePortNames(const Array<String>& names)
{
    Array<String> unique;
    std::vector<bool> taken(names.GetCount(), false);
    for (unsigned i = 0; i < names.GetCount(); ++i) {
        if (taken[i])
            continue;
        const String& name = names.GetAt(i);
        std::vector<unsigned> same{i};
        for (unsigned j = i + 1; j < names.GetCount(); ++j)
            if (!taken[j] && names.GetAt(j) == name) {
                taken[j] = true;
                same.push_back(j);
            }
        if (same.size() == 1) {
            unique.Add(name);
            continue;
        }
        for (std::size_t k = 1; k <= same.size(); ++k)
            unique.Add(name + String::Format(u" (%d)", static_cast<int>(k)));
    }
    return unique;
}

int LMidiComm::FindDeviceByName(const Array<String>& names, const String& requested, int& index)
{
    index = -1;
    const String wanted = requested.ToLower();
    int count = 0;
    for (unsigned i = 0; i < names.GetCount(); ++i) {
        const String name = names.GetAt(i).ToLower();
        if (name.Find(wanted) < 0)
            continue;
        if (name == wanted) {
            index = static_cast<int>(i);
            return 1;
        }
        if (count++ == 0)
            index = static_cast<int>(i);
    }
    return count;
}

namespace {

// The listed port whose name equals name, ignoring case; null when none.
template <class Port>
Port* FindByName(RCPtrArray<Port, 1, 0>& ports, const String& name)
{
    const String wanted = name.ToLower();
    for (unsigned i = 0; i < ports.GetCount(); ++i)
        if (ports.GetData()[i]->GetName().ToLower() == wanted)
            return ports.GetData()[i].Get();
    return nullptr;
}

template <class Port>
KXRESULT RemoveFrom(RCPtrArray<Port, 1, 0>& ports, Port* port)
{
    for (unsigned i = 0; i < ports.GetCount(); ++i)
        if (ports.GetData()[i].Get() == port) {
            ports.RemoveItems(i, 1);
            return S_OK;
        }
    return E_FAIL;
}

// Opens created and lists it, counting the list's hold as an owner reference; false when it does not open.
template <class Port>
bool OpenAndList(RCPtrArray<Port, 1, 0>& ports, const RCPtr<Port>& created)
{
    if (!created || created->Open() != Midi::Status::Ok)
        return false;
    ports.AddItem(created);
    created->AdjustOwnerCount(1);
    return true;
}

template <class Port>
void NamesOf(RCPtrArray<Port, 1, 0>& ports, Array<String>& names)
{
    names.Clear();
    for (unsigned i = 0; i < ports.GetCount(); ++i)
        names.Add(ports.GetData()[i]->GetName());
}

} // namespace

int LMidiComm::MatchDevice(bool inputs, const String& name, String& matched)
{
    Array<String> names;
    // The lists are filled whatever the result says; an empty list matches nothing.
    if (inputs)
        static_cast<void>(GetInputDeviceNames(names));
    else
        static_cast<void>(GetOutputDeviceNames(names));
    int index = -1;
    const int count = FindDeviceByName(names, name, index);
    if (index >= 0)
        matched = names.GetAt(static_cast<unsigned>(index));
    return count;
}

KXRESULT LMidiComm::OpenCapturePort(const String& name, RCPtr<LMidiCapturePort>& port)
{
    port = nullptr;
    MutexLock guard(m_portLock);
    String matched;
    const int count = MatchDevice(true, name, matched);
    if (count >= 2)
        return E_INVALIDARG;

    if (LMidiCapturePort* existing = count == 1 ? FindByName(m_capturePorts, name) : nullptr) {
        if (existing->IsAlive() || (existing->Open() == Midi::Status::Ok && existing->Start() == Midi::Status::Ok))
            port = existing;
        return port ? S_OK : E_FAIL;
    }

    const RCPtr<LMidiCapturePort> created = LMidiCapturePort::Create(name, RCPtr<LMidiComm>(this));
    if (!OpenAndList(m_capturePorts, created))
        return E_FAIL;
    if (created->Start() != Midi::Status::Ok) {
        // Giving up on the port either way.
        static_cast<void>(created->Close());
        created->AdjustOwnerCount(-1);
        static_cast<void>(RemoveCapturePort(created.Get()));
        return E_FAIL;
    }
    port = created;
    return S_OK;
}

KXRESULT LMidiComm::OpenRenderPort(const String& name, RCPtr<LMidiRenderPort>& port)
{
    port = nullptr;
    MutexLock guard(m_portLock);
    String matched;
    const int count = MatchDevice(false, name, matched);
    if (count >= 2)
        return E_INVALIDARG;

    // Render ports are kept and looked up under the matched device's full name, so that any part of it
    // that picks the device finds the port already open for it.
    if (LMidiRenderPort* existing = count == 1 ? FindByName(m_renderPorts, matched) : nullptr) {
        if (existing->IsAlive() || existing->Open() == Midi::Status::Ok)
            port = existing;
        return port ? S_OK : E_FAIL;
    }

    const RCPtr<LMidiRenderPort> created = LMidiRenderPort::Create(count == 1 ? matched : name, RCPtr<LMidiComm>(this));
    if (!OpenAndList(m_renderPorts, created))
        return E_FAIL;
    port = created;
    return S_OK;
}

KXRESULT LMidiComm::SendMidi(const RCPtr<LRefCountedObject>& port, const RCPtr<LIBuffer>& data)
{
    if (!data)
        return E_INVALIDARG;
    return LMidiRenderPort::Send(port, data->GetData(),
                                 static_cast<int>(std::min<uint32_t>(data->GetSize(), 0x7FFFFFFF)));
}

KXRESULT LMidiComm::SendMidi(const RCPtr<LRefCountedObject>& port, const Array<unsigned char>& bytes)
{
    return LMidiRenderPort::Send(port, bytes.GetData(), static_cast<int>(bytes.GetCount()));
}

KXRESULT LMidiComm::Run(const RCPtr<LRefCountedObject>& data)
{
    struct Delivered {
        LMidiComm& comm;
        ~Delivered() { comm.HandedOver(); }
    } delivered{*this};
    // The clients' answers do not concern the worker.
    DispatchCapturedData(RCPtr<LMidiCaptureNotificationData>(data));
    return S_OK;
}

void LMidiComm::HandedOver()
{
    {
        std::lock_guard lock(m_handOverLock);
        --m_queuedCaptures;
    }
    m_handedOver.notify_all();
}

bool LMidiComm::WaitForDelivery(uint32_t ms)
{
    std::unique_lock lock(m_handOverLock);
    return m_handedOver.wait_for(lock, std::chrono::milliseconds(ms), [this] { return m_queuedCaptures.load() == 0; });
}

void LMidiComm::QueueCapture(const RCPtr<LMidiCaptureNotificationData>& data)
{
    // Callers hold the port lock, which keeps the numbers in arrival order.
    data->SetArrival(++m_captureCount);
    if (m_queuedCaptures.load() >= kMaxQueuedCaptures) {
        if (m_droppedCaptures++ == 0)
            DebugLog("MIDI: input arrives faster than it is delivered; captures are dropped");
        return;
    }
    ++m_queuedCaptures;
    if (m_pool->QueueWork(RCPtr<LThreadWorker>(this), RCPtr<LRefCountedObject>(data), 0) != S_OK)
        HandedOver();
}

void LMidiComm::GetCapturePortNames(Array<String>& names)
{
    MutexLock guard(m_portLock);
    NamesOf(m_capturePorts, names);
}

void LMidiComm::GetRenderPortNames(Array<String>& names)
{
    MutexLock guard(m_portLock);
    NamesOf(m_renderPorts, names);
}

KXRESULT LMidiComm::RemoveCapturePort(LMidiCapturePort* port)
{
    MutexLock guard(m_portLock);
    return RemoveFrom(m_capturePorts, port);
}

KXRESULT LMidiComm::RemoveRenderPort(LMidiRenderPort* port)
{
    MutexLock guard(m_portLock);
    return RemoveFrom(m_renderPorts, port);
}

LMidiCapturePort* LMidiComm::FindCapturePort(Midi::Handle in)
{
    for (unsigned i = m_capturePorts.GetCount(); i-- > 0;)
        if (m_capturePorts.GetData()[i]->GetHandle() == in)
            return m_capturePorts.GetData()[i].Get();
    return nullptr;
}

LMidiRenderPort* LMidiComm::FindRenderPort(Midi::Handle out)
{
    for (unsigned i = m_renderPorts.GetCount(); i-- > 0;)
        if (m_renderPorts.GetData()[i]->GetHandle() == out)
            return m_renderPorts.GetData()[i].Get();
    return nullptr;
}

void LMidiComm::OnMidiInMessage(Midi::Handle in, uint32_t packed, std::chrono::milliseconds sinceStart)
{
    MutexLock guard(m_portLock);
    if (LMidiCapturePort* port = FindCapturePort(in))
        port->OnShortMessage(packed, static_cast<uint32_t>(sinceStart.count()));
}

void LMidiComm::OnMidiInMessage(Midi::Handle in, const uint8_t* bytes, std::size_t count, bool complete)
{
    MutexLock guard(m_portLock);
    if (LMidiCapturePort* port = FindCapturePort(in))
        port->AppendLongData(bytes, count, complete);
}

void LMidiComm::OnMidiInLongError(Midi::Handle in)
{
    MutexLock guard(m_portLock);
    if (LMidiCapturePort* port = FindCapturePort(in))
        port->OnLongError();
}

void LMidiComm::OnMidiOutMessage(Midi::Handle out)
{
    MutexLock guard(m_portLock);
    if (LMidiRenderPort* port = FindRenderPort(out))
        port->OnLongDone();
}

} // namespace KX
