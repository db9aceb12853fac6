// Civil date-time arithmetic (proleptic Gregorian, exact integer days) and date patterns.
#include "base/date_time.h"

#include <cmath>

#include "base/number_format.h"

namespace movexa {

namespace {

// Days from 1970-01-01 to y-m-d (H. Hinnant's algorithm).
int64_t DaysFromCivil(int64_t y, int m, int d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t z, int& y, int& m, int& d) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = static_cast<int>(yoe + era * 400 + (m <= 2));
}

const int64_t kEpochOffsetDays = DaysFromCivil(1899, 12, 30);
constexpr int64_t kMsPerDay = 86'400'000;

int DaysInMonth(int y, int m) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (m == 2 && ((y % 4 == 0 && y % 100 != 0) || y % 400 == 0)) return 29;
  return kDays[m - 1];
}

}  // namespace

bool IsValidCivil(const CivilTime& t) {
  return t.month >= 1 && t.month <= 12 && t.day >= 1 && t.day <= DaysInMonth(t.year, t.month) &&
         t.hour >= 0 && t.hour < 24 && t.minute >= 0 && t.minute < 60 && t.second >= 0 &&
         t.second < 60 && t.millisecond >= 0 && t.millisecond < 1000;
}

int64_t ToEpochMs(const CivilTime& t) {
  int64_t days = DaysFromCivil(t.year, t.month, t.day) - kEpochOffsetDays;
  return days * kMsPerDay + ((t.hour * 60LL + t.minute) * 60 + t.second) * 1000 + t.millisecond;
}

CivilTime FromEpochMs(int64_t ms) {
  int64_t days = ms >= 0 ? ms / kMsPerDay : -((-ms + kMsPerDay - 1) / kMsPerDay);
  int64_t rest = ms - days * kMsPerDay;
  CivilTime t;
  CivilFromDays(days + kEpochOffsetDays, t.year, t.month, t.day);
  t.millisecond = static_cast<int>(rest % 1000);
  rest /= 1000;
  t.second = static_cast<int>(rest % 60);
  rest /= 60;
  t.minute = static_cast<int>(rest % 60);
  t.hour = static_cast<int>(rest / 60);
  return t;
}

double ToDays(const CivilTime& t) { return static_cast<double>(ToEpochMs(t)) / kMsPerDay; }

CivilTime FromDays(double days) {
  return FromEpochMs(static_cast<int64_t>(std::llround(days * kMsPerDay)));
}

CivilTime AddMinutes(const CivilTime& t, int64_t minutes) {
  return FromEpochMs(ToEpochMs(t) + minutes * 60'000);
}

std::string FormatDateTime(const CivilTime& t, std::string_view pattern) {
  std::string out;
  bool lastWasHour = false;
  size_t i = 0;
  // Date tokens are matched whatever their case ("YYYYMMDDhhss"); literals are copied as given.
  std::string lower(pattern);
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  auto starts = [&](std::string_view tok) {
    return std::string_view(lower).substr(i, tok.size()) == tok;
  };
  while (i < pattern.size()) {
    if (starts("yyyy")) {
      out += ZeroPad(t.year, 4);
      i += 4;
      lastWasHour = false;
    } else if (starts("yy")) {
      out += ZeroPad(t.year % 100, 2);
      i += 2;
      lastWasHour = false;
    } else if (starts("y")) {
      // A lone "y" is the day of the year (so "yyy" is the two-digit year and the day).
      CivilTime jan1{t.year, 1, 1, 0, 0, 0, 0};
      out += std::to_string((ToEpochMs(CivilTime{t.year, t.month, t.day, 0, 0, 0, 0}) -
                             ToEpochMs(jan1)) / 86400000 + 1);
      i += 1;
      lastWasHour = false;
    } else if (starts("mm")) {
      // "mm" means minutes right after an hour token or right before a seconds token.
      size_t after = i + 2;
      while (after < pattern.size() && (pattern[after] == ':' || pattern[after] == ' ')) ++after;
      bool beforeSeconds = std::string_view(lower).substr(after, 2) == "ss";
      out += ZeroPad((lastWasHour || beforeSeconds) ? t.minute : t.month, 2);
      i += 2;
      lastWasHour = false;
    } else if (starts("nn")) {
      out += ZeroPad(t.minute, 2);
      i += 2;
      lastWasHour = false;
    } else if (starts("dd")) {
      out += ZeroPad(t.day, 2);
      i += 2;
      lastWasHour = false;
    } else if (starts("hh")) {
      out += ZeroPad(t.hour, 2);
      i += 2;
      lastWasHour = true;
    } else if (starts("ss")) {
      out += ZeroPad(t.second, 2);
      i += 2;
      lastWasHour = false;
    } else {
      // Separators keep the hour context ("hh:mm"); anything else breaks it.
      char c = pattern[i];
      if (c != ':' && c != ' ') lastWasHour = false;
      out += c;
      ++i;
    }
  }
  return out;
}

std::string FormatGeneralDate(const CivilTime& t) {
  return FormatDateTime(t, "yyyy-mm-dd hh:nn:ss");
}

std::string AcquisitionStamp(const CivilTime& t) { return FormatDateTime(t, "yyyymmdd_hhnn"); }

std::optional<CivilTime> ParseAcquisitionStamp(std::string_view name) {
  if (name.size() != 13 || name[8] != '_') return std::nullopt;
  auto digits = [&](size_t from, size_t count) -> std::optional<int> {
    int v = 0;
    for (size_t k = from; k < from + count; ++k) {
      if (name[k] < '0' || name[k] > '9') return std::nullopt;
      v = v * 10 + (name[k] - '0');
    }
    return v;
  };
  auto y = digits(0, 4), mo = digits(4, 2), d = digits(6, 2), h = digits(9, 2), mi = digits(11, 2);
  if (!y || !mo || !d || !h || !mi) return std::nullopt;
  CivilTime t{*y, *mo, *d, *h, *mi, 0, 0};
  if (!IsValidCivil(t)) return std::nullopt;
  return t;
}

}  // namespace movexa
