#include "KXFramework/Utilities/Storage/File.h"
#include "KXFramework/Platform/Resources/Resources.h"

#include "ScopedService.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

namespace KX::Test {

namespace {

using KX::File;
using KX::String;
using KX::Test::TempFolder;

String Path(const std::string& utf8)
{
    return String(utf8.c_str());
}

std::string Utf8(const String& text)
{
    return text.ToNarrow().GetString();
}

// Runs f, which must throw the file error `description` from `method`; the line is our own.
template <class F>
void ExpectFileError(F f, const std::string& description, const std::string& method)
{
    try {
        f();
        ADD_FAILURE() << "no exception for " << description;
    } catch (const KX::Exception<std::runtime_error>& e) {
        const std::regex form("Runtime Error : " + description + " : " + method +
                              " : Utilities/Storage/File : Line [0-9]+");
        EXPECT_TRUE(std::regex_match(e.what(), form)) << e.what();
    }
}

TEST(File, ReadsAtTheCurrentPositionOrAtAnOffset)
{
    TempFolder dir;
    TempFolder::WriteFile(dir / "data", "0123456789");
    File file(Path(dir / "data"), File::kRead);
    ASSERT_TRUE(file.IsOpen());
    EXPECT_EQ(file.GetLength(), 10u);

    char buffer[16] = {};
    EXPECT_EQ(file.Read(buffer, 4), 4u);
    EXPECT_EQ(std::string(buffer, 4), "0123");
    EXPECT_EQ(file.Read(buffer, 2, File::kCurrentPosition), 2u);
    EXPECT_EQ(std::string(buffer, 2), "45");
    // An offset moves the position: the next read goes on from there.
    EXPECT_EQ(file.Read(buffer, 3, 1), 3u);
    EXPECT_EQ(std::string(buffer, 3), "123");
    EXPECT_EQ(file.Read(buffer, 1), 1u);
    EXPECT_EQ(buffer[0], '4');
    // Past the end: fewer bytes, then none.
    EXPECT_EQ(file.Read(buffer, 16, 8), 2u);
    EXPECT_EQ(file.Read(buffer, 16), 0u);
    EXPECT_EQ(file.Read(buffer, 4, 100), 0u);

    EXPECT_EQ(file.Seek(-3, 2), 7);
    EXPECT_EQ(file.Seek(1, 1), 8);
    EXPECT_EQ(file.Seek(2, 0), 2);
    EXPECT_EQ(file.Read(buffer, 1), 1u);
    EXPECT_EQ(buffer[0], '2');
    ExpectFileError([&] { file.Seek(-1, 0); }, "lseek", "KX::File::Seek");
    ExpectFileError([&] { file.Seek(0, 3); }, "lseek", "KX::File::Seek");
}

TEST(File, AFileThatCannotBeOpenedHasNoDescriptorAndEveryUseThrows)
{
    TempFolder dir;
    File missing(Path(dir / "missing"), 0, File::kRead);
    EXPECT_FALSE(missing.IsOpen());
    // A folder is not a file to read.
    EXPECT_FALSE(File(Path(dir.Path()), File::kRead).IsOpen());

    char buffer[4];
    ExpectFileError([&] { missing.Read(buffer, 4); }, "invalid pathname", "KX::File::Read");
    ExpectFileError([&] { missing.Write(buffer, 4); }, "invalid pathname", "KX::File::Write");
    ExpectFileError([&] { missing.GetLength(); }, "invalid pathname", "KX::File::GetLength");
    ExpectFileError([&] { missing.Seek(0, 0); }, "invalid pathname", "KX::File::Seek");
}

TEST(File, WritesOnlyWhenOpenedForWriting)
{
    TempFolder dir;
    TempFolder::WriteFile(dir / "data", "abcdef");
    File reader(Path(dir / "data"), File::kRead);
    ExpectFileError([&] { reader.Write("x", 1); }, "file is read only", "KX::File::Write");
    EXPECT_EQ(TempFolder::ReadFile(dir / "data"), "abcdef");

    // The mode may come in either argument.
    File writer(Path(dir / "data"), 0, File::kRead | File::kWrite);
    ASSERT_TRUE(writer.IsOpen());
    EXPECT_EQ(writer.Write("XY", 2, 2), 2u);
    EXPECT_EQ(writer.Write("Z", 1), 1u);
    EXPECT_EQ(TempFolder::ReadFile(dir / "data"), "abXYZf");

    File created(Path(dir / "new"), File::kWrite | File::kCreate | File::kTruncate);
    ASSERT_TRUE(created.IsOpen());
    EXPECT_EQ(created.Write("hello", 5), 5u);
    EXPECT_EQ(created.GetLength(), 5u);
    EXPECT_FALSE(File(Path(dir / "absent"), File::kWrite).IsOpen());
}

TEST(File, CopiesShareTheDescriptorUntilTheLastLetsGo)
{
    TempFolder dir;
    TempFolder::WriteFile(dir / "data", "abc");
    File first(Path(dir / "data"), File::kRead);
    File second(first);
    first.Close();
    EXPECT_FALSE(first.IsOpen());
    ASSERT_TRUE(second.IsOpen());
    char c = 0;
    EXPECT_EQ(second.Read(&c, 1, 2), 1u);
    EXPECT_EQ(c, 'c');
    first = second;
    EXPECT_EQ(first.Read(&c, 1, 0), 1u);
    EXPECT_EQ(c, 'a');
}

TEST(File, FindFilesListsMatchingFilesButNoFolders)
{
    TempFolder dir;
    TempFolder::WriteFile(dir / "a.ttf", "");
    TempFolder::WriteFile(dir / "B.TTF", "");
    TempFolder::WriteFile(dir / "c.otf", "");
    std::filesystem::create_directory(dir / "folder.ttf");

    KX::Array<String> found;
    found.Add(String(u"kept"));
    ASSERT_EQ(File::FindFiles(Path(dir.Path()), String(u"*.ttf"), found), KX::S_OK);
    std::vector<std::string> names;
    for (unsigned i = 1; i < found.GetCount(); ++i)
        names.push_back(Utf8(found.GetAt(i)));
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{dir / "B.TTF", dir / "a.ttf"}));
    EXPECT_EQ(found.GetAt(0), String(u"kept"));

    KX::Array<String> none;
    EXPECT_EQ(File::FindFiles(Path(dir / "missing"), String(u"*"), none), KX::S_FALSE);
    EXPECT_EQ(File::FindFiles(Path(dir / "a.ttf"), String(u"*"), none), KX::S_FALSE);
    EXPECT_EQ(none.GetCount(), 0u);
}

TEST(File, CreateDirectoryMakesOneLevel)
{
    TempFolder dir;
    EXPECT_EQ(File::CreateDirectory(Path(dir / "Velmora")), KX::S_OK);
    EXPECT_TRUE(std::filesystem::is_directory(dir / "Velmora"));
    EXPECT_EQ(File::CreateDirectory(Path(dir / "Velmora")), KX::S_FALSE);
    EXPECT_EQ(File::CreateDirectory(Path(dir / "a/b")), KX::E_FAIL);
    TempFolder::WriteFile(dir / "plain", "");
    EXPECT_EQ(File::CreateDirectory(Path(dir / "plain")), KX::E_FAIL);
    EXPECT_EQ(File::CreateDirectory(Path(dir / "plain/sub")), KX::E_FAIL);
}

TEST(File, MakeValidFileNameReplacesTheReservedCharacters)
{
    EXPECT_EQ(File::MakeValidFileName(String(u"A&B, (C)")), String(u"A_B_ _C_"));
    EXPECT_EQ(File::MakeValidFileName(String(u"\\/:*?\"<>|&;,^()")), String(u"_______________"));
    EXPECT_EQ(File::MakeValidFileName(String(u"Kivo 61 Preset Editor")), String(u"Kivo 61 Preset Editor"));
}

TEST(File, WriteAtomicallyReplacesWholeOrLeavesTheOldFile)
{
    TempFolder dir;
    const std::string path = dir / "UserSettings.ini";
    TempFolder::WriteFile(path, "old");
    EXPECT_EQ(File::WriteAtomically(Path(path), "new", 3), KX::S_OK);
    EXPECT_EQ(TempFolder::ReadFile(path), "new");

    std::filesystem::create_directory(dir / "folder");
    EXPECT_EQ(File::WriteAtomically(Path(dir / "folder"), "x", 1), KX::E_FAIL);
    EXPECT_EQ(File::WriteAtomically(Path(dir / "missing/file"), "x", 1), KX::E_FAIL);
    EXPECT_EQ(TempFolder::ReadFile(path), "new");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 2);
}

TEST(File, FileOrResourceExists)
{
    TempFolder dir;
    TempFolder::WriteFile(dir / "splash.png", "");
    EXPECT_TRUE(KX::FileOrResourceExists(Path(dir / "splash.png")));
    EXPECT_FALSE(KX::FileOrResourceExists(Path(dir / "other.png")));
    EXPECT_FALSE(KX::FileOrResourceExists(Path(dir.Path())));

    static const unsigned char png[] = {0x89, 'P', 'N', 'G'};
    static const KX::ResourceEntry table[] = {
        {u"GDIPLUS", u"CE_PNG", png, sizeof png},
        {u"KXXML", u"APP_SKINS", png, sizeof png},
    };
    KX::Test::ScopedService<KX::ResourceTable> resources(KX::ResourceTableSlot(), {table, 2});
    EXPECT_TRUE(KX::FileOrResourceExists(String(u"::ce.png")));
    EXPECT_FALSE(KX::FileOrResourceExists(String(u"::Splash.png")));
    EXPECT_FALSE(KX::FileOrResourceExists(String(u"::APP_SKINS"))); // not an image
    resources.Set({});
    EXPECT_FALSE(KX::FileOrResourceExists(String(u"::ce.png")));
}

} // namespace

} // namespace KX::Test
