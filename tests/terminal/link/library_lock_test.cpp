// The opens of every process on the machine share one lock, so two never pick the same
// slot of a shared terminal. A process that dies holding it must not stall the others.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/terminal/link/terminal_script.h"
#include "vornc.h"

namespace {

using namespace terminal_script;
using test_support::peer_clock_ms;

// Forks a child that opens a series-120 terminal on a socket: the open reads the block
// under the lock, and the silent terminal keeps it there for the 3000 ms of the read.
pid_t child_holding_the_lock(DevicePeer& silent_terminal) {
  const pid_t child = ::fork();
  if (child == 0) {
    const int s = silent_terminal.connect_client_socket();
    vornOpenDeviceBySocket(120, s);
    _exit(0);
  }
  // The block request proves the child is inside the lock.
  for (int i = 0; i < 2000 && silent_terminal.received().size() < 3; ++i) usleep(1000);
  EXPECT_EQ(silent_terminal.received(), (Bytes{'P', 'P', 0}));
  return child;
}

TEST(LibraryLock, AnOpenWaitsForAnotherProcessesOpen) {
  DevicePeer silent;
  silent.stay_silent();
  silent.start();
  const pid_t child = child_holding_the_lock(silent);
  test_support::Listener listener;
  vornSetOpenTimeout(0);
  const double start = peer_clock_ms();
  EXPECT_GE(vornOpenDevice(1000, "127.0.0.1", listener.port()), 0);
  EXPECT_GE(peer_clock_ms() - start, 2500);
  ::waitpid(child, nullptr, 0);
}

TEST(LibraryLock, AHolderKilledWithSigkillReleasesIt) {
  DevicePeer silent;
  silent.stay_silent();
  silent.start();
  const pid_t child = child_holding_the_lock(silent);
  const double start = peer_clock_ms();
  ::kill(child, SIGKILL);
  ::waitpid(child, nullptr, 0);
  test_support::Listener listener;
  vornSetOpenTimeout(0);
  EXPECT_GE(vornOpenDevice(1000, "127.0.0.1", listener.port()), 0);
  EXPECT_LT(peer_clock_ms() - start, 1500);
}

}  // namespace
