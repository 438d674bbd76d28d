#include "KXFramework/Platform/Dialogs/Zenity.h"

#include "KXFramework/Platform/Dialogs/NativeWindow.h"
#include "KXFramework/Platform/Folders/Folders.h"

#include <cstdlib>
#include <cstring>
#include <regex>

namespace KX::Platform::Zenity {

namespace {

// GLib's log lines: "(prog:pid): Domain-WARNING **: time: text", "Domain-Message: time: text",
// "** (prog:pid): WARNING **: ...".
const std::regex& DiagnosticLine()
{
    static const std::regex pattern(
        R"(^(\*\* )?(\([^():]*:[0-9]+\): )?([A-Za-z0-9_.]+-)*(ERROR|CRITICAL|WARNING|Message|INFO|DEBUG)( \*\*)?: )");
    return pattern;
}

} // namespace

std::string ProgramName()
{
    const char* name = std::getenv("KX_ZENITY");
    return name != nullptr && *name != '\0' ? name : "zenity";
}

std::string MessageBoxProgramName()
{
    const char* name = std::getenv("KX_MESSAGE_BOX");
    if (name != nullptr && *name != '\0')
        return name;
    const std::string folder = GetPlatformFolder(PlatformFolder::Executable);
    return folder.empty() ? std::string() : folder + "/kx-message-box";
}

Outcome Run(const std::string& program, std::vector<std::string> arguments, uint32_t ownerWindow, Attach attach,
            const std::function<bool()>& whileWaiting)
{
    arguments.insert(arguments.begin(), program);
    const std::string owner = NativeWindowOf(ownerWindow);
    if (!owner.empty()) {
        arguments.push_back("--attach=" + owner);
        arguments.push_back("--modal");
    }
    ChildProcessOptions options;
    // A window that does not take --attach would be left for the owner to cover: each turn until a
    // window of the dialog shows, its windows are made the owner's.
    bool kept = owner.empty() || attach == Attach::Argument;
    options.whileWaiting = [&](int child) {
        if (!kept)
            kept = KeepAboveOwner(child, ownerWindow);
        return !whileWaiting || whileWaiting();
    };
    // These change zenity's exit codes, which tell OK from Cancel.
    options.removedVariables = {"ZENITY_OK",    "ZENITY_CANCEL", "ZENITY_ESC",
                                "ZENITY_ERROR", "ZENITY_EXTRA",  "ZENITY_TIMEOUT"};
    Outcome outcome{program, RunChildProcess(arguments, options), {}};
    outcome.message = FailureMessage(outcome.process.errors);
    return outcome;
}

std::string FailureMessage(std::string_view errors)
{
    std::string message;
    while (!errors.empty()) {
        const size_t end = errors.find('\n');
        const std::string line(errors.substr(0, end));
        errors.remove_prefix(end == std::string_view::npos ? errors.size() : end + 1);
        if (line.find_first_not_of(" \t\r") == std::string::npos)
            continue;
        // The prefix decides; the regex never sees a long line.
        const bool diagnostic = std::regex_search(line.substr(0, 160), DiagnosticLine());
        if (diagnostic && line.find("cannot open display") == std::string::npos)
            continue;
        if (!message.empty())
            message += ' ';
        message += line;
    }
    return message;
}

std::string Describe(const Outcome& outcome)
{
    const ChildProcessResult& process = outcome.process;
    const std::string& program = outcome.program;
    using Status = ChildProcessResult::Status;
    switch (process.status) {
    case Status::StartFailed:
        return program + " could not be started: " + std::strerror(process.startError);
    case Status::Signalled:
        return program + " ended by signal " + std::to_string(process.exitCode) + " (" + strsignal(process.exitCode) +
               ")";
    case Status::OutputTooLarge:
        return program + " printed more than its output limit";
    case Status::TimedOut:
        return program + " did not end in time";
    case Status::Stopped:
        return program + " was closed before an answer";
    case Status::Exited:
        break;
    }
    return program + " exited with " + std::to_string(process.exitCode) +
           (outcome.message.empty() ? "" : ": " + outcome.message);
}

} // namespace KX::Platform::Zenity
