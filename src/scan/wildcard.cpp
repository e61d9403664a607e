#include "scan/wildcard.h"

#include <algorithm>

#include "platform/case_table.h"
#include "platform/text.h"

namespace velmora::scan {

wchar_t FoldChar(wchar_t c) { return FoldUnit(c); }

void FoldName(std::wstring_view name, std::wstring& out) {
  // A lookup per character keeps folding off the per-entry cost of a scan.
  const wchar_t* table = UpperCaseTable();
  out.resize(name.size());
  for (std::size_t i = 0; i < name.size(); ++i) out[i] = table[static_cast<std::uint16_t>(name[i])];
}

WildcardMask::WildcardMask(std::wstring_view mask) {
  if (mask.empty()) {
    empty_ = true;
    return;
  }
  if (mask == L"*.*") {
    all_ = true;
    return;
  }
  for (std::size_t i = 0; i < mask.size(); ++i) {
    const wchar_t c = mask[i];
    const wchar_t next = i + 1 < mask.size() ? mask[i + 1] : L'\0';
    switch (c) {
      case L'?':
        tokens_.push_back({Op::DosQm, 0});
        break;
      case L'*':
        tokens_.push_back({next == L'.' ? Op::DosStar : Op::Star, 0});
        break;
      case L'.':
        if (next == L'*' || next == L'?')
          tokens_.push_back({Op::DosDot, 0});
        else if (i + 1 < mask.size())
          tokens_.push_back({Op::Literal, L'.'});
        // else: a trailing dot only marks the star before it as run-to-last-dot.
        break;
      default:
        tokens_.push_back({Op::Literal, FoldChar(c)});
    }
  }
  all_ = !tokens_.empty();
  for (const Token& t : tokens_) all_ = all_ && t.op == Op::Star;
  if (!tokens_.empty() && tokens_.front().op == Op::Literal) first_ = tokens_.front().ch;
  if (!tokens_.empty() && tokens_.back().op == Op::Literal) last_ = tokens_.back().ch;
}

bool WildcardMask::Matches(std::wstring_view name) const {
  std::wstring folded;
  FoldName(name, folded);
  return MatchesFolded(folded, folded.rfind(L'.'));
}

bool WildcardMask::MatchesFolded(std::wstring_view name, std::size_t lastDot) const {
  if (empty_ || name.empty()) return false;
  if (all_) return true;
  // A literal at either end of the mask must meet the same character of the name:
  // this turns most names away from "*.ext" in one comparison.
  if (first_ && name.front() != first_) return false;
  if (last_ && name.back() != last_) return false;
  return tokens_.size() < 64 ? MatchSmall(name, lastDot) : MatchLarge(name, lastDot);
}

// The mask runs as a set of positions that can be reached after each character of
// the name (bit i: token i is next; bit n: the whole mask has been used). Stars
// stay on their own position while consuming; the zero-width moves (any star, "?"
// at a dot or the end, a dot-wildcard at the end) are taken before each character.
bool WildcardMask::MatchSmall(std::wstring_view name, std::size_t lastDot) const {
  const std::size_t n = tokens_.size();
  const std::uint64_t accept = std::uint64_t(1) << n;
  std::uint64_t state = 1;
  for (std::size_t k = 0;; ++k) {
    const bool atEnd = k == name.size();
    const wchar_t ch = atEnd ? L'\0' : name[k];
    std::uint64_t todo = state;
    while (todo) {
      const unsigned i = unsigned(__builtin_ctzll(todo));
      todo &= todo - 1;
      if (i >= n) continue;
      const Op op = tokens_[i].op;
      const bool skip = op == Op::Star || op == Op::DosStar || (op == Op::DosQm && (atEnd || ch == L'.')) ||
                        (op == Op::DosDot && atEnd);
      if (skip) {
        const std::uint64_t bit = std::uint64_t(1) << (i + 1);
        state |= bit;
        todo |= bit;
      }
    }
    if (atEnd) return (state & accept) != 0;
    std::uint64_t next = 0;
    std::uint64_t live = state & (accept - 1);
    while (live) {
      const unsigned i = unsigned(__builtin_ctzll(live));
      live &= live - 1;
      const Token& t = tokens_[i];
      switch (t.op) {
        case Op::Literal:
          if (ch == t.ch) next |= std::uint64_t(1) << (i + 1);
          break;
        case Op::Star:
          next |= std::uint64_t(1) << i;
          break;
        case Op::DosStar:
          if (!(ch == L'.' && k == lastDot)) next |= std::uint64_t(1) << i;
          break;
        case Op::DosQm:
          if (ch != L'.') next |= std::uint64_t(1) << (i + 1);
          break;
        case Op::DosDot:
          if (ch == L'.') next |= std::uint64_t(1) << (i + 1);
          break;
      }
    }
    if (!next) return false;
    state = next;
  }
}

// The same walk for masks of 64 tokens or more, one flag per position.
bool WildcardMask::MatchLarge(std::wstring_view name, std::size_t lastDot) const {
  const std::size_t n = tokens_.size();
  std::vector<unsigned char> state(n + 1, 0), next(n + 1, 0);
  state[0] = 1;
  for (std::size_t k = 0;; ++k) {
    const bool atEnd = k == name.size();
    const wchar_t ch = atEnd ? L'\0' : name[k];
    for (std::size_t i = 0; i < n; ++i) {
      if (!state[i]) continue;
      const Op op = tokens_[i].op;
      if (op == Op::Star || op == Op::DosStar || (op == Op::DosQm && (atEnd || ch == L'.')) ||
          (op == Op::DosDot && atEnd))
        state[i + 1] = 1;
    }
    if (atEnd) return state[n] != 0;
    std::fill(next.begin(), next.end(), 0);
    bool any = false;
    for (std::size_t i = 0; i < n; ++i) {
      if (!state[i]) continue;
      const Token& t = tokens_[i];
      std::size_t to = n + 1;
      switch (t.op) {
        case Op::Literal:
          if (ch == t.ch) to = i + 1;
          break;
        case Op::Star:
          to = i;
          break;
        case Op::DosStar:
          if (!(ch == L'.' && k == lastDot)) to = i;
          break;
        case Op::DosQm:
          if (ch != L'.') to = i + 1;
          break;
        case Op::DosDot:
          if (ch == L'.') to = i + 1;
          break;
      }
      if (to <= n) {
        next[to] = 1;
        any = true;
      }
    }
    if (!any) return false;
    state.swap(next);
  }
}

MaskSet::MaskSet(const std::vector<std::string>& utf8Masks) {
  for (const std::string& m : utf8Masks) {
    const std::wstring wide = Widen(m);
    // A plain name matches only itself: one look-up, however many there are
    // (the shortcut finder looks for hundreds of names in one walk).
    if (!wide.empty() && wide.find_first_of(L"*?<>\"") == std::wstring::npos && wide.back() != L'.' &&
        wide.back() != L' ') {
      std::wstring folded;
      FoldName(wide, folded);
      exact_.insert(std::move(folded));
      continue;
    }
    WildcardMask mask(wide);
    if (mask.empty()) continue;  // matches nothing, adds nothing
    if (mask.matchesEverything()) all_ = true;
    masks_.push_back(std::move(mask));
  }
}

bool MaskSet::MatchesFolded(std::wstring_view folded, std::size_t lastDot) const {
  if (folded.empty()) return false;
  if (all_) return true;
  if (!exact_.empty()) {
    thread_local std::wstring key;  // no allocation per name
    key.assign(folded);
    if (exact_.count(key)) return true;
  }
  for (const WildcardMask& m : masks_)
    if (m.MatchesFolded(folded, lastDot)) return true;
  return false;
}

bool MaskSet::Matches(std::wstring_view name) const {
  std::wstring folded;
  FoldName(name, folded);
  return MatchesFolded(folded, folded.rfind(L'.'));
}

bool MatchesMask(std::string_view mask, std::string_view name) {
  return WildcardMask(Widen(mask)).Matches(Widen(name));
}

}  // namespace velmora::scan
