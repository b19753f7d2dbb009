// Voucher classes (凭证类别, table CERCLS): every voucher number of a class begins with the class
// code. This file holds the class list the voucher numbers are built from, the list of the class
// dialog, and adding, modifying (re-coding renumbers the class's vouchers) and deleting a class with
// every check and message of the class dialogs.
//
// The rules kept here: a code is one or two of 0-9 and A-Z (blanks removed, lower case made
// capital); all codes of a year have the same length; codes are unique (exact comparison); the
// first class can be set only while the year has no voucher; a class with vouchers keeps the length
// of its code and cannot be deleted. Each writing operation runs its checks and its statements in
// one transaction, so another copy of the program cannot slip a voucher or a class in between.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kszw {

class Database;
struct Prompt;

// CERCLS.CNO is CHAR(2) and CERCLS.NA CHAR(20): limits in GBK bytes.
inline constexpr int kClassCodeBytes = 2;
inline constexpr int kClassNameBytes = 20;
// Input specifications of the class dialog's two fields, and the characters a name refuses.
inline constexpr std::string_view kClassCodeSpec = "STRING 0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
inline constexpr std::string_view kClassNameSpec = "STRING NOT |[]'\"";
inline constexpr std::string_view kClassNameForbiddenCharacters = "|[]'\"";

// Messages of the class dialogs.
inline constexpr std::string_view kClassesClosedForYear = "本年度已有记帐凭证，不能再设置凭证类别!";
inline constexpr std::string_view kEmptyClassCode = "类别字不能为空，请重输!";
inline constexpr std::string_view kEmptyClassName = "类别名称不能为空，请重输!";
inline constexpr std::string_view kDuplicateClassCode = "该类别号已存在，请重输!";
inline constexpr std::string_view kClassHasVouchers = "本年度该类别已有凭证，不能删除!";
inline constexpr std::string_view kInvalidClassCode = "类别字只能由数字和英文字母组成，请重输!";
inline constexpr std::string_view kClassCodeTooLong = "类别字不能超过2个字符，请重输!";
inline constexpr std::string_view kInvalidClassName = "类别名称中输入了无效字符，请重输!";
inline constexpr std::string_view kClassNameTooLong = "类别名称不能超过20个字节（10个汉字），请重输!";
inline constexpr std::string_view kClassMissing = "该凭证类别已不存在，请重新选择!";
inline constexpr std::string_view kClassPrefixTaken = "已有以该类别字开头的凭证号，不能改用此类别字!";

// "类别字应为<length>个字符，请重输!": a code whose length differs from the one required.
std::string classCodeLengthMessage(int length);

// The voucher classes as voucher numbers use them.
struct ClassList {
    std::vector<std::string> codes; // trimmed, in code order
    std::string list;                // every code followed by one blank ("A B ")
    int codeLength = 0;              // bytes of a code; 0 when the year has no classes
};

// Reads the classes: with none, an empty list and the length 0; otherwise the codes, the joined
// list and the code length (list length / class count - 1).
ClassList classList(Database& db);

// One entry of the class list dialog: the stored values travel with the line's text.
struct VoucherClassLine {
    std::string code;
    std::string name;
    std::string text; // "%-2s    %s"
};

// The line of a class in the list dialog: the code left-aligned in two characters, four blanks,
// then the name.
std::string voucherClassLine(std::string_view code, std::string_view name);

// Every class in code order, code and name trimmed.
std::vector<VoucherClassLine> listVoucherClasses(Database& db);

// True when classes can no longer be set this year: there is none and the year has vouchers.
bool classesClosedForYear(Database& db);

// The check made when the class list opens: tells kClassesClosedForYear and gives false when
// classes can no longer be set; true when the list may open.
bool mayOpenClassList(Database& db, Prompt& prompt);

// A typed code as it is stored: blanks removed, lower-case letters made capitals. Any other
// character is kept (the checks refuse it).
std::string normaliseClassCode(std::string_view typed);

// Vouchers (CERDIR rows) whose number begins with the code.
int countClassVouchers(Database& db, std::string_view code);

// The field of the class dialog a refusal concerns; None when nothing in the dialog can mend it
// (the year took a voucher before the first class was saved, or the class is gone).
enum class ClassField { None, Code, Name };

// What 确认 of the class dialog brought: saved (with the code and name as stored), or refused with
// the field to focus. The refusal has been told through the prompt.
struct ClassSaveResult {
    bool saved = false;
    ClassField field = ClassField::None;
    std::string code;
    std::string name;
};

// Adds a class after the checks of 确认 in order: the first class only while the year has no
// voucher, code empty, code characters, code length (that of the other classes), code too long,
// name empty, name characters, name too long, code taken. One transaction.
ClassSaveResult addVoucherClass(Database& db, std::string_view code, std::string_view name, Prompt& prompt);

// Modifies class oldCode after the same checks, the other classes being the ones besides it; a
// class with vouchers (or the only class of a year with vouchers) keeps its code length. A changed
// code renumbers the class's vouchers in CERDIR and P0 (the old code at the start of the number
// replaced, the rest kept), then the class row takes code and name. One transaction.
ClassSaveResult modifyVoucherClass(Database& db, std::string_view oldCode, std::string_view code,
                                   std::string_view name, Prompt& prompt);

// Deletes a class without asking unless it has vouchers (kClassHasVouchers); the count and the
// delete run in one transaction. True when the class is no longer in the file; an empty code
// (nothing selected) does nothing and gives false.
bool deleteVoucherClass(Database& db, std::string_view code, Prompt& prompt);

} // namespace kszw
