#pragma once
// A small skin for window tests: a grey 300 x 200 main control with a red "hot" control that turns
// green while hovered, a blue 160 x 100 window content, a tab control with a red and a blue page,
// and a dialog with a cancel button. Test.WindowProbe controls write down the input that reaches
// them; the framework classes are registered as Framework.TabControl, .Dialog and .Panel.
#include "KXFramework/ControlBase/Control.h"
#include "KXFramework/ControlBase/EventParams.h"

#include "SolidSkin.h"

#include <functional>
#include <string>
#include <vector>

namespace KX::Test {

inline const std::string kWindowSkin =
    SkinFile(SolidParts({{"grey", 0xFF808080}, {"red", 0xFFFF0000}, {"green", 0xFF00FF00}, {"blue", 0xFF0000FF}}) +
                 SkinLooks()
                     .Solid("grey")
                     .Look("red", "red")
                     .Look("green", "green")
                     .List("hot", {"red", "green"})
                     .Solid("blue")
                     .Text(),
             R"(Name="s")", R"(
   <SubControl Class="Test.WindowProbe" Name="mainControl" XSizeAbs="300" YSizeAbs="200">
    <Skin Name="m" LookList="grey"/>
    <SubControl Class="Test.WindowProbe" Name="hot" XPositionAbs="20" YPositionAbs="20" XSizeAbs="60" YSizeAbs="40">
     <Skin Name="h" LookList="hot"/>
    </SubControl>
   </SubControl>
   <SubControl Class="Test.WindowProbe" Name="dialog" XSizeAbs="160" YSizeAbs="100">
    <Skin Name="d" LookList="blue"/>
   </SubControl>
   <SubControl Class="Framework.TabControl" Name="tabbed" XSizeAbs="300" YSizeAbs="200">
    <Skin Name="t" LookList="grey"/>
    <SubControl Class="Test.WindowProbe" Name="buttonHolder" XSizeAbs="300" YSizeAbs="20">
     <SubControl Class="Framework.Panel" Name="tabRed" XSizeAbs="50" YSizeAbs="20"><Skin Name="r" LookList="hot"/></SubControl>
     <SubControl Class="Framework.Panel" Name="tabBlue" XPositionAbs="50" XSizeAbs="50" YSizeAbs="20"><Skin Name="b" LookList="blue"/></SubControl>
    </SubControl>
    <SubControl Class="Test.WindowProbe" Name="pageHolder" YPositionAbs="20" XSizeAbs="300" YSizeAbs="180">
     <SubControl Class="Test.WindowProbe" Name="pageRed" XSizeAbs="300" YSizeAbs="180"><Skin Name="pr" LookList="hot"/></SubControl>
     <SubControl Class="Test.WindowProbe" Name="pageBlue" XSizeAbs="300" YSizeAbs="180"><Skin Name="pb" LookList="blue"/></SubControl>
    </SubControl>
   </SubControl>
   <SubControl Class="Framework.Dialog" Name="modal" XSizeAbs="160" YSizeAbs="100">
    <Skin Name="md" LookList="blue"/>
    <SubControl Class="Framework.Panel" Name="buttonCancel" XPositionAbs="100" YPositionAbs="70" XSizeAbs="50" YSizeAbs="20">
     <Skin Name="mc" LookList="hot"/>
    </SubControl>
   </SubControl>)");

class WindowProbe : public LControl {
public:
    using LControl::LControl;

    KXRESULT OnMouseEnter() override
    {
        log.push_back("enter");
        SetLookExclusive(1);
        return S_OK;
    }
    KXRESULT OnMouseLeave() override
    {
        log.push_back("leave");
        SetLookExclusive(0);
        return S_OK;
    }
    KXRESULT OnMouseDown(const RCPtr<LMouseButtonParam>& p) override
    {
        log.push_back(std::string(p->isDoubleClick ? "double " : "down ") + std::to_string(p->button));
        if (onDown)
            onDown();
        return S_OK;
    }
    KXRESULT OnMouseWheel(const RCPtr<LMouseWheelParam>& p) override
    {
        log.push_back("wheel " + std::to_string(p->direction));
        return S_OK;
    }
    KXRESULT OnMouseHWheel(const RCPtr<LMouseWheelParam>& p) override
    {
        log.push_back("hwheel " + std::to_string(p->direction));
        return S_OK;
    }
    void OnKeyInput(const RCPtr<LKeyParam>& k) override { keys.push_back(k->key); }

    std::vector<std::string> log;
    std::vector<KeyRecord> keys;
    std::function<void()> onDown;
};

} // namespace KX::Test
