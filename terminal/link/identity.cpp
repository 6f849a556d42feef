#include "terminal/link/identity.h"

#include <array>
#include <cstring>

#include "platform/clock.h"
#include "terminal/link/dispatch.h"
#include "terminal/link/exchange.h"
#include "vornc.h"

namespace vornc::identity {
namespace {

using dispatch::Family;
using dispatch::Operation;
using exchange::Rule;
using platform::sleep_ms;

// The plain-command block read of the series-120, 220 and 320 terminals. It cannot tell
// a silent terminal from an answer: `params` then keeps what it held.
std::int32_t plain_get_param(TerminalSlot& slot, std::uint8_t* params) {
  if (!exchange::send(slot.socket, {'P', 'P', 0})) return VORN_SEND_FAILED;
  exchange::receive(slot.socket, params, kParamBytes, 3000, Rule::Lenient);
  return VORN_OK;
}

// The plain-command block write: 'C', the block, a zero byte; the terminal answers
// nothing and needs 700 ms to store the block.
std::int32_t plain_set_param(TerminalSlot& slot, const std::uint8_t* params) {
  std::array<std::uint8_t, kParamBytes + 2> command{};
  command[0] = 'C';
  std::memcpy(command.data() + 1, params, kParamBytes);
  sleep_ms(200);
  if (!exchange::send(slot.socket, command)) return VORN_SEND_FAILED;
  sleep_ms(700);
  return VORN_OK;
}

// Waits for a type 122 reply frame; false when none came in time.
bool frame_reply(TerminalSlot& slot, std::uint8_t* reply, std::size_t count) {
  return !exchange::receive(slot.socket, reply, count, 2000, Rule::FrameReply).timed_out;
}

}  // namespace

std::int32_t get_version(TerminalSlot& slot, std::uint8_t* version) {
  if (auto r = dispatch::immediate_result(Operation::GetVersion, slot.type())) return *r;
  switch (dispatch::family_of(slot.type())) {
    case Family::Type122: {
      if (!frame::send(slot.socket, 'V')) return VORN_SEND_FAILED;
      std::array<std::uint8_t, frame::kHeaderBytes + kVersionBytes> reply{};
      if (!frame_reply(slot, reply.data(), reply.size())) return VORN_TIMEOUT;
      std::memcpy(version, reply.data() + frame::kHeaderBytes, kVersionBytes);
      return VORN_OK;
    }
    case Family::Type321: {
      if (!exchange::send_recording_failure(slot, {'V'})) return VORN_SEND_FAILED;
      sleep_ms(10);
      // The 321 answers with a whole 128-byte record; the version is its start.
      std::array<std::uint8_t, 128> reply{};
      if (!exchange::receive_recorded(slot, reply.data(), reply.size(), 2000)) {
        return VORN_NO_REPLY;
      }
      std::memcpy(version, reply.data(), kVersionBytes);
      return VORN_OK;
    }
    default: {
      sleep_ms(200);
      if (!exchange::send(slot.socket, {'V', 'V', 0})) return VORN_SEND_FAILED;
      std::array<std::uint8_t, kVersionBytes> reply{};
      exchange::receive(slot.socket, reply.data(), reply.size(), 3000, Rule::Lenient);
      std::memcpy(version, reply.data(), kVersionBytes);
      return VORN_OK;
    }
  }
}

std::int32_t get_param(TerminalSlot& slot, std::uint8_t* params) {
  if (auto r = dispatch::immediate_result(Operation::GetParam, slot.type())) return *r;
  switch (dispatch::family_of(slot.type())) {
    case Family::Type122: {
      if (!frame::send(slot.socket, 'P')) return VORN_SEND_FAILED;
      std::array<std::uint8_t, frame::kHeaderBytes + kParamBytes> reply{};
      if (!frame_reply(slot, reply.data(), reply.size())) return VORN_TIMEOUT;
      std::memcpy(params, reply.data() + frame::kHeaderBytes, kParamBytes);
      return VORN_OK;
    }
    case Family::Type321:
      if (!exchange::send_recording_failure(slot, {'<'})) return VORN_SEND_FAILED;
      return exchange::receive_recorded(slot, params, kParamBytes, 2000) ? VORN_OK
                                                                         : VORN_NO_REPLY;
    default:
      return plain_get_param(slot, params);
  }
}

std::int32_t set_param(TerminalSlot& slot, const std::uint8_t* params) {
  if (auto r = dispatch::immediate_result(Operation::SetParam, slot.type())) return *r;
  switch (dispatch::family_of(slot.type())) {
    case Family::Type122: {
      if (!frame::send(slot.socket, 'C', std::span(params, kParamBytes))) return VORN_SEND_FAILED;
      std::array<std::uint8_t, frame::kHeaderBytes> reply{};
      return frame_reply(slot, reply.data(), reply.size()) ? VORN_OK : VORN_TIMEOUT;
    }
    case Family::Type321: {
      std::array<std::uint8_t, kParamBytes + 1> command{};
      command[0] = '>';
      std::memcpy(command.data() + 1, params, kParamBytes);
      if (!exchange::send_recording_failure(slot, command)) return VORN_SEND_FAILED;
      slot.lastStatus = 0;
      sleep_ms(50);
      return VORN_OK;
    }
    default:
      return plain_set_param(slot, params);
  }
}

// Type 122 keeps its configuration copy with the plain commands too.
std::int32_t read_configuration(TerminalSlot& slot) {
  if (auto r = dispatch::immediate_result(Operation::ReadConfiguration, slot.type())) return *r;
  const std::int32_t result = plain_get_param(slot, slot.configBlock.data());
  if (result == VORN_OK) slot.configLoaded = 1;
  return result;
}

std::int32_t write_configuration(TerminalSlot& slot) {
  if (auto r = dispatch::immediate_result(Operation::WriteConfiguration, slot.type())) return *r;
  if (slot.configLoaded != 1) return VORN_CONFIG_NOT_LOADED;
  // Cleared before sending: every write needs a fresh read.
  slot.configLoaded = -1;
  return plain_set_param(slot, slot.configBlock.data());
}

std::int32_t reboot(TerminalSlot& slot) {
  if (auto r = dispatch::immediate_result(Operation::Reboot, slot.type())) return *r;
  switch (dispatch::family_of(slot.type())) {
    case Family::Type122:
      if (!frame::send(slot.socket, 'R', std::array<std::uint8_t, 1>{'*'})) {
        return VORN_SEND_FAILED;
      }
      sleep_ms(400);
      return VORN_OK;
    case Family::Type321:
      if (!exchange::send_recording_failure(slot, {'*', '*'})) return VORN_SEND_FAILED;
      sleep_ms(100);
      return VORN_OK;
    default:
      sleep_ms(200);
      if (!exchange::send_recording_failure(slot, {'R', '*'})) return VORN_SEND_FAILED;
      sleep_ms(400);
      return VORN_OK;
  }
}

}  // namespace vornc::identity
