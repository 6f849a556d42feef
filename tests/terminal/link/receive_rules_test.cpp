// The four ways an operation judges the end of its wait for a terminal's reply.
#include <gtest/gtest.h>

#include <unistd.h>

#include <array>

#include "platform/socket.h"
#include "terminal/link/exchange.h"
#include "tests/terminal/link/terminal_script.h"

namespace {

using namespace vornc;
using exchange::Rule;
using test_support::Bytes;
using test_support::DevicePeer;
using test_support::peer_clock_ms;

class ReceiveRules : public ::testing::Test {
 protected:
  void start(DevicePeer& terminal) {
    terminal.start();
    slot_.socket = terminal.connect_client_socket();
    ASSERT_TRUE(platform::socket_set_nonblocking(slot_.socket));
  }
  ~ReceiveRules() override { platform::socket_close(slot_.socket); }

  exchange::Outcome receive(std::size_t count, int timeout_ms, Rule rule) {
    const double start = peer_clock_ms();
    const auto o = exchange::receive(slot_.socket, buffer_.data(), count, timeout_ms, rule);
    waited_ = peer_clock_ms() - start;
    return o;
  }

  TerminalSlot slot_;
  std::array<std::uint8_t, 256> buffer_{};
  double waited_ = 0;
};

TEST_F(ReceiveRules, WholeReplyOnTime) {
  for (Rule rule : {Rule::Lenient, Rule::Strict, Rule::Recorded, Rule::FrameReply}) {
    DevicePeer terminal;
    terminal.pause(50).reply(Bytes(128, 7)).stay_silent();
    start(terminal);
    const auto o = receive(128, 1000, rule);
    EXPECT_TRUE(o.got(128));
    EXPECT_EQ(buffer_[127], 7);
    platform::socket_close(slot_.socket);
  }
}

TEST_F(ReceiveRules, SilenceIsATimeOutMarkedWith10036) {
  for (Rule rule : {Rule::Lenient, Rule::Strict, Rule::Recorded, Rule::FrameReply}) {
    DevicePeer terminal;
    terminal.stay_silent();
    start(terminal);
    const auto o = receive(8, 200, rule);
    EXPECT_TRUE(o.timed_out);
    EXPECT_EQ(o.value, 10036);
    EXPECT_GE(waited_, 200);
    EXPECT_LT(waited_, 400);
    platform::socket_close(slot_.socket);
  }
}

TEST_F(ReceiveRules, SplitReplyEndsTheWaitWithTheFirstPiece) {
  DevicePeer terminal;
  terminal.reply_split({Bytes(100, 1), Bytes(28, 2)}, 100).stay_silent();
  start(terminal);
  const auto first = receive(128, 1000, Rule::Strict);
  EXPECT_FALSE(first.timed_out);
  EXPECT_EQ(first.value, 100);
  EXPECT_FALSE(first.got(128));
  const auto rest = receive(128, 1000, Rule::Strict);
  EXPECT_EQ(rest.value, 28) << "the rest is the next exchange's";
}

TEST_F(ReceiveRules, RecordedWaitKeepsTheOutcomeInTheSlot) {
  DevicePeer terminal;
  terminal.reply(Bytes(100, 1)).pause(100).reply(Bytes(128, 2)).pause(400).close();
  start(terminal);
  EXPECT_FALSE(exchange::receive_recorded(slot_, buffer_.data(), 128, 1000));
  EXPECT_EQ(slot_.lastStatus, 100);
  EXPECT_TRUE(exchange::receive_recorded(slot_, buffer_.data(), 128, 1000));
  EXPECT_EQ(slot_.lastStatus, 0);
  EXPECT_FALSE(exchange::receive_recorded(slot_, buffer_.data(), 1, 200));
  EXPECT_EQ(slot_.lastStatus, 10036);
  usleep(400000);
  EXPECT_FALSE(exchange::receive_recorded(slot_, buffer_.data(), 1, 1000));
  EXPECT_EQ(slot_.lastStatus, 0) << "a closed connection reads 0 bytes";
  terminal.finish();
}

TEST_F(ReceiveRules, ClosedConnectionEndsTheWaitAtOnceWithZeroBytes) {
  for (Rule rule : {Rule::Lenient, Rule::Strict, Rule::Recorded, Rule::FrameReply}) {
    DevicePeer terminal;
    terminal.close();
    start(terminal);
    const auto o = receive(6, 2000, rule);
    EXPECT_FALSE(o.timed_out);
    EXPECT_EQ(o.value, 0);
    EXPECT_LT(waited_, 500);
    platform::socket_close(slot_.socket);
  }
}

TEST_F(ReceiveRules, AReplyFoundPastTheLimitIsATimeOutExceptForFrameReplies) {
  // A limit already passed when the first receive returns: the reply is there, but only
  // the frame-reply rule takes it.
  for (Rule rule : {Rule::Lenient, Rule::Strict, Rule::Recorded, Rule::FrameReply}) {
    DevicePeer terminal;
    terminal.reply(Bytes(6, 3)).stay_silent();
    start(terminal);
    usleep(50000);
    const auto o = receive(6, -1, rule);
    EXPECT_EQ(o.timed_out, rule != Rule::FrameReply);
    EXPECT_EQ(o.value, rule == Rule::FrameReply ? 6 : 10036);
    platform::socket_close(slot_.socket);
  }
}

TEST_F(ReceiveRules, SendRecordingFailureMarksTheSlot) {
  slot_.socket = platform::kNoSocket;
  slot_.lastStatus = 5;
  EXPECT_FALSE(exchange::send_recording_failure(slot_, {'V'}));
  EXPECT_EQ(slot_.lastStatus, -2);
}

}  // namespace
