// The parts of text.h that need the system: lower case by its table, and its
// error texts.
#include <windows.h>

#include "platform/text.h"

namespace velmora {

std::string LowerCase(std::string_view utf8) {
  std::wstring w = Widen(utf8);
  if (!w.empty()) CharLowerBuffW(w.data(), DWORD(w.size()));
  return Narrow(w);
}

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
