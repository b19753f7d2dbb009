// The one exception type of the data store: raised for every engine and file error. It carries the
// engine's own text, the engine's result code or the system's error number, and the file concerned,
// so that one place (store/error_messages.h) can tell the user what is wrong with which file.
#pragma once

#include <stdexcept>
#include <string>

namespace kszw {

class DatabaseError : public std::runtime_error {
public:
    explicit DatabaseError(const std::string& message, int code = 0, std::string path = {}, int systemError = 0)
        : std::runtime_error(message), m_code(code), m_systemError(systemError), m_path(std::move(path))
    {
    }
    // The engine's primary result code (SQLITE_BUSY …); 0 when the error did not come from the engine.
    int code() const { return m_code; }
    // The system's error number (errno) of a failed file operation; 0 otherwise.
    int systemError() const { return m_systemError; }
    // The file the error concerns; empty when not known.
    const std::string& path() const { return m_path; }

private:
    int m_code;
    int m_systemError;
    std::string m_path;
};

} // namespace kszw
