#pragma once
// Doubles for the control core: the application's services, an operating-system window that
// records what the root window asks of it, and a control that counts its own destruction.
#include "KXFramework/ControlBase/Control.h"
#include "KXFramework/ControlBase/ControlClassRegistry.h"
#include "KXFramework/ControlBase/ControlFactory.h"
#include "KXFramework/ControlBase/FrameworkServices.h"
#include "KXFramework/ControlBase/RootWindow.h"
#include "KXFramework/ControlBase/WindowOSServices.h"
#include "KXFramework/Renderer/FontText.h"
#include "KXFramework/Utilities/Graphics/Font.h"

#include "RecordingRenderer.h"

#include <cstdint>
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
    uintptr_t LoadAppCursor(const char16_t*) override { return kArrowCursor; }

    static constexpr uintptr_t kArrowCursor = 0xA000;
    RCPtr<LMeasurementRenderer> measurement{new RecordingRenderer};
    RCPtr<LFont> defaultFont;
    RCPtr<LControlFactory> factory;
    RCPtr<LControlClassRegistry> registry{new LControlClassRegistry};
    RCPtr<LRootWindow> applicationRoot;
    RectT<int32_t> workArea{0, 0, 1280, 1024};
    uint32_t milliseconds = 0;
};

class FakeWindow : public IWindowOSServices {
public:
    void SetWindowTitle(const String& text) override { title = text; }
    void InvalidateAll() override { ++invalidateAllCount; }
    void InvalidateArea(const RectT<int32_t>& area) override { invalidated.push_back(area); }
    RectT<int32_t> GetClientArea() const override { return clientArea; }
    void SetWindowArea(const RectT<int32_t>& area) override { clientArea = area; }
    bool IsActive() const override { return active; }
    PointT<int32_t> GetCursorPosition() const override { return cursorPosition; }
    uintptr_t SetCursor(uintptr_t next) override
    {
        const uintptr_t previous = cursor;
        cursor = next;
        return previous;
    }

    String title;
    int invalidateAllCount = 0;
    std::vector<RectT<int32_t>> invalidated;
    RectT<int32_t> clientArea{0, 0, 400, 300};
    bool active = true;
    PointT<int32_t> cursorPosition;
    uintptr_t cursor = 0;
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
