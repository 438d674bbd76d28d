#pragma once
// Files by path: a descriptor shared between copies, positioned reads and writes that throw on a
// system error, folder listing, folder creation and the one way the program replaces a file.
// Paths are UTF-16 inside the program and UTF-8 for the system; the separator is "/".
#include "KXFramework/ObjectBase/RefCountedObject.h"
#include "KXFramework/ObjectBase/Result.h"
#include "KXFramework/Utilities/Storage/Array.h"
#include "KXFramework/Utilities/Storage/StringT.h"

#include <cstddef>
#include <cstdint>

namespace KX {

class File {
public:
    // Mode bits, taken from share | flags (callers pass them in either argument).
    static constexpr unsigned kRead = 0x10000;
    static constexpr unsigned kWrite = 0x20000;
    static constexpr unsigned kCreate = 0x40000;
    static constexpr unsigned kTruncate = 0x80000;
    // "At the current position" for Read and Write.
    static constexpr unsigned kCurrentPosition = 0xFFFFFFFF;

    // Opens for reading, and for writing with kWrite. A file that cannot be opened (or is a folder)
    // leaves the object without a descriptor; that does not throw.
    File(const String& path, unsigned share, unsigned flags = 0);
    // Copies share the descriptor; it is closed when the last of them lets it go.
    File(const File& other);
    File& operator=(const File& other);
    ~File();

    bool IsOpen() const;
    // Size in bytes. Throws "invalid pathname" without a descriptor, "fstat" on a system error.
    uint64_t GetLength() const;
    // Reads up to count bytes at offset (kCurrentPosition: where the last operation ended) and
    // returns how many it read; fewer only at the end of the file. Throws "invalid pathname",
    // "lseek" or "read".
    unsigned Read(void* buffer, unsigned count, unsigned offset = kCurrentPosition);
    // Writes all count bytes. Throws "invalid pathname", "file is read only", "lseek" or "write".
    unsigned Write(const void* buffer, unsigned count, unsigned offset = kCurrentPosition);
    // origin 0 from the start, 1 from the current position, 2 from the end; the new position.
    // Throws "invalid pathname" or "lseek".
    int64_t Seek(int64_t offset, int origin);
    // Lets go of this object's hold on the descriptor.
    void Close();

    // Appends folder + "/" + name for every entry of the folder that matches the pattern (ASCII
    // case ignored, as file names are matched on the original platform) and is not a folder, in
    // the order the system lists them. 0, or 1 when the folder does not exist.
    [[nodiscard]] static KXRESULT FindFiles(const String& folder, const String& pattern, Array<String>& out);
    // One level: 0 created, 1 already a folder, E_FAIL otherwise (errno tells why).
    [[nodiscard]] static KXRESULT CreateDirectory(const String& path);
    // A copy with each of \ / : * ? " < > | & ; , ^ ( ) replaced by "_".
    static String MakeValidFileName(const String& name);
    // Replaces the file so that a reader sees the old or the new bytes, never a part: 0, or E_FAIL
    // with the old file untouched.
    [[nodiscard]] static KXRESULT WriteAtomically(const String& path, const void* data, size_t size);

private:
    class LDescriptor;
    int Descriptor(const char* method, int line) const;

    RCPtr<LDescriptor> m_descriptor;
    bool m_writable = false;
};

// A path beginning "::" names an image resource of the program; any other path a file.
bool FileOrResourceExists(const String& path);

} // namespace KX
