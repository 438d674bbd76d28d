#pragma once
// Sets or clears environment variables for one test and restores them afterwards.
#include <cstdlib>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace KX::Test {

class EnvironmentGuard {
public:
    EnvironmentGuard() = default;
    ~EnvironmentGuard()
    {
        for (auto it = m_saved.rbegin(); it != m_saved.rend(); ++it) {
            if (it->second)
                ::setenv(it->first.c_str(), it->second->c_str(), 1);
            else
                ::unsetenv(it->first.c_str());
        }
    }
    EnvironmentGuard(const EnvironmentGuard&) = delete;
    EnvironmentGuard& operator=(const EnvironmentGuard&) = delete;

    void Set(const std::string& name, const std::string& value)
    {
        Save(name);
        ::setenv(name.c_str(), value.c_str(), 1);
    }
    void Clear(const std::string& name)
    {
        Save(name);
        ::unsetenv(name.c_str());
    }

private:
    void Save(const std::string& name)
    {
        const char* old = std::getenv(name.c_str());
        m_saved.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
    }
    std::vector<std::pair<std::string, std::optional<std::string>>> m_saved;
};

} // namespace KX::Test
