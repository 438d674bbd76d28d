#pragma once
// The clipboard over SDL's text clipboard (UTF-8). Reading the X clipboard blocks for up to a
// second when its owner stalls, after which SDL takes the clipboard with empty text; so the
// system text is never polled. It is read once per paste: HasText reads, and the GetText that
// follows uses that read. SDL tells only when we lose the clipboard, so while we hold it the
// sequence number stands still, and while we do not, every paste counts as a possible change.
// UI thread only, with SDL's video initialised.
#include "KXFramework/Platform/Clipboard/ClipboardBackend.h"

#include <optional>
#include <string>

namespace KX::Platform {

class SdlClipboard final : public ClipboardBackend {
public:
    // A system text longer than this is taken as no text.
    static constexpr size_t kMaxTextBytes = 1024 * 1024;

    uint32_t SequenceNumber() override;
    bool HasText() override;
    bool GetText(std::u16string& text) override;
    bool SetText(std::u16string_view text) override;
    bool Claim() override;
    bool IsClaimHeld() override;

    // The window pump's SDL_CLIPBOARDUPDATE: another program has taken the clipboard. True when
    // we held it, so the framework's clipboard object drops the content it kept.
    bool OnClipboardUpdate();

private:
    // One read of the system text; nothing when it is too long.
    void Read();

    uint32_t m_sequence = 1;
    bool m_held = false;               // our text or claim is the clipboard's content
    bool m_claimed = false;            // ... and it is a claim
    std::optional<std::string> m_read; // the read of the paste under way
};

} // namespace KX::Platform
