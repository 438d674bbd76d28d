#pragma once
// A control that answers menus' item-state questions from a table: a notification name it knows
// gets the stored state, any other is left alone (1). Every question is recorded, in order.
#include "KXFramework/ControlBase/Control.h"

#include <map>
#include <string>
#include <vector>

namespace KX::Test {

class MenuStateAnswerer : public LControl {
public:
    using LControl::LControl;

    KXRESULT HandleEditRequest(const RCPtr<LMenuDescriptor>&, unsigned, const String& notification,
                               MenuItemState& state) override
    {
        const std::u16string name(notification.GetString(), notification.GetLength());
        asked.push_back(name);
        const auto answer = answers.find(name);
        if (answer == answers.end())
            return S_FALSE;
        state = answer->second;
        return S_OK;
    }

    std::map<std::u16string, MenuItemState> answers;
    std::vector<std::u16string> asked;
};

} // namespace KX::Test
