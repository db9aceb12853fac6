// Basal normalisation of a resampled acquisition.
#include "reports/basal.h"

#include <algorithm>

#include "base/file_io.h"
#include "base/rounding.h"
#include "base/text_records.h"
#include "reports/report_math.h"
#include "reports/report_texts.h"
#include "reports/resampling.h"

namespace movexa {

namespace rt = report_text;

namespace {

// Rounds of the two basal-minutes questions before the operator is taken to have given up.
constexpr int kMaxBasalQuestionRounds = 100;

int64_t AnswerMinutes(const std::string& answer) {
  auto v = ParseOperatorNumber(answer);
  return v ? RoundHalfEven(*v) : 0;
}

bool InUse(const ReportProjectTables& p, int channel) {
  const int16_t group = p.channelGroup[channel];
  return p.channelWell[channel] >= 0 && group >= 0 && group != kFreeGroupLabelNumber;
}

// Asks for the basal minutes Z until it lies in B..d. Empty optional: the operator cancelled
// the range question (an empty answer there ends the report instead of asking for ever).
std::optional<int64_t> AskBasalMinutes(int64_t bin, int64_t basalLast, Host& host) {
  const int64_t proposal = basalLast < 2 * bin ? bin : 2 * bin;
  const std::string prompt = std::string(rt::kBasalLengthPrompt1) + std::to_string(basalLast) +
                             std::string(rt::kBasalLengthPrompt2) + std::to_string(bin) +
                             std::string(rt::kBasalLengthPrompt3) + std::string(rt::kLineBreak) +
                             std::string(rt::kLineBreak) + std::string(rt::kBasalLengthPrompt4);
  const std::string rangePrompt = std::string(rt::kBasalRangePrompt1) + std::to_string(bin) +
                                  std::string(rt::kBasalRangePrompt2) + std::to_string(basalLast);
  auto inRange = [&](int64_t z) { return z >= bin && z <= basalLast; };
  int64_t z = AnswerMinutes(host.dialogs.Input(prompt, rt::kBasalInputTitle, std::to_string(proposal)));
  for (int round = 0; !inRange(z); ++round) {
    if (round >= kMaxBasalQuestionRounds) return std::nullopt;
    std::string again = host.dialogs.Input(rangePrompt, rt::kBasalInputTitle, std::to_string(bin));
    if (again.empty()) return std::nullopt;
    z = AnswerMinutes(again);
    if (inRange(z)) break;
    z = AnswerMinutes(host.dialogs.Input(prompt, rt::kBasalInputTitle, std::to_string(proposal)));
  }
  return z;
}

std::string ZeroBasalModeQuestion() {
  std::string text;
  for (size_t i = 0; i < rt::kZeroBasalModeLines.size(); ++i) {
    if (i > 0) text += rt::kLineBreak;
    text += rt::kZeroBasalModeLines[i];
  }
  return text;
}

}  // namespace

bool BasalSelected(const std::string& basalText) {
  return !basalText.empty() && basalText != "-" && basalText.size() > 12;
}

std::array<int64_t, kChannelCount> BasalValues(const BinnedCounts& basal, int64_t binMinutes,
                                               int64_t basalMinutes, int64_t basalLastTime) {
  std::array<int64_t, kChannelCount> values{};
  for (size_t i = 0; i < basal.size(); ++i) {
    if (basal.times[i] > basalMinutes) continue;
    const int64_t* counts = basal.Record(i);
    for (int c = 0; c < kChannelCount; ++c) values[c] += counts[c];
  }
  for (auto& v : values) {
    if (basalLastTime > 0 && basalLastTime < binMinutes) v = RoundHalfEvenDiv(v * binMinutes, basalLastTime);
    if (binMinutes < basalMinutes) v = RoundHalfEvenDiv(v * binMinutes, basalMinutes);
  }
  return values;
}

BasalResult NormaliseToBasal(BinnedCounts& bins, ReportProjectTables& project,
                             const std::filesystem::path& acquisitionFolder,
                             const std::string& basalText, int64_t binMinutes,
                             const BasalAnswers& answers, Host& host) {
  BasalResult result;
  const std::string acquisitionPath = acquisitionFolder.string();
  host.dialogs.Message(std::string(rt::kBasalUsingGroups) +
                           acquisitionPath.substr(acquisitionPath.size() > 20 ? acquisitionPath.size() - 20 : 0),
                       rt::kBasalTitle);

  // The basal acquisition is a sibling folder: its name is the list entry's first 13 characters.
  const auto basalCounts = acquisitionFolder.parent_path() / basalText.substr(0, 13) / "counts.bin";
  std::string error;
  auto file = ReadCountsFile(basalCounts, error);
  const std::string basalName = std::string(rt::kWhyBasal) + basalText.substr(0, 13) + ": ";
  if (!file) {
    result.outcome = BasalOutcome::kResamplingError;
    result.detail = error;
    result.advice = basalName + error + std::string(rt::kLineBreak) + std::string(rt::kNextBasal);
    return result;
  }
  if (file->tornBytes > 0)
    host.status.SetStatus(rt::kStatusLabel, TornTailNote(basalCounts, file->tornBytes));
  const LoadedCounts basalRecords = LoadCountsForReport(file->bytes);
  ResampleResult basal = Resample(basalRecords, binMinutes);
  if (!basal.ok) {
    result.outcome = BasalOutcome::kResamplingError;
    result.detail = basalCounts.string() + ": " + basal.error;
    result.advice = basalName + ResamplingAdvice(basal, binMinutes, basalRecords.size()) +
                    std::string(rt::kLineBreak) + std::string(rt::kNextBasal);
    return result;
  }
  const int64_t d = basal.lastTime;

  // Basal minutes Z, B <= Z <= d.
  int64_t z = binMinutes;
  if (3 * binMinutes < 2 * d) {  // B * 1.5 < d
    if (answers.basalMinutes) {
      z = *answers.basalMinutes;
      if (z < binMinutes || z > d) {
        result.outcome = BasalOutcome::kMinutesOutOfRange;
        result.detail = std::string(rt::kBasalRangePrompt1) + std::to_string(binMinutes) +
                        std::string(rt::kBasalRangePrompt2) + std::to_string(d);
        return result;
      }
    } else if (answers.useProposedMinutes) {
      z = d < 2 * binMinutes ? binMinutes : 2 * binMinutes;
    } else {
      auto asked = AskBasalMinutes(binMinutes, d, host);
      if (!asked) {
        result.outcome = BasalOutcome::kDeclined;
        return result;
      }
      z = *asked;
    }
  }
  result.basalMinutes = z;
  std::array<int64_t, kChannelCount> basalValue = BasalValues(basal.bins, binMinutes, z, d);

  // Well step: every channel of a well takes the well's mean basal value and mean counts.
  const int positions = project.largestPosition + 1;
  std::vector<int> channels;
  for (int w = 0; w <= project.largestWell; ++w) {
    channels.clear();
    for (int p = 0; p < positions; ++p) {
      if (int ch = project.ChannelAt(w, p); ch >= 0) channels.push_back(ch);
    }
    if (channels.empty()) continue;
    const auto m = static_cast<int64_t>(channels.size());
    int64_t basalSum = 0;
    for (int ch : channels) basalSum += basalValue[ch];
    const int64_t basalMean = RoundHalfEvenDiv(basalSum, m);
    for (size_t i = 0; i < bins.size(); ++i) {
      int64_t* counts = bins.Record(i);
      int64_t sum = 0;
      for (int ch : channels) sum += counts[ch];
      const int64_t mean = RoundHalfEvenDiv(sum, m);
      for (int ch : channels) counts[ch] = mean;
    }
    for (int ch : channels) basalValue[ch] = basalMean;
  }

  // Wells in use whose basal is zero: the operator chooses once how to treat them all.
  int zeroWells = 0;
  for (int w = 0; w <= project.largestWell; ++w) {
    int ch = project.ChannelAt(w, 0);
    if (ch >= 0 && basalValue[ch] == 0 && project.channelGroup[ch] >= 0 &&
        project.channelGroup[ch] != kFreeGroupLabelNumber) {
      ++zeroWells;
    }
  }
  ZeroBasalMode mode = ZeroBasalMode::kMaxActivity;
  if (zeroWells > 0) {
    result.detail = std::string(rt::kZeroBasalCount1) + std::to_string(zeroWells) + " BASAL WELLS with 0 activity";
    if (answers.declineZeroBasal) {
      result.outcome = BasalOutcome::kDeclined;
      return result;
    }
    if (answers.zeroBasalMode) {
      mode = *answers.zeroBasalMode;
    } else {
      const std::string proceed = std::string(rt::kZeroBasalCount1) + std::to_string(zeroWells) +
                                  std::string(rt::kZeroBasalCount2);
      if (host.dialogs.Ask(proceed, Dialogs::Buttons::kYesNo) != Dialogs::Answer::kYes) {
        result.outcome = BasalOutcome::kDeclined;
        return result;
      }
      Dialogs::Answer a = host.dialogs.Ask(ZeroBasalModeQuestion(), Dialogs::Buttons::kYesNoCancel);
      mode = a == Dialogs::Answer::kYes  ? ZeroBasalMode::kMaxActivity
             : a == Dialogs::Answer::kNo ? ZeroBasalMode::kPlateAverage
                                         : ZeroBasalMode::kDiscard;
    }
  }

  // Percentages of the basal value, capped at 10000.
  for (int j = 0; j < kChannelCount; ++j) {
    if (!InUse(project, j)) continue;
    int64_t& value = basalValue[j];
    if (value < 1) {
      if (mode == ZeroBasalMode::kMaxActivity) {
        int64_t largest = 0;
        for (size_t i = 0; i < bins.size(); ++i) largest = std::max(largest, bins.Record(i)[j]);
        value = largest;
      } else if (mode == ZeroBasalMode::kPlateAverage) {
        int64_t sum = 0;
        int64_t used = 0;
        for (int c = 0; c < kChannelCount; ++c) {
          if (!InUse(project, c)) continue;
          sum += basalValue[c];
          ++used;
        }
        value = used > 0 ? RoundHalfEvenDiv(sum, used) : 0;
      } else {
        value = -1;
        project.channelGroup[j] = kFreeGroup;
      }
    }
    if (value < 1) {
      project.channelGroup[j] = kFreeGroup;
      for (size_t i = 0; i < bins.size(); ++i) bins.Record(i)[j] = -999;
      ++result.discardedChannels;
      continue;
    }
    for (size_t i = 0; i < bins.size(); ++i) {
      int64_t& count = bins.Record(i)[j];
      const ReportWide hundredfold = static_cast<ReportWide>(count) * 100;
      count = hundredfold >= static_cast<ReportWide>(value) * 10000
                  ? 10000
                  : static_cast<int64_t>(RoundRatio(hundredfold, value));
    }
  }
  if (result.discardedChannels > 0) {
    host.dialogs.Problem(std::string(rt::kBasalDiscarded1) +
                         std::to_string(result.discardedChannels) +
                         std::string(rt::kBasalDiscarded2) + std::string(rt::kLineBreak) +
                         std::string(rt::kBasalDiscarded3));
  }
  return result;
}

}  // namespace movexa
