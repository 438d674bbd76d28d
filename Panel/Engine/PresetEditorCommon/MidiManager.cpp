#include "Panel/Engine/PresetEditorCommon/MidiManager.h"

#include "KXFramework/Application/DebugLog.h"
#include "KXFramework/DeviceControl/GeneratedCode/Engine/Inc/RootModuleEngine.h"
#include "KXFramework/Midi/MidiCapturePort.h"
#include "KXFramework/Midi/MidiComm.h"
#include "KXFramework/Midi/MidiDeviceStatusChecker.h"
#include "KXFramework/Midi/MidiRenderPort.h"
#include "KXFramework/Midi/MidiTimings.h"
#include "KXFramework/Notification/NotificationCenter.h"
#include "Panel/Engine/PresetEditorCommon/DeviceProtocol.h"

#include <chrono>
#include <thread>

namespace KX {

namespace Protocol = DeviceProtocol;

namespace {

constexpr const char16_t* kInputPortName = u"MIDIIN4 (Kivo 61)";
constexpr const char16_t* kOutputPortName = u"MIDIOUT4 (Kivo 61)";

constexpr const char* kPlaceGetPresetBind =
    " : KX::LMidiManager::GetPresetFromMidiDevice : Engine\\PresetEditorCommon\\MidiManager : Line 303";
constexpr const char* kPlaceGetPresetUnbind =
    " : KX::LMidiManager::GetPresetFromMidiDevice : Engine\\PresetEditorCommon\\MidiManager : Line 350";
constexpr const char* kPlaceRequestBind =
    " : KX::LMidiManager::RequestNonPresetParameterFromDevice : Engine\\PresetEditorCommon\\MidiManager : Line 474";
constexpr const char* kPlaceRequestUnbind =
    " : KX::LMidiManager::RequestNonPresetParameterFromDevice : Engine\\PresetEditorCommon\\MidiManager : Line 515";
constexpr const char* kPlaceFirmwareBind =
    " : KX::LMidiManager::IsDeviceFirmwareVersionUseable : Engine\\PresetEditorCommon\\MidiManager : Line 552";
constexpr const char* kPlaceFirmwareUnbind =
    " : KX::LMidiManager::IsDeviceFirmwareVersionUseable : Engine\\PresetEditorCommon\\MidiManager : Line 583";

void Assign(Array<unsigned char>& out, Protocol::ByteView bytes)
{
    out.SetCount(static_cast<unsigned>(bytes.size()));
    if (!bytes.empty())
        out.CopyFrom(bytes.data(), 0, static_cast<unsigned>(bytes.size()));
}

std::u16string_view View(const String& text)
{
    return {text.GetString(), text.GetLength()};
}

// Where a dump names its slot.
constexpr size_t kPresetSlotByte = 10;

bool IsValidSlot(int presetNumber)
{
    return presetNumber >= 0 && presetNumber < Protocol::kPresetSlotCount;
}

void SleepMs(uint32_t ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

} // namespace

// ---- parameter notification -------------------------------------------------------------------------

void LMidiParameterNotification::Create(RCPtr<LMidiParameterNotification>& out)
{
    out = RCPtr<LMidiParameterNotification>(new LMidiParameterNotification());
}

LMidiParameterNotification::~LMidiParameterNotification() = default;

// ---- set-up ------------------------------------------------------------------------------------------

LMidiManager::LMidiManager()
{
    m_inputNames.Add(String(kInputPortName));
    m_outputNames.Add(String(kOutputPortName));
}

LMidiManager::~LMidiManager()
{
    m_threaderEvent = nullptr;
    m_threader = nullptr;
    m_checker = nullptr;
    m_inputPort = nullptr;
    m_outputPort = nullptr;
    m_comm = nullptr;
    m_handler = nullptr;
}

void LMidiManager::Create(RCPtr<LMidiManager>& out)
{
    out = RCPtr<LMidiManager>(new LMidiManager());
    out->Initialize();
}

void LMidiManager::Initialize()
{
    // Create calls this and the application calls it again at once; the second call finds it done.
    if (m_handler)
        return;
    m_handler = Handler::Create(this);
    if (!m_handler)
        return;
    LMidiCommInterface::Create(m_comm);
    if (!m_comm)
        return;
    LMidiDeviceStatusChecker::Create(m_checker, m_comm);
    if (!m_checker)
        return;
    m_checker->SetWatchedInputDevices(m_inputNames);
    m_checker->SetWatchedOutputDevices(m_outputNames);

    m_threaderEvent = LEvent::Create(true);
    m_threader = LEventGatedThreader::Create(m_threaderEvent, RCPtr<LThreadWorker>(this), nullptr, 0);
    if (m_threader) {
        // The threader's hold on the manager is an internal one: Release asks BreakCycles to drop it.
        AdjustOwnerCount(1);
        m_ownerCounted = true;
    }
    {
        std::lock_guard lock(m_pollLock);
        m_pollingActive = false;
        m_stopRequested = false;
    }
    m_receivingEnabled = true;

    const RCPtr<LNotificationDistributor> center(GetDefaultNotificationCenter());
    // Registering with the default centre fails only short of memory; the manager then works
    // without presence changes.
    static_cast<void>(m_handler->SetNotification(&LMidiManager::OnInputDeviceConnectionStatusChanged, center,
                                                 NID_MIDI_INPUT_DEVICE_CONNECTION_STATUS_CHANGED, 0));
    static_cast<void>(m_handler->SetNotification(&LMidiManager::OnOutputDeviceConnectionStatusChanged, center,
                                                 NID_MIDI_OUTPUT_DEVICE_CONNECTION_STATUS_CHANGED, 0));
    static_cast<void>(OpenPorts()); // a port that is missing now opens when its device comes back
}

KXRESULT LMidiManager::BreakCycles()
{
    UnregisterForAllNotifications();
    if (m_ownerCounted) {
        m_ownerCounted = false;
        AdjustOwnerCount(-1);
    }
    // Joins the polling thread; its reference to this manager goes with it.
    m_threader = nullptr;
    return S_OK;
}

// ---- ports -------------------------------------------------------------------------------------------

bool LMidiManager::IsConnected()
{
    return m_inputPort && m_outputPort;
}

KXRESULT LMidiManager::OpenPorts()
{
    if (IsConnected())
        return S_FALSE;
    if (m_comm) {
        for (unsigned i = 0; i < m_inputNames.GetCount(); ++i) {
            // The port stays null when it fails.
            static_cast<void>(m_comm->OpenCapturePort(m_inputNames.GetAt(i), m_inputPort));
            if (m_inputPort)
                break;
        }
        for (unsigned i = 0; i < m_outputNames.GetCount(); ++i) {
            // The port stays null when it fails.
            static_cast<void>(m_comm->OpenRenderPort(m_outputNames.GetAt(i), m_outputPort));
            if (m_outputPort)
                break;
        }
    }
    return IsConnected() ? S_OK : E_FAIL;
}

KXRESULT LMidiManager::ClosePorts()
{
    m_inputPort = nullptr;
    m_outputPort = nullptr;
    return S_OK;
}

KXRESULT LMidiManager::OnInputDeviceConnectionStatusChanged(const RCPtr<LNotificationDistributor>&,
                                                            const RCPtr<LNotification>& n)
{
    FollowDevice(n, &LMidiCommInterface::OpenCapturePort, m_inputPort);
    return S_FALSE;
}

KXRESULT LMidiManager::OnOutputDeviceConnectionStatusChanged(const RCPtr<LNotificationDistributor>&,
                                                             const RCPtr<LNotification>& n)
{
    FollowDevice(n, &LMidiCommInterface::OpenRenderPort, m_outputPort);
    return S_FALSE;
}

template <class Port>
void LMidiManager::FollowDevice(const RCPtr<LNotification>& n,
                                KXRESULT (LMidiCommInterface::*open)(const String&, RCPtr<Port>&), RCPtr<Port>& port)
{
    const RCPtr<LMidiDeviceConnectionStatusChangedNotification> status(n ? n->GetPayload() : nullptr);
    if (!status || !m_comm)
        return;
    if (status->GetDisconnected())
        port = nullptr;
    else if (!port)
        (m_comm.Get()->*open)(status->GetDeviceName(), port);
}

// ---- presence polling --------------------------------------------------------------------------------

KXRESULT LMidiManager::StartDeviceStatusPolling()
{
    if (!m_threader || !m_threaderEvent || !m_checker)
        return E_FAIL;
    {
        std::lock_guard lock(m_pollLock);
        if (m_pollingActive)
            return S_FALSE;
        m_pollingActive = true;
    }
    m_threader->SetWaitTime(GetMidiTimings().pollPeriodMs);
    m_threaderEvent->Set();
    return S_OK;
}

KXRESULT LMidiManager::StopDeviceStatusPolling()
{
    if (!m_threader || !m_threaderEvent || !m_checker)
        return E_FAIL;
    std::unique_lock lock(m_pollLock);
    if (!m_pollingActive)
        return S_FALSE;
    m_threader->SetWaitTime(Event::kInfinite);
    m_stopRequested = true;
    // A pass that starts from now on returns at once; wait for the one under way, if any.
    m_pollIdle.wait(lock, [this] { return !m_passInProgress; });
    m_pollingActive = false;
    m_stopRequested = false;
    return S_OK;
}

bool LMidiManager::IsDeviceStatusPollingActive() const
{
    std::lock_guard lock(m_pollLock);
    return m_pollingActive;
}

bool LMidiManager::PausePolling()
{
    const bool wasActive = IsDeviceStatusPollingActive();
    if (wasActive)
        static_cast<void>(StopDeviceStatusPolling()); // active polling has what stopping needs
    return wasActive;
}

void LMidiManager::ResumePolling(bool wasActive)
{
    if (wasActive && !IsDeviceStatusPollingActive())
        static_cast<void>(StartDeviceStatusPolling()); // a failed restart shows in IsDeviceStatusPollingActive
}

KXRESULT LMidiManager::Run(const RCPtr<LRefCountedObject>&)
{
    {
        std::lock_guard lock(m_pollLock);
        if (m_stopRequested || !m_pollingActive || !m_checker)
            return S_OK;
        m_passInProgress = true;
    }
    m_checker->CheckInputDevices();
    m_checker->CheckOutputDevices();
    {
        std::lock_guard lock(m_pollLock);
        m_passInProgress = false;
    }
    m_pollIdle.notify_all();
    return S_OK;
}

// ---- sending -----------------------------------------------------------------------------------------

KXRESULT LMidiManager::SendMidi(const Array<unsigned char>& message)
{
    if (!m_checker || !m_comm)
        return E_FAIL;
    if (!m_checker->CheckOutputDevices())
        return kPortMissingOrSendFailed;
    return m_comm->SendMidi(RCPtr<LRefCountedObject>(m_outputPort), message);
}

KXRESULT LMidiManager::SendSysEx(Array<unsigned char>& message, RCPtr<LMidiRenderPort> port, bool withoutModeMessage)
{
    // Refused before anything goes out, the mode message included: an empty message has nothing to
    // frame, and a status byte inside the body would cut the message short on the wire.
    if (message.GetCount() == 0 || !Protocol::HasSevenBitBody(message.Span()))
        return E_INVALIDARG;
    if (!withoutModeMessage) {
        Array<unsigned char> mode;
        Assign(mode, Protocol::ModeMessage());
        const KXRESULT r = SendSysEx(mode, port, true);
        if (r < 0)
            return r;
    }
    if (!port || !m_comm)
        return kPortMissingOrSendFailed;

    Protocol::Bytes framed(message.begin(), message.end());
    const KXRESULT framing = Protocol::Frame(framed);
    if (Failed(framing))
        return framing;
    Assign(message, framed);

    const uint32_t gap = GetMidiTimings().pieceGapMs;
    const RCPtr<LRefCountedObject> target(port);
    KXRESULT result = S_OK;
    for (std::size_t at = 0; at < framed.size(); at += Protocol::kPieceSize) {
        const std::size_t n = std::min(Protocol::kPieceSize, framed.size() - at);
        Array<unsigned char> piece;
        Assign(piece, Protocol::ByteView(framed).subspan(at, n));
        // No presence check may open or list devices while a piece is on its way.
        const bool wasActive = PausePolling();
        result = m_comm->SendMidi(target, piece);
        ResumePolling(wasActive);
        if (result < 0)
            return result;
        SleepMs(gap);
    }
    return result;
}

KXRESULT LMidiManager::WriteDeviceSysExHeader(Array<unsigned char>& message)
{
    const KXRESULT r = message.Clear();
    if (Failed(r))
        return r;
    message.SetCount(Protocol::kHeaderEnd);
    message.GetAt(0) = Protocol::kSysExStart;
    message.CopyFrom(Protocol::DeviceSysExHeader.data(), 1, Protocol::DeviceSysExHeader.size());
    return S_OK;
}

// ---- requests ----------------------------------------------------------------------------------------

void LMidiManager::BindCapture(const char* place)
{
    const KXRESULT r =
        m_handler ? m_handler->SetNotification(&LMidiManager::OnMidiDataCaptured,
                                               RCPtr<LNotificationDistributor>(m_comm), NID_MIDI_DATA_CAPTURED, 0)
                  : E_FAIL;
    ThrowIfFailed(r, place);
}

void LMidiManager::UnbindCapture(const char* place)
{
    const RCPtr<LNotificationDistributor> sender(m_comm);
    KXRESULT r = LNotificationClient::UnregisterForNotification(sender, NID_MIDI_DATA_CAPTURED);
    if (!m_handler || !m_handler->RemoveNotification(sender, NID_MIDI_DATA_CAPTURED))
        r = E_FAIL;
    ThrowIfFailed(r, place);
}

void LMidiManager::SetReplyWindow(Window window)
{
    MutexLock lock(m_replyLock);
    m_window = window;
    m_capturedBeforeWindow = m_comm ? m_comm->GetCaptureCount() : 0;
}

LMidiManager::Outcome LMidiManager::AwaitReply(const RequestRules& rules, const std::function<KXRESULT()>& send)
{
    BindCapture(rules.bindPlace);
    rules.gate.SetRed();
    const bool pausedForAll = rules.pause == PollingPause::WholeRequest && PausePolling();
    SetReplyWindow(rules.window);

    const MidiTimings timings = GetMidiTimings();
    const auto replied = [&] {
        if (rules.gate.IsGreen() || rules.gate.Wait(timings.tryWaitMs) == Event::kSignaled)
            return true;
        // A reply that came in within the try counts however late the worker hands it over.
        if (m_comm)
            m_comm->WaitForDelivery(timings.handOverWaitMs);
        return rules.gate.IsGreen();
    };
    Outcome outcome = Outcome::NoReply;
    for (uint32_t attempt = 0; attempt < timings.tries; ++attempt) {
        const bool pausedForTry = rules.pause == PollingPause::EachTry && PausePolling();
        if (send() < 0)
            outcome = Outcome::SendFailed;
        else if (replied())
            outcome = Outcome::Replied;
        else
            outcome = Outcome::NoReply;
        ResumePolling(pausedForTry);
        if (outcome == Outcome::Replied || (outcome == Outcome::SendFailed && rules.stopAtFailedSend))
            break;
    }

    ResumePolling(pausedForAll);
    SetReplyWindow(Window::None);
    // A reply that was applied after the last try gave up still counts.
    if (rules.gate.IsGreen())
        outcome = Outcome::Replied;
    UnbindCapture(rules.unbindPlace);
    return outcome;
}

KXRESULT LMidiManager::ResultOf(Outcome outcome)
{
    switch (outcome) {
    case Outcome::Replied:
        return S_OK;
    case Outcome::SendFailed:
        return kPortMissingOrSendFailed;
    default:
        return kNoReply;
    }
}

bool LMidiManager::IsDeviceFirmwareVersionUseable()
{
    return CheckFirmware() == S_OK;
}

KXRESULT LMidiManager::CheckFirmware()
{
    if (!IsConnected())
        return kFirmwareRefused;
    const RequestRules rules{Window::Identity,   m_identityGate,      PollingPause::PerPiece, false,
                             kPlaceFirmwareBind, kPlaceFirmwareUnbind};
    switch (AwaitReply(rules, [this] { return SendIdentityRequest(m_outputPort); })) {
    case Outcome::Replied:
        return S_OK;
    case Outcome::SendFailed:
        return kPortMissingOrSendFailed;
    default:
        return kFirmwareRefused;
    }
}

KXRESULT LMidiManager::SendIdentityRequest(RCPtr<LMidiRenderPort> port)
{
    if (!port)
        return E_FAIL;
    Array<unsigned char> request;
    Assign(request, Protocol::IdentityRequestMessage());
    return SendSysEx(request, port, false);
}

KXRESULT LMidiManager::GetPresetFromMidiDevice(int presetNumber)
{
    // A slot byte of 128 or more would put a status byte into the request.
    if (!IsValidSlot(presetNumber))
        return E_INVALIDARG;
    if (!IsConnected())
        return kPortMissingOrSendFailed;
    if (const KXRESULT firmware = CheckFirmware(); firmware != S_OK)
        return firmware;

    {
        MutexLock lock(m_replyLock);
        m_requestedSlot = presetNumber;
    }
    Array<unsigned char> request;
    Assign(request, Protocol::PresetDumpRequestMessage(static_cast<uint8_t>(presetNumber)));
    const RequestRules rules{Window::Preset, m_presetGate,        PollingPause::EachTry,
                             true,           kPlaceGetPresetBind, kPlaceGetPresetUnbind};
    return ResultOf(AwaitReply(rules, [&] {
        Array<unsigned char> message = request;
        return SendSysEx(message, m_outputPort, false);
    }));
}

KXRESULT LMidiManager::SendPresetToDevice(int presetNumber)
{
    if (!IsValidSlot(presetNumber))
        return E_INVALIDARG;
    if (!m_outputPort)
        return kPortMissingOrSendFailed;
    if (const KXRESULT firmware = CheckFirmware(); firmware != S_OK)
        return firmware;

    const RCPtr<LRootModuleEngine> engine = LRootModuleEngine::GetRootModuleEngine();
    if (!engine)
        return E_FAIL;
    Array<ParamValue> values;
    if (Failed(engine->GetParamValues(engine->GetFirstParamID(), Protocol::kPresetParamCount, values)))
        return E_FAIL;

    Protocol::Bytes body = Protocol::PresetDumpHead(static_cast<uint8_t>(presetNumber));
    for (unsigned i = 0; i < values.GetCount(); ++i) {
        const Variant& value = values.GetAt(i).value;
        if (value.GetType() != Variant::Blob)
            return value.GetType() == Variant::List ? E_NOTIMPL : E_FAIL;
        unsigned size = 0;
        const unsigned char* data = value.GetData(&size);
        body.insert(body.end(), data, data + size);
    }
    // A preset that is not exactly one dump would go out cut short or shifted; one with a status
    // byte would end the message early.
    if (values.GetCount() != static_cast<unsigned>(Protocol::kPresetParamCount) ||
        body.size() != Protocol::kPresetDumpSize - 2 || !Protocol::HasSevenBitBody(body))
        return E_FAIL;

    Array<unsigned char> message;
    Assign(message, body);
    const KXRESULT r = SendSysEx(message, m_outputPort, false);
    return r < 0 ? kPortMissingOrSendFailed : r;
}

KXRESULT LMidiManager::RequestNonPresetParameterFromDevice(String name, bool skipChecks)
{
    KXRESULT result = IsConnected() ? S_OK : E_FAIL;
    if (!skipChecks) {
        if (Failed(result))
            return result;
        if (!IsDeviceFirmwareVersionUseable())
            result = kFirmwareRefused;
    }
    if (result < 0)
        return result;
    const int index = GetGlobalParameterIndex(name);
    if (index < 0)
        return E_INVALIDARG;

    Array<unsigned char> request;
    Assign(request, Protocol::GlobalParamRequestMessage(static_cast<uint8_t>(index)));
    const RequestRules rules{Window::Parameter, m_parameterGate,    PollingPause::WholeRequest, false,
                             kPlaceRequestBind, kPlaceRequestUnbind};
    return ResultOf(AwaitReply(rules, [&] {
        Array<unsigned char> message = request;
        return SendSysEx(message, m_outputPort, false);
    }));
}

KXRESULT LMidiManager::SendGlobalParameter(String name, int value, bool skipChecks)
{
    KXRESULT result = IsConnected() ? S_OK : kPortMissingOrSendFailed;
    if (!skipChecks) {
        if (result < 0)
            return result;
        if (!IsDeviceFirmwareVersionUseable())
            result = kFirmwareRefused;
    }
    if (result < 0)
        return result;
    // A refused setting is reported, and nothing goes out, not even the mode message.
    if (!IsValidGlobalParameterValue(name, value))
        return E_INVALIDARG;
    Array<unsigned char> message;
    Assign(message, Protocol::GlobalParamSetMessage(static_cast<uint8_t>(GetGlobalParameterIndex(name)), value));
    return SendSysEx(message, m_outputPort, false);
}

// ---- replies -----------------------------------------------------------------------------------------

KXRESULT LMidiManager::ReceiveNotification(const RCPtr<LNotificationDistributor>& sender, const RCPtr<LNotification>& n)
{
    const RCPtr<Handler> handler = m_handler;
    if (!handler || !m_receivingEnabled)
        return S_OK;
    return handler->HandleNotification(sender, n);
}

KXRESULT LMidiManager::UnregisterForNotification(const RCPtr<LNotificationDistributor>& sender, const char16_t* name)
{
    if (m_handler)
        m_handler->RemoveNotification(sender, name);
    return LNotificationClient::UnregisterForNotification(sender, name);
}

KXRESULT LMidiManager::OnMidiDataCaptured(const RCPtr<LNotificationDistributor>& sender, const RCPtr<LNotification>& n)
{
    const RCPtr<LMidiCaptureNotificationData> data(n ? n->GetPayload() : nullptr);
    if (!data || !m_comm || sender.Get() != static_cast<LNotificationDistributor*>(m_comm.Get()))
        return S_FALSE;
    const Array<unsigned char> bytes = data->GetBytes();
    const Protocol::ByteView view = bytes.Span();

    // Acting under the reply lock keeps the request from closing its window, and returning, meanwhile.
    MutexLock lock(m_replyLock);
    if (data->GetArrival() <= m_capturedBeforeWindow)
        return S_FALSE; // came in before this request went out: the late answer to an earlier one
    int index = 0;
    int value = 0;
    if (Protocol::IsPresetDumpReply(view)) {
        if (m_window == Window::Preset && !m_presetGate.IsGreen()) {
            // The keyboard may name another slot in its answer (the edit buffer for one): the dump is
            // the answer all the same, and refusing it would make every such fetch fail.
            if (view[kPresetSlotByte] != m_requestedSlot)
                DebugLog("MIDI manager: the preset dump asked for from slot %d names slot %d; taken as its reply",
                         m_requestedSlot, int(view[kPresetSlotByte]));
            ApplyPresetDumpReply(bytes);
        }
    } else if (Protocol::ParseGlobalParamReply(view, index, value)) {
        if (m_window == Window::Parameter)
            PassOnParameterReply(index, value);
    } else if (Protocol::IsIdentityReply(view)) {
        if (m_window == Window::Identity && Protocol::IsFirmwareVersionNewer(view))
            m_identityGate.SetGreen();
    }
    return S_FALSE;
}

void LMidiManager::ApplyPresetDumpReply(const Array<unsigned char>& reply)
{
    const RCPtr<LRootModuleEngine> engine = LRootModuleEngine::GetRootModuleEngine();
    const int32_t firstId = engine ? engine->GetFirstParamID() : 0;
    Array<ParamValue> values;
    if (!engine || Failed(engine->GetParamValues(firstId, Protocol::kPresetParamCount, values))) {
        DebugLog("MIDI manager: a preset dump arrived without a device model to take it; not applied");
        return;
    }
    // The reply is sliced by the sizes of the model's values; unless they make up exactly one dump,
    // slicing would read past the message or shift every later value.
    std::size_t total = 0;
    bool blobs = values.GetCount() == static_cast<unsigned>(Protocol::kPresetParamCount);
    for (unsigned i = 0; blobs && i < values.GetCount(); ++i) {
        blobs = values.GetAt(i).value.GetType() == Variant::Blob;
        total += values.GetAt(i).value.GetSize();
    }
    if (!blobs || total != Protocol::kPresetValueBytes) {
        DebugLog("MIDI manager: a preset dump does not fit the device model; not applied");
        return;
    }
    if (!Protocol::HasSevenBitBody(reply.Span())) {
        DebugLog("MIDI manager: a preset dump holds a byte of 0x80 or more in its body; not applied");
        return;
    }
    std::size_t at = Protocol::kPresetValueOffset;
    for (unsigned i = 0; i < values.GetCount(); ++i) {
        const unsigned size = values.GetAt(i).value.GetSize();
        Variant blob;
        blob.SetBlob(reply.GetData() + at, size);
        at += size;
        // Before the engine connects it refuses writes; the values then stay as they were.
        static_cast<void>(engine->SendParamValueToDevice(firstId + static_cast<int>(i), blob));
    }
    m_presetGate.SetGreen();
}

void LMidiManager::PassOnParameterReply(int index, int value)
{
    RCPtr<LMidiParameterNotification> payload;
    LMidiParameterNotification::Create(payload);
    payload->name = GetGlobalParameterName(index);
    payload->value = value;
    RCPtr<LNotification> notification;
    // Best effort: the waiting request is released whether or not a listener took the value.
    static_cast<void>(
        LNotification::Create(notification, NID_MIDIMANAGER_PARAMETER_RECIEVED, RCPtr<LRefCountedObject>(payload)));
    SendNotification(notification);
    m_parameterGate.SetGreen();
}

// ---- protocol helpers --------------------------------------------------------------------------------

bool LMidiManager::IsDeviceSysExReply(const Array<unsigned char>& message)
{
    return Protocol::IsDeviceSysExReply(message.Span());
}

bool LMidiManager::IsFirmwareVersionNewer(const Array<unsigned char>& reply)
{
    return Protocol::IsFirmwareVersionNewer(reply.Span());
}

void LMidiManager::GetGlobalParameterNames(StringArrayT<char16_t, char>& names)
{
    names.Clear();
    for (std::u16string_view name : Protocol::GlobalParameterNames())
        names.Add(String(name.data()));
}

int LMidiManager::GetGlobalParameterIndex(const String& name)
{
    return Protocol::GlobalParameterIndex(View(name));
}

String LMidiManager::GetGlobalParameterName(int index)
{
    const auto& names = Protocol::GlobalParameterNames();
    return index >= 0 && static_cast<std::size_t>(index) < names.size() ? String(names[index].data()) : String();
}

bool LMidiManager::IsValidGlobalParameterValue(const String& name, int value)
{
    return Protocol::IsValidGlobalParameterValue(View(name), value);
}

} // namespace KX
