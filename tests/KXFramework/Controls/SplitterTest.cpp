#include "KXFramework/Controls/SplitterBase.h"

#include "ControlsFixture.h"
#include "SolidSkin.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace KX::Test {
namespace {

const char kControls[] = R"(
   <SubControl Class="Test.Panel" Name="mainControl" XSizeAbs="400" YSizeAbs="300">
    <SubControl Class="Test.Panel" Name="left" XSizeAbs="100" XMinSizeAbs="50" XMaxSizeAbs="200" YSizeAbs="300"/>
    <SubControl Class="Framework.SplitterV" Name="split" XPositionToControl="left" XPositionRel="1" XSizeAbs="4" YSizeAbs="300">
     <Skin Name="s" LookList="part"/>
    </SubControl>
    <SubControl Class="Framework.SplitterH" Name="loose" YPositionAbs="290" XSizeAbs="4" YSizeAbs="4">
     <Skin Name="l" LookList="part"/>
    </SubControl>
   </SubControl>)";

class SplitterTest : public ControlsFixture {
protected:
    void SetUp() override
    {
        Load(SkinDocument(FourteenLooks("part"), kControls));
        main = CreateMain(u"mainControl");
        ASSERT_TRUE(main);
        left = main->FindChild(u"left");
        split = RCPtr<LSplitterBase>(main->FindChild(u"split"));
        ASSERT_TRUE(left && split);
    }
    void TearDown() override
    {
        split = nullptr;
        left = nullptr;
        main = nullptr;
        ControlsFixture::TearDown();
    }

    RCPtr<LControl> main;
    RCPtr<LControl> left;
    RCPtr<LSplitterBase> split;
};

TEST_F(SplitterTest, DraggingResizesThePaneWithinItsLimits)
{
    EXPECT_EQ(split->GetRect().x, 100.0);
    const auto& cursors = services.loadedCursors;
    EXPECT_NE(std::find(cursors.begin(), cursors.end(), u"UI_CURSOR_SIZE_WE"), cursors.end());
    Move(102, 50);
    Press(102, 50);
    Move(103, 50);
    ASSERT_TRUE(split->GetPane());
    Move(152, 50);
    EXPECT_EQ(left->GetRect().width, 150.0);
    EXPECT_EQ(left->GetRect().height, 300.0);
    EXPECT_EQ(split->GetRect().x, 150.0);
    Move(390, 50);
    EXPECT_EQ(left->GetRect().width, 200.0);
    Move(2, 50);
    EXPECT_EQ(left->GetRect().width, 50.0);
    Move(82, 50);
    Release(82, 50);
    // Attached to the pane's edge again: it follows the pane.
    EXPECT_FALSE(split->GetPane());
    EXPECT_EQ(split->GetRect().x, 80.0);
    const PositionSpec& position = split->GetLayoutDescriptor()->position[0];
    EXPECT_EQ(position.referenceKind, PositionSpec::kNamed);
    EXPECT_EQ(position.referenceName, String(u"left"));
}

TEST_F(SplitterTest, ASplitterWithoutAPaneDragsAndResizesNothing)
{
    RCPtr<LSplitterBase> loose(main->FindChild(u"loose"));
    ASSERT_TRUE(loose);
    Move(2, 292);
    Press(2, 292);
    Move(2, 293);
    Move(2, 200);
    EXPECT_FALSE(loose->GetPane());
    Release(2, 200);
    EXPECT_EQ(left->GetRect().width, 100.0);
}

// A pane, the splitter after it, and a sibling that starts after the splitter and must stay at
// least 150 wide.
const char kFollowers[] = R"(
   <SubControl Class="Test.Panel" Name="mainControl" XSizeAbs="400" YSizeAbs="300">
    <SubControl Class="Test.Panel" Name="left" XSizeAbs="100" YSizeAbs="300"/>
    <SubControl Class="Framework.SplitterV" Name="split" XPositionToControl="left" XPositionRel="1" XSizeAbs="4" YSizeAbs="300" LayoutOrder="1">
     <Skin Name="s" LookList="part"/>
    </SubControl>
    <SubControl Class="Test.Panel" Name="right" XPositionToControl="split" XPositionRel="1" XSizeToControl="Client" XSizeRel="1"
                XSizeAbs="-104" XMinSizeAbs="150" YSizeAbs="300" LayoutOrder="2"/>
   </SubControl>)";

class SplitterFollowersTest : public SplitterTest {
protected:
    void SetUp() override
    {
        Load(SkinDocument(FourteenLooks("part"), kFollowers));
        main = CreateMain(u"mainControl");
        ASSERT_TRUE(main);
        left = main->FindChild(u"left");
        split = RCPtr<LSplitterBase>(main->FindChild(u"split"));
        ASSERT_TRUE(left && split);
    }
};

TEST_F(SplitterFollowersTest, TheSiblingAfterTheSplitterKeepsItsPreferredSize)
{
    Move(102, 50);
    Press(102, 50);
    Move(103, 50);
    ASSERT_TRUE(split->GetPane());
    double start = 0.0, length = 0.0;
    split->GetRange(start, length);
    // "right" fills the parent after the splitter less 104 pixels: 192 wide, it may lose 42.
    EXPECT_EQ(start + length, 142.0);
    Move(352, 50);
    EXPECT_EQ(left->GetRect().width, 142.0);
    EXPECT_EQ(split->GetRect().x, 142.0);
    EXPECT_EQ(main->FindChild(u"right")->GetRect().width, 150.0);
    Move(82, 50);
    Release(82, 50);
    EXPECT_EQ(split->GetRect().x, 80.0);
}

} // namespace
} // namespace KX::Test
