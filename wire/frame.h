// The CRC frame of the type 122 terminals: '*', the command letter, a CRC-8 of the
// payload, the payload length in base 255 (two bytes), a reserved zero, the payload.
// Replies come back in the same frame; the terminal's own checksum, length and letter in
// a reply are never checked, as the terminals' first hosts never did.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace wire::frame {

inline constexpr std::size_t kHeaderBytes = 6;
// The same, as a row's reply length: an empty reply frame, the acknowledgement of most
// type 122 commands.
inline constexpr int kHeaderLength = static_cast<int>(kHeaderBytes);
inline constexpr std::size_t kBufferBytes = 2048;
inline constexpr std::size_t kMaxPayload = kBufferBytes - kHeaderBytes;

// CRC-8, polynomial 0x31, initial 0xFF, MSB first, no reflection or final inversion.
std::uint8_t checksum(std::span<const std::uint8_t> bytes);

// Builds a frame into `out`; returns its length, or 0 when the payload does not fit.
std::size_t build(std::uint8_t letter, std::span<const std::uint8_t> payload,
                  std::span<std::uint8_t, kBufferBytes> out);

}  // namespace wire::frame
