#include "terminal/link/exchange.h"

#include <algorithm>
#include <array>
#include <iterator>

#include "vornc.h"
#include "wire/frame.h"

namespace vornc::exchange {
namespace {

// The longest reply a terminal sends in one piece: a full CRC frame.
constexpr std::size_t kLongestCopiedReply = wire::frame::kBufferBytes;

}  // namespace

Outcome run(const Command& command, TerminalSlot& slot, const wire::request::Args& args,
            std::span<std::uint8_t> reply, std::span<const std::uint8_t> data) {
  const wire::Link link{slot.socket, library().lock.get(), &slot.lastStatus};
  return wire::run(command, link, args, reply, data);
}

Outcome run_on_socket(const Command& command, platform::SocketHandle socket,
                      const wire::request::Args& args, std::span<const std::uint8_t> data) {
  return wire::run(command, wire::Link{.socket = socket}, args, {}, data);
}

std::int32_t result(const Outcome& o, std::int32_t unanswered) {
  if (!o.sent) return VORN_SEND_FAILED;
  return o.accepted ? VORN_OK : unanswered;
}

std::int32_t play(const Variant& variant, TerminalSlot& slot, std::span<std::uint8_t> out,
                  std::span<const std::uint8_t> data, const wire::request::Args& args) {
  const auto reply_length = static_cast<std::size_t>(std::max(variant.command.reply_length, 0));
  if (variant.delivery == Delivery::Straight && out.size() >= reply_length) {
    return result(run(variant.command, slot, args, out, data), variant.unanswered);
  }
  // A copied reply, or an acknowledgement the caller has no buffer for.
  std::array<std::uint8_t, kLongestCopiedReply> reply{};
  const std::int32_t r = result(run(variant.command, slot, args, reply, data), variant.unanswered);
  if (r == VORN_OK && variant.delivery == Delivery::Copied) {
    const auto wanted = std::span(reply).subspan(variant.from);
    std::copy_n(wanted.begin(), std::min(out.size(), wanted.size()), out.begin());
  }
  return r;
}

std::int32_t play(const Variants& variants, TerminalSlot& slot, std::span<std::uint8_t> out,
                  std::span<const std::uint8_t> data, const wire::request::Args& args) {
  const auto family = static_cast<std::size_t>(dispatch::family_of(slot.type()));
  if (family >= std::size(variants)) return VORN_NOT_SUPPORTED;
  return play(variants[family], slot, out, data, args);
}

}  // namespace vornc::exchange
