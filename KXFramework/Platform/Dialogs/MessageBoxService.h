#pragma once
// Modal message boxes with the flags and answers of the Windows message box, which the
// framework's callers pass through unchanged.
#include <cstdint>
#include <string>

namespace KX::Platform {

namespace MessageBoxFlags {
constexpr uint32_t kYesNo = 0x4;
constexpr uint32_t kIconMask = 0xF0;
constexpr uint32_t kIconError = 0x10;
constexpr uint32_t kIconWarning = 0x30;
} // namespace MessageBoxFlags

namespace MessageBoxAnswer {
constexpr int32_t kNotShown = 0; // no box could be shown
constexpr int32_t kOk = 1;
constexpr int32_t kYes = 6;
constexpr int32_t kNo = 7;
} // namespace MessageBoxAnswer

struct MessageBoxRequest {
    std::u16string text;
    std::u16string caption;
    uint32_t flags = 0;
    uint32_t ownerWindow = 0; // the owner's window id (SDL's), 0 for none
};

class MessageBoxService {
public:
    virtual ~MessageBoxService() = default;
    // Shows the box and returns the button pressed; blocks until the user has answered.
    virtual int32_t Show(const MessageBoxRequest& request) = 0;
};

// The answer given when no box can be shown: No for a Yes/No box, else OK.
inline int32_t DefaultMessageBoxAnswer(uint32_t flags)
{
    return (flags & MessageBoxFlags::kYesNo) != 0 ? MessageBoxAnswer::kNo : MessageBoxAnswer::kOk;
}

} // namespace KX::Platform
