#include "Panel/Engine/PresetEditorCommon/DeviceProtocol.h"

#include <algorithm>

namespace KX::DeviceProtocol {

namespace {

Bytes Head(bool framed, Command command)
{
    Bytes message;
    if (framed)
        message.push_back(kSysExStart);
    message.insert(message.end(), DeviceSysExHeader.begin(), DeviceSysExHeader.end());
    message.push_back(command);
    return message;
}

// Each key with the largest value it accepts and the smallest; XY-pad keys accept nothing.
struct GlobalKey {
    std::u16string_view name;
    int minimum;
    int limit; // values below it are accepted
};

constexpr std::array<GlobalKey, kGlobalParamCount> kGlobalKeys{{
    {u"Global_Channel", 0, 17},
    {u"XYPAD_VELOCITY", 0, 0},
    {u"XYPAD_FRACTION", 0, 0},
    {u"XYPAD_REBOUND", 0, 0},
    {u"MACKIE_HUI_ENABLED", 0, 2},
    {u"KEY_OCTAVE", 2, 10},
    {u"KEY_TRANSPOSE", 0, 25},
    {u"KEY_SENSITIVITY", 0, 7},
    {u"PAD_OCTAVE", 0, 11},
    {u"PAD_TRANSPOSE", 0, 26},
    {u"PAD_SENSITIVITY", 0, 10},
    {u"CURVE_ACCELLERATION", 0, 4},
    {u"XY_SENSITIVITY", 0, 10},
    {u"GLOBAL_PROGRAM", 0, 128},
    {u"GLOBAL_BANK_MSB", 0, 128},
    {u"GLOBAL_BANK_LSB", 0, 128},
    {u"MIDI_DIN_OUT", 0, 2},
}};

constexpr std::array<std::u16string_view, kGlobalParamCount> MakeNames()
{
    std::array<std::u16string_view, kGlobalParamCount> names{};
    for (std::size_t i = 0; i < kGlobalParamCount; ++i)
        names[i] = kGlobalKeys[i].name;
    return names;
}

constexpr auto kGlobalNames = MakeNames();

} // namespace

Bytes ModeMessage()
{
    Bytes message = Head(false, SysExModeMessage);
    message.insert(message.end(), {0x00, 0x01, 0x01});
    return message;
}

Bytes PresetDumpRequestMessage(std::uint8_t slot)
{
    Bytes message = Head(false, PresetDumpRequest);
    message.push_back(slot);
    return message;
}

Bytes PresetDumpHead(std::uint8_t slot)
{
    constexpr std::size_t following = kPresetValueBytes + 1; // slot byte and values, up to F7
    Bytes message = Head(false, PresetDump);
    message.insert(message.end(), {std::uint8_t(following / 128), std::uint8_t(following % 128), slot});
    return message;
}

Bytes GlobalParamRequestMessage(std::uint8_t index)
{
    Bytes message = Head(true, GlobalParamRequest);
    message.insert(message.end(), {0x00, 0x02, 0x00, index, kSysExEnd});
    return message;
}

Bytes GlobalParamSetMessage(std::uint8_t index, int value)
{
    Bytes message = Head(true, GlobalParamSet);
    message.insert(message.end(),
                   {0x00, 0x04, 0x00, index, std::uint8_t((value / 128) & 0x7F), std::uint8_t(value % 128), kSysExEnd});
    return message;
}

Bytes IdentityRequestMessage()
{
    return {kSysExStart, 0x7E, 0x7F, 0x06, 0x01, kSysExEnd};
}

KXRESULT Frame(Bytes& message)
{
    if (message.empty())
        return E_INVALIDARG;
    if (message.size() == 1) {
        if (message[0] == kSysExStart || message[0] == kSysExEnd)
            return E_FAIL;
        message = {kSysExStart, message[0], kSysExEnd};
        return S_OK;
    }
    if (message.front() != kSysExStart)
        message.insert(message.begin(), kSysExStart);
    if (message.back() != kSysExEnd)
        message.push_back(kSysExEnd);
    return S_OK;
}

bool HasSevenBitBody(ByteView message)
{
    if (!message.empty() && message.front() == kSysExStart)
        message = message.subspan(1);
    if (!message.empty() && message.back() == kSysExEnd)
        message = message.first(message.size() - 1);
    return std::all_of(message.begin(), message.end(), [](std::uint8_t b) { return b < 0x80; });
}

bool IsDeviceSysExReply(ByteView message)
{
    return message.size() >= kHeaderEnd && message[0] == kSysExStart &&
           std::equal(DeviceSysExHeader.begin(), DeviceSysExHeader.end(), message.begin() + 1);
}

bool IsPresetDumpReply(ByteView message)
{
    return message.size() == kPresetDumpSize && IsDeviceSysExReply(message) && message[kHeaderEnd] == PresetDumpReply;
}

bool ParseGlobalParamReply(ByteView message, int& index, int& value)
{
    if (message.size() != kGlobalParamReplySize || !IsDeviceSysExReply(message) ||
        message[kHeaderEnd] != GlobalParamReply || message[11] >= kGlobalParamCount)
        return false;
    index = message[11];
    value = message[12] * 128 + message[13];
    return true;
}

bool IsIdentityReply(ByteView message)
{
    return message.size() == kIdentityReplySize && message[0] == kSysExStart && message[1] == 0x7E &&
           message[3] == 0x06 && message[4] == 0x02;
}

bool IsFirmwareVersionNewer(ByteView reply)
{
    if (reply.size() != kIdentityReplySize)
        return false;
    // Digits are the bytes minus '0' as signed 8-bit differences, whatever the bytes are.
    constexpr std::array<int, 4> kOldest{1, 0, 4, 0};
    for (std::size_t i = 0; i < kOldest.size(); ++i) {
        const int digit = static_cast<std::int8_t>(reply[10 + i] - 0x30);
        if (digit != kOldest[i])
            return digit > kOldest[i];
    }
    return false;
}

const std::array<std::u16string_view, kGlobalParamCount>& GlobalParameterNames()
{
    return kGlobalNames;
}

int GlobalParameterIndex(std::u16string_view name)
{
    const auto it = std::find(kGlobalNames.begin(), kGlobalNames.end(), name);
    return it == kGlobalNames.end() ? -1 : static_cast<int>(it - kGlobalNames.begin());
}

bool IsValidGlobalParameterValue(std::u16string_view name, int value)
{
    const int index = GlobalParameterIndex(name);
    return index >= 0 && value >= kGlobalKeys[index].minimum && value < kGlobalKeys[index].limit;
}

} // namespace KX::DeviceProtocol
