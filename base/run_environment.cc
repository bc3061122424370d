#include "base/run_environment.h"

#include <sys/time.h>
#include <unistd.h>

#include <chrono>
#include <ctime>

#include "base/console.h"
#include "base/platform.h"

namespace base {

int64_t LocalMinutesNow() {
  const time_t now = std::time(nullptr);
  tm t{};
  localtime_r(&now, &t);
  int64_t year = t.tm_year + 1900;
  int64_t month = t.tm_mon + 1;
  // Months counted from March = 0; January and February belong to the year before.
  if (month > 2) {
    month -= 3;
  } else {
    month += 9;
    --year;
  }
  const int64_t days = t.tm_mday + (153 * month + 2) / 5 + 1721119 + (1461 * (year % 100)) / 4 +
                       (146097 * (year / 100)) / 4 - 2440588;
  const int64_t seconds = t.tm_hour * 3600 + t.tm_min * 60 + t.tm_sec;
  return days * 1440 + seconds / 60;
}

int64_t RunEnvironment::LocalMinutes() { return LocalMinutesNow(); }

int RunEnvironment::CurrentYear() {
  const int64_t minutes = LocalMinutes();
  // Whole days, rounded down for the minutes before 1970.
  const int64_t days = minutes >= 0 ? minutes / 1440 : -((1439 - minutes) / 1440);
  const std::chrono::year_month_day date{
      std::chrono::sys_days{std::chrono::days{static_cast<int>(days)}}};
  return static_cast<int>(date.year());
}

Console& RunEnvironment::OperatorConsole() { return ProcessConsole(); }

void RunEnvironment::SleepMilliseconds(int milliseconds) { base::SleepMilliseconds(milliseconds); }

double RunEnvironment::Random() {
  if (seeded_for_ != ::getpid()) {
    timeval tv{};
    ::gettimeofday(&tv, nullptr);
    tm local{};
    localtime_r(&tv.tv_sec, &local);
    const uint32_t hundredths = static_cast<uint32_t>(
        (local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec) * 100 + tv.tv_usec / 10000);
    seeded_for_ = ::getpid();
    generator_.seed(hundredths ^ (static_cast<uint32_t>(seeded_for_) * 2654435761u));
  }
  return std::uniform_real_distribution<double>(0.0, 1.0)(generator_);
}

}  // namespace base
