// Linked into every core test program (not the window tests, where Qt keeps using fontconfig):
// Cairo's and fontconfig's font caches are released after the last test, so that the leak
// checker of sanitizer builds reports only what the code under test lost.
#include <gtest/gtest.h>

#include "base/cairo_canvas.h"

namespace {

class ReleaseFontCaches : public testing::Environment {
 public:
  void TearDown() override { movexa::CairoCanvas::ReleaseFontCaches(); }
};

[[maybe_unused]] testing::Environment* const kReleaseFontCaches =
    testing::AddGlobalTestEnvironment(new ReleaseFontCaches);

}  // namespace
