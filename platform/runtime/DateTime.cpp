#include "platform/runtime/DateTime.h"

#include <cmath>

#include "platform/runtime/Clock.h"
#include "platform/runtime/Exceptions.h"
#include "platform/runtime/Locale.h"

namespace {

constexpr int64_t kDateDelta = 693594;  // days from 1 January 1 to 30 December 1899

struct TTimeStamp {
  int64_t Date;  // days since 1 January 1, counted from 1
  int64_t Time;  // milliseconds into the day
};

// Rounded to the nearest millisecond; the day keeps the value's sign, the time of day is its magnitude.
TTimeStamp ToTimeStamp(TDateTime value) {
  const double scaled = std::nearbyint(value * double(kMSecsPerDay));
  const int64_t ms = std::isfinite(scaled) && std::fabs(scaled) < 9.0e18 ? int64_t(scaled) : 0;
  return {kDateDelta + ms / kMSecsPerDay, (ms < 0 ? -ms : ms) % kMSecsPerDay};
}

// Days since 1 January 1 (counted from 1) of a valid date.
int64_t DayNumber(int year, int month, int day) {
  static constexpr int kBefore[2][13] = {
      {0, 0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334},
      {0, 0, 31, 60, 91, 121, 152, 182, 213, 244, 274, 305, 335},
  };
  const int64_t y = year - 1;
  return y * 365 + y / 4 - y / 100 + y / 400 + kBefore[IsLeapYear(year)][month] + day;
}

}  // namespace

bool IsLeapYear(int year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

int DaysInAMonth(int year, int month) {
  static constexpr int kDays[13] = {0, 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month];
}

bool TryEncodeDate(int year, int month, int day, TDateTime& value) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInAMonth(year, month)) return false;
  value = double(DayNumber(year, month, day) - kDateDelta);
  return true;
}

bool TryEncodeTime(int hour, int minute, int second, int msec, TDateTime& value) {
  if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 || msec < 0 || msec > 999)
    return false;
  value = double(((hour * 60 + minute) * 60 + second) * 1000 + msec) / double(kMSecsPerDay);
  return true;
}

bool TryEncodeDateTime(int year, int month, int day, int hour, int minute, int second, int msec, TDateTime& value) {
  TDateTime date, time;
  if (!TryEncodeDate(year, month, day, date) || !TryEncodeTime(hour, minute, second, msec, time)) return false;
  value = date >= 0 ? date + time : date - time;
  return true;
}

TDateTime EncodeDate(int year, int month, int day) {
  TDateTime value;
  if (!TryEncodeDate(year, month, day, value)) throw EConvertError("Invalid argument to date encode");
  return value;
}

TDateTime EncodeTime(int hour, int minute, int second, int msec) {
  TDateTime value;
  if (!TryEncodeTime(hour, minute, second, msec, value)) throw EConvertError("Invalid argument to time encode");
  return value;
}

TDateTime EncodeDateTime(int year, int month, int day, int hour, int minute, int second, int msec) {
  TDateTime date = EncodeDate(year, month, day);
  TDateTime time = EncodeTime(hour, minute, second, msec);
  return date >= 0 ? date + time : date - time;
}

void DecodeDate(TDateTime value, uint16_t& year, uint16_t& month, uint16_t& day) {
  int64_t n = ToTimeStamp(value).Date;
  if (n <= 0 || n > DayNumber(9999, 12, 31)) {
    year = month = day = 0;
    return;
  }
  n -= 1;  // days since 1 January 1, counted from 0
  constexpr int64_t kD1 = 365, kD4 = kD1 * 4 + 1, kD100 = kD4 * 25 - 1, kD400 = kD100 * 4 + 1;
  int64_t y = 1 + 400 * (n / kD400);
  n %= kD400;
  int64_t c = n / kD100;
  if (c == 4) c = 3;  // the last day of a 400-year cycle
  y += 100 * c;
  n -= c * kD100;
  y += 4 * (n / kD4);
  n %= kD4;
  int64_t a = n / kD1;
  if (a == 4) a = 3;  // the last day of a leap year
  y += a;
  n -= a * kD1;
  int m = 1;
  while (n >= DaysInAMonth(int(y), m)) n -= DaysInAMonth(int(y), m++);
  year = uint16_t(y);
  month = uint16_t(m);
  day = uint16_t(n + 1);
}

void DecodeTime(TDateTime value, uint16_t& hour, uint16_t& minute, uint16_t& second, uint16_t& msec) {
  int64_t t = ToTimeStamp(value).Time;
  hour = uint16_t(t / 3600000);
  minute = uint16_t(t / 60000 % 60);
  second = uint16_t(t / 1000 % 60);
  msec = uint16_t(t % 1000);
}

void DecodeDateTime(TDateTime value, uint16_t& year, uint16_t& month, uint16_t& day, uint16_t& hour, uint16_t& minute,
                    uint16_t& second, uint16_t& msec) {
  DecodeDate(value, year, month, day);
  DecodeTime(value, hour, minute, second, msec);
}

int64_t DateTimeToMSecs(TDateTime value) {
  TTimeStamp stamp = ToTimeStamp(value);
  return (stamp.Date - kDateDelta) * kMSecsPerDay + stamp.Time;
}

TDateTime MSecsToDateTime(int64_t msecs) {
  int64_t day = msecs / kMSecsPerDay, time = msecs % kMSecsPerDay;
  if (time < 0) day -= 1, time += kMSecsPerDay;
  const double fraction = double(time) / double(kMSecsPerDay);
  return day >= 0 ? double(day) + fraction : double(day) - fraction;
}

TDateTime Now() { return ClockNow(); }

TDateTime Date() { return std::trunc(ClockNow()); }

TDateTime Time() { return double(ToTimeStamp(ClockNow()).Time) / double(kMSecsPerDay); }

namespace {

class TDateTimeWriter {
 public:
  explicit TDateTimeWriter(TDateTime value) {
    DecodeDateTime(value, year_, month_, day_, hour_, minute_, second_, msec_);
  }

  // `depth` bounds the nesting of locale formats inside formats.
  void Write(std::string_view format, int depth = 0) {
    size_t i = 0;
    while (i < format.size()) {
      const char c = format[i];
      const char letter = (c >= 'A' && c <= 'Z') ? char(c | 0x20) : c;
      if (c == '"' || c == '\'') {
        size_t end = format.find(c, i + 1);
        if (end == std::string_view::npos) end = format.size();
        out_.append(format.substr(i + 1, end - i - 1));
        i = end + 1;
        continue;
      }
      size_t count = 1;
      if (std::string_view("ymdhnszt").find(letter) != std::string_view::npos)
        while (i + count < format.size() && (format[i + count] | 0x20) == letter) ++count;
      Token(letter, count, c, depth);
      i += count;
    }
  }

  std::string Text() && { return std::move(out_); }

 private:
  void Token(char letter, size_t count, char original, int depth) {
    // "m" means minutes when the last date or time letter was an hour; other characters do not count.
    const bool wasHour = lastWasHour_;
    if (std::string_view("ymdhnsztc").find(letter) != std::string_view::npos) lastWasHour_ = false;
    const TFormatSettings& settings = FormatSettings();
    switch (letter) {
      case 'y': Number(count <= 2 ? year_ % 100 : year_, count <= 2 ? 2 : 4); break;
      case 'm': Number(wasHour ? minute_ : month_, count >= 2 ? 2 : 1); break;
      case 'd':
        if (count >= 5)
          Nested(settings.ShortDateFormat, depth);
        else
          Number(day_, count >= 2 ? 2 : 1);
        break;
      case 'h':
        Number(hour_, count >= 2 ? 2 : 1);
        lastWasHour_ = true;
        break;
      case 'n': Number(minute_, count >= 2 ? 2 : 1); break;
      case 's': Number(second_, count >= 2 ? 2 : 1); break;
      case 'z': Number(msec_, count >= 3 ? 3 : 1); break;
      case 't': Nested(count == 1 ? settings.ShortTimeFormat : settings.LongTimeFormat, depth); break;
      case 'c':
        Nested(settings.ShortDateFormat, depth);
        if (hour_ || minute_ || second_) {
          out_ += ' ';
          Nested(settings.LongTimeFormat, depth);
        }
        break;
      case '/': out_ += settings.DateSeparator; break;
      case ':': out_ += settings.TimeSeparator; break;
      default: out_ += original; break;
    }
  }

  void Nested(const std::string& format, int depth) {
    if (depth < 2) Write(format, depth + 1);
  }

  void Number(unsigned value, int digits) {
    std::string text = std::to_string(value);
    if (int(text.size()) < digits) out_.append(digits - text.size(), '0');
    out_ += text;
  }

  uint16_t year_, month_, day_, hour_, minute_, second_, msec_;
  bool lastWasHour_ = false;
  std::string out_;
};

}  // namespace

std::string FormatDateTime(std::string_view format, TDateTime value) {
  TDateTimeWriter writer(value);
  writer.Write(format);
  return std::move(writer).Text();
}

std::string DateTimeToStr(TDateTime value) { return FormatDateTime("c", value); }
