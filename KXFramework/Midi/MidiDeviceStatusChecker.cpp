#include "KXFramework/Midi/MidiDeviceStatusChecker.h"

#include "KXFramework/Midi/MidiCapturePort.h"
#include "KXFramework/Midi/MidiRenderPort.h"
#include "KXFramework/Notification/NotificationCenter.h"

namespace KX {

void LMidiDeviceStatusChecker::Create(RCPtr<LMidiDeviceStatusChecker>& out, const RCPtr<LMidiCommInterface>& comm)
{
    out = new LMidiDeviceStatusChecker(comm);
}

bool LMidiDeviceStatusChecker::IsInputDevicePresent(const String& name)
{
    if (!m_comm)
        return false;
    RCPtr<LMidiCapturePort> port;
    return m_comm->OpenCapturePort(name, port) >= 0 && port;
}

bool LMidiDeviceStatusChecker::IsOutputDevicePresent(const String& name)
{
    if (!m_comm)
        return false;
    RCPtr<LMidiRenderPort> port;
    return m_comm->OpenRenderPort(name, port) >= 0 && port;
}

void LMidiDeviceStatusChecker::SetWatchedInputDevices(const Array<String>& names)
{
    MutexLock guard(m_lock);
    for (unsigned i = 0; i < names.GetCount(); ++i)
        m_inputs.Add(DeviceInfo{names.GetAt(i), IsInputDevicePresent(names.GetAt(i))});
}

void LMidiDeviceStatusChecker::SetWatchedOutputDevices(const Array<String>& names)
{
    MutexLock guard(m_lock);
    for (unsigned i = 0; i < names.GetCount(); ++i)
        m_outputs.Add(DeviceInfo{names.GetAt(i), IsOutputDevicePresent(names.GetAt(i))});
}

bool LMidiDeviceStatusChecker::CheckInputDevices()
{
    MutexLock guard(m_lock);
    return Check(m_inputs, true, NID_MIDI_INPUT_DEVICE_CONNECTION_STATUS_CHANGED);
}

bool LMidiDeviceStatusChecker::CheckOutputDevices()
{
    MutexLock guard(m_lock);
    return Check(m_outputs, false, NID_MIDI_OUTPUT_DEVICE_CONNECTION_STATUS_CHANGED);
}

bool LMidiDeviceStatusChecker::Check(Array<DeviceInfo>& devices, bool inputs, const char16_t* nid)
{
    bool allConnected = true;
    for (unsigned i = 0; i < devices.GetCount(); ++i) {
        DeviceInfo& device = devices.GetAt(i);
        const bool present = inputs ? IsInputDevicePresent(device.name) : IsOutputDevicePresent(device.name);
        if (present != device.connected) {
            // Best effort: a notification that cannot be made or posted is not retried; the state
            // is recorded anyway so that the next change is announced.
            RCPtr<LNotification> notification;
            static_cast<void>(
                LNotification::Create(notification, nid,
                                      RCPtr<LRefCountedObject>(new LMidiDeviceConnectionStatusChangedNotification(
                                          device.name, present ? 0u : 1u))));
            static_cast<void>(GetDefaultNotificationCenter()->PostNotification(notification));
            device.connected = present;
        }
        if (!device.connected)
            allConnected = false;
    }
    return allConnected;
}

} // namespace KX
