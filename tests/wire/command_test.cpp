// The row player: its waits at their edges, what it records, its pauses and its lock,
// against a scripted device on loopback.
#include "wire/command.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <string>
#include <thread>

#include "platform/clock.h"
#include "platform/named_lock.h"
#include "tests/support/crc_frame.h"
#include "tests/support/device_peer.h"
#include "tests/support/stopwatch.h"
#include "wire/frame.h"

namespace {

using test_support::Bytes;
using test_support::DevicePeer;
using test_support::Stopwatch;
using test_support::text;
using wire::Command;
using wire::Records;
using wire::Wait;
using namespace wire::request;

constexpr Wait kTimedWaits[] = {Wait::DataFirst, Wait::DeadlineFirst, Wait::DeadlineFirstCounted,
                                Wait::DeadlineFirstCountedRecorded};

std::string name(Wait w) { return "wait " + std::to_string(static_cast<int>(w)); }

class Player : public ::testing::Test {
 protected:
  void SetUp() override {
    lock_ = platform::NamedLock::open("wire_test_" + std::to_string(::getpid()));
    ASSERT_NE(lock_, nullptr);
  }
  void TearDown() override {
    disconnect();
    ::unlink(lock_->path().c_str());
  }

  // Starts the device and connects a fresh non-blocking socket to it.
  void connect(DevicePeer& device) {
    disconnect();
    device.start();
    socket_ = device.connect_client_socket();
    ASSERT_TRUE(platform::socket_set_nonblocking(socket_));
  }
  void disconnect() {
    platform::socket_close(socket_);
    socket_ = platform::kNoSocket;
  }

  wire::Outcome play(const Command& command, const Args& arguments = {},
                     std::span<const std::uint8_t> data = {}) {
    reply_.fill(0);
    const Stopwatch watch;
    const wire::Link link{socket_, lock_.get(), &last_status_};
    const auto o = wire::run(command, link, arguments, reply_, data);
    took_ms_ = watch.ms();
    return o;
  }

  static Command waiting(Wait wait, int reply_length, int limit_ms) {
    return {
        .request = {byte('Q')}, .wait = wait, .reply_length = reply_length, .limit_ms = limit_ms};
  }

  std::unique_ptr<platform::NamedLock> lock_;
  platform::SocketHandle socket_ = platform::kNoSocket;
  std::int32_t last_status_ = 777;
  std::array<std::uint8_t, 256> reply_{};
  double took_ms_ = 0;
};

TEST_F(Player, EveryWaitAcceptsAWholeReplyOnTime) {
  for (Wait wait : kTimedWaits) {
    DevicePeer device;
    device.expect(text("Q")).pause(50).reply(Bytes(128, 7)).stay_silent();
    connect(device);
    const auto o = play(waiting(wait, 128, 1000));
    EXPECT_TRUE(o.accepted && o.whole()) << name(wait);
    EXPECT_EQ(reply_[127], 7) << name(wait);
    EXPECT_EQ(last_status_, wait == Wait::DeadlineFirstCountedRecorded ? 0 : 777) << name(wait);
    last_status_ = 777;
  }
}

TEST_F(Player, SilenceIsATimeOutMarkedWith10036AfterTheLimit) {
  for (Wait wait : kTimedWaits) {
    DevicePeer device;
    device.stay_silent();
    connect(device);
    const auto o = play(waiting(wait, 8, 200));
    EXPECT_TRUE(o.timed_out) << name(wait);
    EXPECT_FALSE(o.accepted) << name(wait);
    EXPECT_EQ(o.recorded(), 10036) << name(wait);
    EXPECT_GE(took_ms_, 200) << name(wait);
    EXPECT_LT(took_ms_, 600) << name(wait);
    EXPECT_EQ(last_status_, wait == Wait::DeadlineFirstCountedRecorded ? 10036 : 777) << name(wait);
    last_status_ = 777;
  }
}

TEST_F(Player, ShortReplyIsJudgedOnlyByTheCountedWaits) {
  for (Wait wait : kTimedWaits) {
    DevicePeer device;
    device.expect(text("Q")).reply(Bytes(100, 1)).stay_silent();
    connect(device);
    const auto o = play(waiting(wait, 128, 1000));
    EXPECT_EQ(o.passed_through(), 100) << name(wait);
    const bool counted =
        wait == Wait::DeadlineFirstCounted || wait == Wait::DeadlineFirstCountedRecorded;
    EXPECT_EQ(o.accepted, !counted) << name(wait);
    EXPECT_EQ(last_status_, wait == Wait::DeadlineFirstCountedRecorded ? 100 : 777) << name(wait);
    last_status_ = 777;
  }
}

TEST_F(Player, SplitReplyEndsTheWaitWithTheFirstPieceAndTheRestIsTheNextExchanges) {
  DevicePeer device;
  device.expect(text("Q")).reply_split({Bytes(100, 1), Bytes(28, 2)}, 100).stay_silent();
  connect(device);
  const Command listen = {
      .wait = Wait::DeadlineFirstCounted, .reply_length = 128, .limit_ms = 1000};
  EXPECT_EQ(play(waiting(Wait::DeadlineFirstCounted, 128, 1000)).passed_through(), 100);
  const auto rest = play(listen);
  EXPECT_EQ(rest.passed_through(), 28);
  EXPECT_EQ(reply_[0], 2);
}

TEST_F(Player, ClosedConnectionEndsEveryWaitAtOnceWithZeroBytes) {
  for (Wait wait : kTimedWaits) {
    DevicePeer device;
    device.expect(text("Q")).close();
    connect(device);
    const auto o = play(waiting(wait, 6, 2000));
    EXPECT_FALSE(o.timed_out) << name(wait);
    EXPECT_EQ(o.passed_through(), 0) << name(wait);
    EXPECT_LT(took_ms_, 1000) << name(wait);
  }
}

TEST_F(Player, AReplyFoundPastTheLimitIsTakenOnlyByTheDataFirstWait) {
  for (Wait wait : kTimedWaits) {
    DevicePeer device;
    device.reply(Bytes(6, 3)).stay_silent();
    connect(device);
    usleep(50000);
    // A limit already passed when the first receive returns: the reply is there.
    const Command listen = {.wait = wait, .reply_length = 6, .limit_ms = -1};
    const auto o = play(listen);
    EXPECT_EQ(o.timed_out, wait != Wait::DataFirst) << name(wait);
    EXPECT_EQ(o.recorded(), wait == Wait::DataFirst ? 6 : 10036) << name(wait);
  }
}

TEST_F(Player, SingleReceiveTakesOnlyWhatHasComeAndLeavesTheRest) {
  DevicePeer device;
  device.expect(text("Z")).reply(Bytes(4, 9)).pause(300).reply(Bytes(6, 8)).stay_silent();
  connect(device);
  const Command look = {.request = {byte('Z')},
                        .pause_sent_ms = 100,
                        .wait = Wait::SingleReceive,
                        .reply_length = 10};
  const auto o = play(look);
  EXPECT_TRUE(o.accepted);
  EXPECT_EQ(o.passed_through(), 4);
  EXPECT_LT(took_ms_, 250) << "one look, no wait";
  const auto too_early = play({.wait = Wait::SingleReceive, .reply_length = 10});
  EXPECT_EQ(too_early.last.error, platform::wsa::kWouldBlock);
}

TEST_F(Player, WhatLastStatusKeepsOfASendFailedOrDone) {
  const struct {
    Records records;
    std::int32_t after_failure;
    std::int32_t after_send;
  } table[] = {
      {Records::WaitOnly, 777, 777},
      {Records::SendFailure, -2, 777},
      {Records::SendOutcome, -2, 0},
  };
  for (const auto& row : table) {
    const Command command = {.request = {byte('K')}, .records = row.records};
    socket_ = platform::kNoSocket;
    last_status_ = 777;
    EXPECT_FALSE(play(command).sent);
    EXPECT_EQ(last_status_, row.after_failure);

    DevicePeer device;
    device.expect(text("K")).stay_silent();
    connect(device);
    last_status_ = 777;
    EXPECT_TRUE(play(command).sent);
    EXPECT_EQ(last_status_, row.after_send);
    device.finish();
  }
}

TEST_F(Player, PausesBeforeBetweenAndAfterAsTheCallerSeesThem) {
  DevicePeer device;
  device.expect(text("P")).reply({1}).stay_silent();
  connect(device);
  const Command paced = {.request = {byte('P')},
                         .pause_before_ms = 60,
                         .pause_sent_ms = 40,
                         .wait = Wait::DeadlineFirst,
                         .reply_length = 1,
                         .limit_ms = 1000,
                         .pause_after_ms = 80};
  play(paced);
  EXPECT_GE(took_ms_, 180);
  // A failed send skips every pause after it.
  disconnect();
  play(paced);
  EXPECT_GE(took_ms_, 60);
  EXPECT_LT(took_ms_, 100 + 60);
}

TEST_F(Player, CrcFramedRowsSendTheirFirstByteAsTheLetterAndTheRestAsPayload) {
  DevicePeer device;
  const Bytes payload = {1, 2};
  device.expect(test_support::crc_frame('A', payload)).stay_silent();
  connect(device);
  const Command framed = {.request = {byte('A'), low8(0), low8(1)}, .framing = wire::Framing::Crc};
  EXPECT_TRUE(play(framed, args(1, 2)).sent);
  device.finish();
  const Bytes too_long(wire::frame::kMaxPayload + 1, 0);
  const Command frame_of_data = {.request = {byte('U'), data()},
                                 .framing = wire::Framing::Crc,
                                 .records = Records::SendFailure};
  EXPECT_FALSE(play(frame_of_data, {}, too_long).sent) << "a frame too large fails as a send";
  EXPECT_EQ(last_status_, -2);
}

TEST_F(Player, LockedRowsHoldTheLibraryLockFromTheSendToTheReplyOnly) {
  DevicePeer device;
  device.expect(text("L")).pause(300).reply({1}).stay_silent();
  connect(device);
  const Command locked = {.request = {byte('L')},
                          .locked = true,
                          .wait = Wait::DeadlineFirst,
                          .reply_length = 1,
                          .limit_ms = 2000,
                          .pause_after_ms = 300};
  std::atomic<double> taken_at{-1};
  const Stopwatch watch;
  std::thread player([&] { play(locked); });
  // Once the request is out, another thread waits for the reply before it gets the lock.
  while (device.received().empty()) platform::sleep_ms(1);
  std::thread other([&] {
    lock_->lock();
    taken_at = watch.ms();
    lock_->unlock();
  });
  other.join();
  player.join();
  EXPECT_GE(taken_at.load(), 250);
  EXPECT_LT(taken_at.load(), 550) << "the pause after the reply runs outside the lock";
}

}  // namespace
