// The control core on a generated skin of about 4,400 controls: creating the tree through the
// factory and laying it out (time and heap per control), and one look change on one control from
// invalidation to the dirty list and the paint walk, beside a full paint walk of the same tree,
// both with a renderer that draws nothing. Goal: the look change costs at most 2 % of the full walk.
// Beside it, 40,000 siblings under one parent against the same controls in groups of 200: adding a
// child must not cost in the number of its siblings, so both build in about the same time.
#include "KXFramework/ControlBase/ControlClassRegistry.h"
#include "KXFramework/ControlBase/ControlFactory.h"
#include "KXFramework/ControlBase/RootWindow.h"
#include "KXFramework/Platform/Resources/Resources.h"

#include "UiDoubles.h"

#include <benchmark/benchmark.h>
#include <malloc.h>

#include <string>

namespace KX::Test {
namespace {

class NullRenderer : public RecordingRenderer {
public:
    void DrawText(const String&, const RCPtr<LFont>&, const PointT<int32_t>&, const LColor&) override {}
    void FillRect(const RectT<int32_t>&, const LColor&, bool) override {}
    void DrawBitmap(const RCPtr<LBitmap>&, const RectT<int32_t>&, int) override {}
};

std::string Attribute(const char* name, const std::string& value)
{
    return std::string(" ") + name + "=\"" + value + "\"";
}

// Eight children per control, four columns by two rows of its client area, four levels deep, so
// that every control is visible and the paint walk meets all of them.
void AddControls(std::string& out, int depth, int& remaining, int& serial)
{
    for (int i = 0; i < 8 && remaining > 0; ++i) {
        --remaining;
        const int n = serial++;
        const int col = i % 4;
        const int row = i / 4;
        out += "<SubControl" + Attribute("Class", "Bench.Panel") + Attribute("Name", "c" + std::to_string(n)) +
               Attribute("XPositionToControl", "Client") + Attribute("XPositionRel", std::to_string(col / 4.0)) +
               Attribute("YPositionToControl", "Client") + Attribute("YPositionRel", std::to_string(row / 2.0)) +
               Attribute("XSizeToControl", "Client") + Attribute("XSizeRel", std::to_string((col + 1) / 4.0)) +
               Attribute("XSizeAbs", "0") + Attribute("YSizeToControl", "Client") +
               Attribute("YSizeRel", std::to_string((row + 1) / 2.0)) + Attribute("YSizeAbs", "0") +
               (n % 7 == 0 ? Attribute("XIsDocked", "True") : std::string()) + ">" + "<Skin" + Attribute("Name", "s") +
               Attribute("LookList", "framed") + "/>";
        if (depth < 3)
            AddControls(out, depth + 1, remaining, serial);
        out += "</SubControl>\n";
    }
}

constexpr int kWideControls = 40000;
constexpr int kGroupSize = 200;

// A top-level control with `count` small panels in a row, `perGroup` to a parent: all under the
// top-level control itself when perGroup is count, else under count / perGroup group panels.
void AddWideControl(std::string& out, const char* name, int count, int perGroup)
{
    auto leaf = [](int n) {
        return "<SubControl" + Attribute("Class", "Bench.Panel") + Attribute("Name", "w" + std::to_string(n)) +
               Attribute("XPositionToControl", "Client") + Attribute("XPositionAbs", std::to_string(n % 800)) +
               Attribute("XSizeAbs", "1") + Attribute("YSizeAbs", "1") + "/>\n";
    };
    out += "<SubControl" + Attribute("Class", "Bench.Panel") + Attribute("Name", name) + Attribute("XSizeAbs", "800") +
           Attribute("YSizeAbs", "600") + ">\n";
    for (int first = 0; first < count; first += perGroup) {
        const bool grouped = perGroup < count;
        if (grouped)
            out += "<SubControl" + Attribute("Class", "Bench.Panel") + Attribute("Name", "g" + std::to_string(first)) +
                   Attribute("XSizeAbs", "800") + Attribute("YSizeAbs", "1") + ">\n";
        for (int n = first; n < first + perGroup && n < count; ++n)
            out += leaf(n);
        if (grouped)
            out += "</SubControl>\n";
    }
    out += "</SubControl>\n";
}

std::string MakeSkin(int controls)
{
    std::string out = R"(<?xml version="1.0" encoding="utf-8"?>
<Velmora_Skin_Definitions><Application Name="PresetEditor">
<Colorizers><Colorizer Name="grey" ColorType="SolidFill" Color="0xFF808080"/>
<Colorizer Name="blue" ColorType="SolidFill" Color="0xFF2040C0"/></Colorizers>
<Parts><Part Name="grey" Width="1" Height="1" ResizeType="Stretch" ColorizerName="grey"/>
<Part Name="bar" Width="2" Height="2" ResizeType="Stretch" ColorizerName="blue"/></Parts>
<Looks>
<Look Name="normal"><ClientPart Name="grey" OffsetLeft="1" OffsetTop="1" OffsetRight="-1" OffsetBottom="-1"/>
<NonClientParts Name="n"><NonClientPart Name="bar" OffsetLeft="0" OffsetTop="0" OffsetBottom="0"/></NonClientParts></Look>
<Look Name="hover"><ClientPart Name="bar" OffsetLeft="1" OffsetTop="1" OffsetRight="-1" OffsetBottom="-1"/></Look>
</Looks>
<LookLists><LookList Name="framed" NumLooks="2"><Look Name="normal" Index="0"/><Look Name="hover" Index="1"/></LookList></LookLists>
<Skins><Skin Name="bench">
<SubControl Class="Bench.Panel" Name="mainControl" XSizeAbs="800" YSizeAbs="600"><Skin Name="m" LookList="framed"/>
)";
    int remaining = controls - 1;
    int serial = 0;
    AddControls(out, 0, remaining, serial);
    out += "</SubControl>\n";
    AddWideControl(out, "flatControl", kWideControls, kWideControls);
    AddWideControl(out, "groupedControl", kWideControls, kGroupSize);
    out += "</Skin></Skins></Application></Velmora_Skin_Definitions>\n";
    return out;
}

struct Bench {
    Bench()
    {
        skin = MakeSkin(4400);
        entry = {u"KXXML", u"APP_SKINS", reinterpret_cast<const unsigned char*>(skin.data()), skin.size()};
        SetResourceTable(&entry, 1);
        services.factory = RCPtr<LControlFactory>(new LControlFactory(u"PresetEditor"));
        static_cast<void>(services.factory->LoadSkin(u"::APP_SKINS"));
        static_cast<void>(services.registry->RegisterControlCreateFunction(u"Bench.Panel", &CreateControlOf<LControl>));
        window.clientArea = {0, 0, 800, 600};
        root = LRootWindow::Create(renderer, &window);
        renderer->InitRenderContextInfo({0, 0, 800, 600}, nullptr, false, context);
    }

    ~Bench()
    {
        root->BreakCycles();
        SetResourceTable(nullptr, 0);
    }

    RCPtr<LControl> Create(const String& name = u"mainControl")
    {
        RCPtr<LControl> main;
        services.registry->CreateControlByName(main, *services.factory, name, root);
        static_cast<void>(root->SetContent(main));
        return main;
    }

    void Paint()
    {
        LRectList dirty;
        root->TakeInvalidRegion(dirty);
        renderer->RenderStart(context);
        root->Paint(dirty);
        renderer->RenderFinish(context);
    }

    std::string skin;
    ResourceEntry entry;
    FakeFrameworkServices services;
    FakeWindow window;
    RCPtr<NullRenderer> renderer{new NullRenderer};
    RCPtr<LRenderContextInfo> context;
    RCPtr<LRootWindow> root;
};

Bench& TheBench()
{
    static Bench* bench = new Bench;
    return *bench;
}

int CountControls(const RCPtr<LControl>& main)
{
    RCPtrArray<LControl, 1, 0> all;
    return main->GetDescendants(all) + 1;
}

void CreateAndLayOut(benchmark::State& state)
{
    Bench& bench = TheBench();
    int controls = 0;
    size_t heap = 0;
    for (auto _ : state) {
        const size_t before = mallinfo2().uordblks;
        RCPtr<LControl> main = bench.Create();
        state.PauseTiming();
        heap = mallinfo2().uordblks - before;
        controls = CountControls(main);
        static_cast<void>(bench.root->SetContent(nullptr));
        main = nullptr;
        state.ResumeTiming();
    }
    state.counters["controls"] = controls;
    state.counters["usPerControl"] = benchmark::Counter(
        double(controls), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert,
        benchmark::Counter::OneK::kIs1000);
    state.counters["bytesPerControl"] = double(heap) / controls;
}
BENCHMARK(CreateAndLayOut)->Unit(benchmark::kMillisecond);

// Argument 0: 40,000 siblings under one parent; 1: the same in groups of 200.
void CreateWide(benchmark::State& state)
{
    Bench& bench = TheBench();
    const String name = state.range(0) == 0 ? u"flatControl" : u"groupedControl";
    int controls = 0;
    for (auto _ : state) {
        RCPtr<LControl> top = bench.Create(name);
        state.PauseTiming();
        controls = CountControls(top);
        static_cast<void>(bench.root->SetContent(nullptr));
        top = nullptr;
        state.ResumeTiming();
    }
    state.counters["controls"] = controls;
}
BENCHMARK(CreateWide)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void FullPaintWalk(benchmark::State& state)
{
    Bench& bench = TheBench();
    RCPtr<LControl> main = bench.Create();
    for (auto _ : state) {
        bench.root->InvalidateRect({0, 0, 800, 600});
        bench.Paint();
    }
    state.counters["controls"] = CountControls(main);
    static_cast<void>(bench.root->SetContent(nullptr));
}
BENCHMARK(FullPaintWalk)->Unit(benchmark::kMicrosecond);

void HoverChange(benchmark::State& state)
{
    Bench& bench = TheBench();
    RCPtr<LControl> main = bench.Create();
    RCPtrArray<LControl, 1, 0> all;
    main->GetDescendants(all);
    RCPtr<LControl> target = all.GetAt(all.GetCount() / 2);
    bench.Paint();
    unsigned look = 1;
    for (auto _ : state) {
        target->SetLookExclusive(look);
        look ^= 1;
        bench.Paint();
    }
    static_cast<void>(bench.root->SetContent(nullptr));
}
BENCHMARK(HoverChange)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace KX::Test

BENCHMARK_MAIN();
