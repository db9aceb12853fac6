// Protocol server of the simulated instrument: frames in, replies out with their arrival times.
#include "sim/sim_instrument.h"

#include <algorithm>

#include "base/rounding.h"

namespace movexa::sim {

namespace {

constexpr size_t kReceivedLogBytes = 64 * 1024;
// Beam registers start at power 2, gain 3 (the calibration table's reset values).
constexpr int kInitialBeamSetting = 3 * 32 + 2;
// Self-calibration progress: bytes 0, 8, ..., 184, then 191 (above 190: finished).
constexpr int kSelfCalProgressStep = 8;
constexpr int kSelfCalLastProgress = 184;
constexpr int kSelfCalFinalByte = 191;
// The self-calibration target argument is in 1/128 of full scale (110 -> 86 %).
constexpr double kSelfCalTargetUnit = 128.0;
// Data bytes of one USB packet of the adapter (64 bytes less two status bytes).
constexpr size_t kAdapterPacketBytes = 62;
// Tagged signals: the reply number takes 1..15 (never 0, which a host row holds before any
// signal), the index in the reply the low 8 bits.
constexpr int kTagReplyNumbers = 15;

}  // namespace

SimInstrument::SimInstrument(SimConfig config, Clock& clock)
    : config_(std::move(config)),
      clock_(clock),
      originUs_(clock.MonotonicMs() * 1000),
      nowUs_(originUs_),
      model_(config_, originUs_),
      faults_(config_.seed * 31 + 17),
      lengths_(config_.seed * 57 + 5),
      pauses_(config_.seed * 73 + 11),
      adapterTimerUs_(originUs_),
      serial_(config_.serialNumber) {
  for (int r = 0; r < kBeamRegisters; ++r) registers_[static_cast<size_t>(r)] = kInitialBeamSetting;
  for (int i = 0; i < kFactoryRegisterCount; ++i) {
    registers_[static_cast<size_t>(kFactoryRegisterFirst + i)] =
        config_.factoryRegisters[static_cast<size_t>(i)] & 255;
  }
}

int64_t SimInstrument::Now(int64_t lineUs) {
  return std::max({lineUs, clock_.MonotonicMs() * 1000, nowUs_});
}

void SimInstrument::Advance(int64_t nowUs) {
  nowUs_ = nowUs;
  model_.SetOutputs(outputs_);
  model_.AdvanceTo(nowUs);
  const FaultSpec& f = config_.faults;
  if (f.serialChangeAtMs >= 0 && nowUs - originUs_ >= f.serialChangeAtMs * 1000) {
    serial_ = f.newSerialNumber;
  }
  if (selfCalDoneUs_ >= 0 && nowUs >= selfCalDoneUs_) {
    for (int r = 0; r < kBeamRegisters; ++r) {
      registers_[static_cast<size_t>(r)] =
          model_.ConvergedSetting(ChannelPosition(2 * r), selfCalTarget_);
    }
    selfCalDoneUs_ = -1;
  }
}

bool SimInstrument::SilentAt(int64_t nowUs) const {
  if (silent_) return true;
  const FaultSpec& f = config_.faults;
  if (f.silentFromMs < 0) return false;
  const int64_t t = nowUs - originUs_;
  return t >= f.silentFromMs * 1000 && t < (f.silentFromMs + f.silentForMs) * 1000;
}

void SimInstrument::Receive(std::string_view bytes, int64_t nowUs) {
  const int64_t now = Now(nowUs);
  Advance(now);
  received_.append(bytes);
  if (received_.size() > kReceivedLogBytes) {
    received_.erase(0, received_.size() - kReceivedLogBytes);
  }
  input_.append(bytes);
  CancelIdleBytes(now);
  size_t pos = 0;
  // A frame is FF, three bytes, F0; anything else is skipped a byte at a time until one lines up.
  while (input_.size() - pos >= kFrameBytes) {
    const auto* f = reinterpret_cast<const uint8_t*>(input_.data() + pos);
    if (f[0] == kFrameLead && f[4] == kFrameTail) {
      HandleFrame(f, now);
      pos += kFrameBytes;
    } else {
      ++pos;
    }
  }
  input_.erase(0, pos);
}

void SimInstrument::HandleFrame(const uint8_t* f, int64_t nowUs) {
  ++framesReceived_;
  std::copy(f, f + kFrameBytes, lastFrame_.begin());
  const int mode = f[1], code = f[2], arg = f[3];
  auto two = [](int b0, int b1) {
    return std::string{static_cast<char>(b0 & 255), static_cast<char>(b1 & 255)};
  };
  if (mode == kModeRegisterWrite) {
    registers_[static_cast<size_t>(code)] = arg;
    testSetting_ = -1;
    Reply(two(code, 0), nowUs, mode);
    return;
  }
  if (mode != kModeCommand) return;
  switch (code) {
    case kCodeIdentify:
      Reply(two(serial_ / 255, serial_ % 255), nowUs, mode);
      break;
    case kCodeOutputs:
      outputs_ = arg;
      model_.SetOutputs(arg);
      break;
    case kCodeTestSetting:
      testSetting_ = arg;
      Reply(two(arg, 0), nowUs, mode);
      break;
    case kCodeReadRegister:
      Reply(two(registers_[static_cast<size_t>(arg)], 0), nowUs, mode);
      break;
    case kCodeTemperature:
      Reply(two(RawTemperature(), 0), nowUs, mode);
      break;
    case kCodeBlock: {
      const int signals = NextBlockBytes() / 2;
      std::string reply = BlockReply(arg, signals + config_.trailingBytes / 2);
      std::string trailing = reply.substr(static_cast<size_t>(2 * signals));
      reply.resize(static_cast<size_t>(2 * signals));
      int pauseAfter = -1;
      if (config_.replyPauseMs > 0 && config_.replyPauseRate > 0 &&
          pauses_.Uniform() < config_.replyPauseRate) {
        pauseAfter = config_.replyPauseAfter;
      }
      // A reply starts only once the previous one has left, stalls included.
      const int64_t startUs = std::max(nowUs, blockBusyUntilUs_);
      const size_t queuedBefore = output_.size();
      const int64_t endUs = Reply(std::move(reply), startUs, mode, pauseAfter,
                                  int64_t{config_.replyPauseMs} * 1000);
      if (output_.size() > queuedBefore) {
        ++blockReplies_;
        blockBusyUntilUs_ = endUs;
        blockReplyLengths_.push_back(2 * signals);
        if (blockReplyLengths_.size() > 4096) blockReplyLengths_.pop_front();
        if (!trailing.empty()) {
          Queue(trailing, endUs + int64_t{config_.trailingPauseMs} * 1000, config_.paced, true);
        }
      }
      break;
    }
    case kCodeSelfCalibration: {
      selfCalTarget_ = arg / kSelfCalTargetUnit * BeamModel::kFullScale;
      const int64_t stepUs = int64_t{config_.selfCalibrationStepMs} * 1000;
      int64_t at = nowUs;
      for (int v = 0; v <= kSelfCalLastProgress; v += kSelfCalProgressStep, at += stepUs) {
        Reply(std::string(1, static_cast<char>(v)), at, mode);
      }
      Reply(std::string(1, static_cast<char>(kSelfCalFinalByte)), at, mode);
      selfCalDoneUs_ = at;
      testSetting_ = -1;
      break;
    }
    case kCodeChannelMode:
      channelMode_ = arg;
      break;
    default:
      break;  // unknown commands go unanswered
  }
}

int64_t SimInstrument::Reply(std::string bytes, int64_t atUs, int mode, int pauseAfter,
                             int64_t pauseUs) {
  if (bytes.empty() || SilentAt(atUs)) return atUs;
  if (dropCount_ > 0 && (dropMode_ < 0 || dropMode_ == mode)) {
    --dropCount_;
    ++repliesDropped_;
    return atUs;
  }
  const FaultSpec& f = config_.faults;
  if (f.dropRate > 0 && faults_.Uniform() < f.dropRate) {
    ++repliesDropped_;
    return atUs;
  }
  if (f.truncateRate > 0 && faults_.Uniform() < f.truncateRate) {
    if (bytes.size() < 2) {
      ++repliesDropped_;
      return atUs;
    }
    bytes.resize(1 + static_cast<size_t>(faults_.Uniform() * static_cast<double>(bytes.size() - 1)));
  }
  if (f.corruptRate > 0 && faults_.Uniform() < f.corruptRate) {
    const size_t i = std::min(bytes.size() - 1,
                              static_cast<size_t>(faults_.Uniform() * static_cast<double>(bytes.size())));
    bytes[i] = static_cast<char>(bytes[i] ^ (1 << (faults_.Next() % 8)));
  }
  if (f.garbageRate > 0 && faults_.Uniform() < f.garbageRate) {
    std::string garbage(1 + faults_.Next() % 8, '\0');
    for (char& c : garbage) c = static_cast<char>(faults_.Next() & 255);
    bytes.insert(0, garbage);
  }
  const int64_t startUs = atUs + config_.replyLatencyUs;
  if (pauseAfter < 0 || pauseAfter >= static_cast<int>(bytes.size())) {
    return Queue(bytes, startUs, config_.paced);
  }
  const std::string_view all(bytes);
  const int64_t stallUs = Queue(all.substr(0, static_cast<size_t>(pauseAfter)), startUs, config_.paced);
  return Queue(all.substr(static_cast<size_t>(pauseAfter)), stallUs + pauseUs, config_.paced);
}

int64_t SimInstrument::Queue(std::string_view bytes, int64_t startUs, bool paced, bool idle) {
  if (paced) startUs = std::max(startUs, lineFreeUs_);
  auto it = std::upper_bound(output_.begin(), output_.end(), startUs,
                             [](int64_t t, const Pending& p) { return t < p.atUs; });
  std::deque<Pending> fresh;
  for (size_t i = 0; i < bytes.size(); ++i) {
    const int64_t at = paced ? startUs + WireTimeUs(static_cast<int64_t>(i) + 1) : startUs;
    fresh.push_back({at, static_cast<uint8_t>(bytes[i]), idle});
  }
  if (paced && !fresh.empty()) lineFreeUs_ = fresh.back().atUs;
  output_.insert(it, fresh.begin(), fresh.end());
  return fresh.empty() ? startUs : fresh.back().atUs;
}

void SimInstrument::CancelIdleBytes(int64_t nowUs) {
  const size_t before = output_.size();
  std::erase_if(output_, [nowUs](const Pending& p) { return p.idle && p.atUs > nowUs; });
  if (output_.size() != before) {
    lineFreeUs_ = output_.empty() ? nowUs : std::max(nowUs, output_.back().atUs);
  }
}

int SimInstrument::NextBlockBytes() {
  const auto& choices = config_.blockBytesChoices;
  if (choices.empty()) return config_.blockBytes;
  return choices[static_cast<size_t>(lengths_.Next() % choices.size())];
}

void SimInstrument::InjectBytes(std::string_view bytes) {
  Queue(bytes, Now(0), config_.paced);
}

void SimInstrument::DropNextReplies(int count, int onlyMode) {
  dropCount_ = count;
  dropMode_ = onlyMode;
}

int SimInstrument::BeamSetting(int position) const {
  if (testSetting_ >= 0) return testSetting_;
  return registers_[static_cast<size_t>(ChannelRegister(SignalPositionChannel(position)))];
}

std::string SimInstrument::BlockReply(int offset, int signals) {
  std::string out(static_cast<size_t>(2 * signals), '\0');
  const int tag = 1 + static_cast<int>(blockReplies_ % kTagReplyNumbers);
  for (int i = 0; i < signals; ++i) {
    const int position = BlockSignalPosition(offset, i);
    int value = position < kSignalPositions ? model_.Sample(position, BeamSetting(position)) : 0;
    if (config_.tagSignals) value = tag * 256 + (i & 255);
    const SignalPair pair = EncodeSignalPair(value);
    out[static_cast<size_t>(2 * i)] = static_cast<char>(pair.hi);
    out[static_cast<size_t>(2 * i + 1)] = static_cast<char>(pair.lo);
  }
  return out;
}

double SimInstrument::TemperatureC() {
  Advance(Now(0));
  return model_.TemperatureC();
}

int SimInstrument::RawTemperature() {
  const int sign = registers_[203];
  double offset = registers_[204] / 10.0;
  if (sign == 1) offset = -offset;
  double slope = (registers_[206] * 256 + registers_[205]) / 1000.0;
  if (slope < 0.1 || slope > 0.45) slope = 0.219;
  const double raw = (TemperatureC() - offset) / slope;
  return static_cast<int>(std::clamp<int64_t>(RoundHalfEven(raw), 0, 255));
}

void SimInstrument::AdvanceAdapter(int64_t nowUs) {
  const int64_t latencyUs = int64_t{config_.adapterLatencyMs} * 1000;
  auto release = [this](int64_t atUs) {
    for (size_t i = 0; i < kAdapterPacketBytes && !adapterHeld_.empty(); ++i) {
      adapterReleased_.emplace_back(atUs, adapterHeld_.front().second);
      adapterHeld_.pop_front();
    }
    adapterTimerUs_ = atUs;
  };
  for (;;) {
    const int64_t timerUs = adapterTimerUs_ + latencyUs;
    const int64_t wireUs = output_.empty() ? INT64_MAX : output_.front().atUs;
    if (wireUs <= nowUs && wireUs <= timerUs) {
      // A byte reaches the adapter; a full packet goes at once.
      adapterHeld_.emplace_back(wireUs, output_.front().byte);
      output_.pop_front();
      if (adapterHeld_.size() >= kAdapterPacketBytes) release(wireUs);
      continue;
    }
    if (timerUs > nowUs) break;
    if (!adapterHeld_.empty()) {
      release(timerUs);
      continue;
    }
    // Nothing held: the timer keeps running on its grid until the next byte or now.
    const int64_t until = std::min(wireUs, nowUs);
    adapterTimerUs_ += std::max<int64_t>(1, (until - adapterTimerUs_) / latencyUs) * latencyUs;
  }
}

int64_t SimInstrument::NextAdapterReleaseUs() const {
  if (!adapterReleased_.empty()) return adapterReleased_.front().first;
  const int64_t latencyUs = int64_t{config_.adapterLatencyMs} * 1000;
  const size_t missing = kAdapterPacketBytes - adapterHeld_.size();
  int64_t fillUs = INT64_MAX;
  if (missing <= output_.size()) fillUs = output_[missing - 1].atUs;
  int64_t timerUs = INT64_MAX;
  if (!adapterHeld_.empty()) {
    timerUs = adapterTimerUs_ + latencyUs;
  } else if (!output_.empty()) {
    const int64_t first = output_.front().atUs;
    const int64_t ticks = (first - adapterTimerUs_ + latencyUs - 1) / latencyUs;
    timerUs = adapterTimerUs_ + std::max<int64_t>(1, ticks) * latencyUs;
  }
  const int64_t next = std::min(fillUs, timerUs);
  return next == INT64_MAX ? -1 : next;
}

size_t SimInstrument::Collect(std::string& out, size_t max, int64_t nowUs) {
  const int64_t now = Now(nowUs);
  Advance(now);
  size_t n = 0;
  if (config_.adapterLatencyMs > 0) {
    AdvanceAdapter(now);
    while (n < max && !adapterReleased_.empty() && adapterReleased_.front().first <= now) {
      out.push_back(static_cast<char>(adapterReleased_.front().second));
      adapterReleased_.pop_front();
      ++n;
    }
    return n;
  }
  while (n < max && !output_.empty() && output_.front().atUs <= now) {
    out.push_back(static_cast<char>(output_.front().byte));
    output_.pop_front();
    ++n;
  }
  return n;
}

int64_t SimInstrument::NextArrivalUs() {
  if (config_.adapterLatencyMs > 0) return NextAdapterReleaseUs();
  return output_.empty() ? -1 : output_.front().atUs;
}

void SimInstrument::DiscardArrived(int64_t nowUs) {
  const int64_t now = Now(nowUs);
  Advance(now);
  if (config_.adapterLatencyMs > 0) {
    // The host's flush reaches what the adapter has handed over, not what it still holds.
    AdvanceAdapter(now);
    while (!adapterReleased_.empty() && adapterReleased_.front().first <= now) {
      adapterReleased_.pop_front();
    }
    return;
  }
  while (!output_.empty() && output_.front().atUs <= now) output_.pop_front();
}

const GroundTruth& SimInstrument::Truth() {
  Advance(Now(0));
  return model_.truth();
}

std::string SimInstrument::TruthText() {
  Advance(Now(0));
  return model_.TruthText();
}

}  // namespace movexa::sim
