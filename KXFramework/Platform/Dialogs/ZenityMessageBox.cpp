#include "KXFramework/Platform/Dialogs/ZenityMessageBox.h"

#include "KXFramework/Platform/DebugLog/LogOutput.h"
#include "KXFramework/Platform/Dialogs/UnansweredBox.h"
#include "KXFramework/Platform/Dialogs/Zenity.h"
#include "KXFramework/Platform/Text/TextConversion.h"

#include <csignal>
#include <string>
#include <utility>
#include <vector>

namespace KX::Platform {

namespace {

const char* Kind(uint32_t flags)
{
    if ((flags & MessageBoxFlags::kYesNo) != 0)
        return "--question";
    switch (flags & MessageBoxFlags::kIconMask) {
    case MessageBoxFlags::kIconError:
        return "--error";
    case MessageBoxFlags::kIconWarning:
        return "--warning";
    default:
        return "--info";
    }
}

// Ended by a signal that ends a program from outside (kill, a logout, a terminal closed or interrupted):
// it had been running, and its box may have been seen. Any other signal is the program's own failure (a
// crash, a limit it met), which may come before its box shows.
bool EndedFromOutside(const ChildProcessResult& process)
{
    if (process.status != ChildProcessResult::Status::Signalled)
        return false;
    switch (process.exitCode) {
    case SIGKILL:
    case SIGTERM:
    case SIGHUP:
    case SIGINT:
        return true;
    default:
        return false;
    }
}

} // namespace

ZenityMessageBox::ZenityMessageBox(std::string program, std::function<bool()> whileWaiting)
    : m_program(std::move(program)),
      m_whileWaiting(std::move(whileWaiting))
{
}

int32_t ZenityMessageBox::Show(const MessageBoxRequest& request)
{
    std::vector<std::string> arguments{
        Kind(request.flags),
        "--title=" + Utf8FromUtf16(request.caption),
        "--text=" + Utf8FromUtf16(request.text),
        "--no-markup",
    };
    const Zenity::Outcome outcome =
        Zenity::Run(m_program, std::move(arguments), request.ownerWindow, Zenity::Attach::Argument, m_whileWaiting);
    const bool question = (request.flags & MessageBoxFlags::kYesNo) != 0;
    // Closed unanswered (the program is ending): the answer that commits to nothing.
    if (outcome.process.status == ChildProcessResult::Status::Stopped)
        return DefaultMessageBoxAnswer(request.flags);
    // Ended under its user: nobody answered, and it is not shown again.
    if (EndedFromOutside(outcome.process))
        return AnswerUnanswered(request, "Message box ended unanswered: " + Zenity::Describe(outcome));
    if (outcome.process.status == ChildProcessResult::Status::Exited) {
        // 0: OK or Yes. 1 without a failure: No, or the box closed from its title bar.
        if (outcome.process.exitCode == 0)
            return question ? MessageBoxAnswer::kYes : MessageBoxAnswer::kOk;
        if (outcome.process.exitCode == 1 && outcome.message.empty())
            return question ? MessageBoxAnswer::kNo : MessageBoxAnswer::kOk;
    }
    DebugLog::WriteLine("Message box: " + Zenity::Describe(outcome));
    return MessageBoxAnswer::kNotShown;
}

} // namespace KX::Platform
