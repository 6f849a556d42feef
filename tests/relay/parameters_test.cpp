// Configuration blocks, version, reboot and the inversion masks.
#include "tests/relay/relay_fixture.h"

namespace relay_test {
namespace {

using Parameters = RelayTest;

Bytes pattern(std::size_t n) {
  Bytes out(n);
  for (std::size_t i = 0; i < n; ++i) out[i] = static_cast<std::uint8_t>(i ^ 0x5A);
  return out;
}

TEST_F(Parameters, BlockWritesAreOneRequestAndAwaitNothing) {
  DevicePeer controller;
  controller.stay_silent();
  const int handle = open(controller);
  set_last_status(handle, 777);
  const Bytes small = pattern(128), extended = pattern(512);
  const Stopwatch watch;
  const double called = test_support::peer_clock_ms();
  EXPECT_EQ(tamrSetParam(handle, small.data()), 0);
  EXPECT_EQ(tamrSetParamX(handle, extended.data()), 0);
  EXPECT_GE(watch.ms(), 2 * 475);
  EXPECT_LT(watch.ms(), 1000 + 300);
  EXPECT_EQ(last_status(handle), 0);
  controller.finish();
  EXPECT_EQ(controller.received(), concat({{0x3E}, small, {0x3E}, extended}));
  EXPECT_GE(controller.arrival_ms(129) - called, 475) << "the second block after the first's pause";
}

TEST_F(Parameters, BlockReadGoesStraightIntoTheBufferAndACutBlockFails) {
  DevicePeer controller;
  const Bytes block = pattern(128);
  controller.expect({0x3C})
      .reply(block)
      .expect({0x3C})
      .reply_split({Bytes(block.begin(), block.begin() + 60), Bytes(68, 0)}, 300)
      .stay_silent();
  const int handle = open(controller);
  Bytes got(128, 0);
  EXPECT_EQ(tamrGetParam(handle, got.data()), 0);
  EXPECT_EQ(got, block);
  EXPECT_EQ(tamrGetParam(handle, got.data()), TAMR_ERR_REPLY);
  EXPECT_EQ(last_status(handle), 60);
  controller.finish();
}

TEST_F(Parameters, VersionIsTheFirstEightBytesOfAWholeReply) {
  DevicePeer controller;
  controller.expect({0x56})
      .reply(concat({{1, 2, 3, 4, 5, 6, 7, 8}, Bytes(120, 0xFF)}))
      .expect({0x56})
      .reply(Bytes(127, 0x11))
      .stay_silent();
  const int handle = open(controller);
  unsigned char version[8] = {};
  EXPECT_EQ(tamrGetVersion(handle, version), 0);
  EXPECT_EQ(Bytes(version, version + 8), Bytes({1, 2, 3, 4, 5, 6, 7, 8}));
  EXPECT_EQ(last_status(handle), 0);
  EXPECT_EQ(tamrGetVersion(handle, version), TAMR_ERR_REPLY);
  EXPECT_EQ(Bytes(version, version + 8), Bytes({1, 2, 3, 4, 5, 6, 7, 8}));
  EXPECT_EQ(last_status(handle), 127);
  controller.finish();
}

TEST_F(Parameters, RebootSucceedsWhenTheControllerIsAlreadyGoneAndKeepsTheLastStatus) {
  DevicePeer controller;
  controller.expect({0x2A, 0x2A}).close();
  const int handle = open(controller);
  set_last_status(handle, 777);
  const Stopwatch watch;
  EXPECT_EQ(tamrReboot(handle), 0);
  EXPECT_GE(watch.ms(), 95);
  EXPECT_EQ(last_status(handle), 777);
  controller.finish();
}

TEST_F(Parameters, InversionMasksTakeBytesTwoAndThreeOfAWholeAnswer) {
  DevicePeer controller;
  controller.expect({0x4A, 0x47})
      .reply({0x4A, 0x47, 0x0F, 0xF0})
      .expect({0x4A, 0x47})
      .reply({0x4A, 0x47, 0x01})
      .expect({0x4A, 0x57, 0xAB, 0xCD})
      .reply({0, 0, 0, 0})
      .stay_silent();
  const int handle = open(controller);
  unsigned char first = 0, second = 0;
  EXPECT_EQ(tamrGetInvertOutMask(handle, &first, &second), 0);
  EXPECT_EQ(first, 0x0F);
  EXPECT_EQ(second, 0xF0);
  platform::sleep_ms(50);
  EXPECT_EQ(tamrGetInvertOutMask(handle, &first, &second), TAMR_ERR_REPLY);
  EXPECT_EQ(last_status(handle), 3);
  EXPECT_EQ(first, 0x0F);
  EXPECT_EQ(second, 0xF0);
  EXPECT_EQ(tamrSetInvertInpMask(handle, 0x1AB, 0xCD), 0);
  EXPECT_EQ(last_status(handle), 0);
  controller.finish();
}

TEST_F(Parameters, NullBuffersAreRefusedBeforeSending) {
  DevicePeer controller;
  controller.stay_silent();
  const int handle = open(controller);
  unsigned char b = 0;
  EXPECT_EQ(tamrGetParam(handle, nullptr), TAMR_ERR_REPLY);
  EXPECT_EQ(tamrGetParamX(handle, nullptr), TAMR_ERR_REPLY);
  EXPECT_EQ(tamrSetParam(handle, nullptr), TAMR_ERR_REPLY);
  EXPECT_EQ(tamrSetParamX(handle, nullptr), TAMR_ERR_REPLY);
  EXPECT_EQ(tamrGetVersion(handle, nullptr), TAMR_ERR_REPLY);
  EXPECT_EQ(tamrGetInvertOutMask(handle, &b, nullptr), TAMR_ERR_REPLY);
  controller.finish();
  EXPECT_EQ(controller.received(), Bytes{});
}

}  // namespace
}  // namespace relay_test
