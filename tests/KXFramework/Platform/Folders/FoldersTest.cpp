#include "KXFramework/Platform/Folders/Folders.h"

#include "EnvironmentGuard.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace KX::Test {

namespace {

using KX::Platform::GetPlatformFolder;
using KX::Platform::PlatformFolder;
using KX::Test::EnvironmentGuard;
using KX::Test::TempFolder;

TEST(Folders, AppDataFoldersFollowTheXdgVariablesAndFallBackToHome)
{
    TempFolder home;
    EnvironmentGuard env;
    env.Set("HOME", home.Path());
    env.Set("XDG_DATA_HOME", home / "data/");
    env.Set("XDG_CONFIG_HOME", home / "config");
    EXPECT_EQ(GetPlatformFolder(PlatformFolder::CommonAppData), home / "data");
    EXPECT_EQ(GetPlatformFolder(PlatformFolder::LocalAppData), home / "config");

    // A relative value does not count, as the XDG rules say.
    env.Set("XDG_DATA_HOME", "relative/data");
    env.Clear("XDG_CONFIG_HOME");
    EXPECT_EQ(GetPlatformFolder(PlatformFolder::CommonAppData), home / ".local/share");
    EXPECT_EQ(GetPlatformFolder(PlatformFolder::LocalAppData), home / ".config");

    // Without HOME the password entry's home folder is used.
    env.Clear("HOME");
    EXPECT_FALSE(GetPlatformFolder(PlatformFolder::LocalAppData).empty());
}

TEST(Folders, DocumentsComeFromTheVariableThenUserDirsThenHome)
{
    TempFolder home;
    EnvironmentGuard env;
    env.Set("HOME", home.Path());
    env.Set("XDG_CONFIG_HOME", home / "config");
    env.Clear("XDG_DOCUMENTS_DIR");
    EXPECT_EQ(GetPlatformFolder(PlatformFolder::Documents), home.Path());

    std::filesystem::create_directory(home / "Documents");
    EXPECT_EQ(GetPlatformFolder(PlatformFolder::Documents), home / "Documents");

    std::filesystem::create_directory(home / "config");
    TempFolder::WriteFile(home / "config/user-dirs.dirs",
                          "# written by xdg-user-dirs-update\nXDG_DESKTOP_DIR=\"$HOME/Desktop\"\n"
                          "XDG_DOCUMENTS_DIR=\"$HOME/Dokumente\"\n");
    EXPECT_EQ(GetPlatformFolder(PlatformFolder::Documents), home / "Dokumente");

    env.Set("XDG_DOCUMENTS_DIR", "/srv/docs");
    EXPECT_EQ(GetPlatformFolder(PlatformFolder::Documents), "/srv/docs");
}

TEST(Folders, TheExecutableFolderHoldsTheRunningProgram)
{
    const std::string exe = KX::Platform::GetExecutablePath();
    ASSERT_FALSE(exe.empty());
    EXPECT_TRUE(std::filesystem::is_regular_file(exe));
    EXPECT_EQ(std::filesystem::path(exe).parent_path().string(), GetPlatformFolder(PlatformFolder::Executable));
}

} // namespace

} // namespace KX::Test
