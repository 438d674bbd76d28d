// kx-message-box, the message box where zenity cannot show one. The framework runs it as it runs
// zenity (its own process group, ended with the program that started it, none of that program's
// descriptors) with zenity's message-box arguments, and reads its answer the same way: exit 0 for OK
// or Yes, 1 for No or a box closed from its title bar, 2 with a line on standard error when no box
// was shown.
#include "KXFramework/Platform/DebugLog/LogOutput.h"

#include <SDL.h>

#include <charconv>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <pthread.h>
#include <string>
#include <string_view>
#include <sys/prctl.h>
#include <system_error>
#include <unistd.h>

namespace {

// The exit statuses, which are also the buttons' ids.
constexpr int kOkOrYes = 0;
constexpr int kNoOrClosed = 1;
constexpr int kNotShown = 2;

struct Kind {
    std::string_view option;
    Uint32 icon;
    bool question;
};
constexpr Kind kKinds[] = {
    {"--info", SDL_MESSAGEBOX_INFORMATION, false},
    {"--warning", SDL_MESSAGEBOX_WARNING, false},
    {"--error", SDL_MESSAGEBOX_ERROR, false},
    {"--question", SDL_MESSAGEBOX_INFORMATION, true},
};

struct Request {
    const Kind* kind = nullptr;
    std::string title;
    std::string text;
    unsigned long owner = 0; // the X11 window the box belongs to, 0 for none
};

pid_t g_program = 0;

int NotShown(const std::string& why)
{
    KX::Platform::DebugLog::WriteConsoleLine(std::string(program_invocation_short_name) + ": " + why);
    return kNotShown;
}

const Kind* KindNamed(std::string_view option)
{
    for (const Kind& kind : kKinds)
        if (kind.option == option)
            return &kind;
    return nullptr;
}

// A window id as zenity takes it: decimal, or hexadecimal after "0x"; 0 when it is none.
unsigned long WindowId(std::string_view text)
{
    int base = 10;
    if (text.substr(0, 2) == "0x" || text.substr(0, 2) == "0X") {
        text.remove_prefix(2);
        base = 16;
    }
    unsigned long id = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), id, base);
    return error == std::errc() && end == text.data() + text.size() ? id : 0;
}

// The request the arguments make; nullopt with why set for anything zenity's box would refuse.
// --no-markup and --modal change nothing: the text is always shown as it is, and an owned box is
// always modal.
std::optional<Request> Parse(int argc, char** argv, std::string& why)
{
    Request request;
    for (int i = 1; i < argc; ++i) {
        const std::string argument(argv[i]);
        const auto value = [&](std::string_view option) {
            return argument.compare(0, option.size(), option) == 0 ? std::optional(argument.substr(option.size()))
                                                                   : std::nullopt;
        };
        std::optional<std::string> text;
        if (const Kind* kind = KindNamed(argument)) {
            if (request.kind != nullptr) {
                why = "more than one kind of box: " + std::string(request.kind->option) + " and " + argument;
                return std::nullopt;
            }
            request.kind = kind;
        } else if ((text = value("--title="))) {
            request.title = *text;
        } else if ((text = value("--text="))) {
            request.text = *text;
        } else if ((text = value("--attach="))) {
            request.owner = WindowId(*text);
            if (request.owner == 0) {
                why = "not a window: " + argument;
                return std::nullopt;
            }
        } else if (argument != "--no-markup" && argument != "--modal") {
            why = "unknown option: " + argument;
            return std::nullopt;
        }
    }
    if (request.kind == nullptr) {
        why = "no kind of box: give --info, --warning, --error or --question";
        return std::nullopt;
    }
    return request;
}

// SDL's X11 box runs in a copy of this program made by fork while this one waits for it: the copy
// ends with this program however this one ends, as this one ends with the program that started it.
// Should this one have ended before the call, nothing would send the signal.
void EndWithThisProgram()
{
    if (::prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || ::getppid() != g_program)
        ::_exit(kNotShown);
}

// The owner as an SDL window, so that SDL's box becomes its dialog (kept above it and raised with it)
// and shows over it; null where SDL cannot reach the display, and the box then shows on its own. An
// owner that has gone ends this program in Xlib's error handler, with status 1 and the error on
// standard error: no box shown.
SDL_Window* Owner(unsigned long window)
{
    if (window == 0 || SDL_Init(SDL_INIT_VIDEO) != 0)
        return nullptr;
    return SDL_CreateWindowFrom(reinterpret_cast<const void*>(static_cast<uintptr_t>(window)));
}

} // namespace

int main(int argc, char** argv)
{
    std::string why;
    const std::optional<Request> request = Parse(argc, argv, why);
    if (!request)
        return NotShown(why);
    g_program = ::getpid();
    if (const int error = ::pthread_atfork(nullptr, nullptr, &EndWithThisProgram); error != 0)
        return NotShown(std::string("cannot guard SDL's copy of this program: ") + std::strerror(error));
    // A termination signal ends the box at once, as it ends zenity.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");

    const SDL_MessageBoxButtonData ok{SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT | SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT,
                                      kOkOrYes, "OK"};
    const SDL_MessageBoxButtonData yesNo[] = {
        {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, kOkOrYes, "Yes"},
        {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, kNoOrClosed, "No"},
    };
    SDL_MessageBoxData data{};
    data.flags = request->kind->icon | SDL_MESSAGEBOX_BUTTONS_LEFT_TO_RIGHT;
    data.window = Owner(request->owner);
    data.title = request->title.c_str();
    data.message = request->text.c_str();
    data.numbuttons = request->kind->question ? 2 : 1;
    data.buttons = request->kind->question ? yesNo : &ok;
    int button = -1;
    if (SDL_ShowMessageBox(&data, &button) != 0)
        return NotShown(std::string("cannot show the box: ") + SDL_GetError());
    return button == kOkOrYes ? kOkOrYes : kNoOrClosed;
}
