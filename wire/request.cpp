#include "wire/request.h"

#include <algorithm>

#include "platform/byte_order.h"

namespace wire::request {
namespace {

// Writes a value with one of the byte-order stores and steps past it.
template <std::size_t Size>
std::uint8_t* put(std::uint8_t* at, std::uint32_t v, void (*store)(std::uint8_t*, std::uint32_t)) {
  store(at, v);
  return at + Size;
}

}  // namespace

void build(const Layout& layout, const Args& args, std::span<const std::uint8_t> data, Built& out) {
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
        *at++ = static_cast<std::uint8_t>(arg);
        break;
      case Piece::U16LE:
        at = put<2>(at, arg, byte_order::store_le16);
        break;
      case Piece::U32LE:
        at = put<4>(at, arg, byte_order::store_le32);
        break;
      case Piece::U16BE:
        at = put<2>(at, arg, byte_order::store_be16);
        break;
      case Piece::U32BE:
        at = put<4>(at, arg, byte_order::store_be32);
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

}  // namespace wire::request
