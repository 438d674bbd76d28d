#pragma once
// The type name that messages give for a template argument, "class " + the qualified name. A
// template whose arguments messages spell with their own "class " keywords specialises this.
#include "KXFramework/ObjectBase/Exception.h"

#include <string>
#include <typeinfo>

namespace KX {

template <class T>
struct TypeNameOf {
    static std::string Get() { return TypeName(typeid(T)); }
};

} // namespace KX
