// A native build has no user locale: a fixed English one, with the separators
// and pictures most locales of the suite's users differ in ("," and ".",
// "dd/MM/yyyy", a 12-hour clock), so parsers meet all their paths.
#include "platform/locale_info.h"

namespace velmora {

const LocaleInfo& UserLocale() {
  static const LocaleInfo info = [] {
    LocaleInfo r;
    r.thousands = ",";
    r.decimal = ".";
    r.shortDate = L"dd/MM/yyyy";
    r.longTime = L"h:mm:ss tt";
    r.shortTime = L"h:mm tt";
    r.dateSeparator = L"/";
    r.am = L"AM";
    r.pm = L"PM";
    r.months = {L"January", L"February", L"March",     L"April",   L"May",      L"June",
                L"July",    L"August",   L"September", L"October", L"November", L"December"};
    r.shortMonths = {L"Jan", L"Feb", L"Mar", L"Apr", L"May", L"Jun", L"Jul", L"Aug", L"Sep", L"Oct", L"Nov", L"Dec"};
    r.days = {L"Monday", L"Tuesday", L"Wednesday", L"Thursday", L"Friday", L"Saturday", L"Sunday"};
    r.shortDays = {L"Mon", L"Tue", L"Wed", L"Thu", L"Fri", L"Sat", L"Sun"};
    return r;
  }();
  return info;
}

}  // namespace velmora
