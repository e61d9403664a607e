// The system's part of the number and date-time texts: the user's locale
// (read once per process) and date-times written by GetDateFormatEx and
// GetTimeFormatEx.
#include <windows.h>

#include <cmath>
#include <cstdio>
#include <vector>

#include "platform/datetime.h"
#include "platform/format.h"
#include "platform/locale_info.h"
#include "platform/services.h"
#include "platform/text.h"

namespace velmora {

namespace {

std::wstring LocaleText(LCTYPE type) {
  const int n = GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, type, nullptr, 0);
  if (n <= 0) return std::wstring();
  std::vector<wchar_t> buf(size_t(n) + 1, L'\0');
  if (GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, type, buf.data(), n) <= 0) return std::wstring();
  return std::wstring(buf.data());
}

std::string FormatDateWith(const DateTimePictures& p, const SYSTEMTIME& st) {
  const int n = GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, 0, &st, p.date.c_str(), nullptr, 0, nullptr);
  if (n > 0) {
    std::vector<wchar_t> buf(size_t(n) + 1, L'\0');
    if (GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, 0, &st, p.date.c_str(), buf.data(), n, nullptr) > 0)
      return Narrow(buf.data());
  }
  // Outside the calendar the system formats (before 1601): plain numbers.
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d", st.wYear, st.wMonth, st.wDay);
  return text;
}

std::string FormatTimeWith(const DateTimePictures& p, const SYSTEMTIME& st) {
  const int n = GetTimeFormatEx(LOCALE_NAME_USER_DEFAULT, 0, &st, p.time.c_str(), nullptr, 0);
  if (n > 0) {
    std::vector<wchar_t> buf(size_t(n) + 1, L'\0');
    if (GetTimeFormatEx(LOCALE_NAME_USER_DEFAULT, 0, &st, p.time.c_str(), buf.data(), n) > 0)
      return Narrow(buf.data());
  }
  char text[32];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d", st.wHour, st.wMinute, st.wSecond);
  return text;
}

}  // namespace

const LocaleInfo& UserLocale() {
  static const LocaleInfo info = [] {
    LocaleInfo r;
    r.thousands = Narrow(LocaleText(LOCALE_STHOUSAND));
    r.decimal = Narrow(LocaleText(LOCALE_SDECIMAL));
    if (r.thousands.empty()) r.thousands = ",";
    if (r.decimal.empty()) r.decimal = ".";
    r.shortDate = LocaleText(LOCALE_SSHORTDATE);
    r.longTime = LocaleText(LOCALE_STIMEFORMAT);
    r.shortTime = LocaleText(LOCALE_SSHORTTIME);
    r.dateSeparator = LocaleText(LOCALE_SDATE);
    r.am = LocaleText(LOCALE_S1159);
    r.pm = LocaleText(LOCALE_S2359);
    for (int i = 0; i < 12; ++i) {
      r.months.push_back(LocaleText(LOCALE_SMONTHNAME1 + i));
      r.shortMonths.push_back(LocaleText(LOCALE_SABBREVMONTHNAME1 + i));
    }
    for (int i = 0; i < 7; ++i) {
      r.days.push_back(LocaleText(LOCALE_SDAYNAME1 + i));
      r.shortDays.push_back(LocaleText(LOCALE_SABBREVDAYNAME1 + i));
    }
    return r;
  }();
  return info;
}

std::string FormatDate(double dt) { return FormatDateWith(CurrentPictures(), DateTimeToSystemTime(dt)); }

std::string FormatTime(double dt) { return FormatTimeWith(CurrentPictures(), DateTimeToSystemTime(dt)); }

std::string FormatShortTime(double dt) {
  static const DateTimePictures picture{L"", UserLocale().shortTime.empty() ? L"HH:mm" : UserLocale().shortTime};
  return FormatTimeWith(picture, DateTimeToSystemTime(dt));
}

std::string FormatDateTime(double dt) {
  const DateTimePictures& p = CurrentPictures();
  const SYSTEMTIME st = DateTimeToSystemTime(dt);
  std::string text = FormatDateWith(p, st);
  if (dt != std::trunc(dt)) text += " " + FormatTimeWith(p, st);
  return text;
}

double NowDateTime() { return services().now(); }

}  // namespace velmora
