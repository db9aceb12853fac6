// System clock, sleeping pacer and disk/locale facts for POSIX systems.
#include "base/system_host.h"

#include <sys/statvfs.h>

#include <chrono>
#include <langinfo.h>
#include <locale.h>

#include <clocale>
#include <ctime>
#include <thread>

#include "base/rounding.h"

namespace movexa {

CivilTime SystemClock::Now() {
  using namespace std::chrono;
  auto now = system_clock::now();
  std::time_t secs = system_clock::to_time_t(now);
  std::tm local{};
  localtime_r(&secs, &local);
  auto ms = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
  return CivilTime{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                   local.tm_min,         local.tm_sec,     static_cast<int>(ms)};
}

int64_t SystemClock::MonotonicMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

int64_t SystemClock::MonotonicUs() {
  using namespace std::chrono;
  return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

void SleepingPacer::PauseMs(int ms) {
  if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

int64_t PosixSystemInfo::FreeDiskMB(const std::filesystem::path& path) {
  struct statvfs st {};
  if (::statvfs(path.c_str(), &st) != 0) return -1;
  double bytes = static_cast<double>(st.f_bavail) * static_cast<double>(st.f_frsize);
  return RoundHalfEven(bytes / 1024.0 / 1024.0);
}

std::string PosixSystemInfo::ListSeparator() {
  // Ask the environment's numeric locale without changing the program's own (which stays "C"):
  // where decimals are written with a comma, lists are separated by semicolons.
  locale_t loc = ::newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(nullptr));
  if (!loc) return ",";
  const char* radix = ::nl_langinfo_l(RADIXCHAR, loc);
  std::string sep = (radix && radix[0] == ',') ? ";" : ",";
  ::freelocale(loc);
  return sep;
}

}  // namespace movexa
