#include "KXFramework/Controls/TextBox.h"

#include "ControlsFixture.h"
#include "FakeClipboard.h"
#include "NotificationDoubles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

namespace KX::Test {
namespace {

// Twelve looks with text; the selection overlays 10 and 11 are black, the rest grey.
std::string TwelveLooks()
{
    std::string looks = " <Looks>\n";
    std::string list = " <LookLists>\n  <LookList Name=\"edit\" NumLooks=\"12\">\n";
    for (int i = 0; i < 12; ++i) {
        const std::string name = "edit" + std::to_string(i);
        looks += "  <Look Name=\"" + name + "\"><ClientPart Name=\"" + (i >= 10 ? "black" : "grey") +
                 "\" OffsetLeft=\"0\" OffsetTop=\"0\" OffsetRight=\"0\" OffsetBottom=\"0\"/>"
                 "<TextProperties TextLeftRel=\"0\" TextLeftAbs=\"2\" TextRightRel=\"1\" TextRightAbs=\"-2\" "
                 "TextHAlign=\"0\" TextTopRel=\"0\" TextTopAbs=\"0\" TextBottomRel=\"1\" TextBottomAbs=\"0\" "
                 "TextVAlign=\"0\" TextForegroundPart=\"black\"/></Look>\n";
        list += "   <Look Name=\"" + name + "\" Index=\"" + std::to_string(i) + "\"/>\n";
    }
    return looks + " </Looks>\n" + list + "  </LookList>\n </LookLists>";
}

const char kControls[] = R"(
   <SubControl Class="Test.Panel" Name="mainControl" XSizeAbs="400" YSizeAbs="300">
    <SubControl Class="Framework.TextBox" Name="name" XSizeAbs="200" YSizeAbs="20" TabStop="1"><Skin Name="n" LookList="edit"/></SubControl>
    <SubControl Class="Framework.TextBox" Name="other" YPositionAbs="40" XSizeAbs="200" YSizeAbs="20" TabStop="2"><Skin Name="o" LookList="edit"/></SubControl>
   </SubControl>)";

const char kStrings[] = R"(
 <StringTable ID="Test.Panel|name">
  <String ID="LABEL"><Locale LCID="0x0009">Preset name</Locale></String>
 </StringTable>)";

const char kFrameworkStrings[] = R"(<?xml version="1.0" encoding="utf-8"?>
<Velmora_StringTable_Definitions>
 <StringTable ID="Framework">
  <String ID="EDIT_CUT"><Locale LCID="0x0009">Cut</Locale></String>
  <String ID="EDIT_COPY"><Locale LCID="0x0009">Copy</Locale></String>
  <String ID="EDIT_PASTE"><Locale LCID="0x0009">Paste</Locale></String>
  <String ID="EDIT_DELETE"><Locale LCID="0x0009">Delete</Locale></String>
 </StringTable>
</Velmora_StringTable_Definitions>
)";

constexpr uint32_t kShift = KeyCode::kShiftKey, kCtrl = KeyCode::kCtrlKey;
using namespace VirtualKey;

class TextBoxTest : public ControlsFixture {
protected:
    void SetUp() override
    {
        documents.Set(u"FRAMEWORK_STRINGS", kFrameworkStrings);
        Load(SkinDocument(TwelveLooks(), kControls), StringDocument(kStrings));
        main = CreateMain(u"mainControl");
        ASSERT_TRUE(main);
        box = RCPtr<LTextBox>(main->FindChild(u"name"));
        ASSERT_TRUE(box);
        auto backend = std::make_unique<FakeClipboard>();
        system = backend.get();
        clipboard = LClipboard::Create(std::move(backend));
        services.clipboard = clipboard.Get();
        ASSERT_EQ(box->SetFocus(true), S_OK);
    }
    void TearDown() override
    {
        for (auto& r : recorders)
            r->UnregisterForAllNotifications();
        recorders.clear();
        services.clipboard = nullptr;
        clipboard = nullptr;
        box = nullptr;
        main = nullptr;
        ControlsFixture::TearDown();
    }
    RCPtr<Recorder> Record(const char16_t* name)
    {
        RCPtr<Recorder> r(new Recorder("r"));
        r->RegisterForNotification(RCPtr<LNotificationDistributor>(box), name, 0);
        recorders.push_back(r);
        return r;
    }
    // Characters as the window delivers typed text: one record per UTF-16 unit.
    void Type(const std::u16string& text)
    {
        for (char16_t c : text)
            Key(c);
    }
    std::u16string Text() const { return std::u16string(box->GetText().GetData(), box->GetText().GetLength()); }

    RCPtr<LControl> main;
    RCPtr<LTextBox> box;
    FakeClipboard* system = nullptr;
    RCPtr<LClipboard> clipboard;
    std::vector<RCPtr<Recorder>> recorders;
};

TEST_F(TextBoxTest, TypedNonAsciiTextLandsExactly)
{
    const std::u16string typed = u"Grüße – 東京 ok";
    Type(typed);
    EXPECT_EQ(Text(), typed);
    EXPECT_EQ(box->GetCaret(), int32_t(typed.size()));
}

TEST_F(TextBoxTest, RefusesCharactersThatAreNotText)
{
    Type(u"ab");
    for (char16_t c :
         {char16_t(0), char16_t(9), char16_t(1), char16_t(0x7F), char16_t(0xD800), char16_t(0xDFFF), char16_t(0xFFFF)})
        Key(c);
    Key(8); // Backspace as a character is swallowed, not applied
    EXPECT_EQ(Text(), u"ab");
}

TEST_F(TextBoxTest, CharacterListAllowsOrForbids)
{
    box->SetCharacterList(u"0123456789", true);
    Type(u"a1b2");
    EXPECT_EQ(Text(), u"12");
    box->SetCharacterList(u"0123456789", false);
    Type(u"c3");
    EXPECT_EQ(Text(), u"12c");
}

TEST_F(TextBoxTest, EditingKeys)
{
    struct Case {
        const char16_t* text;
        int32_t caret;
        std::vector<uint32_t> keys;
        const char16_t* expected;
        int32_t caretAfter;
        int32_t selectionStart;
        int32_t selectionLength;
    };
    const Case cases[] = {
        {u"abcd", 2, {KeyCode::Press(kLeft)}, u"abcd", 1, 0, 0},
        {u"abcd", 2, {KeyCode::Press(kLeft, kShift), KeyCode::Press(kLeft, kShift)}, u"abcd", 0, 0, 2},
        {u"abcd", 2, {KeyCode::Press(kLeft, kShift), KeyCode::Press(kRight, kShift)}, u"abcd", 2, 0, 0},
        {u"abcd", 3, {KeyCode::Press(kLeft, kShift), KeyCode::Press(kLeft)}, u"abcd", 1, 0, 0},
        {u"ab  cd", 1, {KeyCode::Press(kRight, kCtrl)}, u"ab  cd", 4, 0, 0},
        {u"ab  cd", 6, {KeyCode::Press(kLeft, kCtrl)}, u"ab  cd", 4, 0, 0},
        {u"abcd", 2, {KeyCode::Press(kHome, kShift)}, u"abcd", 0, 0, 2},
        {u"abcd", 1, {KeyCode::Press(kEnd, kShift)}, u"abcd", 4, 1, 3},
        {u"abcd", 2, {KeyCode::Press(kBack)}, u"acd", 1, 0, 0},
        {u"abcd", 2, {KeyCode::Press(kDelete)}, u"abd", 2, 0, 0},
        {u"abcd", 1, {KeyCode::Press(kDelete, kCtrl)}, u"a", 1, 0, 0},
        {u"abcd", 1, {KeyCode::Press(kEnd, kShift), KeyCode::Press(kBack)}, u"a", 1, 0, 0},
        {u"abcd", 0, {KeyCode::Press(kEnd), u'x'}, u"abcdx", 5, 0, 0},
        {u"abcd", 1, {KeyCode::Press(kRight, kShift), u'X'}, u"aXcd", 2, 0, 0},
        // Typed over a selection of the same character, the text stays; the next one lands after it.
        {u"7", 1, {KeyCode::Press(kHome, kShift), u'7', u'4'}, u"74", 2, 0, 0},
        {u"abcd", 1, {KeyCode::Press(kRight, kShift), u'b', u'x'}, u"abxcd", 3, 0, 0},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        box->SetText(c.text);
        box->ClearSelection();
        static_cast<void>(box->MoveCaret(c.caret, true)); // a position out of range leaves the caret where it is
        for (uint32_t k : c.keys)
            Key(k);
        SCOPED_TRACE(i);
        EXPECT_EQ(box->GetText(), String(c.expected));
        EXPECT_EQ(box->GetCaret(), c.caretAfter);
        EXPECT_EQ(box->GetSelectionLength(), c.selectionLength);
        if (c.selectionLength > 0) {
            EXPECT_EQ(box->GetSelectionStart(), c.selectionStart);
        }
    }
}

TEST_F(TextBoxTest, MaxLengthStopsTypingAndCutsText)
{
    box->SetText(u"abcdef");
    box->SetMaxLength(3);
    EXPECT_EQ(Text(), u"abc");
    EXPECT_EQ(box->GetCaret(), 3);
    Type(u"x");
    EXPECT_EQ(Text(), u"abc");
    box->SetMaxLength(0);
    Type(u"x");
    EXPECT_EQ(Text(), u"abcx");
    EXPECT_EQ(box->MoveCaret(9, false), E_INVALIDARG);
}

TEST_F(TextBoxTest, PasteCutAndCopyGoThroughTheClipboard)
{
    system->OtherProgramCopies(u"Ünïcødé 😀");
    box->SetText(u"[]");
    static_cast<void>(box->MoveCaret(1, true)); // a position out of range leaves the caret where it is
    EXPECT_TRUE(box->CanPerformEdit(EditKind::kPaste));
    EXPECT_EQ(clipboard->EditFocus(EditKind::kPaste), S_OK);
    EXPECT_EQ(Text(), u"[Ünïcødé 😀]");
    EXPECT_EQ(box->GetCaret(), 11);

    box->SetText(u"abcd");
    box->SelectRange(1, 2);
    EXPECT_EQ(box->PerformEdit(EditKind::kCut), S_OK);
    EXPECT_EQ(Text(), u"ad");
    EXPECT_EQ(box->GetCaret(), 1);
    static_cast<void>(box->MoveCaret(2, true)); // a position out of range leaves the caret where it is
    EXPECT_EQ(box->PerformEdit(EditKind::kPaste), S_OK);
    EXPECT_EQ(Text(), u"adbc");
    EXPECT_EQ(box->PerformEdit(EditKind::kCopy), E_FAIL); // no selection
}

TEST_F(TextBoxTest, EditsGoToTheFocusOfTheActiveWindowBeforeTheMainOne)
{
    system->OtherProgramCopies(u"x");
    FakeWindow otherWindow;
    RCPtr<LRootWindow> other = LRootWindow::Create(renderer, &otherWindow);
    services.activeRoot = other;
    EXPECT_FALSE(clipboard->CanEditFocus(EditKind::kPaste));
    services.activeRoot = root;
    EXPECT_TRUE(clipboard->CanEditFocus(EditKind::kPaste));
    services.activeRoot = nullptr;
    other->BreakCycles();
}

TEST_F(TextBoxTest, PasteRespectsMaxLength)
{
    system->OtherProgramCopies(u"xyz");
    box->SetText(u"ab");
    box->SetMaxLength(4);
    static_cast<void>(box->MoveCaret(2, true)); // a position out of range leaves the caret where it is
    EXPECT_FALSE(box->CanPerformEdit(EditKind::kPaste));
    EXPECT_EQ(box->PerformEdit(EditKind::kPaste), E_FAIL);
    EXPECT_EQ(Text(), u"ab");
    box->SelectRange(1, 1);
    EXPECT_EQ(box->PerformEdit(EditKind::kPaste), S_OK);
    EXPECT_EQ(Text(), u"axyz");
    EXPECT_EQ(box->GetCaret(), 4);
}

TEST_F(TextBoxTest, BadPastesAreCleanedOrRefused)
{
    // Line breaks, tabs and lone surrogates: controls dropped, lone halves shown as U+FFFD.
    system->OtherProgramCopies(std::u16string(u"a\tb\r\nc") + char16_t(0xD800) + u"d" + char16_t(0xDC00));
    EXPECT_EQ(box->PerformEdit(EditKind::kPaste), S_OK);
    EXPECT_EQ(Text(), u"abc\uFFFDd\uFFFD");

    // A megabyte is refused whole and leaves the text as it was.
    system->OtherProgramCopies(std::u16string(1 << 20, u'x'));
    EXPECT_FALSE(box->CanPerformEdit(EditKind::kPaste));
    EXPECT_EQ(box->PerformEdit(EditKind::kPaste), E_FAIL);
    EXPECT_EQ(Text(), u"abc\uFFFDd\uFFFD");
}

TEST_F(TextBoxTest, ValidatorRewritesOrRefuses)
{
    RCPtr<Recorder> validated = Record(u"NID_TEXTBOX_VALIDATED");
    RCPtr<Recorder> changed = Record(u"NID_TEXTBOX_TEXT_CHANGE");
    RCPtr<Recorder> validating = Record(u"NID_TEXTBOX_VALIDATING");
    bool refuse = false;
    validating->react = [&](const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>& n) {
        auto* params = dynamic_cast<LTextValidationParams*>(n->GetPayload().Get());
        ASSERT_NE(params, nullptr);
        if (refuse)
            params->Valid = false;
        else
            params->ProposedText = params->ProposedText.ToUpper();
    };
    Type(u"abc");
    const int changesBefore = changed->received;
    Key(KeyCode::Press(kEnter));
    EXPECT_EQ(Text(), u"ABC");
    EXPECT_EQ(changed->received, changesBefore + 1);
    EXPECT_EQ(validated->received, 1);

    refuse = true;
    Type(u"d");
    Key(KeyCode::Press(kEnter));
    EXPECT_EQ(Text(), u"ABCd");
    EXPECT_EQ(validated->received, 1);
    // The focus cannot leave a box whose text is refused.
    Key(KeyCode::Press(kTab));
    EXPECT_TRUE(box->HasFocus());
    RCPtr<LControl> other = main->FindChild(u"other");
    EXPECT_EQ(other->SetFocus(true), E_FAIL);
    EXPECT_TRUE(box->HasFocus());
    refuse = false;
    EXPECT_EQ(other->SetFocus(true), S_OK);
    EXPECT_FALSE(box->HasFocus());
}

TEST_F(TextBoxTest, MouseSelectsAndDoubleClickTakesTheWord)
{
    box->SetText(u"one two");
    // Characters are kCharWidth wide from the text area's left edge at 2.
    const int32_t w = int32_t(RecordingRenderer::kCharWidth);
    Click(2 + 2 * w + 1, 10);
    EXPECT_EQ(box->GetCaret(), 2);
    Move(2 + 1 * w + 1, 10);
    Press(2 + 1 * w + 1, 10, kLeftButton, true);
    Release(2 + 1 * w + 1, 10);
    EXPECT_EQ(box->GetSelectionStart(), 0);
    EXPECT_EQ(box->GetSelectionLength(), 3);
}

TEST_F(TextBoxTest, CueTextShowsWhileEmptyAndUnfocused)
{
    EXPECT_EQ(box->GetCueText(), String(u"Preset name"));
    EXPECT_TRUE(box->GetText().IsEmpty());
    RCPtr<LControl> other = main->FindChild(u"other");
    ASSERT_EQ(other->SetFocus(true), S_OK);
    EXPECT_EQ(box->GetActiveLookIndex(), LTextBox::kCueBase);
    EXPECT_GT(box->GetLookWeight(LTextBox::kCue), 0.0f);
    box->SetText(u"x");
    EXPECT_EQ(box->GetActiveLookIndex(), LTextBox::kNormal);
}

TEST_F(TextBoxTest, CaretBlinksAndContrastsWithTheLook)
{
    EXPECT_TRUE(box->IsCaretShown());
    IdleAfter(600);
    EXPECT_FALSE(box->IsCaretShown());
    IdleAfter(350);
    EXPECT_TRUE(box->IsCaretShown());
    // Grey 0x80 has a mean below 129: a white caret.
    EXPECT_EQ(box->GetCaretColor(), 0xFFFFFFFFu);
}

// The box scrolls its text through the scroll view's offset; characters are kCharWidth wide and the
// text area runs from 2 to 198.
class TextBoxScrollTest : public TextBoxTest {
protected:
    static constexpr double kChar = RecordingRenderer::kCharWidth;
    static constexpr double kAreaLeft = 2.0, kAreaRight = 198.0;

    void SetUp() override
    {
        TextBoxTest::SetUp();
        box->SetAutoScroll(0, true);
    }
    // Where the caret line is drawn, in the box.
    double CaretOnScreen() const { return kAreaLeft + kChar * box->GetCaret() - 1.0 - box->GetScrollOffset().x; }
    static std::u16string Long(size_t length)
    {
        std::u16string text;
        for (size_t i = 0; i < length; ++i)
            text += char16_t(u'a' + i % 26);
        return text;
    }
};

TEST_F(TextBoxScrollTest, TheCaretStaysVisibleAtBothEnds)
{
    box->SetText(Long(60).c_str());
    const double widest = 60 * kChar - (kAreaRight - kAreaLeft) + 3.0;
    struct Step {
        uint32_t key;
        int32_t caret;
        double offset;
    };
    const Step steps[] = {
        {KeyCode::Press(kEnd), 60, widest},         // the caret's right end 3 pixels inside the right edge
        {KeyCode::Press(kLeft), 59, widest},        // still in view: no scrolling
        {KeyCode::Press(kHome), 0, 0.0},            // back to the start
        {KeyCode::Press(kEnd, kShift), 60, widest}, // selecting to the end scrolls too
        {KeyCode::Press(kHome, kShift), 0, 0.0},
    };
    for (const Step& step : steps) {
        Key(step.key);
        SCOPED_TRACE(step.caret);
        EXPECT_EQ(box->GetCaret(), step.caret);
        EXPECT_EQ(box->GetScrollOffset().x, std::round(step.offset));
        EXPECT_GE(CaretOnScreen(), kAreaLeft - 1.0);
        EXPECT_LE(CaretOnScreen() + 1.0, kAreaRight);
    }
    // Losing the focus shows the start of the text again.
    Key(KeyCode::Press(kEnd));
    ASSERT_EQ(main->FindChild(u"other")->SetFocus(true), S_OK);
    EXPECT_EQ(box->GetScrollOffset().x, 0.0);
}

TEST_F(TextBoxScrollTest, DragSelectingPastTheRightEdgeScrolls)
{
    box->SetText(Long(60).c_str());
    Move(50, 10);
    Press(50, 10);
    Move(195, 10); // within 20 pixels of the right edge: automatic scrolling
    EXPECT_TRUE(box->IsAutoScrolling(0));
    const double before = box->GetScrollOffset().x;
    IdleAfter(1000);
    EXPECT_GT(box->GetScrollOffset().x, before + 50.0);
    EXPECT_EQ(box->GetSelectionStart(), 7);
    EXPECT_GT(box->GetSelectionStart() + box->GetSelectionLength(), 28) << "the selection follows the scrolling";
    // It stops at the end of the text, which is then selected.
    for (int i = 0; i < 20; ++i)
        IdleAfter(1000);
    EXPECT_FALSE(box->IsAutoScrolling(0));
    EXPECT_EQ(box->GetScrollOffset().x, std::round(60 * kChar - (kAreaRight - kAreaLeft) + 3.0));
    EXPECT_EQ(box->GetSelectionStart() + box->GetSelectionLength(), 60);
    Release(195, 10);
    EXPECT_EQ(box->GetSelectionLength(), 53);
}

TEST_F(TextBoxScrollTest, TheExtentFollowsTheText)
{
    RCPtr<Recorder> extentChanges = Record(u"NID_CLIENT_EXTENT_CHANGE");
    box->SetText(Long(40).c_str());
    EXPECT_EQ(box->GetClientExtent().x, 40 * kChar);
    Type(u"xy");
    EXPECT_EQ(box->GetClientExtent().x, 42 * kChar);
    Key(KeyCode::Press(kBack));
    EXPECT_EQ(box->GetClientExtent().x, 41 * kChar);
    box->SetText(u"");
    EXPECT_EQ(box->GetClientExtent().x, 0.0);
    EXPECT_EQ(extentChanges->received, 5);
    // A single line shows no scroll bars: the skin gives the box none.
    EXPECT_FALSE(box->GetHorizontalBar());
    EXPECT_FALSE(box->GetVerticalBar());
}

TEST_F(TextBoxTest, ContextMenuListsTheFourEdits)
{
    box->RefreshIdleSubscription();
    RCPtr<LMenuDescriptor> menu = box->GetContextMenu();
    ASSERT_TRUE(menu);
    ASSERT_EQ(menu->GetItems().GetCount(), 4u);
    EXPECT_EQ(menu->GetItems().GetAt(0)->label, String(u"Cut"));
    EXPECT_EQ(menu->GetItems().GetAt(3)->notification, String(u"NID_EDIT_DELETE_REQ"));
}

TEST_F(TextBoxTest, AnswersTheMenuStatesOfTheEditCommands)
{
    box->SetText(u"abcd");
    const struct {
        bool selection;
        bool clipboardText;
        const char16_t* notification;
        KXRESULT result;
        uint8_t enabled;
    } cases[] = {
        {true, false, u"NID_EDIT_COPY_REQ", S_OK, 1},        {false, false, u"NID_EDIT_COPY_REQ", S_OK, 0},
        {true, false, u"NID_EDIT_CUT_REQ", S_OK, 1},         {false, false, u"NID_EDIT_DELETE_REQ", S_OK, 0},
        {false, true, u"NID_EDIT_PASTE_REQ", S_OK, 1},       {false, false, u"NID_EDIT_PASTE_REQ", S_OK, 0},
        {true, true, u"NID_MENU_FILE_EXIT_REQ", S_FALSE, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << (c.selection ? "selection, " : "")
                                        << (c.clipboardText ? "clipboard, " : ""));
        box->ClearSelection();
        if (c.selection)
            box->SelectRange(1, 2);
        system->OtherProgramCopies(c.clipboardText ? u"xyz" : u"");
        // Asked as menus ask: through the control's own updater.
        MenuItemState state{2, 0, u"unchanged"};
        EXPECT_EQ(box->GetMenuItemUpdater()->GetTarget()->HandleEditRequest(nullptr, 0, c.notification, state),
                  c.result);
        EXPECT_EQ(state.enabled, c.enabled);
        EXPECT_EQ(state.label, String(u"unchanged"));
    }
}

} // namespace
} // namespace KX::Test
