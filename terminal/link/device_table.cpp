#include "terminal/link/device_table.h"

#include <iterator>

namespace vornc {
namespace {

constexpr DeviceGeometry kGeometries[] = {
    {120, 440, 280, true},  {121, 440, 280, true},  {122, 440, 280, true},
    {130, 440, 280, true},  {131, 440, 280, true},  {220, 384, 256, false},
    {320, 300, 256, false}, {321, 300, 256, false}, {1000, 100, 100, false},
};

}  // namespace

DeviceGeometry geometry_of(std::int32_t deviceType) {
  for (const auto& g : kGeometries) {
    if (g.deviceType == deviceType) return g;
  }
  return {deviceType, 0, 0, false};
}

Library& library() {
  // Never destroyed: the unload hook runs after static destructors and still needs it.
  static Library* const instance = new Library;
  return *instance;
}

void TerminalSlot::reset() {
  socket = platform::kNoSocket;
  imageHeight = imageWidth = imageSize = 0;
  rawImageFlag = 0;
  imageBuffer.reset();
  receiveBuffer.reset();
  hostName.fill(0);
  origin = Origin::None;
  lastStatus = 0;
  configLoaded = -1;
  configBlock.fill(0);
  deviceType.store(0, std::memory_order_release);
}

}  // namespace vornc
