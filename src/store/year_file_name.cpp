#include "store/year_file_name.h"

#include "common/text.h"

namespace kszw {

std::string yearFileName(int year)
{
    return format("%4d", year) + std::string(kYearFileSuffix);
}

} // namespace kszw
