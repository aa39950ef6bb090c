// FILETIMEs (100 ns since 1601, UTC), local time, the DOS date-time and SYSTEMTIMEs.
#include "platform/winapi/FileTimes.h"

#include <sys/stat.h>

#include "platform/winapi/Files.h"
#include "platform/winapi/LastError.h"

namespace {

constexpr int64_t kTicksPerSecond = 10000000;
constexpr int64_t kUnixEpochTicks = 116444736000000000LL;  // 1970-01-01 in FILETIME ticks

int64_t Ticks(const FILETIME& t) { return int64_t((uint64_t(t.dwHighDateTime) << 32) | t.dwLowDateTime); }

FILETIME FromTicks(int64_t ticks) {
  return FILETIME{DWORD(uint64_t(ticks) & 0xFFFFFFFF), DWORD(uint64_t(ticks) >> 32)};
}

int64_t FloorDiv(int64_t a, int64_t b) { return a / b - (a % b != 0 && (a < 0) != (b < 0)); }

// Seconds since 1970 and the broken-down fields of a tick count, without time zone.
bool Breakdown(int64_t ticks, struct tm& fields, int& milliseconds) {
  if (ticks < 0) return false;
  int64_t unixTicks = ticks - kUnixEpochTicks;
  time_t seconds = time_t(FloorDiv(unixTicks, kTicksPerSecond));
  milliseconds = int((unixTicks - int64_t(seconds) * kTicksPerSecond) / 10000);
  return gmtime_r(&seconds, &fields) != nullptr;
}

BOOL Invalid() {
  SetLastError(ERROR_INVALID_PARAMETER);
  return FALSE;
}

}  // namespace

namespace vandrel {

FILETIME FileTimeOf(const timespec& time) {
  return FromTicks(int64_t(time.tv_sec) * kTicksPerSecond + time.tv_nsec / 100 + kUnixEpochTicks);
}

timespec TimespecOf(const FILETIME& time) {
  int64_t unixTicks = Ticks(time) - kUnixEpochTicks;
  int64_t seconds = FloorDiv(unixTicks, kTicksPerSecond);
  return timespec{time_t(seconds), long((unixTicks - seconds * kTicksPerSecond) * 100)};
}

DWORD AttributesOf(const struct stat& st) {
  DWORD attributes = S_ISDIR(st.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
  if (!S_ISDIR(st.st_mode) && !(st.st_mode & S_IWUSR)) attributes |= FILE_ATTRIBUTE_READONLY;
  return attributes;
}

}  // namespace vandrel

BOOL FileTimeToLocalFileTime(const FILETIME* utc, FILETIME* local) {
  if (!utc || !local) return Invalid();
  int64_t ticks = Ticks(*utc);
  time_t seconds = time_t(FloorDiv(ticks - kUnixEpochTicks, kTicksPerSecond));
  struct tm fields;
  if (!localtime_r(&seconds, &fields)) return Invalid();
  *local = FromTicks(ticks + int64_t(fields.tm_gmtoff) * kTicksPerSecond);
  return TRUE;
}

BOOL LocalFileTimeToFileTime(const FILETIME* local, FILETIME* utc) {
  if (!local || !utc) return Invalid();
  int64_t ticks = Ticks(*local);
  struct tm fields;
  int ms;
  if (!Breakdown(ticks, fields, ms)) return Invalid();
  fields.tm_isdst = -1;
  time_t seconds = mktime(&fields);
  int64_t localSeconds = FloorDiv(ticks - kUnixEpochTicks, kTicksPerSecond);
  *utc = FromTicks(ticks + (int64_t(seconds) - localSeconds) * kTicksPerSecond);
  return TRUE;
}

BOOL FileTimeToDosDateTime(const FILETIME* time, WORD* dosDate, WORD* dosTime) {
  if (!time || !dosDate || !dosTime) return Invalid();
  struct tm f;
  int ms;
  if (!Breakdown(Ticks(*time), f, ms)) return Invalid();
  int year = f.tm_year + 1900;
  if (year < 1980 || year > 2107) return Invalid();
  *dosDate = WORD(((year - 1980) << 9) | ((f.tm_mon + 1) << 5) | f.tm_mday);
  *dosTime = WORD((f.tm_hour << 11) | (f.tm_min << 5) | (f.tm_sec / 2));
  return TRUE;
}

BOOL DosDateTimeToFileTime(WORD dosDate, WORD dosTime, FILETIME* time) {
  if (!time) return Invalid();
  SYSTEMTIME s{};
  s.wYear = WORD(1980 + (dosDate >> 9));
  s.wMonth = WORD((dosDate >> 5) & 0x0F);
  s.wDay = WORD(dosDate & 0x1F);
  s.wHour = WORD(dosTime >> 11);
  s.wMinute = WORD((dosTime >> 5) & 0x3F);
  s.wSecond = WORD((dosTime & 0x1F) * 2);
  return SystemTimeToFileTime(&s, time);
}

BOOL FileTimeToSystemTime(const FILETIME* time, SYSTEMTIME* system) {
  if (!time || !system) return Invalid();
  struct tm f;
  int ms;
  if (!Breakdown(Ticks(*time), f, ms) || f.tm_year + 1900 > 30827) return Invalid();
  *system = SYSTEMTIME{WORD(f.tm_year + 1900), WORD(f.tm_mon + 1), WORD(f.tm_wday), WORD(f.tm_mday),
                       WORD(f.tm_hour),        WORD(f.tm_min),     WORD(f.tm_sec),  WORD(ms)};
  return TRUE;
}

BOOL SystemTimeToFileTime(const SYSTEMTIME* s, FILETIME* time) {
  if (!s || !time) return Invalid();
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  bool leap = (s->wYear % 4 == 0 && s->wYear % 100 != 0) || s->wYear % 400 == 0;
  if (s->wYear < 1601 || s->wYear > 30827 || s->wMonth < 1 || s->wMonth > 12 || s->wDay < 1 ||
      s->wDay > kDays[s->wMonth - 1] + (s->wMonth == 2 && leap) || s->wHour > 23 || s->wMinute > 59 ||
      s->wSecond > 59 || s->wMilliseconds > 999)
    return Invalid();
  struct tm f {};
  f.tm_year = s->wYear - 1900;
  f.tm_mon = s->wMonth - 1;
  f.tm_mday = s->wDay;
  f.tm_hour = s->wHour;
  f.tm_min = s->wMinute;
  f.tm_sec = s->wSecond;
  int64_t seconds = int64_t(timegm(&f));
  *time = FromTicks(seconds * kTicksPerSecond + int64_t(s->wMilliseconds) * 10000 + kUnixEpochTicks);
  return TRUE;
}
