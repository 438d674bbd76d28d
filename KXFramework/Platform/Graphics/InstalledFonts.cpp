#include "KXFramework/Platform/Graphics/InstalledFonts.h"

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <mutex>

namespace KX::Platform {

namespace {

std::mutex g_lock;
FcConfig* g_config = nullptr; // ours when set; otherwise fontconfig's current one

// The configuration to use, with a reference for the caller; null when fontconfig cannot start.
FcConfig* AcquireConfig()
{
    if (g_config) {
        FcConfigReference(g_config);
        return g_config;
    }
    if (!FcInit())
        return nullptr;
    return FcConfigReference(nullptr);
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
    FcConfig* config = AcquireConfig();
    if (!config)
        return folders;
    if (FcStrList* list = FcConfigGetFontDirs(config)) {
        while (const FcChar8* folder = FcStrListNext(list))
            folders.emplace_back(reinterpret_cast<const char*>(folder));
        FcStrListDone(list);
    }
    FcConfigDestroy(config);
    std::sort(folders.begin(), folders.end());
    folders.erase(std::unique(folders.begin(), folders.end()), folders.end());
    return folders;
}

std::string MatchFontFamily(const std::string& family)
{
    std::string matched;
    std::lock_guard<std::mutex> guard(g_lock);
    FcConfig* config = AcquireConfig();
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
    FcConfigDestroy(config);
    return matched;
}

} // namespace KX::Platform
