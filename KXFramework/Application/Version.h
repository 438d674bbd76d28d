#pragma once
// The running program's version values (company, product, version, copyright), as the build
// recorded them. An empty string stands for a missing value.
#include "KXFramework/Utilities/Storage/StringT.h"

namespace KX {

class Version {
public:
    // The values are built into the program, so reading them cannot fail.
    Version() = default;

    String GetCompanyName() const;    // "CompanyName"
    String GetProductName() const;    // "ProductName"
    String GetProductVersion() const; // "ProductVersion"
    // Any value by name, such as "LegalCopyright" or "FileVersion"; "" when there is none.
    String GetValue(const String& name) const;
};

} // namespace KX
