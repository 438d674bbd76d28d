#include "Panel/ApplicationFolders.h"

#include "KXFramework/Platform/Folders/Folders.h"
#include "KXFramework/Platform/Folders/ProfileStore.h"

#include "EnvironmentGuard.h"
#include "LogLines.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace KX::Test {

namespace {

using KX::Platform::WindowPlacementRecord;

std::string Utf8(const String& text)
{
    return text.ToNarrow().GetString();
}

const char kSection[] = "Velmora_Kivo 61 Preset Editor";

class ApplicationFolders : public ::testing::Test {
protected:
    ApplicationFolders()
    {
        m_env.Set("HOME", m_home.Path());
        m_env.Clear("XDG_DATA_HOME");
        m_env.Set("XDG_CONFIG_HOME", m_home / "config");
        m_env.Set("XDG_DOCUMENTS_DIR", m_home / "My Documents");
        EXPECT_EQ(m_ini->LoadLibrary(), S_OK);
    }

    std::string ConfigFolder() const { return m_home / "config/Velmora/Kivo 61 Preset Editor"; }
    std::string PlacementFile() const { return m_home / "config/Velmora/" + std::string(kSection) + "/WP"; }

    TempFolder m_home;
    EnvironmentGuard m_env;
    RCPtr<LIniFileManager> m_ini{new LIniFileManager()};
    LApplicationFolders m_folders{u"Velmora", u"Kivo 61 Preset Editor", String(), m_ini.Get()};
};

TEST_F(ApplicationFolders, FoldersByIdAreMadeWhenMissing)
{
    EXPECT_EQ(Utf8(m_folders.GetFolder(0)), Platform::GetPlatformFolder(Platform::PlatformFolder::Executable));
    EXPECT_EQ(Utf8(m_folders.GetFolder(1)), "::");
    EXPECT_EQ(Utf8(m_folders.GetFolder(2)), m_home / ".local/share/Velmora/Kivo 61 Preset Editor");
    EXPECT_EQ(Utf8(m_folders.GetFolder(3)), ConfigFolder());
    for (int id : {4, 5, 6})
        EXPECT_EQ(Utf8(m_folders.GetFolder(id)), m_home / "My Documents") << id;
    for (const char* folder :
         {".local/share/Velmora/Kivo 61 Preset Editor", "config/Velmora/Kivo 61 Preset Editor", "My Documents"})
        EXPECT_TRUE(std::filesystem::is_directory(m_home / folder)) << folder;

    for (int id : {7, -1, 1000}) {
        try {
            static_cast<void>(m_folders.GetFolder(id));
            ADD_FAILURE() << id;
        } catch (const std::out_of_range& e) {
            EXPECT_EQ(std::string(e.what()).rfind("Out of Range : Unknown Path ID. : "
                                                  "KX::MFCFrameworkApp<class LApplication>::GetFolder : ",
                                                  0),
                      0u)
                << e.what();
        }
    }

    // Reserved characters of the names become "_"; the resource folder replaces "::".
    LApplicationFolders other(u"A&B, (C)", u"x/y", u"/opt/kivo/resources", nullptr);
    EXPECT_EQ(Utf8(other.GetFolder(3)), m_home / "config/A_B_ _C_/x_y");
    EXPECT_EQ(Utf8(other.GetFolder(1)), "/opt/kivo/resources");
    EXPECT_EQ(other.GetIniFile(1), 0);
}

TEST_F(ApplicationFolders, AMissingHomeIsMadeAndTheLogSaysSoAsItSaysWhyOneCannotBe)
{
    m_env.Clear("XDG_CONFIG_HOME");
    m_env.Clear("XDG_DOCUMENTS_DIR");
    TempFolder::WriteFile(m_home / "plain", "");
    const struct {
        const char* name;
        std::string home;
        int lookUps;
        std::string line;
    } cases[] = {
        {"missing", m_home / "home", 3,
         "Folders: created " + m_home / "home/.config" + ", as " + m_home / "home" + " did not exist"},
        {"below a file", m_home / "plain/home", 1, "Folders: cannot create " + m_home / "plain" + ": File exists"},
    };
    for (const auto& c : cases) {
        m_env.Set("HOME", c.home);
        testing::internal::CaptureStderr();
        for (int i = 0; i < c.lookUps; ++i)
            static_cast<void>(m_folders.GetFolder(3 + i));
        EXPECT_EQ(CapturedLogLines(), std::vector<std::string>{c.line}) << c.name;
    }
    EXPECT_TRUE(std::filesystem::is_directory(m_home / "home/.config/Velmora/Kivo 61 Preset Editor"));
}

TEST_F(ApplicationFolders, SettingsFilesOpenOnFirstUseAndAFileThatCannotBeReadGivesDefaults)
{
    EXPECT_EQ(m_folders.GetIniFile(2), 0);
    EXPECT_EQ(m_folders.GetIniFile(-1), 0);

    // A file that is not text is left alone: no handle, so its users take their defaults.
    std::filesystem::create_directories(ConfigFolder());
    const std::string binary("\xFF\xFE[\0CurrentSkinIndex=1\n", 22);
    TempFolder::WriteFile(ConfigFolder() + "/UserSettings.ini", binary);
    EXPECT_EQ(m_folders.GetIniFile(1), 0);
    EXPECT_EQ(TempFolder::ReadFile(ConfigFolder() + "/UserSettings.ini"), binary);

    // A damaged text opens; what cannot be read as a value is the default.
    TempFolder::WriteFile(ConfigFolder() + "/UserSettings.ini", "\xFF\xFE[CurrentSkinIndex=x=\n[\nCurrentSkinIndex");
    const int32_t user = m_folders.GetIniFile(1);
    ASSERT_GT(user, 0);
    EXPECT_EQ(m_folders.GetIniFile(1), user);
    int32_t index = -1;
    EXPECT_EQ(m_ini->GetIniValueInt(user, u"CurrentSkinIndex", 0, &index), S_FALSE);
    EXPECT_EQ(index, 0);
    ASSERT_EQ(m_ini->SetIniValueInt(user, u"CurrentSkinIndex", 2), S_OK);
    EXPECT_EQ(m_ini->GetIniValueInt(user, u"CurrentSkinIndex", 0, &index), S_OK);
    EXPECT_EQ(index, 2);

    // A folder in the file's place: no handle, and the next call tries again.
    const std::string app = m_home / ".local/share/Velmora/Kivo 61 Preset Editor/AppSettings.ini";
    std::filesystem::create_directories(app);
    EXPECT_EQ(m_folders.GetIniFile(0), 0);
    EXPECT_EQ(m_folders.GetIniFile(0), 0);
    std::filesystem::remove(app);
    TempFolder::WriteFile(app, "");
    const int32_t shared = m_folders.GetIniFile(0);
    EXPECT_GT(shared, 0);
    EXPECT_NE(shared, user);
    EXPECT_EQ(m_folders.GetIniFile(0), shared);
}

TEST_F(ApplicationFolders, APlacementFromALargerDesktopIsFittedOntoTheWorkArea)
{
    const RectT<int32_t> area{0, 0, 1280, 1024};
    const struct {
        const char* what;
        WindowPlacementRecord stored;
        RectT<int32_t> area;
        uint32_t showCmd;
        int32_t left, top, right, bottom;
    } cases[] = {
        {"inside", {44, 0, 1, -1, -1, -1, -1, 100, 50, 900, 650}, area, 1, 100, 50, 900, 650},
        {"left of and above", {44, 0, 1, -1, -1, -1, -1, -300, -20, 500, 580}, area, 1, 0, 0, 800, 600},
        {"beyond the right and bottom",
         {44, 0, 3, -1, -1, -1, -1, 2000, 1500, 2800, 2100},
         area,
         3,
         480,
         424,
         1280,
         1024},
        {"larger", {44, 0, 1, -1, -1, -1, -1, 100, 100, 2660, 2148}, area, 1, 0, 0, 1280, 1024},
        {"minimised", {44, 0, 2, -1, -1, -1, -1, 10, 10, 810, 610}, area, 1, 10, 10, 810, 610},
        {"minimised from maximised", {44, 2, 7, -1, -1, -1, -1, 10, 10, 810, 610}, area, 3, 10, 10, 810, 610},
        {"second display",
         {44, 0, 1, -1, -1, -1, -1, -32000, 0, -31200, 600},
         {1920, 30, 1024, 738},
         1,
         1920,
         30,
         2720,
         630},
        {"no desktop known", {44, 0, 6, -1, -1, -1, -1, -5, -5, 795, 595}, {0, 0, 0, 0}, 1, -5, -5, 795, 595},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(m_folders.SaveWindowPlacement(c.stored)) << c.what;
        const auto loaded = m_folders.LoadWindowPlacement(c.area);
        ASSERT_TRUE(loaded) << c.what;
        EXPECT_EQ(loaded->showCmd, c.showCmd) << c.what;
        EXPECT_EQ((RectT<int32_t>{loaded->left, loaded->top, loaded->right, loaded->bottom}),
                  (RectT<int32_t>{c.left, c.top, c.right, c.bottom}))
            << c.what;
    }
    EXPECT_TRUE(std::filesystem::is_regular_file(PlacementFile()));

    // The window's own limits come before the move: still too wide, it starts at the left edge.
    const WindowPlacementRecord wide =
        LApplicationFolders::FitOntoWorkArea({44, 0, 1, -1, -1, -1, -1, 500, 500, 1500, 900}, {0, 0, 1024, 768},
                                             [](RectT<int32_t>& r) { r.width = std::max(r.width, 1100); });
    EXPECT_EQ((RectT<int32_t>{wide.left, wide.top, wide.right, wide.bottom}), (RectT<int32_t>{0, 368, 1100, 768}));
}

TEST_F(ApplicationFolders, ADamagedOrUnreadablePlacementIsNoPlacement)
{
    const RectT<int32_t> area{0, 0, 1280, 1024};
    EXPECT_FALSE(m_folders.LoadWindowPlacement(area));
    ASSERT_TRUE(m_folders.SaveWindowPlacement({44, 0, 1, -1, -1, -1, -1, 0, 0, 800, 600}));
    const std::string good = TempFolder::ReadFile(PlacementFile());
    const std::string damaged[] = {"",
                                   good.substr(0, 43),
                                   good + "x",
                                   "\x28" + good.substr(1),
                                   std::string(44, '\xFF'),
                                   std::string(2 * 1024 * 1024, 'x')};
    for (const std::string& bytes : damaged) {
        TempFolder::WriteFile(PlacementFile(), bytes);
        EXPECT_FALSE(m_folders.LoadWindowPlacement(area)) << bytes.size();
    }
    std::filesystem::remove(PlacementFile());
    std::filesystem::create_directory(PlacementFile());
    EXPECT_FALSE(m_folders.LoadWindowPlacement(area));
    EXPECT_FALSE(m_folders.SaveWindowPlacement({44, 0, 1, -1, -1, -1, -1, 0, 0, 800, 600}));
    std::filesystem::remove(PlacementFile());
    if (::geteuid() != 0) {
        TempFolder::WriteFile(PlacementFile(), good);
        ASSERT_EQ(::chmod(PlacementFile().c_str(), 0), 0);
        EXPECT_FALSE(m_folders.LoadWindowPlacement(area));
    }
}

} // namespace

} // namespace KX::Test
