#include "KXFramework/Platform/Dialogs/DesktopMessageBox.h"
#include "KXFramework/Platform/Dialogs/Zenity.h"
#include "KXFramework/Platform/Dialogs/ZenityMessageBox.h"

#include "EnvironmentGuard.h"
#include "FakeMessageBox.h"
#include "FakeZenity.h"
#include "TempFolder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <memory>
#include <sys/stat.h>

namespace KX::Test {

namespace {

using KX::Platform::DesktopMessageBox;
using KX::Platform::MessageBoxRequest;
using KX::Platform::ZenityMessageBox;
using Arguments = std::vector<std::string>;

constexpr int32_t kNotShown = 0, kOk = 1, kYes = 6, kNo = 7;

TEST(ZenityMessageBox, ShowsTheTextAsItIs)
{
    FakeZenity zenity;
    ZenityMessageBox box(KX::Platform::Zenity::ProgramName());
    const struct {
        uint32_t flags;
        const char* kind;
    } cases[] = {{0, "--info"},       {0x40, "--info"},    {0x10, "--error"},
                 {0x30, "--warning"}, {0x4, "--question"}, {0x14, "--question"}};
    for (const auto& c : cases) {
        box.Show({u"Line 1\nLine 2 <b>\"q\"</b> 'x' $HOME \\n \u20AC", u"Caption: \u00FC", c.flags, 0});
        EXPECT_EQ(zenity.Arguments(),
                  (Arguments{c.kind, "--title=Caption: \xC3\xBC",
                             "--text=Line 1\nLine 2 <b>\"q\"</b> 'x' $HOME \\n \xE2\x82\xAC", "--no-markup"}))
            << c.flags;
    }
}

TEST(ZenityMessageBox, TellsTheButtonFromTheExit)
{
    FakeZenity zenity;
    ZenityMessageBox box(KX::Platform::Zenity::ProgramName());
    const std::string chatter = "Gtk-Message: 10:00:00.000: GtkDialog mapped without a transient parent.\n";
    const struct {
        uint32_t flags;
        int exitCode;
        std::string errors;
        int32_t answer;
    } cases[] = {
        {0, 0, "", kOk},
        {0x10, 1, "", kOk}, // closed from the title bar
        {0x4, 0, chatter, kYes},
        {0x4, 1, "", kNo},
        {0x4, 1, chatter, kNo},
        {0x4, 1, "(zenity:1): Gtk-WARNING **: 10:00:00.000: cannot open display: :9\n", kNotShown},
        {0x4, 1, "Something went wrong\n", kNotShown},
        {0, 255, "", kNotShown},
        {0, 5, "", kNotShown},
    };
    for (const auto& c : cases) {
        zenity.Answer("", c.exitCode, c.errors);
        EXPECT_EQ(box.Show({u"Text", u"Caption", c.flags, 0}), c.answer) << c.flags << " " << c.exitCode;
    }
    EXPECT_EQ(ZenityMessageBox(zenity.Folder() / "no-such-zenity").Show({u"Text", u"Caption", 0, 0}), kNotShown);
}

// The debug log names the program that ran (the box program when zenity could not show the box) and
// the signal that ended it.
TEST(ZenityMessageBox, TheLogNamesTheProgramThatRanAndTheSignalThatEndedIt)
{
    TempFolder folder;
    const std::string program = folder / "box program";
    EnvironmentGuard env;
    env.Set("KX_ZENITY", folder / "zenity"); // not the program that runs
    const struct {
        const char* behaviour;
        std::string said;
    } cases[] = {
        {"kill -XFSZ $$", " ended by signal 25 (File size limit exceeded)"},
        {"echo 'cannot show' >&2; exit 2", " exited with 2: cannot show"},
    };
    for (const auto& c : cases) {
        TempFolder::WriteFile(program, std::string("#!/bin/sh\n") + c.behaviour + "\n");
        ::chmod(program.c_str(), 0700);
        testing::internal::CaptureStderr();
        EXPECT_EQ(ZenityMessageBox(program).Show({u"Text", u"Caption", 0, 0}), kNotShown);
        EXPECT_THAT(testing::internal::GetCapturedStderr(), testing::HasSubstr("Message box: " + program + c.said));
    }
}

// The box program answers nothing for a request zenity's box would refuse, or where no display answers:
// its exit is never that of an answer, which the editor would act on, and one line says why.
TEST(MessageBoxProgram, ShowsNothingItCannotShowAndSaysWhy)
{
    EnvironmentGuard env;
    for (const char* variable : {"DISPLAY", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER"})
        env.Clear(variable);
    TempFolder noPrograms; // nothing SDL could run in its place
    env.Set("PATH", noPrograms.Path());
    const struct {
        Arguments arguments;
        const char* why;
    } cases[] = {
        {{}, "no kind of box: give --info, --warning, --error or --question"},
        {{"--info", "--question"}, "more than one kind of box: --info and --question"},
        {{"--error", "--timeout=5"}, "unknown option: --timeout=5"},
        {{"--info", "--attach=12ab"}, "not a window: --attach=12ab"},
        {{"--question", "--title=Save", "--text=Overwrite?", "--no-markup"}, "cannot show the box: "},
    };
    for (const auto& c : cases) {
        const KX::Platform::Zenity::Outcome outcome = KX::Platform::Zenity::Run(
            KX_MESSAGE_BOX_PROGRAM, c.arguments, 0, KX::Platform::Zenity::Attach::Argument, {});
        EXPECT_EQ(outcome.process.status, KX::Platform::ChildProcessResult::Status::Exited) << c.why;
        EXPECT_EQ(outcome.process.exitCode, 2) << c.why;
        EXPECT_THAT(outcome.process.errors, testing::MatchesRegex("[0-9:.]+ kx-message-box: [^\n]*\n")) << c.why;
        EXPECT_THAT(outcome.message, testing::HasSubstr(std::string("kx-message-box: ") + c.why));
    }
}

class DesktopMessageBoxTest : public ::testing::Test {
protected:
    // zenity (the fake script) first, then a recording stand-in for SDL's box.
    std::unique_ptr<DesktopMessageBox> Make(bool canShow)
    {
        std::vector<std::unique_ptr<KX::Platform::MessageBoxService>> services;
        services.push_back(std::make_unique<ZenityMessageBox>(KX::Platform::Zenity::ProgramName()));
        auto fallback = std::make_unique<FakeMessageBox>();
        m_fallback = fallback.get();
        services.push_back(std::move(fallback));
        return std::make_unique<DesktopMessageBox>(std::move(services), [canShow] { return canShow; });
    }

    FakeZenity m_zenity;
    FakeMessageBox* m_fallback = nullptr;
};

TEST_F(DesktopMessageBoxTest, FallsBackWhenZenityFails)
{
    const auto box = Make(true);
    const MessageBoxRequest request{u"Overwrite?", u"Save", 0x4, 42};

    m_zenity.Answer("", 1);
    EXPECT_EQ(box->Show(request), kNo);
    EXPECT_TRUE(m_fallback->requests.empty());

    m_zenity.Answer("", 1, "cannot run\n");
    m_fallback->answers = {kYes};
    EXPECT_EQ(box->Show(request), kYes);
    ASSERT_EQ(m_fallback->requests.size(), 1u);
    EXPECT_EQ(m_fallback->requests[0].text, request.text);
    EXPECT_EQ(m_fallback->requests[0].caption, request.caption);
    EXPECT_EQ(m_fallback->requests[0].flags, request.flags);
    EXPECT_EQ(m_fallback->requests[0].ownerWindow, 42u);

    // Neither could show it: the default answer.
    m_fallback->answers = {kNotShown, kNotShown};
    EXPECT_EQ(box->Show(request), kNo);
    EXPECT_EQ(box->Show({u"Done", u"Save", 0x10, 0}), kOk);
}

// A box ended from outside while it was up (kill -9 from a task manager, a logout's SIGTERM, a closed
// terminal) was answered by nobody: the default answer, one line saying how it ended, and the next
// program does not show it again. A program that failed by itself, which may be before its box showed,
// is followed by the next as before.
TEST_F(DesktopMessageBoxTest, ABoxEndedFromOutsideIsAnsweredTheDefaultAndNotShownAgain)
{
    const auto box = Make(true);
    const struct {
        const char* behaviour;
        uint32_t flags;
        const char* ended; // empty: the next program shows the box
    } cases[] = {
        {"kill -KILL $$", 0x4, "ended by signal 9 (Killed)"},
        {"kill -TERM $$", 0x10, "ended by signal 15 (Terminated)"},
        {"kill -HUP $$", 0x4, "ended by signal 1 (Hangup)"},
        {"kill -INT $$", 0, "ended by signal 2 (Interrupt)"},
        {"kill -SEGV $$", 0x4, ""},
        {"kill -XFSZ $$", 0x4, ""},
        {"echo 'cannot open display' >&2; exit 1", 0x4, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.behaviour);
        m_zenity.Behave(c.behaviour);
        m_fallback->requests.clear();
        m_fallback->answers = {kYes};
        testing::internal::CaptureStderr();
        const int32_t answer = box->Show({u"Overwrite?\nIt exists.", u"Save", c.flags, 0});
        const std::string said = testing::internal::GetCapturedStderr();
        if (*c.ended == '\0') {
            EXPECT_EQ(answer, kYes);
            EXPECT_EQ(m_fallback->requests.size(), 1u);
            EXPECT_THAT(said, testing::Not(testing::HasSubstr("unanswered"))) << said;
            continue;
        }
        const int32_t expected = c.flags == 0x4 ? kNo : kOk;
        EXPECT_EQ(answer, expected);
        EXPECT_TRUE(m_fallback->requests.empty());
        EXPECT_THAT(said, testing::MatchesRegex("[0-9:.]+ Message box ended unanswered: [^\n]*\n"));
        EXPECT_THAT(said,
                    testing::HasSubstr(KX::Platform::Zenity::ProgramName() + " " + c.ended +
                                       ": Save: Overwrite? It exists. (answered " + std::to_string(expected) + ")\n"));
    }
}

TEST_F(DesktopMessageBoxTest, WithoutADisplayAnswersTheDefaultAtOnce)
{
    const auto box = Make(false);
    m_zenity.Behave("sleep 30"); // a box that nobody answers
    testing::internal::CaptureStderr();
    EXPECT_EQ(box->Show({u"Overwrite?", u"Save", 0x4, 0}), kNo);
    EXPECT_EQ(box->Show({u"Failed\nat once", u"Load", 0x10, 0}), kOk);
    // One line each on standard error, where the user of a run without a display sees it.
    EXPECT_THAT(
        testing::internal::GetCapturedStderr(),
        testing::MatchesRegex("[0-9:.]+ Message box not shown \\(no display to show it on\\): Save: Overwrite\\? "
                              "\\(answered 7\\)\n"
                              "[0-9:.]+ Message box not shown \\(no display to show it on\\): Load: Failed at "
                              "once \\(answered 1\\)\n"));
    EXPECT_TRUE(m_zenity.Arguments().empty());
    EXPECT_TRUE(m_fallback->requests.empty());
}

TEST(DesktopMessageBox, NoBoxesUnderTheDummyAndOffscreenDriversOrWithoutADisplay)
{
    EnvironmentGuard env;
    const struct {
        const char* driver;
        const char* display;
        const char* wayland;
        bool canShow;
    } cases[] = {
        {"dummy", ":0", "wayland-0", false},   {"offscreen", ":0", "", false},
        {"dummy,x11", ":0", "", true},         {"offscreen,x11", ":0", "", false},
        {"x11,Offscreen", ":0", "", true},     {"x11", ":0", "", true},
        {"nosuch,offscreen", ":0", "", false}, // a name SDL lacks is passed over
        {"", "", "wayland-0", true},           {"", "", "", false},
        {"x11", nullptr, nullptr, false},
    };
    for (const auto& c : cases) {
        env.Set("SDL_VIDEODRIVER", c.driver);
        for (const auto& [name, value] : {std::pair{"DISPLAY", c.display}, std::pair{"WAYLAND_DISPLAY", c.wayland}}) {
            if (value != nullptr)
                env.Set(name, value);
            else
                env.Clear(name);
        }
        EXPECT_EQ(DesktopMessageBox::DisplayCanShowBoxes(), c.canShow)
            << c.driver << " " << (c.display != nullptr ? c.display : "unset");
    }
}

} // namespace

} // namespace KX::Test
