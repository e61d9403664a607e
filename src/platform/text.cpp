#include "platform/text.h"

#include <windows.h>

#include <climits>
#include <stdexcept>

namespace velmora {

std::wstring Widen(std::string_view utf8) {
  if (utf8.empty()) return {};
  if (utf8.size() > INT_MAX) throw std::length_error("text too long");
  const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), nullptr, 0);
  std::wstring out(size_t(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), out.data(), n);
  return out;
}

std::string Narrow(std::wstring_view utf16) {
  if (utf16.empty()) return {};
  if (utf16.size() > INT_MAX) throw std::length_error("text too long");
  const int n =
      WideCharToMultiByte(CP_UTF8, 0, utf16.data(), int(utf16.size()), nullptr, 0, nullptr, nullptr);
  std::string out(size_t(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, utf16.data(), int(utf16.size()), out.data(), n, nullptr, nullptr);
  return out;
}

std::wstring UpperCaseW(std::wstring_view text) {
  std::wstring w(text);
  if (!w.empty()) CharUpperBuffW(w.data(), DWORD(w.size()));
  return w;
}

std::string UpperCase(std::string_view utf8) { return Narrow(UpperCaseW(Widen(utf8))); }

std::string LowerCase(std::string_view utf8) {
  std::wstring w = Widen(utf8);
  if (!w.empty()) CharLowerBuffW(w.data(), DWORD(w.size()));
  return Narrow(w);
}

int CompareNoCaseW(std::wstring_view a, std::wstring_view b) {
  const int r = CompareStringOrdinal(a.data(), int(a.size()), b.data(), int(b.size()), TRUE);
  return r == CSTR_LESS_THAN ? -1 : r == CSTR_GREATER_THAN ? 1 : 0;
}

int CompareNoCase(std::string_view a, std::string_view b) {
  // Plain ASCII (nearly every name a snapshot or a walk sorts) needs no
  // conversion: the ordinal rule upper-cases a-z and compares code units, so
  // the result is the one CompareStringOrdinal gives.
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

namespace {

std::string FormatSystemMessage(unsigned long code, const std::wstring* insertion) {
  // Every insert a message may name gets the one text, so no insert reads past the list.
  DWORD_PTR args[10];
  for (DWORD_PTR& arg : args) arg = DWORD_PTR(insertion ? insertion->c_str() : L"");
  wchar_t* buf = nullptr;
  const DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                     (insertion ? FORMAT_MESSAGE_ARGUMENT_ARRAY : FORMAT_MESSAGE_IGNORE_INSERTS),
                                 nullptr, code, 0, reinterpret_cast<wchar_t*>(&buf), 0,
                                 insertion ? reinterpret_cast<va_list*>(args) : nullptr);
  std::wstring text = n ? std::wstring(buf, n) : L"error " + std::to_wstring(code);
  if (buf) LocalFree(buf);
  while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' '))
    text.pop_back();
  return Narrow(text);
}

}  // namespace

std::string SystemErrorText(unsigned long code) { return FormatSystemMessage(code, nullptr); }

std::string SystemErrorTextWith(unsigned long code, const std::string& insertion) {
  const std::wstring wide = Widen(insertion);
  return FormatSystemMessage(code, &wide);
}

}  // namespace velmora
