// Relay-board commands both client libraries send: the relay controller's own library,
// and the terminal library, which speaks to a relay board over a terminal's connection.
// A row both send alike lives here once; each library adds its own pauses.
#pragma once

#include <cstddef>

#include "wire/command.h"

namespace wire::relay_board {

inline constexpr int kReplyLimitMs = 2000;
// The caller's status buffer: the byte received, then zeros.
inline constexpr std::size_t kStatusBytes = 8;

// The board reports its inputs (and a relay state left over from a switching command)
// unasked: nothing is sent, one byte is awaited.
inline constexpr Command kAnswer = {
    .wait = Wait::DeadlineFirst, .reply_length = 1, .limit_ms = kReplyLimitMs};

// A shared row with a pause before it, for a library whose board needs one.
constexpr Command paused_before(Command command, int pause_ms) {
  command.pause_before_ms = pause_ms;
  return command;
}

}  // namespace wire::relay_board
