// Saving, changing and deleting a voucher. A save is one transaction from its first check to its
// last insert: the write lock is taken before the checks (BEGIN IMMEDIATE), so two copies of the
// program cannot both store the same number, and an engine error leaves the voucher as it was.
#include "chart/subjects.h"
#include "common/prompt.h"
#include "common/text.h"
#include "formula/format_number.h"
#include "session/kszw_env.h"
#include "store/accounting_calendar.h"
#include "store/database.h"
#include "store/transaction.h"
#include "voucher/voucher.h"

#include <cmath>

namespace kszw {

namespace {

constexpr std::string_view kInsertHeader =
    "INSERT INTO CERDIR(T,CER,OPP,PN,LY,MK,TT) VALUES(?1,?2,?3,?4,?5,'0',?6)";
constexpr std::string_view kDeleteHeader = "DELETE FROM CERDIR WHERE T=?1 AND strcomp(CER,?2,0)=0";
constexpr std::string_view kDeleteLines = "DELETE FROM P0 WHERE T=?1 AND strcomp(CER,?2,0)=0";
constexpr std::string_view kInsertLine =
    "INSERT INTO P0(T,CER,RN,MRY,KNO,F,MY,NU,MK,TT) VALUES(?1,?2,?3,?4,?5,?6,?7,?8,?9,?10)";
constexpr std::string_view kStatusHeader = "UPDATE CERDIR SET MK=?1 WHERE T=?2 AND strcomp(CER,?3,0)=0";
constexpr std::string_view kStatusLines = "UPDATE P0 SET MK=?1 WHERE T=?2 AND strcomp(CER,?3,0)=0";
constexpr std::string_view kClosedMonths = "SELECT MM FROM SYSTAB";

constexpr double kPresent = 0.00001;

// An amount of a cell as it is stored: two decimals, half away from zero.
double storedAmount(std::string_view text)
{
    return ReadNumber(FixedText(ReadNumber(text), 2));
}

} // namespace

int CVoucher::StoreLines(int status)
{
    const std::string month = monthCode(monthOf(T));
    std::int64_t rn = 1;
    int inserted = 0;
    for (VoucherLine& line : lines) {
        const double debit = storedAmount(line[VoucherLine::Debit]);
        const double credit = storedAmount(line[VoucherLine::Credit]);
        int direction = 0;
        double amount = 0;
        if (std::fabs(debit) > kPresent) {
            direction = 1;
            amount = debit;
        } else if (std::fabs(credit) > kPresent) {
            direction = -1;
            amount = credit;
        } else {
            // A blank line: nothing to store.
            line[VoucherLine::Summary].clear();
            line[VoucherLine::Subject].clear();
            line[VoucherLine::Quantity].clear();
            continue;
        }
        const std::string subject = trim(line[VoucherLine::Subject]);
        if (!subjectUsableBy(db(), subject, LY)) {
            // A subject that does not exist, has children or is reserved for another source.
            for (int cell : {VoucherLine::Summary, VoucherLine::Subject, VoucherLine::Debit, VoucherLine::Credit,
                             VoucherLine::Quantity})
                line[cell].clear();
            continue;
        }
        const double quantity = ReadNumber(line[VoucherLine::Quantity]);
        db().execute(kInsertLine, {T, CER, rn, trim(line[VoucherLine::Summary]), subject,
                                   static_cast<std::int64_t>(direction), amount, quantity, std::to_string(status),
                                   month});
        ++rn;
        ++inserted;
    }
    return inserted;
}

void CVoucher::SetStatus(int status)
{
    Transaction transaction(db());
    db().execute(kStatusHeader, {std::to_string(status), T, CER});
    db().execute(kStatusLines, {std::to_string(status), T, CER});
    transaction.commit();
}

int CVoucher::Store(bool isNewVoucher, std::string_view previousDate, std::string_view previousNumber, int attachments)
{
    Transaction transaction(db());
    requireTransaction(db(), "CVoucher::Store");
    std::string source = "0";
    if (!isNewVoucher) {
        const std::string newDate = T;
        const std::string newNumber = CER;
        T = std::string(previousDate);
        CER = std::string(previousNumber);
        const int found = LoadHeader();
        const std::string status = MK;
        const std::string oldSource = LY;
        T = newDate;
        CER = newNumber;
        if (!found)
            return voucher_result::kChangedMeanwhile;
        if (status > "2")
            return voucher_result::kReviewed;
        source = oldSource.empty() ? "0" : oldSource;
    }
    // The month may have been closed while the save question was open.
    if (monthOf(T) <= db().queryLong(kClosedMonths))
        return voucher_result::kMonthClosed;
    const int same = CountSameNumber(T, CER);
    if (isNewVoucher) {
        if (same > 0)
            return voucher_result::kDuplicate;
    } else {
        const bool moved = CER != previousNumber || monthOf(T) != monthOf(previousDate);
        if ((moved && same > 0) || same > 1)
            return voucher_result::kDuplicate;
        db().execute(kDeleteHeader, {std::string(previousDate), std::string(previousNumber)});
        db().execute(kDeleteLines, {std::string(previousDate), std::string(previousNumber)});
    }
    db().execute(kInsertHeader, {T, CER, env().operatorCode(), static_cast<std::int64_t>(attachments), source,
                                 monthCode(monthOf(T))});
    LY = source;
    if (StoreLines(0) == 0) {
        db().execute(kDeleteHeader, {T, CER});
        transaction.commit();
        return voucher_result::kNoLinesStored;
    }
    const VoucherTotals totals = ComputeTotals();
    bool summariesComplete = true;
    for (const VoucherLine& line : lines)
        if (!trim(line[VoucherLine::Subject]).empty() && trim(line[VoucherLine::Summary]).empty())
            summariesComplete = false;
    if (std::fabs(totals.difference) < kPresent && summariesComplete)
        SetStatus(2);
    transaction.commit();
    return voucher_result::kOk;
}

int CVoucher::SaveWithConfirm(Prompt& prompt)
{
    if (isNew) {
        bool anySubject = false;
        for (const VoucherLine& line : lines)
            anySubject = anySubject || !trim(line[VoucherLine::Subject]).empty();
        if (!anySubject)
            return voucher_result::kNotSaved;
    }
    int classLength = 0;
    const int checked = CheckHead(classLength, isNew, true, 0, prompt);
    if (checked != voucher_result::kOk)
        return checked;
    PN = static_cast<int>(ReadNumber(head[kHeadAttachments]));

    // A line with an amount on a subject that cannot take it would be left out by the store:
    // that is said first, and the operator may go back to it.
    ErrorLine = -1;
    const std::string source = LY.empty() ? std::string("0") : LY;
    for (size_t i = 0; i < lines.size(); ++i) {
        const VoucherLine& line = lines[i];
        if (std::fabs(storedAmount(line[VoucherLine::Debit])) <= kPresent
            && std::fabs(storedAmount(line[VoucherLine::Credit])) <= kPresent)
            continue;
        const std::string subject = trim(line[VoucherLine::Subject]);
        if (subjectUsableBy(db(), subject, source))
            continue;
        const int number = static_cast<int>(i) + 1;
        const std::string fault = subject.empty() ? format("第%d行没有会计科目，", number)
                                                  : format("第%d行的科目“%s”不存在、有子科目或不能在本软件中记帐，",
                                                           number, subject.c_str());
        if (prompt.ask(fault + "该行不能存盘。\n需要返回修改吗？", Buttons::YesNo, Answer::Yes, Icon::Question,
                       kMessageCaption)
            == Answer::Yes) {
            ErrorLine = static_cast<int>(i);
            return voucher_result::kBackToLine;
        }
        break; // No: such lines are left out, as the store does, without asking again
    }

    std::string question;
    if (isNew)
        question = "新增凭证：" + longDate(T) + "  第" + CER + "号";
    else if (T == oldDate && CER == oldNumber)
        question = "修改凭证：" + longDate(T) + "  第" + CER + "号";
    else
        question = "修改凭证：" + longDate(oldDate) + "  第" + oldNumber + "号\n" + "  ======>>" + longDate(T) + "  第"
                   + CER + "号";
    question += "\n\n请作选择：\n\n① 存盘请选择“是”；\n";
    question += "② 不存盘请选择“否”；\n③ 返回继续制作请选择“取消”。";
    ErrorField = -1;
    const Answer answer = prompt.ask(question, Buttons::YesNoCancel, Answer::Yes, Icon::Question, kMessageCaption);
    if (answer == Answer::No)
        return voucher_result::kNotSaved;
    if (answer == Answer::Cancel)
        return voucher_result::kBackToEditing;

    switch (Store(isNew, oldDate, oldNumber, PN)) {
    case voucher_result::kOk:
        oldDate = T;
        oldNumber = CER;
        isNew = false;
        return voucher_result::kOk;
    case voucher_result::kNoLinesStored:
        isNew = true;
        return voucher_result::kNothingToKeep;
    case voucher_result::kReviewed:
        prompt.tell(std::string("原凭证已被复核，") + "\n本次操作无效，请按回键返回！", Icon::Exclamation, kMessageCaption);
        return voucher_result::kNotSaved;
    case voucher_result::kChangedMeanwhile:
        prompt.tell(std::string("原凭证已被改号或改时间，") + "\n本次操作无效，请按回键返回！", Icon::Exclamation,
                    kMessageCaption);
        return voucher_result::kNotSaved;
    case voucher_result::kMonthClosed:
        // The month was closed while the question was open: the voucher stays for another date.
        if (prompt.ask("不能在已月结月份内增加凭证！\n需要返回修改吗？", Buttons::YesNo, Answer::Yes, Icon::Question,
                       kMessageCaption)
            == Answer::Yes) {
            ErrorField = 1;
            return voucher_result::kBackToField;
        }
        return voucher_result::kNotSaved;
    case voucher_result::kDuplicate:
    default:
        if (prompt.ask("凭证重号，\n需要返回修改吗？", Buttons::YesNo, Answer::Yes, Icon::Question, kMessageCaption)
            == Answer::Yes) {
            ErrorField = 3;
            return voucher_result::kBackToField;
        }
        return voucher_result::kNotSaved;
    }
}

void CVoucher::DeleteVoucher(std::string_view source, Prompt& prompt)
{
    if (!LoadHeader())
        return;
    if (MK > "2") {
        prompt.warn("该凭证已被复核，不能删除！");
        return;
    }
    // A voucher without a source code was made here, as the save takes it.
    if ((LY.empty() ? std::string("0") : LY) != source) {
        prompt.warn("不能删除其他软件生成的凭证！");
        return;
    }
    if (prompt.ask("真的要删除该凭证吗？", Buttons::YesNo, Answer::No, Icon::Question, kMessageCaption) != Answer::Yes)
        return;
    // The answer took time: the voucher is read again under the write lock and deleted only while
    // it is still there and unreviewed.
    Transaction transaction(db());
    if (!LoadHeader())
        return;
    if (MK > "2") {
        prompt.warn("该凭证已被复核，不能删除！");
        return;
    }
    db().execute(kDeleteLines, {T, CER});
    db().execute(kDeleteHeader, {T, CER});
    transaction.commit();
}

} // namespace kszw
