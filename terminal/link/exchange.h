// The command exchange with a terminal: plain commands, CRC frames and the timed
// receive with its outcome rules.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>

#include "platform/socket.h"
#include "terminal/link/device_table.h"

namespace vornc::exchange {

// Writes a whole command with one send; false when the send failed. A shorter write
// is not detected: the terminals' commands are a few bytes and never split.
bool send(platform::SocketHandle socket, std::span<const std::uint8_t> command);
bool send(platform::SocketHandle socket, std::initializer_list<std::uint8_t> command);

// A send whose failure the operation records: lastStatus becomes -2 when it fails,
// and is left alone when it succeeds.
bool send_recording_failure(TerminalSlot& slot, std::span<const std::uint8_t> command);
bool send_recording_failure(TerminalSlot& slot, std::initializer_list<std::uint8_t> command);

// How an operation judges the end of its wait for a reply.
enum class Rule {
  Lenient,     // carry on with whatever the buffer holds
  Strict,      // time-out and a wrong count are failures
  Recorded,    // as strict, and the outcome goes into the slot's lastStatus
  FrameReply,  // type 122: any result other than would-block ends the wait, before the clock
};

struct Outcome {
  bool timed_out = false;
  int value = 0;  // the byte count, a socket error code, or 10036 after a time-out

  bool got(int expected) const { return !timed_out && value == expected; }
};

// Waits up to timeout_ms for one receive of `count` bytes into `buffer`.
Outcome receive(platform::SocketHandle socket, void* buffer, std::size_t count, int timeout_ms,
                Rule rule);

// A recorded wait: lastStatus becomes 0 when exactly `count` bytes came, else the outcome.
bool receive_recorded(TerminalSlot& slot, void* buffer, std::size_t count, int timeout_ms);

}  // namespace vornc::exchange

namespace vornc::frame {

inline constexpr std::size_t kHeaderBytes = 6;
inline constexpr std::size_t kBufferBytes = 2048;
inline constexpr std::size_t kMaxPayload = kBufferBytes - kHeaderBytes;

// CRC-8, polynomial 0x31, initial 0xFF, MSB first, no reflection or final inversion.
std::uint8_t checksum(std::span<const std::uint8_t> bytes);

// Builds a frame: '*', letter, checksum, length / 255, length % 255, 0, payload.
// Returns its length, or 0 when the payload does not fit the frame buffer.
std::size_t build(std::uint8_t letter, std::span<const std::uint8_t> payload,
                  std::span<std::uint8_t, kBufferBytes> out);

// Builds and writes one frame with one send; false when it could not be sent.
bool send(platform::SocketHandle socket, std::uint8_t letter,
          std::span<const std::uint8_t> payload = {});

}  // namespace vornc::frame
