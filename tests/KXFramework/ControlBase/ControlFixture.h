#pragma once
// A root window on a fake window with a 400 x 300 top-level control, and helpers that make
// created controls under it.
#include "KXFramework/ControlBase/Control.h"
#include "KXFramework/ControlBase/RootWindow.h"

#include "NotificationDoubles.h"
#include "UiDoubles.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace KX::Test {

class ControlFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        root = LRootWindow::Create(renderer, &window);
        top = Make(nullptr, u"top", AbsoluteLayout(0, 0, 400, 300));
        static_cast<void>(root->SetContent(top));
    }

    void TearDown() override
    {
        top = nullptr;
        root->BreakCycles();
        root = nullptr;
        EXPECT_EQ(live, 0);
    }

    // A created control, laid out by its descriptor.
    RCPtr<ProbeControl> Make(const RCPtr<LControl>& parent, const char16_t* name,
                             const RCPtr<LLayoutDescriptor>& layout)
    {
        RCPtr<ProbeControl> c(new ProbeControl(parent, name, &live));
        c->ApplyDescriptor(DescriptorFor(name, layout));
        c->Initialize();
        c->SetCreated();
        return c;
    }

    RCPtr<ProbeControl> Child(const char16_t* name, double x = 0, double y = 0, double w = 10, double h = 10)
    {
        return Make(top, name, AbsoluteLayout(x, y, w, h));
    }

    std::vector<std::u16string> Names(int order)
    {
        std::vector<std::u16string> names;
        for (unsigned i = 0; i < top->GetChildren().GetCount(); ++i)
            names.emplace_back(top->GetChildren().GetAt(i, order)->GetName().GetData());
        return names;
    }

    void Idle() { root->ProcessEvents(true); }

    FakeFrameworkServices services;
    FakeWindow window;
    RCPtr<RecordingRenderer> renderer{new RecordingRenderer};
    int live = 0;
    RCPtr<LRootWindow> root;
    RCPtr<ProbeControl> top;
};

} // namespace KX::Test
