#include "KXFramework/ObjectBase/Exception.h"

#include <cstdio>
#include <cstdlib>
#include <cxxabi.h>
#include <memory>
#include <typeinfo>

namespace KX {

bool IsQuietExitResult(KXRESULT r)
{
    switch (static_cast<uint32_t>(r)) {
    case 0x8000A000u:
    case 0x8000A001u:
    case 0x8000A002u:
    case 0x8000A003u:
    case 0x8000A010u:
    case 0x8000A020u:
        return true;
    default:
        return false;
    }
}

std::string ResultToString(KXRESULT r)
{
    char digits[65];
    std::snprintf(digits, sizeof digits, "%X", static_cast<unsigned>(r));
    return std::string("KXRESULT = ") + digits;
}

const char* ExceptionBase::GetErrorText() const
{
    if (auto* e = dynamic_cast<const std::exception*>(this))
        return e->what();
    return "";
}

std::string SourcePlace(std::string_view method, std::string_view path, int line)
{
    std::string place(" : ");
    place.append(method).append(" : ").append(path).append(" : Line ").append(std::to_string(line));
    return place;
}

void ThrowIfFailed(KXRESULT r, const char* place)
{
    if (r >= 0)
        return;
    throw Exception<FailedResultException>("Failed Result : " + ResultToString(r) + place);
}

std::string TypeName(const std::type_info& type)
{
    int status = 0;
    std::unique_ptr<char, void (*)(void*)> name(abi::__cxa_demangle(type.name(), nullptr, nullptr, &status), std::free);
    std::string demangled = status == 0 && name ? name.get() : type.name();
    std::string out = "class ";
    for (size_t i = 0; i < demangled.size(); ++i) {
        if (demangled[i] == ' ' && i > 0 && demangled[i - 1] == ',')
            continue;
        out += demangled[i];
    }
    return out;
}

} // namespace KX
