#include "platform/case_table.h"

#include <windows.h>

namespace velmora {

const wchar_t* UpperCaseTable() {
  // One CharUpperBuffW over every code unit; a lookup per character after that.
  static const std::vector<wchar_t> table = [] {
    std::vector<wchar_t> t(0x10000);
    for (std::size_t i = 0; i < t.size(); ++i) t[i] = wchar_t(i);
    CharUpperBuffW(t.data(), DWORD(t.size()));
    return t;
  }();
  return table.data();
}

}  // namespace velmora
