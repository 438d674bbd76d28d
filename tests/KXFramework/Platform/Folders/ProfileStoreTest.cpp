#include "KXFramework/Platform/Folders/ProfileStore.h"

#include "EnvironmentGuard.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace KX::Test {

namespace {

using KX::Platform::ReadProfileBinary;
using KX::Platform::WriteProfileBinary;

class ProfileStore : public ::testing::Test {
protected:
    ProfileStore()
    {
        m_env.Set("HOME", m_home.Path());
        m_env.Set("XDG_CONFIG_HOME", m_home / "config");
    }

    TempFolder m_home;
    EnvironmentGuard m_env;
};

TEST_F(ProfileStore, AValueIsAFileBelowCompanyAndSectionAndReadsBack)
{
    const std::vector<uint8_t> value = {0, 1, 2, 0xFF, '\n'};
    ASSERT_TRUE(WriteProfileBinary("Velmora", "Velmora_Kivo 61 Preset Editor", "WP", value));
    EXPECT_EQ(TempFolder::ReadFile(m_home / "config/Velmora/Velmora_Kivo 61 Preset Editor/WP"),
              std::string("\0\1\2\xFF\n", 5));
    EXPECT_EQ(ReadProfileBinary("Velmora", "Velmora_Kivo 61 Preset Editor", "WP"), value);

    // Replaced whole; an empty value is a value.
    ASSERT_TRUE(WriteProfileBinary("Velmora", "Velmora_Kivo 61 Preset Editor", "WP", {}));
    EXPECT_EQ(ReadProfileBinary("Velmora", "Velmora_Kivo 61 Preset Editor", "WP"), std::vector<uint8_t>{});

    // Reserved characters become "_", so a name never makes a folder of its own.
    ASSERT_TRUE(WriteProfileBinary("A&B, (C)", "x/y", "a:b", value));
    EXPECT_TRUE(std::filesystem::is_regular_file(m_home / "config/A_B_ _C_/x_y/a_b"));

    // Without XDG_CONFIG_HOME: ~/.config, made when missing.
    m_env.Clear("XDG_CONFIG_HOME");
    ASSERT_TRUE(WriteProfileBinary("Velmora", "S", "E", value));
    EXPECT_EQ(ReadProfileBinary("Velmora", "S", "E"), value);
    EXPECT_TRUE(std::filesystem::is_regular_file(m_home / ".config/Velmora/S/E"));
}

TEST_F(ProfileStore, NamesThatWouldLeaveTheirFolderAreRefused)
{
    for (const char* bad : {"", ".", ".."}) {
        EXPECT_FALSE(WriteProfileBinary(bad, "S", "E", {1})) << '"' << bad << '"';
        EXPECT_FALSE(WriteProfileBinary("C", bad, "E", {1})) << '"' << bad << '"';
        EXPECT_FALSE(WriteProfileBinary("C", "S", bad, {1})) << '"' << bad << '"';
        EXPECT_FALSE(ReadProfileBinary("C", bad, "E")) << '"' << bad << '"';
    }
    EXPECT_FALSE(std::filesystem::exists(m_home / "config/C"));
    EXPECT_FALSE(std::filesystem::exists(m_home / "config/S"));
}

TEST_F(ProfileStore, WhatCannotBeReadIsNoValueAndAFailedWriteKeepsTheOldOne)
{
    EXPECT_FALSE(ReadProfileBinary("C", "S", "missing"));

    // A folder in the value's place stays, and is no value.
    std::filesystem::create_directories(m_home / "config/C/S/E");
    EXPECT_FALSE(ReadProfileBinary("C", "S", "E"));
    EXPECT_FALSE(WriteProfileBinary("C", "S", "E", {1, 2}));
    EXPECT_TRUE(std::filesystem::is_directory(m_home / "config/C/S/E"));

    // A plain file where a folder should be.
    TempFolder::WriteFile(m_home / "config/C/F", "x");
    EXPECT_FALSE(WriteProfileBinary("C", "F", "E", {1}));
    EXPECT_EQ(TempFolder::ReadFile(m_home / "config/C/F"), "x");

    // Larger than any value of ours.
    TempFolder::WriteFile(m_home / "config/C/S/big", std::string(Platform::kMaxProfileBinarySize + 1, 'b'));
    EXPECT_FALSE(ReadProfileBinary("C", "S", "big"));
    TempFolder::WriteFile(m_home / "config/C/S/big", std::string(Platform::kMaxProfileBinarySize, 'b'));
    EXPECT_EQ(ReadProfileBinary("C", "S", "big")->size(), Platform::kMaxProfileBinarySize);

    // Permissions stop everyone but root.
    if (::geteuid() != 0) {
        ASSERT_TRUE(WriteProfileBinary("C", "S", "kept", {7}));
        ASSERT_EQ(::chmod((m_home / "config/C/S").c_str(), 0500), 0);
        EXPECT_FALSE(WriteProfileBinary("C", "S", "kept", {8}));
        EXPECT_EQ(ReadProfileBinary("C", "S", "kept"), std::vector<uint8_t>{7});
        ASSERT_EQ(::chmod((m_home / "config/C/S/kept").c_str(), 0), 0);
        EXPECT_FALSE(ReadProfileBinary("C", "S", "kept"));
        ASSERT_EQ(::chmod((m_home / "config/C/S").c_str(), 0700), 0);
    }
}

} // namespace

} // namespace KX::Test
