#pragma once
// Doubles for the control core: the application's services, an operating-system window that
// records what the root window asks of it, and a control that counts its own destruction.
#include "KXFramework/ControlBase/Control.h"
#include "KXFramework/ControlBase/ControlClassRegistry.h"
#include "KXFramework/ControlBase/ControlFactory.h"
#include "KXFramework/ControlBase/FrameworkServices.h"
#include "KXFramework/ControlBase/RootWindow.h"
#include "KXFramework/ControlBase/WindowOSServices.h"
#include "KXFramework/Notification/GlobalHotKeyManager.h"
#include "KXFramework/Renderer/FontText.h"
#include "KXFramework/Utilities/Graphics/Font.h"

#include "RecordingRenderer.h"

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace KX::Test {

// Registers itself as the application's services and measures text with the recording
// renderer's fixed metrics (7 pixels a character, 16-pixel lines).
class FakeFrameworkServices : public IFrameworkServices {
public:
    FakeFrameworkServices()
    {
        SetFrameworkServices(this);
        RCPtr<LMeasurementRenderer> measure = measurement;
        LFontText::SetMeasurementRendererSource([measure] { return measure; });
        LFont::SetMetricsProvider([](const LFont&, float& lineHeight, float& ascent, float& descent) {
            lineHeight = 16.0f;
            ascent = -12.0f;
            descent = 4.0f;
            return S_OK;
        });
        LFont::FindOrCreate(defaultFont, u"DejaVu Sans", 9.0f, 0);
    }
    ~FakeFrameworkServices() override
    {
        SetFrameworkServices(nullptr);
        LFontText::SetMeasurementRendererSource(nullptr);
        LFont::SetMetricsProvider(nullptr);
    }

    RCPtr<LControlFactory> GetControlFactory() override { return factory; }
    RCPtr<LControlClassRegistry> GetControlClassRegistry() override { return registry; }
    RCPtr<LRootWindow> GetApplicationRootWindow() override { return applicationRoot; }
    RCPtr<LFont> GetDefaultFont() override { return defaultFont; }
    RectT<int32_t> GetWorkArea() override { return workArea; }
    double GetSeconds() override { return milliseconds / 1000.0; }
    uint32_t GetMilliseconds() override { return milliseconds; }
    uint32_t GetModifierKeys() override { return modifiers; }
    RCPtr<LGlobalHotKeyManager> GetGlobalHotKeyManager() override { return hotKeys; }
    uintptr_t LoadAppCursor(const char16_t* name) override
    {
        loadedCursors.emplace_back(name);
        return kArrowCursor;
    }
    // One pass over every root window, as the application's idle operation does.
    bool RunIdle(int32_t count) override
    {
        ++idlePasses;
        bool more = false;
        for (const RCPtr<LRootWindow>& root : std::vector<RCPtr<LRootWindow>>(roots))
            more = root->ProcessEvents(count == 0) || more;
        return more;
    }
    void AddRootWindow(const RCPtr<LRootWindow>& root) override
    {
        roots.push_back(root);
        if (!applicationRoot)
            applicationRoot = root;
    }
    RCPtr<LRootWindow> GetActiveRootWindow() override { return activeRoot; }
    LClipboard* GetClipboard() override { return clipboard; }
    KXRESULT SetStatusText(const String& text, bool) override
    {
        statusTexts.emplace_back(text.GetString());
        return S_OK;
    }
    KXRESULT ResetStatusText(bool immediate) override
    {
        statusTexts.emplace_back(immediate ? u"<reset now>" : u"<reset>");
        return S_OK;
    }
    int32_t RunModalDialog(const RCPtr<LControl>& dialog, int32_t) override
    {
        return runModalDialog ? runModalDialog(dialog) : E_FAIL;
    }
    std::vector<RCPtr<LRootWindow>> GetRootWindows() override { return roots; }
    String GetWindowClassName() override { return u"Velmora_Test"; }
    void WriteProfileBinary(const String& section, const String& entry, const std::vector<uint8_t>& data) override
    {
        profile[std::u16string(section.GetString()) + u"/" + entry.GetString()] = data;
    }
    void RemoveRootWindow(const RCPtr<LRootWindow>& root) override
    {
        std::erase(roots, root);
        if (applicationRoot == root)
            applicationRoot = nullptr;
    }

    static constexpr uintptr_t kArrowCursor = 0xA000;
    RCPtr<LMeasurementRenderer> measurement{new RecordingRenderer};
    RCPtr<LFont> defaultFont;
    RCPtr<LControlFactory> factory;
    RCPtr<LControlClassRegistry> registry{new LControlClassRegistry};
    RCPtr<LRootWindow> applicationRoot;
    RectT<int32_t> workArea{0, 0, 1280, 1024};
    uint32_t milliseconds = 0;
    uint32_t modifiers = 0;
    RCPtr<LGlobalHotKeyManager> hotKeys;
    std::vector<std::u16string> loadedCursors;
    int idlePasses = 0;
    std::vector<RCPtr<LRootWindow>> roots;
    std::map<std::u16string, std::vector<uint8_t>> profile;
    std::function<int32_t(const RCPtr<LControl>&)> runModalDialog;
    RCPtr<LRootWindow> activeRoot;
    LClipboard* clipboard = nullptr;
    std::vector<std::u16string> statusTexts;
};

class FakeWindow : public IWindowOSServices {
public:
    KXRESULT SetWindowTitle(const String& text) override
    {
        title = text;
        return S_OK;
    }
    KXRESULT InvalidateAll() override
    {
        ++invalidateAllCount;
        return S_OK;
    }
    KXRESULT InvalidateArea(const RectT<int32_t>& area) override
    {
        invalidated.push_back(area);
        return S_OK;
    }
    RectT<int32_t> GetClientArea() const override { return clientArea; }
    PointT<int32_t> ScreenToClient(const PointT<int32_t>& p) const override
    {
        return {p.x - clientArea.x, p.y - clientArea.y};
    }
    PointT<int32_t> ClientToScreen(const PointT<int32_t>& p) const override
    {
        return {p.x + clientArea.x, p.y + clientArea.y};
    }
    KXRESULT SetWindowArea(const RectT<int32_t>& area) override
    {
        clientArea = area;
        return S_OK;
    }
    bool Show(int) override { return true; }
    KXRESULT Redraw() override { return InvalidateAll(); }
    KXRESULT BringToTop() override { return S_OK; }
    KXRESULT SetTopMost(bool) override { return S_OK; }
    KXRESULT EndModal(int32_t result) override
    {
        endModalResults.push_back(result);
        return S_OK;
    }
    int32_t RunModal() override { return -1; }
    bool IsModal() const override { return modal; }
    bool TakesInput() const override { return true; }
    bool IsActive() const override { return active; }
    bool HasFocus() const override { return focused; }
    KXRESULT SetFocus() override
    {
        ++focusRequests;
        return S_OK;
    }
    uintptr_t SetCursor(uintptr_t next) override
    {
        const uintptr_t previous = cursor;
        cursor = next;
        return previous;
    }
    Platform::HostWindow* GetWindowHandle() const override { return host; }
    void SetCaret(bool, const RectT<int32_t>&) override {}

    String title;
    int invalidateAllCount = 0;
    std::vector<RectT<int32_t>> invalidated;
    RectT<int32_t> clientArea{0, 0, 400, 300};
    bool active = true;
    // Running as a modal dialog.
    bool modal = false;
    // Keyboard focus: without it a new content asks for it rather than taking the focus itself.
    bool focused = false;
    uintptr_t cursor = 0;
    int focusRequests = 0;
    Platform::HostWindow* host = nullptr;
    std::vector<int32_t> endModalResults;
};

// A plain control that can tell when it is gone.
class ProbeControl : public LControl {
public:
    ProbeControl(const RCPtr<LControl>& parent, const String& name, int* liveCount = nullptr)
        : LControl(parent, name),
          m_liveCount(liveCount)
    {
        if (m_liveCount)
            ++*m_liveCount;
    }
    ~ProbeControl() override
    {
        if (m_liveCount)
            --*m_liveCount;
    }

    void OnIdleTick() override { ++idleTicks; }
    void ApplyConditions(const RCPtr<LConditionsParam>& param) override { appliedMasks.push_back(param->currentMask); }

    int idleTicks = 0;
    std::vector<uint32_t> appliedMasks;

private:
    int* m_liveCount;
};

// A layout of an absolute rectangle in the parent's client area.
inline RCPtr<LLayoutDescriptor> AbsoluteLayout(double x, double y, double width, double height)
{
    RCPtr<LLayoutDescriptor> layout(new LLayoutDescriptor);
    layout->position[0].absolute = x;
    layout->position[1].absolute = y;
    layout->size[0].absolute = width;
    layout->size[1].absolute = height;
    return layout;
}

inline RCPtr<LControlDescriptor> DescriptorFor(const String& name, const RCPtr<LLayoutDescriptor>& layout)
{
    RCPtr<LControlDescriptor> d(new LControlDescriptor(u"Framework.Panel", name, nullptr));
    d->SetLayout(layout);
    return d;
}

} // namespace KX::Test
