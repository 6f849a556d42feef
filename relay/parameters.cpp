#include "relay/parameters.h"

#include <algorithm>
#include <array>
#include <span>

#include "relay/exchange.h"
#include "tamr11xc.h"

namespace relay::parameters {
namespace {

using exchange::Command;
using exchange::Kept;
using exchange::Wait;
using namespace request;

constexpr int kBlockLimitMs = 1000;
constexpr int kVersionLimitMs = 2000;
constexpr int kMaskLimitMs = 4000;
// The controller needs a moment before it answers a read, and longer to store a block.
constexpr int kBeforeBlockMs = 50;
constexpr int kAfterBlockWriteMs = 500;
constexpr int kBeforeVersionMs = 100;
constexpr int kAfterRebootMs = 100;
constexpr int kVersionReplySize = 128;

struct BlockCommands {
  int size;
  Command get;
  Command set;  // both sizes share the command byte and differ only in length
};

// Indexed by Block.
constexpr BlockCommands kBlocks[] = {
    {TAMR_PARAM_SIZE,
     // request           lock before sent            wait            reply             limit          after               kept
     {{byte('<')},        false, 0, kBeforeBlockMs, Wait::Recorded, TAMR_PARAM_SIZE,  kBlockLimitMs, 0,                  Kept::SendFailure},
     {{byte('>'), data()}, false, 0, 0,             Wait::None,     0,                0,             kAfterBlockWriteMs, Kept::SendResult}},
    {TAMR_PARAMX_SIZE,
     {{byte('#')},        false, 0, kBeforeBlockMs, Wait::Recorded, TAMR_PARAMX_SIZE, kBlockLimitMs, 0,                  Kept::SendFailure},
     {{byte('>'), data()}, false, 0, 0,             Wait::None,     0,                0,             kAfterBlockWriteMs, Kept::SendResult}},
};

constexpr Command kVersion =
    {{byte('V')},                         false, 0, kBeforeVersionMs, Wait::Recorded, kVersionReplySize, kVersionLimitMs, 0, Kept::SendFailure};
// The controller restarts at once and drops the connection: nothing to wait for.
constexpr Command kReboot =
    {{byte('*'), byte('*')},              false, 0, 0, Wait::None, 0, 0, kAfterRebootMs, Kept::SendFailure};

// Arguments 0 and 1: the two mask bytes. Indexed by InvertMask.
constexpr Command kSetInvertMask[] = {
    {{byte('J'), byte('W'), low8(0), low8(1)}, false, 0, 0, Wait::Recorded, 4, kMaskLimitMs, 0, Kept::WaitOnly},
    {{byte('J'), byte('S'), low8(0), low8(1)}, false, 0, 0, Wait::Recorded, 4, kMaskLimitMs, 0, Kept::WaitOnly},
};
constexpr Command kGetInvertOutMask =
    {{byte('J'), byte('G')},                   false, 0, 0, Wait::Recorded, 4, kMaskLimitMs, 0, Kept::WaitOnly};

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
  const Command& c = kSetInvertMask[static_cast<std::size_t>(which)];
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
