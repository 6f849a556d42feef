#include "relay/parameters.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <span>

#include "relay/exchange.h"
#include "tamr11xc.h"

namespace relay::parameters {
namespace {

using exchange::Command;
using exchange::Records;
using exchange::Wait;
using namespace wire::request;

constexpr int kBlockLimitMs = 1000;
constexpr int kVersionLimitMs = 2000;
constexpr int kMaskLimitMs = 4000;
// The controller needs a moment before it answers a read, and longer to store a block.
constexpr int kBeforeBlockMs = 50;
constexpr int kAfterBlockWriteMs = 500;
constexpr int kBeforeVersionMs = 100;
constexpr int kAfterRebootMs = 100;
constexpr int kVersionReplySize = 128;

// A block read waits a moment after its request and keeps its outcome; a block write
// awaits nothing and gives the controller time to store the block.
constexpr Command block_read(char letter, int size) {
  return {.request = {byte(letter)},
          .pause_sent_ms = kBeforeBlockMs,
          .wait = Wait::DeadlineFirstCountedRecorded,
          .reply_length = size,
          .limit_ms = kBlockLimitMs,
          .records = Records::SendFailure};
}
// Both sizes share the command byte and differ only in length.
constexpr Command kBlockWrite = {.request = {byte('>'), data()},
                                 .pause_after_ms = kAfterBlockWriteMs,
                                 .records = Records::SendOutcome};

struct BlockCommands {
  Block which;
  int size;
  Command get;
  Command set;
};
constexpr BlockCommands kBlocks[] = {
    {Block::Small, TAMR_PARAM_SIZE, block_read('<', TAMR_PARAM_SIZE), kBlockWrite},
    {Block::Extended, TAMR_PARAMX_SIZE, block_read('#', TAMR_PARAMX_SIZE), kBlockWrite},
};
static_assert(wire::indexed_by(kBlocks, &BlockCommands::which, Block::Extended));

constexpr Command kVersion = {.request = {byte('V')},
                              .pause_sent_ms = kBeforeVersionMs,
                              .wait = Wait::DeadlineFirstCountedRecorded,
                              .reply_length = kVersionReplySize,
                              .limit_ms = kVersionLimitMs,
                              .records = Records::SendFailure};
// The controller restarts at once and drops the connection: nothing to wait for.
constexpr Command kReboot = {.request = {byte('*'), byte('*')},
                             .pause_after_ms = kAfterRebootMs,
                             .records = Records::SendFailure};

// The mask commands are answered with four bytes, slowly.
constexpr Command mask_command(const Layout& request) {
  return {.request = request,
          .wait = Wait::DeadlineFirstCountedRecorded,
          .reply_length = 4,
          .limit_ms = kMaskLimitMs};
}

// Arguments 0 and 1: the two mask bytes.
struct MaskSetting {
  InvertMask which;
  Command command;
};
constexpr MaskSetting kSetInvertMask[] = {
    {InvertMask::Inputs, mask_command({byte('J'), byte('W'), low8(0), low8(1)})},
    {InvertMask::Outputs, mask_command({byte('J'), byte('S'), low8(0), low8(1)})},
};
static_assert(wire::indexed_by(kSetInvertMask, &MaskSetting::which, InvertMask::Outputs));
constexpr Command kGetInvertOutMask = mask_command({byte('J'), byte('G')});

const BlockCommands& block_commands(Block which) {
  return kBlocks[static_cast<std::size_t>(which)];
}

}  // namespace

int get_block(RelaySlot& slot, Block which, std::uint8_t* block) {
  if (block == nullptr) return TAMR_ERR_REPLY;
  const BlockCommands& b = block_commands(which);
  const std::span reply(block, static_cast<std::size_t>(b.size));
  return exchange::recorded_result(exchange::run(b.get, slot, {}, reply));
}

int set_block(RelaySlot& slot, Block which, const std::uint8_t* block) {
  if (block == nullptr) return TAMR_ERR_REPLY;
  const BlockCommands& b = block_commands(which);
  const std::span data(block, static_cast<std::size_t>(b.size));
  return exchange::sent_result(exchange::run(b.set, slot, {}, {}, data));
}

int get_version(RelaySlot& slot, std::uint8_t* version) {
  if (version == nullptr) return TAMR_ERR_REPLY;
  std::array<std::uint8_t, kVersionReplySize> reply{};
  const int result = exchange::recorded_result(exchange::run(kVersion, slot, {}, reply));
  if (result == TAMR_OK) std::copy_n(reply.begin(), TAMR_VERSION_SIZE, version);
  return result;
}

int reboot(RelaySlot& slot) { return exchange::sent_result(exchange::run(kReboot, slot, {})); }

int set_invert_mask(RelaySlot& slot, InvertMask which, int mask1, int mask2) {
  std::array<std::uint8_t, 4> reply{};
  const Command& c = kSetInvertMask[static_cast<std::size_t>(which)].command;
  return exchange::recorded_result(exchange::run(c, slot, args(mask1, mask2), reply));
}

int get_invert_out_mask(RelaySlot& slot, std::uint8_t* mask1, std::uint8_t* mask2) {
  if (mask1 == nullptr || mask2 == nullptr) return TAMR_ERR_REPLY;
  std::array<std::uint8_t, 4> reply{};
  const int result = exchange::recorded_result(exchange::run(kGetInvertOutMask, slot, {}, reply));
  if (result == TAMR_OK) {
    *mask1 = reply[2];
    *mask2 = reply[3];
  }
  return result;
}

}  // namespace relay::parameters
