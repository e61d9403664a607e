// The suite's number and date-time texts.
//
// Numbers use the user's thousands separator and decimal mark (read once per
// process from the locale, "," and "." when the locale gives none) and group
// by threes.
//
// Date-time texts have two forms. Until SetSuiteDateTimeFormats() is called,
// the user's short date and long time formats of the locale. After it, for the
// rest of the process, "yyyy/mm/dd" (the "/" being the locale's date
// separator) and "hh:nn" (24-hour, two digits each, no seconds): the first
// file list shown switches the whole process to this form, and log time
// stamps written afterwards use it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace velmora {

std::string FormatThousands(std::int64_t n);     // "1,234,567", "-12,345", "0"
std::string FormatMegabytes(std::int64_t bytes); // bytes x 9.765625e-7 (bytes / 1,024,000), two decimals
std::string FormatFixed2(double v);              // thousands separators, two decimals, rounded half away from zero

// The general date-time text: the date, a blank and the time; the time is left
// out when the value is exactly midnight.
std::string FormatDateTime(double dt);
std::string FormatDate(double dt);
std::string FormatTime(double dt);
// The time in the user's short time format (no seconds), whatever form is in force.
std::string FormatShortTime(double dt);

void SetSuiteDateTimeFormats();
bool SuiteDateTimeFormatsSet();

// Reads back a text made by FormatDateTime in either form (the current one is
// tried first); nullopt when the text is not a date-time in them.
std::optional<double> ParseDateTime(const std::string& text);

// The current local date-time (services().now()).
double NowDateTime();

// For tests: return to the locale's formats.
void ResetDateTimeFormatsForTests();

}  // namespace velmora
