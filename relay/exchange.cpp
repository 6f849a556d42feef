#include "relay/exchange.h"

#include "platform/clock.h"
#include "platform/named_lock.h"
#include "platform/timed_receive.h"
#include "relay/library.h"
#include "tamr11xc.h"

namespace relay::exchange {
namespace {

Outcome wait_with(const RelaySlot& slot, std::span<std::uint8_t> reply, int limit_ms,
                  platform::DeadlineRule rule) {
  // An empty block's answer is complete before anything arrives (a zero-length receive
  // on POSIX would wait for data instead of returning 0).
  if (reply.empty()) return {true, false, {0, 0}, 0};
  const auto r = platform::timed_receive(slot.socket, reply.data(), reply.size(), limit_ms, rule);
  return {true, r.timed_out, r.last, static_cast<int>(reply.size())};
}

}  // namespace

int sent_result(const Outcome& o) { return o.sent ? TAMR_OK : TAMR_ERR_SEND; }

int recorded_result(const Outcome& o) {
  if (!o.sent) return TAMR_ERR_SEND;
  return o.whole() ? TAMR_OK : TAMR_ERR_REPLY;
}

bool send(const RelaySlot& slot, std::span<const std::uint8_t> request) {
  return platform::socket_send(slot.socket, request.data(), request.size()) != -1;
}

Outcome pass_through_wait(const RelaySlot& slot, std::span<std::uint8_t> reply, int limit_ms) {
  return wait_with(slot, reply, limit_ms, platform::DeadlineRule::DataFirst);
}

Outcome recorded_wait(RelaySlot& slot, std::span<std::uint8_t> reply, int limit_ms) {
  Outcome o = wait_with(slot, reply, limit_ms, platform::DeadlineRule::ClockFirst);
  slot.last_status = o.whole() ? 0 : o.recorded();
  return o;
}

Outcome answer_wait(const RelaySlot& slot, std::span<std::uint8_t> reply, int limit_ms) {
  return wait_with(slot, reply, limit_ms, platform::DeadlineRule::ClockFirst);
}

Outcome run(const Command& command, RelaySlot& slot, const request::Args& args,
            std::span<std::uint8_t> reply, std::span<const std::uint8_t> data) {
  request::Built built;
  request::build(command.request, args, data, built);
  if (command.reply_length != kSizedByCall) {
    reply = reply.first(static_cast<std::size_t>(command.reply_length));
  }

  platform::sleep_ms(command.pause_before_ms);
  Outcome outcome;
  {
    const platform::LockGuard hold(command.locked ? library::lock() : nullptr);
    // A command that only listens sends nothing.
    if (built.length != 0 && !send(slot, std::span(built.bytes).first(built.length))) {
      if (command.kept != Kept::WaitOnly) slot.last_status = TAMR_ERR_SEND;
      return outcome;
    }
    if (command.kept == Kept::SendResult) slot.last_status = 0;
    platform::sleep_ms(command.pause_sent_ms);
    switch (command.wait) {
      case Wait::None:
        outcome.sent = true;
        break;
      case Wait::PassThrough:
        outcome = pass_through_wait(slot, reply, command.limit_ms);
        break;
      case Wait::Recorded:
        outcome = recorded_wait(slot, reply, command.limit_ms);
        break;
      case Wait::Answer:
        outcome = answer_wait(slot, reply, command.limit_ms);
        break;
    }
  }
  platform::sleep_ms(command.pause_after_ms);
  return outcome;
}

}  // namespace relay::exchange
