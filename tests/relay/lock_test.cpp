// The library lock between threads: a locked command waits for another's exchange to
// end, an unlocked one does not, and the pause after an exchange is made outside it.
#include <thread>

#include "tests/relay/relay_fixture.h"

namespace relay_test {
namespace {

using test_support::peer_clock_ms;

using LibraryLock = RelayTest;

constexpr int kHeldMs = 600;  // how long the first controller takes to answer

TEST_F(LibraryLock, LockedCommandsWaitForTheExchangeNotForItsPauseAndUnlockedOnesGoAhead) {
  DevicePeer slow, locked, unlocked;
  slow.expect({0x44, 0x01}).pause(kHeldMs).reply({0x01}).stay_silent();
  locked.expect({0x44, 0x02}).reply({0x02}).stay_silent();
  unlocked.expect({0x53, 0x01, 0x03}).reply({0x03}).stay_silent();
  const int h_slow = open(slow);
  const int h_locked = open(locked);
  const int h_unlocked = open(unlocked);

  const double started = peer_clock_ms();
  std::thread first([&] { EXPECT_EQ(tamrRelayOn(h_slow, 0x01), 1); });
  // Let the first command take the lock and send.
  for (int i = 0; i < 200 && slow.received().empty(); ++i) platform::sleep_ms(2);
  std::thread second([&] { EXPECT_EQ(tamrRelayOn(h_locked, 0x02), 2); });
  std::thread third([&] { EXPECT_EQ(tamrRelaySwitchByte(h_unlocked, 0x03), 3); });
  first.join();
  second.join();
  third.join();
  slow.finish();
  locked.finish();
  unlocked.finish();

  const double sent = slow.arrival_ms(0);
  EXPECT_LT(unlocked.arrival_ms(0) - sent, kHeldMs / 2.0) << "the unlocked command waited";
  EXPECT_GE(locked.arrival_ms(0) - started, kHeldMs * 0.9) << "the locked command did not wait";
  // The first command's 250 ms pause runs after it released the lock.
  EXPECT_LT(locked.arrival_ms(0) - sent, kHeldMs + 200.0) << "the pause was made under the lock";
}

TEST_F(LibraryLock, IsHeldAcrossTheSevenClockWritesOfOneSetting) {
  DevicePeer clock, other;
  clock.stay_silent();
  other.expect({0x4D}).reply({0x00}).stay_silent();
  const int h_clock = open(clock);
  const int h_other = open(other);
  const double started = peer_clock_ms();
  std::thread setting([&] { EXPECT_EQ(tamrSetTime(h_clock, 1, 1, 20, 0, 0, 0), 0); });
  for (int i = 0; i < 200 && clock.received().empty(); ++i) platform::sleep_ms(2);
  EXPECT_EQ(tamrAllRelayOff(h_other), 0);
  setting.join();
  clock.finish();
  other.finish();
  ASSERT_EQ(clock.received().size(), 7u * 4);
  // After the last write, and after its 100 ms pause, which belongs to the setting.
  EXPECT_GE(other.arrival_ms(0) - started, 7 * 95);
}

TEST_F(LibraryLock, OpensWaitForALockedExchange) {
  DevicePeer slow, next;
  slow.expect({0x4D}).pause(kHeldMs).reply({0x00}).stay_silent();
  next.stay_silent();
  const int h_slow = open(slow);
  std::thread first([&] { EXPECT_EQ(tamrAllRelayOff(h_slow), 0); });
  for (int i = 0; i < 200 && slow.received().empty(); ++i) platform::sleep_ms(2);
  const double start = peer_clock_ms();
  next.start();
  const int handle = tamrOpenDevice(kDeviceType, "127.0.0.1", next.port());
  EXPECT_GE(peer_clock_ms() - start, kHeldMs * 0.8);
  EXPECT_EQ(handle, 1);
  opened_.push_back(handle);
  first.join();
  slow.finish();
  next.finish();
}

}  // namespace
}  // namespace relay_test
