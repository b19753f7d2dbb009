#include "store/file_hold.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <utility>

namespace kszw {

FileHold::~FileHold()
{
    if (m_fd >= 0)
        ::close(m_fd); // closing drops the hold
}

FileHold::FileHold(FileHold&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}

FileHold& FileHold::operator=(FileHold&& other) noexcept
{
    if (this != &other) {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = std::exchange(other.m_fd, -1);
    }
    return *this;
}

FileHold FileHold::shared(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return FileHold();
    if (::flock(fd, LOCK_SH | LOCK_NB) != 0) {
        ::close(fd);
        return FileHold();
    }
    return FileHold(fd);
}

std::optional<FileHold> FileHold::exclusive(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return FileHold(); // nothing to hold: the caller finds out what is wrong with the file
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return std::nullopt;
    }
    return FileHold(fd);
}

} // namespace kszw
