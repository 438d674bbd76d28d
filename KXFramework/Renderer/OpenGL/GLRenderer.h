#pragma once
// The renderer of kind 0: OpenGL 1.x in the compatibility profile on the window's own GL context,
// in a y-down pixel space with alpha blending. Geometry drawn with the cacheable flag is compiled
// once into display lists and bitmaps are uploaded once into textures, both in bounded caches
// purged by age every five minutes at the end of an outermost frame. Text goes through the font
// renderer and its glyph atlases. Every frame repaints the whole viewport, since buffer contents
// are undefined after a swap. UI thread only.
#include "KXFramework/Renderer/FontRenderer/FontRenderer.h"
#include "KXFramework/Renderer/OpenGL/GLDisplayList.h"
#include "KXFramework/Renderer/OpenGL/GLTexture.h"
#include "KXFramework/Renderer/PurgableObjectCache.h"
#include "KXFramework/Renderer/Renderer.h"

#include <cstdint>
#include <functional>

namespace KX {

class LGLRenderer : public LRenderer {
public:
    static constexpr uint32_t kPurgePeriodMs = 300000;
    static constexpr unsigned kDisplayListCapacity = 256;
    static constexpr unsigned kTextureCapacity = 64;

    // Shows the localised error box for a GL set-up failure: the framework string key of the
    // message; the caption is "GL_ERROR_CAPTION" and "GL_ERROR_UPDATE_DRIVER" follows the message.
    // The string tables live above the renderers, so the application installs this; without one
    // the key goes to the debug log.
    using ErrorBox = std::function<void(const char16_t* messageKey)>;
    static void SetErrorBox(ErrorBox box);

    // Makes the window's GL context; the window outlives the renderer. A window that cannot have one
    // (none, or not made GL-capable) and a context that cannot be made show the error box and throw
    // the runtime error.
    LGLRenderer(const RCPtr<LFontRenderer>& fontRenderer, Platform::HostWindow* window);
    ~LGLRenderer() override;

    [[nodiscard]] KXRESULT GetFontMetrics(const RCPtr<LFont>& font, int32_t& lineHeight, int32_t& ascent,
                                          int32_t& descent) override;
    RectT<float>& MeasureText(RectT<float>& out, const String& text, const RCPtr<LFont>& font) override;
    int GetRendererKind() override { return kOpenGL; }
    [[nodiscard]] KXRESULT InitRenderContextInfo(const RectT<int32_t>& viewport, Platform::HostWindow* window,
                                                 bool offscreen, RCPtr<LRenderContextInfo>& out) override;
    KXRESULT SetViewport(const RectT<int32_t>& viewport) override;
    KXRESULT RenderStart(const RCPtr<LRenderContextInfo>& context) override;
    KXRESULT RenderFinish(const RCPtr<LRenderContextInfo>& context) override;
    void DrawText(const String& text, const RCPtr<LFont>& font, const PointT<int32_t>& position,
                  const LColor& colour) override;
    void DrawRect(const RectT<int32_t>& rect, const LColor& colour, float lineWidth) override;
    void FillRect(const RectT<int32_t>& rect, const LColor& colour, bool blend) override;
    void DrawColorRectList(ColorRectListT<float>& list, const PointT<double>& offset, bool useCache) override;
    void DrawLine(const PointT<float>& from, const PointT<float>& to, const LColor& colour, float lineWidth) override;
    void DrawLines(PolylineT<float>& polyline, const LColor& colour, const PointT<float>& offset,
                   const PointT<float>& scale, bool keepCached) override;
    void DrawPolyline(PolylineT<float>& polyline, const LColor& colour, const PointT<float>& offset,
                      const PointT<float>& scale, bool keepCached) override;
    void DrawPolygon(PolylineT<float>& polyline, const LColor& colour, const PointT<float>& offset,
                     const PointT<float>& scale, bool keepCached) override;
    void FillPolygon(PolylineT<float>& polyline, const LColor& colour, const PointT<float>& offset,
                     const PointT<float>& scale, bool keepCached) override;
    void DrawBitmap(const RCPtr<LBitmap>& bitmap, const RectT<int32_t>& destination, int resizeType) override;
    // Offscreen GL contexts have no texture of their pixels: E_NOTIMPL, E_INVALIDARG for any
    // other context.
    [[nodiscard]] KXRESULT DrawRenderContext(const RCPtr<LRenderContextInfo>& source,
                                             const PointT<int32_t>& destination,
                                             const RectT<int32_t>& sourceRect) override;
    [[nodiscard]] KXRESULT ScrollRenderContext(const RCPtr<LRenderContextInfo>& context,
                                               const PointT<int32_t>& offset) override;
    void SetClipRect(const RectT<double>& clip) override;
    void Translate(const PointT<double>& delta) override;

    // How many display lists have been compiled so far, for every geometry kind together.
    unsigned GetCompiledListCount() const { return m_compiledLists; }

private:
    struct HandleKey {
        static unsigned Bucket(int handle) { return (uint32_t(handle) >> 4) & 0xFF; }
    };
    struct BitmapKey {
        static unsigned Bucket(const LBitmap* bitmap)
        {
            return unsigned((reinterpret_cast<uintptr_t>(bitmap) >> 4) & 0xFF);
        }
    };
    template <class T, class Id, class Traits>
    struct PurgedCache {
        explicit PurgedCache(unsigned capacity) : cache(capacity) {}
        // Drops the entries not used since the previous purge.
        void Purge()
        {
            cache.Purge(lastPurgeStamp);
            lastPurgeStamp = cache.GetStamp();
        }
        PurgableObjectCache<T, Id, Traits> cache;
        uint32_t lastPurgeStamp = 0;
    };
    using ListCache = PurgedCache<LGLDisplayList, int, HandleKey>;
    using TextureCache = PurgedCache<LGLTexture, const LBitmap*, BitmapKey>;

    // Replays the geometry's list, compiling it first when it has none; draws directly when it is
    // not to be cached. other is the second cache a polygon lives in, or null.
    template <class Draw>
    void DrawCached(int handle, bool& changed, bool cacheable, ListCache& own, ListCache* other, Draw draw);
    // Lines or a strip straight from the polyline's points (mode is the GL primitive).
    void DrawVertices(PolylineT<float>& polyline, const LColor& colour, const PointT<float>& offset,
                      const PointT<float>& scale, bool keepCached, ListCache& lists, unsigned mode);
    // The scissor for a clip rectangle in window pixels, y downwards.
    void ApplyScissor(const RectT<double>& clip);
    // The scissor for the current state's clip.
    void ApplyClip();

    RCPtr<LFontRenderer> m_fontRenderer;
    Platform::HostWindow* m_window;
    uint32_t m_lastPurgeTime;
    ListCache m_fillPolygonLists{kDisplayListCapacity};
    ListCache m_polygonLists{kDisplayListCapacity};
    ListCache m_linesLists{kDisplayListCapacity};
    ListCache m_polylineLists{kDisplayListCapacity};
    ListCache m_colorRectLists{kDisplayListCapacity};
    TextureCache m_textures{kTextureCapacity};
    unsigned m_compiledLists = 0;
};

} // namespace KX
