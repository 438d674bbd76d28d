#pragma once
// What capture and render ports share: the name they were opened by, the device that name chose, the
// backend handle, the owner, and leaving the owner's list together with their last client.
#include "KXFramework/Midi/MidiComm.h"

#include <string>
#include <vector>

namespace KX {

class LMidiPort : public LRefCountedObject {
public:
    // "Name (n)" stands for the n-th device named Name: base "Name" and index n - 1. Any other name is
    // a base alone, index 0. A suffix whose number cannot be read gives index -1, which matches nothing.
    static void SplitPortName(const String& name, String& base, int& index);
    // The position in devices of the device that name stands for, -1 when none. With an occurrence
    // suffix only devices whose name equals the base, ignoring case, are counted (so "X (2)" never
    // opens "XY"); without one the first device whose name contains it, ignoring case, is taken.
    static int ChooseDevice(const std::vector<std::string>& devices, const String& name);

    bool IsAlive() const;

    // Releases under the owner's port lock, where opens hand ports out, so that a port is never handed
    // out while it leaves the list and two last releases at once cannot both miss leaving it.
    int32_t Release() override;
    // Leaves the owner's list once the list's reference and the releasing one are all that remain.
    KXRESULT BreakCycles() override;

    const String& GetName() const { return m_name; }
    const String& GetDeviceName() const { return m_deviceName; }
    Platform::Midi::Handle GetHandle() const { return m_handle.load(); }

protected:
    LMidiPort(const String& name, const RCPtr<LMidiComm>& owner, bool input);

    // Opens the device the name stands for: Ok, NoDriver when no device matches, else the backend's
    // failure. Callers hold the owner's port lock and have closed the handle.
    Platform::Midi::Status OpenDevice();
    // Closes the handle, if there is one.
    void CloseDevice();
    LMidiComm& Owner() const { return *m_owner; }

private:
    // Takes the port out of its owner's list of its direction.
    [[nodiscard]] virtual KXRESULT RemoveFromOwner() = 0;

    const String m_name;
    const bool m_input;
    String m_deviceName;
    // Read without the port lock (sends, liveness) while a re-open may change it.
    std::atomic<Platform::Midi::Handle> m_handle{Platform::Midi::kNoHandle};
    const RCPtr<LMidiComm> m_owner;
};

} // namespace KX
