#include "KXFramework/Application/DebugLog.h"

#include "KXFramework/Platform/DebugLog/LogOutput.h"

namespace KX {

void Detail::WriteDebugLogLine(const std::string& utf8)
{
    Platform::DebugLog::WriteLine(utf8);
}

void DebugLogLine(const String& text)
{
    Platform::DebugLog::WriteLine(text.ToNarrow().GetString());
}

void OpenDebugConsole()
{
    Platform::DebugLog::UseStandardError();
}

void SetDebugLogTarget(const char16_t* host, int port)
{
    if (port < 1)
        return;
    const String name(host);
    Platform::DebugLog::SetUdpTarget(name.ToNarrow().GetString(), port);
}

} // namespace KX
