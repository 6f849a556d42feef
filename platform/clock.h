// OS layer: the millisecond clock and sleep the device protocols are timed with.
#pragma once

#include <cstdint>

namespace platform {

// Milliseconds since an arbitrary start; never goes back.
std::int64_t now_ms();

void sleep_ms(int milliseconds);

}  // namespace platform
