#pragma once
// The editor run through its main routine under SDL's dummy video driver, with the simulated Kivo 61
// on the virtual MIDI system and the protocol's waits scaled down. A test's body runs on the UI thread
// once the main window shows its content; the editor then leaves through its menu's exit command.
#include "KXFramework/Application/MFCFrameworkApp.h"
#include "KXFramework/DeviceControl/GeneratedCode/Engine/Inc/RootModuleEngine.h"
#include "KXFramework/Midi/MidiTimings.h"
#include "KXFramework/Notification/NotificationCenter.h"
#include "KXFramework/Platform/Resources/Resources.h"
#include "Panel/Application.h"

#include "EditorEnvironment.h"
#include "EnvironmentGuard.h"
#include "FakeMessageBox.h"
#include "NotificationDoubles.h"
#include "ScopedService.h"
#include "ShortMidiTimings.h"
#include "SimulatedKivo61.h"
#include "TempFolder.h"
#include "TestFonts.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace KX::Test {

class EditorRun : public ::testing::Test {
public:
    using Bytes = std::vector<std::uint8_t>;
    // One try of a request waits this long; ten tries make a request's whole time limit.
    static constexpr uint32_t kTryWaitMs = 40;

protected:
    void SetUp() override
    {
        UseTestFonts();
        RegisterEmbeddedResources();
        IsolateEditorEnvironment(m_environment, m_home);
        kivo = std::make_unique<SimulatedKivo61>(*midi);
    }

    void TearDown() override
    {
        midi->WaitIdle();
        kivo.reset();
        SetResourceTable(nullptr, 0);
    }

    // Where the body runs: inside the delivery of a posted notification, so that nothing posted
    // meanwhile is delivered before it returns (Deliver() then delivers nothing; a dialog or box the
    // body opens still does); or in the idle pass after the delivery, where Deliver() hands the view
    // what the body's steps posted.
    enum class BodyAt { Delivery, Idle };

    // Runs the editor with English texts and `body` on its UI thread; answers its exit status.
    int RunInEditor(const std::function<void(LApplication&, OSWindow&)>& body, BodyAt at = BodyAt::Delivery)
    {
        RCPtr<Recorder> probe(new Recorder("probe"));
        int turns = 0;
        probe->react = [&](const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>&) {
            RCPtr<LApplication> application = LApplication::GetApplication();
            OSWindow* main = application ? application->GetMainWindow() : nullptr;
            if (m_ran)
                return; // idle passes go on until the exit
            if (!main || !main->GetRootWindow()->GetContent()) {
                if (at == BodyAt::Delivery && ++turns < 1000)
                    static_cast<void>(GetDefaultNotificationCenter()->PostNotification(
                        MakeNotification(u"NID_TEST_PROBE"))); // looked at again at the next idle pass
                return;
            }
            m_ran = true;
            body(*application, *main);
            static_cast<void>(main->GetRootWindow()->SendNotification(
                MakeNotification(u"NID_MENU_FILE_EXIT_REQ"))); // the exit status says whether it worked
        };
        probe->RegisterForNotification(RCPtr<LNotificationDistributor>(GetDefaultNotificationCenter()),
                                       at == BodyAt::Delivery ? u"NID_TEST_PROBE" : u"NID_IDLE", 0);
        static_cast<void>(GetDefaultNotificationCenter()->PostNotification(MakeNotification(u"NID_TEST_PROBE")));
        MFCFrameworkApp<LApplication> app([this] { return std::make_unique<ForwardingBox>(boxes); });
        char name[] = "kivo61-preset-editor";
        char* argv[] = {name, nullptr};
        const int status = RunFrameworkMain(app, 1, argv, 0x0409);
        probe->UnregisterForAllNotifications();
        EXPECT_TRUE(m_ran) << "the main window never showed";
        return status;
    }

    // Creates the skin's dialog of that name, initialised, as the class T.
    template <class T>
    static RCPtr<T> CreateDialog(LApplication& application, const char16_t* name)
    {
        RCPtr<LControl> control;
        application.CreateControlByName(control, name);
        return RCPtr<T>(dynamic_cast<T*>(control.Get()));
    }

public:
    // What the UI thread's idle pass does: delivers what was posted. Bounded, since the running
    // editor's presence polling posts again as fast as it is delivered.
    static void Deliver()
    {
        const RCPtr<LNotificationCenter> centre = GetDefaultNotificationCenter();
        for (int i = 0; i < 64 && centre->ProcessNotifications(false); ++i) {
        }
    }

protected:
    // The device model's 131 values, joined.
    static Bytes Model()
    {
        Deliver();
        RCPtr<LRootModuleEngine> engine = LRootModuleEngine::GetRootModuleEngine();
        Array<ParamValue> values;
        EXPECT_EQ(engine->GetParamValues(engine->GetFirstParamID(), kParamCount, values), S_OK);
        Bytes bytes;
        for (unsigned i = 0; i < values.GetCount(); ++i) {
            unsigned size = 0;
            const unsigned char* data = values.GetAt(i).value.GetData(&size);
            bytes.insert(bytes.end(), data, data + size);
        }
        return bytes;
    }

    // A click as the button sends it.
    static void Click(const RCPtr<LControl>& button)
    {
        ASSERT_TRUE(button);
        static_cast<void>(button->SendNotification(MakeNotification(u"NID_LEFT_CLICK"))); // checked by its effects
    }

    // The boxes shown since the last call, as (caption, text, flags).
    struct Box {
        std::u16string caption;
        std::u16string text;
        uint32_t flags = 0;
        bool operator==(const Box& other) const
        {
            return caption == other.caption && text == other.text && flags == other.flags;
        }
        friend std::ostream& operator<<(std::ostream& out, const Box& box)
        {
            return out << "{" << String(box.caption.c_str()).ToNarrow().GetData() << " | "
                       << String(box.text.c_str()).ToNarrow().GetData() << " | " << box.flags << "}";
        }
    };
    std::vector<Box> TakeBoxes()
    {
        std::vector<Box> out;
        for (const Platform::MessageBoxRequest& r : boxes.requests)
            out.push_back({r.caption, r.text, r.flags});
        boxes.requests.clear();
        return out;
    }

    std::shared_ptr<VirtualMidiSystem> midi = std::make_shared<VirtualMidiSystem>();
    ScopedService<MidiTimings> timings{MidiTimingsSlot(), ShortMidiTimings(kTryWaitMs)};
    ScopedService<std::shared_ptr<Platform::Midi::Backend>> backend{Platform::Midi::BackendSlot(), midi};
    std::unique_ptr<SimulatedKivo61> kivo;
    FakeMessageBox boxes;

private:
    // Hands every request to the test's fake, which outlives the application.
    class ForwardingBox final : public Platform::MessageBoxService {
    public:
        explicit ForwardingBox(FakeMessageBox& fake) : m_fake(fake) {}
        int32_t Show(const Platform::MessageBoxRequest& request) override { return m_fake.Show(request); }

    private:
        FakeMessageBox& m_fake;
    };

    TempFolder m_home;
    EnvironmentGuard m_environment;
    bool m_ran = false;
};

} // namespace KX::Test
