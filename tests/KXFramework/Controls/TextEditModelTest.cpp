// The text box's editing rules without a window: the model edits a text the test owns and takes
// each edit back as the box does.
#include "KXFramework/Controls/TextEditModel.h"

#include <gtest/gtest.h>

namespace KX::Test {
namespace {

struct Box {
    String text;
    LTextEditModel model{text};

    void Take(const LTextEditModel::Edit& edit)
    {
        text = edit.text;
        model.PlaceCaret(edit.caret);
    }
};

TEST(TextEditModelTest, WordBoundariesFromTheCaret)
{
    struct Case {
        const char16_t* text;
        int32_t caret;
        int32_t previous;
        int32_t next;
        int32_t end;
    };
    const Case cases[] = {
        {u"alpha beta  gamma", 8, 6, 12, 10}, {u"alpha beta  gamma", 6, 0, 12, 10}, {u"alpha beta", 0, 0, 6, 5},
        {u"alpha beta", 10, 6, 10, 10},       {u"  \u00A0x\u3000y", 2, 0, 5, 4},    {u"", 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        Box box{String(c.text)};
        box.model.PlaceCaret(c.caret);
        EXPECT_EQ(box.model.PreviousWordStart(), c.previous) << c.caret;
        EXPECT_EQ(box.model.NextWordStart(), c.next) << c.caret;
        EXPECT_EQ(box.model.WordEnd(), c.end) << c.caret;
    }
}

TEST(TextEditModelTest, TypingReplacesTheSelectionWithinTheMaximumLength)
{
    struct Case {
        const char16_t* text;
        int32_t caret;
        int32_t selectFirst; // -1: nothing selected
        int32_t selectLast;
        int32_t maxLength;
        LTextEditModel::Typing typing;
        const char16_t* after;
        int32_t caretAfter;
    };
    using T = LTextEditModel::Typing;
    const Case cases[] = {
        {u"abc", 1, -1, -1, 0, T::Inserted, u"aXbc", 2},
        {u"abcdef", 0, 1, 3, 0, T::Inserted, u"aXef", 2},
        {u"abc", 3, -1, -1, 3, T::Full, u"abc", 3},
        // At the maximum, typing over a selection only removes it.
        {u"abcd", 4, 1, 2, 2, T::Full, u"ad", 1},
        {u"abcd", 4, 1, 2, 3, T::Inserted, u"aXd", 2},
    };
    for (const Case& c : cases) {
        Box box{String(c.text)};
        box.model.SetMaxLength(c.maxLength);
        box.model.PlaceCaret(c.caret);
        if (c.selectFirst >= 0) {
            EXPECT_TRUE(box.model.SelectRange(c.selectFirst, c.selectLast));
        }
        LTextEditModel::Edit edit;
        EXPECT_EQ(box.model.Type(u'X', edit), c.typing) << String(c.text).ToNarrow().GetString();
        EXPECT_EQ(box.model.GetSelectionLength(), 0);
        box.Take(edit);
        EXPECT_EQ(box.text, String(c.after));
        EXPECT_EQ(box.model.GetCaret(), c.caretAfter);
    }
}

TEST(TextEditModelTest, PastesAndReplacementsMustFit)
{
    Box box{String(u"abcdef")};
    box.model.SetMaxLength(8);
    box.model.PlaceCaret(6);
    LTextEditModel::Edit edit;
    EXPECT_FALSE(box.model.InsertAtCaret(String(u"xyz"), edit));
    EXPECT_FALSE(box.model.ReplaceSelection(String(u"x"), edit)) << "nothing is selected";
    ASSERT_TRUE(box.model.InsertAtCaret(LTextEditModel::CleanPastedText(String(u"x\ny\u0085")), edit));
    box.Take(edit);
    EXPECT_EQ(box.text, String(u"abcdefxy"));
    EXPECT_EQ(box.model.GetCaret(), 8);

    EXPECT_TRUE(box.model.SelectRange(0, 1));
    EXPECT_FALSE(box.model.ReplaceSelection(String(u"123"), edit));
    ASSERT_TRUE(box.model.ReplaceSelection(String(u"12"), edit));
    box.Take(edit);
    EXPECT_EQ(box.text, String(u"12cdefxy"));
    EXPECT_EQ(box.model.GetCaret(), 2);

    box.model.SetMaxLength(0);
    EXPECT_TRUE(box.model.Fits(LTextEditModel::kHardLimit));
    EXPECT_FALSE(box.model.Fits(int64_t(LTextEditModel::kHardLimit) + 1));
}

TEST(TextEditModelTest, ShiftMovesSelectFromTheAnchor)
{
    Box box{String(u"abcdef")};
    box.model.PlaceCaret(3);
    // Shift+Right twice, then Shift+Home: the anchor stays at 3.
    EXPECT_TRUE(box.model.SelectFromCaretAnchorTo(4));
    box.model.PlaceCaret(4);
    EXPECT_TRUE(box.model.SelectFromCaretAnchorTo(5));
    box.model.PlaceCaret(5);
    EXPECT_EQ(box.model.GetSelectionStart(), 3);
    EXPECT_EQ(box.model.GetSelectionLength(), 2);
    EXPECT_TRUE(box.model.SelectFromCaretAnchorTo(0));
    EXPECT_EQ(box.model.GetSelectionStart(), 0);
    EXPECT_EQ(box.model.GetSelectionLength(), 3);
    EXPECT_EQ(box.model.GetSelectionAnchor(), 3);
    // A drag past the end is kept in the text.
    int32_t position = 99;
    EXPECT_TRUE(box.model.ExtendSelectionTo(position));
    EXPECT_EQ(position, 6);
    EXPECT_EQ(box.model.GetSelectionStart(), 3);
    EXPECT_EQ(box.model.GetSelectionLength(), 3);
    EXPECT_TRUE(box.model.ClearSelection());
    EXPECT_FALSE(box.model.ClearSelection());
}

TEST(TextEditModelTest, CharacterListAdmitsOrRefuses)
{
    Box box{String()};
    EXPECT_TRUE(box.model.Admits(u'q'));
    box.model.SetCharacterList(String(u"0123456789"), true);
    EXPECT_TRUE(box.model.Admits(u'7'));
    EXPECT_FALSE(box.model.Admits(u'q'));
    box.model.SetCharacterList(String(u"/\\"), false);
    EXPECT_FALSE(box.model.Admits(u'/'));
    EXPECT_TRUE(box.model.Admits(u'q'));
    for (char16_t c : {u'\t', char16_t(0x7F), char16_t(0xD800), char16_t(0xFFFF)})
        EXPECT_FALSE(LTextEditModel::IsTypable(c)) << int(c);
    EXPECT_TRUE(LTextEditModel::IsTypable(u'\u00E9'));
}

} // namespace
} // namespace KX::Test
