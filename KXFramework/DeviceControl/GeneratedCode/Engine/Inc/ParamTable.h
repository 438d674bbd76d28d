#pragma once
// The 131 parameters of the device model: one per control plus the preset name, laid out in the
// order of the device's preset dump. Every value is a byte blob whose size is fixed by its control
// kind. The leaves, the parameter cache, the preset files and the tests all take sizes and
// defaults from here.
#include "KXFramework/Utilities/Storage/Variant.h"

#include <cstdint>

enum class ParamKind : int32_t {
    PresetName,
    KeybedZone,
    Wheel,
    VolumePedal,
    SustainPedal,
    Pad,
    PushButton,
    Fader,
    Encoder,
    TouchPadAxis,
};

struct ParamKindInfo {
    ParamKind kind;
    int32_t firstIndex; // index of the kind's first parameter
    int32_t count;      // parameters of this kind
    uint32_t size;      // bytes of each value
};

inline constexpr int32_t kParamCount = 131;
inline constexpr int32_t kParamKindCount = 10;
inline constexpr uint32_t kMaxParamValueSize = 17;
// Sum of all value sizes; the bytes a preset occupies in the device's dump.
inline constexpr uint32_t kPresetValueBytes = 1338;
// Offset of the first value in the device's preset dump (after the SysEx head).
inline constexpr uint32_t kDumpValueOffset = 11;

// The kinds in parameter order.
const ParamKindInfo& GetParamKindInfo(ParamKind kind);
// The kind entry that holds parameter `index`; null outside 0..130.
const ParamKindInfo* FindParamKindInfo(int32_t index);

// Value size of parameter `index`; 0 outside 0..130.
uint32_t ParamValueSize(int32_t index);
// Byte offset of parameter `index` in the device's preset dump; -1 outside 0..130.
int32_t ParamDumpOffset(int32_t index);
// Writes the default bytes of parameter `index` to `out` (room for kMaxParamValueSize bytes) and
// returns their count; 0, and nothing written, outside 0..130.
uint32_t ParamDefaultBytes(int32_t index, uint8_t* out);
// The default of parameter `index` as a blob; empty outside 0..130.
KX::Variant ParamDefaultValue(int32_t index);

// Default controller numbers of the continuous controls, by leaf index.
uint8_t FaderDefaultCC(int32_t fader);     // 0..35
uint8_t EncoderDefaultCC(int32_t encoder); // 0..31
