#include "KXFramework/Platform/Dialogs/DesktopMessageBox.h"

#include "KXFramework/Platform/Dialogs/UnansweredBox.h"
#include "KXFramework/Platform/Dialogs/Zenity.h"
#include "KXFramework/Platform/Dialogs/ZenityMessageBox.h"
#include "KXFramework/Platform/Window/DesktopReach.h"

#include <cstdlib>
#include <string>
#include <utility>

namespace KX::Platform {

namespace {

bool IsSet(const char* variable)
{
    const char* value = std::getenv(variable);
    return value != nullptr && *value != '\0';
}

int32_t Unshown(const MessageBoxRequest& request, const char* why)
{
    return AnswerUnanswered(request, std::string("Message box not shown (") + why + ")");
}

} // namespace

DesktopMessageBox::DesktopMessageBox(std::vector<std::unique_ptr<MessageBoxService>> services,
                                     std::function<bool()> canShow)
    : m_services(std::move(services)),
      m_canShow(std::move(canShow))
{
}

std::unique_ptr<DesktopMessageBox> DesktopMessageBox::Create(std::function<bool()> whileWaiting)
{
    std::vector<std::unique_ptr<MessageBoxService>> services;
    services.push_back(std::make_unique<ZenityMessageBox>(Zenity::ProgramName(), whileWaiting));
    if (std::string boxProgram = Zenity::MessageBoxProgramName(); !boxProgram.empty())
        services.push_back(std::make_unique<ZenityMessageBox>(std::move(boxProgram), std::move(whileWaiting)));
    return std::make_unique<DesktopMessageBox>(std::move(services), &DisplayCanShowBoxes);
}

bool DesktopMessageBox::DisplayCanShowBoxes()
{
    return !ShowsNothing() && (IsSet("DISPLAY") || IsSet("WAYLAND_DISPLAY"));
}

int32_t DesktopMessageBox::Show(const MessageBoxRequest& request)
{
    if (!m_canShow())
        return Unshown(request, "no display to show it on");
    for (const auto& service : m_services) {
        const int32_t answer = service->Show(request);
        if (answer != MessageBoxAnswer::kNotShown)
            return answer;
    }
    return Unshown(request, "no box could be shown");
}

} // namespace KX::Platform
