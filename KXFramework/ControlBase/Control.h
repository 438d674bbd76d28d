#pragma once
// The base of every visible element: a node of the control tree with its layout descriptor,
// conditions, value, idle subscription, text and invalidation.
// Thread: UI thread only.
#include "KXFramework/ControlBase/ControlDescriptor.h"
#include "KXFramework/ControlBase/EventParams.h"
#include "KXFramework/ControlBase/LayoutDescriptor.h"
#include "KXFramework/ControlBase/Look.h"
#include "KXFramework/ControlBase/MenuDescriptor.h"
#include "KXFramework/ControlBase/MenuItemUpdater.h"
#include "KXFramework/ControlBase/StringTable.h"
#include "KXFramework/ControlBase/UITarget.h"
#include "KXFramework/Notification/KeyBindingMap.h"
#include "KXFramework/Notification/NotificationCenter.h"
#include "KXFramework/Notification/NotificationDistributor.h"
#include "KXFramework/Notification/NotificationHandler.h"
#include "KXFramework/ObjectBase/TaggableObject.h"
#include "KXFramework/Renderer/Geometry.h"
#include "KXFramework/Renderer/RectList.h"
#include "KXFramework/Renderer/Renderer.h"
#include "KXFramework/Utilities/Graphics/Bitmap.h"
#include "KXFramework/Utilities/Graphics/Font.h"
#include "KXFramework/Utilities/Storage/RCPtrArray.h"
#include "KXFramework/Utilities/Storage/StringT.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace KX {

class LRootWindow;

// Bits of the conditions mask.
namespace Condition {
inline constexpr uint32_t kHasFocus = 0x001;
inline constexpr uint32_t kContainsFocus = 0x002;
inline constexpr uint32_t kHover = 0x004;
inline constexpr uint32_t kCapture = 0x008;
inline constexpr uint32_t kLeftPending = 0x010;
inline constexpr uint32_t kMiddlePending = 0x020;
inline constexpr uint32_t kRightPending = 0x040;
inline constexpr uint32_t kLeftDragging = 0x080;
inline constexpr uint32_t kMiddleDragging = 0x100;
inline constexpr uint32_t kRightDragging = 0x200;
inline constexpr uint32_t kEnabled = 0x400;
inline constexpr uint32_t kVisible = 0x800;
inline constexpr uint32_t kHoverOrHighlighted = 0x1000;
} // namespace Condition

class LControl : public virtual LNotificationClient,
                 public virtual LNotificationDistributor,
                 public virtual LTaggableObject,
                 public virtual UITarget {
public:
    enum ChildOrder { kInsertionOrder = 0, kZOrder = 1, kTabOrder = 2 };

    // The children in insertion order, with tab and z orders kept as index arrays that are sorted
    // again on first use after a change.
    class ChildControlList {
    public:
        explicit ChildControlList(LControl* owner) : m_owner(owner) {}
        ChildControlList(const ChildControlList&) = delete;
        ChildControlList& operator=(const ChildControlList&) = delete;

        unsigned GetCount() const { return m_children.GetCount(); }
        // Throws a runtime error for an index not below the count or an unknown order.
        RCPtr<LControl>& GetAt(unsigned index, int order);
        const RCPtr<LControl>& GetAt(unsigned index, int order) const;
        // E_INVALIDARG for null; E_FAIL when a child has the same name; else 0.
        [[nodiscard]] KXRESULT Add(const RCPtr<LControl>& child);
        // The child's former position, or -1.
        int Remove(const RCPtr<LControl>& child);
        void Clear();
        // 1 when unchanged; E_FAIL when another child has the name; E_INVALIDARG when not a child.
        [[nodiscard]] KXRESULT Rename(const RCPtr<LControl>& child, const String& newName);
        bool HasChildNamed(const String& name) const { return m_byName.count(Key(name)) != 0; }
        // The child of that name, or null.
        LControl* FindNamed(const String& name) const;
        // The child's position in insertion order, or -1 when it is not in this list.
        int IndexOf(const LControl* child) const;
        // Marks both orders for sorting again.
        void Touch() { ++m_changeCounter; }

    private:
        static std::u16string_view Key(const String& name) { return std::u16string_view(name.GetData()); }
        void SortOrders() const;
        const RCPtr<LControl>& Entry(unsigned index, int order, int lineIndex, int lineOrder) const;

        RCPtrArray<LControl, 1, 0> m_children;
        // Names are unique among siblings, so adding and finding by name need not walk the list.
        // The keys view the children's own name texts, which change only through Rename.
        std::unordered_map<std::u16string_view, LControl*> m_byName;
        mutable std::vector<uint32_t> m_tabOrder;
        mutable std::vector<uint32_t> m_zOrder;
        uint32_t m_changeCounter = 1;
        mutable uint32_t m_sortedAt = 0;
        LControl* const m_owner;
    };

    LControl(const RCPtr<LControl>& parent, const String& name);
    ~LControl() override;

    // Tree.
    ChildControlList& GetChildren() { return m_children; }
    const ChildControlList& GetChildren() const { return m_children; }
    const String& GetName() const { return m_name; }
    const RCPtr<LControl>& GetParent() const { return m_parent; }
    // 1 when unchanged; E_FAIL when the new parent has a child of that name (nothing changes);
    // else 0.
    [[nodiscard]] KXRESULT SetParent(const RCPtr<LControl>& newParent);
    [[nodiscard]] virtual KXRESULT AddChild(const RCPtr<LControl>& child, const RCPtr<LControlDescriptor>& descriptor);
    // Hides the child now and destroys it at this control's next idle tick. E_INVALIDARG when it
    // is not a child.
    // The result is for the record only; callers may ignore it.
    KXRESULT RemoveChild(const RCPtr<LControl>& child);
    virtual void Destroy();
    // The child's entry, or a shared null pointer.
    const RCPtr<LControl>& FindChild(const String& name) const;
    int FindDescendants(const String& name, RCPtrArray<LControl, 1, 0>& out) const;
    int GetDescendants(RCPtrArray<LControl, 1, 0>& out) const;
    void GetTopLevelControl(RCPtr<LControl>& out);
    RCPtr<LRootWindow>* GetRootWindowPtr();
    // E_FAIL for a control with a parent.
    // The result is for the record only; callers may ignore it.
    KXRESULT SetRootWindow(const RCPtr<LRootWindow>& root);
    void IncrementSubtreeCount();
    void DecrementSubtreeCount();
    int32_t GetUnclippedDescendantCount() const { return m_unclippedCount; }
    unsigned GetPendingRemovalCount() const { return m_pendingRemovals.GetCount(); }
    KXRESULT BreakCycles() override;

    // Notifications reach the handler table only once the control is created.
    KXRESULT ReceiveNotification(const RCPtr<LNotificationDistributor>& sender, const RCPtr<LNotification>& n) override;
    [[nodiscard]] KXRESULT UnregisterForNotification(const RCPtr<LNotificationDistributor>& sender,
                                                     const char16_t* name) override;
    const RCPtr<LNotificationHandler<LControl>>& GetNotificationHandler() const { return m_handlers; }
    bool IsCreated() const { return m_created; }
    void SetCreated() { m_created = true; }

    // Creation steps, in the order they run.
    [[nodiscard]] virtual KXRESULT ApplyDescriptor(const RCPtr<LControlDescriptor>& descriptor);
    [[nodiscard]] virtual KXRESULT CreateSubControls(const RCPtr<LControlDescriptor>& descriptor);
    [[nodiscard]] virtual KXRESULT Initialize();
    [[nodiscard]] virtual KXRESULT ReadCreateParams();
    [[nodiscard]] virtual KXRESULT PostInitialize();
    // Places both axes to fill the window's client area (reference names and docked flags kept)
    // and lays the control out once.
    void FillClientArea();
    // Offered a top-level control's rectangle when a skin is re-applied; 1 makes the window take it.
    [[nodiscard]] virtual KXRESULT OfferWindowArea(const RectT<double>& area);
    virtual void SetNotFocusable(bool notFocusable);
    bool IsNotFocusable() const { return m_notFocusable; }
    bool WantsTab() const { return m_wantsTab; }
    bool UsesParentToolTip() const { return m_usesParentToolTip; }
    // Shows the parent's tool tip instead of the control's own, as USE_PARENT_TOOLTIP does.
    void SetUsesParentToolTip(bool uses) { m_usesParentToolTip = uses; }
    // The "LHK" keys of the control's string table.
    const KeyBindingMap& GetLocalHotKeys() const { return m_localHotKeys; }
    const RCPtr<LControlDescriptor>& GetDescriptor() const { return m_descriptor; }
    const RCPtr<LLayoutDescriptor>& GetLayoutDescriptor() const { return m_layout; }

    // Layout.
    const RectT<double>& GetRect() const { return m_rect; }
    const PointT<double>& GetScrollOffset() const { return m_scrollOffset; }
    bool GetClipToParent() const { return !m_layout || m_layout->clipToParent; }
    virtual void SetClipToParent(bool clip);
    // 0 when the rectangle changed, 1 when not, E_FAIL without a descriptor or a root window.
    // The layout results down to SetSizeLimits are for the record only; callers may ignore them.
    KXRESULT RecalcLayoutFromDescriptor();
    KXRESULT RecalcLayout(const PointT<int32_t>& size) override;
    // 1 when both equal the current ones, else 0.
    KXRESULT StoreLayoutRect(const PointT<double>& position, const PointT<double>& size);
    // 0 when the descriptor holds exactly the given specs after the re-layout, else 1;
    // E_INVALIDARG for an axis other than 0 and 1.
    KXRESULT SetPlacement(int axis, const PositionSpec& position, const SizeSpec& size);
    // Changes one axis of the placement: edit gets the descriptor's specs of that axis to change,
    // and they are applied as SetPlacement does, with its result. E_FAIL without a descriptor and
    // E_INVALIDARG for an axis other than 0 and 1, without calling edit.
    KXRESULT EditPlacement(int axis, const std::function<void(PositionSpec&, SizeSpec&)>& edit);
    KXRESULT SetSizeLimits(int axis, const SizeLimitSpec& minimum, const SizeLimitSpec& maximum);
    // The size the minimum rules alone give; the descriptor is left as it was.
    PointT<double> GetPreferredSize();
    virtual PointT<double> GetAbsoluteMaxSize() const;
    virtual void GetSizeLimits(PointT<double>& minimum, PointT<double>& maximum) const;
    // The client part of the look in use, cached until CheckClientSizeChange.
    virtual RectT<double> GetClientRect() const;
    // The client part of the look GetCurrentLook picks for the index; the whole control without one.
    RectT<double> GetLookClientRect(int lookIndex) const;
    virtual RectT<double> GetClientExtentRect() const;
    virtual RectT<double> GetVisibleClientRect() const;
    virtual void CheckClientSizeChange();
    virtual void SetScrollOffset(const PointT<double>& offset);
    virtual void ScrollContents(const PointT<double>& oldOffset, const PointT<double>& newOffset);
    [[nodiscard]] virtual KXRESULT OnParentScrolled(const PointT<double>& oldOffset, const PointT<double>& newOffset);
    [[nodiscard]] virtual KXRESULT OnChildRectChanged(const RCPtr<LControl>& child);
    virtual void InvalidateChildArea(const RCPtr<LControl>& child);
    PointT<double> GetPositionInRoot() const;
    PointT<double> GetPositionInParentClient() const;
    PointT<double> GetClientOrigin() const;
    // Half away from zero, in doubles.
    static double Round(double v);
    // A point of `other` in this control's coordinates.
    PointT<double> MapPointFromControl(const LControl& other, const PointT<double>& point) const;
    // The bounds of the children docked on neither axis; false, with an empty rectangle, when
    // there is none.
    bool GetChildrenBounds(RectT<double>& out) const;
    // The size the label text needs on an axis whose text overflow lets it size the control; 0
    // when it does not.
    double GetTextMinimumSize(int axis, const PointT<double>& size);

    // Value and range.
    virtual double SetValue(double t);
    virtual void OnValueChanged();
    // The result is for the record only; callers may ignore it.
    virtual KXRESULT SetRange(double minimum, double maximum, int32_t scaleType);
    double GetValue() const { return m_value; }
    double GetRangeMinimum() const { return m_rangeMinimum; }
    double GetRangeMaximum() const { return m_rangeMaximum; }
    double NormalizedToValue(double t) const;
    double ValueToNormalized(double v) const;
    // Sets a value given in the range's units, clamped into the range (SetValue, so subscribers
    // hear of a change), and returns the value stored, in those units. NaN changes nothing.
    double SetValueInRange(double value);

    // Conditions.
    uint32_t ComputeConditions() const;
    void PublishConditions();
    const RCPtr<LConditionsParam>& GetConditions() const { return m_conditions; }
    bool IsVisible(bool includeAncestors) const;
    bool IsEnabled(bool includeAncestors) const;
    virtual bool SetVisible(bool visible);
    virtual void SetEnabled(bool enabled);
    void SetHighlighted(bool highlighted);
    virtual void ApplyConditions(const RCPtr<LConditionsParam>& param);
    bool HasCapture() const { return m_capture; }
    bool HasFocus() const { return m_hasFocus; }
    bool ContainsFocus() const { return m_containsFocus; }
    bool IsHovered() const { return m_hover; }
    bool IsHighlighted() const { return m_highlighted; }
    // Button 0 (left), 1 (middle) or 2 (right) is held and has moved past the drag threshold.
    bool IsButtonDragging(int button) const { return button >= 0 && button < 3 && m_dragging[button]; }
    // Where the last press landed, in the parent's coordinates.
    const PointT<double>& GetGrabPoint() const { return m_grabPoint; }

    // Hit testing. p and local are in the control's own coordinates; bestZ rises to the found
    // control's effective z.
    virtual RCPtr<LControl>& FindControlAt(RCPtr<LControl>& found, const PointT<int32_t>& p, bool acceptBase,
                                           PointT<int32_t>& local, int32_t& bestZ);
    virtual bool ContainsPoint(const PointT<int32_t>& p) const;
    // The largest Z_Order over the control and its ancestors that are not clipped to their
    // parent; INT32_MIN when all are.
    int32_t GetEffectiveZ() const;
    void SetExcluded(bool excluded) { m_excluded = excluded; }
    bool IsExcluded() const { return m_excluded; }
    // The control answers hit tests for its children and hands them a held press later.
    void SetInterceptsChildren(bool intercepts) { m_interceptsChildren = intercepts; }
    const RCPtr<LControl>& GetLastChildHit() const { return m_lastChildHit; }

    // Context menu.
    virtual RCPtr<LMenuDescriptor>& GetContextMenu() { return m_contextMenu; }
    // Unbinds the old menu's hot keys and binds the new one's, so shortcuts work while closed.
    void SetContextMenu(const RCPtr<LMenuDescriptor>& menu);
    // Opens the skin's "contextMenu" popup with the menu; 0.
    // The result is for the record only; callers may ignore it.
    KXRESULT ShowContextMenu(const RCPtr<LMenuDescriptor>& menu);
    // Called with the popup after it got the menu and before it opens.
    virtual void OnContextMenuCreated(const RCPtr<LControl>& popup);
    // The menus of the string table's "CONTEXT_MENU" entries, in their ordinal order.
    void GetMenusFromStringTable(RCPtrArray<LMenuDescriptor, 1, 0>& out) const;
    // Made on first use with this control as its target; the same one afterwards.
    const RCPtr<LMenuItemUpdater>& GetMenuItemUpdater();

    // Pointer input.
    [[nodiscard]] KXRESULT OnMouseEnter() override;
    [[nodiscard]] KXRESULT OnMouseMove(const RCPtr<LPointWithModifiersParam>& pointer) override;
    [[nodiscard]] KXRESULT OnMouseDown(const RCPtr<LMouseButtonParam>& press) override;
    [[nodiscard]] KXRESULT OnMouseUp(const RCPtr<LMouseButtonParam>& release) override;
    [[nodiscard]] KXRESULT OnMouseLeave() override;
    [[nodiscard]] KXRESULT BeginDrag(int32_t button, int32_t x, int32_t y) override;
    KXRESULT OnCaptureLost() override;
    [[nodiscard]] KXRESULT OnMouseWheel(const RCPtr<LMouseWheelParam>& wheel) override;
    [[nodiscard]] KXRESULT OnMouseHWheel(const RCPtr<LMouseWheelParam>& wheel) override;
    // Visible with its ancestors, enabled itself, and under an enabled parent.
    bool AcceptsInput() const;
    // E_INVALIDARG for a negative threshold.
    // The result is for the record only; callers may ignore it.
    KXRESULT SetDragThreshold(int32_t pixels);
    [[nodiscard]] virtual KXRESULT DispatchClick(const RCPtr<LMouseButtonParam>& param);
    [[nodiscard]] virtual KXRESULT OnLeftClick(const RCPtr<LMouseButtonParam>& param);
    [[nodiscard]] virtual KXRESULT OnMiddleClick(const RCPtr<LMouseButtonParam>& param);
    [[nodiscard]] virtual KXRESULT OnRightClick(const RCPtr<LMouseButtonParam>& param);

    // Focus and keys.
    virtual bool AcceptsTextInput() const { return false; }
    virtual void FindTextInputTarget(RCPtr<LControl>& out);
    [[nodiscard]] virtual KXRESULT PerformEdit(int32_t request);
    // 0 on success, 1 when nothing was to be done, E_FAIL when the focus could not move.
    // The result is for the record only; callers may ignore it.
    virtual KXRESULT SetFocus(bool forward);
    bool CanTakeFocus() const;
    virtual bool HasFocusableDescendant() const;
    // False for a control that only groups others: it takes the focus only through one inside it.
    virtual bool TakesFocusItself() const { return true; }
    // Called on the new focus control when Tab or Shift+Tab brought the focus to it.
    virtual void OnFocusEnteredByTab() {}
    // Tab or Shift+Tab from this control, as its parent's focus navigation walks on from it;
    // the control the focus reaches hears that Tab brought it.
    void MoveFocusOnward(const RCPtr<LKeyParam>& key);
    // A menu's question for the state of one item; the answer changes state. 1: not handled.
    [[nodiscard]] virtual KXRESULT HandleEditRequest(const RCPtr<LMenuDescriptor>& menu, unsigned index,
                                                     const String& notification, MenuItemState& state);
    // The result is for the record only; callers may ignore it.
    virtual KXRESULT FocusOnClick(const RCPtr<LControl>& pressed);
    // The children in the order Tab walks them, the order a page is read in: lines from top to
    // bottom, each from left to right. A child joins a line while its top is above the middle of
    // the line's first child; children in the same place keep their tab order.
    std::vector<RCPtr<LControl>> GetChildrenInReadingOrder() const;
    // A child's place in that order; -1 for none.
    int ReadingIndexOf(const LControl* child) const;
    // The next qualifying child after `current` in reading order, with wrap-around; null when none.
    virtual RCPtr<LControl> GetNextTabStop(const RCPtr<LControl>& current, bool backward);
    [[nodiscard]] virtual KXRESULT OnKey(const RCPtr<LKeyParam>& key);
    // 0 when a control registered for this control's sibling keys took the key, else 1.
    [[nodiscard]] virtual KXRESULT SendSiblingKey(const RCPtr<LKeyParam>& key);
    [[nodiscard]] virtual KXRESULT HandleKey(const RCPtr<LKeyParam>& key);
    [[nodiscard]] virtual KXRESULT MoveFocus(const RCPtr<LKeyParam>& key);
    // Orders the receivers of a sibling key: stably by tab order (strangers first), starting
    // after the focus control.
    virtual void OrderSiblingKeyReceivers(std::vector<RCPtr<LControl>>& receivers);
    void OnKeyInput(const RCPtr<LKeyParam>& key) override;
    bool AllowFocusChange() override { return true; }
    bool OnFocusLost() override;
    // The last child in insertion order that has or contains the focus.
    RCPtr<LControl> GetFocusedChild() const;
    void SetFocusBoundary(bool boundary) { m_focusBoundary = boundary; }

    // User move: a mode, and flags that name the axes moved or drag-scrolled, or the edges resized.
    enum UserMoveMode : int32_t {
        kMoveOff = 0,
        kMoveWithDropTargets = 1, // auto-scroll at the drop target's edges
        kMoveInParent = 2,
        kMoveScrollingParent = 3, // auto-scroll at the parent's edges
        kResizeEdges = 4,
        kResizeScrollingParent = 5,
        kDragScroll = 6, // dragging scrolls the content
    };
    enum UserMoveFlag : int32_t {
        kMoveX = 0x01,
        kMoveY = 0x02,
        kMoveXY = kMoveX | kMoveY,
        kRightEdge = 0x04,
        kLeftEdge = 0x08,
        kTopEdge = 0x10,
        kBottomEdge = 0x20,
        // The flags that let a move scroll the parent along X, and along Y.
        kScrollsX = kMoveX | kRightEdge | kLeftEdge,
        kScrollsY = kMoveY | kTopEdge | kBottomEdge,
    };
    // The result is for the record only; callers may ignore it.
    virtual KXRESULT SetUserMoveMode(int32_t mode, int32_t flags);
    int32_t GetUserMoveMode() const { return m_userMoveMode; }
    virtual void BeginUserMove();
    virtual void RebaseUserMove();
    virtual void UserMoveStep(const RCPtr<LPointWithModifiersParam>& pointer);
    virtual void HandleConditionsChange();
    virtual RCPtr<LControl> FindDropTarget(const RCPtr<LControl>& moving, const PointT<double>& rootPoint);
    virtual bool AcceptsDrop(const RCPtr<LControl>& moving);
    // The edge flags (kRightEdge, ...) where a drop target scrolls by itself.
    virtual uint32_t GetDropScrollEdges(const RCPtr<LControl>& moving);
    virtual void OnDragEnter(const RCPtr<LControl>& moving);
    virtual void OnDragOver(const RCPtr<LControl>& moving, const PointT<double>& rootPoint);
    virtual void OnDragLeave(const RCPtr<LControl>& moving);
    [[nodiscard]] virtual KXRESULT OnDrop(const RCPtr<LControl>& moving);
    const RCPtr<LControl>& GetDropTarget() const;
    const PointT<double>& GetDragVelocity() const;

    // Auto-scroll, per axis 0 (x) and 1 (y).
    // The auto-scroll results are for the record only; callers may ignore them.
    KXRESULT StartAutoScroll(int axis, double rate, double maximum, double minimum, const RCPtr<LControl>& dragSource);
    // 0 when the axis was scrolling, else 1.
    KXRESULT StopAutoScroll(int axis);
    bool IsAutoScrolling(int axis) const
    {
        return axis >= 0 && axis < 2 && m_autoScroll && m_autoScroll->axes[axis].active;
    }
    double GetAutoScrollRate(int axis) const
    {
        return axis >= 0 && axis < 2 && m_autoScroll ? m_autoScroll->axes[axis].rate : 0.0;
    }

    // Looks.
    // Appends a look with weight 0; its index.
    virtual int AddLook(const RCPtr<LLook>& look);
    // The look at the index when it is in range (null entries too); else the first weighted look,
    // else the first look, else a shared null look.
    const RCPtr<LLook>& GetCurrentLook(int index) const;
    // The first look that exists and has weight above 0; -1 when none.
    int GetActiveLookIndex() const;
    unsigned GetLookCount() const { return m_looks.GetCount(); }
    // The look at an index below GetLookCount; it may be null.
    const RCPtr<LLook>& GetLook(unsigned index) const { return m_looks.GetAt(index); }
    float GetLookWeight(unsigned index) const { return index < m_lookWeights.size() ? m_lookWeights[index] : 0.0f; }
    // A weight outside [0, 1] is ignored; exclusive zeroes every other weight. E_INVALIDARG for an
    // index out of range.
    // The look setters' results are for the record only; callers may ignore them.
    KXRESULT SetLookWeight(unsigned index, float weight, bool exclusive);
    virtual KXRESULT SetLookExclusive(unsigned index);
    void ClearLookRegions();
    KXRESULT SetLookRegion(int index, const LRectList& region);
    // Look a gets the control's rectangle less look b's region.
    KXRESULT SetLookRegionComplement(int indexA, int indexB);
    [[nodiscard]] KXRESULT SetLookBitmap(const RCPtr<LBitmap>& bitmap, int32_t resizeType, int index,
                                         bool replaceClient);
    virtual uint32_t GetColorAtPoint(const PointT<double>& point, int lookIndex) const;
    // Transparent where every weighted look is.
    virtual bool IsTransparentAt(const PointT<double>& point) const;

    // Fonts.
    const RCPtr<LFont>& GetFont() const { return m_font; }
    // An empty face, a size of 0 or less and a style of -1 take the base font's (the parent's when
    // the control inherits, else the application's); a relative size multiplies the base size.
    [[nodiscard]] KXRESULT SetFont(const String& face, float size, int32_t style, bool sizeIsRelative);
    // E_INVALIDARG for null; 1 when it is the present font.
    [[nodiscard]] KXRESULT ApplyFont(const RCPtr<LFont>& font);
    [[nodiscard]] virtual KXRESULT RefreshInheritedFont();
    // Whether the current look's first line of text is wider than its text area.
    bool IsTextTruncated();

    // Painting.
    // Draws the control and its clipped subtree over the dirty region (window coordinates) and
    // appends the unclipped controls below it to deferred. E_INVALIDARG when the pass does not
    // match the control's ClipToParent.
    [[nodiscard]] virtual KXRESULT Paint(const RCPtr<LRenderer>& renderer, const LRectList& dirty,
                                         RCPtrArray<LControl, 1, 0>& deferred, bool unclippedPass);
    [[nodiscard]] virtual KXRESULT DrawContent(const RCPtr<LRenderer>& renderer);
    [[nodiscard]] virtual KXRESULT DrawOverlay(const RCPtr<LRenderer>& renderer);
    float GetOpacity() const { return m_opacity; }
    void SetTextFollowsScroll(bool follows) { m_textFollowsScroll = follows; }

    // Invalidation.
    virtual void InvalidateRect(const RectT<double>& rect, bool clip);
    virtual void PropagateInvalidRect(const RectT<double>& rootRect, bool clip, const RectT<double>& localRect);
    void InvalidateWhole();
    void InvalidateUnclippedArea();
    int CollectUnclippedDescendants(RCPtrArray<LControl, 1, 0>& out, bool onlyVisible, bool includeSelf);
    static bool IntersectRect(RectT<double>& out, const RectT<double>& a, const RectT<double>& b);
    RectT<double> GetParentClipRect() const;

    // Idle.
    // The idle subscription results are for the record only; callers may ignore them.
    KXRESULT SubscribeIdle();
    KXRESULT UnsubscribeIdle();
    virtual void RefreshIdleSubscription();
    [[nodiscard]] KXRESULT OnIdle(const RCPtr<LNotificationDistributor>& sender, const RCPtr<LNotification>& n);
    virtual void OnIdleTick();
    int32_t GetIdleSubscriptionCount() const { return m_idleCount; }

    // Text, tool tip and cursor.
    // The result is for the record only; callers may ignore it.
    virtual KXRESULT SetText(const String& text);
    bool UpdateText(const String& text, bool relayout);
    const String& GetText() const { return m_text; }
    virtual const RCPtr<LStringTable>& GetStringTable() const { return m_stringTable; }
    String& GetString(String& text, const char16_t* key) const;
    virtual String GetToolTipText() const;
    // True: makes the skin's "toolTip" control a child with the tool-tip text and shows it; false:
    // hides the "toolTip" child. Nothing for an empty text or a skin without a "toolTip".
    // The result is for the record only; callers may ignore it.
    virtual KXRESULT ShowToolTip(bool show);
    void SetCursor(uintptr_t cursor);
    uintptr_t ApplyCursor();

protected:
    // Empty per-button and pointer hooks.
    virtual void OnLeftButtonDown(const RCPtr<LMouseButtonParam>&) {}
    virtual void OnLeftButtonUp(const RCPtr<LMouseButtonParam>&) {}
    virtual void OnMiddleButtonDown(const RCPtr<LMouseButtonParam>&) {}
    virtual void OnMiddleButtonUp(const RCPtr<LMouseButtonParam>&) {}
    virtual void OnRightButtonDown(const RCPtr<LMouseButtonParam>&) {}
    virtual void OnRightButtonUp(const RCPtr<LMouseButtonParam>&) {}
    virtual void OnPointerMoved(const RCPtr<LPointWithModifiersParam>&) {}
    // 1: not handled, the wheel goes on to the parent.
    [[nodiscard]] virtual KXRESULT HandleMouseWheel(const RCPtr<LMouseWheelParam>& wheel);
    [[nodiscard]] virtual KXRESULT HandleMouseHWheel(const RCPtr<LMouseWheelParam>& wheel);
    virtual void HandleLeftClick(const RCPtr<LMouseButtonParam>&) {}
    virtual void HandleMiddleClick(const RCPtr<LMouseButtonParam>&) {}
    virtual void HandleRightClick(const RCPtr<LMouseButtonParam>&) {}
    // User-move hooks: the bounds of a step, and after each step.
    virtual void AdjustUserMoveBounds(RectT<double>&) {}
    virtual void OnUserMoveStepped(const RCPtr<LPointWithModifiersParam>&) {}
    // Runs the auto-scroll steps and the delayed press hand-over; called on every idle tick.
    void RunInputIdleWork();
    // Binds a hot key besides the string table's "LHK" ones, taking the siblings' keys as those do;
    // the map's Bind result.
    [[nodiscard]] KXRESULT BindLocalHotKey(const KeyCode& key, const char16_t* notification);

    // Runs the content or overlay hook once per dirty rectangle that meets the control.
    void DrawHookPerDirtyRect(const RCPtr<LRenderer>& renderer, const LRectList& dirty, bool overlay);
    void PaintChildren(const RCPtr<LRenderer>& renderer, const LRectList& dirty, int lookIndex,
                       RCPtrArray<LControl, 1, 0>& deferred);
    // Destroys the children waiting for removal, in the order they were removed.
    void DestroyPendingRemovals();

private:
    // The control's own state: subclasses reach it through the accessors above.
    RCPtr<LControlDescriptor> m_descriptor;
    RCPtr<LLayoutDescriptor> m_layout;
    RectT<double> m_rect;
    PointT<double> m_scrollOffset;
    bool m_hover = false;
    bool m_pending[3] = {false, false, false};
    bool m_dragging[3] = {false, false, false};
    bool m_highlighted = false;
    PointT<double> m_grabPoint;
    double m_value = 0.0;
    double m_rangeMinimum = 0.0;
    double m_rangeMaximum = 0.0;
    RCPtrArray<LLook, 1, 0> m_looks;
    RCPtr<LControl> m_parent;
    RCPtr<LStringTable> m_stringTable;
    bool m_usesParentToolTip = false;
    KeyBindingMap m_localHotKeys;
    String m_text;
    RCPtr<LFont> m_font;
    bool m_fontInheritsFromParent = false;
    bool m_created = false;
    mutable RectT<double> m_clientRect;
    uintptr_t m_cursor = 0;
    ChildControlList m_children;
    RCPtr<LNotificationHandler<LControl>> m_handlers;
    int32_t m_unclippedCount = 0;
    RCPtr<LConditionsParam> m_conditions;
    bool m_hasFocus = false;
    bool m_containsFocus = false;
    bool m_capture = false;
    int32_t m_scaleType = 0;
    std::vector<float> m_lookWeights;
    float m_opacity = 1.0f;
    RCPtr<LRootWindow> m_rootWindow;
    bool m_wantsTab = false;
    bool m_notFocusable = true;
    bool m_inheritFace = false;
    bool m_inheritSize = false;
    bool m_inheritStyle = false;
    bool m_sizeIsRelative = false;
    float m_relativeSizeFactor = 1.0f;
    bool m_textFollowsScroll = false;
    String m_toolTipText;
    bool m_layoutSuspended = false;
    mutable bool m_clientRectValid = false;
    bool m_scrolling = false;
    int32_t m_idleCount = 0;
    uintptr_t m_replacedCursor = 0;
    RCPtrArray<LControl, 1, 0> m_pendingRemovals;
    RCPtr<LNotificationCenter> m_notificationCenter;
    bool m_excluded = false;
    bool m_interceptsChildren = false;
    bool m_focusBoundary = false;
    RCPtr<LControl> m_lastChildHit;
    PointT<int32_t> m_lastChildPoint;
    int32_t m_lastChildZ = INT32_MIN;
    RCPtr<LMenuDescriptor> m_contextMenu;
    RCPtr<LMenuItemUpdater> m_menuItemUpdater;
    RCPtr<LMouseButtonParam> m_pressRecord;
    int32_t m_dragThreshold = 1;
    uint32_t m_moveTime = 0;
    uint32_t m_previousMoveTime = 0;
    uint32_t m_pressTime = 0;
    uint32_t m_releaseTime = 0;
    int32_t m_userMoveMode = 0;
    bool m_delayedPressSubscribed = false;

    // A user move and the drop it may end in: made when a move mode is first set, so that the many
    // controls the user never moves carry one pointer.
    struct UserMove {
        int32_t flags = 0;
        PointT<double> dragVelocity;
        PointT<double> lastDisplacement;
        // Move origin: start size, the parent's scroll offset, and the layout's x, y, width, height.
        PointT<double> startSize;
        PointT<double> startParentScroll;
        double origin[4] = {0.0, 0.0, 0.0, 0.0};
        bool wasUnclipped = false;
        bool wasDocked[2] = {false, false};
        RCPtr<LControl> dropTarget;
        bool stepping = false;
    };
    // Automatic scrolling of this control, made when it first starts.
    struct AutoScroll {
        struct Axis {
            bool active = false;
            bool flick = false;
            double lastTick = 0.0;
            double rate = 0.0;
            double minimum = 0.0;
            double maximum = 0.0;
            RCPtr<LControl> dragSource;
        };
        Axis axes[2];
    };
    UserMove& MoveState();
    bool IsFlicking(int axis) const { return m_autoScroll && m_autoScroll->axes[axis].flick; }
    std::unique_ptr<UserMove> m_userMove;
    std::unique_ptr<AutoScroll> m_autoScroll;

    friend class ChildControlList;
    // Private, and changed only by ChildControlList::Rename: the parent's name index views this text.
    String m_name;
    // The position in the parent's child list, kept by that list.
    unsigned m_indexInParent = 0;
    void ApplyFirstDescriptor(const RCPtr<LControlDescriptor>& descriptor);
    // Looks from the descriptor's look list, the font flags and the font from its skin part.
    void CreateLooksAndFont(const RCPtr<LControlDescriptor>& descriptor);
    void ReapplySkinDescriptor(const RCPtr<LControlDescriptor>& descriptor);
    // Takes the children out of the list and lays the control out afresh from a zero rectangle.
    void TakeChildrenAndRelayout(RCPtrArray<LControl, 1, 0>& taken);
    // The root window of the tree: the top-level control's own.
    RCPtr<LRootWindow> FindRootWindow() const;
    // No control from this one upwards (to a focus boundary or the top) is marked not focusable.
    bool AncestorsAllowFocus() const;
    // Sets contains-focus up the parent chain for a new focus holder below `child`.
    [[nodiscard]] KXRESULT MarkFocusAncestors(const RCPtr<LControl>& child);
    // The first (forward) or last tab stop that can take the focus or leads to it.
    RCPtr<LControl> FirstFocusableChild(bool forward);
    [[nodiscard]] KXRESULT OnSiblingKey(const RCPtr<LNotificationDistributor>& sender, const RCPtr<LNotification>& n);
    [[nodiscard]] KXRESULT ResendMenuHotKey(const RCPtr<LNotificationDistributor>& sender,
                                            const RCPtr<LNotification>& n);
    void BindMenuHotKeys(const LMenuDescriptor& menu, bool bind);
    [[nodiscard]] KXRESULT RouteWheel(const RCPtr<LMouseWheelParam>& wheel, bool horizontal);
    void AutoScrollStep(int axis);
    void HandOverDelayedPress();
    // Hiding or disabling hands the focus to a parent that takes it itself, else from a field to the
    // next field beside it, else to none; showing or enabling may take it.
    void HandOverFocus(bool gained);
    // A press's focus, on this control itself or on a child that passed it up: to this control or
    // a field inside it; released when it leads to none.
    void TakeFocusOnPress(bool onItself);
    // The first child after `child`, round in reading order, that takes the focus or holds a field.
    RCPtr<LControl> NextFieldAfter(const RCPtr<LControl>& child);
    [[nodiscard]] KXRESULT OfferToHotKeyTables(const RCPtr<LKeyParam>& key);
    // Local hot keys take the control's own keys and its siblings'.
    void SubscribeSiblingKeys();
    void RecordMoveOrigin();
    // Mode 1: finds the drop target under the pointer, tells it, and finds its scrolling edges.
    void TrackDropTarget(const PointT<double>& rootPoint, int band[2], double depth[2]);
};

} // namespace KX
