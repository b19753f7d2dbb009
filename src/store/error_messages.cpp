#include "store/error_messages.h"

#include "store/database_error.h"

#include <sqlite3.h>

#include <cerrno>

namespace kszw {

StoreFailure classifyFailure(const DatabaseError& error)
{
    switch (error.systemError()) {
    case EEXIST: return StoreFailure::Exists;
    case ENAMETOOLONG: return StoreFailure::PathTooLong;
    case ENOSPC:
    case EFBIG:
    case EDQUOT: return StoreFailure::Full;
    case EACCES:
    case EPERM:
    case EROFS: return StoreFailure::ReadOnly;
    default: break;
    }
    switch (error.code()) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED: return StoreFailure::Busy;
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_AUTH: return StoreFailure::ReadOnly;
    case SQLITE_FULL: return StoreFailure::Full;
    case SQLITE_NOTADB: return StoreFailure::NotADatabase;
    case SQLITE_CORRUPT: return StoreFailure::Corrupt;
    case SQLITE_CANTOPEN: return StoreFailure::CannotOpen;
    case SQLITE_IOERR: return StoreFailure::InputOutput;
    case SQLITE_ERROR: {
        const std::string_view text = error.what();
        if (text.starts_with("no such table") || text.starts_with("no such column")
            || text.find("has no column named") != std::string_view::npos)
            return StoreFailure::MissingTable;
        return StoreFailure::Other;
    }
    default: return StoreFailure::Other;
    }
}

DatabaseError fileInUseError(const std::string& path)
{
    // Not the engine's: the program itself found the file open elsewhere, and says so in Chinese.
    return DatabaseError("此文件正由另一个程序（或本程序的另一个副本）打开着，请先在那里退出。", SQLITE_BUSY, path);
}

std::string userMessage(const DatabaseError& error, std::string_view file)
{
    const std::string path = error.path().empty() ? std::string(file) : error.path();
    // The file named in the sentence; "此文件" stands first in a sentence when it is not known.
    const std::string name = path.empty() ? std::string() : "“" + path + "”";
    const std::string subject = path.empty() ? std::string("此文件") : name;
    std::string sentence;
    switch (classifyFailure(error)) {
    case StoreFailure::Busy:
        sentence = "帐务数据文件" + name + "正被其他程序使用，请稍后再试！";
        break;
    case StoreFailure::ReadOnly:
        sentence = "帐务数据文件" + name + "不能写入：本用户没有写入此文件或其文件夹的权限！";
        break;
    case StoreFailure::Full:
        sentence = "磁盘已满，帐务数据文件" + name + "不能写入！";
        break;
    case StoreFailure::NotADatabase:
        sentence = subject + "不是岚屿穗帐务数据文件！";
        break;
    case StoreFailure::Corrupt:
        sentence = "帐务数据文件" + name + "已损坏！";
        break;
    case StoreFailure::MissingTable:
        sentence = subject + "缺少帐务数据表，不是完整的岚屿穗帐务数据文件！";
        break;
    case StoreFailure::CannotOpen:
        sentence = path.empty() ? std::string("无法打开此文件！") : "无法打开此文件！\r" + name;
        break;
    case StoreFailure::Exists:
        sentence = subject + "已存在，不能再建立！";
        break;
    case StoreFailure::PathTooLong:
        sentence = "路径" + name + "太长，不能使用！";
        break;
    case StoreFailure::InputOutput:
        sentence = "读写帐务数据文件" + name + "时出错！";
        break;
    case StoreFailure::Other:
        sentence = "帐务数据文件" + name + "操作出错！";
        break;
    }
    return sentence + "\r" + error.what();
}

} // namespace kszw
