#include "KXFramework/Platform/Dialogs/ZenityFileChooser.h"

#include "KXFramework/Platform/DebugLog/LogOutput.h"
#include "KXFramework/Platform/Dialogs/MessageBoxService.h"
#include "KXFramework/Platform/Dialogs/Zenity.h"
#include "KXFramework/Platform/Text/TextConversion.h"

#include <algorithm>
#include <filesystem>
#include <sys/stat.h>
#include <utility>
#include <vector>

namespace KX::Platform {

namespace {

// Between the paths of a multiple selection: a character no file name is expected to hold.
constexpr char kSeparator = '\x1F';

using Kind = FileChooserResult::Kind;

std::string Trim(std::string_view text)
{
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    return std::string(text.substr(first, text.find_last_not_of(" \t") - first + 1));
}

// "--file-filter=Presets | *.[Kk][Pp] *.[Tt][Xx][Tt]", or nothing when no pattern is left.
std::string FilterArgument(const std::u16string& description, const std::u16string& patterns)
{
    std::string list;
    const std::string utf8 = Utf8FromUtf16(patterns);
    std::string_view rest = utf8;
    while (!rest.empty()) {
        const size_t end = rest.find(';');
        const std::string pattern = Trim(rest.substr(0, end));
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
        if (pattern.empty())
            continue;
        if (!list.empty())
            list += ' ';
        list += ZenityFileChooser::ZenityPattern(pattern);
    }
    if (list.empty())
        return {};
    // zenity takes the text up to the first "|" as the name.
    std::string name = Utf8FromUtf16(description);
    std::replace(name.begin(), name.end(), '|', '/');
    return "--file-filter=" + name + " | " + list;
}

// The folder to open in, absolute, or empty when it does not exist.
std::string StartFolder(const std::u16string& folder)
{
    std::error_code error;
    std::filesystem::path path(Utf8FromUtf16(folder.empty() ? u"." : folder));
    path = std::filesystem::absolute(path, error).lexically_normal();
    if (error || !std::filesystem::is_directory(path, error))
        return {};
    std::string text = path.string();
    while (text.size() > 1 && text.back() == '/')
        text.pop_back();
    return text;
}

std::vector<std::string> Arguments(const FileChooserRequest& request)
{
    std::vector<std::string> arguments{"--file-selection"};
    if (!request.title.empty())
        arguments.push_back("--title=" + Utf8FromUtf16(request.title));
    if (request.save) {
        arguments.push_back("--save");
        if (request.confirmOverwrite)
            arguments.push_back("--confirm-overwrite");
    } else if (request.multiple) {
        arguments.push_back("--multiple");
        arguments.push_back(std::string("--separator=") + kSeparator);
    }
    // A trailing "/" names the folder alone; a save chooser also offers the proposed name.
    const std::string folder = StartFolder(request.initialFolder);
    if (!folder.empty()) {
        const std::string name = request.save ? Utf8FromUtf16(request.proposedName) : std::string();
        arguments.push_back("--filename=" + folder + (folder == "/" ? "" : "/") + name);
    }
    for (const auto& [description, patterns] : request.filters) {
        std::string filter = FilterArgument(description, patterns);
        if (!filter.empty())
            arguments.push_back(std::move(filter));
    }
    return arguments;
}

// Why a printed path cannot be used, or nothing when it can.
std::string PathProblem(const std::string& path, bool mustExist)
{
    if (path.empty() || path.front() != '/')
        return "not an absolute path";
    if (path.find('\0') != std::string::npos)
        return "holds a zero byte";
    bool wellFormed = true;
    Utf16FromUtf8(path, &wellFormed);
    if (!wellFormed)
        return "not UTF-8";
    struct stat info {};
    if (mustExist && (::stat(path.c_str(), &info) != 0 || S_ISDIR(info.st_mode)))
        return "no such file";
    return {};
}

// The text of the box for a run that failed: what the user met, then how zenity ended.
std::string FailureText(const Zenity::Outcome& outcome)
{
    using Status = ChildProcessResult::Status;
    switch (outcome.process.status) {
    case Status::StartFailed:
        return "The file chooser could not be started. Install the zenity package.";
    case Status::Exited:
        return "The file chooser could not be opened.\n\n" + Zenity::Describe(outcome);
    case Status::Signalled:
        return "The file chooser closed unexpectedly.\n\n" + Zenity::Describe(outcome);
    default:
        return "The file chooser gave no usable answer.\n\n" + Zenity::Describe(outcome);
    }
}

} // namespace

ZenityFileChooser::ZenityFileChooser(MessageBoxService& messageBox, std::function<bool()> whileWaiting)
    : m_messageBox(messageBox),
      m_whileWaiting(std::move(whileWaiting))
{
}

std::string ZenityFileChooser::ZenityPattern(std::string_view pattern)
{
    if (pattern == "*.*")
        return "*";
    std::string out;
    for (const char c : pattern) {
        const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        if (letter) {
            const char lower = static_cast<char>(c | 0x20);
            out += '[';
            out += static_cast<char>(lower - 0x20);
            out += lower;
            out += ']';
        } else {
            out += c == ' ' ? '?' : c;
        }
    }
    return out;
}

FileChooserResult ZenityFileChooser::Run(const FileChooserRequest& request)
{
    const Zenity::Outcome outcome = Zenity::Run(Zenity::ProgramName(), Arguments(request), request.ownerWindow,
                                                Zenity::Attach::ArgumentAndWindows, m_whileWaiting);
    const ChildProcessResult& process = outcome.process;
    const bool exited = process.status == ChildProcessResult::Status::Exited;
    // Closed by the program (it is ending): whatever was chosen meanwhile is not acted on.
    if (process.status == ChildProcessResult::Status::Stopped ||
        (exited && process.exitCode == 1 && outcome.message.empty()))
        return {Kind::Cancelled, {}};
    if (!exited || process.exitCode != 0) {
        DebugLog::WriteLine("File chooser: " + Zenity::Describe(outcome));
        TellFailure(request, FailureText(outcome));
        return {};
    }
    std::string problem;
    FileChooserResult result = ReadChoice(process.output, request, &problem);
    if (result.kind == Kind::Failed) {
        DebugLog::WriteLine("File chooser: refused a chosen path (" + problem + ")");
        TellFailure(request, "The file chooser gave a file name that cannot be used (" + problem + ").");
    }
    return result;
}

void ZenityFileChooser::TellFailure(const FileChooserRequest& request, const std::string& text)
{
    m_messageBox.Show({Utf16FromUtf8(text), u"File Dialog Error", MessageBoxFlags::kIconError, request.ownerWindow});
}

FileChooserResult ZenityFileChooser::ReadChoice(std::string_view output, const FileChooserRequest& request,
                                                std::string* problem)
{
    if (!output.empty() && output.back() == '\n')
        output.remove_suffix(1);
    std::vector<std::string> paths;
    while (request.multiple && !request.save && output.find(kSeparator) != std::string_view::npos) {
        paths.emplace_back(output.substr(0, output.find(kSeparator)));
        output.remove_prefix(paths.back().size() + 1);
    }
    paths.emplace_back(output);
    FileChooserResult result;
    for (const std::string& path : paths) {
        std::string why = PathProblem(path, request.mustExist);
        if (!why.empty()) {
            if (problem != nullptr)
                *problem = std::move(why);
            return result;
        }
    }
    for (const std::string& path : paths)
        result.paths.push_back(Utf16FromUtf8(path));
    result.kind = Kind::Chosen;
    return result;
}

} // namespace KX::Platform
