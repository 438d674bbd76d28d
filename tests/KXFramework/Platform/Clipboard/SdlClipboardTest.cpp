#include "KXFramework/Platform/Clipboard/SdlClipboard.h"

#include "SdlDummyVideo.h"

#include <string>

namespace KX::Test {

namespace {

using KX::Platform::SdlClipboard;

// SDL's dummy driver keeps the clipboard inside SDL; SDL_SetClipboardText plays another program.
class SdlClipboardTest : public SdlDummyVideo {
protected:
    static void OtherProgramCopies(const std::string& utf8) { ASSERT_EQ(SDL_SetClipboardText(utf8.c_str()), 0); }
    static std::string SystemText()
    {
        char* text = SDL_GetClipboardText();
        std::string copy = text;
        SDL_free(text);
        return copy;
    }
    std::u16string Paste()
    {
        std::u16string text;
        EXPECT_TRUE(m_clipboard.GetText(text));
        return text;
    }

    SdlClipboard m_clipboard;
};

TEST_F(SdlClipboardTest, NonAsciiTextMakesTheRoundTrip)
{
    const std::u16string text = u"K\u00FCr \u20AC \U0001F3B9 \u65E5\u672C\r\n\tend";
    ASSERT_TRUE(m_clipboard.SetText(text));
    EXPECT_EQ(SystemText(), "K\xC3\xBCr \xE2\x82\xAC \xF0\x9F\x8E\xB9 \xE6\x97\xA5\xE6\x9C\xAC\r\n\tend");
    EXPECT_TRUE(m_clipboard.HasText());
    EXPECT_EQ(Paste(), text);

    // An unpaired surrogate cannot travel as UTF-8.
    ASSERT_TRUE(m_clipboard.SetText(u"a\xD800z"));
    EXPECT_EQ(SystemText(), "a\xEF\xBF\xBDz");
}

TEST_F(SdlClipboardTest, ForeignTextIsCheckedAndBounded)
{
    OtherProgramCopies("ok \xFF\xC3 \xED\xA0\x80!");
    EXPECT_TRUE(m_clipboard.HasText());
    EXPECT_EQ(Paste(), u"ok \uFFFD\uFFFD \uFFFD\uFFFD\uFFFD!");

    OtherProgramCopies(std::string(SdlClipboard::kMaxTextBytes, 'x'));
    EXPECT_TRUE(m_clipboard.HasText());
    EXPECT_EQ(Paste().size(), SdlClipboard::kMaxTextBytes);

    // 10 MB from another program is taken as no text.
    OtherProgramCopies(std::string(10 * 1024 * 1024, 'x'));
    EXPECT_FALSE(m_clipboard.HasText());
    EXPECT_EQ(Paste(), u"");

    // Our own 10 MB go out whole.
    EXPECT_TRUE(m_clipboard.SetText(std::u16string(10 * 1024 * 1024, u'y')));
    EXPECT_EQ(SystemText().size(), 10u * 1024 * 1024);
}

TEST_F(SdlClipboardTest, ReadsOncePerPaste)
{
    OtherProgramCopies("first");
    EXPECT_TRUE(m_clipboard.HasText());
    OtherProgramCopies("second");
    EXPECT_EQ(Paste(), u"first"); // the read that HasText made
    EXPECT_EQ(Paste(), u"second");
    EXPECT_TRUE(m_clipboard.HasText());
    EXPECT_EQ(Paste(), u"second");
}

TEST_F(SdlClipboardTest, SequenceNumberStandsOnlyWhileWeHoldTheClipboard)
{
    // Not ours: SDL reports no changes, so every paste may see new text.
    EXPECT_NE(m_clipboard.SequenceNumber(), m_clipboard.SequenceNumber());
    EXPECT_FALSE(m_clipboard.OnClipboardUpdate());

    ASSERT_TRUE(m_clipboard.SetText(u"ours"));
    const uint32_t held = m_clipboard.SequenceNumber();
    EXPECT_EQ(m_clipboard.SequenceNumber(), held);
    EXPECT_FALSE(m_clipboard.IsClaimHeld());

    // Another program takes it: the caller drops what it kept, once.
    EXPECT_TRUE(m_clipboard.OnClipboardUpdate());
    EXPECT_NE(m_clipboard.SequenceNumber(), held);
    EXPECT_FALSE(m_clipboard.OnClipboardUpdate());

    // A claim: other programs see an empty clipboard while it stands.
    OtherProgramCopies("before");
    ASSERT_TRUE(m_clipboard.Claim());
    EXPECT_TRUE(m_clipboard.IsClaimHeld());
    EXPECT_FALSE(m_clipboard.HasText());
    EXPECT_EQ(SystemText(), "");
    const uint32_t claimed = m_clipboard.SequenceNumber();
    EXPECT_EQ(m_clipboard.SequenceNumber(), claimed);
    EXPECT_TRUE(m_clipboard.OnClipboardUpdate());
    EXPECT_FALSE(m_clipboard.IsClaimHeld());
}

} // namespace

} // namespace KX::Test
