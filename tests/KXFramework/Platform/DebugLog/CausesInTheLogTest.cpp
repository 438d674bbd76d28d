// What the layer over Linux says in the debug log when it takes a fallback for its folders or cannot
// write or open a file, where the user sees at most a box without a cause: one line each, with the
// cause, and once however often the same thing is looked up or retried.
#include "KXFramework/Platform/Folders/Folders.h"
#include "KXFramework/Platform/Folders/ProfileStore.h"
#include "KXFramework/Platform/Ini/IniLibrary.h"
#include "KXFramework/Platform/Process/ShellOpen.h"
#include "KXFramework/Platform/Process/SingleInstance.h"

#include "EnvironmentGuard.h"
#include "LogLines.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <pwd.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace KX::Test {

namespace {

using Platform::PlatformFolder;

// The line for a HOME that cannot be used, by what the user database holds.
std::string HomeFallbackLine(const std::string& why)
{
    const passwd* entry = ::getpwuid(::getuid());
    if (entry == nullptr || entry->pw_dir == nullptr || entry->pw_dir[0] != '/')
        return "Folders: " + why + ", and the user database names no home folder either";
    return "Folders: " + why + "; using " + entry->pw_dir + ", the home folder of the user database";
}

TEST(CausesInTheLog, EachFallbackAndEachFailureSaysWhyOnce)
{
    TempFolder dir;
    EnvironmentGuard env;
    const std::string uid = std::to_string(::geteuid());
    TempFolder::WriteFile(dir / "plain", "");
    TempFolder::WriteFile(dir / "guide.pdf", "%PDF-1.4\n");
    ASSERT_EQ(::mkdir((dir / "shared").c_str(), 0755), 0);
    ASSERT_EQ(::mkdir((dir / "bin").c_str(), 0755), 0);
    TempFolder::WriteFile(dir / "bin/xdg-open", "#!/bin/sh\nexit 4\n");
    ASSERT_EQ(::chmod((dir / "bin/xdg-open").c_str(), 0755), 0);
    env.Clear("XDG_CONFIG_HOME");
    env.Clear("XDG_DATA_HOME");
    env.Clear("XDG_DOCUMENTS_DIR");

    // Every folder looked up three times, after one look-up with a usable HOME.
    const auto lookUpWithHome = [&](const char* home) {
        env.Set("HOME", dir.Path());
        static_cast<void>(Platform::GetPlatformFolder(PlatformFolder::LocalAppData));
        if (home != nullptr)
            env.Set("HOME", home);
        else
            env.Clear("HOME");
        for (int i = 0; i < 3; ++i)
            for (PlatformFolder which :
                 {PlatformFolder::CommonAppData, PlatformFolder::LocalAppData, PlatformFolder::Documents})
                static_cast<void>(Platform::GetPlatformFolder(which));
    };
    const auto runtimeFolder = [&](const char* runtime, const std::string& fallbackParent) {
        if (runtime != nullptr)
            env.Set("XDG_RUNTIME_DIR", runtime);
        else
            env.Clear("XDG_RUNTIME_DIR");
        static_cast<void>(Platform::SingleInstanceFolder(fallbackParent));
    };
    const auto open = [&](const std::string& path, const std::string& searchPath) {
        env.Set("PATH", searchPath);
        static_cast<void>(Platform::XdgShellOpen().Open(path));
    };
    const std::string fallback = dir / ("kivo61-" + uid);
    const std::string guide = dir / "guide.pdf";

    const struct {
        const char* name;
        std::function<void()> act;
        std::string line;
    } cases[] = {
        {"HOME not set", [&] { lookUpWithHome(nullptr); }, HomeFallbackLine("HOME is not set")},
        {"HOME relative", [&] { lookUpWithHome("relative/home"); },
         HomeFallbackLine("HOME relative/home is not an absolute path")},
        {"XDG_RUNTIME_DIR not set", [&] { runtimeFolder(nullptr, dir.Path()); },
         "Single instance: XDG_RUNTIME_DIR is not set; using " + fallback},
        {"XDG_RUNTIME_DIR missing", [&] { runtimeFolder((dir / "gone").c_str(), dir.Path()); },
         "Single instance: XDG_RUNTIME_DIR " + dir / "gone" + ": No such file or directory; using " + fallback},
        {"XDG_RUNTIME_DIR open to others", [&] { runtimeFolder((dir / "shared").c_str(), dir.Path()); },
         "Single instance: XDG_RUNTIME_DIR " + dir / "shared" +
             " is not a private folder of this user (mode 0755, not 0700); using " + fallback},
        {"no private folder at all", [&] { runtimeFolder(nullptr, dir / "plain"); },
         "Single instance: XDG_RUNTIME_DIR is not set, and " + dir / "plain/kivo61-" + uid +
             " cannot be made: Not a directory; starting without the rule"},
        {"settings that cannot be written",
         [&] {
             int32_t handle = 0;
             ASSERT_EQ(Platform::Ini::OpenIniFile(dir / "settings/UserSettings.ini", "1_0_0", "Kivo", &handle), S_OK);
             for (int32_t value : {1, 2, 3})
                 EXPECT_EQ(Platform::Ini::SetIniValueInt(handle, "CurrentSkinIndex", value), E_FAIL);
             // Once written, the file leaves the library as it found it.
             ASSERT_EQ(::mkdir((dir / "settings").c_str(), 0755), 0);
             EXPECT_EQ(Platform::Ini::CloseIniFile(handle), S_OK);
         },
         "Settings: cannot write " + dir / "settings/UserSettings.ini" +
             ": No such file or directory; kept in memory and tried again at the next change"},
        {"a folder for the window place that cannot be made",
         [&] {
             env.Set("XDG_CONFIG_HOME", dir / "plain");
             EXPECT_FALSE(Platform::WriteProfileBinary("Velmora", "Velmora_Kivo", "WP", {1, 2, 3}));
         },
         "Settings: cannot create " + dir / "plain" + ": File exists"},
        {"a window place that cannot be written",
         [&] {
             env.Set("XDG_CONFIG_HOME", dir.Path());
             ASSERT_TRUE(std::filesystem::create_directories(dir / "Velmora/Velmora_Kivo/WP"));
             EXPECT_FALSE(Platform::WriteProfileBinary("Velmora", "Velmora_Kivo", "WP", {1, 2, 3}));
             env.Clear("XDG_CONFIG_HOME");
         },
         "Settings: cannot write " + dir / "Velmora/Velmora_Kivo/WP" + ": Is a directory"},
        {"a missing document", [&] { open(dir / "missing.pdf", dir / "bin"); },
         "Shell open: cannot open " + dir / "missing.pdf" + ": No such file or directory"},
        {"a folder", [&] { open(dir.Path(), dir / "bin"); },
         "Shell open: cannot open " + dir.Path() + ": not a regular file"},
        {"no xdg-open", [&] { open(guide, dir / "shared"); },
         "Shell open: cannot open " + guide + ": cannot start xdg-open: No such file or directory"},
        {"xdg-open fails", [&] { open(guide, dir / "bin"); },
         "Shell open: cannot open " + guide + ": xdg-open ended with status 4"},
    };
    for (const auto& c : cases) {
        testing::internal::CaptureStderr();
        c.act();
        EXPECT_EQ(CapturedLogLines(), std::vector<std::string>{c.line}) << c.name;
    }
}

} // namespace

} // namespace KX::Test
