#pragma once
// A document file in a folder of its own, rewritten for every input so that the readers' file
// route (with its size cap) is fuzzed too. It is written in place and then cut to size: ext4 flushes
// a file that is truncated to nothing and written again when it is closed, which would make every
// input wait for the disk.
#include "../support/TempFolder.h"

#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace KX::Test {

class DocumentFile {
public:
    explicit DocumentFile(const char* name) : m_path(m_folder / name)
    {
        m_fd = ::open(m_path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
        if (m_fd < 0)
            std::abort();
    }
    ~DocumentFile() { ::close(m_fd); }
    DocumentFile(const DocumentFile&) = delete;
    DocumentFile& operator=(const DocumentFile&) = delete;

    const std::string& Path() const { return m_path; }

    void Write(const uint8_t* data, size_t size)
    {
        for (size_t done = 0; done < size;) {
            const ssize_t n = ::pwrite(m_fd, data + done, size - done, static_cast<off_t>(done));
            if (n <= 0)
                std::abort();
            done += static_cast<size_t>(n);
        }
        if (::ftruncate(m_fd, static_cast<off_t>(size)) != 0)
            std::abort();
    }

private:
    TempFolder m_folder;
    std::string m_path;
    int m_fd = -1;
};

} // namespace KX::Test
