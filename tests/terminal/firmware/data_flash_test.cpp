// The type 321's data-flash status and sensor-register commands.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/terminal/link/terminal_script.h"
#include "vornc.h"

namespace {

using namespace terminal_script;
using DataFlashRequests = TerminalTest;

constexpr unsigned char kCallersByte = 0xEE;

struct RequestRow {
  std::string name;
  std::function<int(int handle, unsigned char* status)> call;
  Bytes sent;
  Bytes reply;  // empty: the terminal closes the connection instead
  int result;
  unsigned char status_after;
};

const std::vector<RequestRow>& request_rows() {
  static const std::vector<RequestRow> rows = {
      {"status", vorn_DF_ReadStatusM3, {'$', 'C', 0}, {'$', 'C', 0x9C}, 0, 0x9C},
      {"power of two", vorn_DF_SetPowerOf2M3, {'$', '2', 0}, {'$', '2', 0xBD}, 0, 0xBD},
      // Only a whole reply gives a status; the caller's byte stays as it was.
      {"status, 2-byte reply", vorn_DF_ReadStatusM3, {'$', 'C', 0}, {'$', 'C'}, -1, kCallersByte},
      {"power of two, connection closed",
       vorn_DF_SetPowerOf2M3,
       {'$', '2', 0},
       {},
       -1,
       kCallersByte},
      // The second value goes first on the wire.
      {"registers",
       [](int h, unsigned char*) { return vornSetRegParamVORN321(h, 1, 2, 3); },
       {'N', 0, 2, 1, 3},
       {0x01},
       0,
       kCallersByte},
      {"registers to flash, low bytes",
       [](int h, unsigned char*) { return vornSetRegParamToFlashVORN321(h, 300, 0, -1); },
       {'N', 'W', 0, 44, 0xFF},
       {0x01},
       0,
       kCallersByte},
      {"registers to flash, connection closed",
       [](int h, unsigned char*) { return vornSetRegParamToFlashVORN321(h, 1, 2, 3); },
       {'N', 'W', 2, 1, 3},
       {},
       -1,
       kCallersByte},
  };
  return rows;
}

TEST_F(DataFlashRequests, BytesRepliesAndStatus) {
  vornDisableYellowLED();
  for (const auto& row : request_rows()) {
    SCOPED_TRACE(row.name);
    DevicePeer terminal;
    const int handle = open_scripted(terminal, 321, [&](DevicePeer& t) {
      t.expect(row.sent);
      if (row.reply.empty()) {
        t.close();
      } else {
        t.reply(row.reply);
      }
    });
    ASSERT_GE(handle, 0);
    unsigned char status = kCallersByte;
    EXPECT_EQ(row.call(handle, &status), row.result);
    EXPECT_EQ(status, row.status_after);
    terminal.finish();
    EXPECT_EQ(terminal.received(), row.sent);
    vornCloseDevice(handle);
  }
}

// The commands do not look at the type: any slot sends them.
TEST_F(DataFlashRequests, SentWhateverTheDeviceType) {
  DevicePeer terminal;
  terminal.expect({'$', 'C', 0}).reply({'$', 'C', 0x11}).stay_silent();
  terminal.start();
  const int handle = open_on_socket(terminal, 1000);
  unsigned char status = 0;
  EXPECT_EQ(vorn_DF_ReadStatusM3(handle, &status), 0);
  EXPECT_EQ(status, 0x11);
  terminal.finish();
}

TEST_F(DataFlashRequests, NullStatusIsRefusedBeforeSending) {
  DevicePeer terminal;
  const int handle = open_scripted(terminal, 321, [](DevicePeer&) {});
  EXPECT_EQ(vorn_DF_ReadStatusM3(handle, nullptr), -1);
  EXPECT_EQ(vorn_DF_SetPowerOf2M3(handle, nullptr), -1);
  terminal.finish();
  EXPECT_TRUE(terminal.received().empty());
}

}  // namespace
