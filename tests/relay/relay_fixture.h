// What the relay library's tests share: a library lock of the test's own, no open pause
// (both restored afterwards), connections to scripted controllers that are closed again
// after each test, and a look at a slot's last status.
#pragma once

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/clock.h"
#include "relay/device_table.h"
#include "relay/library.h"
#include "tamr11xc.h"
#include "tests/support/device_peer.h"
#include "tests/support/loopback.h"
#include "tests/support/stopwatch.h"

namespace relay_test {

using test_support::Bytes;
using test_support::concat;
using test_support::DevicePeer;
using test_support::hex;
using test_support::text;

inline constexpr int kDeviceType = 1112;

class RelayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // ctest runs the cases as parallel processes: a lock of their own keeps one case's
    // two-second waits from stalling another's timings.
    relay::library::state().open_lock("tamr11xc_test_" + std::to_string(::getpid()));
    ASSERT_NE(relay::library::lock(), nullptr);
    tamrSetOpenTimeout(0);
  }
  void TearDown() override {
    for (int handle : opened_) tamrCloseDevice(handle);
    ::unlink(relay::library::lock()->path().c_str());
    // Later tests in this process find the library as it was loaded.
    relay::library::state().open_lock(relay::library::kLockName);
    tamrSetOpenTimeout(platform::kDefaultOpenTimeoutMs);
  }

  // Starts the peer and opens a connection to it.
  int open(DevicePeer& controller) {
    controller.start();
    const int handle = tamrOpenDevice(kDeviceType, "127.0.0.1", controller.port());
    EXPECT_GE(handle, 0);
    if (handle >= 0) opened_.push_back(handle);
    return handle;
  }

  static int last_status(int handle) { return relay::device_table::slot(handle)->lastStatus; }
  static void set_last_status(int handle, int value) {
    relay::device_table::slot(handle)->lastStatus = value;
  }

  std::vector<int> opened_;
};

using test_support::Listener;
using test_support::Stopwatch;

}  // namespace relay_test
