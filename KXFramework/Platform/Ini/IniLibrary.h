#pragma once
// The settings library: the fifteen ini functions the program calls, over files in the format of
// IniDocument. Text is UTF-8. Every change is written through at once by atomic replacement, so
// the file on disk is always whole; a file that cannot be read never stops the program: the open
// fails, callers fall back to their defaults and the file is left as it is.
//
// Results: S_OK (0), S_FALSE (1), E_INVALIDARG for a bad handle or argument, E_FAIL for a file
// that cannot be read or written. A handle is > 0; 0 means "not open". Handles are never reused
// within a process. Safe to call from any thread.
#include "KXFramework/ObjectBase/Result.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace KX::Platform::Ini {

// S_OK: opened, or a missing file created in memory only (it reaches the disk with the first
// change). S_FALSE: opened, but its stored version differs (the data is kept). E_FAIL: the file
// exists but cannot be read, is larger than 4 MiB, holds NUL bytes or is not a regular file; the
// handle stays 0. Opening a path that is open already returns its handle and counts a reference.
[[nodiscard]] KXRESULT OpenIniFile(std::string_view path, std::string_view version, std::string_view product,
                                   int32_t* handle);
// Writes the file when it has unwritten changes.
[[nodiscard]] KXRESULT WriteIniFile(int32_t handle);
// Drops one reference; the last one writes unwritten changes and frees the handle. When that
// write fails: E_FAIL and the handle stays open with its data.
[[nodiscard]] KXRESULT CloseIniFile(int32_t handle);
// Writes every file with unwritten changes and closes every handle. E_FAIL when a write failed.
[[nodiscard]] KXRESULT CloseAllIniFiles();

// Node paths: "Key" is a key at the top level, "Some/Node/Key" key "Key" of section [Some/Node].
// 1 when a section or a key of that path exists, else 0.
[[nodiscard]] KXRESULT DoesNodeExist(int32_t handle, std::string_view path);

// S_OK when the key exists and (for Int) its whole trimmed text is a decimal int32; S_FALSE when
// absent or not a number. The output is the default in every case but S_OK.
[[nodiscard]] KXRESULT GetIniValueInt(int32_t handle, std::string_view key, int32_t defaultValue, int32_t* out);
[[nodiscard]] KXRESULT GetIniValueStr(int32_t handle, std::string_view key, std::string_view defaultValue,
                                      std::string& out);
// S_OK, E_FAIL when the write failed (the value is kept in memory and the next change or
// WriteIniFile retries), E_INVALIDARG for a key that cannot be stored.
[[nodiscard]] KXRESULT SetIniValueInt(int32_t handle, std::string_view key, int32_t value);
[[nodiscard]] KXRESULT SetIniValueStr(int32_t handle, std::string_view key, std::string_view value);

// The distinct keys of section `path` ("" the top level) in file order.
[[nodiscard]] KXRESULT GetKeyCount(int32_t handle, std::string_view path, int32_t* count);
[[nodiscard]] KXRESULT GetKeyNameAt(int32_t handle, std::string_view path, int32_t index, std::string& name);

// An array at path P is section [P] with the keys "0", "1", …; the count is the run from "0".
[[nodiscard]] KXRESULT GetArrayCount(int32_t handle, std::string_view path, int32_t* count);
// Truncates, or appends empty items (at most 65536).
[[nodiscard]] KXRESULT SetArrayCount(int32_t handle, std::string_view path, int32_t count);
[[nodiscard]] KXRESULT GetArrayItemAt(int32_t handle, std::string_view path, int32_t index, std::string& value);
// Replaces item `index`; index == count appends.
[[nodiscard]] KXRESULT SetArrayItemAt(int32_t handle, std::string_view path, int32_t index, std::string_view value);
// Removes the item and renumbers the ones after it.
[[nodiscard]] KXRESULT RemoveArrayItemAt(int32_t handle, std::string_view path, int32_t index);

} // namespace KX::Platform::Ini
