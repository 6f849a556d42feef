// The terminal's commands are rows of the shared command layer, played on a slot's
// connection (or on a socket of the caller's); this file turns their outcomes into the
// library's results.
//
// Most operations come in a variant per protocol family: the same row shape with other
// bytes, framing and waits. A `Variant` adds to its row what the operation makes of the
// outcome: the result when the wait does not accept the reply, and how the reply reaches
// the caller's buffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "platform/socket.h"
#include "terminal/link/device_table.h"
#include "terminal/link/dispatch.h"
#include "wire/command.h"
#include "wire/enum_table.h"

namespace vornc::exchange {

using wire::Command;
using wire::Framing;
using wire::Outcome;
using wire::Records;
using wire::Wait;

inline constexpr int kReplyLimitMs = 2000;

// Plays a row on a slot's connection; locked rows take the library lock.
Outcome run(const Command& command, TerminalSlot& slot, const wire::request::Args& args = {},
            std::span<std::uint8_t> reply = {}, std::span<const std::uint8_t> data = {});

// Plays a row on a caller's socket, with no slot to keep an outcome in.
Outcome run_on_socket(const Command& command, platform::SocketHandle socket,
                      const wire::request::Args& args = {},
                      std::span<const std::uint8_t> data = {});

// -2 when the request could not be sent, `unanswered` when the wait did not accept the
// reply, else 0.
std::int32_t result(const Outcome& o, std::int32_t unanswered);

// How a reply reaches the caller's buffer.
enum class Delivery : std::uint8_t {
  Straight,  // received straight into it: what came is there, whatever the result (with
             // no buffer, as for an acknowledgement, the reply is received and dropped)
  Copied,    // received into a zeroed buffer; bytes from `from` on are copied on success
};

struct Variant {
  dispatch::Family family;
  Command command;
  std::int32_t unanswered = 0;  // 0 where the outcome is not judged
  Delivery delivery = Delivery::Straight;
  std::size_t from = 0;  // where a copied reply's wanted bytes start (6 behind a CRC frame)
};

// A variant shared by another family.
constexpr Variant for_family(dispatch::Family family, Variant variant) {
  variant.family = family;
  return variant;
}

// The variants of an operation, one per protocol family, in the families' order.
using Variants = Variant[4];

constexpr bool covers_the_families(const Variants& variants) {
  return wire::indexed_by(variants, &Variant::family, dispatch::Family::Type321);
}

// Plays the variant of the slot's family: the request carries `args` and `data`, the
// reply lands in `out` as the variant delivers it.
std::int32_t play(const Variants& variants, TerminalSlot& slot, std::span<std::uint8_t> out = {},
                  std::span<const std::uint8_t> data = {}, const wire::request::Args& args = {});

// The same for one variant.
std::int32_t play(const Variant& variant, TerminalSlot& slot, std::span<std::uint8_t> out = {},
                  std::span<const std::uint8_t> data = {}, const wire::request::Args& args = {});

}  // namespace vornc::exchange
