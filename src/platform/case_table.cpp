#include "platform/case_table.h"

namespace velmora {

namespace {

// first code unit, how many, the step between them, and what each gains.
struct CaseRun {
  std::uint16_t first, count, step;
  std::int32_t delta;
};

constexpr CaseRun kRuns[] = {
#include "platform/case_table_data.inc"
};

}  // namespace

std::vector<wchar_t> FixedUpperCaseTable() {
  std::vector<wchar_t> table(0x10000);
  for (std::size_t i = 0; i < table.size(); ++i) table[i] = wchar_t(i);
  for (const CaseRun& r : kRuns)
    for (std::uint32_t k = 0; k < r.count; ++k) {
      const std::uint32_t unit = r.first + k * r.step;
      table[unit] = wchar_t(std::int32_t(unit) + r.delta);
    }
  return table;
}

}  // namespace velmora
