#pragma once
// Small binary values kept per company, section and entry, each as one file
// <$XDG_CONFIG_HOME or ~/.config>/<company>/<section>/<entry> (the role of the registry's profile
// values). Each name is cleaned of the reserved file-name characters; a name that is empty, "." or
// ".." is refused, so no value lands outside its company's folder.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace KX::Platform {

// The largest value ReadProfileBinary accepts; a larger file is not one of ours.
inline constexpr size_t kMaxProfileBinarySize = 64 * 1024;

// Creates the missing folders and replaces the file atomically. False when it could not be stored
// (the old value, if any, is then kept, and the debug log says why).
bool WriteProfileBinary(const std::string& company, const std::string& section, const std::string& entry,
                        const std::vector<uint8_t>& data);
// The stored bytes; none when the value is missing, is not a regular file, cannot be read or is
// larger than kMaxProfileBinarySize.
std::optional<std::vector<uint8_t>> ReadProfileBinary(const std::string& company, const std::string& section,
                                                      const std::string& entry);

} // namespace KX::Platform
