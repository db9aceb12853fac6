// Date-times of the system. Moments are kept as a civil (local wall-clock) time and, where a
// Part calls for it, as a real number of days since 1899-12-30 00:00 (the day count used by
// spreadsheets). Elapsed run time never comes from subtracting day counts: it is measured in
// integer milliseconds on the monotonic clock (see Clock in host.h).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace movexa {

struct CivilTime {
  int year = 1899;
  int month = 12;
  int day = 30;
  int hour = 0;
  int minute = 0;
  int second = 0;
  int millisecond = 0;

  friend bool operator==(const CivilTime&, const CivilTime&) = default;
};

// Days since 1899-12-30 00:00 (fraction = time of day).
double ToDays(const CivilTime& t);
CivilTime FromDays(double days);
// Whole milliseconds since 1899-12-30 00:00; exact integer arithmetic.
int64_t ToEpochMs(const CivilTime& t);
CivilTime FromEpochMs(int64_t ms);
CivilTime AddMinutes(const CivilTime& t, int64_t minutes);
bool IsValidCivil(const CivilTime& t);

// Formats with date tokens: "yyyy", "yy", "y" (day of the year), "mm" (month; minutes when it
// follows an hour token or precedes "ss"), "dd", "hh", "nn" (minutes), "ss", in either case.
// Other characters are copied. Examples: "yyyymmdd_hhmm" -> 20240319_1405, "dd/mm/yyyy hh:mm",
// "hh:mm:ss", "mm", "yy", "YYYYMMDDhhss" -> 2024031914<seconds>, "yyy" -> 2479 (year 24, day 79).
std::string FormatDateTime(const CivilTime& t, std::string_view pattern);
// The general date format used on report and quick-report lines: "yyyy-mm-dd hh:mm:ss".
std::string FormatGeneralDate(const CivilTime& t);

// Acquisition folder names: the start time "yyyymmdd_hhmm". ParseAcquisitionStamp accepts
// exactly 13 characters with "_" as the 9th and a valid date and time, else nullopt.
std::string AcquisitionStamp(const CivilTime& t);
std::optional<CivilTime> ParseAcquisitionStamp(std::string_view name);

}  // namespace movexa
