#include "store/schema_upgrade.h"

#include "common/text.h"
#include "store/database.h"
#include "store/schema.h"
#include "store/transaction.h"

#include <optional>
#include <string>
#include <vector>

namespace kszw {

namespace {

bool isTextType(const std::optional<std::string>& type)
{
    if (!type)
        return false;
    const std::string upper = toUpperAscii(*type);
    return upper.find("CHAR") != std::string::npos || upper.find("TEXT") != std::string::npos;
}

// Rebuilds a settings table whose mode field is a number: the new table has the text field and
// every row taken over gets the mode "0".
void rebuildWithTextMode(Database& db, std::string_view table, std::string_view createStatement)
{
    const std::vector<std::string> columns = db.columnNames(table);
    const std::string old = std::string(table) + "_OLD";
    db.execute("ALTER TABLE " + std::string(table) + " RENAME TO " + old);
    db.execute(createStatement);
    std::string targetList;
    std::string sourceList;
    for (const std::string& column : columns) {
        const std::string quoted = "\"" + column + "\"";
        targetList += (targetList.empty() ? "" : ",") + quoted;
        sourceList += (sourceList.empty() ? "" : ",") + (equalsIgnoreCase(column, "sFieldMode") ? "'0'" : quoted);
    }
    db.execute("INSERT INTO " + std::string(table) + "(" + targetList + ") SELECT " + sourceList + " FROM " + old);
    db.execute("DROP TABLE " + old);
}

// Creates FIELDWIDTH, KSPAGESET or KSFONT when missing, and rebuilds KSPAGESET and KSFONT of files
// that keep the mode as a number: the field becomes text and every row taken over gets the mode "0".
void upgradePrintSettingsTables(Database& db)
{
    const bool fieldWidthMissing = !db.tableExists("FIELDWIDTH");
    const bool pageSetMissing = !db.tableExists("KSPAGESET");
    const bool fontMissing = !db.tableExists("KSFONT");
    const bool numericMode = !pageSetMissing && !isTextType(db.columnType("KSPAGESET", "sFieldMode"));
    const bool numericFontMode = !fontMissing && !isTextType(db.columnType("KSFONT", "sFieldMode"));
    if (!fieldWidthMissing && !pageSetMissing && !fontMissing && !numericMode && !numericFontMode)
        return;

    if (fieldWidthMissing)
        db.execute(kCreateFieldWidth);
    if (pageSetMissing)
        db.execute(kCreatePageSet);
    if (fontMissing)
        db.execute(kCreateFont);
    // Each table is rebuilt only when its own mode is a number: the modes of a text table stay.
    if (numericMode)
        rebuildWithTextMode(db, "KSPAGESET", kCreatePageSet);
    if (numericFontMode)
        rebuildWithTextMode(db, "KSFONT", kCreateFont);
}

bool ledgerIndexExists(Database& db)
{
    return db.indexExists(kLedgerIndexName);
}

} // namespace

bool yearFileNeedsUpgrade(Database& db)
{
    if (!db.tableExists("SYSCSTAB") || !db.tableExists("FIELDWIDTH") || !db.tableExists("KSPAGESET")
        || !db.tableExists("KSFONT") || !ledgerIndexExists(db))
        return true;
    return !isTextType(db.columnType("KSPAGESET", "sFieldMode")) || !isTextType(db.columnType("KSFONT", "sFieldMode"));
}

void upgradeYearFile(Database& db)
{
    if (!yearFileNeedsUpgrade(db))
        return;
    Transaction transaction(db);
    if (!db.tableExists("SYSCSTAB"))
        db.execute(kCreateSyscstab);
    upgradePrintSettingsTables(db);
    // A file made by another program, or before the ledgers' index, gets it once.
    if (db.tableExists("P0") && !ledgerIndexExists(db))
        db.execute(kCreateLedgerIndex);
    transaction.commit();
}

} // namespace kszw
