// The terminal device table: 64 slots, a handle is a slot's index.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>

#include "platform/library_state.h"
#include "platform/socket.h"

namespace vornc {

inline constexpr int kSlotCount = 64;
inline constexpr std::size_t kHostNameField = 18;
inline constexpr std::size_t kReceiveBufferBytes = 500000;

enum class Origin : std::int32_t { None = -1, Connected = 1, CallerSocket = 2 };

// One connection. A handle is used by one thread at a time, so only deviceType is
// atomic: an open on another thread reads it, under the library lock, to find a free
// slot while a close (which takes no lock) frees one.
struct TerminalSlot {
  platform::SocketHandle socket = platform::kNoSocket;
  std::atomic<std::int32_t> deviceType{0};  // 0 marks a free slot
  std::int32_t imageHeight = 0;
  std::int32_t imageWidth = 0;
  std::int32_t imageSize = 0;
  std::int32_t rawImageFlag = 0;
  std::unique_ptr<std::uint8_t[]> imageBuffer;
  std::unique_ptr<std::uint8_t[]> receiveBuffer;
  std::array<char, kHostNameField> hostName{};
  Origin origin = Origin::None;
  std::int32_t lastStatus = 0;
  std::int32_t configLoaded = -1;
  // The parameter block read by the configuration read, for the network settings.
  // Kept apart from imageBuffer so that an image fetched in between can never be
  // written back to the terminal as its parameter block.
  std::array<std::uint8_t, 128> configBlock{};

  bool is_free() const { return deviceType.load(std::memory_order_acquire) == 0; }
  std::int32_t type() const { return deviceType.load(std::memory_order_acquire); }
  // Back to the free state, every field as after load.
  void reset();
};

// Image geometry and buffers of each known device type.
struct DeviceGeometry {
  std::int32_t deviceType;
  std::int32_t imageHeight;
  std::int32_t imageWidth;
  bool hasReceiveBuffer;  // the strip-streaming series-120 models
};

// The geometry of a device type; zero geometry for a type the library does not know.
DeviceGeometry geometry_of(std::int32_t deviceType);

// Bytes of a slot's image buffer: three images (image, bitmap work) and 2000 spare.
inline std::size_t image_buffer_bytes(const DeviceGeometry& g) {
  return static_cast<std::size_t>(g.imageHeight) * g.imageWidth * 3 + 2000;
}

// Library-wide state, one instance per process: the table, the library lock, the open
// pause, and the terminal library's own settings.
struct Library : platform::LibraryState<TerminalSlot, kSlotCount> {
  std::atomic<std::int32_t> detectLevel{3000};
  std::atomic<bool> yellowLedDisabled{false};
};

Library& library();

// The slot of a handle, or null for a handle outside the table.
inline TerminalSlot* slot_of(std::int32_t handle) { return library().slot(handle); }

}  // namespace vornc
