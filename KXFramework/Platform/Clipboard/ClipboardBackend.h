#pragma once
// The system clipboard as the framework's clipboard object needs it: text, and a claim that takes
// the clipboard for content that stays inside this program.
#include <cstdint>
#include <string>
#include <string_view>

namespace KX::Platform {

class ClipboardBackend {
public:
    virtual ~ClipboardBackend() = default;
    // Changes whenever the system content may have changed.
    virtual uint32_t SequenceNumber() = 0;
    virtual bool HasText() = 0;
    // False when the clipboard could not be read.
    virtual bool GetText(std::u16string& text) = 0;
    virtual bool SetText(std::u16string_view text) = 0;
    // Takes the clipboard with no text: other programs see it empty.
    virtual bool Claim() = 0;
    // Our claim is still the clipboard's content.
    virtual bool IsClaimHeld() = 0;
};

} // namespace KX::Platform
