// UTF-8 <-> UTF-16 at the Win32 boundary, and the few text helpers every layer needs.
// Inside the program std::string holds UTF-8; only the wide (W) API is called.
// A std::wstring holds UTF-16 code units, also in a native build (where a
// wchar_t is wider): conversion and case folding are window-free (text.cpp).
#pragma once

#include <string>
#include <string_view>

namespace velmora {

std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);

// Upper case by the suite's table (platform/case_table.h: the system's own on
// Windows), so non-ASCII letters fold the way the file system folds them;
// lower case by the system's (CharLowerBuffW, text_system.cpp).
std::string UpperCase(std::string_view utf8);
std::string LowerCase(std::string_view utf8);
std::wstring UpperCaseW(std::wstring_view text);

// Case-insensitive comparison by the system's ordinal rule (what
// CompareStringOrdinal with ignore-case does: code units upper-cased by the
// table, then compared): -1, 0 or 1.
int CompareNoCase(std::string_view a, std::string_view b);
int CompareNoCaseW(std::wstring_view a, std::wstring_view b);
bool EqualNoCase(std::string_view a, std::string_view b);

// The message text the system gives for an error code, without the trailing line break.
std::string SystemErrorText(unsigned long code);
// The same with `insertion` for each insert (%1, %2, ...) the text holds, as
// the system words an error about one file ("%1 is not a valid application").
std::string SystemErrorTextWith(unsigned long code, const std::string& insertion);

}  // namespace velmora
