// Subject codes: segments of decimal digits joined by "-" (101, 101-01, 101-01-3), at most six
// segments and fourteen characters. The parent of a code is the code without its last segment.
#pragma once

#include <string>
#include <string_view>

namespace kszw {

inline constexpr int kMaxSubjectLevels = 6;
inline constexpr int kMaxSubjectCodeLength = 14;

// The number of segments (the subject's level, CLAS); 0 for the empty code.
int subjectLevel(std::string_view code);
// The code without its last segment; "" for a top-level code.
std::string parentSubjectCode(std::string_view code);
// The last segment of a code.
std::string lastSegment(std::string_view code);
// The code of a child: parent + "-" + segment, or the segment alone at the top level.
std::string childSubjectCode(std::string_view parent, std::string_view segment);
// True when code lies in the subtree below ancestor (not the ancestor itself).
bool isDescendantCode(std::string_view code, std::string_view ancestor);
// True when the text is a well-formed code: one to six segments of digits joined by single "-".
bool isSubjectCode(std::string_view code);

} // namespace kszw
