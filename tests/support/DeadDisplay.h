#pragma once
// A display number where no X server answers, held by the test as X servers hold theirs: by its lock
// file with the holder's process number, which every X server respects.
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <string>

namespace KX::Test {

class DeadDisplay {
public:
    DeadDisplay()
    {
        for (int number = 190; number < 290 && m_name.empty(); ++number) {
            const std::string lock = "/tmp/.X" + std::to_string(number) + "-lock";
            const int fd = ::open(lock.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0444);
            if (fd < 0)
                continue;
            char pid[16];
            const int length = std::snprintf(pid, sizeof pid, "%10d\n", int(::getpid()));
            const bool written = ::write(fd, pid, size_t(length)) == length;
            ::close(fd);
            if (written && ::access(("/tmp/.X11-unix/X" + std::to_string(number)).c_str(), F_OK) != 0) {
                m_lock = lock;
                m_name = ":" + std::to_string(number);
            } else {
                ::unlink(lock.c_str());
            }
        }
    }
    ~DeadDisplay()
    {
        if (!m_lock.empty())
            ::unlink(m_lock.c_str());
    }
    DeadDisplay(const DeadDisplay&) = delete;
    DeadDisplay& operator=(const DeadDisplay&) = delete;

    // Empty when no number is free.
    const std::string& Name() const { return m_name; }

private:
    std::string m_lock;
    std::string m_name;
};

} // namespace KX::Test
