#pragma once
// Single-line text editing: a caret and a selection over the control's text, typed characters,
// editing keys and the mouse, horizontal scrolling that keeps the caret in view (the text's size is
// the scroll view's client extent; bars only where the skin gives the box some), validation of
// the text by the owner before it is accepted, and the cut, copy, paste and delete edits that the
// clipboard object routes to the focused box.
// Thread: UI thread only.
#include "KXFramework/Controls/ScrollView.h"
#include "KXFramework/Controls/TextEditModel.h"
#include "KXFramework/System/ClipBoard.h"

#include <cstdint>

namespace KX {

// The payload of NID_TEXTBOX_VALIDATING and NID_TEXTBOX_VALIDATED: a validating handler may refuse
// the edit (Valid false) or rewrite the proposed text.
class LTextValidationParams : public virtual LRefCountedObject {
public:
    LTextValidationParams(const String& proposed, const String& before) : ProposedText(proposed), TextBefore(before) {}

    String ProposedText;
    String TextBefore;
    bool Valid = true;
};

class LTextBox : public LScrollView, public IEditTarget {
public:
    // Look indices.
    static constexpr int kNormal = 0;
    static constexpr int kHover = 1;
    static constexpr int kCueBase = 2;
    static constexpr int kFocused = 3;
    static constexpr int kFocusedHover = 4;
    static constexpr int kDisabled = 6;
    static constexpr int kCue = 9;
    static constexpr int kSelection = 10;
    static constexpr int kSelectionHover = 11;
    static constexpr unsigned kHardLimit = LTextEditModel::kHardLimit;

    using LScrollView::LScrollView;
    ~LTextBox() override;

    [[nodiscard]] KXRESULT ApplyDescriptor(const RCPtr<LControlDescriptor>& descriptor) override;
    [[nodiscard]] KXRESULT Initialize() override;
    KXRESULT SetText(const String& text) override;
    // True when the text was already equal. Sends NID_TEXTBOX_TEXT_CHANGE after a change.
    virtual bool ApplyText(const String& text, bool resetCaret);
    bool SetText(const String& text, bool resetCaret) { return ApplyText(text, resetCaret); }

    // Caret and selection, in characters.
    // 1 when the caret stays, E_INVALIDARG outside the text, for the record only; callers may ignore it.
    KXRESULT MoveCaret(int32_t position, bool force);
    void SelectRange(int32_t first, int32_t last);
    void SetSelection(int32_t start, int32_t length, int32_t anchor);
    void ExtendSelectionTo(int32_t position);
    void ClearSelection();
    int32_t GetCaret() const { return m_edit.GetCaret(); }
    int32_t GetSelectionStart() const { return m_edit.GetSelectionStart(); }
    int32_t GetSelectionLength() const { return m_edit.GetSelectionLength(); }
    int32_t GetLength() const { return m_edit.GetLength(); }
    int32_t PositionFromPoint(const PointT<double>& point);
    int32_t PreviousWordStart() const { return m_edit.PreviousWordStart(); }
    int32_t NextWordStart() const { return m_edit.NextWordStart(); }

    // Axis 0: keep the caret in view horizontally and scroll while drag-selecting.
    void SetAutoScroll(int axis, bool on);
    void SetCaretFollow(int axis, bool on) { SetAutoScroll(axis, on); }
    // Empty: no restriction; allows: only the listed characters, else all but them.
    void SetCharacterList(const String& characters, bool allows) { m_edit.SetCharacterList(characters, allows); }
    void SetMaxLength(int32_t maximum);
    const String& GetCueText() const { return m_cueText; }

    // Sends NID_TEXTBOX_VALIDATING, takes a rewritten proposal and sends NID_TEXTBOX_VALIDATED
    // when the edit was accepted.
    RCPtr<LTextValidationParams> Validate();
    bool CanPerformEdit(int32_t kind) override;
    [[nodiscard]] KXRESULT PerformEdit(int32_t kind) override;
    void DeleteSelection();
    [[nodiscard]] KXRESULT ReplaceSelection(const String& text);

    bool AcceptsTextInput() const override { return true; }
    KXRESULT SetFocus(bool forward) override;
    // The whole text is selected, so that typing replaces it.
    void OnFocusEnteredByTab() override;
    bool AllowFocusChange() override;
    bool OnFocusLost() override;
    void ApplyConditions(const RCPtr<LConditionsParam>& param) override;
    void RefreshIdleSubscription() override;
    // The menu-state query of the edit commands: 0 with the enabled state set for the four edit
    // requests, 1 for any other item.
    [[nodiscard]] KXRESULT HandleEditRequest(const RCPtr<LMenuDescriptor>& menu, unsigned index,
                                             const String& notification, MenuItemState& state) override;
    [[nodiscard]] KXRESULT OnKey(const RCPtr<LKeyParam>& key) override;
    void OnIdleTick() override;
    [[nodiscard]] KXRESULT DrawOverlay(const RCPtr<LRenderer>& renderer) override;
    void SetScrollOffset(const PointT<double>& offset) override;
    String GetToolTipText() const override;

    bool IsCaretShown() const { return m_caretShown; }
    // The caret's colour: white over a dark look, black over a light one.
    uint32_t GetCaretColor() const;

protected:
    void OnLeftButtonDown(const RCPtr<LMouseButtonParam>& press) override;
    void OnPointerMoved(const RCPtr<LPointWithModifiersParam>& pointer) override;
    void HandleLeftClick(const RCPtr<LMouseButtonParam>& click) override;

private:
    [[nodiscard]] KXRESULT TypeCharacter(char16_t c);
    void InsertCharacter(char16_t c);
    // Shift with a move: the selection from the anchor (the caret when nothing is selected) to target.
    void SelectFromCaretAnchorTo(int32_t target);
    void DeleteRange(int32_t start, int32_t count);
    [[nodiscard]] KXRESULT Paste(String text);
    void UpdateCaretGeometry();
    void EnsureCaretVisible();
    void UpdateSelectionLook();
    void ShowCaret();
    RectT<double> GetTextArea() const;
    RCPtr<LFont> TextFont() const;
    double MeasureWidth(const String& text) const;
    double MaxScroll() const;
    void Send(const char16_t* name, const RCPtr<LRefCountedObject>& payload);

    // Caret, selection and the editing rules over the control's text.
    LTextEditModel m_edit{GetText()};
    String m_cueText;
    bool m_autoScrollX = false;
    bool m_autoScrollY = false;
    double m_caretX = 0.0;
    double m_caretY = 0.0;
    double m_caretWidth = 0.0;
    double m_caretHeight = 0.0;
    bool m_inScrollUpdate = false;
    bool m_caretShown = true;
    double m_nextBlinkTime = 0.0;
    bool m_blinkSubscribed = false;
    PointT<double> m_lastPointer;
    bool m_doublePress = false;
};

} // namespace KX
