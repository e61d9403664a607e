// The mask matcher against a plain backtracking reading of its documented
// rules (scan/wildcard.h). Input: the mask, a line break, the name (UTF-8).
// Long masks take the matcher's other walk (64 tokens and more), so both
// walks are held to the same rules.
#include "scan/wildcard.h"

#include <vector>

#include "fuzz_support.h"
#include "platform/case_table.h"
#include "platform/text.h"

using namespace velmora;
using namespace velmora::scan;

namespace {

enum class Op { Literal, Star, DosStar, DosQm, DosDot };
struct Token {
  Op op;
  wchar_t ch;
};

bool Reference(const std::wstring& mask, const std::wstring& rawName) {
  if (mask.empty() || rawName.empty()) return false;
  if (mask == L"*.*") return true;
  std::vector<Token> tokens;
  for (std::size_t i = 0; i < mask.size(); ++i) {
    const wchar_t c = mask[i], next = i + 1 < mask.size() ? mask[i + 1] : 0;
    if (c == L'?') tokens.push_back({Op::DosQm, 0});
    else if (c == L'*') tokens.push_back({next == L'.' ? Op::DosStar : Op::Star, 0});
    else if (c == L'.' && (next == L'*' || next == L'?')) tokens.push_back({Op::DosDot, 0});
    else if (c == L'.' && i + 1 == mask.size()) continue;
    else tokens.push_back({Op::Literal, FoldUnit(c)});
  }
  bool allStars = !tokens.empty();
  for (const Token& t : tokens) allStars = allStars && t.op == Op::Star;
  if (allStars) return true;
  std::wstring name;
  for (wchar_t c : rawName) name += FoldUnit(c);
  const std::size_t len = name.size(), lastDot = name.rfind(L'.');
  // memo: 0 unknown, 1 no, 2 yes
  std::vector<unsigned char> memo((tokens.size() + 1) * (len + 1), 0);
  auto match = [&](auto&& self, std::size_t i, std::size_t k) -> bool {
    unsigned char& m = memo[i * (len + 1) + k];
    if (m) return m == 2;
    bool r;
    if (i == tokens.size()) {
      r = k == len;
    } else {
      const Token& t = tokens[i];
      const bool end = k == len;
      switch (t.op) {
        case Op::Literal:
          r = !end && name[k] == t.ch && self(self, i + 1, k + 1);
          break;
        case Op::Star:
          r = self(self, i + 1, k) || (!end && self(self, i, k + 1));
          break;
        case Op::DosStar:  // never past the last dot
          r = self(self, i + 1, k) || (!end && !(name[k] == L'.' && k == lastDot) && self(self, i, k + 1));
          break;
        case Op::DosQm:  // one character, or nothing at a dot or the end
          r = (end || name[k] == L'.') ? self(self, i + 1, k) : self(self, i + 1, k + 1);
          break;
        case Op::DosDot:  // a dot, or nothing at the end
          r = end ? self(self, i + 1, k) : name[k] == L'.' && self(self, i + 1, k + 1);
          break;
      }
    }
    m = r ? 2 : 1;
    return r;
  };
  return match(match, 0, 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 4096) return 0;  // the reference walk is quadratic
  const std::string_view in = velmora::fuzz::Text(data, size);
  const std::size_t cut = in.find('\n');
  std::string mask(in.substr(0, cut)), name(cut == std::string_view::npos ? "" : in.substr(cut + 1));
  if (!mask.empty() && mask[0] == '#') {  // a long mask: the short one repeated past 64 tokens
    mask.erase(0, 1);
    const std::string unit = mask.empty() ? "?" : mask;
    while (mask.size() < 70) mask += unit;
  }
  const std::wstring wmask = Widen(mask), wname = Widen(name);
  const bool expected = Reference(wmask, wname);
  FUZZ_CHECK(WildcardMask(wmask).Matches(wname) == expected);
  FUZZ_CHECK(MatchesMask(mask, name) == expected);
  FUZZ_CHECK(MaskSet({mask}).Matches(wname) == expected);
  // A set matches when any of its masks does.
  const bool other = Reference(Widen("*.tmp"), wname);
  FUZZ_CHECK(MaskSet({"*.tmp", mask}).Matches(wname) == (expected || other));
  return 0;
}
