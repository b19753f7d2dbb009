// What the chart's dialogs share: the fixed-pitch font of their level lists (codes and names in
// columns), the fixed-width lines themselves, and showing an engine error through the prompt.
#pragma once

#include <QFont>
#include <QString>

#include <string_view>

class QListWidget;

namespace kszw {

class Database;
class DatabaseError;
struct Prompt;

// The item data that holds a list line's subject code.
inline constexpr int kSubjectCodeRole = Qt::UserRole;

// A font whose Chinese characters are exactly two Latin characters wide, so that fixed-width lines
// keep their names in one column.
QFont chartFixedFont(const QFont& base);

// A level list's line: the code left-aligned in width characters, then the name ("%-17s%s").
QString subjectLine(std::string_view code, std::string_view name, int width);

// The code of the list's current line; empty when none.
QString currentSubjectCode(const QListWidget& list);

// Selects the line of the code in the list, or the line at row (clamped) when the code is not there.
void selectSubjectLine(QListWidget& list, const QString& code, int row = 0);

// Tells the user what went wrong with the year file.
void warnDatabaseError(Prompt& prompt, const DatabaseError& error, Database& db);

// A list wide enough for lines of that many fixed-pitch characters, and at least that many rows high.
void sizeLevelList(QListWidget& list, int characters, int rows);

} // namespace kszw
