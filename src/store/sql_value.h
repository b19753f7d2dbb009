// Values bound to the parameters ?1, ?2 … of a statement. No value is ever formatted into SQL text.
#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace kszw {

struct SqlNull {
    friend bool operator==(SqlNull, SqlNull) { return true; }
};

using SqlValue = std::variant<SqlNull, std::int64_t, double, std::string>;
using SqlParams = std::vector<SqlValue>;

} // namespace kszw
