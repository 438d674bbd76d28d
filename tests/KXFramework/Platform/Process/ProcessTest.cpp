#include "KXFramework/Platform/Process/Clock.h"
#include "KXFramework/Platform/Process/Locale.h"

#include "EnvironmentGuard.h"
#include "ManualClock.h"

#include <gtest/gtest.h>

namespace KX::Test {

namespace {

using KX::Platform::LocaleIdFromName;

TEST(Locale, NamesMapToLanguageIdentifiers)
{
    const struct {
        const char* name;
        uint32_t id;
    } cases[] = {
        {"en_US.UTF-8", 0x0409},
        {"en_GB", 0x0809},
        {"en_AU.utf8", 0x0409},
        {"de_DE.UTF-8@euro", 0x0407},
        {"de_AT", 0x0407},
        {"fr_FR", 0x040C},
        {"es_ES.UTF-8", 0x0C0A},
        {"es_MX", 0x080A},
        {"es_AR", 0x040A},
        {"it_IT", 0x0410},
        {"ja_JP.eucJP", 0x0411},
        {"ko_KR", 0x0412},
        {"nl_NL", 0x0413},
        {"pl_PL", 0x0415},
        {"pt_BR", 0x0416},
        {"pt_PT", 0x0816},
        {"pt", 0x0416},
        {"ru_RU", 0x0419},
        {"sv_SE", 0x041D},
        {"zh_TW.UTF-8", 0x0404},
        {"zh_HK", 0x0C04},
        {"zh_MO", 0x1404},
        {"zh_CN.GB18030", 0x0804},
        {"zh_SG", 0x1004},
        {"zh", 0x0804},
        {"DE_de", 0x0407},
        {"", 0x0409},
        {"C", 0x0409},
        {"C.UTF-8", 0x0409},
        {"POSIX", 0x0409},
        {"xx_YY", 0x0409},
        {"_", 0x0409},
    };
    for (const auto& c : cases)
        EXPECT_EQ(LocaleIdFromName(c.name), c.id) << '"' << c.name << '"';
}

TEST(Locale, TheFirstNonEmptyVariableDecides)
{
    KX::Test::EnvironmentGuard env;
    env.Set("LC_ALL", "");
    env.Set("LC_MESSAGES", "fr_FR.UTF-8");
    env.Set("LANG", "de_DE.UTF-8");
    EXPECT_EQ(KX::Platform::GetUserLocaleId(), 0x040Cu);
    env.Set("LC_ALL", "ja_JP.UTF-8");
    EXPECT_EQ(KX::Platform::GetUserLocaleId(), 0x0411u);
    env.Clear("LC_ALL");
    env.Clear("LC_MESSAGES");
    EXPECT_EQ(KX::Platform::GetUserLocaleId(), 0x0407u);
    env.Clear("LANG");
    EXPECT_EQ(KX::Platform::GetUserLocaleId(), 0x0409u);
}

TEST(Clock, AnInstalledClockDrivesTimeUntilRemoved)
{
    KX::Test::ManualClock clock(0xFFFFFFF0u);
    KX::Platform::SetClock(&clock);
    const uint32_t start = KX::Platform::GetMilliseconds();
    KX::Platform::SleepMilliseconds(500);
    clock.Advance(20);
    // Wrap-around: the difference is right by unsigned subtraction.
    EXPECT_EQ(KX::Platform::GetMilliseconds() - start, 520u);
    KX::Platform::SetClock(nullptr);

    const uint32_t before = KX::Platform::GetMilliseconds();
    KX::Platform::SleepMilliseconds(5);
    const uint32_t elapsed = KX::Platform::GetMilliseconds() - before;
    EXPECT_GE(elapsed, 4u);
    EXPECT_LT(elapsed, 60000u);
}

} // namespace

} // namespace KX::Test
