// The average day: the worked example, days that did not measure a whole profile bin, ZT
// folding from a start in the middle of a day, and the refused profile bins.
#include <gtest/gtest.h>

#include "analysis/day_profile.h"
#include "analysis_fixture.h"

namespace movexa {
namespace {

TEST(DayProfile, ExampleMeansOverAnimalsNotAnimalDays) {
  // 6-hour bins, 4 a day, 2 animals, 2 days.
  ActivityTable t = test::HandTable({{1, 2, 3, 4, 3, 2, 1, 0}, {0, 0, 4, 4, 2, 2, 0, 0}},
                                    {0, 360, 720, 1080, 1440, 1800, 2160, 2520}, 360, 1);
  const DayProfile p = ComputeDayProfile(t, 360);
  ASSERT_TRUE(p.ok) << p.error;
  ASSERT_EQ(p.slots, 4);
  for (int s = 0; s < 4; ++s) {
    EXPECT_DOUBLE_EQ(*p.wells[0][static_cast<size_t>(s)], 2.0);
    EXPECT_EQ(p.daysPerSlot[static_cast<size_t>(s)], 2);
  }
  EXPECT_DOUBLE_EQ(*p.wells[1][0], 1.0);
  EXPECT_DOUBLE_EQ(*p.wells[1][3], 2.0);
  const std::string groups = ProfileGroupsCsv(t, p);
  EXPECT_NE(groups.find("\r\ngroup,slot,zt_h,clock,light,mean,sd,sem,n,days\r\n"
                        "000_G0,0,0,09:00,1,1.5,0.7071,0.5,2,2\r\n"
                        "000_G0,1,6,15:00,1,1.5,0.7071,0.5,2,2\r\n"
                        "000_G0,2,12,21:00,0,2,0,0,2,2\r\n"
                        "000_G0,3,18,03:00,0,2,0,0,2,2\r\n"),
            std::string::npos)
      << groups;
}

TEST(DayProfile, OnlyDaysThatMeasuredTheWholeProfileBinCount) {
  // 1-minute bins from 12:00 (lights 09:00-21:00, so ZT 3) for 48 hours: 1 count a minute on
  // the first day from the start, 2 on the second, 3 on the rest. Minute 5 is missing.
  std::vector<int64_t> starts;
  std::vector<int32_t> counts;
  for (int64_t m = 0; m < 48 * 60; ++m) {
    if (m == 5) continue;
    starts.push_back(m);
    counts.push_back(m < 1260 ? 1 : m < 2700 ? 2 : 3);  // ZT days: 12:00-09:00, 09:00-09:00, ...
  }
  ActivityTable t = test::HandTable({counts}, starts);
  t.start = CivilTime{2026, 12, 7, 12, 0, 0, 0};
  t.zt0Minute = -180;
  const DayProfile p = ComputeDayProfile(t, 60);
  ASSERT_TRUE(p.ok);
  ASSERT_EQ(p.slots, 24);
  // ZT 0-1 (09:00): days 2 and 3; ZT 3-4 (12:00): day 1 misses minute 5, so days 2 and 3 only.
  EXPECT_EQ(p.daysPerSlot[0], 2);
  EXPECT_DOUBLE_EQ(*p.wells[0][0], (120.0 + 180.0) / 2);
  EXPECT_EQ(p.daysPerSlot[3], 1);
  EXPECT_DOUBLE_EQ(*p.wells[0][3], 120.0);
  // ZT 4-5 (13:00): days 1 and 2.
  EXPECT_EQ(p.daysPerSlot[4], 2);
  EXPECT_DOUBLE_EQ(*p.wells[0][4], 90.0);
  const std::string wells = ProfileWellsCsv(t, p);
  EXPECT_NE(wells.find("A1,000_G0,3,3,12:00,1,120,1\r\n"), std::string::npos)
      << wells.substr(0, 2000);
}

TEST(DayProfile, ABinThatNoDayMeasuredIsEmptyAndStated) {
  ActivityTable t = test::HandTable({{4, 4}}, {0, 60}, 60);
  const DayProfile p = ComputeDayProfile(t, 120);
  ASSERT_TRUE(p.ok);
  EXPECT_DOUBLE_EQ(*p.wells[0][0], 8.0);
  EXPECT_FALSE(p.wells[0][1]);
  const std::string groups = ProfileGroupsCsv(t, p);
  EXPECT_NE(groups.find("000_G0,1,2,11:00,1,,,,0,0\r\n"), std::string::npos) << groups;
  EXPECT_EQ(groups.find("nan"), std::string::npos);
}

TEST(DayProfile, ProfileBinsMustFoldWholeBinsIntoWholeDays) {
  EXPECT_FALSE(ProfileBinRefusal(30, 1));
  EXPECT_FALSE(ProfileBinRefusal(30, 5));
  EXPECT_TRUE(ProfileBinRefusal(7, 1));    // 1440 / 7 is no whole number
  EXPECT_TRUE(ProfileBinRefusal(45, 10));  // 45 minutes are no whole number of 10-minute bins
  EXPECT_TRUE(ProfileBinRefusal(0, 1));
  ActivityTable t = test::HandTable({{1}}, {0}, 10);
  const DayProfile p = ComputeDayProfile(t, 45);
  EXPECT_FALSE(p.ok);
  EXPECT_NE(p.error.find("whole number of the run's 10-min bins"), std::string::npos);
}

}  // namespace
}  // namespace movexa
