#include "platform/timed_receive.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include "platform/clock.h"
#include "tests/support/device_peer.h"

namespace {

using namespace platform;
using test_support::Bytes;
using test_support::DevicePeer;

class TimedReceive : public ::testing::Test {
 protected:
  // Connects a fresh non-blocking socket to a peer playing its script; the previous
  // socket is closed (once: a descriptor closed twice may by then be someone else's).
  void connect_to(DevicePeer& peer) {
    disconnect();
    peer.start();
    socket_ = peer.connect_client_socket();
    ASSERT_TRUE(socket_set_nonblocking(socket_));
  }
  void disconnect() {
    socket_close(socket_);
    socket_ = kNoSocket;
  }
  void TearDown() override { disconnect(); }

  SocketHandle socket_ = kNoSocket;
  std::uint8_t buffer_[256] = {};
};

TEST_F(TimedReceive, WholeReplyEndsTheWaitUnderBothRules) {
  for (auto rule : {DeadlineRule::ClockFirst, DeadlineRule::DataFirst}) {
    DevicePeer device;
    device.reply(Bytes(8, 0x42)).stay_silent();
    connect_to(device);
    const auto r = timed_receive(socket_, buffer_, 8, 1000, rule);
    EXPECT_FALSE(r.timed_out);
    EXPECT_EQ(r.last.outcome(), 8);
    EXPECT_EQ(buffer_[7], 0x42);
    disconnect();
  }
}

TEST_F(TimedReceive, SplitReplyIsNotReassembledAndTheRestWaitsForTheNextRead) {
  DevicePeer device;
  device.reply_split({Bytes(100, 1), Bytes(28, 2)}, 100).stay_silent();
  connect_to(device);
  auto first = timed_receive(socket_, buffer_, 128, 1000, DeadlineRule::ClockFirst);
  EXPECT_FALSE(first.timed_out);
  EXPECT_EQ(first.last.outcome(), 100);
  auto rest = timed_receive(socket_, buffer_, 128, 1000, DeadlineRule::ClockFirst);
  EXPECT_EQ(rest.last.outcome(), 28);
  EXPECT_EQ(buffer_[0], 2);
}

TEST_F(TimedReceive, SilenceTimesOutJustPastTheLimitWithWouldBlockAsLastResult) {
  for (auto rule : {DeadlineRule::ClockFirst, DeadlineRule::DataFirst}) {
    DevicePeer device;
    device.stay_silent();
    connect_to(device);
    const auto start = now_ms();
    const auto r = timed_receive(socket_, buffer_, 8, 300, rule);
    const auto waited = now_ms() - start;
    EXPECT_TRUE(r.timed_out);
    EXPECT_EQ(r.last.error, wsa::kWouldBlock);
    EXPECT_GE(waited, 301);
    EXPECT_LT(waited, 450);
    disconnect();
  }
}

TEST_F(TimedReceive, PeerThatClosesEndsTheWaitWithZeroBytes) {
  DevicePeer device;
  device.close();
  connect_to(device);
  const auto r = timed_receive(socket_, buffer_, 8, 2000, DeadlineRule::ClockFirst);
  EXPECT_FALSE(r.timed_out);
  EXPECT_EQ(r.last.error, 0);
  EXPECT_EQ(r.last.count, 0);
}

TEST_F(TimedReceive, WaitingSleepsInsteadOfSpinning) {
  DevicePeer device;
  device.stay_silent();
  connect_to(device);
  rusage before{}, after{};
  getrusage(RUSAGE_THREAD, &before);
  timed_receive(socket_, buffer_, 8, 500, DeadlineRule::ClockFirst);
  getrusage(RUSAGE_THREAD, &after);
  auto cpu_us = [](const rusage& u) {
    return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1000000L + u.ru_utime.tv_usec +
           u.ru_stime.tv_usec;
  };
  // Well under 2% of the 500 ms waited.
  EXPECT_LT(cpu_us(after) - cpu_us(before), 10000);
}

}  // namespace
