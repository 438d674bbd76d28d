#include "KXFramework/ControlBase/WindowManager.h"
#include "KXFramework/Platform/Window/VideoSystem.h"

#include "VideoFixture.h"

#include <gtest/gtest.h>

namespace KX::Test {
namespace {

using WindowManagerTest = VideoFixture;

// What one video session (one test) leaves behind never reaches the next, except while a loop
// still runs in the old session's windows.
TEST_F(WindowManagerTest, ANewVideoSessionGetsAFreshManagerOnceNoLoopRuns)
{
    LWindowManager* first = &LWindowManager::Current();
    EXPECT_EQ(first->ExchangeCursor(0x51), 0u);
    first->EnterLoop();
    Platform::VideoSystem::Stop();
    ASSERT_TRUE(Platform::VideoSystem::Start()) << Platform::VideoSystem::LastError();
    EXPECT_EQ(&LWindowManager::Current(), first);
    first->LeaveLoop();
    LWindowManager& second = LWindowManager::Current();
    EXPECT_EQ(second.ExchangeCursor(0), 0u);
    EXPECT_EQ(second.GetWindows().size(), 0u);
}

} // namespace
} // namespace KX::Test
