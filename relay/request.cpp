#include "relay/request.h"

#include <algorithm>

namespace relay::request {
namespace {

// `count` bytes of v, low first or high first.
std::uint8_t* put(std::uint8_t* at, std::uint32_t v, int count, bool big_endian) {
  for (int i = 0; i < count; ++i) {
    const int shift = 8 * (big_endian ? count - 1 - i : i);
    *at++ = static_cast<std::uint8_t>(v >> shift);
  }
  return at;
}

}  // namespace

void build(const Layout& layout, const Args& args, std::span<const std::uint8_t> data,
           Built& out) {
  std::uint8_t* at = out.bytes.data();
  for (const Field& f : layout) {
    const std::uint32_t arg = f.value < kMaxArgs ? args[f.value] : 0;
    switch (f.piece) {
      case Piece::End:
        out.length = static_cast<std::size_t>(at - out.bytes.data());
        return;
      case Piece::Byte:
        *at++ = f.value;
        break;
      case Piece::Low8:
        at = put(at, arg, 1, false);
        break;
      case Piece::U16LE:
        at = put(at, arg, 2, false);
        break;
      case Piece::U32LE:
        at = put(at, arg, 4, false);
        break;
      case Piece::U16BE:
        at = put(at, arg, 2, true);
        break;
      case Piece::U32BE:
        at = put(at, arg, 4, true);
        break;
      case Piece::Zeros:
        at = std::fill_n(at, f.value, std::uint8_t{0});
        break;
      case Piece::Data: {
        // Callers refuse oversized data; never write past the buffer regardless.
        const auto room = static_cast<std::size_t>(out.bytes.data() + kBufferSize - at);
        at = std::copy_n(data.begin(), std::min(data.size(), room), at);
        break;
      }
    }
  }
  out.length = static_cast<std::size_t>(at - out.bytes.data());
}

}  // namespace relay::request
