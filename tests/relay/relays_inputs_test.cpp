// Switching commands' acceptance tests and receive outcomes, the status buffer with and
// without an answer, and unasked input reports.
#include <array>
#include <functional>

#include "tests/relay/relay_fixture.h"

namespace relay_test {
namespace {

struct Acceptance {
  const char* name;
  std::function<int(int)> call;
  Bytes reply;
  int result;
};
void PrintTo(const Acceptance& a, std::ostream* out) { *out << a.name; }

const Acceptance kAcceptance[] = {
    {"OnAllMaskBitsSet", [](int h) { return tamrRelayOn(h, 0x05); }, {0x07}, 7},
    {"OnMaskBitMissing", [](int h) { return tamrRelayOn(h, 0x05); }, {0x04}, TAMR_ERR_REPLY},
    {"OnMaskAbove8BitsIgnored", [](int h) { return tamrRelayOn(h, 0x105); }, {0x05}, 5},
    {"OffNoMaskBitSet", [](int h) { return tamrRelayOff(h, 0x01); }, {0x06}, 6},
    {"OffMaskBitStillSet", [](int h) { return tamrRelayOff(h, 0x01); }, {0x07}, TAMR_ERR_REPLY},
    {"OnTimerAsOn", [](int h) { return tamrRelayOnTimer(h, 0x02, 30); }, {0x01}, TAMR_ERR_REPLY},
    {"AllOffZero", [](int h) { return tamrAllRelayOff(h); }, {0x00}, 0},
    {"AllOffNotZero", [](int h) { return tamrAllRelayOff(h); }, {0x10}, TAMR_ERR_REPLY},
    {"OnE16AllMaskBits", [](int h) { return tamrRelayOnE16(h, 0x0102); }, {0x02, 0x01}, 0},
    {"OnE16HighByteMissing",
     [](int h) { return tamrRelayOnE16(h, 0x0102); },
     {0x02, 0x00},
     TAMR_ERR_REPLY},
    // The sixteen-relay off command is confirmed by its mask coming back.
    {"OffE16MaskBack", [](int h) { return tamrRelayOffE16(h, 1); }, {0x01, 0x00}, 0},
    {"OffE16MaskNotBack",
     [](int h) { return tamrRelayOffE16(h, 1); },
     {0x00, 0x00},
     TAMR_ERR_REPLY},
    {"OnTimerE16AsOnE16",
     [](int h) { return tamrRelayOnTimerE16(h, 0x8000, 9); },
     {0x00, 0x7F},
     TAMR_ERR_REPLY},
};

class SwitchingAcceptance : public RelayTest, public ::testing::WithParamInterface<Acceptance> {};

TEST_P(SwitchingAcceptance, JudgesTheAnswerAndPausesAfterwards) {
  DevicePeer controller;
  controller.pause(0).reply(GetParam().reply).stay_silent();
  const int handle = open(controller);
  const Stopwatch watch;
  EXPECT_EQ(GetParam().call(handle), GetParam().result);
  EXPECT_GE(watch.ms(), 225);
  EXPECT_LT(watch.ms(), 550);
  controller.finish();
}

INSTANTIATE_TEST_SUITE_P(Relays, SwitchingAcceptance, ::testing::ValuesIn(kAcceptance),
                         [](const auto& info) { return std::string(info.param.name); });

using SwitchingOutcome = RelayTest;

TEST_F(SwitchingOutcome, ClosedControllerGivesZero) {
  DevicePeer controller;
  controller.expect({0x44, 0x01}).close();
  const int handle = open(controller);
  EXPECT_EQ(tamrRelayOn(handle, 0x01), 0);
  controller.finish();
}

TEST_F(SwitchingOutcome, E16AnswerCutShortGivesItsCount) {
  DevicePeer controller;
  controller.expect({0x4C, 0x44, 0x01, 0x00}).reply_split({{0x01}, {0x00}}, 100).stay_silent();
  const int handle = open(controller);
  EXPECT_EQ(tamrRelayOnE16(handle, 0x0001), 1);
  controller.finish();
}

TEST_F(SwitchingOutcome, SilenceGivesWouldBlockAfterTheLimitAndThePause) {
  DevicePeer controller;
  controller.expect({0x4D}).stay_silent();
  const int handle = open(controller);
  const Stopwatch watch;
  EXPECT_EQ(tamrAllRelayOff(handle), TAMR_WOULD_BLOCK);
  EXPECT_GE(watch.ms(), 2000 + 225);
  EXPECT_LT(watch.ms(), 2250 + 300);
  controller.finish();
}

TEST_F(SwitchingOutcome, SwitchByteWithoutAnswerKeepsTheTimeOut) {
  DevicePeer controller;
  controller.expect({0x53, 0x01, 0x0F}).stay_silent();
  const int handle = open(controller);
  EXPECT_EQ(tamrRelaySwitchByte(handle, 0x0F), TAMR_ERR_REPLY);
  EXPECT_EQ(last_status(handle), TAMR_TIMEOUT);
  controller.finish();
}

TEST_F(SwitchingOutcome, SwitchByteAnswerClearsTheLastStatusAndTakesNoPause) {
  DevicePeer controller;
  controller.expect({0x53, 0x01, 0x0F}).reply({0x0F}).stay_silent();
  const int handle = open(controller);
  set_last_status(handle, 777);
  const Stopwatch watch;
  EXPECT_EQ(tamrRelaySwitchByte(handle, 0x0F), 0x0F);
  EXPECT_LT(watch.ms(), 100);
  EXPECT_EQ(last_status(handle), 0);
  controller.finish();
}

TEST_F(SwitchingOutcome, InputReportCommandsPauseAfterSending) {
  DevicePeer controller;
  controller.expect({0x59, 0x01}).expect({0x59, 0x00}).stay_silent();
  const int handle = open(controller);
  const Stopwatch watch;
  const double called = test_support::peer_clock_ms();
  EXPECT_EQ(tamrSendInputStatusOn(handle), 0);
  EXPECT_EQ(tamrSendInputStatusOff(handle), 0);
  EXPECT_GE(watch.ms(), 2 * 225);
  controller.finish();
  EXPECT_GE(controller.arrival_ms(2) - called, 225) << "the second report after the first's pause";
}

// Status buffers start out as garbage, to show which bytes the library writes.
std::array<unsigned char, 8> garbage() {
  std::array<unsigned char, 8> s;
  s.fill(0xEE);
  return s;
}
Bytes as_bytes(const std::array<unsigned char, 8>& s) { return Bytes(s.begin(), s.end()); }

struct StatusCase {
  const char* name;
  int (*call)(int, unsigned char*);
  Bytes request;
  Bytes reply;  // empty: the controller closes the connection instead
  int result;
  Bytes status;
};
void PrintTo(const StatusCase& c, std::ostream* out) { *out << c.name; }

const StatusCase kStatusCases[] = {
    {"RelayAnswered", tamrGetStatusRelay, {0x52}, {0x33}, 0, {0x33, 0, 0, 0, 0, 0, 0, 0}},
    {"RelayClosed", tamrGetStatusRelay, {0x52}, {}, 0, {0, 0, 0, 0, 0, 0, 0, 0}},
    {"RelayE16Answered",
     tamrGetStatusRelayE16,
     {0x4C, 0x52},
     {0x34, 0x12},
     0,
     {0x34, 0x12, 0, 0, 0, 0, 0, 0}},
    // Received into the request's buffer: without an answer the request is still there.
    {"RelayE16Closed", tamrGetStatusRelayE16, {0x4C, 0x52}, {}, 0, {0x4C, 0x52, 0, 0, 0, 0, 0, 0}},
    {"InputAnswered", tamrGetStatusInput, {0x49}, {0x0F}, 0, {0x0F, 0, 0, 0, 0, 0, 0, 0}},
    {"InputClosed", tamrGetStatusInput, {0x49}, {}, 0, {0, 0, 0, 0, 0, 0, 0, 0}},
    {"AnswerByte", tamrGetAnswer, {}, {0x81}, 1, {0x81, 0, 0, 0, 0, 0, 0, 0}},
    {"AnswerClosed", tamrGetAnswer, {}, {}, 0, {0, 0, 0, 0, 0, 0, 0, 0}},
};

class StatusBuffer : public RelayTest, public ::testing::WithParamInterface<StatusCase> {};

TEST_P(StatusBuffer, HoldsTheAnswerOrZerosAfterAPauseBeforeTheRequest) {
  const StatusCase& c = GetParam();
  DevicePeer controller;
  if (!c.request.empty()) controller.expect(c.request);
  if (!c.reply.empty()) {
    controller.reply(c.reply).stay_silent();
  } else {
    controller.close();
  }
  const int handle = open(controller);
  const double called = test_support::peer_clock_ms();
  auto status = garbage();
  EXPECT_EQ(c.call(handle, status.data()), c.result);
  EXPECT_EQ(hex(as_bytes(status)), hex(c.status));
  controller.finish();
  if (!c.request.empty()) {
    EXPECT_GE(controller.arrival_ms(0) - called, 90);
  }
}

INSTANTIATE_TEST_SUITE_P(Reads, StatusBuffer, ::testing::ValuesIn(kStatusCases),
                         [](const auto& info) { return std::string(info.param.name); });

using StatusSilence = RelayTest;

TEST_F(StatusSilence, RelayReadGivesWouldBlockWithZeroState) {
  DevicePeer controller;
  controller.expect({0x52}).stay_silent();
  const int handle = open(controller);
  auto status = garbage();
  EXPECT_EQ(tamrGetStatusRelay(handle, status.data()), TAMR_WOULD_BLOCK);
  EXPECT_EQ(as_bytes(status), Bytes(8, 0));
  controller.finish();
}

TEST_F(StatusSilence, InputReadStillGivesZero) {
  DevicePeer controller;
  controller.expect({0x49}).stay_silent();
  const int handle = open(controller);
  auto status = garbage();
  EXPECT_EQ(tamrGetStatusInput(handle, status.data()), 0);
  EXPECT_EQ(as_bytes(status), Bytes(8, 0));
  controller.finish();
}

TEST_F(StatusSilence, AnswerTimesOutAfterTheLimitAndLeavesTheLastStatus) {
  DevicePeer controller;
  controller.stay_silent();
  const int handle = open(controller);
  set_last_status(handle, 777);
  auto status = garbage();
  const Stopwatch watch;
  EXPECT_EQ(tamrGetAnswer(handle, status.data()), TAMR_TIMEOUT);
  EXPECT_GE(watch.ms(), 2090);
  EXPECT_LT(watch.ms(), 2100 + 300);
  EXPECT_EQ(as_bytes(status), Bytes(8, 0));
  EXPECT_EQ(last_status(handle), 777);
  controller.finish();
}

TEST_F(StatusSilence, NullStatusBufferIsRefusedBeforeSending) {
  DevicePeer controller;
  controller.stay_silent();
  const int handle = open(controller);
  for (auto call : {tamrGetStatusRelay, tamrGetStatusRelayE16, tamrGetStatusInput, tamrGetAnswer}) {
    EXPECT_EQ(call(handle, nullptr), TAMR_ERR_REPLY);
  }
  controller.finish();
  EXPECT_EQ(controller.received(), Bytes{});
}

}  // namespace
}  // namespace relay_test
