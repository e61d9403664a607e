// The window-free part of the number and date-time texts: grouping, the
// fixed-point form and reading a date-time back by its picture. What the
// user's locale says comes through UserLocale() (format_system.cpp on
// Windows), and date-times are written by the system there too.
#include "platform/format.h"

#include <atomic>
#include <cmath>
#include <cstdio>

#include "platform/calendar.h"
#include "platform/case_table.h"
#include "platform/locale_info.h"
#include "platform/text.h"

namespace velmora {

namespace {

std::string Grouped(const std::string& digits) {
  const std::string& sep = UserLocale().thousands;
  std::string out;
  const size_t lead = digits.size() % 3 == 0 ? 3 : digits.size() % 3;
  out.append(digits, 0, lead);
  for (size_t i = lead; i < digits.size(); i += 3) {
    out += sep;
    out.append(digits, i, 3);
  }
  return out;
}

std::wstring Quoted(const std::wstring& literal) {
  std::wstring out = L"'";
  for (wchar_t c : literal) {
    if (c == L'\'') out += L'\'';
    out += c;
  }
  return out + L"'";
}

std::atomic<bool> g_suiteFormats{false};

// ---- reading a date-time text back by its picture --------------------------

struct Fields {
  int year = -1, month = -1, day = -1;
  int hour = 0, minute = 0, second = 0;
  bool twoDigitYear = false;
  bool twelveHour = false;
  int pm = -1;  // -1 unknown, 0 am, 1 pm
};

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t' || c == 0x00A0 || c == 0x202F; }

wchar_t Fold(wchar_t c) { return FoldUnit(c); }

class Reader {
 public:
  Reader(const std::wstring& text, const LocaleInfo& names) : text_(text), names_(names) {}

  size_t pos() const { return pos_; }
  bool atEnd() const { return pos_ == text_.size(); }
  void SkipBlanks() {
    while (pos_ < text_.size() && IsBlank(text_[pos_])) ++pos_;
  }

  bool Picture(const std::wstring& pic, Fields& f) {
    size_t i = 0;
    while (i < pic.size()) {
      const wchar_t c = pic[i];
      if (c == L'\'') {
        std::wstring literal;
        ++i;
        while (i < pic.size()) {
          if (pic[i] == L'\'') {
            if (i + 1 < pic.size() && pic[i + 1] == L'\'') {
              literal += L'\'';
              i += 2;
              continue;
            }
            ++i;
            break;
          }
          literal += pic[i++];
        }
        if (!Literal(literal)) return false;
        continue;
      }
      size_t run = 1;
      while (i + run < pic.size() && pic[i + run] == c) ++run;
      i += run;
      bool ok = true;
      switch (c) {
        case L'd':
          ok = run <= 2 ? Number(2, f.day) : Name(run == 3 ? names_.shortDays : names_.days) >= 0;
          break;
        case L'M':
          if (run <= 2) {
            ok = Number(2, f.month);
          } else {
            const int m = Name(run == 3 ? names_.shortMonths : names_.months);
            ok = m >= 0;
            f.month = m + 1;
          }
          break;
        case L'y':
          f.twoDigitYear = run <= 2;
          ok = Number(run <= 2 ? 2 : 5, f.year);
          break;
        case L'g':
          SkipWord();  // the era name (Gregorian: one word, such as "A.D.")
          break;
        case L'h':
          f.twelveHour = true;
          ok = Number(2, f.hour);
          break;
        case L'H':
          ok = Number(2, f.hour);
          break;
        case L'm':
          ok = Number(2, f.minute);
          break;
        case L's':
          ok = Number(2, f.second);
          break;
        case L't':
          ok = Designator(run == 1, f.pm);
          break;
        default:
          ok = Literal(std::wstring(run, c));
      }
      if (!ok) return false;
    }
    return true;
  }

 private:
  bool Number(size_t maxDigits, int& out) {
    size_t n = 0;
    int v = 0;
    while (n < maxDigits && pos_ < text_.size() && text_[pos_] >= L'0' && text_[pos_] <= L'9') {
      v = v * 10 + (text_[pos_] - L'0');
      ++pos_;
      ++n;
    }
    if (n == 0) return false;
    out = v;
    return true;
  }

  bool Literal(const std::wstring& lit) {
    for (size_t k = 0; k < lit.size(); ++k) {
      if (IsBlank(lit[k])) {
        // Any run of blanks matches any other: locales differ in which blank they use.
        if (pos_ >= text_.size() || !IsBlank(text_[pos_])) return false;
        while (k + 1 < lit.size() && IsBlank(lit[k + 1])) ++k;
        SkipBlanks();
        continue;
      }
      if (pos_ >= text_.size() || Fold(text_[pos_]) != Fold(lit[k])) return false;
      ++pos_;
    }
    return true;
  }

  bool StartsWithNoCase(const std::wstring& s) const {
    if (s.empty() || text_.size() - pos_ < s.size()) return false;
    for (size_t k = 0; k < s.size(); ++k)
      if (Fold(text_[pos_ + k]) != Fold(s[k])) return false;
    return true;
  }

  // The index of the longest name the text starts with, -1 when none.
  int Name(const std::vector<std::wstring>& list) {
    int best = -1;
    size_t bestLen = 0;
    for (size_t k = 0; k < list.size(); ++k)
      if (list[k].size() > bestLen && StartsWithNoCase(list[k])) {
        best = int(k);
        bestLen = list[k].size();
      }
    if (best >= 0) pos_ += bestLen;
    return best;
  }

  bool Designator(bool firstLetterOnly, int& pm) {
    const std::wstring am = firstLetterOnly ? names_.am.substr(0, 1) : names_.am;
    const std::wstring p = firstLetterOnly ? names_.pm.substr(0, 1) : names_.pm;
    if (am.empty() && p.empty()) return true;  // the locale writes none
    // Try the longer one first so that a designator that begins with the other is not cut.
    const bool pmFirst = p.size() >= am.size();
    const std::wstring& first = pmFirst ? p : am;
    const std::wstring& second = pmFirst ? am : p;
    if (StartsWithNoCase(first)) {
      pos_ += first.size();
      pm = pmFirst ? 1 : 0;
      return true;
    }
    if (StartsWithNoCase(second)) {
      pos_ += second.size();
      pm = pmFirst ? 0 : 1;
      return true;
    }
    return false;
  }

  void SkipWord() {
    while (pos_ < text_.size() && !IsBlank(text_[pos_])) ++pos_;
  }

  const std::wstring& text_;
  const LocaleInfo& names_;
  size_t pos_ = 0;
};

std::optional<double> ParseWith(const DateTimePictures& pictures, const std::wstring& text) {
  Reader r(text, UserLocale());
  r.SkipBlanks();
  Fields f;
  if (!r.Picture(pictures.date, f)) return std::nullopt;
  r.SkipBlanks();
  if (!r.atEnd()) {
    if (!r.Picture(pictures.time, f)) return std::nullopt;
    r.SkipBlanks();
    if (!r.atEnd()) return std::nullopt;
  }
  if (f.year < 0 || f.month < 1 || f.month > 12 || f.day < 1) return std::nullopt;
  if (f.twoDigitYear) f.year += f.year < 50 ? 2000 : 1900;
  if (f.year < 1 || f.day > DaysInMonth(f.year, f.month)) return std::nullopt;
  if (f.twelveHour) {
    if (f.hour < 1 || f.hour > 12) return std::nullopt;
    if (f.pm >= 0) f.hour = f.hour % 12 + (f.pm == 1 ? 12 : 0);
  }
  if (f.hour > 23 || f.minute > 59 || f.second > 59) return std::nullopt;
  return EncodeDateTime(f.year, f.month, f.day, f.hour, f.minute, f.second);
}

}  // namespace

const DateTimePictures& LocalePictures() {
  static const DateTimePictures p = [] {
    const LocaleInfo& l = UserLocale();
    return DateTimePictures{l.shortDate.empty() ? L"yyyy/MM/dd" : l.shortDate,
                            l.longTime.empty() ? L"HH:mm:ss" : l.longTime};
  }();
  return p;
}

const DateTimePictures& SuitePictures() {
  static const DateTimePictures p = [] {
    const std::wstring& s = UserLocale().dateSeparator;
    const std::wstring sep = s.empty() ? L"/" : s;
    return DateTimePictures{L"yyyy" + Quoted(sep) + L"MM" + Quoted(sep) + L"dd", L"HH':'mm"};
  }();
  return p;
}

const DateTimePictures& CurrentPictures() { return g_suiteFormats.load() ? SuitePictures() : LocalePictures(); }

std::string FormatThousands(std::int64_t n) {
  // The magnitude in unsigned arithmetic, so the most negative value works too.
  const std::uint64_t magnitude = n < 0 ? 0 - std::uint64_t(n) : std::uint64_t(n);
  const std::string digits = Grouped(std::to_string(magnitude));
  return n < 0 ? "-" + digits : digits;
}

std::string FormatFixed2(double v) {
  if (!std::isfinite(v)) return v != v ? "NAN" : v > 0 ? "INF" : "-INF";
  std::string whole, cents;
  bool negative = false;
  if (std::fabs(v) < 9.0e15) {
    // Hundredths in integers: exact rounding half away from zero.
    const long long c = std::llround(v * 100.0);
    negative = c < 0;
    const unsigned long long m = negative ? 0 - (unsigned long long)c : (unsigned long long)c;
    whole = std::to_string(m / 100);
    cents = std::to_string(m % 100 + 100).substr(1);
  } else {
    negative = v < 0;
    char text[400];
    std::snprintf(text, sizeof text, "%.2f", std::fabs(v));
    const std::string s = text;
    const size_t dot = s.find('.');
    whole = s.substr(0, dot);
    cents = dot == std::string::npos ? "00" : s.substr(dot + 1);
  }
  return (negative ? "-" : "") + Grouped(whole) + UserLocale().decimal + cents;
}

std::string FormatMegabytes(std::int64_t bytes) { return FormatFixed2(double(bytes) * 9.765625e-7); }

void SetSuiteDateTimeFormats() { g_suiteFormats = true; }
bool SuiteDateTimeFormatsSet() { return g_suiteFormats.load(); }
void ResetDateTimeFormatsForTests() { g_suiteFormats = false; }

std::optional<double> ParseDateTime(const std::string& text) {
  const std::wstring w = Widen(text);
  const bool suite = g_suiteFormats.load();
  if (auto v = ParseWith(suite ? SuitePictures() : LocalePictures(), w)) return v;
  return ParseWith(suite ? LocalePictures() : SuitePictures(), w);
}

}  // namespace velmora
