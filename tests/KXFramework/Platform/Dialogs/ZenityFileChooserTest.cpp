#include "KXFramework/Platform/Dialogs/ZenityFileChooser.h"
#include "KXFramework/Platform/Dialogs/Zenity.h"
#include "KXFramework/Platform/Text/TextConversion.h"

#include "FakeMessageBox.h"
#include "FakeZenity.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace KX::Test {

namespace {

using KX::Platform::FileChooserRequest;
using KX::Platform::FileChooserResult;
using KX::Platform::ZenityFileChooser;
using Kind = FileChooserResult::Kind;
using Arguments = std::vector<std::string>;

class ZenityFileChooserTest : public ::testing::Test {
protected:
    FileChooserResult Run(const FileChooserRequest& request) { return m_chooser.Run(request); }

    FakeZenity m_zenity;
    FakeMessageBox m_messageBox;
    ZenityFileChooser m_chooser{m_messageBox};
};

TEST_F(ZenityFileChooserTest, BuildsTheArgumentVector)
{
    const std::string folder = m_zenity.Folder() / "it's a \"folder\"\nwith a line break";
    std::filesystem::create_directory(folder);
    const std::u16string folder16(folder.begin(), folder.end());

    FileChooserRequest open;
    open.multiple = true;
    open.mustExist = true;
    open.ownerWindow = 77; // no such window: no parent
    open.title = u"Load Pr\u00E9set";
    open.initialFolder = folder16 + u"/";
    open.filters = {{u"Kivo 61 Presets", u"*.Kivo61PresetEditor"},
                    {u"All Files", u"*.*"},
                    {u"Text | Notes", u" *.txt ;*.a b;"},
                    {u"None", u" ; "}};
    Run(open);
    EXPECT_EQ(m_zenity.Arguments(),
              (Arguments{"--file-selection", "--title=Load Pr\xC3\xA9set", "--multiple", "--separator=\x1F",
                         "--filename=" + folder + "/",
                         "--file-filter=Kivo 61 Presets | *.[Kk][Ii][Vv][Oo]61[Pp][Rr][Ee][Ss][Ee][Tt][Ee][Dd][Ii][Tt]"
                         "[Oo][Rr]",
                         "--file-filter=All Files | *", "--file-filter=Text / Notes | *.[Tt][Xx][Tt] *.[Aa]?[Bb]"}));

    FileChooserRequest save;
    save.save = true;
    save.multiple = true; // a save chooser picks one file whatever it is asked
    save.confirmOverwrite = true;
    save.initialFolder = folder16;
    save.proposedName = u"Untitled";
    Run(save);
    EXPECT_EQ(m_zenity.Arguments(),
              (Arguments{"--file-selection", "--save", "--confirm-overwrite", "--filename=" + folder + "/Untitled"}));

    // A folder that does not exist gives no start; a relative one starts from the current folder.
    save.initialFolder = folder16 + u"/missing";
    Run(save);
    EXPECT_EQ(m_zenity.Arguments(), (Arguments{"--file-selection", "--save", "--confirm-overwrite"}));
    save.initialFolder = u".";
    save.confirmOverwrite = false;
    Run(save);
    EXPECT_EQ(m_zenity.Arguments(),
              (Arguments{"--file-selection", "--save",
                         "--filename=" + std::filesystem::current_path().string() + "/Untitled"}));
}

TEST_F(ZenityFileChooserTest, ReadsWhatZenityAnswers)
{
    const std::string file = m_zenity.Folder() / "it's \"a\" file\nname \xE2\x82\xAC.kp";
    TempFolder::WriteFile(file, "x");
    const std::u16string file16 = KX::Platform::Utf16FromUtf8(file);
    const std::string folder = m_zenity.Folder().Path();
    const std::string diagnostics =
        "\n(zenity:12): dconf-WARNING **: 08:28:52.204: failed to commit changes to dconf\n"
        "Gtk-Message: 08:28:52.300: GtkDialog mapped without a transient parent. This is discouraged.\n"
        "(zenity:12): GLib-GObject-WARNING **: 08:28:53.020: invalid cast\n";
    const struct {
        const char* what;
        std::string output;
        int exitCode;
        std::string errors;
        bool multiple;
        bool mustExist;
        Kind kind;
        std::vector<std::u16string> paths;
    } cases[] = {
        {"one file", file + "\n", 0, "", false, true, Kind::Chosen, {file16}},
        {"without line feed", file, 0, "", false, false, Kind::Chosen, {file16}},
        {"several", file + "\x1F/b c/d\n", 0, "", true, false, Kind::Chosen, {file16, u"/b c/d"}},
        {"separator in a single choice",
         "/a\x1F"
         "b\n",
         0,
         "",
         false,
         false,
         Kind::Chosen,
         {u"/a\x1F"
          u"b"}},
        {"a new save name", "/no/such/file\n", 0, "", false, false, Kind::Chosen, {u"/no/such/file"}},
        {"cancelled", "", 1, "", false, false, Kind::Cancelled, {}},
        {"cancelled, toolkit chatter", "", 1, diagnostics, false, false, Kind::Cancelled, {}},
        {"no display",
         "",
         1,
         "\n(zenity:9): Gtk-WARNING **: 08:29:33.826: cannot open display: :77\n",
         false,
         false,
         Kind::Failed,
         {}},
        {"a message", "", 1, diagnostics + "Something went wrong\n", false, false, Kind::Failed, {}},
        {"bad option", "", 255, "This option is not available.\n", false, false, Kind::Failed, {}},
        {"timed out", file + "\n", 5, "", false, false, Kind::Failed, {}},
        {"not absolute", "relative/name.kp\n", 0, "", false, false, Kind::Failed, {}},
        {"nothing printed", "", 0, "", false, false, Kind::Failed, {}},
        {"an empty path among several", file + "\x1F\x1F" + file + "\n", 0, "", true, false, Kind::Failed, {}},
        {"garbage", "\xFF\xFE\x01\n", 0, "", false, false, Kind::Failed, {}},
        {"not UTF-8", "/tmp/x\xFF.kp\n", 0, "", false, false, Kind::Failed, {}},
        {"missing file that must exist", "/no/such/file\n", 0, "", false, true, Kind::Failed, {}},
        {"folder that must be a file", folder + "\n", 0, "", false, true, Kind::Failed, {}},
    };
    for (const auto& c : cases) {
        m_zenity.Answer(c.output, c.exitCode, c.errors);
        FileChooserRequest request;
        request.multiple = c.multiple;
        request.mustExist = c.mustExist;
        const FileChooserResult result = Run(request);
        EXPECT_EQ(result.kind, c.kind) << c.what;
        EXPECT_EQ(result.paths, c.paths) << c.what;
        // A failure is told to the user, a choice or a cancel is not.
        EXPECT_EQ(m_messageBox.requests.size(), c.kind == Kind::Failed ? 1u : 0u) << c.what;
        m_messageBox.requests.clear();
    }
}

TEST_F(ZenityFileChooserTest, AFailureIsToldToTheUserWithWhatFailed)
{
    const std::string zenity = KX::Platform::Zenity::ProgramName();
    const struct {
        const char* behaviour;
        std::string text;
    } cases[] = {
        {"echo '(zenity:9): Gtk-WARNING **: 08:29:33.826: cannot open display: :77' >&2; exit 1",
         "The file chooser could not be opened.\n\n" + zenity +
             " exited with 1: (zenity:9): Gtk-WARNING **: 08:29:33.826: cannot open display: :77"},
        {"kill -SEGV $$",
         "The file chooser closed unexpectedly.\n\n" + zenity + " ended by signal 11 (Segmentation fault)"},
        {"head -c 2000000 /dev/zero; exit 0",
         "The file chooser gave no usable answer.\n\n" + zenity + " printed more than its output limit"},
        {"echo relative.kp", "The file chooser gave a file name that cannot be used (not an absolute path)."},
    };
    FileChooserRequest request;
    request.ownerWindow = 5;
    for (const auto& c : cases) {
        m_zenity.Behave(c.behaviour);
        EXPECT_EQ(Run(request).kind, Kind::Failed) << c.behaviour;
        ASSERT_EQ(m_messageBox.requests.size(), 1u) << c.behaviour;
        const KX::Platform::MessageBoxRequest& box = m_messageBox.requests.back();
        EXPECT_EQ(box.caption, u"File Dialog Error");
        EXPECT_EQ(box.text, KX::Platform::Utf16FromUtf8(c.text)) << c.behaviour;
        EXPECT_EQ(box.flags, 0x10u);
        EXPECT_EQ(box.ownerWindow, 5u);
        m_messageBox.requests.clear();
    }
}

TEST_F(ZenityFileChooserTest, FloodsAndCrashesFailWithoutHanging)
{
    for (const char* behaviour : {"head -c 10485760 /dev/zero; exit 0", "yes /tmp/a; exit 0",
                                  "head -c 10485760 /dev/zero >&2; exit 1", "kill -SEGV $$"}) {
        m_zenity.Behave(behaviour);
        const FileChooserResult result = Run({});
        EXPECT_EQ(result.kind, Kind::Failed) << behaviour;
        EXPECT_TRUE(result.paths.empty()) << behaviour;
    }
}

TEST_F(ZenityFileChooserTest, AMissingProgramIsToldToTheUserOncePerAttempt)
{
    EnvironmentGuard env;
    env.Set("KX_ZENITY", m_zenity.Folder() / "no-such-zenity");
    FileChooserRequest request;
    request.ownerWindow = 5;
    for (int attempt = 1; attempt <= 2; ++attempt) {
        EXPECT_EQ(Run(request).kind, Kind::Failed);
        ASSERT_EQ(m_messageBox.requests.size(), static_cast<size_t>(attempt));
        const KX::Platform::MessageBoxRequest& box = m_messageBox.requests.back();
        EXPECT_EQ(box.caption, u"File Dialog Error");
        EXPECT_EQ(box.text, u"The file chooser could not be started. Install the zenity package.");
        EXPECT_EQ(box.flags, 0x10u);
        EXPECT_EQ(box.ownerWindow, 5u);
    }
}

} // namespace

} // namespace KX::Test
