// Loading, opening and closing: the slot order, a full table, the open pause and the
// open failures.
#include <string>

#include "tests/relay/relay_fixture.h"

namespace relay_test {
namespace {

TEST(Load, SetsUpTheNamedLibraryLockAndTheVersionText) {
  ASSERT_NE(relay::library::lock(), nullptr);
  const std::string path = relay::library::lock()->path();
  const std::string name = "/Control_block_for_TAMR11X_Devices_Pelu41.lock";
  ASSERT_GE(path.size(), name.size());
  EXPECT_EQ(path.substr(path.size() - name.size()), name);
  EXPECT_STREQ(tamrGetSDKVersion(), "Version 1.01.03 tamr11xc.dll 14/02/20011");
}

TEST(Load, FreesEverySlot) {
  auto* used = relay::device_table::slot(3);
  used->socket = 1000;  // no connection behind it: load leaves connections alone anyway
  used->deviceType = kDeviceType;
  used->lastStatus = 10054;
  relay::library::state().load(relay::library::kLockName);
  for (int h = 0; h < relay::device_table::kSlotCount; ++h) {
    const auto* slot = relay::device_table::slot(h);
    EXPECT_EQ(slot->socket, -1);
    EXPECT_EQ(slot->deviceType, 0);
    EXPECT_EQ(slot->lastStatus, 0);
  }
}

using Open = RelayTest;

TEST_F(Open, FillsSlotsInOrderRefusesTheSixtyFifthAndReusesAFreedSlot) {
  Listener controllers;
  for (int expected = 0; expected < relay::device_table::kSlotCount; ++expected) {
    const int handle = tamrOpenDevice(kDeviceType, "127.0.0.1", controllers.port());
    ASSERT_EQ(handle, expected);
    opened_.push_back(handle);
  }
  EXPECT_EQ(tamrOpenDevice(kDeviceType, "127.0.0.1", controllers.port()), TAMR_ERR_NO_SLOT);
  EXPECT_EQ(tamrCloseDevice(5), 0);
  EXPECT_EQ(relay::device_table::slot(5)->socket, -1);
  EXPECT_EQ(relay::device_table::slot(5)->deviceType, 0);
  EXPECT_EQ(tamrOpenDevice(kDeviceType, "localhost", controllers.port()), 5);
  EXPECT_EQ(relay::device_table::slot(5)->deviceType, kDeviceType);
}

TEST_F(Open, PausesForTheOpenTimeoutAfterSuccessAndFailure) {
  DevicePeer controller;
  controller.stay_silent();
  controller.start();
  Listener closed;
  const int closed_port = closed.port();
  closed.close();
  const struct {
    const char* host;
    int port;
    int result;
  } cases[] = {
      {"127.0.0.1", controller.port(), 0},
      {"no-such-controller.invalid", 5000, TAMR_ERR_RESOLVE},
      {"127.0.0.1", closed_port, TAMR_ERR_CONNECT},
  };
  EXPECT_EQ(tamrSetOpenTimeout(300), 300);
  for (const auto& c : cases) {
    const Stopwatch watch;
    const int handle = tamrOpenDevice(kDeviceType, c.host, c.port);
    EXPECT_GE(watch.ms(), 270) << c.host;
    EXPECT_LT(watch.ms(), 300 + 300) << c.host;
    EXPECT_EQ(handle, c.result) << c.host;
    if (handle >= 0) opened_.push_back(handle);
  }
  // A failed open leaves the table as it was: the next open takes slot 1.
  EXPECT_EQ(tamrSetOpenTimeout(0), 0);
  const Stopwatch watch;
  Listener another;
  const int handle = tamrOpenDevice(kDeviceType, "127.0.0.1", another.port());
  EXPECT_EQ(handle, 1);
  opened_.push_back(handle);
  EXPECT_LT(watch.ms(), 100);
  controller.finish();
}

TEST_F(Open, NullHostIsARefusedResolve) {
  EXPECT_EQ(tamrOpenDevice(kDeviceType, nullptr, 5000), TAMR_ERR_RESOLVE);
}

TEST_F(Open, ConnectsNonBlockingAndWithTheLowPortBits) {
  DevicePeer controller;
  controller.expect({0x4D}).reply({0x00}).stay_silent();
  controller.start();
  const int handle = tamrOpenDevice(kDeviceType, "127.0.0.1", controller.port() + 0x10000);
  ASSERT_EQ(handle, 0);
  opened_.push_back(handle);
  EXPECT_EQ(tamrAllRelayOff(handle), 0);
  controller.finish();
}

using Close = RelayTest;

TEST_F(Close, ShutsTheConnectionAndKeepsTheLastStatus) {
  DevicePeer controller;
  controller.stay_silent();
  const int handle = open(controller);
  set_last_status(handle, 10054);
  EXPECT_EQ(tamrCloseDevice(handle), 0);
  controller.finish();
  for (int i = 0; i < 100 && !controller.connection_closed_by_client(); ++i) platform::sleep_ms(5);
  EXPECT_TRUE(controller.connection_closed_by_client());
  EXPECT_EQ(last_status(handle), 10054);
  EXPECT_EQ(tamrCloseDevice(handle), 0) << "closing twice changes nothing";
  EXPECT_EQ(tamrCloseDevice(-1), TAMR_ERR_SEND);
  EXPECT_EQ(tamrCloseDevice(64), TAMR_ERR_SEND);
}

}  // namespace
}  // namespace relay_test
