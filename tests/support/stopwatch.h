// Time as the caller sees it: pauses are asserted from the calling thread's clock, not
// from gaps between a peer thread's arrivals, which merge when that thread is descheduled.
#pragma once

#include <cstdint>

#include "platform/clock.h"

namespace test_support {

// Milliseconds since construction, on the clock the libraries time with.
class Stopwatch {
 public:
  double ms() const { return static_cast<double>(platform::now_ms() - start_); }
  void restart() { start_ = platform::now_ms(); }

 private:
  std::int64_t start_ = platform::now_ms();
};

}  // namespace test_support
