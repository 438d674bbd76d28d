#include "KXFramework/DeviceControl/GeneratedCode/Engine/Inc/ParamTable.h"

#include <cstring>

namespace {

constexpr ParamKindInfo kKinds[kParamKindCount] = {
    {ParamKind::PresetName, 0, 1, 6},      {ParamKind::KeybedZone, 1, 4, 9},   {ParamKind::Wheel, 5, 2, 5},
    {ParamKind::VolumePedal, 7, 1, 6},     {ParamKind::SustainPedal, 8, 1, 6}, {ParamKind::Pad, 9, 16, 14},
    {ParamKind::PushButton, 25, 36, 17},   {ParamKind::Fader, 61, 36, 6},      {ParamKind::Encoder, 97, 32, 6},
    {ParamKind::TouchPadAxis, 129, 2, 15},
};

// The tables keep their rows.
// clang-format off
constexpr uint8_t kFaderCC[36] = {
    118, 119, 120, 121, 122, 123, 124, 125, 126, 127,
    0, 2, 5, 6, 12, 13, 32, 33, 34, 36, 37, 38, 39, 40, 42, 43, 48, 49, 50, 51, 69, 70, 71, 72, 73, 74,
};

constexpr uint8_t kEncoderCC[32] = {
    35, 41, 44, 45, 46, 47, 52, 53, 54, 55, 56, 57, 58, 59, 60, 61,
    62, 63, 75, 76, 77, 78, 79, 80, 81, 82, 83, 85, 86, 87, 89, 90,
};

// Per-button keyboard assignment: light colour, key, modifier.
struct HidDefault {
    uint8_t colour, key, modifier;
};
constexpr HidDefault kPushButtonHid[36] = {
    {3, 55, 0},  {1, 55, 1},  {7, 15, 17}, {2, 11, 23}, {5, 21, 23}, {3, 25, 23},
    {4, 27, 23}, {6, 28, 23}, {7, 18, 23}, {6, 11, 0},  {5, 73, 0},  {3, 51, 1},
    {2, 52, 1},  {5, 54, 1},  {4, 53, 1},  {6, 21, 17}, {5, 14, 17}, {7, 0, 0},
    {3, 30, 17}, {2, 30, 20}, {1, 13, 17}, {2, 19, 17}, {5, 35, 17}, {6, 35, 20},
    {2, 12, 17}, {3, 31, 17}, {7, 10, 17}, {2, 66, 0},  {3, 65, 0},  {2, 76, 17},
    {3, 77, 17}, {1, 78, 17}, {6, 79, 17}, {7, 80, 17}, {4, 27, 17}, {3, 26, 0},
};
// clang-format on

// Bank colours of the push buttons (yellow, white, red, cyan); the first button of a bank is blue.
constexpr uint8_t kBankColour[4] = {6, 7, 5, 2};
constexpr uint8_t kBankFirstColour = 3;

constexpr uint8_t kTouchPadDefault[2][15] = {
    {0x00, 0x00, 0x23, 0x00, 0x00, 0x7F, 0x08, 0x3C, 0x48, 0x3E, 0x40, 0x41, 0x43, 0x45, 0x47},
    {0x00, 0x00, 0x29, 0x00, 0x00, 0x7F, 0x08, 0x45, 0x51, 0x47, 0x48, 0x4A, 0x4C, 0x4D, 0x4F},
};

// Global channel, absolute control change `cc` over 0..127.
void WriteMoveableDefault(uint8_t cc, uint8_t* out)
{
    const uint8_t bytes[6] = {0, 0, cc, 0, 0, 0x7F};
    std::memcpy(out, bytes, sizeof bytes);
}

void WritePushButtonDefault(int32_t i, uint8_t* out)
{
    std::memset(out, 0, 17);
    const bool firstOfBank = i % 9 == 0;
    const uint8_t colour = firstOfBank ? kBankFirstColour : kBankColour[i / 9];
    out[1] = colour;
    out[2] = colour;
    uint8_t cc;
    if (i == 0)
        cc = 3;
    else if (i == 1)
        cc = 9;
    else if (i < 20)
        cc = static_cast<uint8_t>(i + 12);
    else
        cc = static_cast<uint8_t>(i + 82);
    out[6] = cc;
    out[7] = static_cast<uint8_t>(i);
    out[13] = 0x7F;
    out[14] = kPushButtonHid[i].colour;
    out[15] = kPushButtonHid[i].key;
    out[16] = kPushButtonHid[i].modifier;
}

void WritePadDefault(int32_t i, uint8_t* out)
{
    // Colour pairs by row of four pads: red/white, orange/yellow, yellow/orange, white/red.
    std::memset(out, 0, 14);
    const int32_t row = i / 4;
    out[1] = static_cast<uint8_t>(0x0A + row);
    out[2] = static_cast<uint8_t>(0x0D - row);
    out[3] = 7;
    out[4] = 5;
    out[5] = 1;    // typed message
    out[6] = 0x13; // momentary note
    out[7] = static_cast<uint8_t>(36 + i);
}

} // namespace

const ParamKindInfo& GetParamKindInfo(ParamKind kind)
{
    return kKinds[static_cast<int32_t>(kind)];
}

const ParamKindInfo* FindParamKindInfo(int32_t index)
{
    if (index < 0 || index >= kParamCount)
        return nullptr;
    for (const ParamKindInfo& info : kKinds)
        if (index < info.firstIndex + info.count)
            return &info;
    return nullptr;
}

uint32_t ParamValueSize(int32_t index)
{
    const ParamKindInfo* info = FindParamKindInfo(index);
    return info ? info->size : 0;
}

int32_t ParamDumpOffset(int32_t index)
{
    const ParamKindInfo* info = FindParamKindInfo(index);
    if (!info)
        return -1;
    uint32_t offset = kDumpValueOffset;
    for (const ParamKindInfo& k : kKinds) {
        if (&k == info)
            break;
        offset += k.size * static_cast<uint32_t>(k.count);
    }
    return static_cast<int32_t>(offset + info->size * static_cast<uint32_t>(index - info->firstIndex));
}

uint8_t FaderDefaultCC(int32_t fader)
{
    return fader >= 0 && fader < 36 ? kFaderCC[fader] : 0;
}

uint8_t EncoderDefaultCC(int32_t encoder)
{
    return encoder >= 0 && encoder < 32 ? kEncoderCC[encoder] : 0;
}

uint32_t ParamDefaultBytes(int32_t index, uint8_t* out)
{
    const ParamKindInfo* info = FindParamKindInfo(index);
    if (!info || !out)
        return 0;
    const int32_t leaf = index - info->firstIndex;
    switch (info->kind) {
    case ParamKind::PresetName:
        // The empty name.
        std::memset(out, 0, info->size);
        break;
    case ParamKind::KeybedZone: {
        // Whole keybed, global channel, no octave shift or transpose; only zone 1 is on.
        const uint8_t bytes[9] = {static_cast<uint8_t>(leaf == 0 ? 1 : 0), 0, 0, 0, 0, 0, 60, 5, 12};
        std::memcpy(out, bytes, sizeof bytes);
        break;
    }
    case ParamKind::Wheel: {
        // Pitch wheel: typed message "pitch bend"; modulation wheel: CC 1.
        const uint8_t pitch[5] = {0, 1, 16, 0, 0x7F};
        const uint8_t modulation[5] = {0, 0, 1, 0, 0x7F};
        std::memcpy(out, leaf == 0 ? pitch : modulation, 5);
        break;
    }
    case ParamKind::VolumePedal:
        WriteMoveableDefault(7, out);
        break;
    case ParamKind::SustainPedal:
        WriteMoveableDefault(64, out);
        break;
    case ParamKind::Pad:
        WritePadDefault(leaf, out);
        break;
    case ParamKind::PushButton:
        WritePushButtonDefault(leaf, out);
        break;
    case ParamKind::Fader:
        WriteMoveableDefault(kFaderCC[leaf], out);
        break;
    case ParamKind::Encoder:
        WriteMoveableDefault(kEncoderCC[leaf], out);
        break;
    case ParamKind::TouchPadAxis:
        std::memcpy(out, kTouchPadDefault[leaf], 15);
        break;
    }
    return info->size;
}

KX::Variant ParamDefaultValue(int32_t index)
{
    KX::Variant value;
    uint8_t bytes[kMaxParamValueSize];
    const uint32_t size = ParamDefaultBytes(index, bytes);
    if (size > 0)
        value.SetBlob(bytes, size);
    return value;
}
