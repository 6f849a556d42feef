// The M3 data-flash commands. The type 321 terminal and the M3 relay controllers carry
// the same flash behind the same firmware: '$' and a letter, address and size low byte
// first, the same replies, the same lock habits.
#pragma once

#include "wire/command.h"

namespace wire::data_flash_m3 {

using namespace wire::request;

inline constexpr int kLimitMs = 2000;
inline constexpr int kStatusReplyBytes = 3;  // '$', the letter, the status byte
inline constexpr int kWriteReplyBytes = 2;
// The device needs a moment to start the new image before anything else arrives.
inline constexpr int kAfterUpdateStartMs = 100;

// Queries answer with the status; they hold the lock until the reply is in.
constexpr Command query(const Layout& request) {
  return {.request = request,
          .locked = true,
          .wait = Wait::DeadlineFirstCountedRecorded,
          .reply_length = kStatusReplyBytes,
          .limit_ms = kLimitMs};
}

inline constexpr Command kReadStatus = query({byte('$'), byte('C'), byte(0)});
inline constexpr Command kSetPowerOf2 = query({byte('$'), byte('2'), byte(0)});

// Arguments 0 address, 1 size. A read holds the lock until its block is in.
inline constexpr Command kReadBlock = {.request = {byte('$'), byte('R'), u32le(0), u16le(1)},
                                       .locked = true,
                                       .wait = Wait::DeadlineFirstCountedRecorded,
                                       .reply_length = kSizedByCall,
                                       .limit_ms = kLimitMs};
// The device only stores a written block, so its write runs unlocked.
inline constexpr Command kWriteBlock = {
    .request = {byte('$'), byte('W'), u32le(0), u16le(1), data()},
    .wait = Wait::DeadlineFirstCountedRecorded,
    .reply_length = kWriteReplyBytes,
    .limit_ms = kLimitMs};
// Starts the image written to the flash; nothing is answered.
inline constexpr Command kUpdateStart = {.request = {byte('*'), byte('U')},
                                         .pause_after_ms = kAfterUpdateStartMs,
                                         .records = Records::SendFailure};

}  // namespace wire::data_flash_m3
