// Date-times of the component library: days since 30 December 1899 as a double, local time; the
// fraction is the time of day. Before that day the value is negative and the time of day is subtracted:
// 29 December 1899 06:00 is -1.25 (so -0.25 is, like 0.25, 30 December 1899 06:00).
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

using TDateTime = double;

constexpr int64_t kMSecsPerDay = 86400000;

bool IsLeapYear(int year);
// Days of the month (1..12) of the year, 0 when the month is out of range.
int DaysInAMonth(int year, int month);

// Encoding from fields: year 1..9999, month 1..12, day 1..days of the month; hour 0..23, minute and
// second 0..59, millisecond 0..999. Out-of-range fields make Try... answer false, and the others raise
// EConvertError "Invalid argument to date encode" or "Invalid argument to time encode".
bool TryEncodeDate(int year, int month, int day, TDateTime& value);
bool TryEncodeTime(int hour, int minute, int second, int msec, TDateTime& value);
bool TryEncodeDateTime(int year, int month, int day, int hour, int minute, int second, int msec, TDateTime& value);
TDateTime EncodeDate(int year, int month, int day);
TDateTime EncodeTime(int hour, int minute, int second, int msec);
TDateTime EncodeDateTime(int year, int month, int day, int hour, int minute, int second, int msec);

// Decoding into fields, rounded to the nearest millisecond. A date before 1 January 1 gives zeros.
void DecodeDate(TDateTime value, uint16_t& year, uint16_t& month, uint16_t& day);
void DecodeTime(TDateTime value, uint16_t& hour, uint16_t& minute, uint16_t& second, uint16_t& msec);
void DecodeDateTime(TDateTime value, uint16_t& year, uint16_t& month, uint16_t& day, uint16_t& hour, uint16_t& minute,
                    uint16_t& second, uint16_t& msec);

// A date-time as milliseconds since 30 December 1899 00:00 on a straight line (negative before), and back.
int64_t DateTimeToMSecs(TDateTime value);
TDateTime MSecsToDateTime(int64_t msecs);

// The current local date-time, date and time of day, read from the clock (Clock.h).
TDateTime Now();
TDateTime Date();
TDateTime Time();

// Text through the user locale's formats. Format letters, in either case:
//   y yy: two-digit year      yyy yyyy: four-digit year
//   m mm: month (minute right after an hour)   d dd: day      h hh: hour     n nn: minute
//   s ss: second              z: millisecond    zzz: three-digit millisecond
//   ddddd (or longer): short date   t: short time   tt: long time
//   c: short date, then a blank and the long time unless the time is exactly midnight (milliseconds are not
//      looked at)
//   /: date separator   :: time separator   "..." and '...': literal text   any other character: itself
// Month and day names are not provided: mmm and longer write the month as mm, ddd and dddd the day as dd.
std::string FormatDateTime(std::string_view format, TDateTime value);
std::string DateTimeToStr(TDateTime value);
