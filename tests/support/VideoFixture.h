#pragma once
// Starts the window layer on one of SDL's display-less drivers for one test, and stops it afterwards.
#include "EnvironmentGuard.h"

#include "KXFramework/Platform/Window/VideoSystem.h"

#include <gtest/gtest.h>

#include <string>

namespace KX::Test {

class VideoFixture : public ::testing::Test {
protected:
    explicit VideoFixture(std::string driver = "dummy") : m_driver(std::move(driver)) {}

    void SetUp() override
    {
        m_environment.Set("SDL_VIDEODRIVER", m_driver);
        ASSERT_TRUE(Platform::VideoSystem::Start()) << Platform::VideoSystem::LastError();
        m_started = true;
    }
    void TearDown() override
    {
        if (m_started)
            Platform::VideoSystem::Stop();
    }

private:
    std::string m_driver;
    EnvironmentGuard m_environment;
    bool m_started = false;
};

} // namespace KX::Test
