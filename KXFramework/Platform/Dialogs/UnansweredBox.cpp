#include "KXFramework/Platform/Dialogs/UnansweredBox.h"

#include "KXFramework/Platform/DebugLog/LogOutput.h"
#include "KXFramework/Platform/Text/TextConversion.h"

#include <algorithm>

namespace KX::Platform {

namespace {

// One line however many lines the text has.
std::string OneLine(std::u16string_view text)
{
    std::string line = Utf8FromUtf16(text);
    std::replace_if(
        line.begin(), line.end(), [](char c) { return c == '\n' || c == '\r'; }, ' ');
    return line;
}

} // namespace

int32_t AnswerUnanswered(const MessageBoxRequest& request, const std::string& why)
{
    const int32_t answer = DefaultMessageBoxAnswer(request.flags);
    DebugLog::WriteConsoleLine(why + ": " + OneLine(request.caption) + ": " + OneLine(request.text) + " (answered " +
                               std::to_string(answer) + ")");
    return answer;
}

} // namespace KX::Platform
