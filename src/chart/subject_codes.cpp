#include "chart/subject_codes.h"

namespace kszw {

int subjectLevel(std::string_view code)
{
    if (code.empty())
        return 0;
    int level = 1;
    for (char c : code)
        if (c == '-')
            ++level;
    return level;
}

std::string parentSubjectCode(std::string_view code)
{
    const size_t dash = code.rfind('-');
    return dash == std::string_view::npos ? std::string() : std::string(code.substr(0, dash));
}

std::string lastSegment(std::string_view code)
{
    const size_t dash = code.rfind('-');
    return std::string(dash == std::string_view::npos ? code : code.substr(dash + 1));
}

std::string childSubjectCode(std::string_view parent, std::string_view segment)
{
    return parent.empty() ? std::string(segment) : std::string(parent) + "-" + std::string(segment);
}

bool isDescendantCode(std::string_view code, std::string_view ancestor)
{
    return !ancestor.empty() && code.size() > ancestor.size() + 1 && code.substr(0, ancestor.size()) == ancestor
           && code[ancestor.size()] == '-';
}

bool isSubjectCode(std::string_view code)
{
    if (code.empty() || code.size() > static_cast<size_t>(kMaxSubjectCodeLength))
        return false;
    bool segmentHasDigit = false;
    for (char c : code) {
        if (c == '-') {
            if (!segmentHasDigit)
                return false;
            segmentHasDigit = false;
        } else if (c >= '0' && c <= '9') {
            segmentHasDigit = true;
        } else {
            return false;
        }
    }
    return segmentHasDigit && subjectLevel(code) <= kMaxSubjectLevels;
}

} // namespace kszw
