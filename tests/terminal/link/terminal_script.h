// What terminals say, for scripting the device peer in the terminal library's tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>

#include "tests/support/crc_frame.h"
#include "tests/support/device_peer.h"
#include "vornc.h"

namespace terminal_script {

// Every terminal test starts with no slot open, no open pause and the yellow LED enabled,
// and leaves the library so: what a test opened is closed after it, quietly.
class TerminalTest : public ::testing::Test {
 protected:
  void SetUp() override { reset_library(); }
  void TearDown() override {
    reset_library();
    vornSetOpenTimeout(kDefaultOpenTimeoutMs);
  }

 private:
  static constexpr int kDefaultOpenTimeoutMs = 1000;
  static void reset_library() {
    vornDisableYellowLED();
    for (int handle = 0; handle < 64; ++handle) {
      if (vornGetType(handle) != 0) vornCloseDevice(handle);
    }
    vornEnableYellowLED();
    vornSetOpenTimeout(0);
  }
};

using test_support::Bytes;
using test_support::DevicePeer;

using test_support::crc_frame;

// A reply frame of type 122 as the terminal sends it: header and payload.
inline Bytes reply_frame(std::uint8_t letter, const Bytes& payload = {}) {
  return crc_frame(letter, payload);
}

// A recognisable 128-byte parameter block (byte 40 is the raw-image flag).
Bytes parameter_block(std::uint8_t raw_image_flag = 0x5A);

// Scripts the parameter read an open makes on a terminal of this type, answered with
// `block` (nothing for types whose open reads no block).
void expect_open_block_read(DevicePeer& terminal, int deviceType, const Bytes& block);

// The LED command of this type for the yellow LED at open (on) or close (off), with the
// acknowledgement a terminal that answers one sends.
void expect_yellow_led(DevicePeer& terminal, int deviceType, bool on);

// Opens a slot of `deviceType` on a socket connected to the (started) peer.
inline int open_on_socket(DevicePeer& terminal, int deviceType) {
  return vornOpenDeviceBySocket(deviceType, terminal.connect_client_socket());
}

// A terminal of `deviceType` on a socket: the open's own conversation, then what
// `conversation` scripts, then silence. Starts the peer; returns the open's handle.
template <typename Conversation>
int open_scripted(DevicePeer& terminal, int deviceType, Conversation conversation) {
  expect_open_block_read(terminal, deviceType, parameter_block());
  conversation(terminal);
  terminal.stay_silent();
  terminal.start();
  return open_on_socket(terminal, deviceType);
}

}  // namespace terminal_script
