#include <gtest/gtest.h>

#include "base/date_time.h"

namespace movexa {
namespace {

TEST(DateTime, DayCountMatchesTheSpreadsheetEpoch) {
  EXPECT_DOUBLE_EQ(ToDays(CivilTime{1899, 12, 30, 0, 0, 0, 0}), 0.0);
  EXPECT_DOUBLE_EQ(ToDays(CivilTime{2024, 3, 19, 0, 0, 0, 0}), 45370.0);
  EXPECT_DOUBLE_EQ(ToDays(CivilTime{2024, 3, 19, 12, 0, 0, 0}), 45370.5);
  EXPECT_EQ(FromDays(45370.75), (CivilTime{2024, 3, 19, 18, 0, 0, 0}));
}

TEST(DateTime, AddingMinutesCrossesMonthsAndLeapDays) {
  CivilTime t{2024, 2, 28, 23, 30, 0, 0};
  EXPECT_EQ(AddMinutes(t, 60), (CivilTime{2024, 2, 29, 0, 30, 0, 0}));
  EXPECT_EQ(AddMinutes(t, 24 * 60 + 60), (CivilTime{2024, 3, 1, 0, 30, 0, 0}));
  EXPECT_EQ(AddMinutes(CivilTime{2023, 12, 31, 23, 59, 0, 0}, 1),
            (CivilTime{2024, 1, 1, 0, 0, 0, 0}));
}

TEST(DateTime, PatternsTellMonthsFromMinutes) {
  CivilTime t{2024, 3, 19, 14, 5, 9, 0};
  EXPECT_EQ(FormatDateTime(t, "yyyymmdd_hhmm"), "20240319_1405");
  EXPECT_EQ(FormatDateTime(t, "dd/mm/yyyy hh:mm"), "19/03/2024 14:05");
  EXPECT_EQ(FormatDateTime(t, "hh:mm:ss"), "14:05:09");
  EXPECT_EQ(FormatDateTime(t, "mm"), "03");
  EXPECT_EQ(FormatDateTime(t, "yy"), "24");
  // Upper-case tokens and the day of the year, as backup and removal stamps use them.
  EXPECT_EQ(FormatDateTime(t, "YYYYMMDDhhss"), "202403191409");
  EXPECT_EQ(FormatDateTime(t, "YYYMMDDhhmm"), "24790319" "1405");
  EXPECT_EQ(FormatDateTime(CivilTime{2024, 12, 31, 0, 0, 0, 0}, "y"), "366");
  EXPECT_EQ(FormatGeneralDate(t), "2024-03-19 14:05:09");
  EXPECT_EQ(AcquisitionStamp(t), "20240319_1405");
}

TEST(DateTime, AcquisitionStampsParseOnlyWhenWellFormed) {
  auto t = ParseAcquisitionStamp("20240319_1530");
  ASSERT_TRUE(t);
  EXPECT_EQ(t->hour, 15);
  EXPECT_EQ(t->minute, 30);
  EXPECT_FALSE(ParseAcquisitionStamp("20240319-1530"));
  EXPECT_FALSE(ParseAcquisitionStamp("20240230_1530"));  // no 30 February
  EXPECT_FALSE(ParseAcquisitionStamp("20240319_2460"));
  EXPECT_FALSE(ParseAcquisitionStamp("2024031_1530"));
}

}  // namespace
}  // namespace movexa
