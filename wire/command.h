// Commands as rows of data, played by one function.
//
// Every exchange with a terminal or a relay controller is the same few steps: build the
// request, pause, take the library lock if the command needs it, send it with one call,
// pause, wait for a reply of known length by one of the waits below, release the lock,
// pause, and note the outcome in the slot's lastStatus where the command keeps one. A
// command is a `Command` row; `run` plays it. What the outcome means for the caller
// (which result code, which bytes go where) is the operation's business, not the row's.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "platform/named_lock.h"
#include "platform/socket.h"
#include "wire/enum_table.h"
#include "wire/request.h"

namespace wire {

enum class Framing : std::uint8_t {
  Plain,  // the request's bytes as they stand
  // A type 122 CRC frame: the request's first byte is the frame's command letter, the
  // rest its payload.
  Crc,
};

// How a command waits for its reply, and what it makes of the receive that ended the
// wait. Every wait is a single receive for the whole reply: the devices' replies are
// never reassembled, and what arrives later stays in the socket for the next exchange.
enum class Wait : std::uint8_t {
  None,  // nothing is awaited
  // One receive call, no waiting: whatever has arrived by now.
  SingleReceive,
  // Any result other than would-block ends the wait before the clock is read, so a
  // reply that arrives as the limit passes is still taken. Accepted unless the limit
  // passed with nothing; the count is not judged.
  DataFirst,
  // The clock is read after every receive: one that ends past the limit is a time-out
  // even when it brought data. Accepted unless timed out; the count is not judged.
  DeadlineFirst,
  // As DeadlineFirst; accepted only when exactly the reply length came.
  DeadlineFirstCounted,
  // As DeadlineFirstCounted, and lastStatus keeps the outcome: 0 for the whole reply,
  // else the count, the socket error or the time-out marker.
  DeadlineFirstCountedRecorded,
};

// What lastStatus keeps besides a recorded wait's outcome.
enum class Records : std::uint8_t {
  WaitOnly,     // nothing else
  SendFailure,  // -2 when the request cannot be sent
  SendOutcome,  // -2 when the request cannot be sent, 0 once it is
};

// The reply length comes with the call (data-flash blocks).
inline constexpr int kSizedByCall = -1;

struct Command {
  request::Layout request{};
  Framing framing = Framing::Plain;
  bool locked = false;      // holds the library lock from the send to the reply
  int pause_before_ms = 0;  // before the lock is taken
  int pause_sent_ms = 0;    // between the send and the wait
  Wait wait = Wait::None;
  int reply_length = 0;  // or kSizedByCall
  int limit_ms = 0;
  int pause_after_ms = 0;  // after the lock is released
  Records records = Records::WaitOnly;
};

// Where a command runs: the connection, the library lock for rows marked locked (null:
// they run unexcluded), and the slot's lastStatus.
struct Link {
  platform::SocketHandle socket = platform::kNoSocket;
  platform::NamedLock* lock = nullptr;
  std::int32_t* last_status = nullptr;
};

inline constexpr std::int32_t kSendFailed = -2;

struct Outcome {
  bool sent = false;
  bool accepted = false;  // the wait's judgement of the reply (see Wait)
  bool timed_out = false;
  platform::ReceiveResult last;  // the receive that ended the wait
  int expected = 0;

  bool whole() const { return sent && !timed_out && last.error == 0 && last.count == expected; }
  // The last receive's count or error code.
  int passed_through() const { return last.outcome(); }
  // 0 unless the last receive failed, then its error code.
  int failed_receive() const { return last.error; }
  // The time-out marker when the limit passed, else the last receive's count or error.
  int recorded() const { return timed_out ? platform::wsa::kTimeOutMarker : last.outcome(); }
};

// Plays a row: build, pause, lock, send, pause, wait, unlock, pause. A failed send
// releases the lock and skips every later pause. The reply is received into the front
// of `reply` (the row's length, or all of it for kSizedByCall); a CRC-framed row's reply
// is the whole reply frame.
Outcome run(const Command& command, const Link& link, const request::Args& args = {},
            std::span<std::uint8_t> reply = {}, std::span<const std::uint8_t> data = {});

// One send call of a whole buffer; false when it failed. A shorter write is not
// detected: the devices' commands are small and never split.
bool send(platform::SocketHandle socket, std::span<const std::uint8_t> bytes);

}  // namespace wire
