// DAM monitor files, metadata.csv, data.csv and quality.csv, read back by a small reader of
// their own: 42 tab-separated columns with CR LF, readings indexed contiguously, the date and
// time of each bin's end, the light column, wells row-major across files, and the ids that join
// data.csv to metadata.csv.
#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "analysis/dam_export.h"
#include "analysis_fixture.h"

namespace movexa {
namespace {

using test::PlateRun;
using test::ReadFileOrDie;
using test::TempDir;

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> out;
  std::string field;
  std::istringstream in(text);
  while (std::getline(in, field, separator)) out.push_back(field);
  if (!text.empty() && text.back() == separator) out.push_back("");
  return out;
}

// Lines of a file that end in CR LF, without them; a line without its CR fails the test.
std::vector<std::string> CrLfLines(const std::string& text) {
  std::vector<std::string> out;
  size_t start = 0;
  for (size_t lf = text.find('\n'); lf != std::string::npos; lf = text.find('\n', start)) {
    EXPECT_TRUE(lf > start && text[lf - 1] == '\r') << "line " << out.size() + 1 << " lacks CR";
    out.push_back(text.substr(start, lf - start - 1));
    start = lf + 1;
  }
  EXPECT_EQ(start, text.size()) << "text after the last line end";
  return out;
}

// CSV rows after the "#" header block; the first row is the column names.
std::vector<std::vector<std::string>> CsvRows(const std::string& text) {
  std::vector<std::vector<std::string>> out;
  for (const auto& line : CrLfLines(text)) {
    if (!line.empty() && line[0] == '#') {
      EXPECT_TRUE(out.empty()) << "a header line after the data";
      continue;
    }
    out.push_back(Split(line, ','));
  }
  return out;
}

struct DamLine {
  int index = 0;
  std::string date;
  std::string time;
  int light = 0;
  std::vector<int> counts;  // 32
};

std::vector<DamLine> ReadMonitor(const std::filesystem::path& file) {
  std::vector<DamLine> out;
  for (const auto& line : CrLfLines(ReadFileOrDie(file))) {
    const auto f = Split(line, '\t');
    EXPECT_EQ(f.size(), 42u) << line;
    if (f.size() != 42) continue;
    DamLine d;
    d.index = std::stoi(f[0]);
    d.date = f[1];
    d.time = f[2];
    EXPECT_EQ(f[3], "1");
    for (int c = 4; c < 9; ++c) EXPECT_EQ(f[static_cast<size_t>(c)], "0");
    d.light = std::stoi(f[9]);
    for (int c = 10; c < 42; ++c) d.counts.push_back(std::stoi(f[static_cast<size_t>(c)]));
    out.push_back(d);
  }
  return out;
}

TEST(DamExport, FirstLineOfTheFirstMonitorFile) {
  // A run started 2026-12-07 09:00 with 1-minute bins; A1 counted 3 in the first bin.
  TempDir dir;
  PlateRun run(dir.path());
  run.Light(true, 9, 21);
  const auto folder = run.Write("20261207_0900", test::MinuteRecords(run, 5, 4, [](int w, int m) {
                                  return w == 0 && m == 0 ? 3 : 0;
                                }));
  ActivityLoad load = run.Load({folder});
  ASSERT_TRUE(load.ok) << load.error;
  EXPECT_EQ(
      MonitorFileText(load.table, 0).substr(0, MonitorFileText(load.table, 0).find("\r\n") + 2),
      "1\t7 Dec 26\t09:01:00\t1\t0\t0\t0\t0\t0\t1\t3" +
          [] {
            std::string zeros;
            for (int k = 0; k < 31; ++k) zeros += "\t0";
            return zeros;
          }() +
          "\r\n");
}

TEST(DamExport, WellsGoRowMajorThirtyTwoToAFile) {
  // The well map numbers wells column-major (B1 = 1); monitor files go row-major (B1 = 12).
  EXPECT_EQ(RowMajorPosition(0, 8, 12), 0);
  EXPECT_EQ(RowMajorPosition(1, 8, 12), 12);
  EXPECT_EQ(RowMajorPosition(16, 8, 12), 2);   // A3
  EXPECT_EQ(RowMajorPosition(95, 8, 12), 95);  // H12
  EXPECT_EQ(RowMajorPosition(7, 8, 12), 84);   // H1
  EXPECT_EQ(MonitorFileName(31), "Monitor01.txt");
  EXPECT_EQ(MonitorFileName(32), "Monitor02.txt");
  EXPECT_EQ(MonitorFileName(383), "Monitor12.txt");
  EXPECT_EQ(DamDate(CivilTime{2027, 1, 1, 0, 0, 0, 0}), "1 Jan 27");
  EXPECT_EQ(DamDate(CivilTime{2026, 12, 17, 0, 0, 0, 0}), "17 Dec 26");

  TempDir dir;
  PlateRun plate96(dir / "a");
  auto load = plate96.Load({plate96.Write(
      "20261207_0900", test::MinuteRecords(plate96, 3, 1, [](int, int) { return 1; }))});
  ASSERT_TRUE(load.ok);
  EXPECT_EQ(MonitorFileCount(load.table), 3);
  PlateRun plate384(dir / "b", "w384");
  load = plate384.Load({plate384.Write(
      "20261207_0900", test::MinuteRecords(plate384, 3, 1, [](int, int) { return 1; }))});
  ASSERT_TRUE(load.ok);
  EXPECT_EQ(MonitorFileCount(load.table), 12);
}

TEST(DamExport, FilesReadBackMatchTheWellsThroughMetadataIds) {
  TempDir dir;
  PlateRun run(dir.path());
  run.FreeAll();
  run.Assign(1, "Control", {"A1", "B1", "H12"});
  run.Assign(4, "Mutant", {"A2", "C5"});
  run.Light(true, 0, 12);
  // From 23:50 over midnight, four records a minute, no record closed in minutes 20..24.
  auto count = [](int well, int minute) { return (well + 1) * (minute % 3); };
  std::vector<CountsRecord> records;
  for (int m = 0; m < 40; ++m) {
    if (m >= 20 && m < 25) continue;
    for (int k = 0; k < 4; ++k)
      records.push_back(run.Record(m, [&](int w) { return k == 0 ? count(w, m) : 0; }));
  }
  records.push_back(run.Record(40));  // the partial last bin, left out
  const auto folder = run.Write("20261231_2350", records);
  ActivityLoad load = run.Load({folder});
  ASSERT_TRUE(load.ok) << load.error;
  const auto out = dir / "export";
  DamExport result = ExportDam(load.table, out);
  ASSERT_TRUE(result.ok) << result.error;
  EXPECT_EQ(result.files.size(), 3u + 3u);

  // metadata.csv: file and region of every well; ids as data.csv builds them.
  const auto meta = CsvRows(ReadFileOrDie(out / "metadata.csv"));
  ASSERT_EQ(meta.size(), 97u);
  EXPECT_EQ(meta[0], (std::vector<std::string>{"file", "start_datetime", "stop_datetime",
                                               "region_id", "well", "group", "plate", "status"}));
  std::map<std::string, std::vector<std::string>> byWell;
  std::map<std::string, std::string> idOfWell;
  for (size_t r = 1; r < meta.size(); ++r) {
    byWell[meta[r][4]] = meta[r];
    EXPECT_EQ(meta[r][1], "2026-12-31 00:00:00");  // ZT0: lights on at midnight before the start
    EXPECT_EQ(meta[r][2], "2027-01-01 00:30:00");
    idOfWell[meta[r][4]] =
        meta[r][1] + "|" + meta[r][0] + "|" + (meta[r][3].size() == 1 ? "0" : "") + meta[r][3];
  }
  EXPECT_EQ(byWell["B1"][0], "Monitor01.txt");
  EXPECT_EQ(byWell["B1"][3], "13");
  EXPECT_EQ(byWell["H12"][0], "Monitor03.txt");
  EXPECT_EQ(byWell["H12"][3], "32");
  EXPECT_EQ(byWell["A1"][5], "001_Control");
  EXPECT_EQ(byWell["C5"][5], "004_Mutant");
  EXPECT_EQ(byWell["D7"][5], "999_Free");
  EXPECT_EQ(byWell["D7"][7], "free");
  EXPECT_EQ(byWell["A1"][7], "ok");

  // Monitor files: one line per measured bin, the gap a jump in time, every count the well's.
  std::map<std::string, std::vector<DamLine>> files;
  for (const char* f : {"Monitor01.txt", "Monitor02.txt", "Monitor03.txt"})
    files[f] = ReadMonitor(out / f);
  for (const auto& [name, lines] : files) {
    ASSERT_EQ(lines.size(), 35u) << name;
    for (size_t i = 0; i < lines.size(); ++i) EXPECT_EQ(lines[i].index, static_cast<int>(i) + 1);
  }
  const auto& first = files["Monitor01.txt"];
  EXPECT_EQ(first[0].date, "31 Dec 26");
  EXPECT_EQ(first[0].time, "23:51:00");
  EXPECT_EQ(first[9].date, "1 Jan 27");
  EXPECT_EQ(first[9].time, "00:00:00");
  EXPECT_EQ(first[19].time, "00:10:00");
  EXPECT_EQ(first[20].time, "00:16:00");  // minutes 20..24 were not measured
  EXPECT_EQ(first[0].light, 0);           // 23:50 is dark (lights 00:00-12:00)
  EXPECT_EQ(first[10].light, 1);          // the bin that starts at 00:00
  for (const auto& [label, row] : byWell) {
    const auto& lines = files[row[0]];
    const int region = std::stoi(row[3]);
    const int well = run.WellNumber(label);
    for (size_t i = 0; i < lines.size(); ++i) {
      const int minute = static_cast<int>(i < 20 ? i : i + 5);
      ASSERT_EQ(lines[i].counts[static_cast<size_t>(region - 1)], count(well, minute))
          << label << " line " << i;
    }
  }

  // data.csv: ids of metadata.csv, the bin starts in seconds, the wells' counts.
  const auto data = CsvRows(ReadFileOrDie(out / "data.csv"));
  ASSERT_EQ(data.size(), 1u + 96u * 35u);
  EXPECT_EQ(data[0], (std::vector<std::string>{"id", "well", "group", "t_s", "datetime", "activity",
                                               "light"}));
  for (size_t r = 1; r < data.size(); ++r) {
    const auto& row = data[r];
    ASSERT_EQ(row.size(), 7u);
    ASSERT_EQ(row[0], idOfWell[row[1]]) << r;
    EXPECT_EQ(row[2], byWell[row[1]][5]);
    const int minute = std::stoi(row[3]) / 60;
    ASSERT_EQ(std::stoi(row[5]), count(run.WellNumber(row[1]), minute)) << r;
  }
  EXPECT_EQ(data[1][0], "2026-12-31 00:00:00|Monitor01.txt|01");
  EXPECT_EQ(data[1][4], "2026-12-31 23:50:00");

  // The check beside them.
  const std::string quality = ReadFileOrDie(out / "quality.csv");
  EXPECT_NE(quality.find("\r\nmissing bins,5\r\n"), std::string::npos) << quality;
  EXPECT_NE(quality.find("\r\nlargest gap (min),6\r\n"), std::string::npos);
  EXPECT_NE(quality.find("\r\nbin length regular,no\r\n"), std::string::npos);
  EXPECT_NE(quality.find("\r\npartial last bin records left out,1\r\n"), std::string::npos);
  EXPECT_EQ(quality.find("nan"), std::string::npos);
  const auto lines = QualityLines(load.table);
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[1],
            "duplicated bin times: 0; missing bins: 5; largest gap: 6 min; bin length irregular");
}

}  // namespace
}  // namespace movexa
