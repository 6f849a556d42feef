#include <gtest/gtest.h>

#include <array>
#include <string>
#include <thread>
#include <vector>

// Both libraries' headers together: the shared names must be declared alike.
#include "tamr11xc.h"
#include "tests/terminal/link/terminal_script.h"
#include "vornc.h"

namespace {

using namespace terminal_script;
using test_support::elapsed_ms;
using test_support::hex;

using StatusBytes = std::array<unsigned char, 8>;

std::string hex_of(const StatusBytes& status) { return hex(Bytes(status.begin(), status.end())); }

StatusBytes stale() {
  StatusBytes s;
  s.fill(0xEE);
  return s;
}

// A relay board behind a connection of `type`; the yellow LED stays out of it.
class RelayBoard : public TerminalTest {
 protected:
  void SetUp() override {
    TerminalTest::SetUp();
    vornDisableYellowLED();
  }
};

TEST_F(RelayBoard, OrdersAreSentPaddedAndNotAwaited) {
  const struct {
    const char* what;
    int (*call)(int);
    Bytes request;
  } table[] = {
      {"relay on", [](int h) { return tamrRelayOn(h, 0x105); }, {'D', 0x05, 0}},
      {"relay off", [](int h) { return tamrRelayOff(h, 0x0A); }, {'O', 0x0A, 0}},
      {"all relays off", tamrAllRelayOff, {'M', 0}},
      {"input reports on", tamrSendInputStatusOn, {'Y', 1, 0}},
      {"input reports off", tamrSendInputStatusOff, {'Y', 0, 0}},
  };
  for (const int type : {1000, 121}) {
    for (const auto& row : table) {
      SCOPED_TRACE(std::string(row.what) + " on type " + std::to_string(type));
      DevicePeer board;
      const int handle = open_scripted(board, type, [&](DevicePeer& b) { b.expect(row.request); });
      EXPECT_LT(elapsed_ms([&] { EXPECT_EQ(row.call(handle), 0); }), 100) << "no pause, no wait";
      board.finish();
      vornCloseDevice(handle);
    }
  }
}

TEST_F(RelayBoard, StatusReadsAndTheAnswerWithAReply) {
  const struct {
    const char* what;
    int (*call)(int, unsigned char*);
    Bytes request;
    int result;
  } table[] = {
      {"relay status", tamrGetStatusRelay, {'R', 0}, 0},
      {"input status", tamrGetStatusInput, {'I', 0}, 0},
      {"answer", tamrGetAnswer, {}, 1},
  };
  for (const auto& row : table) {
    SCOPED_TRACE(row.what);
    DevicePeer board;
    const int handle = open_scripted(board, 1000, [&](DevicePeer& b) {
      if (!row.request.empty()) b.expect(row.request);
      b.reply({0x35});
    });
    StatusBytes status = stale();
    EXPECT_EQ(row.call(handle, status.data()), row.result);
    EXPECT_EQ(hex_of(status), "35 00 00 00 00 00 00 00");
    board.finish();
    vornCloseDevice(handle);
  }
}

TEST_F(RelayBoard, RelayStateAfterASwitchIsFetchedAsTheAnswer) {
  DevicePeer board;
  const int handle = open_scripted(board, 220, [](DevicePeer& b) {
    b.expect({'D', 0x05, 0}).reply({0x07});
  });
  EXPECT_EQ(tamrRelayOn(handle, 0x05), 0);
  StatusBytes status = stale();
  EXPECT_EQ(tamrGetAnswer(handle, status.data()), 1);
  EXPECT_EQ(hex_of(status), "07 00 00 00 00 00 00 00");
  board.finish();
}

// The three waits run on three slots at once: one limit's time for all.
TEST_F(RelayBoard, SilentBoardLeavesZerosAfterTheLimit) {
  const struct {
    const char* what;
    int (*call)(int, unsigned char*);
    Bytes request;
    int result;
  } table[] = {
      {"relay status: still would block", tamrGetStatusRelay, {'R', 0}, 10035},
      {"input status: cannot tell", tamrGetStatusInput, {'I', 0}, 0},
      {"answer: time-out", tamrGetAnswer, {}, 10036},
  };
  constexpr std::size_t kRows = std::size(table);
  std::array<DevicePeer, kRows> boards;
  std::array<int, kRows> handles{};
  for (std::size_t i = 0; i < kRows; ++i) {
    handles[i] = open_scripted(boards[i], 1000, [&](DevicePeer& b) {
      if (!table[i].request.empty()) b.expect(table[i].request);
    });
  }
  std::array<StatusBytes, kRows> status;
  status.fill(stale());
  std::array<int, kRows> results{};
  std::array<double, kRows> waited{};
  std::vector<std::thread> callers;
  for (std::size_t i = 0; i < kRows; ++i) {
    callers.emplace_back([&, i] {
      waited[i] = elapsed_ms([&] { results[i] = table[i].call(handles[i], status[i].data()); });
    });
  }
  for (auto& t : callers) t.join();
  for (std::size_t i = 0; i < kRows; ++i) {
    SCOPED_TRACE(table[i].what);
    EXPECT_EQ(results[i], table[i].result);
    EXPECT_EQ(hex_of(status[i]), "00 00 00 00 00 00 00 00");
    EXPECT_GE(waited[i], 2000);
    EXPECT_LT(waited[i], 2600);
    boards[i].finish();
  }
}

TEST_F(RelayBoard, ClosedBoard) {
  const struct {
    const char* what;
    int (*call)(int, unsigned char*);
    int result;
  } table[] = {
      {"relay status: the receive did not fail", tamrGetStatusRelay, 0},
      {"input status", tamrGetStatusInput, 0},
      {"answer: no byte", tamrGetAnswer, 0},
  };
  for (const auto& row : table) {
    SCOPED_TRACE(row.what);
    DevicePeer board;
    board.close();
    board.start();
    const int handle = open_on_socket(board, 1000);
    board.finish();
    StatusBytes status = stale();
    EXPECT_LT(elapsed_ms([&] { EXPECT_EQ(row.call(handle, status.data()), row.result); }), 500);
    EXPECT_EQ(hex_of(status), "00 00 00 00 00 00 00 00");
    vornCloseDevice(handle);
  }
  // Orders go out until the closed connection makes the sends fail.
  DevicePeer board;
  board.close();
  board.start();
  const int handle = open_on_socket(board, 1000);
  board.finish();
  int result = 0;
  for (int i = 0; i < 50 && result == 0; ++i) {
    result = tamrAllRelayOff(handle);
    usleep(2000);
  }
  EXPECT_EQ(result, -2);
  StatusBytes status = stale();
  EXPECT_EQ(tamrGetStatusRelay(handle, status.data()), -2);
  EXPECT_EQ(hex_of(status), hex_of(stale())) << "untouched when nothing was sent";
}

TEST_F(RelayBoard, NullStatusBufferIsRefusedBeforeSending) {
  DevicePeer board;
  const int handle = open_scripted(board, 1000, [](DevicePeer&) {});
  EXPECT_EQ(tamrGetStatusRelay(handle, nullptr), -1);
  EXPECT_EQ(tamrGetStatusInput(handle, nullptr), -1);
  EXPECT_EQ(tamrGetAnswer(handle, nullptr), -1);
  board.finish();
  EXPECT_TRUE(board.received().empty());
}

}  // namespace
