#pragma once
// One way a control can appear: a client part filling the client area, non-client parts docked to
// the control's edges, an optional image part set at run time, and the label text drawn with a
// foreground part. A look lays its parts out for the control's size, draws them over the dirty
// region, and reports the colour under a point for hit testing.
// Thread: UI thread only.
#include "KXFramework/ControlBase/LookDescriptor.h"
#include "KXFramework/ControlBase/VisualPart.h"
#include "KXFramework/ObjectBase/RefCountedObject.h"
#include "KXFramework/ObjectBase/Result.h"
#include "KXFramework/Renderer/FontText.h"
#include "KXFramework/Renderer/Geometry.h"
#include "KXFramework/Renderer/RectList.h"
#include "KXFramework/Renderer/Renderer.h"
#include "KXFramework/Utilities/Storage/StringT.h"

#include <cstdint>
#include <vector>

namespace KX {

class LLook : public virtual LRefCountedObject {
public:
    // wrapText: the control's text overflow on X is "Wrap".
    static RCPtr<LLook> Create(const RCPtr<LLookDescriptor>& descriptor, bool wrapText);
    [[nodiscard]] KXRESULT Initialize(const RCPtr<LLookDescriptor>& descriptor, bool wrapText);

    // Each returns 1 when a part's Draw did, else 0.
    virtual int DrawNonClientParts(const RCPtr<LRenderer>& renderer, const LRectList& dirty);
    virtual int DrawClientPart(const RCPtr<LRenderer>& renderer, const LRectList& dirty);
    // origin is subtracted from every line's position; 1 without label text, else 0.
    [[nodiscard]] virtual KXRESULT DrawLabelText(const RCPtr<LRenderer>& renderer, const LRectList& dirty,
                                                 const PointT<double>& origin);

    // Lays the parts out for a control of this size; true.
    bool SetSize(const PointT<int32_t>& size);
    // Without label text: true; else whether the text (font) changed.
    bool SetText(const String& text);
    bool SetFont(const RCPtr<LFont>& font);
    // A bitmap becomes the image part (drawn over the client part, or instead of it); null removes
    // it, 1 when there was none.
    [[nodiscard]] KXRESULT SetBitmap(const RCPtr<LBitmap>& bitmap, int32_t resizeType, bool replaceClient);
    // 0xAARRGGBB at a point of the control: the first part that is not transparent there.
    uint32_t GetColorAtPoint(const PointT<double>& point) const;

    const RCPtr<LLookDescriptor>& GetDescriptor() const { return m_descriptor; }
    const RectT<int32_t>& GetClientRect() const { return m_clientRect; }
    const RCPtr<LFontText>& GetFontText() const { return m_fontText; }
    // The part whose colour draws the label text; a label inside another control may take that
    // control's, to be drawn in the same colour.
    const RCPtr<LVisualPart>& GetTextForegroundPart() const { return m_textForegroundPart; }
    void SetTextForegroundPart(const RCPtr<LVisualPart>& part) { m_textForegroundPart = part; }
    const PointT<int32_t>& GetTextPos() const { return m_textPos; }
    LRectList& GetRegion() { return m_region; }
    const LRectList& GetRegion() const { return m_region; }
    // The text area for a control of that size; empty without text properties.
    RectT<float> GetTextArea(float width, float height) const;

private:
    enum class Target { NonClient, Client, Label };
    // The dirty region, limited to the look's region when it has one, in window coordinates.
    LRectList DrawRegion(const RCPtr<LRenderer>& renderer, const LRectList& dirty) const;
    int DrawParts(const RCPtr<LRenderer>& renderer, const LRectList& dirty, Target target,
                  const PointT<double>& origin);
    int DrawInto(const RCPtr<LRenderer>& renderer, Target target, size_t index, const PointT<double>& origin);
    void DrawLines(const RCPtr<LRenderer>& renderer, const PointT<double>& origin);

    RCPtr<LLookDescriptor> m_descriptor;
    RCPtr<LVisualPart> m_textForegroundPart;
    PointT<int32_t> m_size;
    RectT<int32_t> m_clientRect;
    std::vector<RectT<int32_t>> m_partRects;
    std::vector<RCPtr<LVisualPart>> m_parts;
    RCPtr<LVisualPart> m_clientPart;
    RCPtr<LVisualPart> m_imagePart;
    bool m_imageReplacesClient = false;
    RCPtr<LFontText> m_fontText;
    PointT<int32_t> m_textPos;
    PointT<int32_t> m_textBox;
    LRectList m_region;
};

} // namespace KX
