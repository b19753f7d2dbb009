// The one exception type of the data store: raised for every engine and file error, carrying the
// engine's own text so that the user sees it.
#pragma once

#include <stdexcept>
#include <string>

namespace kszw {

class DatabaseError : public std::runtime_error {
public:
    explicit DatabaseError(const std::string& message, int code = 0)
        : std::runtime_error(message), m_code(code) {}
    // The engine's result code (0 when the error did not come from the engine).
    int code() const { return m_code; }

private:
    int m_code;
};

} // namespace kszw
