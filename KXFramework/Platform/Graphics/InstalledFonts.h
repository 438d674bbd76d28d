#pragma once
// fontconfig's view of the installed fonts, for the readers that open font files themselves: the
// folders that hold them and the family a name resolves to. Every call uses the configuration
// chosen with UseFontConfiguration, else the system's. Text is UTF-8.
#include <string>
#include <vector>

namespace KX::Platform {

// Reads the configuration from this file from now on; an empty path goes back to the system's.
// False when the file could not be read (the previous configuration stays).
bool UseFontConfiguration(const std::string& configFile);
// The configured font folders and the folders below them, sorted by path, each once.
std::vector<std::string> GetFontDirectories();
// The family of fontconfig's best match for the name, after its substitutions (so "Arial" gives a
// metric-compatible family and "sans-serif" the default one); empty when nothing matches.
std::string MatchFontFamily(const std::string& family);

} // namespace KX::Platform
