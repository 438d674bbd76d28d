#pragma once
// Standard error on another descriptor for a scope, for what the log writes there.
#include <fcntl.h>
#include <unistd.h>

namespace KX::Test {

class StandardErrorOn {
public:
    explicit StandardErrorOn(int fd) : m_saved(::fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 3))
    {
        ::dup2(fd, STDERR_FILENO);
    }
    ~StandardErrorOn()
    {
        ::dup2(m_saved, STDERR_FILENO);
        ::close(m_saved);
    }
    StandardErrorOn(const StandardErrorOn&) = delete;
    StandardErrorOn& operator=(const StandardErrorOn&) = delete;

private:
    int m_saved;
};

} // namespace KX::Test
