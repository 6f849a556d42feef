#include "terminal/link/store.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <span>

#include "terminal/link/exchange.h"
#include "vornc.h"

namespace vornc::store {
namespace {

using exchange::Command;
using exchange::Outcome;
using exchange::Records;
using exchange::Wait;
using namespace wire::request;

constexpr std::size_t kBlockBytes = 1024;
constexpr int kPacketZeros = 61;
// The terminal takes a store command packet in before it can read the next one.
constexpr int kAfterCommandPacketMs = 300;
// The terminal gets the template ready to be fetched after "GG".
constexpr int kAfterFetchStartMs = 100;
constexpr int kBlockEchoLimitMs = 2000;
constexpr int kBlockFetchLimitMs = 1000;
constexpr int kUserLimitMs = 5000;
constexpr int kDeleteLimitMs = 10000;
// Saving writes the whole store to flash.
constexpr int kSaveLimitMs = 15000;
constexpr int kUserAnswerBytes = 4;
constexpr int kSaveAnswerBytes = 2;
constexpr std::size_t kNameField = 15;
constexpr std::size_t kAssignedNumberAt = 2;
// An FP code half comes behind two bytes of its own.
constexpr std::size_t kFpHalfHeader = 2;
constexpr std::size_t kFpHalfBytes = kFpCodeBytes / 2;

enum SubCommand : std::uint8_t {
  kBeginTransfer = 0,
  kDataBlock = 1,
  kEndWrite = 2,
  kDeleteTemplate = 3,
  kSelectStored = 4,
  kSelectInMemory = 5,
};

// Argument 0 the sub-command, 1 its argument byte.
constexpr Command kCommandPacket = {.request = {byte('#'), low8(0), low8(1), zeros(kPacketZeros)},
                                    .pause_after_ms = kAfterCommandPacketMs};
static_assert(header_length(kCommandPacket.request) == 64);

// The terminal echoes every block it takes; the echo is not compared.
constexpr Command kTemplateBlock = {.request = {byte('#'), byte(kDataBlock), data(), byte(0)},
                                    .wait = Wait::DeadlineFirstCountedRecorded,
                                    .reply_length = kBlockBytes,
                                    .limit_ms = kBlockEchoLimitMs,
                                    .records = Records::SendFailure};

constexpr Command kFetchStart = {.request = {byte('G'), byte('G'), byte(0)},
                                 .pause_after_ms = kAfterFetchStartMs};
// A block is asked for and listened for apart: a failed request still waits its time.
constexpr Command kFetchBlockRequest = {.request = {byte('T'), byte('T'), byte(0)}};
constexpr Command kFetchBlockReply = {
    .wait = Wait::DeadlineFirst, .reply_length = kBlockBytes, .limit_ms = kBlockFetchLimitMs};

constexpr Command kLoadFromFlash = {.request = {byte('$'), byte(0)},
                                    .wait = Wait::DeadlineFirstCounted,
                                    .reply_length = kUserAnswerBytes,
                                    .limit_ms = kUserLimitMs};
constexpr Command kCreateTemplate = {.request = {byte('$'), byte(1), low8(0)}};
constexpr Command kStopCreateTemplate = {.request = {byte('$'), byte(3)}};
constexpr Command kSaveToFlash = {.request = {byte('$'), byte(4)},
                                  .wait = Wait::DeadlineFirstCounted,
                                  .reply_length = kSaveAnswerBytes,
                                  .limit_ms = kSaveLimitMs};
// Argument 0 the user number; the data the two name fields.
constexpr Command kCreateUser = {.request = {byte('$'), byte(5), low8(0), data()},
                                 .wait = Wait::DeadlineFirstCounted,
                                 .reply_length = kUserAnswerBytes,
                                 .limit_ms = kUserLimitMs};
constexpr Command kModifyUser = {.request = {byte('$'), byte(6), low8(0), data()},
                                 .wait = Wait::DeadlineFirstCounted,
                                 .reply_length = kUserAnswerBytes,
                                 .limit_ms = kUserLimitMs};
constexpr Command kDeleteUser = {.request = {byte('$'), byte(7), low8(0)},
                                 .wait = Wait::DeadlineFirstCounted,
                                 .reply_length = kUserAnswerBytes,
                                 .limit_ms = kDeleteLimitMs};
constexpr Command kDeleteTemplatesOfUser = {.request = {byte('$'), byte(8), low8(0)},
                                            .wait = Wait::DeadlineFirstCounted,
                                            .reply_length = kUserAnswerBytes,
                                            .limit_ms = kDeleteLimitMs};

constexpr Command kRecognitionId = {.request = {byte('H')},
                                    .wait = Wait::DeadlineFirstCounted,
                                    .reply_length = kRecognitionBytes,
                                    .limit_ms = exchange::kReplyLimitMs};
// Argument 0: '1' or '2', the half.
constexpr Command kFpCodeHalf = {.request = {byte('H'), low8(0)},
                                 .wait = Wait::DeadlineFirstCounted,
                                 .reply_length = kFpHalfHeader + kFpHalfBytes,
                                 .limit_ms = exchange::kReplyLimitMs};

using Block = std::array<std::uint8_t, kBlockBytes>;

// -2 unsent, -20 timed out, -1 a reply of another length, else 0.
std::int32_t strict(const Outcome& o) {
  if (!o.sent) return VORN_SEND_FAILED;
  if (o.timed_out) return VORN_TIMEOUT;
  return o.accepted ? VORN_OK : VORN_NO_REPLY;
}

std::int32_t sent(const Outcome& o, std::int32_t success) {
  return o.sent ? success : VORN_SEND_FAILED;
}

std::size_t block_count(std::size_t size) { return (size + kBlockBytes - 1) / kBlockBytes; }

// One block to the terminal; the last is filled up with zeros. The slot keeps the outcome.
std::int32_t write_block(TerminalSlot& slot, std::span<const std::uint8_t> part) {
  Block filled{};
  std::copy(part.begin(), part.end(), filled.begin());
  Block echo{};
  return exchange::run(kTemplateBlock, slot, {}, echo, filled).sent ? slot.lastStatus
                                                                    : VORN_SEND_FAILED;
}

// One block from the terminal into `part`. A short last block goes through a scratch
// block, so nothing lands past the caller's buffer.
std::int32_t read_block(TerminalSlot& slot, std::span<std::uint8_t> part) {
  exchange::run(kFetchBlockRequest, slot);
  if (part.size() == kBlockBytes) {
    return exchange::run(kFetchBlockReply, slot, {}, part).timed_out ? VORN_TIMEOUT : VORN_OK;
  }
  Block scratch{};
  const Outcome o = exchange::run(kFetchBlockReply, slot, {}, scratch);
  if (o.timed_out) return VORN_TIMEOUT;
  const std::size_t came = o.last.error == 0 ? static_cast<std::size_t>(o.last.count) : 0;
  std::copy_n(scratch.begin(), std::min(came, part.size()), part.begin());
  return VORN_OK;
}

// A name field: at most 15 characters, zero-filled, no terminator when full.
void put_name(const char* name, std::span<std::uint8_t> field) {
  for (std::size_t i = 0; i < field.size() && name[i] != '\0'; ++i) {
    field[i] = static_cast<std::uint8_t>(name[i]);
  }
}

}  // namespace

std::int32_t send_command(TerminalSlot& slot, std::uint8_t command, std::uint8_t value) {
  // The terminal reads the argument byte of these two only; the others carry a zero.
  const bool takes_value = command == kDataBlock || command == kDeleteTemplate;
  return sent(exchange::run(kCommandPacket, slot, args(command, takes_value ? value : 0)), VORN_OK);
}

std::int32_t write_template(TerminalSlot& slot, const std::uint8_t* data, std::int32_t size) {
  if (const std::int32_t r = send_command(slot, kBeginTransfer, 0); r != VORN_OK) return r;
  const std::span<const std::uint8_t> all(data, static_cast<std::size_t>(size));
  // A template of no bytes is a complete write of nothing.
  slot.lastStatus = 0;
  for (std::size_t b = 0; b < block_count(all.size()); ++b) {
    const auto part =
        all.subspan(b * kBlockBytes, std::min(kBlockBytes, all.size() - b * kBlockBytes));
    // Stops at the first block the terminal did not echo whole: its outcome is the result.
    if (const std::int32_t r = write_block(slot, part); r != 0) return r;
  }
  if (const std::int32_t r = send_command(slot, kEndWrite, 0); r != VORN_OK) return r;
  return slot.lastStatus;
}

std::int32_t read_template(TerminalSlot& slot, std::uint8_t* buffer, std::int32_t size,
                           bool in_memory) {
  for (const std::uint8_t command :
       {std::uint8_t{kBeginTransfer}, std::uint8_t{in_memory ? kSelectInMemory : kSelectStored}}) {
    if (const std::int32_t r = send_command(slot, command, 0); r != VORN_OK) return r;
  }
  if (!exchange::run(kFetchStart, slot).sent) return VORN_SEND_FAILED;
  const std::span<std::uint8_t> all(buffer, static_cast<std::size_t>(size));
  for (std::size_t b = 0; b < block_count(all.size()); ++b) {
    const auto part =
        all.subspan(b * kBlockBytes, std::min(kBlockBytes, all.size() - b * kBlockBytes));
    if (const std::int32_t r = read_block(slot, part); r != VORN_OK) return r;
  }
  return VORN_OK;
}

std::int32_t delete_template(TerminalSlot& slot) { return send_command(slot, kDeleteTemplate, 0); }

std::int32_t load_from_flash(TerminalSlot& slot) {
  std::array<std::uint8_t, kUserAnswerBytes> answer{};
  return strict(exchange::run(kLoadFromFlash, slot, {}, answer));
}

std::int32_t save_to_flash(TerminalSlot& slot) {
  std::array<std::uint8_t, kSaveAnswerBytes> answer{};
  return strict(exchange::run(kSaveToFlash, slot, {}, answer));
}

std::int32_t put_user(TerminalSlot& slot, bool modify, std::uint8_t* user_number, const char* name1,
                      const char* name2) {
  std::array<std::uint8_t, 2 * kNameField> names{};
  put_name(name1, std::span(names).first(kNameField));
  put_name(name2, std::span(names).last(kNameField));
  std::array<std::uint8_t, kUserAnswerBytes> answer{};
  const std::int32_t r = strict(
      exchange::run(modify ? kModifyUser : kCreateUser, slot, args(*user_number), answer, names));
  // The terminal may give the user another number than the one asked for.
  if (r == VORN_OK) *user_number = answer[kAssignedNumberAt];
  return r;
}

std::int32_t delete_user(TerminalSlot& slot, std::uint8_t user_number) {
  std::array<std::uint8_t, kUserAnswerBytes> answer{};
  return strict(exchange::run(kDeleteUser, slot, args(user_number), answer));
}

std::int32_t delete_templates_of_user(TerminalSlot& slot, std::uint8_t user_number) {
  std::array<std::uint8_t, kUserAnswerBytes> answer{};
  return strict(exchange::run(kDeleteTemplatesOfUser, slot, args(user_number), answer));
}

std::int32_t create_template(TerminalSlot& slot, std::uint8_t value) {
  return sent(exchange::run(kCreateTemplate, slot, args(value)), 1);
}

std::int32_t stop_create_template(TerminalSlot& slot) {
  return sent(exchange::run(kStopCreateTemplate, slot), 1);
}

std::int32_t get_recognition_id(TerminalSlot& slot, std::uint8_t* buffer) {
  const std::int32_t r = strict(exchange::run(
      kRecognitionId, slot, {}, {buffer, static_cast<std::size_t>(kRecognitionBytes)}));
  return r == VORN_OK ? 1 : r;
}

std::int32_t get_fp_code(TerminalSlot& slot, std::uint8_t* code) {
  const std::span<std::uint8_t> all(code, static_cast<std::size_t>(kFpCodeBytes));
  for (const std::uint8_t half : {std::uint8_t{'1'}, std::uint8_t{'2'}}) {
    std::array<std::uint8_t, kFpHalfHeader + kFpHalfBytes> reply{};
    const Outcome o = exchange::run(kFpCodeHalf, slot, args(half), reply);
    if (!o.sent) return VORN_SEND_FAILED;
    if (o.timed_out) return VORN_TIMEOUT;
    // A half of another length leaves its part of the caller's code as it was.
    if (o.accepted) {
      std::copy_n(reply.begin() + kFpHalfHeader, kFpHalfBytes,
                  all.begin() + (half - '1') * static_cast<std::ptrdiff_t>(kFpHalfBytes));
    }
  }
  return VORN_OK;
}

}  // namespace vornc::store
