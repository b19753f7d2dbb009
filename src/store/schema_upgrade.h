// Bringing the tables of an older year data file into the shape this program writes. Runs once,
// when a file is logged into; everything else may then rely on the tables being there.
//
// - SYSCSTAB is created when the file lacks it.
// - The print-settings tables FIELDWIDTH, KSPAGESET and KSFONT are created when missing; files that
//   keep sFieldMode of KSPAGESET and KSFONT as a number get it as text, every row taken over with
//   the mode "0".
#pragma once

namespace kszw {

class Database;

// True when upgradeYearFile would change something.
bool yearFileNeedsUpgrade(Database& db);

// Upgrades the file in one transaction; a file already in shape is not written at all.
void upgradeYearFile(Database& db);

} // namespace kszw
