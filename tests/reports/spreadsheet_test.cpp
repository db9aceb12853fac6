// A ".csv" report opens as a spreadsheet with every value in its own cell: LibreOffice converts
// it headless (told only the separator, as its import dialog asks; the character set comes from
// the byte-order mark) and the cells of the result are compared with the report's fields.
#include <gtest/gtest.h>

#include <cstdlib>
#include <regex>

#include "report_fixture.h"
#include "reports/report_generation.h"
#include "base/text_records.h"

namespace movexa {
namespace {

using test::ReadFileOrDie;

std::string Trim(const std::string& s) {
  size_t b = s.find_first_not_of(" \t\r\n"), e = s.find_last_not_of(" \t\r\n");
  return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
}

// The text of an HTML cell: tags removed, entities resolved, blanks trimmed.
std::string Unescape(std::string s) {
  s = std::regex_replace(s, std::regex("<[^>]*>"), "");
  const std::pair<const char*, const char*> entities[] = {{"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&amp;", "&"}, {"&nbsp;", " "}};
  for (auto [from, to] : entities) s = std::regex_replace(s, std::regex(from), to);
  return Trim(s);
}

std::vector<std::vector<std::string>> HtmlCells(const std::string& html) {
  std::vector<std::vector<std::string>> rows;
  std::regex tr("<tr[^>]*>([\\s\\S]*?)</tr>"), td("<td[^>]*>([\\s\\S]*?)</td>");
  for (std::sregex_iterator r(html.begin(), html.end(), tr), end; r != end; ++r) {
    std::vector<std::string> cells;
    const std::string row = (*r)[1];
    for (std::sregex_iterator c(row.begin(), row.end(), td); c != end; ++c) cells.push_back(Unescape((*c)[1]));
    rows.push_back(cells);
  }
  return rows;
}

bool SameCell(const std::string& expected, const std::string& cell) {
  if (expected == cell) return true;
  auto a = ParseReal(expected), b = ParseReal(cell);  // "1.0" shows as 1
  return a && b && *a == *b;
}

TEST(ReportSpreadsheet, CsvReportOpensWithEveryValueInItsOwnCell) {
  if (std::system("command -v soffice >/dev/null 2>&1") != 0) {
    if (std::getenv("CI")) FAIL() << "soffice is missing (scripts/install-deps.sh office)";
    GTEST_SKIP() << "soffice is not installed";
  }
  test::TempDir dir;
  test::Acquisition acq = test::MakeAcquisition(dir.path(), "20240319_1405", test::RegularRecords(101));
  FakeHost fake;
  ReportRequest r = test::BasicRequest(acq);
  r.layout.stdDev = true;
  ReportOutcome out = GenerateReport(r, fake.host);
  ASSERT_EQ(out.status, ReportStatus::kWritten);
  const std::string command = "cd '" + dir.path().string() + "' && soffice -env:UserInstallation=file://" +
                              (dir / "profile").string() +
                              " --headless --infilter=CSV:44,34,,1 --convert-to html --outdir out '" +
                              out.reportPath.string() + "' >convert.log 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0) << ReadFileOrDie(dir / "convert.log");
  const auto cells = HtmlCells(ReadFileOrDie(dir / "out" / "report.html"));
  std::string csv = ReadFileOrDie(out.reportPath).substr(3);  // after the byte-order mark
  const auto lines = SplitLines(csv);
  ASSERT_EQ(cells.size(), lines.size());
  for (size_t i = 0; i < lines.size(); ++i) {
    std::vector<std::string> fields;
    for (size_t start = 0;;) {
      size_t comma = lines[i].find(',', start);
      std::string f = lines[i].substr(start, comma == std::string::npos ? std::string::npos : comma - start);
      if (f.size() >= 2 && f.front() == '"' && f.back() == '"') f = f.substr(1, f.size() - 2);
      fields.push_back(Trim(f));
      if (comma == std::string::npos) break;
      start = comma + 1;
    }
    ASSERT_GE(cells[i].size(), fields.size()) << "line " << i + 1 << ": " << lines[i];
    for (size_t k = 0; k < cells[i].size(); ++k) {
      const std::string want = k < fields.size() ? fields[k] : std::string();
      EXPECT_TRUE(SameCell(want, cells[i][k])) << "line " << i + 1 << " cell " << k + 1 << ": \""
                                               << cells[i][k] << "\" instead of \"" << want << "\"";
    }
  }
  // The degree sign reads as such.
  EXPECT_NE(ReadFileOrDie(dir / "out" / "report.html").find("Temp[\xC2\xB0" "C]"), std::string::npos);
}

}  // namespace
}  // namespace movexa
