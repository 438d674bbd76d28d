#pragma once
// Switches LC_NUMERIC to a locale with a decimal comma for one scope. The build generates that locale into
// its own folder (KX_TEST_LOCALES), so the tests that use it run whatever locales the machine has installed.
#include <clocale>
#include <cstdlib>
#include <optional>
#include <string>

namespace KX::Test {

class CommaLocale {
public:
    CommaLocale() : m_previous(std::setlocale(LC_NUMERIC, nullptr))
    {
        if (const char* path = std::getenv("LOCPATH"))
            m_previousPath = path;
        ::setenv("LOCPATH", KX_TEST_LOCALES, 1);
        m_active = std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr &&
                   std::string(std::localeconv()->decimal_point) == ",";
    }
    ~CommaLocale()
    {
        std::setlocale(LC_NUMERIC, m_previous.c_str());
        if (m_previousPath)
            ::setenv("LOCPATH", m_previousPath->c_str(), 1);
        else
            ::unsetenv("LOCPATH");
    }
    CommaLocale(const CommaLocale&) = delete;
    CommaLocale& operator=(const CommaLocale&) = delete;

    bool IsActive() const { return m_active; }
    static constexpr const char* kMissing = "the test locale " KX_TEST_LOCALES "/de_DE.UTF-8 cannot be used";

private:
    std::string m_previous;
    std::optional<std::string> m_previousPath;
    bool m_active = false;
};

} // namespace KX::Test
