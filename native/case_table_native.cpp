// A native build has no system table: the fixed one (which a Wine test
// compares with the system's).
#include "platform/case_table.h"

namespace velmora {

const wchar_t* UpperCaseTable() {
  static const std::vector<wchar_t> table = FixedUpperCaseTable();
  return table.data();
}

}  // namespace velmora
