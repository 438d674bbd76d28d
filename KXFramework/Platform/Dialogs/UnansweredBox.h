#pragma once
// A box that its user did not answer: none could be shown, or the one shown ended unanswered.
#include "KXFramework/Platform/Dialogs/MessageBoxService.h"

#include <cstdint>
#include <string>

namespace KX::Platform {

// DefaultMessageBoxAnswer, with one line on standard error and in the debug log, for a user who may
// never have seen the box: "<why>: <caption>: <text> (answered <n>)", the caption and the text each on
// one line.
int32_t AnswerUnanswered(const MessageBoxRequest& request, const std::string& why);

} // namespace KX::Platform
