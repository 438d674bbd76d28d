#pragma once
// Where the program lives and where it keeps its data, after the XDG base directory rules.
// Paths are UTF-8 without a trailing "/". The environment decides, so tests point the folders at
// temporary ones by setting XDG_DATA_HOME, XDG_CONFIG_HOME, XDG_DOCUMENTS_DIR or HOME. Without an
// absolute HOME the user database's home folder is used, which the debug log says once.
#include <string>

namespace KX::Platform {

enum class PlatformFolder {
    Executable,    // the folder of the running program
    CommonAppData, // $XDG_DATA_HOME, else $HOME/.local/share
    LocalAppData,  // $XDG_CONFIG_HOME, else $HOME/.config
    Documents,     // $XDG_DOCUMENTS_DIR (or its line in user-dirs.dirs), else $HOME/Documents, else $HOME
};

// The running program's own file, from /proc/self/exe; empty on failure.
std::string GetExecutablePath();
// The base folder, without company or product; empty when it cannot be determined.
std::string GetPlatformFolder(PlatformFolder which);

} // namespace KX::Platform
