// (being written)
#include "cli/commands.h"
namespace kszw::cli {
int runOperator(const Arguments&) { return 2; }
}
