#pragma once
// Watches a fixed set of MIDI port names and posts a notification when one of them goes away or comes
// back. Presence is tested by opening the port by name through the communication object.
#include "KXFramework/Midi/MidiComm.h"

namespace KX {

inline constexpr const char16_t* NID_MIDI_INPUT_DEVICE_CONNECTION_STATUS_CHANGED =
    u"NID_MIDI_INPUT_DEVICE_CONNECTION_STATUS_CHANGED";
inline constexpr const char16_t* NID_MIDI_OUTPUT_DEVICE_CONNECTION_STATUS_CHANGED =
    u"NID_MIDI_OUTPUT_DEVICE_CONNECTION_STATUS_CHANGED";

// The payload of both notifications.
class LMidiDeviceConnectionStatusChangedNotification : public LRefCountedObject {
public:
    LMidiDeviceConnectionStatusChangedNotification(const String& deviceName, uint32_t disconnected)
        : m_deviceName(deviceName),
          m_disconnected(disconnected)
    {
    }
    // The watched port name.
    const String& GetDeviceName() const { return m_deviceName; }
    // 1 when the device has gone away, 0 when it has come back.
    uint32_t GetDisconnected() const { return m_disconnected; }

private:
    const String m_deviceName;
    const uint32_t m_disconnected;
};

class LMidiDeviceStatusChecker : public LRefCountedObject {
public:
    struct DeviceInfo {
        String name;
        bool connected = false; // the state last announced, or found when the entry was added
    };

    static void Create(RCPtr<LMidiDeviceStatusChecker>& out, const RCPtr<LMidiCommInterface>& comm);

    // Append one entry per name with its present state; nothing is posted.
    void SetWatchedInputDevices(const Array<String>& names);
    void SetWatchedOutputDevices(const Array<String>& names);

    // One pass over the watched devices of one direction, posting each change to the default
    // notification centre; true when all of them are connected afterwards.
    bool CheckInputDevices();
    bool CheckOutputDevices();

    bool IsInputDevicePresent(const String& name);
    bool IsOutputDevicePresent(const String& name);

private:
    explicit LMidiDeviceStatusChecker(const RCPtr<LMidiCommInterface>& comm) : m_comm(comm) {}
    bool Check(Array<DeviceInfo>& devices, bool inputs, const char16_t* nid);

    const RCPtr<LMidiCommInterface> m_comm;
    // The checks run on the polling thread and, through sends, on the sender's thread.
    Mutex m_lock;
    Array<DeviceInfo> m_inputs;
    Array<DeviceInfo> m_outputs;
};

} // namespace KX
