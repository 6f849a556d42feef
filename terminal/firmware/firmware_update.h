// Loading new firmware or web content into a terminal: the stream, the echoed chunks,
// and the type 321's write and read-back through its data flash.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "terminal/link/device_table.h"

namespace vornc::firmware {

// The stream and echo methods always move a whole 512 KB image.
inline constexpr std::size_t kImageBytes = 524288;
// The type 321 reads its image back into an area of this size.
inline constexpr std::size_t kReadBackBytes = 128000;

// `image` holds kImageBytes bytes.
std::int32_t update_firmware(TerminalSlot& slot, const std::uint8_t* image);
std::int32_t update_web(TerminalSlot& slot, std::span<const std::uint8_t> content);
std::int32_t update_firmware_m4(TerminalSlot& slot, std::span<const std::uint8_t> image);
std::int32_t update_web_m4(TerminalSlot& slot, std::span<const std::uint8_t> content);
std::int32_t update_firmware_m3(TerminalSlot& slot, std::span<const std::uint8_t> image);

}  // namespace vornc::firmware
