#include "terminal/firmware/firmware_update.h"

#include <algorithm>
#include <array>
#include <vector>

#include "platform/byte_order.h"
#include "platform/clock.h"
#include "terminal/firmware/data_flash.h"
#include "terminal/link/dispatch.h"
#include "terminal/link/exchange.h"
#include "vornc.h"
#include "wire/frame.h"

namespace vornc::firmware {
namespace {

using dispatch::Operation;
using exchange::Command;
using exchange::Framing;
using exchange::Records;
using exchange::Wait;
using namespace wire::request;

constexpr std::size_t kChunkBytes = 1024;
constexpr std::size_t kFrameHeader = wire::frame::kHeaderBytes;
constexpr int kChunkLimitMs = exchange::kReplyLimitMs;
// The terminal is given a moment after the begin command before the first chunk.
constexpr int kAfterBeginMs = 100;
// The stream is not acknowledged: the terminal needs this long to store each frame.
constexpr int kStreamPacingMs = 5;
// What the stream's one-byte tails carry; the terminal does not read them.
constexpr int kUnreadByte = 0;
// The end of a web-content update is confirmed slowly.
constexpr int kWebEndLimitMs = 10000;
constexpr int kWebEndReplyBytes = 3;

// Stream method: a begin, 512 unanswered frames, an end.
constexpr Command kStreamBegin = {.request = {byte('F'), byte(kUnreadByte)}};
constexpr Command kStreamChunk = {.request = {byte('U'), data(), byte(kUnreadByte)},
                                  .pause_after_ms = kStreamPacingMs};
constexpr Command kStreamEnd = {.request = {byte('W'), byte(kUnreadByte)}};

// Echo method, plain commands (types 121, 131).
constexpr Command plain_step(int letter) {
  return {.request = {byte(letter)}, .records = Records::SendOutcome};
}
constexpr Command kPlainChunk = {.request = {byte('U'), data()},
                                 .wait = Wait::DeadlineFirstCountedRecorded,
                                 .reply_length = wire::kSizedByCall,
                                 .limit_ms = kChunkLimitMs,
                                 .records = Records::SendOutcome};

// Echo method, CRC frames (type 122): every frame is answered with a frame.
constexpr Command frame_step(int letter) {
  return {.request = {byte(letter)},
          .framing = Framing::Crc,
          .wait = Wait::DataFirst,
          .reply_length = wire::frame::kHeaderLength,
          .limit_ms = kChunkLimitMs,
          .records = Records::SendOutcome};
}
constexpr Command kFrameChunk = {.request = {byte('U'), data()},
                                 .framing = Framing::Crc,
                                 .wait = Wait::DataFirst,
                                 .reply_length = wire::kSizedByCall,
                                 .limit_ms = kChunkLimitMs,
                                 .records = Records::SendOutcome};

// The M4 ends, the same on every model.
constexpr Command kWebEndM4 = {.request = {byte('W'), byte('W')},
                               .wait = Wait::DeadlineFirstCountedRecorded,
                               .reply_length = kWebEndReplyBytes,
                               .limit_ms = kWebEndLimitMs,
                               .records = Records::SendFailure};
constexpr Command kFirmwareEndM4 = {.request = {byte('W'), byte('F')},
                                    .records = Records::SendOutcome};

// One chunk out and its echo back; 0 when `echo` holds what came back.
using EchoExchange = std::int32_t (*)(TerminalSlot&, std::span<const std::uint8_t> chunk,
                                      std::span<std::uint8_t> echo);

std::int32_t echo_plain(TerminalSlot& slot, std::span<const std::uint8_t> chunk,
                        std::span<std::uint8_t> echo) {
  return exchange::result(exchange::run(kPlainChunk, slot, {}, echo, chunk), VORN_NO_REPLY);
}

// The 122's echo comes in a frame; only a whole frame counts, and lastStatus keeps a
// socket error but not a short count.
std::int32_t echo_frame(TerminalSlot& slot, std::span<const std::uint8_t> chunk,
                        std::span<std::uint8_t> echo) {
  std::array<std::uint8_t, kFrameHeader + kChunkBytes> reply{};
  const auto frame = std::span(reply).first(kFrameHeader + chunk.size());
  const auto o = exchange::run(kFrameChunk, slot, {}, frame, chunk);
  if (!o.sent) return VORN_SEND_FAILED;
  if (o.timed_out) return VORN_TIMEOUT;
  if (!o.whole()) {
    slot.lastStatus = o.failed_receive();
    return VORN_NO_REPLY;
  }
  std::copy(frame.begin() + kFrameHeader, frame.end(), echo.begin());
  return VORN_OK;
}

// The stream models take no chunk by echo: as far as the comparison goes, it came back.
std::int32_t echo_nothing(TerminalSlot&, std::span<const std::uint8_t> chunk,
                          std::span<std::uint8_t> echo) {
  std::copy(chunk.begin(), chunk.end(), echo.begin());
  return VORN_OK;
}

std::int32_t echo_unsupported(TerminalSlot&, std::span<const std::uint8_t>,
                              std::span<std::uint8_t>) {
  return VORN_NOT_SUPPORTED;
}

enum class Method : std::uint8_t { Stream, EchoPlain, EchoFrame, None };

// What each method sends around the chunks (an empty row sends nothing).
struct MethodRow {
  Method method;
  Command begin;
  EchoExchange echo;
  Command end_firmware;
  Command end_web;  // web content goes to type 121 only
};
constexpr MethodRow kMethods[] = {
    {Method::Stream, {}, echo_nothing, {}, {}},
    {Method::EchoPlain, plain_step('M'), echo_plain, plain_step('W'), plain_step('Z')},
    {Method::EchoFrame, frame_step('M'), echo_frame, frame_step('W'), {}},
    {Method::None, {}, echo_unsupported, {}, {}},
};
static_assert(wire::indexed_by(kMethods, &MethodRow::method, Method::None));

struct ModelRow {
  std::int32_t deviceType;
  Method method;
};
constexpr ModelRow kModels[] = {
    {120, Method::Stream}, {121, Method::EchoPlain}, {122, Method::EchoFrame},
    {130, Method::Stream}, {131, Method::EchoPlain}, {220, Method::Stream},
    {320, Method::Stream},
};

const MethodRow& method_of(std::int32_t deviceType) {
  const auto* model = std::find_if(std::begin(kModels), std::end(kModels),
                                   [&](const ModelRow& m) { return m.deviceType == deviceType; });
  const Method method = model != std::end(kModels) ? model->method : Method::None;
  return kMethods[static_cast<std::size_t>(method)];
}

bool sent(const exchange::Outcome& o) { return o.sent; }

std::int32_t stream(TerminalSlot& slot, std::span<const std::uint8_t> image) {
  if (!sent(exchange::run(kStreamBegin, slot))) return VORN_SEND_FAILED;
  for (std::size_t offset = 0; offset < image.size(); offset += kChunkBytes) {
    if (!sent(exchange::run(kStreamChunk, slot, {}, {}, image.subspan(offset, kChunkBytes)))) {
      return VORN_SEND_FAILED;
    }
  }
  return sent(exchange::run(kStreamEnd, slot)) ? VORN_OK : VORN_SEND_FAILED;
}

// The begin, then every chunk echoed and compared; -1 at the first that fails. The
// begin's own outcome is not judged: a lost begin shows in the first echo.
std::int32_t begin_and_echo(TerminalSlot& slot, const MethodRow& method,
                            std::span<const std::uint8_t> image) {
  std::array<std::uint8_t, kFrameHeader> begun{};
  exchange::run(method.begin, slot, {}, begun);
  platform::sleep_ms(kAfterBeginMs);
  std::array<std::uint8_t, kChunkBytes> echo{};
  for (std::size_t offset = 0; offset < image.size(); offset += kChunkBytes) {
    const auto chunk = image.subspan(offset, std::min(kChunkBytes, image.size() - offset));
    const auto back = std::span(echo).first(chunk.size());
    std::fill(back.begin(), back.end(), 0);
    if (method.echo(slot, chunk, back) != VORN_OK) return VORN_NO_REPLY;
    if (!std::equal(chunk.begin(), chunk.end(), back.begin())) return VORN_NO_REPLY;
  }
  return VORN_OK;
}

// The echo method with its own end; 1 done, -1.
std::int32_t echoed(TerminalSlot& slot, const MethodRow& method, const Command& end,
                    std::span<const std::uint8_t> image) {
  if (begin_and_echo(slot, method, image) != VORN_OK) return VORN_NO_REPLY;
  std::array<std::uint8_t, kFrameHeader> reply{};
  exchange::run(end, slot, {}, reply);
  return 1;
}

constexpr std::uint32_t kLengthAddress = 0;
constexpr std::uint32_t kImageAddress = 256;
constexpr std::size_t kPageBytes = 256;

}  // namespace

std::int32_t update_firmware(TerminalSlot& slot, const std::uint8_t* image) {
  if (auto r = dispatch::immediate_result(Operation::UpdateFirmware, slot.type())) return *r;
  const std::span whole(image, kImageBytes);
  const MethodRow& method = method_of(slot.type());
  if (method.method == Method::Stream) return stream(slot, whole);
  return echoed(slot, method, method.end_firmware, whole);
}

std::int32_t update_web(TerminalSlot& slot, std::span<const std::uint8_t> content) {
  if (auto r = dispatch::immediate_result(Operation::UpdateWeb, slot.type())) return *r;
  const MethodRow& method = method_of(slot.type());
  return echoed(slot, method, method.end_web, content);
}

// The M4 steps dispatch one by one, and the end is the same for every model: its
// outcome is kept in lastStatus, not reported.
std::int32_t update_firmware_m4(TerminalSlot& slot, std::span<const std::uint8_t> image) {
  return echoed(slot, method_of(slot.type()), kFirmwareEndM4, image);
}

std::int32_t update_web_m4(TerminalSlot& slot, std::span<const std::uint8_t> content) {
  return echoed(slot, method_of(slot.type()), kWebEndM4, content);
}

std::int32_t update_firmware_m3(TerminalSlot& slot, std::span<const std::uint8_t> image) {
  if (auto r = dispatch::immediate_result(Operation::UpdateFirmwareM3, slot.type())) return *r;
  // Nothing goes out that the read-back could not check; an empty image would leave
  // the terminal a length of 0 to start from.
  if (image.empty() || image.size() > kReadBackBytes) return VORN_NO_REPLY;
  const auto page = [&](std::size_t offset) {
    return image.subspan(offset, std::min(kPageBytes, image.size() - offset));
  };
  const auto address = [](std::size_t offset) {
    return kImageAddress + static_cast<std::uint32_t>(offset);
  };

  // A failed page write shows in the read-back, so its acknowledgement is not needed.
  for (std::size_t offset = 0; offset < image.size(); offset += kPageBytes) {
    data_flash::write_block(slot, address(offset), page(offset));
  }
  // The length goes in last, so the old image stays whole until the new one is. It is
  // not read back: its acknowledgement is the only sign it arrived.
  std::array<std::uint8_t, 4> length{};
  byte_order::store_le32(length.data(), static_cast<std::uint32_t>(image.size()));
  bool confirmed = data_flash::write_block(slot, kLengthAddress, length) == VORN_OK;

  // A read that failed must not pass for an equal page.
  std::vector<std::uint8_t> read_back(image.size());
  for (std::size_t offset = 0; offset < image.size(); offset += kPageBytes) {
    const auto into = std::span(read_back).subspan(offset, page(offset).size());
    confirmed &= data_flash::read_block(slot, address(offset), into) == VORN_OK;
  }
  if (!confirmed || !std::equal(read_back.begin(), read_back.end(), image.begin())) return 0;
  data_flash::start_update(slot);
  return 1;
}

}  // namespace vornc::firmware
