// What the number and date-time texts (format.h) take from the user's locale,
// and the pictures they write and read date-times by. Window-free: Windows
// reads the locale in format_system.cpp, a native build has a fixed one.
#pragma once

#include <string>
#include <vector>

namespace velmora {

struct LocaleInfo {
  std::string thousands, decimal;  // "," and "." where the locale gives none
  // Pictures in the system's notation ("yyyy/MM/dd", "HH:mm:ss"); empty where
  // the locale gives none.
  std::wstring shortDate, longTime, shortTime, dateSeparator;
  std::wstring am, pm;
  std::vector<std::wstring> months, shortMonths;  // January first
  std::vector<std::wstring> days, shortDays;      // seven, in the locale's order
};
const LocaleInfo& UserLocale();

struct DateTimePictures {
  std::wstring date, time;
};
const DateTimePictures& LocalePictures();  // the locale's short date and long time
const DateTimePictures& SuitePictures();   // "yyyy/MM/dd" with the locale's separator, "HH':'mm"
const DateTimePictures& CurrentPictures();  // the one in force (format.h)

}  // namespace velmora
