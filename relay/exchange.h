// The exchange: one request written with one send, then at most one reply awaited with
// one of the controller's waits, the pauses around it and the library lock.
//
// Commands are rows (`Command`): request layout, lock, pauses, wait, reply length and
// limit, and what the slot's last status keeps. `run` plays a row; the operation
// families judge the outcome.
#pragma once

#include <cstdint>
#include <span>

#include "platform/socket.h"
#include "relay/device_table.h"
#include "relay/request.h"

namespace relay::exchange {

using device_table::RelaySlot;

enum class Wait : std::uint8_t {
  None,
  // Ends on the first receive that is not would-block, even past the limit; the
  // outcome is that receive's count or error (would-block after the limit).
  PassThrough,
  // A receive that ends past the limit is a time-out even when it brought data; only
  // exactly the reply length succeeds. Keeps the outcome in the slot's last status.
  Recorded,
  // Ended as the recorded wait ends it, but the outcome is handed back, not kept.
  Answer,
};

// What the slot's last status keeps besides a recorded wait's outcome.
enum class Kept : std::uint8_t {
  WaitOnly,     // nothing else
  SendFailure,  // -2 when the request cannot be sent
  SendResult,   // -2 when the request cannot be sent, 0 once it is
};

// The reply length comes with the call (data flash block reads and writes).
inline constexpr int kSizedByCall = -1;

struct Command {
  request::Layout request;
  bool locked;
  int pause_before_ms;   // before the lock is taken
  int pause_sent_ms;     // between the send and the wait
  Wait wait;
  int reply_length;
  int limit_ms;
  int pause_after_ms;    // after the lock is released
  Kept kept;
};

struct Outcome {
  bool sent = false;
  bool timed_out = false;
  platform::ReceiveResult last;  // the last receive of the wait
  int expected = 0;

  bool whole() const {
    return sent && !timed_out && last.error == 0 && last.count == expected;
  }
  // The last receive's count or error code, as pass-through commands return it.
  int passed_through() const { return last.outcome(); }
  // 0 unless the last receive failed, then its error code.
  int failed_receive() const { return last.error; }
  // The time-out marker when the limit passed, else the last receive's count or error.
  int recorded() const { return timed_out ? platform::wsa::kTimeOutMarker : last.outcome(); }
};

// The result of a command that awaits nothing: 0 once sent, else -2.
int sent_result(const Outcome& o);
// The result of a recorded wait that only needs the whole reply: 0, -1 or -2.
int recorded_result(const Outcome& o);

// One send of the whole request; false when the send call failed.
bool send(const RelaySlot& slot, std::span<const std::uint8_t> request);

// The waits, for exactly reply.size() bytes in one receive.
Outcome pass_through_wait(const RelaySlot& slot, std::span<std::uint8_t> reply, int limit_ms);
Outcome recorded_wait(RelaySlot& slot, std::span<std::uint8_t> reply, int limit_ms);
Outcome answer_wait(const RelaySlot& slot, std::span<std::uint8_t> reply, int limit_ms);

// Plays a command row: build, pause, lock, send, pause, wait, unlock, pause. A failed send
// releases the lock and skips every later pause. The reply is received into the front
// of `reply` (the row's length, or all of it for kSizedByCall).
Outcome run(const Command& command, RelaySlot& slot, const request::Args& args,
            std::span<std::uint8_t> reply = {}, std::span<const std::uint8_t> data = {});

}  // namespace relay::exchange
