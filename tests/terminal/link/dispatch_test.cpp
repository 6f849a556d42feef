// Operations a model does not support answer at once and say nothing to the terminal.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>

#include "tests/terminal/link/terminal_script.h"
#include "vornc.h"

namespace {

using namespace terminal_script;
using Dispatch = TerminalTest;

struct Cell {
  const char* operation;
  std::function<int(int handle)> call;
  std::vector<int> types;
  int expected;
};

std::vector<Cell> cells_that_send_nothing() {
  static unsigned char buffer[128] = {};
  const auto version = [](int h) { return vornGetVersion(h, buffer); };
  const auto get_param = [](int h) { return vornGetParam(h, buffer); };
  const auto set_param = [](int h) { return vornSetParam(h, buffer); };
  const auto led_on = [](int h) { return vornLedON(h, 2); };
  const auto led_off = [](int h) { return vornLedOFF(h, 253); };
  const auto led_timer = [](int h) { return vornLedTimer(h, 2, 9); };
  const std::vector<int> no_terminal = {1000, 999};
  return {
      {"vornReadConfiguration", vornReadConfiguration, {130, 220, 320, 321}, 0},
      {"vornWriteConfiguration", vornWriteConfiguration, {130, 220, 320, 321}, 0},
      {"vornReboot", vornReboot, {130, 220, 320}, 0},
      {"vornLedTimer", led_timer, {122, 220, 320}, 0},
      {"vornRelayTimer", vornRelayTimer, {121, 122, 130, 131, 220, 320, 321}, 0},
      {"vornGetVersion", version, no_terminal, -3},
      {"vornGetParam", get_param, no_terminal, -3},
      {"vornSetParam", set_param, no_terminal, -3},
      {"vornReadConfiguration", vornReadConfiguration, no_terminal, -3},
      {"vornWriteConfiguration", vornWriteConfiguration, no_terminal, -3},
      {"vornReboot", vornReboot, no_terminal, -3},
      {"vornLedON", led_on, no_terminal, -3},
      {"vornLedOFF", led_off, no_terminal, -3},
      {"vornLedTimer", led_timer, no_terminal, -3},
      {"vornRelayTimer", vornRelayTimer, no_terminal, -3},
  };
}

TEST_F(Dispatch, UnsupportedAndEmptyCellsAnswerAtOnceAndSendNothing) {
  const std::vector<int> types = {120, 121, 122, 130, 131, 220, 320, 321, 1000, 999};
  std::map<int, std::unique_ptr<DevicePeer>> terminals;
  std::map<int, int> handles;
  std::map<int, std::size_t> said_at_open;
  for (int type : types) {
    auto& terminal = terminals[type] = std::make_unique<DevicePeer>();
    expect_open_block_read(*terminal, type, parameter_block());
    terminal->stay_silent();
    terminal->start();
    handles[type] = open_on_socket(*terminal, type);
    ASSERT_GE(handles[type], 0) << type;
    terminal->finish();
    said_at_open[type] = terminal->received().size();
  }
  for (const Cell& cell : cells_that_send_nothing()) {
    for (int type : cell.types) {
      EXPECT_EQ(cell.call(handles[type]), cell.expected) << cell.operation << " on type " << type;
    }
  }
  for (int type : types) {
    EXPECT_EQ(terminals[type]->received().size(), said_at_open[type])
        << "type " << type << " was sent " << test_support::hex(terminals[type]->received());
  }
}

TEST_F(Dispatch, HandlesOutsideTheTableSendNothingAndReadAsFree) {
  unsigned char buffer[128] = {};
  for (int handle : {-1, 64, 1000000}) {
    EXPECT_EQ(vornGetVersion(handle, buffer), VORN_SEND_FAILED);
    EXPECT_EQ(vornLedON(handle, 2), VORN_SEND_FAILED);
    EXPECT_EQ(vornRelayON(handle), VORN_SEND_FAILED);
    EXPECT_EQ(vornGetType(handle), 0);
    EXPECT_EQ(vornCloseDevice(handle), 0);
  }
}

TEST_F(Dispatch, AFreeSlotIsNoTerminal) {
  unsigned char buffer[8] = {};
  EXPECT_EQ(vornGetType(5), 0);
  EXPECT_EQ(vornGetVersion(5, buffer), VORN_NOT_SUPPORTED);
  EXPECT_EQ(vornRelayON(5), VORN_SEND_FAILED) << "a free slot has no socket";
}

}  // namespace
