// Windows FILETIME values and their conversions, the same on every host.
#include <ctime>

#include "platform/FileSystem.h"

namespace vorn {

namespace {

constexpr int64_t kUnixEpochAsFileTime = 116444736000000000LL;  // 1970-01-01 in FILETIME units
constexpr int64_t kTicksPerSecond = 10000000LL;

bool Fail(int code) {
  SetLastError(code);
  return false;
}

}  // namespace

FileTime FileTimeFromUnix(int64_t seconds, int64_t nanoseconds) {
  return seconds * kTicksPerSecond + nanoseconds / 100 + kUnixEpochAsFileTime;
}

int64_t UnixFromFileTime(FileTime time) {
  const int64_t ticks = time - kUnixEpochAsFileTime;
  int64_t seconds = ticks / kTicksPerSecond;
  if (ticks % kTicksPerSecond < 0) --seconds;  // round towards the past
  return seconds;
}

bool DosDateTimeToFileTime(uint16_t dosDate, uint16_t dosTime, FileTime& result) {
  const int day = dosDate & 0x1F;
  const int month = (dosDate >> 5) & 0x0F;
  const int year = 1980 + (dosDate >> 9);
  const int seconds = (dosTime & 0x1F) * 2;
  const int minutes = (dosTime >> 5) & 0x3F;
  const int hours = dosTime >> 11;
  if (month < 1 || month > 12 || day < 1 || hours > 23 || minutes > 59 || seconds > 59) {
    return Fail(ERROR_INVALID_PARAMETER);
  }
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  if (day > kDays[month - 1] + (month == 2 && leap ? 1 : 0)) return Fail(ERROR_INVALID_PARAMETER);
  std::tm local {};
  local.tm_year = year - 1900;
  local.tm_mon = month - 1;
  local.tm_mday = day;
  local.tm_hour = hours;
  local.tm_min = minutes;
  local.tm_sec = seconds;
  local.tm_isdst = -1;  // let the time zone rules decide summer time
  const time_t utc = mktime(&local);  // -1 is never a valid answer after 1980
  if (utc == static_cast<time_t>(-1)) return Fail(ERROR_INVALID_PARAMETER);
  result = FileTimeFromUnix(utc);
  return true;
}

}  // namespace vorn
