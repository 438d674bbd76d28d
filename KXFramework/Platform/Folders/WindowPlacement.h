#pragma once
// The stored placement of the main window: the 44-byte record of the original platform's window
// placement, kept in its layout (eleven 32-bit words, little-endian), so a stored value reads the
// same wherever it was written.
#include <cstdint>
#include <optional>
#include <vector>

namespace KX::Platform {

struct WindowPlacementRecord {
    static constexpr uint32_t kSize = 44;
    // Restoring a minimised window maximises it.
    static constexpr uint32_t kRestoreToMaximized = 0x0002;

    uint32_t length = kSize;
    uint32_t flags = 0;
    uint32_t showCmd = 1; // 1 normal, 2/6/7 minimised, 3 maximised
    int32_t minX = -1, minY = -1, maxX = -1, maxY = -1;
    // The window's rectangle when neither minimised nor maximised.
    int32_t left = 0, top = 0, right = 0, bottom = 0;

    bool operator==(const WindowPlacementRecord&) const = default;
};

// The record in bytes; none when the bytes are not a placement this program can apply: a size or
// length field other than 44, a show command other than 1, 2, 3, 6 or 7, or a normal rectangle whose
// width or height is outside 1 ... 32767.
std::optional<WindowPlacementRecord> ParseWindowPlacement(const std::vector<uint8_t>& bytes);
std::vector<uint8_t> SerializeWindowPlacement(const WindowPlacementRecord& record);

} // namespace KX::Platform
