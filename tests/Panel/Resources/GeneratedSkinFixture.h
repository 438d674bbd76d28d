#pragma once
// The editor's generated skin and string tables (embedded, or the documents of a folder), loaded
// through the real factory with the framework's and the editor's class names registered, under
// SDL's dummy video driver; a 1200 x 772 window to paint into.
#include "KXFramework/Application/FrameworkClassNames.h"
#include "KXFramework/ControlBase/ControlClassRegistry.h"
#include "KXFramework/ControlBase/ControlFactory.h"
#include "KXFramework/ControlBase/RootWindow.h"
#include "KXFramework/Controls/ComboBox.h"
#include "KXFramework/Controls/ListBox.h"
#include "KXFramework/Controls/NumericUpDown.h"
#include "KXFramework/Controls/Panel.h"
#include "KXFramework/Controls/TabControl.h"
#include "KXFramework/Notification/GlobalHotKeyManager.h"
#include "KXFramework/Platform/Graphics/Surface.h"
#include "KXFramework/Platform/Resources/Resources.h"
#include "KXFramework/Renderer/FontText.h"
#include "KXFramework/Renderer/Gdi/GDIRenderContextInfo.h"
#include "Panel/SkinClassRegistry.h"

#include "TestFonts.h"
#include "UiDoubles.h"
#include "VideoFixture.h"

#include <cairo.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace KX::Test {

inline constexpr int kWidth = 1200, kHeight = 772;

// The number box of the one visible composite under `from` whose caption reads `caption`; null when
// none or several do.
inline RCPtr<LNumericUpDown> CaptionedBox(const RCPtr<LControl>& from, const char16_t* caption)
{
    RCPtrArray<LControl, 1, 0> labels;
    static_cast<void>(from->FindDescendants(u"controlNameLabel", labels)); // answers the count found
    RCPtr<LNumericUpDown> box;
    int captioned = 0;
    for (unsigned i = 0; i < labels.GetCount(); ++i) {
        const RCPtr<LControl>& composite = labels.GetAt(i)->GetParent();
        if (!(labels.GetAt(i)->GetText() == String(caption)) || !composite->IsVisible(false))
            continue;
        ++captioned;
        RCPtrArray<LControl, 1, 0> boxes;
        if (composite->FindDescendants(u"numericUpDown", boxes) == 1)
            box = RCPtr<LNumericUpDown>(boxes.GetAt(0));
    }
    return captioned == 1 ? box : nullptr;
}

// A byte of a record, the caption of the box that shows it and a number to type into that box.
struct CaptionedByte {
    const char16_t* caption;
    unsigned byte;
    int typed = 100;
};

// For each captioned byte: `show` shows `record`, the captioned box under `page` reads that byte, and
// after its number is typed into the box `build` answers the record with that byte alone changed.
inline void CheckCaptionedBytes(const RCPtr<LControl>& page, const std::vector<int>& record,
                                const std::vector<CaptionedByte>& boxes,
                                const std::function<void(const std::vector<int>&)>& show,
                                const std::function<std::vector<int>()>& build)
{
    for (const CaptionedByte& c : boxes) {
        SCOPED_TRACE(String(c.caption).ToNarrow().GetData());
        show(record);
        const RCPtr<LNumericUpDown> box = CaptionedBox(page, c.caption);
        ASSERT_TRUE(box);
        EXPECT_EQ(int(box->NormalizedToValue(box->GetValue())), record[c.byte]);
        box->SetValueInRange(c.typed);
        std::vector<int> expected = record;
        expected[c.byte] = c.typed;
        EXPECT_EQ(build(), expected);
    }
}

// The position of the list entry that reads `text`; -1 when none does.
inline int32_t EntryOf(const RCPtr<LComboBox>& list, const char16_t* text)
{
    for (int32_t i = 0; i < list->GetListBox()->GetItemCount(); ++i) {
        String entry;
        list->GetListBox()->GetItemText(entry, i);
        if (entry == String(text))
            return i;
    }
    return -1;
}

class GeneratedSkinFixture : public VideoFixture {
protected:
    void SetUp() override
    {
        VideoFixture::SetUp();
        UseTestFonts();
        RegisterEmbeddedResources();
        window.clientArea = {0, 0, kWidth, kHeight};
        gdi = LRenderer::Create(LRenderer::kGdi, {0, 0, kWidth, kHeight}, nullptr);
        // Text is laid out with the metrics it is drawn with, as in the application.
        RCPtr<LMeasurementRenderer> measure = gdi;
        LFontText::SetMeasurementRendererSource([measure] { return measure; });
        LFont::SetMetricsProvider(nullptr);
        services.factory = RCPtr<LControlFactory>(new LControlFactory(u"PresetEditor"));
        const std::string base = Base();
        const bool embedded = base == "::";
        const String frameworkStrings =
            embedded ? String(u"::FRAMEWORK_STRINGS") : Utf8(base + "/FrameworkStrings.xml");
        const String strings = embedded ? String(u"::APP_STRINGS") : Utf8(base + "/StringTables.xml");
        const String skin = embedded ? String(u"::APP_SKINS") : Utf8(base + "/Skins.xml");
        ASSERT_EQ(services.factory->LoadStringTables(frameworkStrings, strings, 0x0409), S_OK);
        ASSERT_EQ(services.factory->LoadSkin(skin), S_OK);
        String face;
        float size = 0.0f;
        int32_t style = -1;
        ASSERT_EQ(services.factory->GetDefaultFont(face, size, style), S_OK);
        LFont::FindOrCreate(services.defaultFont, face, size, style);
        int line = 0;
        ASSERT_EQ(RegisterFrameworkClassNames(*services.registry, line), S_OK);
        RegisterTestClasses();
        RegisterSkinClasses(*services.registry);
        root = LRootWindow::Create(gdi, &window);
        services.applicationRoot = root;
        // The hot keys the menus show beside their items, as the application binds them.
        services.hotKeys = LGlobalHotKeyManager::Create(nullptr);
        RCPtr<LStringTable> application;
        services.factory->GetApplicationStringTable(application);
        for (const char16_t* prefix : {u"GHK", u"GHK_WIN"})
            static_cast<void>(services.hotKeys->GetKeyBindingMap().LoadFromStringTable(application, prefix));
    }
    void TearDown() override
    {
        services.applicationRoot = nullptr;
        services.hotKeys = nullptr;
        if (root)
            root->BreakCycles();
        root = nullptr;
        VideoFixture::TearDown();
    }

    // Classes a fixture puts in place of the editor's; the first registration of a name stands.
    virtual void RegisterTestClasses() {}
    // "::" for the program's embedded resources, else the folder holding the three documents.
    virtual std::string Base() const { return "::"; }
    static String Utf8(const std::string& text) { return String(std::u16string(text.begin(), text.end()).c_str()); }

    RCPtr<LControl> Create(const String& name)
    {
        RCPtr<LControl> control;
        services.registry->CreateControlByName(control, *services.factory, name, root);
        return control;
    }
    RCPtr<LStringTable> Table(const std::u16string& id)
    {
        const size_t bar = id.find(u'|');
        RCPtr<LStringTable> table;
        if (bar == 0)
            services.factory->GetApplicationStringTable(table);
        else
            services.factory->GetStringTable(table, String(id.substr(0, bar).c_str()),
                                             String(id.substr(bar + 1).c_str()));
        return table;
    }
    std::u16string Text(const char16_t* id, const char16_t* key)
    {
        RCPtr<LStringTable> table = Table(id);
        String text(u"<no key>");
        if (!table)
            return u"<no table>";
        table->GetString(key, text);
        return text.GetString();
    }

    // Paints the whole window; its picture stays in the returned context's surface.
    RCPtr<LRenderContextInfo> PaintWindow()
    {
        RCPtr<LRenderContextInfo> context;
        gdi->InitRenderContextInfo({0, 0, kWidth, kHeight}, nullptr, true, context);
        root->ProcessEvents(true);
        root->InvalidateRect({0, 0, kWidth, kHeight});
        LRectList dirty;
        root->TakeInvalidRegion(dirty);
        gdi->RenderStart(context);
        root->Paint(dirty);
        gdi->RenderFinish(context);
        SurfaceOf(context).Flush();
        return context;
    }
    static Platform::Surface& SurfaceOf(const RCPtr<LRenderContextInfo>& context)
    {
        return *dynamic_cast<LGDIRenderContextInfo&>(*context).GetSurface()->GetSurface();
    }

    // Paints the whole window and writes the part `area` of it to a PNG file.
    void WritePicture(const std::string& path, const RectT<int32_t>& area)
    {
        const RCPtr<LRenderContextInfo> context = PaintWindow();
        Platform::Surface& surface = SurfaceOf(context);
        cairo_surface_t* part =
            cairo_surface_create_for_rectangle(surface.Native(), area.x, area.y, area.width, area.height);
        EXPECT_EQ(cairo_surface_write_to_png(part, path.c_str()), CAIRO_STATUS_SUCCESS) << path;
        cairo_surface_destroy(part);
    }

    FakeFrameworkServices services;
    FakeWindow window;
    RCPtr<LRenderer> gdi;
    RCPtr<LRootWindow> root;
};

} // namespace KX::Test
