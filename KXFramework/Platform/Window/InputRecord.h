#pragma once
// What the event pump hands the UI thread: one record per input or window event, in the framework's
// terms (buttons 1/2/4, wheel in 1/120 notch units, virtual keys and modifier flags of KeyMap.h).
#include <cstdint>

namespace KX::Platform {

enum class RecordKind {
    ButtonDown,
    ButtonUp,
    Motion,
    Wheel,
    Key,
    Text,
    Leave,
    FocusGained,
    FocusLost,
    Exposed,
    Resized,
    Moved,
    CloseRequested,
    DisplayChanged,
    ClipboardChanged,
    Tick,
    Wake,
    Quit
};

struct InputRecord {
    RecordKind kind = RecordKind::Wake;
    uint32_t window = 0; // 0 for records of no one window (ticks, wakes, display and clipboard changes, quit)
    int x = 0, y = 0;    // client coordinates (pointer records), or the new screen position (Moved)
    int button = 0;      // 1 left, 2 middle, 4 right
    int clicks = 0;      // 2 for a double click
    int wheelX = 0;      // positive to the right
    int wheelY = 0;      // positive away from the user
    uint32_t virtualKey = 0;
    bool down = false;
    bool repeat = false;
    uint32_t keyFlags = 0;     // key records: the modifiers with their sides
    char16_t unit = 0;         // Text: one UTF-16 unit
    int width = 0, height = 0; // Resized: the new client size
};

// Kept by the pump from the records it hands out, never read from the system: pushed events and quick
// clicks would otherwise be missed.
struct InputState {
    int x = 0, y = 0; // the last pointer position, client coordinates of its record's window
    uint32_t buttons = 0;
    uint32_t keyFlags = 0;
    uint32_t focusWindow = 0;
};

} // namespace KX::Platform
