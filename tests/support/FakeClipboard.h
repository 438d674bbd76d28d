#pragma once
// An in-memory clipboard that behaves as the SDL one does, with the other programs on the
// desktop played by the test: they copy text or take the clipboard, and reads or writes can be
// made to fail. Counts the reads of the "system" text.
#include "KXFramework/Platform/Clipboard/ClipboardBackend.h"

#include <optional>
#include <string>

namespace KX::Test {

class FakeClipboard final : public KX::Platform::ClipboardBackend {
public:
    uint32_t SequenceNumber() override { return m_sequence; }
    bool HasText() override
    {
        Read();
        return m_read && !m_read->empty();
    }
    bool GetText(std::u16string& text) override
    {
        if (!m_read)
            Read();
        if (!m_read)
            return false;
        text = *m_read;
        m_read.reset();
        return true;
    }
    bool SetText(std::u16string_view text) override
    {
        if (failWrites)
            return false;
        m_text = text;
        Take(false);
        return true;
    }
    bool Claim() override
    {
        if (failWrites)
            return false;
        m_text.clear();
        Take(true);
        return true;
    }
    bool IsClaimHeld() override { return m_held && m_claimed; }

    // Another program copies text: the clipboard is no longer ours (WM_DESTROYCLIPBOARD's cause).
    void OtherProgramCopies(std::u16string_view text)
    {
        m_text = text;
        OtherProgramTakes();
    }
    // Another program takes the clipboard without changing what a read returns.
    void OtherProgramTakes()
    {
        m_held = false;
        m_claimed = false;
        m_read.reset();
        ++m_sequence;
    }
    bool IsHeld() const { return m_held; }

    bool failReads = false;
    bool failWrites = false;
    int reads = 0;

private:
    void Read()
    {
        ++reads;
        m_read.reset();
        if (!failReads)
            m_read = m_text;
    }
    void Take(bool claim)
    {
        m_held = true;
        m_claimed = claim;
        m_read.reset();
        ++m_sequence;
    }

    std::u16string m_text;
    std::optional<std::u16string> m_read;
    uint32_t m_sequence = 1;
    bool m_held = false;
    bool m_claimed = false;
};

} // namespace KX::Test
