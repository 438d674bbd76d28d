// The printers every test program is compiled with (TestPrinters.h): what a failed check shows of a
// KX string or a scoped enumeration.
#include "KXFramework/Platform/Files/FileAccess.h"
#include "KXFramework/Platform/Process/SingleInstance.h"
#include "KXFramework/Utilities/Storage/StringT.h"

#include <gtest/gtest.h>

#include <optional>

namespace KX::Test {
namespace {

using KX::Platform::SingleInstance;

TEST(TestPrinters, StringsShowTheirTextAndEnumerationsTheirNames)
{
    EXPECT_EQ(testing::PrintToString(String(u"Grüße \"a\\b\"\n\x01")), "\"Grüße \\\"a\\\\b\\\"\\n\\x01\"");
    EXPECT_EQ(testing::PrintToString(NarrowString("Grüße")), "\"Grüße\"");
    const char16_t pairAndLoneHalf[] = {u'a', 0xD83D, 0xDE00, 0xDC00, 0};
    EXPECT_EQ(testing::PrintToString(String(pairAndLoneHalf)), "\"a\xF0\x9F\x98\x80\\uDC00\"");
    EXPECT_EQ(testing::PrintToString(String()), "\"\"");

    EXPECT_EQ(testing::PrintToString(SingleInstance::Role::Unguarded), "Role::Unguarded");
    EXPECT_EQ(testing::PrintToString(SingleInstance::Record::Complete), "Record::Complete");
    EXPECT_EQ(testing::PrintToString(std::optional(Platform::Files::ReadStatus::TooLarge)), "(ReadStatus::TooLarge)");
    EXPECT_EQ(testing::PrintToString(static_cast<SingleInstance::Role>(7)), "Role(7)");
    EXPECT_EQ(testing::PrintToString(static_cast<SingleInstance::Role>(-1)), "Role(-1)");
}

} // namespace
} // namespace KX::Test
