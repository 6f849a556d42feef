#include "wire/command.h"

#include <algorithm>
#include <array>

#include "platform/clock.h"
#include "platform/timed_receive.h"
#include "wire/frame.h"

namespace wire {
namespace {

// The bytes that go on the wire for a built request.
std::span<const std::uint8_t> framed(const Command& command, const request::Built& built,
                                     std::array<std::uint8_t, frame::kBufferBytes>& frame_buffer,
                                     bool& fits) {
  fits = true;
  const std::span<const std::uint8_t> bytes(built.bytes.data(), built.length);
  if (command.framing == Framing::Plain || bytes.empty()) return bytes;
  const std::size_t length = frame::build(bytes.front(), bytes.subspan(1), frame_buffer);
  fits = length != 0;
  return std::span<const std::uint8_t>(frame_buffer.data(), length);
}

Outcome timed_wait(const Link& link, std::span<std::uint8_t> reply, int limit_ms,
                   platform::DeadlineRule rule) {
  // An empty reply is complete before anything arrives (a zero-length receive on POSIX
  // would wait for data instead of returning 0).
  Outcome o;
  o.sent = true;
  if (reply.empty()) {
    o.accepted = true;
    return o;
  }
  const auto r = platform::timed_receive(link.socket, reply.data(), reply.size(), limit_ms, rule);
  o.timed_out = r.timed_out;
  o.last = r.last;
  o.expected = static_cast<int>(reply.size());
  return o;
}

Outcome wait(const Command& command, const Link& link, std::span<std::uint8_t> reply) {
  Outcome o;
  o.sent = true;
  switch (command.wait) {
    case Wait::None:
      o.accepted = true;
      return o;
    case Wait::SingleReceive:
      o.accepted = true;
      o.expected = static_cast<int>(reply.size());
      if (!reply.empty())
        o.last = platform::socket_receive(link.socket, reply.data(), reply.size());
      return o;
    case Wait::DataFirst:
      o = timed_wait(link, reply, command.limit_ms, platform::DeadlineRule::DataFirst);
      o.accepted = !o.timed_out;
      return o;
    case Wait::DeadlineFirst:
      o = timed_wait(link, reply, command.limit_ms, platform::DeadlineRule::ClockFirst);
      o.accepted = !o.timed_out;
      return o;
    case Wait::DeadlineFirstCounted:
    case Wait::DeadlineFirstCountedRecorded:
      o = timed_wait(link, reply, command.limit_ms, platform::DeadlineRule::ClockFirst);
      o.accepted = reply.empty() || o.whole();
      if (command.wait == Wait::DeadlineFirstCountedRecorded && link.last_status != nullptr) {
        *link.last_status = o.accepted ? 0 : o.recorded();
      }
      return o;
  }
  return o;
}

void record(const Link& link, std::int32_t value) {
  if (link.last_status != nullptr) *link.last_status = value;
}

}  // namespace

bool send(platform::SocketHandle socket, std::span<const std::uint8_t> bytes) {
  return platform::socket_send(socket, bytes.data(), bytes.size()) != -1;
}

Outcome run(const Command& command, const Link& link, const request::Args& args,
            std::span<std::uint8_t> reply, std::span<const std::uint8_t> data) {
  request::Built built;
  request::build(command.request, args, data, built);
  std::array<std::uint8_t, frame::kBufferBytes> frame_buffer;
  bool fits = true;
  const std::span<const std::uint8_t> bytes = framed(command, built, frame_buffer, fits);
  if (command.reply_length != kSizedByCall) {
    reply = reply.first(std::min(reply.size(), static_cast<std::size_t>(command.reply_length)));
  }

  platform::sleep_ms(command.pause_before_ms);
  Outcome outcome;
  {
    const platform::LockGuard hold(command.locked ? link.lock : nullptr);
    // A command that only listens sends nothing; a frame too large for the frame buffer
    // fails as its send would.
    if (!fits || (!bytes.empty() && !send(link.socket, bytes))) {
      if (command.records != Records::WaitOnly) record(link, kSendFailed);
      return outcome;
    }
    if (command.records == Records::SendOutcome) record(link, 0);
    platform::sleep_ms(command.pause_sent_ms);
    outcome = wait(command, link, reply);
  }
  platform::sleep_ms(command.pause_after_ms);
  return outcome;
}

}  // namespace wire
