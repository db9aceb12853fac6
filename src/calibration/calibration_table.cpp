// "calvalue.dat" reader and writers, register byte encoding.
#include "calibration/calibration_table.h"

#include <algorithm>

#include "base/file_io.h"
#include "base/text_records.h"

namespace movexa {

namespace {

constexpr std::string_view kChannelsHeader = "<Num_Channel>, <PinHole>, <Gain> ";
constexpr std::string_view kRegistersHeader = "channel, power, gain";
constexpr std::string_view kRegisterFileNotice =
    "calvalue.dat holds the instrument's register values (self-calibration): register r was "
    "taken as channel 2r";

// Register r of a layout-B record as channel 2r, when that is a channel.
bool RegisterChannel(int reg, int& channel) {
  channel = 2 * reg;
  return reg >= 0 && channel < kChannelCount;
}

}  // namespace

uint8_t EncodeCalibrationRegister(int power, int gain) {
  return static_cast<uint8_t>(std::clamp(gain, 0, 7) * 32 + std::clamp(power, 0, 31));
}

PowerGain DecodeCalibrationRegister(int value) {
  if (value < 0) return {-1, 0};
  return {static_cast<int16_t>(value % 32), static_cast<int16_t>(value / 32)};
}

CalibrationLoad ParseCalibrationTable(std::string_view text, CalibrationTable& table) {
  CalibrationLoad out;
  out.read = true;
  RecordReader reader(text);
  auto header = reader.Next();
  if (!header) return out;  // an empty file: nothing to take
  if (!header->quoted && header->text == "channel") {
    out.layout = CalibrationLayout::kRegisters;
    out.notice = std::string(kRegisterFileNotice);
    reader.Skip(2);
  } else if (!header->quoted) {
    reader = RecordReader(text);  // no header line: the records start at once
  }
  int limit = out.layout == CalibrationLayout::kRegisters ? kCalibrationRegisters : kChannelCount;
  for (int i = 0; i < limit && !reader.AtEnd(); ++i) {
    int16_t index = 0;
    int16_t power = 0;
    int16_t gain = 0;
    if (!reader.ReadInt16(index) || !reader.ReadInt16(power) || !reader.ReadInt16(gain)) {
      out.problem = reader.ErrorText();
      break;
    }
    ++out.records;
    // A setting register holds power in 5 bits and gain in 3: anything else is no setting the
    // instrument could take (and would send the calibration ladder on a walk of hours).
    const bool unread = out.layout == CalibrationLayout::kRegisters && power < 0;
    if (!unread && (power < 0 || power > kMaxPower || gain < 0 || gain > kMaxGain)) {
      ++out.outOfRange;
      power = kResetPower;
      gain = kResetGain;
    }
    if (out.layout == CalibrationLayout::kChannels) {
      table.PowerTable[i] = power;
      table.GainTable[i] = gain;
      continue;
    }
    int channel = 0;
    if (power < 0) {
      ++out.unreadRegisters;
    } else if (RegisterChannel(i, channel)) {
      table.PowerTable[channel] = power;
      table.GainTable[channel] = gain;
    }
  }
  if (out.outOfRange > 0 && out.problem.empty()) {
    out.problem = std::to_string(out.outOfRange) +
                  " record(s) with a power outside 0..31 or a gain outside 0..7 were given the "
                  "reset setting (power 2, gain 3)";
  }
  return out;
}

CalibrationLoad LoadCalibrationTable(const std::filesystem::path& appDir, CalibrationTable& table) {
  std::string error;
  auto content = ReadWholeFile(appDir / kCalibrationFileName, &error);
  if (!content) {
    CalibrationLoad out;
    out.problem = error;
    return out;
  }
  return ParseCalibrationTable(*content, table);
}

std::string FormatCalibrationChannels(const CalibrationTable& table) {
  RecordWriter w;
  w.Header(kChannelsHeader);
  for (int c = 0; c < kChannelCount; ++c) {
    w.Int(c).Int(table.PowerTable[c]).Int(table.GainTable[c]).EndLine();
  }
  return w.str();
}

std::string FormatCalibrationRegisters(std::span<const int, kCalibrationRegisters> registerValues) {
  RecordWriter w;
  w.Raw(kRegistersHeader).EndLine();
  for (int r = 0; r < kCalibrationRegisters; ++r) {
    PowerGain pg = DecodeCalibrationRegister(registerValues[r]);
    w.Int(r).Int(pg.power).Int(pg.gain).EndLine();
  }
  return w.str();
}

bool SaveCalibrationTable(const std::filesystem::path& appDir, const CalibrationTable& table,
                          std::string* error) {
  return WriteFileAtomic(appDir / kCalibrationFileName, FormatCalibrationChannels(table), error);
}

bool ResetCalibrationTable(const std::filesystem::path& appDir, CalibrationTable& table,
                           std::string* error) {
  for (int c = 0; c < kChannelCount; ++c) {
    table.PowerTable[c] = kResetPower;
    table.GainTable[c] = kResetGain;
  }
  return SaveCalibrationTable(appDir, table, error);
}

void ApplyRegisterReadback(std::span<const int, kCalibrationRegisters> registerValues,
                           CalibrationTable& table) {
  for (int r = 0; r < kCalibrationRegisters; ++r) {
    PowerGain pg = DecodeCalibrationRegister(registerValues[r]);
    int channel = 0;
    if (pg.power < 0 || !RegisterChannel(r, channel)) continue;
    table.PowerTable[channel] = pg.power;
    table.GainTable[channel] = pg.gain;
  }
}

}  // namespace movexa
