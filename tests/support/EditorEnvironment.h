#pragma once
// The editor's surroundings for a test: its home and desktop folders inside `home`, SDL's dummy video
// driver and no display, and resources only from the program itself.
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

} // namespace KX::Test
