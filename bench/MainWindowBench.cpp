// The editor's main window from its own skin on SDL's dummy driver (or the one named), each a ratio
// in one run: a click on a tile until the frame with its edit panel is presented, and a click on
// "bank2" or "bank1" in turn until the frame of the switched bank is presented, each against a full
// repaint of the main window; and that full repaint against raw Cairo drawing a comparable picture
// (the device picture, the tiles' rectangles and their labels) into an image of the same size.
#include "KXFramework/Application/FrameworkClassNames.h"
#include "KXFramework/ControlBase/ControlClassRegistry.h"
#include "KXFramework/ControlBase/ControlFactory.h"
#include "KXFramework/ControlBase/OSWindow.h"
#include "KXFramework/ControlBase/RootWindow.h"
#include "KXFramework/Platform/Resources/Resources.h"
#include "KXFramework/Platform/Window/HostWindow.h"
#include "KXFramework/Platform/Window/VideoSystem.h"
#include "Panel/SkinClassRegistry.h"

#include "UiDoubles.h"

#include <SDL.h>
#include <benchmark/benchmark.h>
#include <cairo.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>

namespace KX::Test {
namespace {

constexpr int kWidth = 1200, kHeight = 772;
constexpr int kRounds = 40;

class MainWindowBench {
public:
    MainWindowBench()
    {
        const char* driver = std::getenv("KX_BENCH_VIDEODRIVER");
        setenv("SDL_VIDEODRIVER", driver ? driver : "dummy", 1);
        Platform::VideoSystem::Start();
        RegisterEmbeddedResources();
        m_services.factory = RCPtr<LControlFactory>(new LControlFactory(u"PresetEditor"));
        static_cast<void>(m_services.factory->LoadStringTables(u"::FRAMEWORK_STRINGS", u"::APP_STRINGS", 0x0409));
        static_cast<void>(m_services.factory->LoadSkin(u"::APP_SKINS")); // the embedded skin loads
        int line = 0;
        static_cast<void>(RegisterFrameworkClassNames(*m_services.registry, line));
        RegisterSkinClasses(*m_services.registry);
        Platform::WindowParams params;
        params.width = kWidth;
        params.height = kHeight;
        window = OSWindow::Create(params, LRenderer::kGdi);
        static_cast<void>(window->GetRootWindow()->SetContentByName(u"mainControl")); // the skin names it
        SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
        OSWindow::RunOnce(0);
    }
    ~MainWindowBench()
    {
        window->EndModal(0);
        OSWindow::RunOnce(0);
        Platform::VideoSystem::Stop();
    }

    // A left click at (x, y), handled and its frame presented.
    void Click(int x, int y)
    {
        for (bool down : {true, false}) {
            SDL_Event event{};
            event.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
            event.button.windowID = window->GetWindowHandle()->Id();
            event.button.button = SDL_BUTTON_LEFT;
            event.button.state = down ? SDL_PRESSED : SDL_RELEASED;
            event.button.clicks = 1;
            event.button.x = x;
            event.button.y = y;
            SDL_PushEvent(&event);
        }
        OSWindow::RunOnce(0);
    }

    // Aborts unless the control under (x, y) of the main window is the one named.
    void RequireAt(int x, int y, const char16_t* name) const
    {
        PointT<int32_t> local{};
        const RCPtr<LControl> found = window->GetRootWindow()->HitTest(PointT<int32_t>{x, y}, local, false);
        if (!found || found->GetName() != String(name))
            std::abort();
    }

    OSWindow* window = nullptr;

private:
    FakeFrameworkServices m_services;
};

// The device picture, 60 tiles of two rectangles, their labels and the menu bar, as Cairo draws
// them with nothing in between.
class RawCairoPicture {
public:
    RawCairoPicture()
    {
        const ResourceView png = FindResource(u"GDIPLUS", u"DEVICE_PNG");
        Reader reader{png.data, png.size, 0};
        m_device = cairo_image_surface_create_from_png_stream(&Read, &reader);
        m_target = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kWidth, kHeight);
    }
    ~RawCairoPicture()
    {
        cairo_surface_destroy(m_target);
        cairo_surface_destroy(m_device);
    }
    void Draw()
    {
        cairo_t* cr = cairo_create(m_target);
        cairo_set_source_rgb(cr, 0.08, 0.08, 0.09);
        cairo_paint(cr);
        cairo_set_source_surface(cr, m_device, 0, 22);
        cairo_paint(cr);
        cairo_select_font_face(cr, "Liberation Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
        cairo_set_font_size(cr, 11);
        for (int i = 0; i < 60; ++i) {
            const double x = 300 + (i % 9) * 74, y = 82 + (i / 9) * 60;
            cairo_set_source_rgba(cr, 0.17, 0.18, 0.2, 0.9);
            cairo_rectangle(cr, x, y, 70, 56);
            cairo_fill(cr);
            cairo_set_source_rgb(cr, 0.23, 0.24, 0.27);
            cairo_rectangle(cr, x + 0.5, y + 0.5, 69, 55);
            cairo_stroke(cr);
            cairo_set_source_rgb(cr, 0.91, 0.92, 0.93);
            cairo_move_to(cr, x + 4, y + 14);
            cairo_show_text(cr, "B12");
            cairo_move_to(cr, x + 20, y + 40);
            cairo_show_text(cr, "CC: 118");
        }
        cairo_set_source_rgb(cr, 0.11, 0.11, 0.13);
        cairo_rectangle(cr, 0, 0, kWidth, 22);
        cairo_fill(cr);
        cairo_destroy(cr);
        cairo_surface_flush(m_target);
    }

private:
    struct Reader {
        const uint8_t* data;
        size_t size;
        size_t at;
    };
    static cairo_status_t Read(void* closure, unsigned char* out, unsigned length)
    {
        Reader& r = *static_cast<Reader*>(closure);
        if (r.size - r.at < length)
            return CAIRO_STATUS_READ_ERROR;
        std::memcpy(out, r.data + r.at, length);
        r.at += length;
        return CAIRO_STATUS_SUCCESS;
    }

    cairo_surface_t* m_device = nullptr;
    cairo_surface_t* m_target = nullptr;
};

// Mean seconds of one call over kRounds calls.
double Mean(const std::function<void()>& call)
{
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kRounds; ++i)
        call();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / kRounds;
}

void BM_MainWindowRatios(benchmark::State& state)
{
    MainWindowBench bench;
    RawCairoPicture cairo;
    bool button = false;
    for (auto _ : state) {
        const double repaint = Mean([&] { static_cast<void>(bench.window->Redraw()); });
        // Button 1 and encoder 1 in turn, so that every click changes the edit panel shown.
        const double click = Mean([&] {
            button = !button;
            bench.Click(button ? 337 : 342, button ? 310 : 117);
        });
        // The bank buttons' centres: "groupBankPanel" at (300, 12) in the device view, below the menu bar.
        constexpr int kBank1X = 340, kBank2X = 433, kBankY = 52;
        bench.RequireAt(kBank1X, kBankY, u"bank1");
        bench.RequireAt(kBank2X, kBankY, u"bank2");
        bool bank2 = false;
        const double bankSwitch = Mean([&] {
            bank2 = !bank2;
            bench.Click(bank2 ? kBank2X : kBank1X, kBankY);
        });
        const double raw = Mean([&] { cairo.Draw(); });
        state.counters["repaint_ms"] = repaint * 1e3;
        state.counters["click_to_frame_ms"] = click * 1e3;
        state.counters["bank_switch_to_frame_ms"] = bankSwitch * 1e3;
        state.counters["raw_cairo_ms"] = raw * 1e3;
        state.counters["click_over_repaint"] = click / repaint;
        state.counters["bank_switch_over_repaint"] = bankSwitch / repaint;
        state.counters["repaint_over_raw_cairo"] = repaint / raw;
    }
}
BENCHMARK(BM_MainWindowRatios)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace KX::Test

BENCHMARK_MAIN();
