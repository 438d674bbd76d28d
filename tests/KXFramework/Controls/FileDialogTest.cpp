#include "KXFramework/Controls/FileDialog.h"

#include "FakeFileChooser.h"
#include "FakeMessageBox.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace KX::Test {
namespace {

using Kind = Platform::FileChooserResult::Kind;

class FileDialogTest : public ::testing::Test {
protected:
    Platform::FileChooserResult Chosen(std::vector<std::u16string> paths) { return {Kind::Chosen, std::move(paths)}; }

    FakeFileChooser chooser;
    FakeMessageBox messageBox;
    RCPtr<LFileDialog> dialog{new LFileDialog(u"/presets", chooser, messageBox)};
};

TEST_F(FileDialogTest, OpenPassesFiltersAndRemembersTheFolder)
{
    chooser.results.push_back(Chosen({u"/home/me/My Presets/a b.kp"}));
    ASSERT_EQ(dialog->ShowOpen(u"Presets|*.kp;*.kpx|All files|*.*", u"", u"Open", false), S_OK);
    ASSERT_EQ(chooser.requests.size(), 1u);
    const Platform::FileChooserRequest& first = chooser.requests[0];
    EXPECT_TRUE(first.mustExist);
    EXPECT_FALSE(first.save);
    EXPECT_EQ(first.initialFolder, u"/presets");
    ASSERT_EQ(first.filters.size(), 2u);
    EXPECT_EQ(first.filters[1].first, u"All files");
    EXPECT_EQ(first.filters[1].second, u"*.*");
    EXPECT_EQ(dialog->GetPath(), String(u"/home/me/My Presets/a b.kp"));

    // Cancel: the next dialog opens in the folder of the first choice and the path stays.
    EXPECT_EQ(dialog->ShowOpen(u"Presets|*.kp", u"", u"Open", false), E_FAIL);
    EXPECT_EQ(chooser.requests[1].initialFolder, u"/home/me/My Presets");
    EXPECT_EQ(dialog->GetPath(), String(u"/home/me/My Presets/a b.kp"));
    chooser.results.push_back({Kind::Failed, {}});
    EXPECT_EQ(dialog->ShowOpen(u"Presets|*.kp", u"", u"Open", false), E_FAIL);
}

TEST_F(FileDialogTest, MultipleSelectionKeepsEveryPath)
{
    // Far beyond the old 2600-character buffer.
    std::vector<std::u16string> paths;
    for (int i = 0; i < 200; ++i)
        paths.push_back(u"/a/long/folder/name/for/presets/preset number " + std::u16string(1, char16_t(u'A' + i % 26)) +
                        u".kp");
    chooser.results.push_back(Chosen(paths));
    ASSERT_EQ(dialog->ShowOpen(u"Presets|*.kp", u"", u"Open", true), S_OK);
    EXPECT_TRUE(chooser.requests[0].multiple);
    ASSERT_EQ(dialog->GetPaths().size(), paths.size());
    EXPECT_EQ(dialog->GetPaths().back(), String(paths.back().c_str()));
}

TEST_F(FileDialogTest, SaveProposesUntitledAndChecksTheNameLength)
{
    EXPECT_EQ(dialog->ShowSave(u"Presets|*.kp", u"*.kp", u"Save", 0), E_INVALIDARG);
    EXPECT_TRUE(chooser.requests.empty());

    chooser.results.push_back(Chosen({u"/x/abcdef.kp"})); // 9 characters
    EXPECT_EQ(dialog->ShowSave(u"Presets|*.kp", u"*.kp", u"Save", 8), E_FAIL);
    ASSERT_EQ(messageBox.requests.size(), 1u);
    EXPECT_EQ(messageBox.requests[0].caption, u"File Save Error");
    EXPECT_EQ(messageBox.requests[0].text, u"The file length is larger than the maximum limit of 8 characters ");
    EXPECT_EQ(messageBox.requests[0].flags, 0x10u);
    EXPECT_TRUE(chooser.requests[0].save);
    EXPECT_TRUE(chooser.requests[0].confirmOverwrite);
    EXPECT_EQ(chooser.requests[0].proposedName, u"Untitled");

    chooser.results.push_back(Chosen({u"/x/abcdef.kp"}));
    EXPECT_EQ(dialog->ShowSave(u"Presets|*.kp", u"*.kp", u"Save", 9), S_OK);
    EXPECT_EQ(dialog->GetPath(), String(u"/x/abcdef.kp"));
}

TEST_F(FileDialogTest, SaveCompletesTheExtensionAndAsksBeforeReplacing)
{
    TempFolder folder;
    TempFolder::WriteFile(folder / "taken.kp", "x");
    std::filesystem::create_directory(folder / "elsewhere");
    TempFolder::WriteFile(folder / "elsewhere/taken.kp", "x");
    const std::u16string base(folder.Path().begin(), folder.Path().end());
    const std::u16string elsewhere = base + u"/elsewhere";

    chooser.results.push_back(Chosen({base + u"/fresh"}));
    ASSERT_EQ(dialog->ShowSave(u"Presets|*.kp", u"*.kp", u"Save", -1), S_OK);
    EXPECT_EQ(dialog->GetPath(), String((base + u"/fresh.kp").c_str()));
    EXPECT_TRUE(messageBox.requests.empty());

    // No goes back to the chooser, in the folder chosen in (not the one it started in) with the name as
    // typed; cancelling it then saves nothing.
    chooser.results.push_back(Chosen({elsewhere + u"/taken"}));
    messageBox.answers.push_back(Platform::MessageBoxAnswer::kNo);
    EXPECT_EQ(dialog->ShowSave(u"Presets|*.kp", u"*.kp", u"Save", -1), E_FAIL);
    ASSERT_EQ(messageBox.requests.size(), 1u);
    ASSERT_EQ(chooser.requests.size(), 3u);
    EXPECT_EQ(chooser.requests[1].initialFolder, base);
    EXPECT_EQ(chooser.requests[2].initialFolder, elsewhere);
    EXPECT_EQ(chooser.requests[2].proposedName, u"taken");
    EXPECT_EQ(dialog->GetPath(), String((base + u"/fresh.kp").c_str()));
    chooser.results.push_back(Chosen({base + u"/taken"}));
    chooser.results.push_back(Chosen({base + u"/other"}));
    messageBox.answers.push_back(Platform::MessageBoxAnswer::kNo);
    EXPECT_EQ(dialog->ShowSave(u"Presets|*.kp", u"*.kp", u"Save", -1), S_OK);
    EXPECT_EQ(dialog->GetPath(), String((base + u"/other.kp").c_str()));

    chooser.results.push_back(Chosen({base + u"/taken"}));
    messageBox.answers.push_back(Platform::MessageBoxAnswer::kYes);
    EXPECT_EQ(dialog->ShowSave(u"Presets|*.kp", u"*.kp", u"Save", -1), S_OK);
    EXPECT_EQ(dialog->GetPath(), String((base + u"/taken.kp").c_str()));
}

TEST_F(FileDialogTest, RelativeFolderStartsFromTheCurrentDirectory)
{
    RCPtr<LFileDialog> relative(new LFileDialog(u".", chooser, messageBox));
    static_cast<void>(relative->ShowOpen(u"", u"", u"Open", false)); // the test checks the folder it remembered
    const std::string cwd = std::filesystem::current_path().string();
    EXPECT_EQ(chooser.requests[0].initialFolder, std::u16string(cwd.begin(), cwd.end()));
}

} // namespace
} // namespace KX::Test
