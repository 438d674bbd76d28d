#pragma once
// Whole-file reading with a size cap, atomic replacement of a file and file-name cleaning. Paths
// are UTF-8.
#include "KXFramework/ObjectBase/Result.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <sys/types.h>

namespace KX::Platform::Files {

enum class ReadStatus {
    Ok,
    NotFound,   // the file does not exist
    NotRegular, // a folder, device or pipe
    TooLarge,   // more than the cap
    Failed,     // any other error (permissions, read error)
};

// Reads the whole regular file into `out`, refusing anything larger than maxSize bytes, so a
// huge or endless file never costs more than the cap. `out` is cleared unless the result is Ok.
// After NotFound and Failed, errno tells why.
ReadStatus ReadWholeFile(const std::string& path, size_t maxSize, std::string& out);

// The write call WriteAtomically makes; tests pass one that fails part-way.
using WriteFunction = ssize_t (*)(int fd, const void* data, size_t size);

// Replaces the file at `path` with the given bytes so that a reader sees either the old or the
// new content, never a part: an unnamed temporary file in the same folder (a hidden one where the
// file system has none) is written, synced, named and renamed over the target, then the folder is
// synced. The temporary name is "." + the file's name + ".tmp.<pid>.<n>", the file's name cut
// between characters where the whole would pass the folder's name limit. Such hidden files of the
// target left by killed saves are removed first, and nothing else. A file the caller may not write
// is refused, as writing it in place would be. A symbolic link at `path` is followed and kept.
// S_OK, or E_FAIL with errno telling why, the old file untouched and no temporary file left.
[[nodiscard]] KXRESULT WriteAtomically(const std::string& path, const void* data, size_t size,
                                       WriteFunction write = nullptr);

// The characters a file name may not hold on the original platform; all ASCII, so a UTF-16 and a
// UTF-8 name are cleaned alike.
inline constexpr char16_t kReservedFileNameCharacters[] = u"\\/:*?\"<>|&;,^()";
// A copy with each reserved character replaced by "_".
std::string MakeValidFileName(std::string_view name);

// Tests turn unnamed temporary files off to exercise the hidden named ones.
void UseUnnamedTemporaryFiles(bool use);

} // namespace KX::Platform::Files
