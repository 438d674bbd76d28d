#include "KXFramework/Controls/TextBox.h"

#include "KXFramework/ControlBase/ControlFactory.h"
#include "KXFramework/ControlBase/FrameworkClock.h"
#include "KXFramework/ControlBase/FrameworkServices.h"
#include "KXFramework/ControlBase/RootWindow.h"
#include "KXFramework/Notification/KeyCode.h"
#include "KXFramework/Renderer/FontText.h"

#include <algorithm>
#include <cmath>

namespace KX {

namespace {

// The program's clipboard; null without services.
RCPtr<LClipboard> Clipboard()
{
    IFrameworkServices* services = GetFrameworkServices();
    return RCPtr<LClipboard>(services ? services->GetClipboard() : nullptr);
}

RectEdges Edges(const RectT<int32_t>& r)
{
    return {r.x, r.y, r.x + r.width, r.y + r.height};
}

} // namespace

LTextBox::~LTextBox() = default;

void LTextBox::Send(const char16_t* name, const RCPtr<LRefCountedObject>& payload)
{
    RCPtr<LNotification> n;
    if (Succeeded(LNotification::Create(n, name, payload)))
        SendNotification(n);
}

KXRESULT LTextBox::ApplyDescriptor(const RCPtr<LControlDescriptor>& descriptor)
{
    const String kept = GetText();
    const KXRESULT r = LScrollView::ApplyDescriptor(descriptor);
    String cue;
    if (GetStringTable() && GetStringTable()->GetString(u"LABEL", cue)) {
        UpdateText(kept, false);
        m_cueText = cue;
        if (GetLookCount() > unsigned(kCue) && GetLook(kCue))
            GetLook(kCue)->SetText(m_cueText);
        UpdateSelectionLook();
    }
    return r;
}

KXRESULT LTextBox::Initialize()
{
    if (Succeeded(LScrollView::Initialize())) {
        SetTextFollowsScroll(true);
        UpdateCaretGeometry();
    }
    UpdateSelectionLook();
    return S_OK;
}

KXRESULT LTextBox::SetText(const String& text)
{
    ApplyText(text, true);
    return S_OK;
}

bool LTextBox::ApplyText(const String& text, bool resetCaret)
{
    // Larger texts are refused whole rather than cut, so nothing typed or pasted is half kept.
    if (text.GetLength() > kHardLimit)
        return true;
    if (!UpdateText(text, true))
        return true;
    const RCPtr<LLook>& look = GetCurrentLook(kNormal);
    PointT<double> extent;
    if (look && look->GetFontText()) {
        const PointT<int32_t> size = look->GetFontText()->GetTextSize();
        constexpr double limit = 4503599627370496.0; // 2^52
        extent = {std::clamp(double(size.x), -limit, limit), std::clamp(double(size.y), -limit, limit)};
    }
    SetClientExtent(extent.x, extent.y);
    ClearSelection();
    if (resetCaret)
        MoveCaret(0, true);
    else if (GetCaret() > GetLength())
        MoveCaret(GetLength(), true);
    EnsureCaretVisible();
    if (!m_cueText.IsEmpty() && GetLookCount() > unsigned(kCue) && GetLook(kCue)) {
        GetLook(kCue)->SetText(m_cueText);
        UpdateSelectionLook();
    }
    Send(u"NID_TEXTBOX_TEXT_CHANGE", RCPtr<LRefCountedObject>(this));
    return false;
}

KXRESULT LTextBox::MoveCaret(int32_t position, bool force)
{
    if (position < 0 || position > GetLength())
        return E_INVALIDARG;
    if (position == m_edit.GetCaret() && !force) {
        m_edit.PlaceCaret(position);
        return S_FALSE;
    }
    const bool same = position == m_edit.GetCaret();
    m_edit.PlaceCaret(position);
    UpdateCaretGeometry();
    EnsureCaretVisible();
    ShowCaret();
    InvalidateWhole();
    return same ? S_FALSE : S_OK;
}

void LTextBox::ShowCaret()
{
    m_caretShown = true;
    m_nextBlinkTime = FrameworkClock::Seconds() + 0.5;
}

void LTextBox::SelectRange(int32_t first, int32_t last)
{
    if (m_edit.SelectRange(first, last))
        UpdateSelectionLook();
}

void LTextBox::SetSelection(int32_t start, int32_t length, int32_t anchor)
{
    if (m_edit.SetSelection(start, length, anchor))
        UpdateSelectionLook();
}

void LTextBox::ExtendSelectionTo(int32_t position)
{
    if (m_edit.ExtendSelectionTo(position))
        UpdateSelectionLook();
    MoveCaret(position, false);
}

void LTextBox::ClearSelection()
{
    if (m_edit.ClearSelection())
        UpdateSelectionLook();
}

void LTextBox::SelectFromCaretAnchorTo(int32_t target)
{
    if (m_edit.SelectFromCaretAnchorTo(target))
        UpdateSelectionLook();
}

RectT<double> LTextBox::GetTextArea() const
{
    const RCPtr<LLook>& look = GetCurrentLook(GetActiveLookIndex());
    if (look) {
        const RectT<float> area = look->GetTextArea(float(GetRect().width), float(GetRect().height));
        if (area.width > 0 && area.height > 0)
            return {area.x, area.y, area.width, area.height};
    }
    return {0.0, 0.0, GetRect().width, GetRect().height};
}

RCPtr<LFont> LTextBox::TextFont() const
{
    const RCPtr<LLook>& look = GetCurrentLook(kNormal);
    if (look && look->GetFontText() && look->GetFontText()->GetFont())
        return look->GetFontText()->GetFont();
    return GetFont();
}

double LTextBox::MeasureWidth(const String& text) const
{
    const RCPtr<LFont> font = TextFont();
    // The application's measurement renderer: the box may not be in a window yet.
    const RCPtr<LMeasurementRenderer> renderer = LFontText::GetMeasurementRenderer();
    if (text.IsEmpty() || !font || !renderer)
        return 0.0;
    RectT<float> out;
    renderer->MeasureText(out, text, font);
    return out.width;
}

int32_t LTextBox::PositionFromPoint(const PointT<double>& point)
{
    const RectT<double> area = GetTextArea();
    const double x = std::clamp(point.x, area.x, area.x + area.width) + GetScrollOffset().x;
    const RCPtr<LLook>& look = GetCurrentLook(GetActiveLookIndex());
    const double origin = area.x + (look && look->GetFontText() ? look->GetFontText()->GetLineRect(0).x : 0.0f);
    // Bisection over the character boundaries: the first position whose boundary lies past x.
    const String& text = GetText();
    int32_t low = 0, high = GetLength();
    while (low < high) {
        const int32_t mid = (low + high) / 2;
        const double left = origin + MeasureWidth(text.Left(unsigned(mid)));
        const double right = origin + MeasureWidth(text.Left(unsigned(mid + 1)));
        if (x < (left + right) / 2.0)
            high = mid;
        else
            low = mid + 1;
    }
    return low;
}

void LTextBox::SetAutoScroll(int axis, bool on)
{
    (axis == 0 ? m_autoScrollX : m_autoScrollY) = on;
}

void LTextBox::SetMaxLength(int32_t maximum)
{
    m_edit.SetMaxLength(maximum);
    if (maximum > 0 && GetLength() > maximum && !ApplyText(GetText().Left(unsigned(maximum)), false))
        MoveCaret(GetLength(), true);
}

// ---- keys

KXRESULT LTextBox::TypeCharacter(char16_t c)
{
    if (c == 8)
        return S_OK;
    if (!LTextEditModel::IsTypable(c))
        return S_FALSE;
    if (!m_edit.Admits(c))
        return S_OK;
    InsertCharacter(c);
    return S_OK;
}

void LTextBox::InsertCharacter(char16_t c)
{
    const bool hadSelection = m_edit.GetSelectionLength() > 0;
    LTextEditModel::Edit edit;
    const LTextEditModel::Typing typing = m_edit.Type(c, edit);
    if (hadSelection)
        UpdateSelectionLook();
    if (typing == LTextEditModel::Typing::Refused)
        return;
    // A character typed over a selection of itself leaves the text as it was; the caret still goes
    // past it, or the next one would land before it.
    ApplyText(edit.text, false);
    MoveCaret(std::min(edit.caret, GetLength()), true);
}

void LTextBox::DeleteRange(int32_t start, int32_t count)
{
    const LTextEditModel::Edit edit = m_edit.DeleteRange(start, count);
    if (!ApplyText(edit.text, false))
        MoveCaret(edit.caret, true);
}

void LTextBox::DeleteSelection()
{
    const LTextEditModel::Edit edit = m_edit.DeleteSelection();
    if (!ApplyText(edit.text, false))
        MoveCaret(edit.caret, true);
}

KXRESULT LTextBox::OnKey(const RCPtr<LKeyParam>& param)
{
    if (!param)
        return S_FALSE;
    const uint32_t key = param->key.key;
    const int32_t length = GetLength();
    // A typed character: no virtual key, the character in the low 16 bits.
    if (KeyCode::VirtualKeyOf(key) == 0 && !(key & KeyCode::kNoKey) && (key & 0xFFFF) != 0)
        return TypeCharacter(char16_t(key & 0xFFFF));
    switch (key) {
    case KeyCode::Press(VirtualKey::kLeft):
        ClearSelection();
        MoveCaret(std::max(GetCaret() - 1, 0), false);
        return S_OK;
    case KeyCode::Press(VirtualKey::kRight):
        ClearSelection();
        MoveCaret(std::min(GetCaret() + 1, length), false);
        return S_OK;
    case KeyCode::Press(VirtualKey::kUp):
    case KeyCode::Press(VirtualKey::kDown):
    case KeyCode::Press(VirtualKey::kUp, KeyCode::kShiftKey):
    case KeyCode::Press(VirtualKey::kDown, KeyCode::kShiftKey):
    case KeyCode::Press(VirtualKey::kUp, KeyCode::kCtrlKey):
    case KeyCode::Press(VirtualKey::kDown, KeyCode::kCtrlKey):
    case KeyCode::Press(VirtualKey::kUp, KeyCode::kCtrlKey | KeyCode::kShiftKey):
    case KeyCode::Press(VirtualKey::kDown, KeyCode::kCtrlKey | KeyCode::kShiftKey):
        return S_FALSE;
    case KeyCode::Press(VirtualKey::kLeft, KeyCode::kShiftKey):
        if (GetCaret() > 0) {
            const int32_t target = GetCaret() - 1;
            SelectFromCaretAnchorTo(target);
            MoveCaret(target, false);
        }
        return S_OK;
    case KeyCode::Press(VirtualKey::kRight, KeyCode::kShiftKey):
        if (GetCaret() < length) {
            const int32_t target = GetCaret() + 1;
            SelectFromCaretAnchorTo(target);
            MoveCaret(target, false);
        }
        return S_OK;
    case KeyCode::Press(VirtualKey::kLeft, KeyCode::kCtrlKey):
        ClearSelection();
        MoveCaret(PreviousWordStart(), false);
        return S_OK;
    case KeyCode::Press(VirtualKey::kRight, KeyCode::kCtrlKey):
        ClearSelection();
        MoveCaret(NextWordStart(), false);
        return S_OK;
    case KeyCode::Press(VirtualKey::kLeft, KeyCode::kCtrlKey | KeyCode::kShiftKey):
        ExtendSelectionTo(PreviousWordStart());
        return S_OK;
    case KeyCode::Press(VirtualKey::kRight, KeyCode::kCtrlKey | KeyCode::kShiftKey):
        ExtendSelectionTo(NextWordStart());
        return S_OK;
    case KeyCode::Press(VirtualKey::kHome):
        ClearSelection();
        MoveCaret(0, false);
        return S_OK;
    case KeyCode::Press(VirtualKey::kEnd):
        ClearSelection();
        MoveCaret(length, false);
        return S_OK;
    case KeyCode::Press(VirtualKey::kHome, KeyCode::kShiftKey):
        if (GetCaret() > 0) {
            SelectFromCaretAnchorTo(0);
            MoveCaret(0, false);
        }
        return S_OK;
    case KeyCode::Press(VirtualKey::kEnd, KeyCode::kShiftKey):
        if (GetCaret() < length) {
            SelectFromCaretAnchorTo(length);
            MoveCaret(length, false);
        }
        return S_OK;
    case KeyCode::Press(VirtualKey::kBack):
    case KeyCode::Press(VirtualKey::kDelete, KeyCode::kShiftKey):
        if (GetSelectionLength() > 0)
            DeleteSelection();
        else if (GetCaret() > 0)
            DeleteRange(GetCaret() - 1, 1);
        return S_OK;
    case KeyCode::Press(VirtualKey::kDelete):
        if (GetSelectionLength() > 0)
            DeleteSelection();
        else if (GetCaret() < length)
            DeleteRange(GetCaret(), 1);
        return S_OK;
    case KeyCode::Press(VirtualKey::kDelete, KeyCode::kCtrlKey):
        if (GetSelectionLength() > 0)
            DeleteSelection();
        else
            DeleteRange(GetCaret(), length - GetCaret());
        return S_OK;
    case KeyCode::Press(VirtualKey::kEnter):
        return Validate()->Valid ? S_FALSE : S_OK;
    default:
        break;
    }
    if (!KeyCode::IsPressed(key))
        return S_OK;
    const uint32_t virtualKey = KeyCode::VirtualKeyOf(key);
    const bool typing = virtualKey == VirtualKey::kSpace || (virtualKey >= '0' && virtualKey <= '9') ||
                        (virtualKey >= 'A' && virtualKey <= 'Z');
    if (typing && !(key & (KeyCode::kCtrlKey | KeyCode::kAltKey | KeyCode::kCommandKey)))
        return S_OK;
    return S_FALSE;
}

// ---- validation and edits

RCPtr<LTextValidationParams> LTextBox::Validate()
{
    RCPtr<LControl> self(this);
    RCPtr<LTextValidationParams> params(new LTextValidationParams(GetText(), GetText()));
    Send(u"NID_TEXTBOX_VALIDATING", params);
    if (params->Valid && params->ProposedText != GetText())
        ApplyText(params->ProposedText, false);
    if (params->Valid)
        Send(u"NID_TEXTBOX_VALIDATED", params);
    return params;
}

bool LTextBox::AllowFocusChange()
{
    return Validate()->Valid;
}

bool LTextBox::OnFocusLost()
{
    // Every way the focus can leave passes here, some without asking AllowFocusChange (Tab round
    // the window's end, Ctrl+Tab, a release): what the box shows must reach its owner all the same.
    if (HasFocus())
        Validate();
    return LScrollView::OnFocusLost();
}

KXRESULT LTextBox::SetFocus(bool forward)
{
    if (HasFocus())
        Validate();
    return LScrollView::SetFocus(forward);
}

void LTextBox::OnFocusEnteredByTab()
{
    SelectRange(0, -1);
    MoveCaret(GetLength(), false);
}

bool LTextBox::CanPerformEdit(int32_t kind)
{
    switch (kind) {
    case EditKind::kDelete:
    case EditKind::kCut:
    case EditKind::kCopy:
        return GetSelectionLength() > 0;
    case EditKind::kPaste: {
        if (!Clipboard())
            return false;
        RCPtr<LRefCountedObject> content = Clipboard()->GetContent();
        const auto* text = dynamic_cast<const LClipboardText*>(content.Get());
        if (!text)
            return false;
        return m_edit.Fits(int64_t(GetLength()) - GetSelectionLength() + text->GetLength());
    }
    default:
        return false;
    }
}

KXRESULT LTextBox::PerformEdit(int32_t kind)
{
    switch (kind) {
    case EditKind::kDelete:
        if (GetSelectionLength() <= 0)
            return E_FAIL;
        DeleteSelection();
        return S_OK;
    case EditKind::kCut:
    case EditKind::kCopy: {
        if (GetSelectionLength() <= 0)
            return E_FAIL;
        if (Clipboard()) {
            const String part = GetText().SubString(GetSelectionStart(), unsigned(GetSelectionLength()));
            static_cast<void>(Clipboard()->SetContent(RCPtr<LRefCountedObject>(
                new LClipboardText(part)))); // a refused system write still keeps the text for this program
        }
        if (kind == EditKind::kCut)
            DeleteSelection();
        return S_OK;
    }
    case EditKind::kPaste: {
        RCPtr<LRefCountedObject> content = Clipboard() ? Clipboard()->GetContent() : nullptr;
        const auto* text = dynamic_cast<const LClipboardText*>(content.Get());
        if (!text)
            return E_FAIL;
        return Paste(String(*text));
    }
    default:
        return E_FAIL;
    }
}

KXRESULT LTextBox::Paste(String text)
{
    if (text.GetLength() > kHardLimit)
        return E_FAIL;
    text = LTextEditModel::CleanPastedText(text);
    if (GetSelectionLength() > 0)
        return ReplaceSelection(text);
    LTextEditModel::Edit edit;
    if (!m_edit.InsertAtCaret(text, edit))
        return E_FAIL;
    if (!ApplyText(edit.text, false))
        MoveCaret(edit.caret, true);
    return S_OK;
}

KXRESULT LTextBox::ReplaceSelection(const String& text)
{
    LTextEditModel::Edit edit;
    if (!m_edit.ReplaceSelection(text, edit))
        return E_FAIL;
    const bool unchanged = ApplyText(edit.text, false);
    MoveCaret(edit.caret, true);
    ClearSelection();
    return unchanged ? S_FALSE : S_OK;
}

KXRESULT LTextBox::HandleEditRequest(const RCPtr<LMenuDescriptor>&, unsigned, const String& notification,
                                     MenuItemState& state)
{
    static const struct {
        const char16_t* name;
        int kind;
    } kEdits[] = {{u"NID_EDIT_COPY_REQ", EditKind::kCopy},
                  {u"NID_EDIT_CUT_REQ", EditKind::kCut},
                  {u"NID_EDIT_DELETE_REQ", EditKind::kDelete},
                  {u"NID_EDIT_PASTE_REQ", EditKind::kPaste}};
    for (const auto& e : kEdits) {
        if (notification == e.name) {
            state.enabled = Clipboard() && Clipboard()->CanEditFocus(e.kind) ? 1 : 0;
            return S_OK;
        }
    }
    return S_FALSE;
}

void LTextBox::RefreshIdleSubscription()
{
    LScrollView::RefreshIdleSubscription();
    IFrameworkServices* services = GetFrameworkServices();
    RCPtr<LControlFactory> factory = services ? services->GetControlFactory() : nullptr;
    RCPtr<LStringTable> table;
    if (factory)
        factory->GetFrameworkStringTable(table);
    if (!table)
        return;
    RCPtr<LMenuDescriptor> menu(new LMenuDescriptor);
    static const struct {
        const char16_t* label;
        const char16_t* notification;
    } kItems[] = {{u"EDIT_CUT", u"NID_EDIT_CUT_REQ"},
                  {u"EDIT_COPY", u"NID_EDIT_COPY_REQ"},
                  {u"EDIT_PASTE", u"NID_EDIT_PASTE_REQ"},
                  {u"EDIT_DELETE", u"NID_EDIT_DELETE_REQ"}};
    unsigned index = 0;
    for (const auto& item : kItems) {
        String label;
        table->GetString(item.label, label);
        static_cast<void>(
            menu->InsertItem(index++, label, item.notification, true, false)); // an index past the end appends
    }
    SetContextMenu(menu);
}

// ---- mouse

void LTextBox::OnLeftButtonDown(const RCPtr<LMouseButtonParam>& press)
{
    // The click is reported with the release record, which does not say double; the press does.
    m_doublePress = press->isDoubleClick;
    const int32_t position = PositionFromPoint({double(press->point.x), double(press->point.y)});
    if (press->modifiers & KeyCode::kShiftFlag) {
        ExtendSelectionTo(position);
        return;
    }
    ClearSelection();
    MoveCaret(position, false);
    m_edit.SetSelectionAnchor(position);
}

double LTextBox::MaxScroll() const
{
    return std::max(0.0, GetClientExtent().x - GetTextArea().width + 3.0);
}

void LTextBox::OnPointerMoved(const RCPtr<LPointWithModifiersParam>& pointer)
{
    m_lastPointer = {double(pointer->point.x), double(pointer->point.y)};
    if (!(ComputeConditions() & Condition::kLeftDragging))
        return;
    const RectT<double> area = GetTextArea();
    const double x = std::clamp(m_lastPointer.x, area.x, area.x + area.width);
    ExtendSelectionTo(PositionFromPoint({x, m_lastPointer.y}));
    if (!m_autoScrollX)
        return;
    const double right = area.x + area.width - 20.0;
    const double left = area.x + 20.0;
    const bool wide = GetClientExtent().x > area.width;
    if (wide && m_lastPointer.x > right)
        StartAutoScroll(0, (m_lastPointer.x - right + 1.0) * 5.0, MaxScroll(), 0.0, RCPtr<LControl>(this));
    else if (wide && m_lastPointer.x < left)
        StartAutoScroll(0, (m_lastPointer.x - left + 1.0) * 5.0, MaxScroll(), 0.0, RCPtr<LControl>(this));
    else
        StopAutoScroll(0);
}

void LTextBox::HandleLeftClick(const RCPtr<LMouseButtonParam>& click)
{
    if (!click->isDoubleClick && !m_doublePress && !(click->modifiers & KeyCode::kCtrlFlag))
        return;
    ClearSelection();
    MoveCaret(PreviousWordStart(), false);
    m_edit.SetSelectionAnchor(GetCaret());
    ExtendSelectionTo(m_edit.WordEnd());
}

// ---- caret, scrolling and looks

void LTextBox::UpdateCaretGeometry()
{
    const RectT<double> area = GetTextArea();
    const RCPtr<LLook>& look = GetCurrentLook(GetActiveLookIndex());
    const RectT<float> line = look && look->GetFontText() ? look->GetFontText()->GetLineRect(0) : RectT<float>{};
    m_caretX = area.x + line.x + MeasureWidth(GetText().Left(unsigned(GetCaret()))) - 1.0;
    m_caretY = area.y + line.y;
    m_caretWidth = 1.0;
    const RCPtr<LFont> font = TextFont();
    m_caretHeight = font ? font->GetLineHeight() : 0.0;
}

void LTextBox::EnsureCaretVisible()
{
    if ((!m_autoScrollX && !m_autoScrollY) || IsAutoScrolling(0) || IsAutoScrolling(1) || m_inScrollUpdate)
        return;
    const RectT<double> area = GetTextArea();
    PointT<double> offset = GetScrollOffset();
    if (m_caretX < area.x + offset.x)
        offset.x = std::max(0.0, m_caretX - 3.0 - area.x);
    else if (m_caretX + m_caretWidth + 3.0 > area.x + area.width + offset.x)
        offset.x = m_caretX + m_caretWidth + 3.0 - area.x - area.width;
    SetScrollOffset(offset);
    UpdateCaretGeometry();
    UpdateSelectionLook();
}

void LTextBox::SetScrollOffset(const PointT<double>& offset)
{
    if (m_inScrollUpdate)
        return;
    m_inScrollUpdate = true;
    LScrollView::SetScrollOffset(offset);
    if (IsAutoScrolling(0) && (GetScrollOffset().x <= 0.0 || GetScrollOffset().x >= MaxScroll()))
        StopAutoScroll(0);
    if (ComputeConditions() & Condition::kLeftDragging)
        ExtendSelectionTo(PositionFromPoint(m_lastPointer));
    else
        UpdateSelectionLook();
    m_inScrollUpdate = false;
}

void LTextBox::ApplyConditions(const RCPtr<LConditionsParam>& param)
{
    LScrollView::ApplyConditions(param);
    if (!param)
        return;
    const uint32_t before = param->previousMask;
    const uint32_t now = param->currentMask;
    const uint32_t changed = before ^ now;
    const bool dragEnded = (before & Condition::kLeftDragging) && !(now & Condition::kLeftDragging);
    const RCPtr<LRootWindow>& root = *GetRootWindowPtr();
    if ((changed & Condition::kHasFocus) && (now & Condition::kHasFocus)) {
        // Typed text (any layout, input methods) arrives only while the window takes text input.
        if (root) {
            const PointT<double> at = GetPositionInRoot();
            root->SetCaretVisible(
                true, RCPtr<LControl>(this),
                RectT<double>{at.x + m_caretX - GetScrollOffset().x, at.y + m_caretY, 1.0, m_caretHeight}.Round());
        }
        EnsureCaretVisible();
        ShowCaret();
        InvalidateWhole();
        if (!m_blinkSubscribed && Succeeded(SubscribeIdle()))
            m_blinkSubscribed = true;
    } else if (changed & Condition::kHasFocus) {
        if (root)
            root->SetCaretVisible(false, RCPtr<LControl>(this), {});
        if (m_blinkSubscribed) {
            UnsubscribeIdle();
            m_blinkSubscribed = false;
        }
        m_caretShown = false;
        SetScrollOffset({0.0, 0.0});
        InvalidateWhole();
    } else {
        if ((changed & Condition::kHoverOrHighlighted) && (now & Condition::kHoverOrHighlighted)) {
            IFrameworkServices* services = GetFrameworkServices();
            if (services)
                SetCursor(services->LoadAppCursor(u"UI_CURSOR_IBEAM"));
        }
        if (dragEnded) {
            StopAutoScroll(0);
            StopAutoScroll(1);
        }
    }
    if ((changed & (Condition::kHoverOrHighlighted | Condition::kHover | Condition::kHasFocus | Condition::kEnabled)) ||
        dragEnded)
        UpdateSelectionLook();
}

void LTextBox::OnIdleTick()
{
    LScrollView::OnIdleTick();
    if (!HasFocus())
        return;
    const double now = FrameworkClock::Seconds();
    if (now < m_nextBlinkTime)
        return;
    m_caretShown = !m_caretShown;
    m_nextBlinkTime = now + (m_caretShown ? 0.5 : 0.3);
    InvalidateWhole();
}

void LTextBox::UpdateSelectionLook()
{
    if (GetLookCount() == 0)
        return;
    auto has = [&](int index) { return unsigned(index) < GetLookCount() && GetLook(index); };
    ClearLookRegions();
    if (!IsEnabled(true)) {
        SetLookExclusive(kDisabled);
        return;
    }
    const uint32_t mask = ComputeConditions();
    const bool hover = (mask & (Condition::kHover | Condition::kLeftDragging)) != 0;
    const bool focused = HasFocus();
    if (!focused && GetText().IsEmpty() && !m_cueText.IsEmpty() && has(kCue) && has(kCueBase)) {
        GetLook(kCue)->SetText(m_cueText);
        LRectList cue;
        cue.AddRect(Edges(GetTextArea().Round()));
        SetLookRegion(kCue, cue);
        SetLookRegionComplement(kCueBase, kCue);
        SetLookExclusive(kCueBase);
        SetLookWeight(kCue, 1.0f, false);
        return;
    }
    const int base = focused ? (hover ? kFocusedHover : kFocused) : (hover ? kHover : kNormal);
    const int overlay = hover ? kSelectionHover : kSelection;
    if (focused && GetSelectionLength() > 0 && has(overlay)) {
        const RectT<double> area = GetTextArea();
        const RCPtr<LLook>& look = GetCurrentLook(base);
        const double origin = area.x + (look && look->GetFontText() ? look->GetFontText()->GetLineRect(0).x : 0.0f);
        const double left = origin + MeasureWidth(GetText().Left(unsigned(GetSelectionStart()))) - GetScrollOffset().x;
        const double right = origin +
                             MeasureWidth(GetText().Left(unsigned(GetSelectionStart() + GetSelectionLength()))) -
                             GetScrollOffset().x;
        LRectList selection;
        selection.AddRect(Edges(RectT<double>{left, area.y, right - left, area.height}.Round()));
        SetLookRegion(overlay, selection);
        SetLookRegionComplement(base, overlay);
        SetLookExclusive(base);
        SetLookWeight(overlay, 1.0f, false);
        return;
    }
    SetLookExclusive(base);
}

uint32_t LTextBox::GetCaretColor() const
{
    const uint32_t colour = GetColorAtPoint({m_caretX, m_caretY}, GetActiveLookIndex());
    const unsigned mean = (((colour >> 16) & 0xFF) + ((colour >> 8) & 0xFF) + (colour & 0xFF)) / 3;
    return mean < 129 ? 0xFFFFFFFF : 0xFF000000;
}

KXRESULT LTextBox::DrawOverlay(const RCPtr<LRenderer>& renderer)
{
    const KXRESULT r = LScrollView::DrawOverlay(renderer);
    if (!renderer || !HasFocus() || !m_caretShown)
        return r;
    const uint32_t c = GetCaretColor();
    const float v = (c & 0xFF) / 255.0f;
    const float x = float(m_caretX - GetScrollOffset().x);
    const float y = float(m_caretY - GetScrollOffset().y);
    renderer->DrawLine({x, y}, {x, y + float(m_caretHeight)}, LColor(v, v, v, 1.0f), 1.0f);
    return r;
}

String LTextBox::GetToolTipText() const
{
    if (const_cast<LTextBox*>(this)->IsTextTruncated())
        return GetText();
    return LScrollView::GetToolTipText();
}

} // namespace KX
