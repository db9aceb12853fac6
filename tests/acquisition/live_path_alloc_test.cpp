// The per-sample live path (envelopes, event rules, auto-zero, blank reading) and the bin-close
// recount allocate nothing once the run buffers are sized. This executable replaces the global
// operator new to count allocations; the rest of the test suites keep the ordinary one.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "acquisition/live_detection.h"

// Allocations made by the whole executable; the tests read it before and after what they check.
std::atomic<long> gAllocations{0};

void* operator new(std::size_t size) {
  gAllocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return ::operator new(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace movexa {
namespace {

// One bin of samples for every channel with every live rule, then the bin close.
void RunOneBin(RunBuffers& b, const LiveDetectionSettings& settings, std::array<double, kChannelSlots>& thresholds) {
  for (int s = 0; s < b.rtBuffer; ++s) {
    int16_t* row = b.RawRow(s);
    for (int c = 0; c < kChannelCount; ++c) row[c] = static_cast<int16_t>(2000 - ((s + c) % 37 == 0) * 600);
    for (int c = 0; c < kChannelCount; ++c) {
      UpdateEnvelope(b, settings, c, s, thresholds[c]);
      DetectSample(b, settings, c, s);
      AutoZeroSample(b.channels[c], row[c]);
      int16_t envelope = 0;
      BlankUpdate(b.channels[c], row[c], thresholds[c], envelope);
    }
    if (s % settings.dspInterval == 0) {
      for (int c = 0; c < kChannelCount; ++c) EndDetectionWindow(b.channels[c], settings.method);
    }
  }
  for (int c = 0; c < kChannelCount; ++c) AutoZeroBinClose(b, c, 1.8, thresholds[c], true, true);
}

TEST(LivePathAllocations, SamplingAndBinCloseAllocateNothingAfterTheBuffersAreSized) {
  RunBuffers buffers;
  ASSERT_TRUE(buffers.Allocate(500));
  std::array<double, kChannelSlots> thresholds;
  thresholds.fill(3.0);
  long before = gAllocations.load();
  for (int method = 0; method <= 3; ++method) RunOneBin(buffers, {method, 30}, thresholds);
  long during = gAllocations.load() - before;
  EXPECT_EQ(during, 0);
  // The counter does count: sizing the buffers allocates.
  before = gAllocations.load();
  RunBuffers other;
  ASSERT_TRUE(other.Allocate(100));
  EXPECT_GT(gAllocations.load() - before, 0);
}

}  // namespace
}  // namespace movexa
