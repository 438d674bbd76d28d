#include "KXFramework/System/ClipBoard.h"

#include "FakeClipboard.h"

#include <gtest/gtest.h>

#include <string>

namespace KX::Test {
namespace {

class ClipBoardTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        auto backend = std::make_unique<FakeClipboard>();
        system = backend.get();
        clipboard = LClipboard::Create(std::move(backend));
    }
    void TearDown() override
    {
        clipboard->BreakCycles();
        clipboard = nullptr;
    }

    String Text()
    {
        RCPtr<LRefCountedObject> content = clipboard->GetContent();
        const auto* text = dynamic_cast<const LClipboardText*>(content.Get());
        return text ? String(*text) : String(u"<none>");
    }

    FakeClipboard* system = nullptr;
    RCPtr<LClipboard> clipboard;
};

TEST_F(ClipBoardTest, TextRoundTripsAndAPasteInsideTheProgramReadsNothing)
{
    const String text(u"Grüße – プリセット 𝄞");
    EXPECT_EQ(clipboard->SetContent(RCPtr<LRefCountedObject>(LClipboardText::Create(text))), S_OK);
    EXPECT_TRUE(system->IsHeld());
    const int reads = system->reads;
    EXPECT_EQ(Text(), text);
    EXPECT_EQ(system->reads, reads);
}

TEST_F(ClipBoardTest, TextFromAnotherProgramIsReadOncePerChange)
{
    system->OtherProgramCopies(u"from elsewhere ✓");
    EXPECT_EQ(Text(), String(u"from elsewhere ✓"));
    const int reads = system->reads;
    EXPECT_EQ(Text(), String(u"from elsewhere ✓"));
    EXPECT_EQ(system->reads, reads);

    // After another program took the clipboard, copying works again.
    system->OtherProgramTakes();
    EXPECT_EQ(clipboard->SetContent(RCPtr<LRefCountedObject>(LClipboardText::Create(String(u"again")))), S_OK);
    EXPECT_EQ(Text(), String(u"again"));

    system->OtherProgramCopies(u"");
    EXPECT_EQ(Text(), String(u"<none>"));
}

TEST_F(ClipBoardTest, PrivateContentEmptiesTheSystemClipboardButPastesInside)
{
    RCPtr<LRefCountedObject> other(new LRefCountedObject);
    EXPECT_EQ(clipboard->SetContent(other), S_OK);
    EXPECT_TRUE(system->IsClaimHeld());
    EXPECT_FALSE(system->HasText());
    EXPECT_EQ(clipboard->GetContent(), other);
}

TEST_F(ClipBoardTest, AFailedWriteKeepsTheContentAndReportsTheFailure)
{
    system->failWrites = true;
    RCPtr<LRefCountedObject> text(LClipboardText::Create(String(u"kept")));
    EXPECT_EQ(clipboard->SetContent(text), E_FAIL);
    EXPECT_EQ(clipboard->GetContent(), text);
}

TEST_F(ClipBoardTest, ALongTextFromOutsideComesThroughWhole)
{
    // The SDL backend caps the text it accepts; the clipboard object itself keeps what it gets.
    const std::u16string big(1 << 20, u'a');
    system->OtherProgramCopies(big);
    EXPECT_EQ(Text().GetLength(), big.size());
}

TEST_F(ClipBoardTest, WithoutAFocusedTextControlEditsDoNothing)
{
    EXPECT_FALSE(clipboard->CanEditFocus(EditKind::kCopy));
    EXPECT_EQ(clipboard->EditFocus(EditKind::kPaste), S_FALSE);
}

} // namespace
} // namespace KX::Test
