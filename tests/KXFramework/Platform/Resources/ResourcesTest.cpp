#include "KXFramework/Platform/Resources/Resources.h"
#include "KXFramework/Platform/Resources/VersionInfo.h"
#include "ScopedService.h"

#include "EnvironmentGuard.h"
#include "TempFolder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string_view>

namespace KX::Test {

namespace {

class Resources : public ::testing::Test {
protected:
    void SetUp() override { KX::RegisterEmbeddedResources(); }

    KX::Test::ScopedService<KX::ResourceTable> m_table{KX::ResourceTableSlot(), {}};
};

std::string_view Text(KX::ResourceView view)
{
    return std::string_view(reinterpret_cast<const char*>(view.data), view.size);
}

TEST_F(Resources, EmbeddedFilesAreFoundByTypeAndNameIgnoringCase)
{
    const KX::ResourceView skin = KX::FindResource(u"KXXML", u"APP_SKINS");
    ASSERT_TRUE(skin);
    EXPECT_EQ(Text(skin), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Velmora_Skin_Definitions/>\n");
    EXPECT_EQ(KX::FindResource(u"kxxml", u"app_skins").data, skin.data);

    // Every byte value survives the embedding.
    const KX::ResourceView image = KX::FindResource(u"GDIPLUS", u"ALL_BYTES_BIN");
    ASSERT_TRUE(image);
    ASSERT_EQ(image.size, 256u);
    for (size_t i = 0; i < image.size; ++i)
        ASSERT_EQ(image.data[i], i);

    const KX::ResourceView empty = KX::FindResource(u"GDIPLUS", u"EMPTY_PNG");
    EXPECT_TRUE(empty);
    EXPECT_EQ(empty.size, 0u);
}

TEST_F(Resources, AMissingResourceGivesAnEmptyView)
{
    EXPECT_FALSE(KX::FindResource(u"KXXML", u"APP_STRINGS"));
    EXPECT_FALSE(KX::FindResource(u"GDIPLUS", u"APP_SKINS")); // right name, other type
    EXPECT_FALSE(KX::FindResource(u"KXXML", u"APP_SKIN"));
    EXPECT_FALSE(KX::FindResource(nullptr, u"APP_SKINS"));
    EXPECT_FALSE(KX::FindResource(u"KXXML", nullptr));
    KX::SetResourceTable(nullptr, 0);
    const KX::ResourceView none = KX::FindResource(u"KXXML", u"APP_SKINS");
    EXPECT_FALSE(none);
    EXPECT_EQ(none.size, 0u);
}

TEST(ResourceNameFromPath, NormalisesPathsToResourceNames)
{
    EXPECT_EQ(KX::ResourceNameFromPath(u"::device.png"), u"DEVICE_PNG");
    EXPECT_EQ(KX::ResourceNameFromPath(u"::APP_SKINS"), u"APP_SKINS");
    EXPECT_EQ(KX::ResourceNameFromPath(u"::/Splash.png"), u"SPLASH_PNG");
    EXPECT_EQ(KX::ResourceNameFromPath(u"::\\pad one.png"), u"PAD_ONE_PNG");
    EXPECT_EQ(KX::ResourceNameFromPath(u"::"), u"");
    EXPECT_EQ(KX::ResourceNameFromPath(u"plain"), u"PLAIN");
}

TEST(DevelopmentResourceFolder, NamesTheFolderOnlyWhenItHoldsASkin)
{
    KX::Test::EnvironmentGuard environment;
    KX::Test::TempFolder folder;
    environment.Clear("KX_RESOURCE_DIR");
    EXPECT_EQ(KX::DevelopmentResourceFolder(), "");
    environment.Set("KX_RESOURCE_DIR", folder.Path());
    EXPECT_EQ(KX::DevelopmentResourceFolder(), "");
    KX::Test::TempFolder::WriteFile(folder / "Skins.xml", "<R/>");
    EXPECT_EQ(KX::DevelopmentResourceFolder(), folder.Path());
    environment.Set("KX_RESOURCE_DIR", folder / "Skins.xml");
    EXPECT_EQ(KX::DevelopmentResourceFolder(), "");
}

TEST(VersionInfo, GeneratedFromTheProject)
{
    EXPECT_EQ(KX::Platform::GetVersionValue("CompanyName"), "Velmora");
    EXPECT_EQ(KX::Platform::GetVersionValue("productname"), "Kivo 61 Preset Editor");
    EXPECT_THAT(std::string(KX::Platform::GetVersionValue("ProductVersion")),
                testing::MatchesRegex("[0-9]+\\.[0-9]+\\.[0-9]+\\.[0-9]+"));
    EXPECT_EQ(KX::Platform::GetVersionValue("FileVersion"), KX::Platform::GetVersionValue("ProductVersion"));
    EXPECT_THAT(std::string(KX::Platform::GetVersionValue("LegalCopyright")), testing::HasSubstr("Velmora"));
    EXPECT_EQ(KX::Platform::GetVersionValue("Comments"), "");
}

} // namespace

} // namespace KX::Test
