// The conversions and the ordinal case rule: UTF-8 read and written again is
// well-formed and reads the same; the comparison is an order (antisymmetric,
// equal for case-only differences) and its ASCII shortcut agrees with the
// wide comparison.
#include "platform/text.h"

#include "fuzz_support.h"

using namespace velmora;

namespace {

bool WellFormed(const std::string& s) { return Narrow(Widen(s)) == s; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view in = velmora::fuzz::Text(data, size);
  const std::wstring w = Widen(in);
  for (wchar_t c : w) FUZZ_CHECK(static_cast<unsigned long>(c) <= 0xFFFF);
  const std::string back = Narrow(w);
  FUZZ_CHECK(WellFormed(back));
  FUZZ_CHECK(Widen(back) == w);  // what reading gives has no lone surrogate to lose
  // The input as UTF-16 code units, lone surrogates and all.
  std::wstring units;
  for (std::size_t i = 0; i + 1 < size; i += 2) units += wchar_t(data[i] | data[i + 1] << 8);
  FUZZ_CHECK(WellFormed(Narrow(units)));
  FUZZ_CHECK(UpperCaseW(UpperCaseW(units)) == UpperCaseW(units));
  const auto files = velmora::fuzz::SplitFiles(in);
  const std::string& a = files.first;
  const std::string& b = files.second;
  const int ab = CompareNoCase(a, b), ba = CompareNoCase(b, a);
  FUZZ_CHECK(ab == -ba && ab >= -1 && ab <= 1);
  const int wide = CompareNoCaseW(Widen(a), Widen(b));
  FUZZ_CHECK(ab == (wide < 0 ? -1 : wide > 0 ? 1 : 0));
  FUZZ_CHECK(CompareNoCase(a, a) == 0);
  FUZZ_CHECK(EqualNoCase(Narrow(Widen(a)), UpperCase(a)));
  return 0;
}
