// The "showing" guard: a flag raised for a scope is put back as it was, however the scope ends, so
// that a show inside a show, or one that throws, cannot leave a panel deaf to the user's edits or
// reporting while the outer show still fills its fields.
#include "Panel/UI/DriverCommon/ScopedFlag.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace KX::Test {

TEST(ScopedFlagTest, TheFlagIsPutBackAsItWasAfterANestedScopeAndAThrow)
{
    bool showing = false;
    {
        const ScopedFlag outer(showing);
        {
            const ScopedFlag inner(showing);
            EXPECT_TRUE(showing);
        }
        EXPECT_TRUE(showing); // still inside the outer show
        EXPECT_THROW(
            {
                const ScopedFlag thrown(showing);
                throw std::runtime_error("a field refused its value");
            },
            std::runtime_error);
        EXPECT_TRUE(showing);
    }
    EXPECT_FALSE(showing);
    try {
        const ScopedFlag thrown(showing);
        throw std::runtime_error("a field refused its value");
    } catch (const std::runtime_error&) {
    }
    EXPECT_FALSE(showing);
}

} // namespace KX::Test
