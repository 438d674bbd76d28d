#include "KXFramework/Renderer/Renderer.h"

#include "RecordingRenderer.h"
#include "TestFonts.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <stdexcept>

namespace KX::Test {

class RendererState : public ::testing::Test {
protected:
    void SetUp() override
    {
        renderer->InitRenderContextInfo({0, 0, 100, 100}, nullptr, false, context);
        renderer->RenderStart(context);
    }
    void TearDown() override { renderer->RenderFinish(context); }

    RenderState& State() { return context->GetState(); }

    RCPtr<RecordingRenderer> renderer{new RecordingRenderer};
    RCPtr<LRenderContextInfo> context;
};

TEST_F(RendererState, FrameBracketMisuseThrowsItsMessages)
{
    EXPECT_THAT([&] { renderer->RenderStart(nullptr); },
                ::testing::ThrowsMessage<std::runtime_error>(::testing::HasSubstr("Render context is NULL")));
    EXPECT_THAT([&] { renderer->RenderStart(context); },
                ::testing::ThrowsMessage<std::runtime_error>(::testing::HasSubstr("Render context reentered.")));
    RCPtr<LRenderContextInfo> inner;
    renderer->InitRenderContextInfo({0, 0, 10, 10}, nullptr, true, inner);
    renderer->RenderStart(inner);
    EXPECT_EQ(renderer->GetCurrentContext(), inner.Get());
    EXPECT_THAT([&] { renderer->RenderFinish(context); },
                ::testing::ThrowsMessage<std::runtime_error>(::testing::HasSubstr("does not match RenderStart")));
    EXPECT_EQ(renderer->RenderFinish(inner), S_OK);
    EXPECT_EQ(renderer->GetCurrentContext(), context.Get());

    RCPtr<RecordingRenderer> idle(new RecordingRenderer);
    EXPECT_EQ(idle->RenderFinish(context), S_OK);
}

TEST_F(RendererState, PushOffsetClipMovesByTheRoundedOffsetOnlyWithASavedState)
{
    State().clip = {0.0, 0.0, 50.0, 50.0};
    renderer->PushOffsetClip({10.4, -3.5});
    EXPECT_EQ(State().offset, (PointT<double>{0.0, 0.0}));
    EXPECT_TRUE(context->GetStateStack().empty());

    renderer->PushState();
    renderer->PushOffsetClip({10.4, -3.5});
    EXPECT_EQ(State().offset, (PointT<double>{10.0, -4.0}));
    EXPECT_EQ(State().clip, (RectT<double>{-10.0, 4.0, 50.0, 50.0}));
    renderer->PopClip();
    EXPECT_EQ(State().offset, (PointT<double>{0.0, 0.0}));
    EXPECT_EQ(State().clip, (RectT<double>{0.0, 0.0, 50.0, 50.0}));
    renderer->PopClip();
    renderer->PopClip(); // nothing pushed: no change
    EXPECT_EQ(State().clip, (RectT<double>{0.0, 0.0, 50.0, 50.0}));
}

TEST_F(RendererState, PushClipIntersectsAndMovesTheOrigin)
{
    {
        CAutoClip outer(renderer, {10.0, 10.0, 50.0, 50.0}, {10.0, 10.0, 50.0, 50.0}, nullptr);
        EXPECT_EQ(State().offset, (PointT<double>{10.0, 10.0}));
        EXPECT_EQ(State().clip, (RectT<double>{0.0, 0.0, 50.0, 50.0}));
        // The inner clip is cut by the outer one, in the new origin's coordinates.
        CAutoClip inner(renderer, {30.0, 30.0, 40.0, 40.0}, {30.0, 30.0, 40.0, 40.0}, nullptr);
        EXPECT_EQ(State().offset, (PointT<double>{40.0, 40.0}));
        EXPECT_EQ(State().clip, (RectT<double>{0.0, 0.0, 20.0, 20.0}));
        renderer->FillRect({1, 2, 3, 4}, LColor(0xFF00FF00u), true);
    }
    EXPECT_TRUE(context->GetStateStack().empty());
    EXPECT_EQ(State().offset, (PointT<double>{0.0, 0.0}));
    // A clip that misses its area clips everything.
    {
        CAutoClip apart(renderer, {10.0, 10.0, 5.0, 5.0}, {0.0, 0.0, 8.0, 6.0}, nullptr);
        EXPECT_EQ(State().clip.width, 0.0);
        EXPECT_EQ(State().clip.height, 0.0);
    }
    const RecordedCall fill = renderer->Named("FillRect").at(0);
    EXPECT_EQ(fill.origin, (PointT<double>{40.0, 40.0}));
    EXPECT_EQ(fill.clip, (RectT<double>{0.0, 0.0, 20.0, 20.0}));
}

TEST_F(RendererState, StencilsNestAndOpacityIsRestored)
{
    RCPtr<LStencil> stencil(new LStencil);
    stencil->values[0] = 7;
    stencil->values[1] = 8;
    renderer->PushClip({0, 0, 10, 10}, {0, 0, 10, 10}, stencil, true);
    EXPECT_TRUE(State().stencilActive);
    EXPECT_EQ(State().stencil, stencil);
    State().opacity = 0.5f;
    renderer->PushClip({0, 0, 10, 10}, {0, 0, 10, 10}, stencil, true);
    EXPECT_NE(State().stencil, stencil);
    EXPECT_EQ(State().stencil->values[4], 7);
    EXPECT_EQ(State().stencil->values[2], 0);
    State().opacity = 0.25f;
    renderer->PopClip();
    EXPECT_EQ(State().opacity, 0.5f);
    EXPECT_EQ(State().stencil, stencil);
    renderer->PopClip();
    EXPECT_FALSE(State().stencilActive);
}

TEST_F(RendererState, FillAndFrameSkipsTransparentParts)
{
    renderer->FillAndFrameRect({0, 0, 5, 5}, LColor(0x00FF0000u), LColor(0xFF0000FFu), 1.0f);
    renderer->FillAndFrameRect({0, 0, 5, 5}, LColor(0xFFFF0000u), LColor(0x000000FFu), 1.0f);
    ASSERT_EQ(renderer->calls.size(), 2u);
    EXPECT_EQ(renderer->calls[0].name, "DrawRect");
    EXPECT_EQ(renderer->calls[1].name, "FillRect");
}

TEST(RendererFactory, MakesEachKnownKindAndRefusesOthers)
{
    UseTestFonts(); // kind 0 starts its font renderer before it looks at the window
    EXPECT_EQ(LRenderer::Create(1, {0, 0, 10, 10}, nullptr)->GetRendererKind(), 1);
    const RCPtr<LRenderer> shell = LRenderer::Create(2, {}, nullptr);
    EXPECT_EQ(shell->GetRendererKind(), 2);
    for (int kind : {3, -1})
        EXPECT_THAT([&] { LRenderer::Create(kind, {}, nullptr); },
                    ::testing::ThrowsMessage<std::domain_error>(::testing::StartsWith("Domain Error : ")));
    // Kind 0 needs a GL-capable window.
    EXPECT_THAT([&] { LRenderer::Create(0, {}, nullptr); },
                ::testing::ThrowsMessage<std::runtime_error>(::testing::EndsWith("GLRenderer : Line 163")));

    RCPtr<LRenderer> recording(new RecordingRenderer);
    ClipSpec unknown;
    unknown.flavour = 3;
    EXPECT_THROW(CAutoClip(recording, unknown), std::runtime_error);
}

TEST(D3D9Renderer, RunsFramesWithoutAContextAndDrawsNothing)
{
    const RCPtr<LRenderer> shell = LRenderer::Create(2, {}, nullptr);
    RCPtr<LRenderContextInfo> context;
    ASSERT_EQ(shell->InitRenderContextInfo({0, 0, 10, 10}, nullptr, true, context), S_OK);
    EXPECT_EQ(context->GetMaxSurfaceSize(), (PointT<int32_t>{0, 0}));
    EXPECT_EQ(shell->RenderStart(context), S_OK);
    EXPECT_EQ(shell->GetCurrentContext(), nullptr);
    shell->PushClip({1, 1, 5, 5}, {0, 0, 5, 5}, nullptr, true);
    shell->Translate({3, 3});
    EXPECT_EQ(context->GetState().offset, (PointT<double>{0.0, 0.0}));
    EXPECT_EQ(shell->DrawRenderContext(context, {}, {}), E_NOTIMPL);
    RectT<float> measured{1, 2, 3, 4};
    EXPECT_EQ(shell->MeasureText(measured, u"abc", nullptr), (RectT<float>{}));
    EXPECT_EQ(shell->RenderFinish(context), S_OK);
}

} // namespace KX::Test
