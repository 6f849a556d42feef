#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <string>

#include "tests/support/loopback.h"
#include "tests/terminal/link/terminal_script.h"
#include "vornc.h"

namespace {

using namespace terminal_script;
using test_support::closed_port;
using test_support::concat;
using test_support::elapsed_ms;
using test_support::hex;
using test_support::peer_clock_ms;

constexpr const char* kLoopback = "127.0.0.1";

using Connection = TerminalTest;

// What opening and closing say to each family, the LED commands included.
TEST_F(Connection, OpenAndCloseConversationOfEachFamily) {
  for (int type : {120, 121, 122, 130, 131, 220, 320, 321, 1000}) {
    SCOPED_TRACE("device type " + std::to_string(type));
    DevicePeer terminal;
    if (type != 1000) {
      expect_open_block_read(terminal, type, parameter_block());
      expect_yellow_led(terminal, type, true);
      expect_yellow_led(terminal, type, false);
    }
    terminal.stay_silent();
    terminal.start();
    const int handle = vornOpenDevice(type, kLoopback, terminal.port());
    ASSERT_EQ(handle, 0);
    EXPECT_EQ(vornGetType(handle), type);
    EXPECT_EQ(vornCloseDevice(handle), 0);
    terminal.finish();
    EXPECT_EQ(vornGetType(handle), 0);
    // The close shuts the connection down after its commands.
    for (int i = 0; i < 100 && !terminal.connection_closed_by_client(); ++i) usleep(5000);
    EXPECT_TRUE(terminal.connection_closed_by_client());
  }
}

TEST_F(Connection, WithTheYellowLedDisabledOnlyTheBlockReadIsSent) {
  vornDisableYellowLED();
  DevicePeer terminal;
  expect_open_block_read(terminal, 120, parameter_block());
  terminal.stay_silent();
  terminal.start();
  const int handle = vornOpenDevice(120, kLoopback, terminal.port());
  ASSERT_GE(handle, 0);
  vornCloseDevice(handle);
  terminal.finish();
  EXPECT_EQ(terminal.received(), (Bytes{'P', 'P', 0}));
  vornEnableYellowLED();
}

TEST_F(Connection, HandlesAreTheLowestFreeSlotsAndTheTableHoldsSixtyFour) {
  test_support::Listener listener;  // the kernel's backlog completes the connects
  for (int expected = 0; expected < 64; ++expected) {
    ASSERT_EQ(vornOpenDevice(1000, kLoopback, listener.port()), expected);
  }
  EXPECT_EQ(vornOpenDevice(1000, kLoopback, listener.port()), -1) << "table full";
  for (int h = 0; h < 64; ++h) EXPECT_EQ(vornGetType(h), 1000) << h;
  vornCloseDevice(5);
  EXPECT_EQ(vornGetType(5), 0);
  EXPECT_EQ(vornOpenDevice(1000, kLoopback, listener.port()), 5);
}

TEST_F(Connection, OpenPausesTheOpenTimeoutAfterSuccessAndFailure) {
  test_support::Listener listener;
  vornSetOpenTimeout(600);
  EXPECT_GE(elapsed_ms([&] { EXPECT_EQ(vornOpenDevice(1000, kLoopback, listener.port()), 0); }),
            595);
  EXPECT_GE(
      elapsed_ms([] { EXPECT_EQ(vornOpenDevice(1000, "no-such-terminal.invalid", 5000), -5); }),
      595);
  EXPECT_GE(elapsed_ms([] { EXPECT_EQ(vornOpenDevice(1000, kLoopback, closed_port()), -6); }), 595);
  EXPECT_EQ(vornSetOpenTimeout(0), 0);
  EXPECT_LT(
      elapsed_ms([] { EXPECT_EQ(vornOpenDevice(1000, "no-such-terminal.invalid", 5000), -5); }),
      400);
  EXPECT_EQ(vornGetType(1), 0) << "failed opens take no slot";
}

TEST_F(Connection, TypeZeroIsRefusedBeforeAnyConnection) {
  DevicePeer terminal;
  terminal.stay_silent();
  terminal.start();
  EXPECT_EQ(vornOpenDevice(0, kLoopback, terminal.port()), VORN_NOT_SUPPORTED);
  usleep(100000);
  EXPECT_FALSE(terminal.connected());
  const int s = terminal.connect_client_socket();
  EXPECT_EQ(vornOpenDeviceBySocket(0, s), VORN_NOT_SUPPORTED);
  EXPECT_EQ(::close(s), 0) << "the caller's socket stays the caller's";
}

TEST_F(Connection, AnOverlongHostNameIsStoredCutAndStillUsedWhole) {
  const std::string long_name(200, 'a');
  EXPECT_EQ(vornOpenDevice(120, (long_name + ".invalid").c_str(), 5000), -5);
  EXPECT_EQ(vornOpenDevice(120, nullptr, 5000), -5);
}

TEST_F(Connection, OpenOnSocketAskingTheTerminalItsType) {
  const struct {
    std::uint8_t answer;
    int result_type;  // 0: the open fails with -10
  } table[] = {{1, 121}, {2, 321}, {121, 121}, {131, 131}, {220, 220}, {50, 0}};
  for (const auto& row : table) {
    SCOPED_TRACE("answer " + std::to_string(row.answer));
    DevicePeer terminal;
    terminal.expect({'?', 0}).reply({row.answer});
    if (row.result_type != 0) expect_open_block_read(terminal, row.result_type, parameter_block());
    terminal.stay_silent();
    terminal.start();
    const int s = terminal.connect_client_socket();
    const int handle = vornOpenDeviceBySocketI(s);
    terminal.finish();
    if (row.result_type == 0) {
      EXPECT_EQ(handle, VORN_TYPE_UNKNOWN);
      EXPECT_EQ(vornGetType(0), 0);
      EXPECT_EQ(::close(s), 0) << "the caller's socket stays the caller's";
      continue;
    }
    ASSERT_EQ(handle, 0);
    EXPECT_EQ(vornGetType(handle), row.result_type);
    vornDisableYellowLED();
    vornCloseDevice(handle);
    vornEnableYellowLED();
  }
}

// A descriptor that is no socket (a file, a device) must come back as the caller gave it:
// not switched to non-blocking mode, not kept in a slot, not closed.
TEST_F(Connection, OpensOnADescriptorThatIsNoSocketAreRefusedAndLeaveItAlone) {
  char file_name[] = "/tmp/vornc-not-a-socket-XXXXXX";
  const int file = ::mkstemp(file_name);
  ASSERT_GE(file, 0);
  ::unlink(file_name);
  const int device = ::open("/dev/null", O_RDWR | O_CLOEXEC);
  ASSERT_GE(device, 0);
  const std::function<int(int)> opens[] = {
      [](int fd) { return vornOpenDeviceBySocket(121, fd); },
      [](int fd) { return vornOpenDeviceBySocket(321, fd); },
      [](int fd) { return vornOpenDeviceBySocketI(fd); },
  };
  for (const int fd : {file, device}) {
    const int flags = ::fcntl(fd, F_GETFL);
    for (const auto& open : opens) {
      EXPECT_EQ(open(fd), VORN_NONBLOCKING_FAILED) << fd;
      EXPECT_EQ(::fcntl(fd, F_GETFL), flags) << "the descriptor's mode is unchanged";
      EXPECT_EQ(vornGetType(0), 0) << "no slot holds it";
    }
  }
  EXPECT_EQ(::close(file), 0) << "the caller's descriptor is still open";
  EXPECT_EQ(::close(device), 0);
}

TEST_F(Connection, ClosingA321OpenedOnASocketAsksTheTerminalToHangUp) {
  DevicePeer terminal;
  expect_yellow_led(terminal, 321, false);
  terminal.expect({'*'}).stay_silent();
  terminal.start();
  const int handle = open_on_socket(terminal, 321);
  ASSERT_EQ(handle, 0);
  const double closing = peer_clock_ms();
  vornCloseDevice(handle);
  const double closed = peer_clock_ms();
  terminal.finish();
  EXPECT_EQ(hex(terminal.received()), "58 06 2A");
  for (int i = 0; i < 100 && !terminal.connection_closed_by_client(); ++i) usleep(5000);
  EXPECT_TRUE(test_support::shows_pause(terminal.closed_at_ms() - terminal.arrival_ms(2), 210));
  // After the LED's answer 10 ms, before the hang-up 50, after it 210, after shutdown 100.
  EXPECT_GE(closed - closing, 10 + 50 + 210 + 100);
}

TEST_F(Connection, TypeQueries) {
  DevicePeer terminal;
  terminal.expect({'?', 0})
      .reply({130})
      .expect({'?'})
      .reply({0x77})
      .expect({'S', '?'})
      .reply({0x03})
      .expect({'?'})
      .stay_silent();
  terminal.start();
  const int handle = open_on_socket(terminal, 1000);
  ASSERT_GE(handle, 0);
  EXPECT_EQ(vornGetDeviceType(handle), 130);
  unsigned char out = 0xEE;
  EXPECT_EQ(vornGetTypeDevice(handle, &out), 0);
  EXPECT_EQ(out, 0x77);
  EXPECT_EQ(vornGetTypeChannel(handle, &out), 0);
  EXPECT_EQ(out, 0x03);
  out = 0xEE;
  const double waited = elapsed_ms([&] { EXPECT_EQ(vornGetTypeDevice(handle, &out), -1); });
  EXPECT_EQ(out, 0) << "cleared before asking";
  EXPECT_GE(waited, 1000);
  EXPECT_LT(waited, 1400);
  terminal.finish();
}

TEST_F(Connection, DeviceTypeAnswersAreMapped) {
  const struct {
    std::uint8_t answer;
    int result;
  } table[] = {{1, 120}, {2, 321}, {101, 101}, {220, 220}, {0, -2}, {3, -2}, {100, -2}};
  DevicePeer terminal;
  for (const auto& row : table) terminal.expect({'?', 0}).reply({row.answer});
  terminal.stay_silent();
  terminal.start();
  const int handle = open_on_socket(terminal, 1000);
  for (const auto& row : table) EXPECT_EQ(vornGetDeviceType(handle), row.result) << int(row.answer);
  terminal.finish();
}

TEST_F(Connection, CloseSocketByDeviceWithAndWithoutAcknowledgement) {
  DevicePeer terminal;
  terminal.expect({'*'}).expect({'*', '*'}).reply({0x00}).expect({'*', '*'}).stay_silent();
  terminal.start();
  const int handle = open_on_socket(terminal, 1000);
  EXPECT_EQ(vornCloseSocketByDevice(handle), 0);
  EXPECT_EQ(vornCloseSocketByDeviceA(handle), 0);
  const double waited = elapsed_ms([&] { EXPECT_EQ(vornCloseSocketByDeviceA(handle), -1); });
  EXPECT_GE(waited, 2000);
  terminal.finish();
}

TEST_F(Connection, StartAndStopActiveOpenSwitchAndClose) {
  for (bool start : {true, false}) {
    DevicePeer terminal;
    expect_yellow_led(terminal, 321, true);
    terminal.expect({'K', static_cast<std::uint8_t>(start ? 1 : 0)});
    expect_yellow_led(terminal, 321, false);
    terminal.stay_silent();
    terminal.start();
    EXPECT_EQ((start ? vornStartActive : vornStopActive)(321, kLoopback, terminal.port()), 0);
    terminal.finish();
    EXPECT_EQ(vornGetType(0), 0);
  }
  EXPECT_EQ(vornStartActive(321, kLoopback, closed_port()), -6);
  EXPECT_EQ(vornGetType(0), 0) << "no slot left taken";
}

TEST_F(Connection, SdkVersionText) {
  EXPECT_STREQ(vornGetSDKVersion(), "Version 3.12.08 vornc.dll 15/01/2015");
}

}  // namespace
