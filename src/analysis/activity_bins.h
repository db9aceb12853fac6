// How the records of a run become analysis bins, and the check of the bin times.
//
// A record's time is the whole elapsed minute in which it closed. With several records a minute
// (the usual recording), a 1-minute bin holds every record that closed within that minute. With
// records of a minute or longer, each record is one bin whose length is the records' typical
// length, placed by its estimated start. Records are never split, and a bin no record fills
// stays missing.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "analysis/activity_table.h"

namespace movexa {

inline constexpr int64_t kLeftOut = -1;
inline constexpr int64_t kDamagedRecord = -2;  // a time or bin index marking a damaged record

struct BinLayout {
  int64_t binMinutes = 1;
  double recordMinutes = 0;   // typical record length (median slope of the record times)
  bool severalPerBin = true;  // records shorter than a minute, summed per closing minute
};

// The layout for record times `closeMinutes` (day-wrap adjusted, in file order). The typical
// record length is the median, over windows of consecutive records (an eighth of them, 1 to 60),
// of the minutes a window spans divided by its records: the jitter of whole-minute stamps
// averages out, and a gap only disturbs the windows that contain it. Below one minute the bins
// are 1 minute and several records share one; otherwise the bin is that length rounded to whole
// minutes.
BinLayout ChooseBinLayout(const std::vector<int64_t>& closeMinutes);

// With one record a bin, a record closed at whole minute t closed at t + f for some fraction f
// of that minute; its start is about t + f - recordMinutes. The fraction is not stored, and it
// drifts slowly, so one is chosen per recording (one acquisition's records, `closeMinutes`,
// whose minute 0 is `startMinute` of the run): among 1/16, 3/16, ..., 15/16 the one that doubles
// or skips the fewest bins and puts the first record nearest the recording's start. With
// several records a bin it does not matter (0.5).
double ChooseCloseFraction(const std::vector<int64_t>& closeMinutes, int64_t startMinute,
                           const BinLayout& layout);

// Bin index of a record closed at `closeMinute`: the closing minute itself with several records
// a bin; with one record a bin, the bin nearest its estimated start closeMinute +
// `closeFraction` - recordMinutes, never below 0.
int64_t BinOfRecord(int64_t closeMinute, const BinLayout& layout, double closeFraction = 0.5);

// One sentence for output headers: how the records became bins.
std::string BinRuleText(const BinLayout& layout);

// What a first look at a record found.
enum RecordMark : char { kRecordSound = 0, kRecordNegative = 1, kRecordBlank = 2 };

// Day-wrap adjusted times of one recording's records from their stored minutes, or
// kDamagedRecord for a damaged record, which is also kept out of the day-wrap rule: a record
// marked kRecordNegative (a negative count) or with a negative time; a record of zero bytes
// (kRecordBlank) after one with a time above 0, the trace of a block the file system zeroed
// after a crash; and a record whose time lies more than 1000 minutes above both its sound
// neighbours', a corrupt time. Either of the last two would otherwise add a false day to every
// later record.
std::vector<int64_t> AdjustRecordTimes(const std::vector<int32_t>& storedMinutes,
                                       const std::vector<char>& marks);

// What AssignBins decided for each record, and the measured bins.
struct BinAssignment {
  std::vector<int64_t> slot;  // per record: index into `bins`, or kLeftOut
  std::vector<int64_t> bins;  // measured bin indices, strictly increasing
  std::vector<int64_t> recordsPerBin;
  BinQuality quality;  // records, recordsUsed, duplicates, partialLeftOut, gaps, ...
};

// Assigns records to bins given each record's bin index in file order (kDamagedRecord for a
// record already found damaged). A record whose bin lies before the latest bin taken (the time
// went back), or, with one record a bin, equals it, is a duplicate and left out: the first
// reading of a bin is kept. With several records a bin, a last bin holding at most half the
// median records per bin is a partial bin (a run ends at the first bin closed after its last
// whole minute) and is left out. Missing bins, the largest step and regularity are counted
// over the measured bins.
BinAssignment AssignBins(const std::vector<int64_t>& binOfRecord, bool severalPerBin,
                         int64_t binMinutes);

}  // namespace movexa
