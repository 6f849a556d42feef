// The data-flash and register commands, and the read-back of a type 321 update, hold
// the library lock until their reply is in: an open in another process waits for them.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/support/loopback.h"
#include "tests/terminal/firmware/flash_script.h"
#include "vornc.h"

namespace {

using namespace terminal_script;
using namespace flash_script;
using test_support::peer_clock_ms;
using DataFlashLock = TerminalTest;

// How long the terminal keeps the child's command waiting, lock held.
constexpr int kHoldMs = 400;

struct LockedRow {
  std::string name;
  std::function<void(int handle)> call;
  Bytes before;  // what the terminal takes and answers at once before the locked command
  Bytes locked_request;
  Bytes reply;
};

const std::vector<LockedRow>& locked_rows() {
  static const Bytes kImage = {0x42};
  static const std::vector<LockedRow> rows = {
      {"status",
       [](int h) {
         unsigned char s = 0;
         vorn_DF_ReadStatusM3(h, &s);
       },
       {},
       {'$', 'C', 0},
       {'$', 'C', 0}},
      {"power of two",
       [](int h) {
         unsigned char s = 0;
         vorn_DF_SetPowerOf2M3(h, &s);
       },
       {},
       {'$', '2', 0},
       {'$', '2', 0}},
      {"registers", [](int h) { vornSetRegParamVORN321(h, 1, 2, 3); }, {}, {'N', 0, 2, 1, 3}, {1}},
      {"registers to flash",
       [](int h) { vornSetRegParamToFlashVORN321(h, 1, 2, 3); },
       {},
       {'N', 'W', 2, 1, 3},
       {1}},
      {"update read-back", [](int h) { vornUpdateFirmwareM3(h, kImage.data(), 1); },
       concat({flash_write(256, kImage), flash_write(0, le32(1))}), flash_read(256, 1), kImage},
  };
  return rows;
}

TEST_F(DataFlashLock, AnotherProcessesOpenWaitsForTheReply) {
  for (const auto& row : locked_rows()) {
    SCOPED_TRACE(row.name);
    DevicePeer terminal;
    if (!row.before.empty()) {
      terminal.expect(flash_write(256, {0x42})).reply(kWriteAcknowledged);
      terminal.expect(flash_write(0, le32(1))).reply(kWriteAcknowledged);
    }
    terminal.expect(row.locked_request).pause(kHoldMs).reply(row.reply).stay_silent();
    terminal.start();

    const pid_t child = ::fork();
    if (child == 0) {
      vornSetOpenTimeout(0);
      vornDisableYellowLED();
      row.call(vornOpenDeviceBySocket(321, terminal.connect_client_socket()));
      _exit(0);
    }
    const std::size_t locked_end = row.before.size() + row.locked_request.size();
    for (int i = 0; i < 2000 && terminal.received().size() < locked_end; ++i) usleep(1000);
    ASSERT_EQ(terminal.received().size(), locked_end);
    const double request_at = terminal.arrival_ms(locked_end - 1);

    test_support::Listener listener;
    const int handle = vornOpenDevice(1000, "127.0.0.1", listener.port());
    EXPECT_GE(handle, 0);
    // The reply leaves the terminal kHoldMs after the request; the open came after it.
    EXPECT_GE(peer_clock_ms() - request_at, kHoldMs);
    vornCloseDevice(handle);
    ::waitpid(child, nullptr, 0);
    terminal.finish();
  }
}

}  // namespace
