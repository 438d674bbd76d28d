#include "KXFramework/Application/Version.h"

#include <gtest/gtest.h>

#include <regex>

namespace KX::Test {

namespace {

TEST(Version, GivesTheBuildsValues)
{
    const KX::Version version;
    EXPECT_EQ(version.GetCompanyName(), KX::String(u"Velmora"));
    EXPECT_EQ(version.GetProductName(), KX::String(u"Kivo 61 Preset Editor"));
    const std::string productVersion = version.GetProductVersion().ToNarrow().GetString();
    EXPECT_TRUE(std::regex_match(productVersion, std::regex("[0-9]+\\.[0-9]+\\.[0-9]+\\.[0-9]+"))) << productVersion;
    EXPECT_EQ(version.GetValue(KX::String(u"FileVersion")), version.GetProductVersion());
    EXPECT_EQ(version.GetValue(KX::String(u"LegalCopyright")),
              KX::String(u"Copyright (C) Velmora. All rights reserved."));
    EXPECT_TRUE(version.GetValue(KX::String(u"Comments")).IsEmpty());
    EXPECT_TRUE(version.GetValue(KX::String()).IsEmpty());
}

} // namespace

} // namespace KX::Test
