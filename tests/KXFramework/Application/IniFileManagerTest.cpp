#include "KXFramework/Application/IniFileManager.h"

#include "TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace KX::Test {

namespace {

using KX::String;
using KX::Test::TempFolder;

String Path(const std::string& utf8)
{
    return String(utf8.c_str());
}

// The settings files as the application opens them.
const String kSettingsVersion(u"1_0_0");
const String kProduct(u"Kivo 61 Preset Editor");

KX::RCPtr<KX::LIniFileManager> LoadedManager()
{
    KX::RCPtr<KX::LIniFileManager> manager(new KX::LIniFileManager());
    EXPECT_EQ(manager->LoadLibrary(), KX::S_OK);
    return manager;
}

TEST(IniFileManager, TheSkinIndexDefaultsToZeroAndIsWrittenThrough)
{
    TempFolder dir;
    const std::string path = dir / "UserSettings.ini";
    KX::RCPtr<KX::LIniFileManager> manager = LoadedManager();
    int32_t handle = 0;
    ASSERT_EQ(manager->OpenIniFile(Path(path), kSettingsVersion, kProduct, &handle), KX::S_OK);
    ASSERT_GT(handle, 0);
    int32_t index = -1;
    EXPECT_EQ(manager->GetIniValueInt(handle, String(u"CurrentSkinIndex"), 0, &index), KX::S_FALSE);
    EXPECT_EQ(index, 0);
    // Reading alone creates no file.
    EXPECT_FALSE(std::filesystem::exists(path));

    EXPECT_EQ(manager->SetIniValueInt(handle, String(u"CurrentSkinIndex"), 2), KX::S_OK);
    const std::string text = TempFolder::ReadFile(path);
    EXPECT_NE(text.find("@product=Kivo 61 Preset Editor\n"), std::string::npos) << text;
    EXPECT_NE(text.find("@version=1_0_0\n"), std::string::npos) << text;
    EXPECT_NE(text.find("CurrentSkinIndex=2\n"), std::string::npos) << text;

    // A second manager (the next run of the program) reads it back.
    KX::RCPtr<KX::LIniFileManager> next = LoadedManager();
    manager = nullptr;
    int32_t again = 0;
    ASSERT_EQ(next->OpenIniFile(Path(path), kSettingsVersion, kProduct, &again), KX::S_OK);
    EXPECT_EQ(next->GetIniValueInt(again, String(u"CurrentSkinIndex"), 0, &index), KX::S_OK);
    EXPECT_EQ(index, 2);
    EXPECT_EQ(next->GetIniValueInt(again, String(u"CurrentSkinIndex"), 0, nullptr), KX::E_INVALIDARG);
}

TEST(IniFileManager, AwkwardTextRoundTrips)
{
    TempFolder dir;
    const std::string path = dir / "AppSettings.ini";
    const String awkward(u"  lead, trail  = #not a comment; \\back\\slash\nline two\t\u00e9\u4e2d\U0001F3B9 ");
    {
        KX::RCPtr<KX::LIniFileManager> manager = LoadedManager();
        int32_t handle = 0;
        ASSERT_EQ(manager->OpenIniFile(Path(path), kSettingsVersion, kProduct, &handle), KX::S_OK);
        EXPECT_EQ(manager->SetIniValueStr(handle, String(u"Some/Node/Text"), awkward), KX::S_OK);
        EXPECT_EQ(manager->SetArrayItemAt(handle, String(u"Recent"), 0, String(u"/home/user/a.Kivo61PresetEditor")),
                  KX::S_OK);
        EXPECT_EQ(
            manager->SetArrayItemAt(handle, String(u"Recent"), 1, String(u"/home/user/\u00fc.Kivo61PresetEditor")),
            KX::S_OK);
        EXPECT_EQ(manager->SetArrayItemAt(handle, String(u"Recent"), 2, String(u"c")), KX::S_OK);
        EXPECT_EQ(manager->RemoveArrayItemAt(handle, String(u"Recent"), 0), KX::S_OK);
        EXPECT_EQ(manager->SetIniValueStr(handle, String(u"Bad=Key"), String(u"x")), KX::E_INVALIDARG);
    }
    KX::RCPtr<KX::LIniFileManager> manager = LoadedManager();
    int32_t handle = 0;
    ASSERT_EQ(manager->OpenIniFile(Path(path), kSettingsVersion, kProduct, &handle), KX::S_OK);
    String text;
    EXPECT_EQ(manager->GetIniValueStr(handle, String(u"some/node/text"), String(), text), KX::S_OK);
    EXPECT_EQ(text, awkward);
    EXPECT_EQ(manager->DoesNodeExist(handle, String(u"Some/Node")), 1);
    EXPECT_EQ(manager->DoesNodeExist(handle, String(u"Other")), 0);

    int32_t count = 0;
    EXPECT_EQ(manager->GetArrayCount(handle, String(u"Recent"), &count), KX::S_OK);
    ASSERT_EQ(count, 2);
    EXPECT_EQ(manager->GetArrayItemAt(handle, String(u"Recent"), 0, text), KX::S_OK);
    EXPECT_EQ(text, String(u"/home/user/\u00fc.Kivo61PresetEditor"));
    EXPECT_EQ(manager->GetKeyCount(handle, String(u"Some/Node"), &count), KX::S_OK);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(manager->GetKeyNameAt(handle, String(u"Some/Node"), 0, text), KX::S_OK);
    EXPECT_EQ(text, String(u"Text"));
    EXPECT_EQ(manager->GetKeyNameAt(handle, String(u"Some/Node"), 1, text), KX::E_INVALIDARG);
}

TEST(IniFileManager, ADamagedFileIsRefusedUntouchedAndDefaultsApply)
{
    TempFolder dir;
    const std::string path = dir / "UserSettings.ini";
    static const char bytes[] = "CurrentSkinIndex=3\n\0\xff\xfe garbage";
    const std::string damaged(bytes, sizeof bytes - 1);
    TempFolder::WriteFile(path, damaged);
    KX::RCPtr<KX::LIniFileManager> manager = LoadedManager();
    int32_t handle = 7;
    EXPECT_EQ(manager->OpenIniFile(Path(path), kSettingsVersion, kProduct, &handle), KX::E_FAIL);
    EXPECT_EQ(handle, 0);

    // The program goes on with handle 0: reads give the default, writes change nothing.
    int32_t index = -1;
    EXPECT_LT(manager->GetIniValueInt(handle, String(u"CurrentSkinIndex"), 0, &index), 0);
    EXPECT_EQ(index, 0);
    String text(u"stale");
    EXPECT_LT(manager->GetIniValueStr(handle, String(u"Key"), String(u"default"), text), 0);
    EXPECT_EQ(text, String(u"default"));
    EXPECT_LT(manager->SetIniValueInt(handle, String(u"CurrentSkinIndex"), 1), 0);
    manager = nullptr;
    EXPECT_EQ(TempFolder::ReadFile(path), damaged);
}

TEST(IniFileManager, AFailedWriteIsReportedAndALaterChangeWritesEverything)
{
    TempFolder dir;
    const std::string folder = dir / "Velmora";
    const std::string path = folder + "/UserSettings.ini";
    KX::RCPtr<KX::LIniFileManager> manager = LoadedManager();
    int32_t handle = 0;
    ASSERT_EQ(manager->OpenIniFile(Path(path), kSettingsVersion, kProduct, &handle), KX::S_OK);
    EXPECT_EQ(manager->SetIniValueInt(handle, String(u"CurrentSkinIndex"), 1), KX::E_FAIL);
    int32_t index = 0;
    EXPECT_EQ(manager->GetIniValueInt(handle, String(u"CurrentSkinIndex"), 0, &index), KX::S_OK);
    EXPECT_EQ(index, 1);

    std::filesystem::create_directory(folder);
    EXPECT_EQ(manager->SetIniValueStr(handle, String(u"Other"), String(u"x")), KX::S_OK);
    const std::string text = TempFolder::ReadFile(path);
    EXPECT_NE(text.find("CurrentSkinIndex=1\n"), std::string::npos) << text;
    EXPECT_NE(text.find("Other=x\n"), std::string::npos) << text;
}

TEST(IniFileManager, WithoutTheLibraryEverythingFailsWithTheDefaults)
{
    TempFolder dir;
    KX::RCPtr<KX::LIniFileManager> manager(new KX::LIniFileManager());
    EXPECT_FALSE(manager->IsLoaded());
    int32_t handle = 5;
    EXPECT_EQ(manager->OpenIniFile(Path(dir / "a.ini"), kSettingsVersion, kProduct, &handle), KX::E_FAIL);
    EXPECT_EQ(handle, 0);

    ASSERT_EQ(manager->LoadLibrary(String(u"/ignored/IniFileManager.so")), KX::S_OK);
    ASSERT_EQ(manager->OpenIniFile(Path(dir / "a.ini"), kSettingsVersion, kProduct, &handle), KX::S_OK);
    ASSERT_EQ(manager->UnloadLibrary(), KX::S_OK);
    EXPECT_FALSE(manager->IsLoaded());

    int32_t value = -1;
    EXPECT_EQ(manager->GetIniValueInt(handle, String(u"K"), 4, &value), KX::E_FAIL);
    EXPECT_EQ(value, 4);
    String text(u"stale");
    EXPECT_EQ(manager->GetIniValueStr(handle, String(u"K"), String(u"d"), text), KX::E_FAIL);
    EXPECT_EQ(text, String(u"d"));
    EXPECT_EQ(manager->GetArrayCount(handle, String(u"R"), &value), KX::E_FAIL);
    EXPECT_EQ(value, 0);
    EXPECT_EQ(manager->SetIniValueInt(handle, String(u"K"), 1), KX::E_FAIL);
    EXPECT_EQ(manager->WriteIniFile(handle), KX::E_FAIL);
    EXPECT_FALSE(std::filesystem::exists(dir / "a.ini"));

    // Unloading closed the file: loaded again, its old handle is no longer valid.
    manager->LoadLibrary();
    EXPECT_EQ(manager->SetIniValueInt(handle, String(u"K"), 1), KX::E_INVALIDARG);
}

TEST(IniFileManager, AnotherStoredVersionOpensWithSFalseAndKeepsTheData)
{
    TempFolder dir;
    const std::string path = dir / "UserSettings.ini";
    const std::string old =
        "# written by hand\n@product=Kivo 61 Preset Editor\n@version=0_9_0\r\nCurrentSkinIndex=1\r\n";
    TempFolder::WriteFile(path, old);
    KX::RCPtr<KX::LIniFileManager> manager = LoadedManager();
    int32_t handle = 0;
    ASSERT_EQ(manager->OpenIniFile(Path(path), kSettingsVersion, kProduct, &handle), KX::S_FALSE);
    int32_t index = 0;
    EXPECT_EQ(manager->GetIniValueInt(handle, String(u"CurrentSkinIndex"), 0, &index), KX::S_OK);
    EXPECT_EQ(index, 1);
    manager = nullptr;
    EXPECT_EQ(TempFolder::ReadFile(path), old);
}

} // namespace

} // namespace KX::Test
