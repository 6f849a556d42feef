#include "terminal/link/network.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <optional>
#include <span>
#include <string_view>

#include "platform/byte_order.h"
#include "terminal/link/dispatch.h"
#include "terminal/link/exchange.h"
#include "vornc.h"

namespace vornc::network {
namespace {

using dispatch::Operation;
using exchange::Command;
using exchange::Records;
using exchange::Wait;
using namespace wire::request;

struct Field {
  Setting setting;
  std::size_t offset;
  std::size_t width;  // 4 an address, 2 a port (low byte first)
};

constexpr std::size_t kAddressBytes = 4;
constexpr std::size_t kPortBytes = 2;

// Where the series-120 and 122 terminals keep their network settings in the block.
constexpr Field kFields[] = {
    {Setting::Address, 6, kAddressBytes},        {Setting::Gateway, 10, kAddressBytes},
    {Setting::Mask, 14, kAddressBytes},          {Setting::Port, 18, kPortBytes},
    {Setting::ServerAddress, 20, kAddressBytes}, {Setting::ServerPort, 24, kPortBytes},
};
static_assert(wire::indexed_by(kFields, &Field::setting, Setting::ServerPort));

// The terminal works the watchdog command before it takes the next one.
constexpr int kAfterWatchdogMs = 250;
constexpr int kWatchdogStatusBytes = 2;

// Argument 0: the watchdog value.
constexpr Command kArmWatchdog = {.request = {byte('Y'), byte(1), low8(0)},
                                  .pause_after_ms = kAfterWatchdogMs,
                                  .records = Records::SendFailure};
constexpr Command kResetWatchdog = {.request = {byte('Y'), byte(0), byte(0)},
                                    .pause_after_ms = kAfterWatchdogMs,
                                    .records = Records::SendFailure};
constexpr Command kWatchdogStatus = {.request = {byte('Y'), byte('?'), byte(0)},
                                     .wait = Wait::DeadlineFirstCountedRecorded,
                                     .reply_length = kWatchdogStatusBytes,
                                     .limit_ms = exchange::kReplyLimitMs};

std::span<std::uint8_t> field_of(TerminalSlot& slot, Setting setting) {
  const Field& f = kFields[static_cast<std::size_t>(setting)];
  return std::span(slot.configBlock).subspan(f.offset, f.width);
}

// The result of a network operation that does not reach the block, or nullopt.
std::optional<std::int32_t> not_editable(const TerminalSlot& slot) {
  if (auto r = dispatch::immediate_result(Operation::NetworkSetting, slot.type())) return r;
  if (slot.configLoaded != 1) return VORN_CONFIG_NOT_LOADED;
  return std::nullopt;
}

bool is_separator(char c) { return c == '.' || c == ':'; }
bool is_blank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// A token read as a decimal integer with leading blanks and a sign, up to the first
// non-digit, kept to its low 8 bits (no digits: 0). Counting modulo 256 keeps any
// length of digits in range and gives a negative number's two's-complement byte.
std::uint8_t low_byte_of_number(std::string_view token) {
  std::size_t i = 0;
  while (i < token.size() && is_blank(token[i])) ++i;
  bool negative = false;
  if (i < token.size() && (token[i] == '+' || token[i] == '-')) negative = token[i++] == '-';
  unsigned value = 0;
  for (; i < token.size() && token[i] >= '0' && token[i] <= '9'; ++i) {
    value = (value * 10 + static_cast<unsigned>(token[i] - '0')) & 0xFFu;
  }
  return static_cast<std::uint8_t>(negative ? (0x100u - value) & 0xFFu : value);
}

// Fills the address field from the first four tokens of the text; a part not given
// keeps its byte.
void parse_dotted_address(std::string_view text, std::span<std::uint8_t> field) {
  std::size_t part = 0;
  std::size_t at = 0;
  while (part < field.size()) {
    while (at < text.size() && is_separator(text[at])) ++at;
    if (at == text.size()) break;
    std::size_t end = at;
    while (end < text.size() && !is_separator(text[end])) ++end;
    field[part++] = low_byte_of_number(text.substr(at, end - at));
    at = end;
  }
}

}  // namespace

std::int32_t set_address(TerminalSlot& slot, Setting setting, const char* text) {
  // A text cut to the working buffer could set another address than the one meant.
  const std::size_t length = strnlen(text, kAddressTextBuffer);
  if (length == kAddressTextBuffer) return VORN_NO_REPLY;
  if (auto r = not_editable(slot)) return *r;
  parse_dotted_address(std::string_view(text, length), field_of(slot, setting));
  return VORN_OK;
}

std::int32_t get_address(TerminalSlot& slot, Setting setting, char* text) {
  if (auto r = not_editable(slot)) return *r;
  const auto f = field_of(slot, setting);
  std::snprintf(text, kAddressTextBytes, "%u.%u.%u.%u", unsigned{f[0]}, unsigned{f[1]},
                unsigned{f[2]}, unsigned{f[3]});
  return VORN_OK;
}

std::int32_t set_port(TerminalSlot& slot, Setting setting, std::int32_t port) {
  if (auto r = not_editable(slot)) return *r;
  byte_order::store_le16(field_of(slot, setting).data(), static_cast<std::uint32_t>(port));
  return VORN_OK;
}

std::int32_t get_port(TerminalSlot& slot, Setting setting, std::uint16_t* port) {
  if (auto r = not_editable(slot)) return *r;
  *port = byte_order::load_le16(field_of(slot, setting).data());
  return VORN_OK;
}

std::int32_t set_activity_watchdog(TerminalSlot& slot, std::uint8_t value) {
  if (auto r = dispatch::immediate_result(Operation::ActivityWatchdog, slot.type())) return *r;
  return exchange::result(exchange::run(kArmWatchdog, slot, args(value)), VORN_OK);
}

std::int32_t reset_activity_watchdog(TerminalSlot& slot) {
  if (auto r = dispatch::immediate_result(Operation::ActivityWatchdog, slot.type())) return *r;
  return exchange::result(exchange::run(kResetWatchdog, slot), VORN_OK);
}

std::int32_t get_status_activity_watchdog(TerminalSlot& slot) {
  if (auto r = dispatch::immediate_result(Operation::ActivityWatchdog, slot.type())) return *r;
  std::array<std::uint8_t, kWatchdogStatusBytes> status{};
  const std::int32_t r =
      exchange::result(exchange::run(kWatchdogStatus, slot, {}, status), VORN_NO_REPLY);
  return r == VORN_OK ? status[0] : r;
}

}  // namespace vornc::network
