#pragma once
// The editor's surroundings for a test: its home and desktop folders inside `home`, SDL's dummy video
// driver and no display (or the test's own X display), and resources only from the program itself.
#include "EnvironmentGuard.h"
#include "TempFolder.h"

#include <sys/stat.h>

#include <filesystem>
#include <string>

namespace KX::Test {

// The home, settings, data and runtime folders, where the settings and the single-instance lock live.
inline void IsolateEditorFolders(EnvironmentGuard& environment, const TempFolder& home)
{
    for (const char* variable : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_RUNTIME_DIR"}) {
        const std::string folder = home / variable;
        std::filesystem::create_directory(folder);
        ::chmod(folder.c_str(), 0700);
        environment.Set(variable, folder);
    }
}

inline void IsolateEditorEnvironment(EnvironmentGuard& environment, const TempFolder& home)
{
    IsolateEditorFolders(environment, home);
    environment.Set("SDL_VIDEODRIVER", "dummy");
    environment.Clear("DISPLAY");
    environment.Clear("WAYLAND_DISPLAY");
    environment.Clear("KX_RESOURCE_DIR");
}

// The real editor on the X display the test chose: the simulated keyboard mirrors its state into
// `state`, and the editor and zenity draw with the tests' own fonts, the same picture everywhere.
inline void IsolateX11EditorEnvironment(EnvironmentGuard& environment, const TempFolder& home, const std::string& state,
                                        const char* fontsConf)
{
    IsolateEditorFolders(environment, home);
    std::filesystem::create_directory(state);
    environment.Set("KIVO_E2E_STATE", state);
    environment.Set("SDL_VIDEODRIVER", "x11");
    environment.Set("FONTCONFIG_FILE", fontsConf);
    // No accessibility bus for zenity to wait for.
    environment.Set("NO_AT_BRIDGE", "1");
    environment.Clear("KX_RESOURCE_DIR");
    environment.Clear("KX_ZENITY");
}

} // namespace KX::Test
