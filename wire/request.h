// Request layouts: each command's request is a row of pieces, built by one function.
// Shared by both client libraries: a terminal's and a relay controller's commands are
// the same kind of thing, a few fixed bytes, arguments in either byte order, data.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace wire::request {

// Every request is built in a buffer of this size: the largest a terminal's CRC frame
// can be. A device with a smaller request buffer bounds its data with data_capacity.
inline constexpr std::size_t kBufferSize = 2048;

enum class Piece : std::uint8_t {
  End = 0,  // the layout stops here (value-initialised pieces end a row)
  Byte,     // a fixed byte: `value`
  Low8,     // the low byte of argument `value`
  U16LE,    // argument `value` as 16 bits, low byte first
  U32LE,    // argument `value` as 32 bits, low byte first
  U16BE,    // argument `value` as 16 bits, high byte first
  U32BE,    // argument `value` as 32 bits, high byte first
  Zeros,    // `value` zero bytes
  Data,     // the caller's data bytes
};

struct Field {
  Piece piece = Piece::End;
  std::uint8_t value = 0;
};

inline constexpr std::size_t kMaxFields = 12;
using Layout = std::array<Field, kMaxFields>;

constexpr Field byte(int c) { return {Piece::Byte, static_cast<std::uint8_t>(c)}; }
constexpr Field low8(int arg) { return {Piece::Low8, static_cast<std::uint8_t>(arg)}; }
constexpr Field u16le(int arg) { return {Piece::U16LE, static_cast<std::uint8_t>(arg)}; }
constexpr Field u32le(int arg) { return {Piece::U32LE, static_cast<std::uint8_t>(arg)}; }
constexpr Field u16be(int arg) { return {Piece::U16BE, static_cast<std::uint8_t>(arg)}; }
constexpr Field u32be(int arg) { return {Piece::U32BE, static_cast<std::uint8_t>(arg)}; }
constexpr Field zeros(int count) { return {Piece::Zeros, static_cast<std::uint8_t>(count)}; }
constexpr Field data() { return {Piece::Data, 0}; }

inline constexpr std::size_t kMaxArgs = 8;
using Args = std::array<std::uint32_t, kMaxArgs>;

// Arguments of a request, in the order the layout's pieces name them.
template <typename... T>
constexpr Args args(T... values) {
  return {static_cast<std::uint32_t>(values)...};
}

struct Built {
  std::array<std::uint8_t, kBufferSize> bytes{};
  std::size_t length = 0;
};

constexpr std::size_t piece_length(const Field& f) {
  switch (f.piece) {
    case Piece::Byte:
    case Piece::Low8:
      return 1;
    case Piece::U16LE:
    case Piece::U16BE:
      return 2;
    case Piece::U32LE:
    case Piece::U32BE:
      return 4;
    case Piece::Zeros:
      return f.value;
    case Piece::End:
    case Piece::Data:
      break;
  }
  return 0;
}

// The length of the request without its data: the header a block write fills.
constexpr std::size_t header_length(const Layout& layout) {
  std::size_t n = 0;
  for (const Field& f : layout) {
    if (f.piece == Piece::End) break;
    n += piece_length(f);
  }
  return n;
}

// The most data a request of this layout can carry in a buffer of `buffer_size` bytes.
constexpr std::size_t data_capacity(const Layout& layout, std::size_t buffer_size) {
  return buffer_size - header_length(layout);
}

// Lays the request out; data that does not fit in kBufferSize bytes is cut.
void build(const Layout& layout, const Args& args, std::span<const std::uint8_t> data, Built& out);

}  // namespace wire::request
