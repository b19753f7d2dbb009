// The one place where engine and file errors become messages for the user: what is wrong, with
// which file, in the program's language, followed by the engine's (or the system's) own text on a
// line of its own. The GUI's single catch and kszw-cli both show errors through here.
#pragma once

#include <string>
#include <string_view>

namespace kszw {

class DatabaseError;

// What went wrong, as far as the user needs to know.
enum class StoreFailure {
    Busy,          // another program holds the file's lock longer than the busy timeout
    ReadOnly,      // the file (or its folder) may not be written
    Full,          // the disk is full, or the file may not grow
    NotADatabase,  // the file is not a database at all
    Corrupt,       // the file is a damaged database
    MissingTable,  // the database lacks a table or field of a year data file
    CannotOpen,    // the file or its folder is missing or cannot be opened
    Exists,        // a file to be created already exists
    PathTooLong,   // the path is longer than the engine takes
    InputOutput,   // the system failed to read or write the file
    Other,
};

StoreFailure classifyFailure(const DatabaseError& error);

// The error of a file that another connection (this program's or another's) holds.
DatabaseError fileInUseError(const std::string& path);

// The message for an error: the Chinese sentence naming the file (the error's own file, or file
// when the error does not know it), then "\r" and the engine's text.
std::string userMessage(const DatabaseError& error, std::string_view file = {});

} // namespace kszw
