// The number and date-time texts (with the native build's fixed locale:
// "dd/MM/yyyy", "h:mm:ss tt"): any text either reads as a date-time of a real
// calendar day or not at all; numbers group by threes and keep their digits.
#include "platform/format.h"

#include <cmath>
#include <cstring>

#include "fuzz_support.h"
#include "platform/calendar.h"

using namespace velmora;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(velmora::fuzz::Text(data, size));
  if (const auto v = ParseDateTime(text)) {
    FUZZ_CHECK(std::isfinite(*v));
    const CivilDateTime c = DecodeDateTime(*v);
    FUZZ_CHECK(c.day >= 1 && c.day <= DaysInMonth(c.year, c.month));
  }
  if (size >= 8) {
    std::int64_t n;
    std::memcpy(&n, data, 8);
    const std::string t = FormatThousands(n);
    std::string digits;
    for (char c : t)
      if (c >= '0' && c <= '9') digits += c;
    const std::uint64_t magnitude = n < 0 ? 0 - std::uint64_t(n) : std::uint64_t(n);
    FUZZ_CHECK(digits == std::to_string(magnitude));
    double d;
    std::memcpy(&d, data, 8);
    const std::string f = FormatFixed2(d);
    FUZZ_CHECK(!f.empty());
    (void)FormatMegabytes(n);
  }
  return 0;
}
