// The list box with 100,000 entries: filling it from a string table and sorting it (time and heap
// per entry), and scrolling it from top to bottom one page at a time.
#include "KXFramework/Application/FrameworkClassNames.h"
#include "KXFramework/ControlBase/ControlClassRegistry.h"
#include "KXFramework/ControlBase/ControlFactory.h"
#include "KXFramework/ControlBase/RootWindow.h"
#include "KXFramework/Controls/ListBox.h"
#include "KXFramework/Platform/Resources/Resources.h"

#include "UiDoubles.h"

#include <benchmark/benchmark.h>
#include <malloc.h>

#include <string>

namespace KX::Test {
namespace {

constexpr int32_t kEntries = 100000;

const char kSkin[] = R"(<?xml version="1.0" encoding="utf-8"?>
<Velmora_Skin_Definitions><Application Name="PresetEditor">
<Colorizers><Colorizer Name="grey" ColorType="SolidFill" Color="0xFF808080"/></Colorizers>
<Parts><Part Name="grey" Width="4" Height="4" ResizeType="Stretch" ColorizerName="grey"/></Parts>
<Looks><Look Name="row"><ClientPart Name="grey" OffsetLeft="0" OffsetTop="0" OffsetRight="0" OffsetBottom="0"/></Look></Looks>
<LookLists><LookList Name="row" NumLooks="14"><Look Name="row" Index="0"/><Look Name="row" Index="7"/></LookList></LookLists>
<Skins><Skin Name="s">
 <SubControl Class="Framework.ListBox" Name="mainControl" XSizeAbs="300" YSizeAbs="420">
  <SubControl Class="Framework.ListBoxItem" Name="templateItem" XSizeToControl="Client" XSizeRel="1" XSizeAbs="-16" YSizeAbs="14">
   <Skin Name="t" LookList="row"/>
  </SubControl>
  <SubControl Class="Framework.ScrollBar" Name="vBar" XPositionToControl="Client" XPositionRel="1" XPlacementAnchor="1"
              XIsDocked="True" YIsDocked="True" XSizeAbs="16" YSizeToControl="Client" YSizeRel="1" YSizeAbs="0">
   <SubControl Class="Framework.Button" Name="dec" XSizeAbs="16" YSizeAbs="16"/>
   <SubControl Class="Framework.Button" Name="inc" YPositionToControl="Client" YPositionRel="1" YPlacementAnchor="1" XSizeAbs="16" YSizeAbs="16"/>
   <SubControl Class="Framework.Button" Name="channel" YPositionAbs="16" XSizeAbs="16" YSizeToControl="Client" YSizeRel="1" YSizeAbs="-32">
    <SubControl Class="Framework.Button" Name="thumb" XSizeAbs="16" YSizeAbs="16"/>
   </SubControl>
  </SubControl>
 </SubControl>
</Skin></Skins></Application></Velmora_Skin_Definitions>
)";

struct Setup {
    Setup()
    {
        entry = {u"KXXML", u"APP_SKINS", reinterpret_cast<const unsigned char*>(kSkin), sizeof kSkin - 1};
        SetResourceTable(&entry, 1);
        services.factory = RCPtr<LControlFactory>(new LControlFactory(u"PresetEditor"));
        static_cast<void>(services.factory->LoadSkin(u"::APP_SKINS")); // the built-in skin always loads
        int line = 0;
        static_cast<void>(
            RegisterFrameworkClassNames(*services.registry, line)); // names registered twice keep their functions
        root = LRootWindow::Create(renderer, &window);
        RCPtr<LControl> main;
        services.registry->CreateControlByName(main, *services.factory, u"mainControl", root);
        static_cast<void>(root->SetContent(main)); // a new content always takes the window
        list = RCPtr<LListBox>(main);
        // Reverse order, so that sorting has work to do.
        table = RCPtr<LStringTable>(new LStringTable);
        for (int32_t i = 0; i < kEntries; ++i)
            static_cast<void>(
                table->SetString(String::Format(u"ITEM.%06d", i),
                                 String::Format(u"entry %06d", kEntries - 1 - i))); // setting a string cannot fail
    }
    ~Setup()
    {
        list = nullptr;
        root->BreakCycles();
        SetResourceTable(nullptr, 0);
    }

    ResourceEntry entry{};
    FakeFrameworkServices services;
    FakeWindow window;
    RCPtr<RecordingRenderer> renderer{new RecordingRenderer};
    RCPtr<LRootWindow> root;
    RCPtr<LListBox> list;
    RCPtr<LStringTable> table;
};

void FillAndSort(benchmark::State& state)
{
    Setup setup;
    size_t heap = 0;
    for (auto _ : state) {
        setup.list->RemoveAllItems();
        const size_t before = mallinfo2().uordblks;
        static_cast<void>(
            setup.list->LoadItemsFromStringTable(setup.table)); // a table without items leaves the list empty
        setup.list->SortAllItems();
        heap = mallinfo2().uordblks - before;
    }
    state.counters["entries"] = setup.list->GetItemCount();
    state.counters["usPerEntry"] = benchmark::Counter(double(kEntries), benchmark::Counter::kIsIterationInvariantRate |
                                                                            benchmark::Counter::kInvert);
    state.counters["bytesPerEntry"] = double(heap) / kEntries;
}
BENCHMARK(FillAndSort)->Unit(benchmark::kMillisecond);

void ScrollByPages(benchmark::State& state)
{
    Setup setup;
    static_cast<void>(setup.list->LoadItemsFromStringTable(setup.table)); // a table without items leaves the list empty
    const RCPtr<LKeyParam> pageDown(new LKeyParam({KeyCode::Press(VirtualKey::kPageDown), 0, 0}));
    int pages = 0;
    for (auto _ : state) {
        static_cast<void>(setup.list->EnsureItemVisible(0)); // an index out of range scrolls nowhere
        pages = 0;
        while (setup.list->GetTopIndex() + setup.list->GetItemControlCount() < kEntries && pages < kEntries) {
            setup.list->OnKey(pageDown);
            ++pages;
        }
    }
    state.counters["pages"] = pages;
    state.counters["rows"] = setup.list->GetItemControlCount();
    state.counters["usPerPage"] =
        benchmark::Counter(double(pages), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(ScrollByPages)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace KX::Test

BENCHMARK_MAIN();
