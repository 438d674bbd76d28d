#pragma once
// Files built into the executable, looked up by (type, name) the way the program asks for them:
// type "KXXML" for the skin and string tables ("APP_SKINS", …), type "GDIPLUS" for PNG images.
// The table is generated at build time by kx_embed_resources (cmake/KxResources.cmake).
#include "KXFramework/ObjectBase/ServiceSlot.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace KX {

struct ResourceEntry {
    const char16_t* type;
    const char16_t* name;
    const unsigned char* data;
    size_t size;
};

struct ResourceView {
    const unsigned char* data = nullptr;
    size_t size = 0;
    explicit operator bool() const { return data != nullptr; }
};

struct ResourceTable {
    const ResourceEntry* entries = nullptr;
    size_t count = 0;
};

// Makes `entries` the process's resources; they must outlive every lookup. A later call replaces
// the table; (nullptr, 0) removes it.
ServiceSlot<ResourceTable>& ResourceTableSlot();
void SetResourceTable(const ResourceEntry* entries, size_t count);
// Type and name match without regard to ASCII case. An empty view when there is no such resource
// (or no table); an entry of size 0 is found, with its size 0.
ResourceView FindResource(const char16_t* type, const char16_t* name);
// The resource name of a path: without a leading "::" and one leading "/" or "\", ASCII letters
// upper-cased, "." and " " turned into "_". "::device.png" -> "DEVICE_PNG".
std::u16string ResourceNameFromPath(std::u16string_view path);

// For development: the folder named by the environment variable KX_RESOURCE_DIR when it holds
// "Skins.xml", from which the documents are then read instead of the program's resources, so a
// skin can be tried without relinking. Empty otherwise.
std::string DevelopmentResourceFolder();

// Registers the table that kx_embed_resources generated for this binary.
void RegisterEmbeddedResources();

} // namespace KX
