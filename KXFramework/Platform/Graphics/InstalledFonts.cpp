#include "KXFramework/Platform/Graphics/InstalledFonts.h"

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <mutex>

namespace KX::Platform {

namespace {

std::mutex g_lock;
// Ours, from the chosen file or the system's files. fontconfig's own current configuration is not
// used: FcInit loses track of part of what it allocates.
FcConfig* g_config = nullptr;

// The configuration to use, loaded on first use; null when fontconfig cannot load one.
FcConfig* Config()
{
    if (!g_config)
        g_config = FcInitLoadConfigAndFonts();
    return g_config;
}

} // namespace

bool UseFontConfiguration(const std::string& configFile)
{
    FcConfig* config = nullptr;
    if (!configFile.empty()) {
        config = FcConfigCreate();
        if (!config)
            return false;
        if (!FcConfigParseAndLoad(config, reinterpret_cast<const FcChar8*>(configFile.c_str()), FcTrue)
            || !FcConfigBuildFonts(config)) {
            FcConfigDestroy(config);
            return false;
        }
    }
    std::lock_guard<std::mutex> guard(g_lock);
    if (g_config)
        FcConfigDestroy(g_config);
    g_config = config;
    return true;
}

std::vector<std::string> GetFontDirectories()
{
    std::vector<std::string> folders;
    std::lock_guard<std::mutex> guard(g_lock);
    FcConfig* config = Config();
    if (!config)
        return folders;
    if (FcStrList* list = FcConfigGetFontDirs(config)) {
        while (const FcChar8* folder = FcStrListNext(list))
            folders.emplace_back(reinterpret_cast<const char*>(folder));
        FcStrListDone(list);
    }
    std::sort(folders.begin(), folders.end());
    folders.erase(std::unique(folders.begin(), folders.end()), folders.end());
    return folders;
}

std::string MatchFontFamily(const std::string& family)
{
    std::string matched;
    std::lock_guard<std::mutex> guard(g_lock);
    FcConfig* config = Config();
    if (!config)
        return matched;
    if (FcPattern* pattern = FcPatternCreate()) {
        FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
        // Without the substitutions fontconfig matches on nothing but coverage ("Arial" gave a math font).
        FcConfigSubstitute(config, pattern, FcMatchPattern);
        FcDefaultSubstitute(pattern);
        FcResult result = FcResultNoMatch;
        if (FcPattern* match = FcFontMatch(config, pattern, &result)) {
            FcChar8* name = nullptr;
            if (FcPatternGetString(match, FC_FAMILY, 0, &name) == FcResultMatch && name)
                matched = reinterpret_cast<const char*>(name);
            FcPatternDestroy(match);
        }
        FcPatternDestroy(pattern);
    }
    return matched;
}

} // namespace KX::Platform
