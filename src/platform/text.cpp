// The conversions and the ordinal case rule, free of Win32 headers so every
// parser built on them links natively. The system's parts of text.h (lower
// case, error texts) are in text_system.cpp.
#include "platform/text.h"

#include "platform/case_table.h"

namespace velmora {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

void PutUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += char(cp);
  } else if (cp < 0x800) {
    out += char(0xC0 | (cp >> 6));
    out += char(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += char(0xE0 | (cp >> 12));
    out += char(0x80 | ((cp >> 6) & 0x3F));
    out += char(0x80 | (cp & 0x3F));
  } else {
    out += char(0xF0 | (cp >> 18));
    out += char(0x80 | ((cp >> 12) & 0x3F));
    out += char(0x80 | ((cp >> 6) & 0x3F));
    out += char(0x80 | (cp & 0x3F));
  }
}

}  // namespace

// Ill-formed input becomes U+FFFD, checked byte by byte as the system's
// MultiByteToWideChar checks it: a byte that cannot go on the sequence ends
// it (one replacement for what was read) and starts the next; a sequence
// that can no longer give a valid character (over-long, a surrogate, past
// U+10FFFF) ends with the byte that showed it, except that a byte taking the
// value past U+10FFFF is read again. A sequence cut by the end of the text is
// one replacement; unlike Wine, which also drops what follows it, nothing
// else is lost.
std::wstring Widen(std::string_view utf8) {
  std::wstring out;
  out.reserve(utf8.size());
  const std::size_t n = utf8.size();
  std::size_t i = 0;
  auto trail = [&](std::size_t k, char32_t& cp) {
    if (k >= n) return false;
    const unsigned char c = static_cast<unsigned char>(utf8[k]);
    if ((c & 0xC0) != 0x80) return false;
    cp = (cp << 6) | (c & 0x3F);
    return true;
  };
  while (i < n) {
    const unsigned char b = static_cast<unsigned char>(utf8[i++]);
    if (b < 0x80) {
      out += wchar_t(b);
      continue;
    }
    char32_t cp = 0;
    bool ok = false;
    if (b >= 0xC2 && b <= 0xDF) {
      cp = b & 0x1F;
      if (trail(i, cp)) ++i, ok = true;
    } else if (b >= 0xE0 && b <= 0xEF) {
      cp = b & 0x0F;
      if (trail(i, cp)) {
        ++i;
        if (cp >= 0x20 && !(cp >= (0xD800 >> 6) && cp <= (0xDFFF >> 6)) && trail(i, cp)) ++i, ok = true;
      }
    } else if (b >= 0xF0 && b <= 0xF4) {
      cp = b & 0x07;
      if (trail(i, cp)) {
        ++i;
        char32_t next = cp;
        if (cp >= 0x10 && trail(i, next) && next < (0x110000 >> 6)) {
          ++i;
          cp = next;
          if (trail(i, cp)) ++i, ok = true;
        }
      }
    }
    if (!ok) {
      out += wchar_t(kReplacement);
    } else if (cp >= 0x10000) {
      cp -= 0x10000;
      out += wchar_t(0xD800 + (cp >> 10));
      out += wchar_t(0xDC00 + (cp & 0x3FF));
    } else {
      out += wchar_t(cp);
    }
  }
  return out;
}

// A surrogate without its partner becomes U+FFFD, as the system writes it.
std::string Narrow(std::wstring_view utf16) {
  std::string out;
  out.reserve(utf16.size());
  for (std::size_t i = 0; i < utf16.size(); ++i) {
    const char32_t u = static_cast<char32_t>(utf16[i]);
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < utf16.size()) {
      const char32_t v = static_cast<char32_t>(utf16[i + 1]);
      if (v >= 0xDC00 && v <= 0xDFFF) {
        PutUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (v - 0xDC00));
        ++i;
        continue;
      }
    }
    if ((u >= 0xD800 && u <= 0xDFFF) || u > 0x10FFFF)
      PutUtf8(out, kReplacement);
    else
      PutUtf8(out, u);  // natively a wide character may hold a whole code point
  }
  return out;
}

std::wstring UpperCaseW(std::wstring_view text) {
  const wchar_t* table = UpperCaseTable();
  std::wstring w(text);
  for (wchar_t& c : w) c = table[static_cast<std::uint16_t>(c)];
  return w;
}

std::string UpperCase(std::string_view utf8) { return Narrow(UpperCaseW(Widen(utf8))); }

// The system's ordinal rule with ignore-case: both sides upper-cased unit by
// unit, then compared as unsigned code units; a prefix sorts first.
int CompareNoCaseW(std::wstring_view a, std::wstring_view b) {
  const wchar_t* table = UpperCaseTable();
  const std::size_t n = a.size() < b.size() ? a.size() : b.size();
  for (std::size_t i = 0; i < n; ++i) {
    const std::uint16_t x = std::uint16_t(table[static_cast<std::uint16_t>(a[i])]);
    const std::uint16_t y = std::uint16_t(table[static_cast<std::uint16_t>(b[i])]);
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : a.size() < b.size() ? -1 : 1;
}

int CompareNoCase(std::string_view a, std::string_view b) {
  // Plain ASCII (nearly every name a snapshot or a walk sorts) needs no
  // conversion: the ordinal rule upper-cases a-z and compares code units.
  const std::size_t n = a.size() < b.size() ? a.size() : b.size();
  for (std::size_t i = 0;; ++i) {
    if (i == n) return a.size() == b.size() ? 0 : a.size() < b.size() ? -1 : 1;  // a prefix sorts first
    unsigned char x = (unsigned char)a[i], y = (unsigned char)b[i];
    if (x >= 0x80 || y >= 0x80) break;
    if (x >= 'a' && x <= 'z') x -= 32;
    if (y >= 'a' && y <= 'z') y -= 32;
    if (x != y) {
      // A later non-ASCII character cannot change a difference found here:
      // code units are compared in order.
      return x < y ? -1 : 1;
    }
  }
  return CompareNoCaseW(Widen(a), Widen(b));
}

bool EqualNoCase(std::string_view a, std::string_view b) { return CompareNoCase(a, b) == 0; }

}  // namespace velmora
