// (being written)
#include "cli/commands.h"
namespace kszw::cli {
int runNewYear(const Arguments&) { return 2; }
int runSetInfo(const Arguments&) { return 2; }
}
