#include "KXFramework/Platform/Ini/IniLibrary.h"

#include "TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace KX::Test {

namespace {

namespace Ini = KX::Platform::Ini;
using KX::Test::TempFolder;

constexpr const char* kVersion = "1_0_0";
constexpr const char* kProduct = "Kivo 61 Preset Editor";

int32_t Open(const std::string& path, KXRESULT expected = KX::S_OK)
{
    int32_t handle = 0;
    EXPECT_EQ(Ini::OpenIniFile(path, kVersion, kProduct, &handle), expected);
    return handle;
}

class IniLibrary : public ::testing::Test {
protected:
    void TearDown() override { static_cast<void>(Ini::CloseAllIniFiles()); }
    TempFolder dir;
};

TEST_F(IniLibrary, ReadingNeverCreatesAFileAndTheFirstChangeWritesItWhole)
{
    const std::string path = dir / "UserSettings.ini";
    const int32_t h = Open(path);
    ASSERT_GT(h, 0);
    int32_t skin = -1;
    EXPECT_EQ(Ini::GetIniValueInt(h, "CurrentSkinIndex", 0, &skin), KX::S_FALSE);
    EXPECT_EQ(skin, 0);
    EXPECT_FALSE(std::filesystem::exists(path));

    EXPECT_EQ(Ini::SetIniValueInt(h, "CurrentSkinIndex", skin), KX::S_OK);
    EXPECT_EQ(TempFolder::ReadFile(path), "# Kivo 61 Preset Editor settings (KX ini 1)\n"
                                          "@product=Kivo 61 Preset Editor\n@version=1_0_0\nCurrentSkinIndex=0\n");

    // A second open of the same file shares the handle; the file stays open until both close.
    EXPECT_EQ(Open(dir.Path() + "/./UserSettings.ini"), h);
    EXPECT_EQ(Ini::CloseIniFile(h), KX::S_OK);
    EXPECT_EQ(Ini::SetIniValueStr(h, "Some/Node/Key", " spaced = text "), KX::S_OK);
    EXPECT_EQ(Ini::CloseIniFile(h), KX::S_OK);
    EXPECT_EQ(Ini::CloseIniFile(h), KX::E_INVALIDARG);

    const int32_t again = Open(path);
    EXPECT_NE(again, h); // handles are not reused
    std::string text;
    EXPECT_EQ(Ini::GetIniValueStr(again, "some/node/KEY", "default", text), KX::S_OK);
    EXPECT_EQ(text, " spaced = text ");
    EXPECT_EQ(Ini::DoesNodeExist(again, "Some/Node"), 1);
    EXPECT_EQ(Ini::DoesNodeExist(again, "Some/Node/Key"), 1);
    EXPECT_EQ(Ini::DoesNodeExist(again, "Some/Other"), 0);
    int32_t count = -1;
    EXPECT_EQ(Ini::GetKeyCount(again, "", &count), KX::S_OK);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(Ini::GetKeyNameAt(again, "", 0, text), KX::S_OK);
    EXPECT_EQ(text, "CurrentSkinIndex");
    EXPECT_EQ(Ini::GetKeyNameAt(again, "", 1, text), KX::E_INVALIDARG);
}

TEST_F(IniLibrary, IntegersAreWholeDecimalInt32s)
{
    const std::string path = dir / "n.ini";
    TempFolder::WriteFile(path, "a=12x\nb=  -42 \nc=2147483648\nd=-2147483648\ne=\nf=+7\n");
    const int32_t h = Open(path);
    struct Case {
        const char* key;
        KXRESULT result;
        int32_t value;
    } cases[] = {{"a", KX::S_FALSE, 5}, {"b", KX::S_OK, -42}, {"c", KX::S_FALSE, 5},      {"d", KX::S_OK, INT32_MIN},
                 {"e", KX::S_FALSE, 5}, {"f", KX::S_OK, 7},   {"missing", KX::S_FALSE, 5}};
    for (const Case& c : cases) {
        int32_t out = 0;
        EXPECT_EQ(Ini::GetIniValueInt(h, c.key, 5, &out), c.result) << c.key;
        EXPECT_EQ(out, c.value) << c.key;
    }
}

TEST_F(IniLibrary, BadHandlesAndKeysAreRefusedAndGiveTheDefault)
{
    int32_t out = 0;
    std::string text;
    EXPECT_EQ(Ini::GetIniValueInt(12345, "k", 9, &out), KX::E_INVALIDARG);
    EXPECT_EQ(out, 9);
    EXPECT_EQ(Ini::GetIniValueStr(0, "k", "def", text), KX::E_INVALIDARG);
    EXPECT_EQ(text, "def");
    EXPECT_EQ(Ini::SetIniValueInt(-1, "k", 1), KX::E_INVALIDARG);
    EXPECT_EQ(Ini::WriteIniFile(0), KX::E_INVALIDARG);

    const int32_t h = Open(dir / "k.ini");
    EXPECT_EQ(Ini::GetIniValueInt(h, "", 3, &out), KX::E_INVALIDARG);
    for (const char* key : {"", "#c", "@version", "a=b", "Node/", "x\ny", " padded"})
        EXPECT_EQ(Ini::SetIniValueStr(h, key, "v"), KX::E_INVALIDARG) << key;
    EXPECT_EQ(Ini::SetIniValueStr(h, "k", std::string_view("a\0b", 3)), KX::E_INVALIDARG);
    EXPECT_FALSE(std::filesystem::exists(dir / "k.ini"));

    int32_t handle = 7;
    EXPECT_EQ(Ini::OpenIniFile("", kVersion, kProduct, &handle), KX::E_INVALIDARG);
    EXPECT_EQ(handle, 0);
    EXPECT_EQ(Ini::OpenIniFile(dir / "x.ini", "", kProduct, &handle), KX::E_INVALIDARG);
    EXPECT_EQ(Ini::OpenIniFile(dir / "x.ini", kVersion, kProduct, nullptr), KX::E_INVALIDARG);
}

TEST_F(IniLibrary, ADamagedOrUnreadableFileFailsTheOpenAndStaysUntouched)
{
    std::string binary("A=1\n\0\x01\x02\xFF", 8);
    const std::string oversized(4 * 1024 * 1024 + 1, 'x');
    std::filesystem::create_directory(dir / "folder.ini");
    TempFolder::WriteFile(dir / "binary.ini", binary);
    TempFolder::WriteFile(dir / "huge.ini", oversized);
    for (const char* name : {"binary.ini", "huge.ini", "folder.ini"}) {
        const auto before = std::filesystem::last_write_time(dir / name);
        EXPECT_EQ(Open(dir / name, KX::E_FAIL), 0) << name;
        EXPECT_EQ(std::filesystem::last_write_time(dir / name), before) << name;
    }
    EXPECT_EQ(TempFolder::ReadFile(dir / "binary.ini"), binary);
    EXPECT_EQ(std::filesystem::file_size(dir / "huge.ini"), oversized.size());
    EXPECT_TRUE(std::filesystem::is_directory(dir / "folder.ini"));
}

TEST_F(IniLibrary, AFailedWriteKeepsTheValueAndALaterWriteSucceeds)
{
    const std::string folder = dir / "Velmora";
    const std::string path = folder + "/UserSettings.ini";
    const int32_t h = Open(path); // the folder does not exist yet
    EXPECT_EQ(Ini::SetIniValueInt(h, "First", 1), KX::E_FAIL);
    int32_t out = 0;
    EXPECT_EQ(Ini::GetIniValueInt(h, "First", 0, &out), KX::S_OK);
    EXPECT_EQ(out, 1);
    EXPECT_EQ(Ini::CloseIniFile(h), KX::E_FAIL); // stays open: nothing is lost
    EXPECT_EQ(Ini::WriteIniFile(h), KX::E_FAIL);

    std::filesystem::create_directory(folder);
    EXPECT_EQ(Ini::SetIniValueInt(h, "Second", 2), KX::S_OK);
    const std::string text = TempFolder::ReadFile(path);
    EXPECT_NE(text.find("First=1\n"), std::string::npos);
    EXPECT_NE(text.find("Second=2\n"), std::string::npos);

    // Unloading flushes a file left dirty and closes it.
    const int32_t other = Open(dir / "gone/Other.ini");
    EXPECT_EQ(Ini::SetIniValueInt(other, "K", 3), KX::E_FAIL);
    std::filesystem::create_directory(dir / "gone");
    EXPECT_EQ(Ini::CloseAllIniFiles(), KX::S_OK);
    EXPECT_NE(TempFolder::ReadFile(dir / "gone/Other.ini").find("K=3\n"), std::string::npos);
    EXPECT_EQ(Ini::WriteIniFile(h), KX::E_INVALIDARG);
}

TEST_F(IniLibrary, AnotherVersionOpensWithSFalseAndKeepsItsData)
{
    const std::string path = dir / "v.ini";
    const std::string original = "@product=Kivo 61 Preset Editor\n@version=0_9\nCurrentSkinIndex=2\n";
    TempFolder::WriteFile(path, original);
    const int32_t h = Open(path, KX::S_FALSE);
    ASSERT_GT(h, 0);
    int32_t skin = 0;
    EXPECT_EQ(Ini::GetIniValueInt(h, "CurrentSkinIndex", 0, &skin), KX::S_OK);
    EXPECT_EQ(skin, 2);
    EXPECT_EQ(Ini::CloseIniFile(h), KX::S_OK);
    EXPECT_EQ(TempFolder::ReadFile(path), original);
}

TEST_F(IniLibrary, ArraysWriteThrough)
{
    const std::string path = dir / "a.ini";
    TempFolder::WriteFile(path, "; kept\r\n[RecentFiles]\r\n0=/home/user/a\r\n");
    const int32_t h = Open(path);
    EXPECT_EQ(Ini::SetArrayItemAt(h, "RecentFiles", 1, "/home/user/b"), KX::S_OK);
    EXPECT_EQ(Ini::SetArrayItemAt(h, "RecentFiles", 3, "beyond"), KX::E_INVALIDARG);
    EXPECT_EQ(Ini::SetArrayItemAt(h, "RecentFiles", 2, "/home/user/c"), KX::S_OK);
    EXPECT_EQ(Ini::RemoveArrayItemAt(h, "RecentFiles", 0), KX::S_OK);
    EXPECT_EQ(Ini::RemoveArrayItemAt(h, "RecentFiles", 2), KX::E_INVALIDARG);
    EXPECT_EQ(TempFolder::ReadFile(path), "; kept\r\n[RecentFiles]\r\n0=/home/user/b\r\n1=/home/user/c\n");

    int32_t count = 0;
    std::string item;
    EXPECT_EQ(Ini::GetArrayCount(h, "recentfiles", &count), KX::S_OK);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(Ini::GetArrayItemAt(h, "RecentFiles", 1, item), KX::S_OK);
    EXPECT_EQ(item, "/home/user/c");
    EXPECT_EQ(Ini::GetArrayItemAt(h, "RecentFiles", 2, item), KX::E_INVALIDARG);

    EXPECT_EQ(Ini::SetArrayCount(h, "RecentFiles", 3), KX::S_OK);
    EXPECT_EQ(Ini::SetArrayCount(h, "RecentFiles", -1), KX::E_INVALIDARG);
    EXPECT_EQ(Ini::SetArrayCount(h, "RecentFiles", 1 << 30), KX::E_INVALIDARG);
    EXPECT_EQ(Ini::SetArrayCount(h, "RecentFiles", 1), KX::S_OK);
    EXPECT_EQ(TempFolder::ReadFile(path), "; kept\r\n[RecentFiles]\r\n0=/home/user/b\r\n");
}

} // namespace

} // namespace KX::Test
