// Taking block replies off the line in step.
//
// A block reply carries no length, no marker and no checksum: the only thing that ties its bytes
// to the request is their count. The instrument's reply may be longer than what a reader
// consumes (48, 96 or 192 bytes), may vary from request to request, may pause part-way (an
// instrument that stalls, a USB adapter that holds bytes for its latency timer), may be followed
// after an idle pause by bytes the instrument sends on its own, and may be lost. A byte of one
// reply taken for the start of the next gives silently wrong signals, so bytes are never taken
// as a block's signals on timing alone:
//
// - Learning. The length is learned from whole replies: the request goes out on a line that has
//   been quiet for the learning quiet (longer than any adapter latency or instrument pause), and
//   the reply is everything that arrives until the line is quiet that long again. Two such
//   replies of one length in a row make the length known; several lengths seen again and again
//   among the latest replies make the instrument one whose replies vary.
// - Known length. The reply is read by count: the bytes wanted, then the rest up to the length,
//   waiting through pauses inside the reply; the tail is discarded by count, never by waiting
//   for silence. A reply that is shorter, or bytes that arrive before the next request of the
//   series or at its end, disagree: the series is refused whole, and a length that half of the
//   latest exchanges disagree with is learned afresh.
// - Varying lengths. A reply may end only at one of the learned lengths, and only when the line
//   then stays quiet for the end quiet, which outlasts twice the stalls seen inside replies;
//   anything else disagrees as above. A reply whose first bytes come late after one that ended
//   short of the longest length may begin with that one's stalled tail: its series is refused.
// - Idle bytes. When every reply pauses at the same place for the idle gap or longer, the bytes
//   after the pause may be bytes the instrument sends only while idle (a new request stops
//   them). That place is put on trial: requests follow the shorter reply at once, and the trial
//   holds only when nothing piles up behind them and what arrives once the line is left idle is
//   exactly the bytes after the pause. Blocks read on trial are refused.
//
// The series (the blocks of one sample, one complete reading) is the unit of acceptance: a
// caller keeps its blocks aside and uses them only when BlockSeriesEndedInStep says the series
// stayed in step.
#include "device/block_reader.h"

#include <algorithm>
#include <bit>
#include <cstdlib>

#include "base/serial_peer.h"

namespace movexa {

namespace {

// The quiet that ends a reply while its length is learned, and that goes before a learning
// request: the port table's interval time-out, longer than any adapter's latency timer.
constexpr int kLearnQuietMs = kCommReadTimeouts.intervalMs;
// A pause this long inside a reply of known length is noted (the bytes after it may be idle
// bytes); shorter than the idle pause of instruments that send such bytes.
constexpr int kIdleGapMs = 10;
// The rest of a reply of known length is waited for this long after each byte.
constexpr int kRestGapMs = 60;
// The quiet after a reply of known length in which a further byte shows the reply longer: a
// few character times at 115200 baud.
constexpr int kKnownEndQuietUs = 200;
// The quiet that confirms the end of a reply at one of several learned lengths, at least and
// at most (it follows the stalls seen inside replies).
constexpr int64_t kVaryingEndQuietUs = 1500;
constexpr int64_t kVaryingEndQuietMaxUs = 25000;
// A reply's first bytes are late beyond the usual delay, four times its usual spread and this
// margin; a stall seen fades by this fraction a reply.
constexpr int64_t kLateMarginUs = 1000;
constexpr int64_t kStallFading = 64;
// Stale bytes discarded before one request at most: an instrument that never falls silent
// costs a bounded wait, then the request goes out anyway.
constexpr int kStaleDiscardLimit = 4096;
// Replies in a row pausing at the same place before that place is put on trial, and the
// exchanges a trial lasts.
constexpr int kGapStreakForTrial = 8;
constexpr int kTrialExchanges = 8;
constexpr int kRetrialStreak = 512;
// How close to the instrument's idle pause a request is taken to race with its idle bytes.
constexpr int64_t kIdleRaceMarginUs = 3000;
// Of the latest eight exchanges, those that must disagree with the learned length before it is
// learned afresh.
constexpr uint32_t kLatestMask = 0xFF;
constexpr int kDisagreementsToRelearn = 4;
// An instrument whose replies vary: observations needed, and times each length must be seen.
constexpr int kVaryingObservations = 12;
constexpr int kVaryingSeenTimes = 3;
// Failed lengths that raise the number of equal replies a length needs to become known.
constexpr int64_t kMostFailuresWeighed = 3;

using Learning = BlockReplyLearning;

enum class Mode { kLearning, kKnown, kTrial, kVarying };

Mode ModeOf(const ConnectionState& c) {
  if (c.blockReplies.trialBytes > 0) return Mode::kTrial;
  if (c.blockReplyBytes > 0) return Mode::kKnown;
  if (c.blockReplies.varyingCount >= 2) return Mode::kVarying;
  return Mode::kLearning;
}

// Reads and throws away what arrives until the line has been quiet for `quietMs`; the count.
int Drain(DeviceLink& link, int quietMs) {
  std::string& scratch = link.ports.ScratchBuffer();
  int total = 0, n = 0;
  do {
    // A read that stops short of its room stopped on the quiet.
    n = link.ports.CommReadUntilQuiet(link.connection.port, scratch, kCommMaxRead, quietMs);
    total += n;
  } while (n == kCommMaxRead && total < kStaleDiscardLimit);
  return total;
}

// Appends to `reply` what arrives, up to `maxTotal` bytes in all, until the line has been quiet
// for `quietUs` (counted from the call and from each byte). Returns the bytes appended.
int ReadRest(DeviceLink& link, std::string& reply, int maxTotal, int quietUs) {
  const int room = maxTotal - static_cast<int>(reply.size());
  if (room <= 0) return 0;
  std::string& scratch = link.ports.ScratchBuffer();
  const int n = link.ports.CommReadUntilQuietUs(link.connection.port, scratch, room, quietUs);
  reply.append(scratch, 0, static_cast<size_t>(n));
  return n;
}

void ForgetKnownLength(ConnectionState& c) {
  Learning& s = c.blockReplies;
  c.blockReplyBytes = 0;
  s.varyingCount = 0;
  s.gapAt = -1;
  s.gapStreak = 0;
  s.refutedGapAt = -1;
  s.trialBytes = 0;
  s.trialExchanges = 0;
  s.idleTailBytes = 0;
  s.idlePauseUs = 0;
  s.latestDisagreements = 0;
  ++s.relearnings;
}

void EndTrial(ConnectionState& c, bool held, int idleBytes) {
  Learning& s = c.blockReplies;
  if (held) {
    c.blockReplyBytes = s.trialBytes;
    s.idleTailBytes = idleBytes;
  } else {
    c.blockReplyBytes = s.trialFallbackBytes;
    s.refutedGapAt = s.trialBytes;
    s.seriesOutOfStep = true;
  }
  s.trialBytes = 0;
  s.trialExchanges = 0;
  s.trialFallbackBytes = 0;
  s.gapAt = -1;
  s.gapStreak = 0;
}

// Notes whether the latest exchange agreed with what was learned; a length that half of the
// latest exchanges disagree with is learned afresh (an instrument that changed), while a stray
// byte now and then (a fault, a race with bytes sent while idle) only costs its series.
void NoteAgreement(ConnectionState& c, bool agrees) {
  Learning& s = c.blockReplies;
  s.latestDisagreements = ((s.latestDisagreements << 1) | (agrees ? 0u : 1u)) & kLatestMask;
  if (std::popcount(s.latestDisagreements) >= kDisagreementsToRelearn) ForgetKnownLength(c);
}

// A reply or stray bytes that do not fit what was learned. A trial fails at once.
void Doubt(ConnectionState& c) {
  switch (ModeOf(c)) {
    case Mode::kTrial:
      EndTrial(c, false, 0);
      return;
    case Mode::kLearning:
      return;
    case Mode::kKnown:
    case Mode::kVarying:
      NoteAgreement(c, false);
      return;
  }
}

// The series in progress cannot be shown to have stayed in step.
void OutOfStep(ConnectionState& c) {
  c.blockReplies.seriesOutOfStep = true;
  Doubt(c);
}

void Agree(ConnectionState& c) {
  if (ModeOf(c) == Mode::kKnown || ModeOf(c) == Mode::kVarying) NoteAgreement(c, true);
}

// Bytes the instrument is expected to send on its own after the series, once left idle.
int ExpectedIdleBytes(const ConnectionState& c) {
  const Learning& s = c.blockReplies;
  if (s.trialBytes > 0) return s.trialFallbackBytes - s.trialBytes;
  return s.idleTailBytes;
}

// The length of a whole reply, and what the latest of them show: several lengths seen again and
// again make the instrument one whose replies vary; otherwise one length seen in every latest
// reply (two of them after a connect, more once a learned length has failed) becomes known.
void Observe(ConnectionState& c, int bytes) {
  Learning& s = c.blockReplies;
  s.lengths[static_cast<size_t>(s.observed % Learning::kObservations)] =
      static_cast<int16_t>(std::clamp(bytes, 0, 32767));
  ++s.observed;
  const int n = std::min(s.observed, Learning::kObservations);
  if (n >= kVaryingObservations) {
    std::array<int, Learning::kObservations> value{}, times{};
    int distinct = 0;
    for (int i = 0; i < n; ++i) {
      const int v = s.lengths[static_cast<size_t>(i)];
      int k = 0;
      while (k < distinct && value[static_cast<size_t>(k)] != v) ++k;
      if (k == distinct) value[static_cast<size_t>(distinct++)] = v;
      ++times[static_cast<size_t>(k)];
    }
    int members = 0, covered = 0;
    std::array<int16_t, Learning::kMostLengths> lengths{};
    for (int k = 0; k < distinct && members < Learning::kMostLengths; ++k) {
      const int v = value[static_cast<size_t>(k)];
      if (times[static_cast<size_t>(k)] < kVaryingSeenTimes || v < 2 || v % 2 != 0) continue;
      lengths[static_cast<size_t>(members++)] = static_cast<int16_t>(v);
      covered += times[static_cast<size_t>(k)];
    }
    if (members >= 2 && covered >= n - 2) {
      std::sort(lengths.begin(), lengths.begin() + members);
      s.varying = lengths;
      s.varyingCount = members;
      return;
    }
  }
  if (ModeOf(c) != Mode::kLearning) return;
  const int64_t need = 2 + std::min<int64_t>(s.relearnings, kMostFailuresWeighed);
  if (s.observed < need) return;
  const int last = s.lengths[static_cast<size_t>((s.observed - 1) % Learning::kObservations)];
  for (int64_t i = 2; i <= need; ++i) {
    if (s.lengths[static_cast<size_t>((s.observed - i) % Learning::kObservations)] != last) return;
  }
  if (last >= 2 && last % 2 == 0) {
    c.blockReplyBytes = last;
    s.gapAt = -1;
    s.gapStreak = 0;
  }
}

// A pause of the idle gap inside a reply of the known length (`at` bytes in; -1: none).
void NoteGap(ConnectionState& c, int at, int need) {
  Learning& s = c.blockReplies;
  if (at < 0) {
    s.gapAt = -1;
    s.gapStreak = 0;
    return;
  }
  s.gapStreak = at == s.gapAt ? s.gapStreak + 1 : 1;
  s.gapAt = at;
  // A place whose trial failed is tried again only after many more replies (a trial can fail
  // on a busy machine where requests race with the idle bytes).
  const bool refuted = at == s.refutedGapAt && s.gapStreak < kRetrialStreak;
  if (s.gapStreak >= kGapStreakForTrial && !refuted && at >= need && at % 2 == 0 &&
      at < c.blockReplyBytes) {
    s.trialBytes = at;
    s.trialFallbackBytes = c.blockReplyBytes;
    s.trialExchanges = 0;
    s.gapStreak = 0;
  }
}

// Learning: a quiet line before (SendRequestFrame saw to it), the reply until the line is quiet
// for the learning quiet after it.
BlockReplyRead ReadLearning(DeviceLink& link, int need, std::string& reply) {
  ConnectionState& c = link.connection;
  BlockReplyRead r;
  const int got = link.ports.CommRead(c.port, reply, need);
  c.blockReplies.lineQuiet = true;  // the rest is read until a long quiet, or the read timed out
  if (got < need) {
    // The port table waited out its time-outs and flushed: a whole reply of `got` bytes.
    r.received = got;
    r.silent = got == 0;
    if (got > 0) Observe(c, got);
    return r;
  }
  int total = got + ReadRest(link, reply, kCommMaxRead, kLearnQuietMs * 1000);
  // Bytes beyond what is kept are counted only.
  if (total >= kCommMaxRead) total += Drain(link, kLearnQuietMs);
  r.received = total;
  r.answers = true;
  Observe(c, total);
  return r;
}

// Reads by count up to `length` bytes in all: the rest of a reply whose length is known,
// waiting through pauses inside it. Returns where a pause of the idle gap or longer fell (-1:
// none).
int ReadUpTo(DeviceLink& link, std::string& reply, int length) {
  int gapAt = -1;
  while (static_cast<int>(reply.size()) < length) {
    if (ReadRest(link, reply, length, kIdleGapMs * 1000) > 0) continue;
    if (gapAt < 0) gapAt = static_cast<int>(reply.size());
    if (ReadRest(link, reply, length, (kRestGapMs - kIdleGapMs) * 1000) == 0) break;
  }
  return gapAt;
}

// The first `first` bytes of a reply whose length is known, with the port table's time-outs;
// false (and `r` filled) when they did not all come. A lost reply says nothing of the length;
// a cut one disagrees, and may be the rest of an earlier reply longer than read: the series
// cannot be shown in step.
bool ReadFirst(DeviceLink& link, int first, std::string& reply, BlockReplyRead& r) {
  ConnectionState& c = link.connection;
  const int got = link.ports.CommRead(c.port, reply, first);
  if (got >= first) return true;
  r.received = got;
  r.silent = got == 0;
  c.blockReplies.lineQuiet = true;
  if (got > 0) OutOfStep(c);
  return false;
}

// A known length (or one on trial): the bytes by count, nothing by timing.
BlockReplyRead ReadKnown(DeviceLink& link, int need, std::string& reply, int length) {
  ConnectionState& c = link.connection;
  BlockReplyRead r;
  if (!ReadFirst(link, std::min(need, length), reply, r)) return r;
  const int gapAt = ReadUpTo(link, reply, length);
  r.received = static_cast<int>(reply.size());
  if (r.received < length) {
    OutOfStep(c);
    return r;
  }
  // A byte right after the count shows a reply longer than the known length, before the next
  // request could take it for its own; unless it is exactly the bytes the instrument sends on
  // its own once idle (this side was slow to look).
  const int room = std::min(kCommMaxRead, length + 2);
  if (room > length && ReadRest(link, reply, room, kKnownEndQuietUs) > 0) {
    const int extra = static_cast<int>(reply.size()) - length + Drain(link, kBlockReplyGapMs);
    c.blockReplies.strayBytes += extra;
    reply.resize(static_cast<size_t>(length));
    const int idle = ExpectedIdleBytes(c);
    if (idle == 0 || extra != idle) {
      r.received = length + extra;
      r.misaligned = true;
      OutOfStep(c);
      return r;
    }
  }
  if (ModeOf(c) == Mode::kKnown) NoteGap(c, gapAt, need);
  r.answers = need <= length;
  return r;
}

// Several learned lengths: the reply ends at one of them once the line stays quiet.
BlockReplyRead ReadVarying(DeviceLink& link, int need, std::string& reply) {
  ConnectionState& c = link.connection;
  const Learning& s = c.blockReplies;
  const int shortest = s.varying[0];
  const int longest = s.varying[static_cast<size_t>(s.varyingCount - 1)];
  BlockReplyRead r;
  const int first = std::min(need, shortest);
  Clock& clock = link.host.clock;
  const int64_t askedUs = clock.MonotonicUs();
  if (!ReadFirst(link, first, reply, r)) return r;
  const int64_t firstUs = clock.MonotonicUs();
  // A reply whose first bytes come late may be the tail of the previous one, stalled past its
  // end quiet at one of the lengths and taken for its end: the series is refused, and the
  // stall raises the end quiet. Late is against the usual delay of the replies, which follows
  // the delays seen (the late ones counted at the limit).
  Learning& timing = c.blockReplies;
  const int64_t delayUs = std::max<int64_t>(firstUs - askedUs - WireTimeUs(first), 0);
  const int64_t lateUs = timing.firstByteUs + 4 * timing.firstByteSpreadUs + kLateMarginUs;
  // Only a reply that ended short of the longest length can have left a tail.
  const bool late = delayUs > lateUs && timing.lastEndedShort;
  if (late) {
    // A suspicion of timing, no disagreement about the lengths.
    timing.seriesOutOfStep = true;
    timing.stallUs = std::max(timing.stallUs, delayUs);
  }
  const int64_t counted = std::min(delayUs, lateUs);
  timing.firstByteSpreadUs +=
      (std::abs(counted - timing.firstByteUs) - timing.firstByteSpreadUs) / 8;
  timing.firstByteUs += (counted - timing.firstByteUs) / 8;
  timing.lastEndedShort = false;
  // The end quiet must outlast the stalls seen inside replies (a busy machine, an adapter that
  // holds bytes, an instrument that stalls), or a stall at one of the lengths would be taken
  // for the end: twice the longest recent stall, which fades slowly from reply to reply.
  const int64_t endQuietUs =
      std::clamp<int64_t>(2 * timing.stallUs, kVaryingEndQuietUs, kVaryingEndQuietMaxUs);
  int64_t quietWaitedUs = 0;  // end quiets waited out that more bytes followed
  int64_t replyStallUs = 0;
  auto noteStall = [&] {
    const int64_t restUs = clock.MonotonicUs() - firstUs - quietWaitedUs;
    const int64_t wireUs = WireTimeUs(static_cast<int64_t>(reply.size()) - first);
    replyStallUs = std::max(replyStallUs, restUs - wireUs);
  };
  auto endStalls = [&] {
    timing.stallUs = std::max(replyStallUs, timing.stallUs - timing.stallUs / kStallFading);
  };
  auto isLength = [&s](int bytes) {
    return std::find(s.varying.begin(), s.varying.begin() + s.varyingCount, bytes) !=
           s.varying.begin() + s.varyingCount;
  };
  // One byte beyond the longest length is enough to show a reply too long.
  const int room = std::min(kCommMaxRead, longest + 2);
  for (;;) {
    const int have = static_cast<int>(reply.size());
    int next = 0;
    for (int k = 0; k < s.varyingCount && next == 0; ++k) {
      if (s.varying[static_cast<size_t>(k)] >= have) next = s.varying[static_cast<size_t>(k)];
    }
    if (next == 0) {
      // Longer than every learned length.
      r.received = have + Drain(link, kBlockReplyGapMs);
      r.misaligned = true;
      OutOfStep(c);
      return r;
    }
    if (have < next) {
      ReadUpTo(link, reply, next);
      if (static_cast<int>(reply.size()) < next) {
        r.received = static_cast<int>(reply.size());
        // A reply that came in time and stays quiet for the learning quiet is whole: a length
        // not learned yet.
        if (!late &&
            ReadRest(link, reply, kCommMaxRead, (kLearnQuietMs - kRestGapMs) * 1000) == 0) {
          c.blockReplies.lineQuiet = true;
          Observe(c, r.received);
        }
        OutOfStep(c);
        return r;
      }
    }
    // At a learned length: the end, unless more bytes follow within the end quiet.
    noteStall();
    const int more = ReadRest(link, reply, room, static_cast<int>(endQuietUs));
    if (more == 0) break;
    const int now = static_cast<int>(reply.size());
    if (now < room) {
      // The read ended on the end quiet, at a length learned or inside a reply.
      quietWaitedUs += endQuietUs;
      if (isLength(now)) {
        noteStall();
        break;
      }
    }
  }
  endStalls();
  r.received = static_cast<int>(reply.size());
  timing.lastEndedShort = r.received < longest;
  r.answers = r.received >= need;
  return r;
}

// An instrument that sends bytes of its own once idle for its idle pause: a request sent
// about when they start would race with them (some would come before the reply). When the line
// has been idle for nearly that long, the bytes are waited for and taken off whole first.
void LetIdleBytesPass(DeviceLink& link) {
  ConnectionState& c = link.connection;
  Learning& s = c.blockReplies;
  if (ModeOf(c) != Mode::kKnown || s.idleTailBytes == 0 || s.idlePauseUs == 0) return;
  Clock& clock = link.host.clock;
  const int64_t idleUs = clock.MonotonicUs() - s.replyEndUs;
  const int64_t startsUs = s.idlePauseUs - kIdleRaceMarginUs;
  const int64_t endsUs = s.idlePauseUs + WireTimeUs(s.idleTailBytes) + kIdleRaceMarginUs;
  if (idleUs < startsUs || idleUs > endsUs) return;
  const int waitMs = static_cast<int>((endsUs - idleUs) / 1000) + 1;
  int n = link.ports.CommReadUntilQuiet(c.port, link.ports.ScratchBuffer(), 1, waitMs);
  if (n > 0) n += Drain(link, kBlockReplyGapMs);
  s.strayBytes += n;
  // Not all of them (this side looked too late, or the instrument sent none): the request
  // goes out after the usual stale check.
}

}  // namespace

bool SendRequestFrame(DeviceLink& link, int code, int arg, int mode, bool blockRequest) {
  std::string frame = CommandFrame(code, arg, mode);
  if (frame.empty()) return false;
  ConnectionState& c = link.connection;
  Learning& s = c.blockReplies;
  const int port = c.port;
  if (blockRequest) LetIdleBytesPass(link);
  // Bytes already waiting mean more may be on their way: they are taken until the line has been
  // quiet for the reply gap, so that the request is answered on a silent line.
  int stray = link.ports.CommReadUntilQuiet(port, link.ports.ScratchBuffer(), kCommMaxRead, 0);
  if (stray > 0) stray += Drain(link, kBlockReplyGapMs);
  if (blockRequest && ModeOf(c) == Mode::kLearning && !s.lineQuiet) {
    // A learning reply must start on a line where nothing can still be on its way.
    stray += Drain(link, kLearnQuietMs);
  }
  link.ports.CommFlush(port);
  if (stray > 0) {
    s.strayBytes += stray;
    const int idle = ExpectedIdleBytes(c);
    if (idle > 0 && stray == idle) {
      // Exactly the bytes the instrument sends on its own once idle (this side was slow to
      // send the request): taken off the line whole, they shift nothing.
    } else if (s.seriesExchanges > 0) {
      // Within a series: some reply was longer than it was read, or bytes came before it.
      OutOfStep(c);
    } else if (ModeOf(c) != Mode::kLearning) {
      // Before a series: not the bytes the instrument sends on its own once idle.
      Doubt(c);
    }
  }
  s.lineQuiet = false;
  if (blockRequest) ++s.seriesExchanges;
  return link.ports.CommWrite(port, frame) == kFrameBytes;
}

BlockReplyRead ReadBlockReply(DeviceLink& link, int need, std::string& reply) {
  ConnectionState& c = link.connection;
  reply.clear();
  BlockReplyRead r;
  switch (ModeOf(c)) {
    case Mode::kLearning:
      r = ReadLearning(link, need, reply);
      break;
    case Mode::kKnown:
      r = ReadKnown(link, need, reply, c.blockReplyBytes);
      break;
    case Mode::kTrial: {
      r = ReadKnown(link, need, reply, c.blockReplies.trialBytes);
      r.answers = false;  // not shown until the trial holds
      Learning& s = c.blockReplies;
      if (s.trialBytes > 0 && ++s.trialExchanges >= kTrialExchanges) {
        // Left idle now, the instrument sends exactly the bytes after the pause, or nothing;
        // anything else is a pile of replies behind the requests.
        // The pause before them is measured too: a request sent about then races with them.
        Clock& clock = link.host.clock;
        const int64_t leftUs = clock.MonotonicUs();
        int idle = link.ports.CommReadUntilQuiet(c.port, link.ports.ScratchBuffer(), 1, kLearnQuietMs);
        s.idlePauseUs = idle > 0 ? clock.MonotonicUs() - leftUs - WireTimeUs(1) : 0;
        if (idle > 0) idle += Drain(link, kLearnQuietMs);
        s.lineQuiet = true;
        EndTrial(c, idle == 0 || idle == s.trialFallbackBytes - s.trialBytes, idle);
      }
      break;
    }
    case Mode::kVarying:
      r = ReadVarying(link, need, reply);
      break;
  }
  if (r.answers) Agree(c);
  c.blockReplies.replyEndUs = link.host.clock.MonotonicUs();
  return r;
}

bool BlockSeriesEndedInStep(DeviceLink& link) {
  ConnectionState& c = link.connection;
  Learning& s = c.blockReplies;
  if (s.seriesExchanges > 0 && !s.lineQuiet) {
    // The last reply's end rests on its count: a byte arriving now shows that some reply of
    // the series was longer than read, or that bytes came before one of them.
    std::string& scratch = link.ports.ScratchBuffer();
    int n = link.ports.CommReadUntilQuiet(c.port, scratch, kCommMaxRead, kBlockSeriesQuietMs);
    if (n > 0) {
      n += Drain(link, kBlockReplyGapMs);
      link.ports.CommFlush(c.port);
      s.strayBytes += n;
      OutOfStep(c);
    }
  }
  const bool inStep = !s.seriesOutOfStep;
  if (!inStep) ++s.outOfStepSeries;
  s.seriesOutOfStep = false;
  s.seriesExchanges = 0;
  return inStep;
}

std::string DescribeBlockReplies(const ConnectionState& c) {
  const Learning& s = c.blockReplies;
  std::string text = "block replies: ";
  if (c.blockReplyBytes > 0) {
    text += std::to_string(c.blockReplyBytes) + " bytes";
    if (s.idleTailBytes > 0) {
      text += " (then " + std::to_string(s.idleTailBytes) + " bytes sent only while idle)";
    }
  } else if (s.varyingCount >= 2) {
    text += "lengths";
    for (int k = 0; k < s.varyingCount; ++k) text += " " + std::to_string(s.varying[static_cast<size_t>(k)]);
    text += " (end quiet " +
            std::to_string(std::clamp<int64_t>(2 * s.stallUs, kVaryingEndQuietUs,
                                               kVaryingEndQuietMaxUs) /
                           100 / 10.0)
                .substr(0, 4) +
            " ms)";
  } else {
    text += "length not learned";
  }
  return text + "; " + std::to_string(s.outOfStepSeries) + " series refused out of step, " +
         std::to_string(s.relearnings) + " times learned afresh, " +
         std::to_string(s.strayBytes) + " stray bytes discarded";
}

void ResetBlockReplyLearning(ConnectionState& connection) {
  connection.blockReplyBytes = 0;
  connection.blockReplies = BlockReplyLearning{};
}

}  // namespace movexa
