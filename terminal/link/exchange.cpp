#include "terminal/link/exchange.h"

#include <array>
#include <cstring>

#include "platform/timed_receive.h"

namespace vornc::exchange {

bool send(platform::SocketHandle socket, std::span<const std::uint8_t> command) {
  return platform::socket_send(socket, command.data(), command.size()) != -1;
}

bool send(platform::SocketHandle socket, std::initializer_list<std::uint8_t> command) {
  return send(socket, std::span<const std::uint8_t>(command.begin(), command.size()));
}

bool send_recording_failure(TerminalSlot& slot, std::span<const std::uint8_t> command) {
  if (send(slot.socket, command)) return true;
  slot.lastStatus = -2;
  return false;
}

bool send_recording_failure(TerminalSlot& slot, std::initializer_list<std::uint8_t> command) {
  return send_recording_failure(slot, std::span<const std::uint8_t>(command.begin(), command.size()));
}

Outcome receive(platform::SocketHandle socket, void* buffer, std::size_t count, int timeout_ms,
                Rule rule) {
  const auto deadline = rule == Rule::FrameReply ? platform::DeadlineRule::DataFirst
                                                 : platform::DeadlineRule::ClockFirst;
  const auto r = platform::timed_receive(socket, buffer, count, timeout_ms, deadline);
  if (r.timed_out) return {true, platform::wsa::kTimeOutMarker};
  return {false, r.last.outcome()};
}

bool receive_recorded(TerminalSlot& slot, void* buffer, std::size_t count, int timeout_ms) {
  const Outcome o = receive(slot.socket, buffer, count, timeout_ms, Rule::Recorded);
  const bool ok = o.got(static_cast<int>(count));
  slot.lastStatus = ok ? 0 : o.value;
  return ok;
}

}  // namespace vornc::exchange

namespace vornc::frame {
namespace {

constexpr std::array<std::uint8_t, 256> make_crc_table() {
  std::array<std::uint8_t, 256> table{};
  for (int i = 0; i < 256; ++i) {
    auto crc = static_cast<std::uint8_t>(i);
    for (int bit = 0; bit < 8; ++bit) {
      crc = static_cast<std::uint8_t>((crc & 0x80) ? (crc << 1) ^ 0x31 : crc << 1);
    }
    table[static_cast<std::size_t>(i)] = crc;
  }
  return table;
}

constexpr auto kCrcTable = make_crc_table();

}  // namespace

std::uint8_t checksum(std::span<const std::uint8_t> bytes) {
  std::uint8_t crc = 0xFF;
  for (std::uint8_t b : bytes) crc = kCrcTable[crc ^ b];
  return crc;
}

std::size_t build(std::uint8_t letter, std::span<const std::uint8_t> payload,
                  std::span<std::uint8_t, kBufferBytes> out) {
  if (payload.size() > kMaxPayload) return 0;
  const std::size_t length = payload.size();
  out[0] = 0x2A;
  out[1] = letter;
  out[2] = checksum(payload);
  // The terminals read the length in base 255.
  out[3] = static_cast<std::uint8_t>(length / 255);
  out[4] = static_cast<std::uint8_t>(length % 255);
  out[5] = 0;
  if (length != 0) std::memcpy(out.data() + kHeaderBytes, payload.data(), length);
  return length + kHeaderBytes;
}

bool send(platform::SocketHandle socket, std::uint8_t letter,
          std::span<const std::uint8_t> payload) {
  std::array<std::uint8_t, kBufferBytes> buffer{};
  const std::size_t length = build(letter, payload, buffer);
  return length != 0 && exchange::send(socket, std::span(buffer.data(), length));
}

}  // namespace vornc::frame
