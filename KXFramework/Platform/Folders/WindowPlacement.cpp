#include "KXFramework/Platform/Folders/WindowPlacement.h"

namespace KX::Platform {

namespace {

uint32_t WordAt(const std::vector<uint8_t>& bytes, size_t index)
{
    const size_t at = index * 4;
    return uint32_t(bytes[at]) | uint32_t(bytes[at + 1]) << 8 | uint32_t(bytes[at + 2]) << 16 |
           uint32_t(bytes[at + 3]) << 24;
}

// Width and height as 64-bit values, so extreme edges cannot overflow.
bool SideFits(int32_t from, int32_t to)
{
    const int64_t side = int64_t(to) - int64_t(from);
    return side >= 1 && side <= 32767;
}

} // namespace

std::optional<WindowPlacementRecord> ParseWindowPlacement(const std::vector<uint8_t>& bytes)
{
    if (bytes.size() != WindowPlacementRecord::kSize)
        return std::nullopt;
    uint32_t words[11];
    for (size_t i = 0; i < 11; ++i)
        words[i] = WordAt(bytes, i);
    const auto signedWord = [&words](size_t i) { return static_cast<int32_t>(words[i]); };
    WindowPlacementRecord record;
    record.length = words[0];
    record.flags = words[1];
    record.showCmd = words[2];
    record.minX = signedWord(3);
    record.minY = signedWord(4);
    record.maxX = signedWord(5);
    record.maxY = signedWord(6);
    record.left = signedWord(7);
    record.top = signedWord(8);
    record.right = signedWord(9);
    record.bottom = signedWord(10);
    const uint32_t show = record.showCmd;
    if (record.length != WindowPlacementRecord::kSize ||
        !(show == 1 || show == 2 || show == 3 || show == 6 || show == 7) || !SideFits(record.left, record.right) ||
        !SideFits(record.top, record.bottom))
        return std::nullopt;
    return record;
}

std::vector<uint8_t> SerializeWindowPlacement(const WindowPlacementRecord& record)
{
    const uint32_t words[11] = {record.length,          record.flags,           record.showCmd,
                                uint32_t(record.minX),  uint32_t(record.minY),  uint32_t(record.maxX),
                                uint32_t(record.maxY),  uint32_t(record.left),  uint32_t(record.top),
                                uint32_t(record.right), uint32_t(record.bottom)};
    std::vector<uint8_t> bytes;
    bytes.reserve(WindowPlacementRecord::kSize);
    for (const uint32_t word : words) {
        for (int shift = 0; shift < 32; shift += 8)
            bytes.push_back(uint8_t(word >> shift));
    }
    return bytes;
}

} // namespace KX::Platform
