#include "KXFramework/ControlBase/LayoutDescriptor.h"

#include <gtest/gtest.h>

namespace KX::Test {
namespace {

TEST(LayoutDescriptor, ACloneIsAnIndependentCopyOfEveryField)
{
    LLayoutDescriptor source;
    source.clipToParent = false;
    source.zOrder = 4;
    source.tabStop = -1;
    source.isVisible = false;
    source.enabled = false;
    source.position[1] = {0.5f, PositionSpec::kNamed, String(u"sibling"), 0.25f, -3.0, true};
    source.size[0] = {SizeSpec::kNamed, String(u"other"), 1.0f, 8.0};
    source.minSize[0] = {true, String(u"Children"), 0.5f, 2.0};
    source.maxSize[1] = {false, String(), 0.0f, 300.0};
    source.textDecoration = String(u"Underline");
    source.textOverflowX = LLayoutDescriptor::kOverflowWrap;
    source.textOverflowY = LLayoutDescriptor::kOverflowExpand;
    source.layoutOrder = 7;

    const RCPtr<LLayoutDescriptor> clone = source.Clone();
    source.position[1].referenceName = String(u"changed");
    source.size[0].absolute = 1.0;

    EXPECT_FALSE(clone->clipToParent);
    EXPECT_EQ(clone->zOrder, 4);
    EXPECT_EQ(clone->tabStop, -1);
    EXPECT_FALSE(clone->isVisible);
    EXPECT_FALSE(clone->enabled);
    EXPECT_FLOAT_EQ(clone->position[1].anchor, 0.5f);
    EXPECT_TRUE(clone->position[1].referenceName == u"sibling");
    EXPECT_TRUE(clone->position[1].docked);
    EXPECT_DOUBLE_EQ(clone->size[0].absolute, 8.0);
    EXPECT_TRUE(clone->minSize[0].referenceName == u"Children");
    EXPECT_DOUBLE_EQ(clone->maxSize[1].absolute, 300.0);
    EXPECT_TRUE(clone->textDecoration == u"Underline");
    EXPECT_EQ(clone->textOverflowX, LLayoutDescriptor::kOverflowWrap);
    EXPECT_EQ(clone->textOverflowY, LLayoutDescriptor::kOverflowExpand);
    EXPECT_EQ(clone->layoutOrder, 7);
    EXPECT_EQ(clone->GetRefCount(), 1);
}

TEST(LayoutDescriptor, PlacementIsReadAndWrittenPerAxis)
{
    LLayoutDescriptor layout;
    PositionSpec position;
    SizeSpec size;
    ASSERT_EQ(layout.GetPlacement(1, position, size), S_OK);
    EXPECT_EQ(position.referenceKind, PositionSpec::kClient);
    EXPECT_EQ(size.referenceKind, SizeSpec::kSelf);
    EXPECT_DOUBLE_EQ(size.absolute, 40.0);

    position.absolute = 5.0;
    size.relative = 1.0f;
    ASSERT_EQ(layout.SetPlacement(0, position, size), S_OK);
    EXPECT_DOUBLE_EQ(layout.position[0].absolute, 5.0);
    EXPECT_DOUBLE_EQ(layout.size[0].absolute, 40.0);
    EXPECT_DOUBLE_EQ(layout.position[1].absolute, 0.0);

    SizeLimitSpec minimum{true, String(u"Children"), 1.0f, 2.0};
    SizeLimitSpec maximum{false, String(), 0.0f, 50.0};
    ASSERT_EQ(layout.SetSizeLimitSpecs(1, minimum, maximum), S_OK);
    SizeLimitSpec readMinimum;
    SizeLimitSpec readMaximum;
    ASSERT_EQ(layout.GetSizeLimitSpecs(1, readMinimum, readMaximum), S_OK);
    EXPECT_TRUE(readMinimum.hasReference);
    EXPECT_DOUBLE_EQ(readMaximum.absolute, 50.0);

    for (int axis : {-1, 2}) {
        EXPECT_EQ(layout.GetPlacement(axis, position, size), E_INVALIDARG);
        EXPECT_EQ(layout.SetPlacement(axis, PositionSpec(), SizeSpec()), E_INVALIDARG);
        EXPECT_EQ(layout.GetSizeLimitSpecs(axis, readMinimum, readMaximum), E_INVALIDARG);
        EXPECT_EQ(layout.SetSizeLimitSpecs(axis, SizeLimitSpec(), SizeLimitSpec()), E_INVALIDARG);
    }
    EXPECT_DOUBLE_EQ(layout.position[0].absolute, 5.0);
    EXPECT_TRUE(layout.minSize[1].hasReference);
}

} // namespace
} // namespace KX::Test
