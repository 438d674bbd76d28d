// The tests that recognise the keyboard's replies, and the framing of outgoing messages, over arbitrary
// bytes. The first input byte picks a shape (raw, or a device header with one of the reply commands),
// so that most inputs reach the checks past the header. Nothing may read past the message, a parsed
// parameter reply names a key of the list, and framing leaves a message that starts with F0 and ends
// with F7.
#include "Panel/Engine/PresetEditorCommon/DeviceProtocol.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace P = KX::DeviceProtocol;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    P::Bytes message;
    const uint8_t shape = data[0] % 4;
    if (shape != 0) {
        message.push_back(P::kSysExStart);
        if (shape == 3) {
            message.insert(message.end(), {0x7E, 0x7F, 0x06, 0x02});
        } else {
            message.insert(message.end(), P::DeviceSysExHeader.begin(), P::DeviceSysExHeader.end());
            message.push_back(shape == 1 ? P::PresetDumpReply : P::GlobalParamReply);
        }
    }
    message.insert(message.end(), data + 1, data + size);

    const P::ByteView view(message);
    if (P::IsPresetDumpReply(view) && message.size() != P::kPresetDumpSize)
        std::abort();
    int index = -1;
    int value = -1;
    if (P::ParseGlobalParamReply(view, index, value) &&
        (index < 0 || index >= static_cast<int>(P::kGlobalParamCount) || value < 0 || value > 255 * 128 + 255))
        std::abort();
    if (P::IsFirmwareVersionNewer(view) && message.size() != P::kIdentityReplySize)
        std::abort();
    P::IsIdentityReply(view);

    P::Bytes framed = message;
    if (P::Frame(framed) == 0 && (framed.front() != P::kSysExStart || framed.back() != P::kSysExEnd))
        std::abort();
    if (P::HasSevenBitBody(framed) != P::HasSevenBitBody(message) && !message.empty() && message.size() != 1)
        std::abort();
    return 0;
}
