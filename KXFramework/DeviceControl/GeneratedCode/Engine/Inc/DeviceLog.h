#pragma once
// One line of the debug log from the device model: printf-style, formatted in the "C" locale.
#include "KXFramework/Platform/DebugLog/DebugLog.h"
#include "KXFramework/Utilities/Storage/Formatter.h"

template <class... Args>
void LogDeviceLine(const char* format, const Args&... args)
{
    KX::Platform::DebugLog::WriteLine(KX::FormatText(format, args...));
}
