#pragma once
// A stand-in for the zenity program: a shell script in a folder whose name holds blanks and
// quotes, installed through KX_ZENITY. It records its arguments and then runs the behaviour the
// test gives (print a path, exit 1, flood its output, ...).
#include "EnvironmentGuard.h"
#include "TempFolder.h"

#include <string>
#include <sys/stat.h>
#include <vector>

namespace KX::Test {

class FakeZenity {
public:
    FakeZenity() : m_script(m_folder / "fake \"zenity\" it's") { Behave("exit 0"); }

    // The shell commands the script runs after recording its arguments.
    void Behave(const std::string& commands)
    {
        const std::string arguments = m_folder / "arguments";
        TempFolder::WriteFile(m_script, "#!/bin/sh\nfor a; do printf '%s\\0' \"$a\"; done > '" + arguments + "'\n" +
                                            commands + "\n");
        ::chmod(m_script.c_str(), 0700);
        m_env.Set("KX_ZENITY", m_script);
    }

    // Prints these bytes on standard output and error and exits with the code.
    void Answer(const std::string& output, int exitCode, const std::string& errors = {})
    {
        TempFolder::WriteFile(m_folder / "output", output);
        TempFolder::WriteFile(m_folder / "errors", errors);
        Behave("cat '" + m_folder / "output" + "'; cat '" + m_folder / "errors" + "' >&2; exit " +
               std::to_string(exitCode));
    }

    // The arguments of the last run.
    std::vector<std::string> Arguments() const
    {
        const std::string text = TempFolder::ReadFile(m_folder / "arguments");
        std::vector<std::string> arguments;
        size_t start = 0;
        for (size_t end; (end = text.find('\0', start)) != std::string::npos; start = end + 1)
            arguments.push_back(text.substr(start, end - start));
        return arguments;
    }

    const TempFolder& Folder() const { return m_folder; }

private:
    TempFolder m_folder;
    EnvironmentGuard m_env;
    std::string m_script;
};

} // namespace KX::Test
