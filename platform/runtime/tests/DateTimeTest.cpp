#include "platform/runtime/DateTime.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "platform/runtime/Exceptions.h"
#include "platform/runtime/Locale.h"
#include "platform/testing/PythonOracle.h"

namespace {

struct Fields {
  int y, m, d, h, n, s, ms;
};

std::vector<Fields> RandomFields(int count) {
  std::mt19937 random(1899);
  std::vector<Fields> out;
  for (int i = 0; i < count; ++i) {
    int y = i % 3 == 0 ? std::uniform_int_distribution<int>(1, 9999)(random)
                       : std::uniform_int_distribution<int>(1890, 2040)(random);
    int m = std::uniform_int_distribution<int>(1, 12)(random);
    int d = std::uniform_int_distribution<int>(1, DaysInAMonth(y, m))(random);
    out.push_back({y, m, d, std::uniform_int_distribution<int>(0, 23)(random),
                   std::uniform_int_distribution<int>(0, 59)(random), std::uniform_int_distribution<int>(0, 59)(random),
                   std::uniform_int_distribution<int>(0, 999)(random)});
  }
  out.push_back({1899, 12, 30, 0, 0, 0, 0});
  out.push_back({1899, 12, 29, 6, 0, 0, 0});
  out.push_back({1, 1, 1, 0, 0, 0, 0});
  out.push_back({9999, 12, 31, 23, 59, 59, 999});
  out.push_back({2000, 2, 29, 12, 0, 0, 0});
  return out;
}

TEST(DateTime, EncodingEqualsPythonDatetime) {
  // Python's calendar gives the day count; the time of day is added, or subtracted before 1899-12-30.
  std::vector<Fields> all = RandomFields(600);
  std::ostringstream input;
  for (const auto& f : all)
    input << f.y << ' ' << f.m << ' ' << f.d << ' ' << f.h << ' ' << f.n << ' ' << f.s << ' ' << f.ms << '\n';
  std::string out = testing_support::RunPython(
      "import sys, datetime\n"
      "base = datetime.date(1899, 12, 30)\n"
      "for line in sys.stdin:\n"
      "    y, m, d, h, n, s, ms = map(int, line.split())\n"
      "    days = (datetime.date(y, m, d) - base).days\n"
      "    t = (((h * 60 + n) * 60 + s) * 1000 + ms) / 86400000\n"
      "    print((days + t if days >= 0 else days - t).hex())\n",
      input.str());
  std::istringstream lines(out);
  for (const auto& f : all) {
    std::string hex;
    ASSERT_TRUE(std::getline(lines, hex));
    const double expected = std::strtod(hex.c_str(), nullptr);
    const TDateTime value = EncodeDateTime(f.y, f.m, f.d, f.h, f.n, f.s, f.ms);
    EXPECT_EQ(value, expected) << f.y << '-' << f.m << '-' << f.d;
    uint16_t y, m, d, h, n, s, ms;
    DecodeDateTime(value, y, m, d, h, n, s, ms);
    EXPECT_EQ((std::vector<int>{y, m, d, h, n, s, ms}), (std::vector<int>{f.y, f.m, f.d, f.h, f.n, f.s, f.ms}))
        << "round trip of " << f.y << '-' << f.m << '-' << f.d << ' ' << f.h << ':' << f.n << ':' << f.s << '.' << f.ms;
    EXPECT_EQ(DateTimeToMSecs(MSecsToDateTime(DateTimeToMSecs(value))), DateTimeToMSecs(value));
  }
}

TEST(DateTime, DecodingEqualsPythonCalendar) {
  std::mt19937 random(30);
  std::vector<int> days;
  for (int i = 0; i < 500; ++i) days.push_back(std::uniform_int_distribution<int>(-693593, 2958465)(random));
  days.insert(days.end(), {-693593, -1, 0, 1, 2958465, 36585, 38418});
  std::ostringstream input;
  for (int n : days) input << n << '\n';
  std::string out = testing_support::RunPython(
      "import sys, datetime\n"
      "base = datetime.date(1899, 12, 30)\n"
      "for line in sys.stdin:\n"
      "    d = base + datetime.timedelta(days=int(line))\n"
      "    print(d.year, d.month, d.day)\n",
      input.str());
  std::istringstream lines(out);
  for (int n : days) {
    int ey, em, ed;
    lines >> ey >> em >> ed;
    uint16_t y, m, d;
    // the time of day never moves the date, whatever the sign
    DecodeDate(n + (n >= 0 ? 0.75 : -0.75), y, m, d);
    EXPECT_EQ((std::vector<int>{y, m, d}), (std::vector<int>{ey, em, ed})) << n;
  }
}

TEST(DateTime, TheDayCountAroundItsOrigin) {
  EXPECT_EQ(EncodeDate(1899, 12, 30), 0.0);
  EXPECT_EQ(EncodeDate(1899, 12, 31), 1.0);
  EXPECT_EQ(EncodeDate(1899, 12, 29), -1.0);
  EXPECT_EQ(EncodeDateTime(1899, 12, 29, 6, 0, 0, 0), -1.25);
  EXPECT_EQ(EncodeDateTime(1899, 12, 30, 18, 0, 0, 0), 0.75);
  EXPECT_EQ(EncodeTime(12, 0, 0, 0), 0.5);
  uint16_t h, n, s, ms, y, m, d;
  // -0.25 is 30 December 1899 06:00, like 0.25: the sign belongs to the day
  DecodeDateTime(-0.25, y, m, d, h, n, s, ms);
  EXPECT_EQ((std::vector<int>{y, m, d, h}), (std::vector<int>{1899, 12, 30, 6}));
  DecodeDateTime(-1.75, y, m, d, h, n, s, ms);
  EXPECT_EQ((std::vector<int>{y, m, d, h}), (std::vector<int>{1899, 12, 29, 18}));
  // rounding to the nearest millisecond may carry into the next day
  DecodeDateTime(EncodeDate(2005, 3, 7) + 0.9999999999, y, m, d, h, n, s, ms);
  EXPECT_EQ((std::vector<int>{y, m, d, h, n, s, ms}), (std::vector<int>{2005, 3, 8, 0, 0, 0, 0}));
  DecodeTime(EncodeTime(0, 0, 0, 1) * 0.4, h, n, s, ms);
  EXPECT_EQ(ms, 0);
  // out of the calendar's range
  DecodeDate(-700000, y, m, d);
  EXPECT_EQ((std::vector<int>{y, m, d}), (std::vector<int>{0, 0, 0}));
  DecodeDate(NAN, y, m, d);
  EXPECT_EQ(y, 1899);
  EXPECT_EQ(DateTimeToMSecs(-1.25), -18 * 3600000LL);
  EXPECT_EQ(MSecsToDateTime(-18 * 3600000LL), -1.25);
  EXPECT_EQ(MSecsToDateTime(kMSecsPerDay + 43200000), 1.5);
}

TEST(DateTime, InvalidFieldsRaise) {
  struct {
    Fields f;
    bool dateOk, timeOk;
  } cases[] = {
      {{2005, 3, 7, 14, 30, 15, 0}, true, true},  {{2000, 2, 29, 0, 0, 0, 0}, true, true},
      {{1900, 2, 29, 0, 0, 0, 0}, false, true},   {{2005, 4, 31, 0, 0, 0, 0}, false, true},
      {{2005, 13, 1, 0, 0, 0, 0}, false, true},   {{2005, 0, 1, 0, 0, 0, 0}, false, true},
      {{2005, 1, 0, 0, 0, 0, 0}, false, true},    {{0, 1, 1, 0, 0, 0, 0}, false, true},
      {{10000, 1, 1, 0, 0, 0, 0}, false, true},   {{-1, 1, 1, 0, 0, 0, 0}, false, true},
      {{2005, 3, 7, 24, 0, 0, 0}, true, false},   {{2005, 3, 7, 23, 60, 0, 0}, true, false},
      {{2005, 3, 7, 23, 59, 60, 0}, true, false}, {{2005, 3, 7, 23, 59, 59, 1000}, true, false},
      {{2005, 3, 7, -1, 0, 0, 0}, true, false},   {{2005, 3, 7, 0, 0, 0, -1}, true, false},
  };
  for (const auto& c : cases) {
    const Fields& f = c.f;
    TDateTime value = 42;
    EXPECT_EQ(TryEncodeDate(f.y, f.m, f.d, value), c.dateOk) << f.y << '-' << f.m << '-' << f.d;
    EXPECT_EQ(TryEncodeTime(f.h, f.n, f.s, f.ms, value), c.timeOk) << f.h << ':' << f.n << ':' << f.s;
    value = 42;
    EXPECT_EQ(TryEncodeDateTime(f.y, f.m, f.d, f.h, f.n, f.s, f.ms, value), c.dateOk && c.timeOk);
    if (!(c.dateOk && c.timeOk)) {
      EXPECT_EQ(value, 42) << "a failed encode leaves the target alone";
    }
    try {
      EncodeDateTime(f.y, f.m, f.d, f.h, f.n, f.s, f.ms);
      EXPECT_TRUE(c.dateOk && c.timeOk);
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.Message(), c.dateOk ? "Invalid argument to time encode" : "Invalid argument to date encode");
    }
  }
}

TEST(DateTime, LeapYearsEqualPython) {
  std::string out = testing_support::RunPython(
      "import calendar\nprint(''.join('1' if calendar.isleap(y) else '0' for y in range(1, 10000)))\n");
  ASSERT_EQ(out.size(), 10000u);  // 9999 digits and a line end
  for (int y = 1; y < 10000; ++y) {
    EXPECT_EQ(IsLeapYear(y), out[y - 1] == '1') << y;
    TDateTime v;
    EXPECT_EQ(TryEncodeDate(y, 2, 29, v), out[y - 1] == '1') << y;
  }
}

TEST(DateTime, TextThroughTheLocaleFormats) {
  ResetFormatSettings();
  const TDateTime afternoon = EncodeDateTime(2005, 3, 7, 14, 30, 15, 42);
  const TDateTime morning = EncodeDateTime(2005, 3, 7, 9, 5, 3, 7);
  struct {
    std::string got;
    const char* expected;
  } cases[] = {
      {DateTimeToStr(afternoon), "2005.03.07. 14:30:15"},
      {DateTimeToStr(morning), "2005.03.07. 9:05:03"},
      {DateTimeToStr(EncodeDate(2005, 3, 7)), "2005.03.07."},  // midnight: no time
      {DateTimeToStr(EncodeDate(2005, 3, 7) + EncodeTime(0, 0, 0, 5)), "2005.03.07."},
      {DateTimeToStr(EncodeDate(2005, 3, 7) + EncodeTime(0, 0, 1, 0)), "2005.03.07. 0:00:01"},
      {DateTimeToStr(0), "1899.12.30."},
      {DateTimeToStr(-1.25), "1899.12.29. 6:00:00"},
      {FormatDateTime("yyyy-mm-dd hh:nn:ss.zzz", morning), "2005-03-07 09:05:03.007"},
      {FormatDateTime("d/m/yy h:n:s z", morning), "7.3.05 9:5:3 7"},
      {FormatDateTime("YYYY MM DD HH:MM", morning), "2005 03 07 09:05"},  // m after an hour is a minute
      {FormatDateTime("h \"o'clock\" mm 'of' mm", morning), "9 o'clock 05 of 03"},
      {FormatDateTime("yyyymmdd", EncodeDate(5, 1, 2)), "00050102"},
      {FormatDateTime("ddddd|t|tt|c", afternoon), "2005.03.07.|14:30|14:30:15|2005.03.07. 14:30:15"},
      {FormatDateTime("mmm dddd", afternoon), "03 07"},
      {FormatDateTime("[x]", afternoon), "[x]"},
      {FormatDateTime("\"unclosed", afternoon), "unclosed"},
      {FormatDateTime("", afternoon), ""},
  };
  for (const auto& c : cases) EXPECT_EQ(c.got, c.expected);

  // the formats are data: another locale's settings take effect at once
  FormatSettings().ShortDateFormat = "dd/mm/yyyy";
  FormatSettings().LongTimeFormat = "hh:nn:ss";
  FormatSettings().DateSeparator = '-';
  FormatSettings().TimeSeparator = '.';
  EXPECT_EQ(DateTimeToStr(morning), "07-03-2005 09.05.03");
  FormatSettings().ShortDateFormat = "c";  // a format that names itself ends instead of looping
  EXPECT_EQ(FormatDateTime("c", EncodeDate(2005, 3, 7)), "");
  ResetFormatSettings();
  EXPECT_EQ(DateTimeToStr(morning), "2005.03.07. 9:05:03");
}

}  // namespace
