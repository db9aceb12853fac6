// The small fixed acquisition of the report tests.
#include "report_fixture.h"

#include <gtest/gtest.h>

#include "base/text_records.h"

namespace movexa::test {

std::string MiniPlateText() {
  RecordWriter w;
  w.Header("Mini test plate").Header("2 rows x 3 columns");
  w.Int(2).Real(2).Real(-0.5).Int(3).Real(2).Real(0).EndLine();
  w.Header("Channel, Well, Beam");
  const int wells[] = {0, 0, 1, 1, 2, 2, 3, -1, -1, 4};
  const int beams[] = {0, 1, 0, 1, 0, 1, 0, 0, 0, 1};
  for (int c = 0; c < kChannelCount; ++c) {
    int well = c < 10 ? wells[c] : -1;
    int beam = c < 10 ? beams[c] : 0;
    w.Text(well < 0 ? "-" : "ch" + std::to_string(c)).Int(well).Int(beam).EndLine();
  }
  return w.str();
}

std::string SetupText(const std::string& plate, int method, int organism, int snrX10) {
  RecordWriter w;
  w.Header("Project Setup: <Num_proj>,<Name>,<Working_folder>,<Plate_format>");
  w.Int(1).Text("Test").Text("/tmp/p00001/").Text(plate).EndLine();
  w.Header("<Aq_mode>,<Aq_lapse>,<Sample_Rate>,<RT_Buffer>,<DSP_Method>,<DSP_Interval>");
  w.Int(1).Int(30).Int(99).Int(500).Int(method).Int(30).EndLine();
  w.Header("<Binary_Acq>,<Threshold_Counter>,<Cal_value>,<Cal_mode>,<Save_counts>,<Save_real>");
  w.Int(1).Int(300).Int(80).Int(1).Int(1).Int(1).EndLine();
  w.Header("Tools: <Menu1:Cal>, <Menu2:Light>, <Menu3:Temp>, <Menu4>, <Menu5>, <Menu6>");
  w.Int(1).Int(0).Int(0).Int(0).Int(0).Int(0).EndLine();
  w.Header("Mn1: <Organism>, <Enab_Cal>, <Enab_Zero>, <SNRx10>,,");
  w.Int(organism).Int(1).Int(1).Int(snrX10).Int(0).Int(0).EndLine();
  w.Header("Mn2: <Enable>, <Time_ON>, <v3:Time_OFF>,,,");
  w.Int(0).Int(9).Int(21).Int(0).Int(0).Int(0).EndLine();
  w.Header("Mn3: <v1:Enable>, <v2:Tempx10>,,,,");
  w.Int(0).Int(200).Int(0).Int(0).Int(0).Int(0).EndLine();
  for (int r = 4; r <= 6; ++r) {
    w.Header("Mn" + std::to_string(r) + ": ,,,,,");
    w.Int(0).Int(0).Int(0).Int(0).Int(0).Int(0).EndLine();
  }
  return w.str();
}

void WriteCounts(const std::filesystem::path& folder, const std::vector<CountsRecord>& records) {
  std::string bytes;
  for (const auto& r : records) EncodeCountsRecord(r, bytes);
  WriteFileOrDie(folder / "counts.bin", bytes);
}

Acquisition MakeAcquisition(const std::filesystem::path& root, const std::string& name,
                            const std::vector<CountsRecord>& records, const std::string& subproject) {
  Acquisition acq{root / "app", root / "app" / "p00001" / name};
  std::filesystem::create_directories(acq.folder);
  WriteFileOrDie(acq.app / "mini.dat", MiniPlateText());
  WriteFileOrDie(acq.folder / "setup.dat", SetupText("mini"));
  RecordWriter groups;
  groups.Header("<Group_Number>, <Group_Name>");
  RecordWriter chgroup;
  chgroup.Header("<Channel>, <Group: -1=Free>");
  for (int k = 0; k < kChannelCount; ++k) {
    groups.Int(k).Text(k == 0 ? "Control" : k == 1 ? "Drug A" : k == 2 ? "Empty" : "Free").EndLine();
    int g = -1;
    if (k <= 3) g = 0;
    if (k == 4 || k == 5 || k == 9) g = 1;
    if (k == 20) g = 2;
    chgroup.Int(k).Int(g).EndLine();
  }
  WriteFileOrDie(acq.folder / "groups.dat", groups.str());
  WriteFileOrDie(acq.folder / "chgroup.dat", chgroup.str());
  RecordWriter sub;
  sub.Text(subproject).EndLine();
  WriteFileOrDie(acq.folder / "subproj.dat", sub.str());
  WriteCounts(acq.folder, records);
  return acq;
}

std::vector<CountsRecord> Records(const std::vector<int32_t>& times,
                                  const std::function<int16_t(int channel, int k)>& count) {
  std::vector<CountsRecord> out;
  for (size_t k = 0; k < times.size(); ++k) {
    CountsRecord r;
    r.minutes = times[k];
    for (int c : kMiniUsedChannels) r.values[c] = count(c, static_cast<int>(k));
    r.values[kChannelCount] = static_cast<int16_t>(245 + k % 3);
    out.push_back(r);
  }
  return out;
}

int16_t FixtureCount(int channel, int k) { return static_cast<int16_t>((channel * 7 + k * 3) % 11); }

std::vector<CountsRecord> RegularRecords(int n, int stepMinutes) {
  std::vector<int32_t> times;
  for (int k = 0; k < n; ++k) times.push_back(k * stepMinutes);
  return Records(times, FixtureCount);
}

ReportRequest BasicRequest(const Acquisition& acq, const std::string& bin) {
  ReportRequest r;
  r.acquisitionFolder = acq.folder;
  r.appFolder = acq.app;
  r.binText = bin;
  r.layout.separator = ",";
  r.autoreport = true;
  return r;
}

std::string Normalised(std::string content, const std::filesystem::path& folder) {
  const std::string path = folder.string();
  for (size_t at = content.find(path); at != std::string::npos; at = content.find(path, at)) {
    content.replace(at, path.size(), "<ACQ>");
  }
  size_t date = content.find("\"DATE:\"");
  if (date != std::string::npos) {
    size_t end = content.find("\r\n", date);
    content.erase(date, end == std::string::npos ? std::string::npos : end + 2 - date);
  }
  return content;
}

}  // namespace movexa::test
