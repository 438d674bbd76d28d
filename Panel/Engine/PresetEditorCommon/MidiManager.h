#pragma once
// The editor's one gateway to the keyboard over MIDI: keeps the keyboard's ports open by name, watches
// its presence on a polling thread, frames and sends SysEx, routes the device's replies, and offers the
// request/reply operations of the protocol (preset dumps, global settings, the firmware check).
//
// Requests run on the UI thread and wait on a gate; replies arrive on the communication object's
// worker thread. Each request opens a reply window under the manager's reply lock as its first message
// goes out, and a reply is acted on only inside the window of its own kind, with that lock held, so no
// request returns while its reply is being handled and no late or unsolicited dump reaches the device
// model. A reply that came in before the window opened answers an earlier request, however late the
// worker hands it over, and is dropped: replies carry nothing else that ties them to their request.
// One that came in before a try's time was up counts, however late the worker hands it over.
#include "KXFramework/Notification/NotificationDistributor.h"
#include "KXFramework/Notification/NotificationHandler.h"
#include "KXFramework/Utilities/Storage/Array.h"
#include "KXFramework/Utilities/Storage/StringArray.h"
#include "KXFramework/Utilities/Storage/StringT.h"
#include "KXFramework/Utilities/Threads/Event.h"
#include "KXFramework/Utilities/Threads/EventGatedThreader.h"
#include "KXFramework/Utilities/Threads/ThreadWorker.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>

namespace KX {

class LMidiCapturePort;
class LMidiCommInterface;
class LMidiDeviceStatusChecker;
class LMidiRenderPort;

inline constexpr const char16_t* NID_MIDIMANAGER_PARAMETER_RECIEVED = u"NID_MIDIMANAGER_PARAMETER_RECIEVED";

// The payload of NID_MIDIMANAGER_PARAMETER_RECIEVED: a global key and its value from the device.
class LMidiParameterNotification : public virtual LRefCountedObject {
public:
    static void Create(RCPtr<LMidiParameterNotification>& out);
    ~LMidiParameterNotification() override;

    String name;
    int32_t value = 0;

private:
    LMidiParameterNotification() = default;
};

class LMidiManager : public virtual LNotificationClient,
                     public virtual LNotificationDistributor,
                     public virtual LThreadWorker {
public:
    // Results of the protocol operations.
    static constexpr KXRESULT kPortMissingOrSendFailed = -1;
    static constexpr KXRESULT kFirmwareRefused = -2;
    static constexpr KXRESULT kNoReply = -3;

    // Makes a manager and initialises it; what Initialize meets is not reported.
    static void Create(RCPtr<LMidiManager>& out);

    // 0 and the model's values sent to slot n (0 RAM, 1-12), or the count of the last piece sent;
    // -1 no output port or a send failed, the firmware check's included; -2 firmware refused;
    // E_INVALIDARG a slot outside 0-12; E_NOTIMPL a list value; E_FAIL another non-blob value or values
    // that are not one 1338-byte dump.
    [[nodiscard]] virtual KXRESULT SendPresetToDevice(int presetNumber);
    // 0 when the slot's dump arrived and was applied to the device model; -1 (as for the send), -2,
    // -3; E_INVALIDARG for a slot outside 0-12.
    [[nodiscard]] virtual KXRESULT GetPresetFromMidiDevice(int presetNumber);
    // The count sent; -1 ports missing; -2 firmware refused (unless skipChecks); E_INVALIDARG and nothing
    // sent for an unknown key or a value outside the key's range.
    [[nodiscard]] virtual KXRESULT SendGlobalParameter(String name, int value, bool skipChecks);
    // 0 when the reply arrived (and was passed on as NID_MIDIMANAGER_PARAMETER_RECIEVED); E_FAIL ports
    // missing; -2 firmware refused (unless skipChecks); -1 the last send failed; -3 no reply;
    // E_INVALIDARG for an unknown key.
    [[nodiscard]] virtual KXRESULT RequestNonPresetParameterFromDevice(String name, bool skipChecks);
    // Checks the watched output device, then sends: -1 when it is absent, E_FAIL when the manager is
    // not set up.
    [[nodiscard]] virtual KXRESULT SendMidi(const Array<unsigned char>& message);
    virtual void Initialize();
    virtual bool IsDeviceFirmwareVersionUseable();
    // The firmware check before a transfer: S_OK, kFirmwareRefused, or kPortMissingOrSendFailed when
    // the check's last request could not be sent (a keyboard unplugged has no firmware to refuse).
    [[nodiscard]] KXRESULT CheckFirmware();
    virtual bool IsConnected();
    // 1 when both ports were open already; 0 when both are open now; E_FAIL otherwise.
    [[nodiscard]] virtual KXRESULT OpenPorts();
    [[nodiscard]] virtual KXRESULT ClosePorts();
    [[nodiscard]] virtual KXRESULT SendIdentityRequest(RCPtr<LMidiRenderPort> port);

    const StringArrayT<char16_t, char>& GetInputPortNames() const { return m_inputNames; }
    const StringArrayT<char16_t, char>& GetOutputPortNames() const { return m_outputNames; }

    // Frames message in place and sends it in pieces, preceded by the mode message unless told not
    // to: the last piece's count; -1 no port; E_FAIL a lone F0 or F7; E_INVALIDARG an empty message or
    // a status byte inside the body (nothing sent); a failed piece's result.
    [[nodiscard]] KXRESULT SendSysEx(Array<unsigned char>& message, RCPtr<LMidiRenderPort> port,
                                     bool withoutModeMessage);

    // 0 started, 1 already active; E_FAIL when the manager is not set up.
    [[nodiscard]] KXRESULT StartDeviceStatusPolling();
    [[nodiscard]] KXRESULT StartDevicePolling() { return StartDeviceStatusPolling(); }
    // 0 once no polling pass runs or can start, 1 when polling was not active; E_FAIL not set up.
    [[nodiscard]] KXRESULT StopDeviceStatusPolling();
    bool IsDeviceStatusPollingActive() const;

    KXRESULT ReceiveNotification(const RCPtr<LNotificationDistributor>& sender, const RCPtr<LNotification>& n) override;
    [[nodiscard]] KXRESULT UnregisterForNotification(const RCPtr<LNotificationDistributor>& sender,
                                                     const char16_t* name) override;
    KXRESULT BreakCycles() override;
    // One polling pass.
    [[nodiscard]] KXRESULT Run(const RCPtr<LRefCountedObject>& parameters) override;

    [[nodiscard]] KXRESULT OnMidiDataCaptured(const RCPtr<LNotificationDistributor>& sender,
                                              const RCPtr<LNotification>& n);
    [[nodiscard]] KXRESULT OnInputDeviceConnectionStatusChanged(const RCPtr<LNotificationDistributor>& sender,
                                                                const RCPtr<LNotification>& n);
    [[nodiscard]] KXRESULT OnOutputDeviceConnectionStatusChanged(const RCPtr<LNotificationDistributor>& sender,
                                                                 const RCPtr<LNotification>& n);

    // Empties message and writes F0 and the six header bytes.
    [[nodiscard]] static KXRESULT WriteDeviceSysExHeader(Array<unsigned char>& message);
    static bool IsDeviceSysExReply(const Array<unsigned char>& message);
    static bool IsFirmwareVersionNewer(const Array<unsigned char>& reply);
    static void GetGlobalParameterNames(StringArrayT<char16_t, char>& names);
    // -1 for a name not in the list.
    static int GetGlobalParameterIndex(const String& name);
    // Empty for an index outside the list.
    static String GetGlobalParameterName(int index);
    static bool IsValidGlobalParameterValue(const String& name, int value);

    ~LMidiManager() override;

protected:
    LMidiManager();

private:
    enum class Window { None, Identity, Preset, Parameter };
    using Handler = LNotificationHandler<LMidiManager>;

    // How long presence polling stays stopped during a request. Every piece of a SysEx send stops it
    // in any case, so that no presence check opens or lists devices while bytes are on their way.
    enum class PollingPause {
        // The firmware check: only the sends stop it; its 15-byte reply needs no more.
        PerPiece,
        // A preset request: no presence check runs while a 1350-byte dump may be coming in, but one
        // runs between tries, so that a keyboard unplugged meanwhile is noticed.
        EachTry,
        // A settings request: its tries follow one another with no presence check between them.
        WholeRequest,
    };
    // What differs between the requests; the reply that ends the wait sets `gate` green.
    struct RequestRules {
        Window window;
        TrafficLight& gate;
        PollingPause pause;
        // A preset request gives up at the first failed send (the port is gone); the others try
        // again, since a send that failed once may go through at the next try.
        bool stopAtFailedSend;
        const char* bindPlace;
        const char* unbindPlace;
    };
    enum class Outcome { Replied, NoReply, SendFailed };
    // Sends with `send` up to the tries of the MIDI timings, waiting after each send for the reply
    // within the request's window: the outcome of the last try, or Replied when a reply came in late.
    Outcome AwaitReply(const RequestRules& rules, const std::function<KXRESULT()>& send);
    // What a request operation returns for an outcome.
    [[nodiscard]] static KXRESULT ResultOf(Outcome outcome);

    // Binds or unbinds NID_MIDI_DATA_CAPTURED; a failure throws with the caller's place.
    void BindCapture(const char* place);
    void UnbindCapture(const char* place);
    // Opens a request's reply window to the messages captured from now on, or closes it once no
    // reply is being handled.
    void SetReplyWindow(Window window);
    // Releases a port when its device went away; opens it again by the notified name when it is back.
    template <class Port>
    void FollowDevice(const RCPtr<LNotification>& n, KXRESULT (LMidiCommInterface::*open)(const String&, RCPtr<Port>&),
                      RCPtr<Port>& port);
    // Stops presence polling for a send; true when it was active, for ResumePolling.
    bool PausePolling();
    // Starts polling again after a pause, when it was active before and is not now.
    void ResumePolling(bool wasActive);
    void ApplyPresetDumpReply(const Array<unsigned char>& reply);
    void PassOnParameterReply(int index, int value);

    RCPtr<Handler> m_handler;
    RCPtr<LMidiCommInterface> m_comm;
    TrafficLight m_presetGate;
    TrafficLight m_parameterGate;
    TrafficLight m_identityGate;
    RCPtr<LMidiRenderPort> m_outputPort;
    RCPtr<LMidiCapturePort> m_inputPort;
    RCPtr<LMidiDeviceStatusChecker> m_checker;
    RCPtr<LEventGatedThreader> m_threader;
    RCPtr<LEvent> m_threaderEvent;

    // The polling handshake between the UI thread and the polling thread.
    mutable std::mutex m_pollLock;
    std::condition_variable m_pollIdle;
    bool m_pollingActive = false;
    bool m_stopRequested = false;
    bool m_passInProgress = false;

    std::atomic<bool> m_receivingEnabled{false};
    bool m_ownerCounted = false;

    // Held while a reply is acted on and while a request opens or closes its window.
    Mutex m_replyLock;
    Window m_window = Window::None;
    // The communication object's capture count when the window opened.
    uint64_t m_capturedBeforeWindow = 0;
    int m_requestedSlot = -1;

    StringArrayT<char16_t, char> m_inputNames;
    StringArrayT<char16_t, char> m_outputNames;
};

} // namespace KX
