// The editor's entry point: typed text is classified in the user's UTF-8 locale, then the
// framework's main routine runs the one framework object of the process.
#include "KXFramework/Application/MFCFrameworkApp.h"
#include "KXFramework/Platform/Resources/Resources.h"
#include "Panel/Application.h"

#include <clocale>
#include <cstring>
#include <langinfo.h>

namespace {

KX::MFCFrameworkApp<LApplication> g_theApp;

} // namespace

int main(int argc, char** argv)
{
    KX::RegisterEmbeddedResources();
    // Only character classes follow the user; numbers stay in the "C" locale.
    if (!std::setlocale(LC_CTYPE, "") || std::strcmp(nl_langinfo(CODESET), "UTF-8") != 0)
        std::setlocale(LC_CTYPE, "C.UTF-8");
    return KX::RunFrameworkMain(g_theApp, argc, argv, -1);
}
