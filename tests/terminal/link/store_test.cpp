#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tests/terminal/link/terminal_script.h"
#include "vornc.h"

namespace {

using namespace terminal_script;
using Store = TerminalTest;
using test_support::concat;
using test_support::elapsed_ms;
using test_support::peer_clock_ms;
using test_support::text;

// The store works alike on every model; type 321 says nothing at open.
constexpr int kType = 321;
constexpr std::size_t kBlock = 1024;

Bytes packet(std::uint8_t command, std::uint8_t value = 0) {
  return concat({{'#', command, value}, Bytes(61, 0)});
}

Bytes pattern(std::size_t n, std::uint8_t seed) {
  Bytes b(n);
  for (std::size_t i = 0; i < n; ++i) b[i] = static_cast<std::uint8_t>(i * 13 + seed);
  return b;
}

Bytes slice(const Bytes& b, std::size_t from, std::size_t count) {
  return {b.begin() + static_cast<std::ptrdiff_t>(from),
          b.begin() + static_cast<std::ptrdiff_t>(from + count)};
}

template <typename Conversation>
int open_store(DevicePeer& terminal, Conversation conversation) {
  return open_scripted(terminal, kType, conversation);
}

TEST_F(Store, CommandPacketCarriesItsArgumentOnlyForSubCommandsOneAndThree) {
  struct Row {
    int command;
    int value;
    Bytes sent;
  };
  const std::vector<Row> rows = {
      {2, 9, packet(2)}, {3, 9, packet(3, 9)}, {1, 7, packet(1, 7)}, {4, 9, packet(4)}};
  DevicePeer terminal;
  const int handle = open_store(terminal, [&](DevicePeer& t) {
    for (const auto& row : rows) t.expect(row.sent);
  });
  for (const auto& row : rows) {
    const double took =
        elapsed_ms([&] { EXPECT_EQ(vornSendCommand(handle, row.command, row.value), 0); });
    EXPECT_GE(took, 300) << "sub-command " << row.command;
  }
  terminal.finish();
}

TEST_F(Store, TemplateWriteSendsZeroFilledBlocksBetweenBeginAndEnd) {
  const Bytes tpl = pattern(1500, 3);
  DevicePeer terminal;
  const int handle = open_store(terminal, [&](DevicePeer& t) {
    t.expect(packet(0))
        .expect(concat({{'#', 1}, slice(tpl, 0, kBlock), {0}}))
        .reply(Bytes(kBlock, 0x11))
        .expect(concat({{'#', 1}, slice(tpl, kBlock, 476), Bytes(548, 0), {0}}))
        .reply(Bytes(kBlock, 0x22))
        .expect(packet(2));
  });
  const double took =
      elapsed_ms([&] { EXPECT_EQ(vornWriteTemplateToNESK(handle, tpl.data(), 1500), 0); });
  EXPECT_GE(took, 600) << "a pause behind each command packet";
  terminal.finish();
}

TEST_F(Store, TemplateWriteStopsAtABlockAnsweredShortAndReturnsItsCount) {
  const Bytes tpl = pattern(2048, 5);
  DevicePeer terminal;
  const int handle = open_store(terminal, [&](DevicePeer& t) {
    t.expect(packet(0))
        .expect(concat({{'#', 1}, slice(tpl, 0, kBlock), {0}}))
        .reply(Bytes(kBlock, 0x11))
        .expect(concat({{'#', 1}, slice(tpl, kBlock, kBlock), {0}}))
        .reply(Bytes(10, 0x22));
  });
  EXPECT_EQ(vornWriteTemplateToNESK(handle, tpl.data(), 2048), 10);
  terminal.finish();
  usleep(50000);
  EXPECT_EQ(terminal.received().size(), 64u + 2 * 1027u) << "no end command";
}

TEST_F(Store, TemplateWriteOfNoBytesIsBeginAndEndOnly) {
  DevicePeer terminal;
  const int handle =
      open_store(terminal, [](DevicePeer& t) { t.expect(packet(0)).expect(packet(2)); });
  const unsigned char none[1] = {0};
  EXPECT_EQ(vornWriteTemplateToNESK(handle, none, 0), 0);
  terminal.finish();
  EXPECT_EQ(terminal.received().size(), 128u);
}

TEST_F(Store, TemplateReadFillsTheCallersBytesAndNotOneMore) {
  vornDisableYellowLED();  // each row closes its handle quietly
  struct Row {
    bool in_memory;
    int size;
  };
  for (const Row row : {Row{false, 2048}, Row{true, 1500}, Row{false, 1024}}) {
    SCOPED_TRACE(std::to_string(row.size) + (row.in_memory ? " from memory" : " stored"));
    const Bytes first = pattern(kBlock, 7);
    const Bytes second = pattern(kBlock, 9);
    const std::size_t blocks = (static_cast<std::size_t>(row.size) + kBlock - 1) / kBlock;
    DevicePeer terminal;
    const int handle = open_store(terminal, [&](DevicePeer& t) {
      t.expect(packet(0)).expect(packet(row.in_memory ? 5 : 4)).expect({'G', 'G', 0});
      t.expect({'T', 'T', 0}).reply(first);
      if (blocks == 2) t.expect({'T', 'T', 0}).reply(second);
    });
    // A guard zone behind the caller's bytes must come back untouched.
    Bytes buffer(static_cast<std::size_t>(row.size) + kBlock, 0xEE);
    const double start = peer_clock_ms();
    const int result = row.in_memory
                           ? vornReadTemplateFromMemoryNESK(handle, buffer.data(), row.size)
                           : vornReadTemplateFromNESK(handle, buffer.data(), row.size);
    EXPECT_EQ(result, 0);
    terminal.finish();
    const Bytes expected = slice(concat({first, second}), 0, static_cast<std::size_t>(row.size));
    EXPECT_EQ(slice(buffer, 0, expected.size()), expected);
    EXPECT_EQ(slice(buffer, expected.size(), kBlock), Bytes(kBlock, 0xEE));
    EXPECT_GE(terminal.arrival_ms(128 + 3) - start, 700) << "pauses before the first block";
    vornCloseDevice(handle);
  }
}

TEST_F(Store, TemplateReadFromASilentTerminalTimesOutAtTheFirstBlock) {
  DevicePeer terminal;
  const int handle = open_store(terminal, [](DevicePeer& t) {
    t.expect(packet(0)).expect(packet(4)).expect({'G', 'G', 0}).expect({'T', 'T', 0});
  });
  Bytes buffer(2048, 0xEE);
  const double start = peer_clock_ms();
  EXPECT_EQ(vornReadTemplateFromNESK(handle, buffer.data(), 2048), -20);
  const double end = peer_clock_ms();
  terminal.finish();
  usleep(50000);
  EXPECT_EQ(terminal.received().size(), 128u + 6u) << "the second block is not asked for";
  EXPECT_GE(end - terminal.arrival_ms(128 + 3), 990);
  EXPECT_LT(end - start, 700 + 1000 + 400);
}

TEST_F(Store, UserRecordsCarryFifteenByteNameFields) {
  const std::string twenty = "ABCDEFGHIJKLMNOPQRST";
  DevicePeer terminal;
  const int handle = open_store(terminal, [&](DevicePeer& t) {
    t.expect(concat({{'$', 5, 7}, text(twenty.substr(0, 15)), text("Bob"), Bytes(12, 0)}))
        .reply({0x01, 0x02, 0x09, 0x04})
        .expect(concat({{'$', 6, 9}, text("exactly15chars!"), Bytes(15, 0)}))
        .reply({0, 0, 9, 0})
        .expect(concat({{'$', 5, 3}, Bytes(30, 0)}))
        .reply({0, 0, 3});
  });
  unsigned char number = 7;
  EXPECT_EQ(vornCreateUserInNESK(handle, &number, twenty.c_str(), "Bob"), 0);
  EXPECT_EQ(number, 9) << "the number the terminal assigned";
  EXPECT_EQ(vornModifyUserInNESK(handle, &number, "exactly15chars!", ""), 0);
  number = 3;
  EXPECT_EQ(vornCreateUserInNESK(handle, &number, "", ""), -1) << "a three-byte answer";
  EXPECT_EQ(number, 3);
  terminal.finish();
}

TEST_F(Store, StoreCommandsWithAnAnswer) {
  struct Row {
    const char* name;
    std::function<int(int)> call;
    Bytes sent;
    Bytes answer;
    int result;
  };
  const std::vector<Row> rows = {
      {"load", vornLoadDataFromFlashInNESK, {'$', 0}, Bytes(4, 1), 0},
      {"load short", vornLoadDataFromFlashInNESK, {'$', 0}, Bytes(3, 1), -1},
      {"save", vornSaveDataToFlashInNESK, {'$', 4}, Bytes(2, 1), 0},
      {"save short", vornSaveDataToFlashInNESK, {'$', 4}, Bytes(1, 1), -1},
      {"delete user",
       [](int h) { return vornDeleteUserInNESK(h, 0x1FE); },
       {'$', 7, 0xFE},
       Bytes(4, 1),
       0},
      {"delete templates",
       [](int h) { return vornDeleteTemplatesOfUserInNESK(h, 12); },
       {'$', 8, 12},
       Bytes(4, 1),
       0},
      {"create template", [](int h) { return vornCreateTemplateInNESK(h, 5); }, {'$', 1, 5}, {}, 1},
      {"stop creating", vornStopCreateTemplateInNESK, {'$', 3}, {}, 1},
  };
  DevicePeer terminal;
  const int handle = open_store(terminal, [&](DevicePeer& t) {
    for (const auto& row : rows) {
      t.expect(row.sent);
      if (!row.answer.empty()) t.reply(row.answer);
    }
  });
  for (const auto& row : rows) {
    EXPECT_EQ(row.call(handle), row.result) << row.name;
    // Lets a short answer's straggling bytes arrive apart from the next answer.
    usleep(20000);
  }
  terminal.finish();
}

TEST_F(Store, TemplateDeleteIsCommandThreeWithArgumentZero) {
  DevicePeer terminal;
  const int handle = open_store(terminal, [](DevicePeer& t) { t.expect(packet(3, 0)); });
  EXPECT_EQ(vornDeleteTemplateInNESK(handle), 0);
  terminal.finish();
}

TEST_F(Store, RecognitionResultIsOneOnSuccess) {
  const Bytes result = pattern(128, 1);
  DevicePeer terminal;
  const int handle = open_store(terminal, [&](DevicePeer& t) {
    t.expect({'H'}).reply(result).expect({'H'}).reply(Bytes(100, 0x33));
  });
  Bytes buffer(128, 0);
  EXPECT_EQ(vornGetRecognitionID(handle, buffer.data()), 1);
  EXPECT_EQ(buffer, result);
  EXPECT_EQ(vornGetRecognitionID(handle, buffer.data()), -1) << "a short result";
  terminal.finish();
}

TEST_F(Store, FpCodeHalvesAreCopiedOnlyWhenWhole) {
  const Bytes first = pattern(1024, 2);
  DevicePeer terminal;
  const int handle = open_store(terminal, [&](DevicePeer& t) {
    t.expect({'H', '1'})
        .reply(concat({{0xA1, 0xA2}, first}))
        .expect({'H', '2'})
        .reply(Bytes(500, 0x44));
  });
  Bytes code(2048, 0xEE);
  EXPECT_EQ(vornGetFPCode(handle, code.data()), 0);
  EXPECT_EQ(slice(code, 0, 1024), first);
  EXPECT_EQ(slice(code, 1024, 1024), Bytes(1024, 0xEE)) << "the short half leaves it be";
  terminal.finish();
}

TEST_F(Store, NullBuffersAndNegativeSizesAreRefusedBeforeSending) {
  DevicePeer terminal;
  const int handle = open_store(terminal, [](DevicePeer&) {});
  unsigned char buffer[2048] = {};
  unsigned char number = 1;
  const std::vector<std::function<int()>> calls = {
      [&] { return vornWriteTemplateToNESK(handle, nullptr, 10); },
      [&] { return vornWriteTemplateToNESK(handle, buffer, -1); },
      [&] { return vornReadTemplateFromNESK(handle, nullptr, 10); },
      [&] { return vornReadTemplateFromNESK(handle, buffer, -5); },
      [&] { return vornReadTemplateFromMemoryNESK(handle, nullptr, 10); },
      [&] { return vornReadTemplateFromMemoryNESK(handle, buffer, -1024); },
      [&] { return vornCreateUserInNESK(handle, nullptr, "a", "b"); },
      [&] { return vornCreateUserInNESK(handle, &number, nullptr, "b"); },
      [&] { return vornModifyUserInNESK(handle, &number, "a", nullptr); },
      [&] { return vornGetRecognitionID(handle, nullptr); },
      [&] { return vornGetFPCode(handle, nullptr); },
  };
  for (std::size_t i = 0; i < calls.size(); ++i) EXPECT_EQ(calls[i](), -1) << "call " << i;
  usleep(50000);
  EXPECT_TRUE(terminal.received().empty());
  terminal.finish();
}

TEST_F(Store, EveryOperationOnADroppedConnectionFailsToSend) {
  DevicePeer terminal;
  terminal.close();
  terminal.start();
  const int handle = open_on_socket(terminal, kType);
  terminal.finish();
  int result = 0;
  for (int i = 0; i < 50 && result != -2; ++i) {
    result = vornStopCreateTemplateInNESK(handle);
    usleep(2000);
  }
  ASSERT_EQ(result, -2);
  unsigned char buffer[2048] = {};
  unsigned char number = 1;
  const std::vector<std::function<int()>> calls = {
      [&] { return vornSendCommand(handle, 1, 1); },
      [&] { return vornWriteTemplateToNESK(handle, buffer, 100); },
      [&] { return vornReadTemplateFromNESK(handle, buffer, 100); },
      [&] { return vornReadTemplateFromMemoryNESK(handle, buffer, 100); },
      [&] { return vornDeleteTemplateInNESK(handle); },
      [&] { return vornLoadDataFromFlashInNESK(handle); },
      [&] { return vornSaveDataToFlashInNESK(handle); },
      [&] { return vornCreateUserInNESK(handle, &number, "a", "b"); },
      [&] { return vornModifyUserInNESK(handle, &number, "a", "b"); },
      [&] { return vornDeleteUserInNESK(handle, 1); },
      [&] { return vornDeleteTemplatesOfUserInNESK(handle, 1); },
      [&] { return vornCreateTemplateInNESK(handle, 1); },
      [&] { return vornGetRecognitionID(handle, buffer); },
      [&] { return vornGetFPCode(handle, buffer); },
  };
  const double took = elapsed_ms([&] {
    for (std::size_t i = 0; i < calls.size(); ++i) EXPECT_EQ(calls[i](), -2) << "call " << i;
  });
  EXPECT_LT(took, 200) << "no pause after a failed send";
  EXPECT_EQ(vornGetRecognitionID(64, buffer), -2) << "a handle outside the table";
}

}  // namespace
