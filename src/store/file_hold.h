// An advisory hold on a year data file for as long as a connection uses it. Every connection holds
// the file shared, so any number of programs can work on it at once; deleting the file needs the
// only hold, so a file that another program has open — even one that is idle and holds no lock of
// the engine — is never deleted from under it.
#pragma once

#include <optional>
#include <string>

namespace kszw {

class FileHold {
public:
    FileHold() = default;
    ~FileHold();
    FileHold(const FileHold&) = delete;
    FileHold& operator=(const FileHold&) = delete;
    FileHold(FileHold&& other) noexcept;
    FileHold& operator=(FileHold&& other) noexcept;

    // A shared hold; best effort (a file that cannot be held is simply not held).
    static FileHold shared(const std::string& path);
    // The only hold; nothing when another connection, in this program or another, holds the file.
    static std::optional<FileHold> exclusive(const std::string& path);

    bool held() const { return m_fd >= 0; }

private:
    explicit FileHold(int fd) : m_fd(fd) {}
    int m_fd = -1;
};

} // namespace kszw
