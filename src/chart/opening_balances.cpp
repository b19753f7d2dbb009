#include "chart/opening_balances.h"

#include "common/text.h"
#include "formula/format_number.h"
#include "store/database.h"
#include "store/ks_dbset.h"
#include "store/transaction.h"

#include <cmath>

namespace kszw {

namespace {

constexpr double kZero = 0.00001;

constexpr std::string_view kCountTopLevel = "SELECT count(*) FROM SUBT WHERE CLAS=1";
constexpr std::string_view kSubtreeBalance =
    "SELECT count(*),sum(F*MY) FROM P0 WHERE (trim(KNO)=?1 OR trim(KNO) LIKE ?1 || '-%') "
    "AND strcomp(CER,'    ',0)=0";
constexpr std::string_view kOpeningRow =
    "SELECT F,MY,NU FROM P0 WHERE trim(KNO)=?1 AND strcomp(CER,'    ',0)=0";
constexpr std::string_view kDeleteOpeningRow = "DELETE FROM P0 WHERE trim(KNO)=?1 AND strcomp(CER,'    ',0)=0";
constexpr std::string_view kYearStart = "SELECT trim(T1) FROM SYSTAB";
constexpr std::string_view kInsertOpeningRow =
    "INSERT INTO P0(T,CER,RN,MRY,KNO,F,MY,NU,MK,TT) VALUES(?1,'    ',0,'期初余额',?2,?3,?4,?5,'4','01')";

} // namespace

std::string OpeningBalanceLine::directionWord() const
{
    if (balance > kZero)
        return "借";
    if (balance < -kZero)
        return "贷";
    return "平";
}

std::string OpeningBalanceLine::amountText() const
{
    return FixedText(std::fabs(balance) <= kZero ? 0.0 : std::fabs(balance), 2);
}

double OpeningBalanceLevel::difference() const
{
    const double difference = debitTotal - creditTotal;
    return std::fabs(difference) <= kZero ? 0.0 : difference;
}

bool hasSubjects(Database& db)
{
    return db.queryLong(kCountTopLevel) > 0;
}

OpeningBalanceLevel openingBalanceLevel(Database& db, std::string_view parent)
{
    OpeningBalanceLevel level;
    for (const SubjectLine& subject : listSubjectLevel(db, parent)) {
        OpeningBalanceLine line;
        line.code = subject.code;
        line.name = subject.name;
        KS_Dbset sum(db);
        sum.open(kSubtreeBalance, {subject.code});
        line.balance = sum.doubleAt(1);
        line.hasChildren = descendantCount(db, subject.code) > 0;
        if (line.balance > kZero)
            level.debitTotal += line.balance;
        else if (line.balance < -kZero)
            level.creditTotal += -line.balance;
        level.lines.push_back(std::move(line));
    }
    return level;
}

std::optional<OpeningBalance> openingBalance(Database& db, std::string_view code)
{
    KS_Dbset row(db);
    row.open(kOpeningRow, {std::string(code)});
    if (row.isEOF())
        return std::nullopt;
    OpeningBalance balance;
    balance.direction = row.longAt(0) < 0 ? -1 : 1;
    balance.amount = row.doubleAt(1);
    balance.quantity = row.doubleAt(2);
    return balance;
}

std::optional<std::string> setOpeningBalance(Database& db, std::string_view code, const OpeningBalance& balance)
{
    const std::string subject(code);
    if (!std::isfinite(balance.amount) || !std::isfinite(balance.quantity) || balance.amount < 0
        || balance.quantity < 0)
        return std::string("期初余额不能为负数，请用借贷方向表示余额的方向!");
    // The subject is checked under the write lock: another copy cannot give it a child meanwhile.
    Transaction transaction(db);
    std::optional<SubjectAttributes> attributes = subjectAttributes(db, subject);
    if (!attributes)
        return "科目“" + subject + "”不存在!";
    if (descendantCount(db, subject) > 0)
        return "科目“" + subject + "”有子科目，期初余额只能录入其明细科目!";
    // Amounts are stored with two decimals, quantities with four; a subject without quantity or
    // foreign currency has no quantity.
    const double amount = ReadNumber(FixedText(balance.amount, 2));
    const double quantity = attributes->kind == "0" ? 0.0 : ReadNumber(FixedText(balance.quantity, 4));
    db.execute(kDeleteOpeningRow, {subject});
    if (std::fabs(amount) > kZero || std::fabs(quantity) > kZero) {
        const std::string yearStart = db.queryText(kYearStart).value_or("");
        db.execute(kInsertOpeningRow, {yearStart, subject, static_cast<std::int64_t>(balance.direction < 0 ? -1 : 1),
                                       amount, quantity});
    }
    transaction.commit();
    return std::nullopt;
}

std::optional<std::string> priceText(double quantity, double amount)
{
    if (std::fabs(quantity) <= kZero)
        return std::nullopt;
    return FixedText(amount / quantity, 4);
}

std::string amountText(double quantity, double price)
{
    return FixedText(quantity * price, 2);
}

} // namespace kszw
