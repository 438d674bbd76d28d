#pragma once
// Points the font system at the tests' own font configuration (two packaged families, fixed
// aliases), once per process, before the first match.
#include "KXFramework/Platform/Graphics/FontSystem.h"

#include <gtest/gtest.h>

namespace KX::Test {

inline void UseTestFonts()
{
    static const bool configured = KX::Platform::FontSystem::Get().Configure({KX_TEST_FONTS_CONF});
    ASSERT_TRUE(configured) << "cannot load " << KX_TEST_FONTS_CONF;
}

} // namespace KX::Test
