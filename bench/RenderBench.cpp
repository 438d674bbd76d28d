// A full repaint of a 1200×750 window with a realistic mix (a full-window background bitmap, 300
// small bitmaps, 600 filled rectangles, 400 short texts) and a partial repaint of one 60×20 dirty
// rectangle, through the Cairo-backed renderer; beside each, the same scene drawn with raw Cairo
// calls, the floor the renderer stands on. The bitmap cache's memory after 100 frames is reported.
// The full repaint also runs through the OpenGL renderer on a GL window of SDL's offscreen driver
// (Mesa's software renderer unless a GPU driver is found), frame swap included; it repaints whole
// frames only.
#include "KXFramework/Platform/Graphics/FontSystem.h"
#include "KXFramework/Platform/Graphics/Surface.h"
#include "KXFramework/Platform/Text/TextConversion.h"
#include "KXFramework/Platform/Window/HostWindow.h"
#include "KXFramework/Platform/Window/VideoSystem.h"
#include "KXFramework/Renderer/Gdi/GDIRenderer.h"

#include <benchmark/benchmark.h>
#include <cairo.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace KX;

constexpr int kWidth = 1200;
constexpr int kHeight = 750;

std::shared_ptr<Platform::Image> MakeImage(int w, int h, uint32_t seed)
{
    auto image = std::make_shared<Platform::Image>();
    image->width = w;
    image->height = h;
    image->stride = w * 4;
    image->pixels.resize(size_t(w) * size_t(h) * 4);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = image->pixels.data() + size_t(y) * image->stride + size_t(x) * 4;
            const uint8_t a = (x + y + seed) % 7 == 0 ? 128 : 255;
            p[0] = uint8_t((x * 3 + seed) * a / 255 % (a + 1));
            p[1] = uint8_t((y * 5 + seed) * a / 255 % (a + 1));
            p[2] = uint8_t((x + y) * a / 255 % (a + 1));
            p[3] = a;
        }
    return image;
}

struct Item {
    enum Kind { Bitmap, Rect, Text } kind;
    RectT<int32_t> rect;
    int index; // which bitmap, colour or text
};

// The scene, laid out once: icons on a grid, rectangles and labels in rows, as a panel has them.
struct Scene {
    std::shared_ptr<Platform::Image> backgroundImage = MakeImage(kWidth, kHeight, 1);
    std::vector<std::shared_ptr<Platform::Image>> iconImages;
    RCPtr<LBitmap> background = LBitmap::FromImage(backgroundImage);
    std::vector<RCPtr<LBitmap>> icons;
    std::vector<std::u16string> texts;
    std::vector<Item> items;
    RCPtr<LFont> font;

    Scene()
    {
        for (uint32_t i = 0; i < 4; ++i) {
            iconImages.push_back(MakeImage(24, 24, 10 + i));
            icons.push_back(LBitmap::FromImage(iconImages.back()));
        }
        for (int i = 0; i < 300; ++i) {
            const int size = i % 3 == 0 ? 32 : 24; // a third drawn scaled
            items.push_back({Item::Bitmap, {10 + (i % 30) * 39, 10 + (i / 30) * 36, size, size}, i % 4});
        }
        for (int i = 0; i < 600; ++i)
            items.push_back({Item::Rect, {5 + (i % 40) * 29, 380 + (i / 40) * 12, 26, 9}, i});
        for (int i = 0; i < 400; ++i) {
            texts.push_back(u"Knob " + std::u16string(1, char16_t(u'A' + i % 26)) + u" " +
                            std::u16string(1, char16_t(u'0' + i % 10)));
            items.push_back({Item::Text, {8 + (i % 16) * 74, 560 + (i / 16) * 7, 70, 14}, i});
        }
        LFont::FindOrCreate(font, u"Arial", 8.0f, 0);
    }

    static uint32_t Colour(int i) { return 0xFF000000u | uint32_t(i * 2654435761u) >> 8; }
};

Scene& TheScene()
{
    static Scene* scene = new Scene;
    return *scene;
}

bool Meets(const RectT<int32_t>& a, const RectEdges& dirty)
{
    return a.x < dirty.right && dirty.left < a.x + a.width && a.y < dirty.bottom && dirty.top < a.y + a.height;
}

void DrawOurs(LRenderer& renderer, const RCPtr<LRenderContextInfo>& context, const RectEdges& dirty)
{
    Scene& scene = TheScene();
    renderer.RenderStart(context);
    renderer.PushState();
    renderer.SetClipRect(
        {double(dirty.left), double(dirty.top), double(dirty.right - dirty.left), double(dirty.bottom - dirty.top)});
    renderer.DrawBitmap(scene.background, {0, 0, kWidth, kHeight}, LRenderer::kStretch);
    for (const Item& item : scene.items) {
        if (!Meets(item.rect, dirty))
            continue;
        switch (item.kind) {
        case Item::Bitmap:
            renderer.DrawBitmap(scene.icons[size_t(item.index)], item.rect, LRenderer::kStretch);
            break;
        case Item::Rect:
            renderer.FillRect(item.rect, LColor(Scene::Colour(item.index)), true);
            break;
        case Item::Text:
            renderer.DrawText(scene.texts[size_t(item.index)].c_str(), scene.font, {item.rect.x, item.rect.y},
                              LColor(0xFF101010u));
            break;
        }
    }
    renderer.PopClip();
    renderer.RenderFinish(context);
}

// The same scene straight on Cairo: image surfaces painted with nearest sampling, rectangles filled
// without anti-aliasing, text shown with the same face and size.
struct RawCairo {
    cairo_surface_t* target = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kWidth, kHeight);
    cairo_surface_t* background;
    std::vector<cairo_surface_t*> icons;
    cairo_scaled_font_t* font;
    std::vector<std::string> texts;

    static cairo_surface_t* Wrap(const Platform::Image& image)
    {
        return cairo_image_surface_create_for_data(const_cast<uint8_t*>(image.pixels.data()), CAIRO_FORMAT_ARGB32,
                                                   image.width, image.height, image.stride);
    }

    RawCairo()
    {
        Scene& scene = TheScene();
        background = Wrap(*scene.backgroundImage);
        for (const auto& image : scene.iconImages)
            icons.push_back(Wrap(*image));
        cairo_t* cr = cairo_create(target);
        cairo_select_font_face(cr, "Liberation Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
        cairo_set_font_size(cr, 8.0 * 96.0 / 72.0);
        font = cairo_scaled_font_reference(cairo_get_scaled_font(cr));
        cairo_destroy(cr);
        for (const std::u16string& text : scene.texts)
            texts.push_back(Platform::Utf8FromUtf16(text));
    }

    void Draw(const RectEdges& dirty)
    {
        Scene& scene = TheScene();
        cairo_t* cr = cairo_create(target);
        cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
        cairo_rectangle(cr, dirty.left, dirty.top, dirty.right - dirty.left, dirty.bottom - dirty.top);
        cairo_clip(cr);
        cairo_set_source_surface(cr, background, 0, 0);
        cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
        cairo_paint(cr);
        cairo_set_scaled_font(cr, font);
        for (const Item& item : scene.items) {
            if (!Meets(item.rect, dirty))
                continue;
            const RectT<int32_t>& r = item.rect;
            switch (item.kind) {
            case Item::Bitmap:
                cairo_save(cr);
                cairo_translate(cr, r.x, r.y);
                cairo_scale(cr, r.width / 24.0, r.height / 24.0);
                cairo_set_source_surface(cr, icons[size_t(item.index)], 0, 0);
                cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
                cairo_paint(cr);
                cairo_restore(cr);
                break;
            case Item::Rect: {
                const uint32_t c = Scene::Colour(item.index);
                cairo_set_source_rgba(cr, ((c >> 16) & 255) / 255.0, ((c >> 8) & 255) / 255.0, (c & 255) / 255.0, 1);
                cairo_rectangle(cr, r.x, r.y, r.width, r.height);
                cairo_fill(cr);
                break;
            }
            case Item::Text:
                cairo_set_source_rgb(cr, 0.06, 0.06, 0.06);
                cairo_move_to(cr, r.x + 2, r.y + 11);
                cairo_show_text(cr, texts[size_t(item.index)].c_str());
                break;
            }
        }
        cairo_destroy(cr);
        cairo_surface_flush(target);
    }
};

constexpr RectEdges kWhole{0, 0, kWidth, kHeight};
// A small dirty rectangle over an icon, a rectangle row and a label, as a hover repaint makes.
constexpr RectEdges kPartial{400, 376, 460, 396};

void Ours(benchmark::State& state, const RectEdges& dirty)
{
    RCPtr<LGDIRenderer> renderer(new LGDIRenderer);
    RCPtr<LRenderContextInfo> context;
    renderer->InitRenderContextInfo({0, 0, kWidth, kHeight}, nullptr, true, context);
    for (int frame = 0; frame < 100; ++frame)
        DrawOurs(*renderer, context, dirty);
    state.counters["cache_bytes_after_100_frames"] = double(renderer->GetCachedBitmapBytes());
    for (auto _ : state)
        DrawOurs(*renderer, context, dirty);
}

void FullRepaintOpenGL(benchmark::State& state)
{
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    if (!Platform::VideoSystem::Start()) {
        state.SkipWithError("no video");
        return;
    }
    {
        Platform::WindowParams params;
        params.width = kWidth;
        params.height = kHeight;
        params.glCapable = true;
        const auto window = Platform::HostWindow::Create(params);
        RCPtr<LRenderer> renderer = window ? LRenderer::Create(LRenderer::kOpenGL, {}, window.get()) : nullptr;
        RCPtr<LRenderContextInfo> context;
        if (!renderer ||
            renderer->InitRenderContextInfo({0, 0, kWidth, kHeight}, window.get(), false, context) != S_OK) {
            state.SkipWithError("no GL context");
        } else {
            DrawOurs(*renderer, context, kWhole);
            for (auto _ : state)
                DrawOurs(*renderer, context, kWhole);
        }
        context = nullptr;
        renderer = nullptr;
    }
    Platform::VideoSystem::Stop();
}

void Raw(benchmark::State& state, const RectEdges& dirty)
{
    RawCairo raw;
    for (auto _ : state)
        raw.Draw(dirty);
}

void FullRepaintOurs(benchmark::State& state)
{
    Ours(state, kWhole);
}
void FullRepaintRawCairo(benchmark::State& state)
{
    Raw(state, kWhole);
}
void PartialRepaintOurs(benchmark::State& state)
{
    Ours(state, kPartial);
}
void PartialRepaintRawCairo(benchmark::State& state)
{
    Raw(state, kPartial);
}

BENCHMARK(FullRepaintOurs)->Unit(benchmark::kMillisecond);
BENCHMARK(FullRepaintRawCairo)->Unit(benchmark::kMillisecond);
BENCHMARK(FullRepaintOpenGL)->Unit(benchmark::kMillisecond);
BENCHMARK(PartialRepaintOurs)->Unit(benchmark::kMicrosecond);
BENCHMARK(PartialRepaintRawCairo)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    KX::Platform::FontSystem::Get().Configure({});
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
