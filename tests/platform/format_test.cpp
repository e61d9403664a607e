#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "platform/datetime.h"
#include "platform/format.h"
#include "platform/text.h"
#include "support/fakes.h"

using namespace velmora;

namespace {

std::wstring LocaleText(LCTYPE type) {
  wchar_t buf[128] = {};
  GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, type, buf, 128);
  return buf;
}

// The expected texts below are those of the "," and "." locale Wine gives by default.
bool CommaAndDot() { return LocaleText(LOCALE_STHOUSAND) == L"," && LocaleText(LOCALE_SDECIMAL) == L"."; }

// The date-time form is process-wide: every test starts and ends with the locale's.
class DateTimeText : public ::testing::Test {
 protected:
  void SetUp() override { ResetDateTimeFormatsForTests(); }
  void TearDown() override { ResetDateTimeFormatsForTests(); }
};

}  // namespace

TEST(NumberText, ThousandsAndMegabytes) {
  if (!CommaAndDot()) GTEST_SKIP() << "the user's locale has other separators";
  EXPECT_EQ("0", FormatThousands(0));
  EXPECT_EQ("999", FormatThousands(999));
  EXPECT_EQ("1,000", FormatThousands(1000));
  EXPECT_EQ("-12,345", FormatThousands(-12345));
  EXPECT_EQ("-1,234,567", FormatThousands(-1234567));
  EXPECT_EQ("9,223,372,036,854,775,807", FormatThousands(std::numeric_limits<std::int64_t>::max()));
  EXPECT_EQ("-9,223,372,036,854,775,808", FormatThousands(std::numeric_limits<std::int64_t>::min()));

  EXPECT_EQ("0.00", FormatMegabytes(0));
  EXPECT_EQ("0.01", FormatMegabytes(6000));
  EXPECT_EQ("1.00", FormatMegabytes(1024000));  // a megabyte here is 1,024,000 bytes
  EXPECT_EQ("1.02", FormatMegabytes(1048576));
  EXPECT_EQ("2,000.00", FormatMegabytes(2048000000));
  EXPECT_EQ("-1.00", FormatMegabytes(-1024000));
  EXPECT_EQ("9,007,199,254,740.99", FormatMegabytes(std::numeric_limits<std::int64_t>::max()));

  EXPECT_EQ("1,234.50", FormatFixed2(1234.5));
  EXPECT_EQ("0.00", FormatFixed2(-0.004));  // no "-0.00"
  EXPECT_EQ("-0.01", FormatFixed2(-0.006));
  EXPECT_EQ("10,000,000,000,000,000.00", FormatFixed2(1e16));
}

TEST_F(DateTimeText, LocaleFormBeforeAndSuiteFormAfterTheSwitch) {
  const double morning = EncodeDateTime(2024, 3, 5, 7, 9, 0);
  const double evening = EncodeDateTime(2024, 3, 5, 19, 9, 42);
  const double midnight = EncodeDateTime(2024, 3, 5);

  EXPECT_FALSE(SuiteDateTimeFormatsSet());
  const std::string localeText = FormatDateTime(evening);
  if (LocaleText(LOCALE_SSHORTDATE) == L"M/d/yyyy" && LocaleText(LOCALE_STIMEFORMAT) == L"h:mm:ss tt") {
    EXPECT_EQ("3/5/2024 7:09:00 AM", FormatDateTime(morning));
    EXPECT_EQ("3/5/2024 7:09:42 PM", localeText);
    EXPECT_EQ("3/5/2024", FormatDateTime(midnight));
  }
  EXPECT_EQ(FormatDate(evening) + " " + FormatTime(evening), localeText);
  EXPECT_EQ(FormatDate(midnight), FormatDateTime(midnight));
  EXPECT_DOUBLE_EQ(evening, ParseDateTime(localeText).value());
  EXPECT_DOUBLE_EQ(morning, ParseDateTime(FormatDateTime(morning)).value());
  EXPECT_DOUBLE_EQ(midnight, ParseDateTime(FormatDateTime(midnight)).value());

  SetSuiteDateTimeFormats();
  EXPECT_TRUE(SuiteDateTimeFormatsSet());
  const std::string sep = Narrow(LocaleText(LOCALE_SDATE));
  EXPECT_EQ("2024" + sep + "03" + sep + "05 07:09", FormatDateTime(morning));
  EXPECT_EQ("2024" + sep + "03" + sep + "05 19:09", FormatDateTime(evening));  // no seconds
  EXPECT_EQ("2024" + sep + "03" + sep + "05", FormatDateTime(midnight));
  EXPECT_EQ("19:09", FormatTime(evening));
  EXPECT_EQ("2024" + sep + "03" + sep + "05", FormatDate(evening));
  EXPECT_EQ("2024" + sep + "12" + sep + "31 00:01", FormatDateTime(EncodeDateTime(2024, 12, 31, 0, 1)));

  EXPECT_DOUBLE_EQ(morning, ParseDateTime(FormatDateTime(morning)).value());
  EXPECT_DOUBLE_EQ(midnight, ParseDateTime(FormatDateTime(midnight)).value());
  EXPECT_DOUBLE_EQ(EncodeDateTime(2024, 3, 5, 19, 9), ParseDateTime(FormatDateTime(evening)).value());
  // Texts written before the switch (older log lines) still read back.
  EXPECT_DOUBLE_EQ(evening, ParseDateTime(localeText).value());
}

TEST_F(DateTimeText, UnreadableTextsGiveNothing) {
  SetSuiteDateTimeFormats();
  const std::string sep = Narrow(LocaleText(LOCALE_SDATE));
  for (const std::string& bad :
       {std::string(), std::string("abc"), "2024" + sep + "13" + sep + "05", "2023" + sep + "02" + sep + "29",
        "2024" + sep + "03" + sep + "05 24:00", "2024" + sep + "03" + sep + "05 07:60",
        "2024" + sep + "03" + sep + "05 07:09 later", "2024" + sep + "03"})
    EXPECT_FALSE(ParseDateTime(bad).has_value()) << bad;
  EXPECT_DOUBLE_EQ(EncodeDateTime(2024, 2, 29, 23, 59),
                   ParseDateTime("  2024" + sep + "02" + sep + "29 23:59 ").value());
}

TEST(NowDateTime, ComesFromTheReplaceableWorld) {
  test::world().fixedNow = EncodeDateTime(2001, 2, 3, 4, 5, 6);
  EXPECT_DOUBLE_EQ(EncodeDateTime(2001, 2, 3, 4, 5, 6), NowDateTime());
}
