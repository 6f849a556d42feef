#include <gtest/gtest.h>

#include <array>
#include <string>

#include "tests/terminal/link/terminal_script.h"
#include "vornc.h"

namespace {

using namespace terminal_script;
using test_support::concat;
using test_support::elapsed_ms;
using test_support::hex;
using test_support::peer_clock_ms;

// A terminal of `type` opened on a socket, its open conversation already scripted.
class Identity : public TerminalTest {
 protected:
  void SetUp() override {
    TerminalTest::SetUp();
    vornDisableYellowLED();
  }
  int open(int type) {
    terminal_.stay_silent();
    terminal_.start();
    return open_on_socket(terminal_, type);
  }
  DevicePeer& script(int type) {
    expect_open_block_read(terminal_, type, parameter_block());
    return terminal_;
  }
  DevicePeer terminal_;
};

const Bytes kVersion = {'3', '.', '1', '2', 'a', 'b', 'c', 'd'};

TEST_F(Identity, VersionOfEachFamily) {
  const struct {
    int type;
    Bytes request;
    Bytes reply;
  } table[] = {
      {120, {'V', 'V', 0}, kVersion},
      {220, {'V', 'V', 0}, kVersion},
      {122, crc_frame('V'), reply_frame('V', kVersion)},
      {321, {'V'}, concat({kVersion, Bytes(120, 0x44)})},
  };
  for (const auto& row : table) {
    SCOPED_TRACE("type " + std::to_string(row.type));
    DevicePeer terminal;
    const int handle = open_scripted(
        terminal, row.type, [&](DevicePeer& t) { t.expect(row.request).reply(row.reply); });
    std::array<unsigned char, 8> version{};
    EXPECT_EQ(vornGetVersion(handle, version.data()), 0);
    EXPECT_EQ(Bytes(version.begin(), version.end()), kVersion);
    terminal.finish();
  }
}

TEST_F(Identity, Series120VersionFromASilentTerminalIsZerosAfterTheWait) {
  script(120);
  const int handle = open(120);
  std::array<unsigned char, 8> version;
  version.fill(0xEE);
  const double waited = elapsed_ms([&] { EXPECT_EQ(vornGetVersion(handle, version.data()), 0); });
  EXPECT_EQ(hex(Bytes(version.begin(), version.end())), "00 00 00 00 00 00 00 00");
  EXPECT_GE(waited, 200 + 3000);
  EXPECT_LT(waited, 200 + 3000 + 400);
}

TEST_F(Identity, ParameterBlockReadOfEachFamily) {
  const Bytes block = parameter_block(0x11);
  const struct {
    int type;
    Bytes request;
    Bytes reply;
  } table[] = {
      {121, {'P', 'P', 0}, block},
      {320, {'P', 'P', 0}, block},
      {122, crc_frame('P'), reply_frame('P', block)},
      {321, {'<'}, block},
  };
  for (const auto& row : table) {
    SCOPED_TRACE("type " + std::to_string(row.type));
    DevicePeer terminal;
    const int handle = open_scripted(
        terminal, row.type, [&](DevicePeer& t) { t.expect(row.request).reply(row.reply); });
    Bytes params(128, 0);
    EXPECT_EQ(vornGetParam(handle, params.data()), 0);
    EXPECT_EQ(params, block);
    terminal.finish();
  }
}

TEST_F(Identity, Type321BlockCutShortFailsAndTheRestWaitsForTheNextExchange) {
  terminal_.expect({'<'}).reply_split({Bytes(100, 0x21), Bytes(28, 0x22)}, 150).expect({'<'});
  const int handle = open(321);
  Bytes params(128, 0);
  EXPECT_EQ(vornGetParam(handle, params.data()), -1);
  usleep(300000);
  // The next read takes the 28 stragglers as its reply: still the wrong length.
  EXPECT_EQ(vornGetParam(handle, params.data()), -1);
  EXPECT_EQ(params[0], 0x22);
  terminal_.finish();
}

TEST_F(Identity, Type122SilentTerminalTimesOutWithMinus20) {
  script(122);
  const int handle = open(122);
  Bytes params(128, 0x5C);
  const double waited = elapsed_ms([&] { EXPECT_EQ(vornGetParam(handle, params.data()), -20); });
  EXPECT_EQ(params, Bytes(128, 0x5C)) << "untouched";
  EXPECT_GE(waited, 2000);
  EXPECT_LT(waited, 2400);
}

TEST_F(Identity, ParameterBlockWriteOfEachFamily) {
  const Bytes block = parameter_block(0x33);
  const struct {
    int type;
    Bytes request;
    Bytes reply;
    double min_ms, max_ms;
  } table[] = {
      {131, concat({{'C'}, block, {0}}), {}, 900, 1200},
      {122, crc_frame('C', block), reply_frame('C'), 0, 300},
      {321, concat({{'>'}, block}), {}, 50, 300},
  };
  for (const auto& row : table) {
    SCOPED_TRACE("type " + std::to_string(row.type));
    DevicePeer terminal;
    const int handle = open_scripted(terminal, row.type, [&](DevicePeer& t) {
      t.expect(row.request);
      if (!row.reply.empty()) t.reply(row.reply);
    });
    const std::size_t at_open_end = terminal.received().size();
    const double start = peer_clock_ms();
    EXPECT_EQ(vornSetParam(handle, block.data()), 0);
    const double waited = peer_clock_ms() - start;
    EXPECT_GE(waited, row.min_ms);
    EXPECT_LT(waited, row.max_ms);
    terminal.finish();
    if (row.type == 131) {
      // Sent after the 200 ms the terminal needs between commands.
      EXPECT_TRUE(test_support::shows_pause(terminal.arrival_ms(at_open_end) - start, 200));
    }
  }
}

TEST_F(Identity, ConfigurationCopyIsReadOnceAndWrittenOnce) {
  const Bytes block = parameter_block(0x44);
  script(122).expect({'P', 'P', 0}).reply(block).expect(concat({{'C'}, block, {0}}));
  const int handle = open(122);
  EXPECT_EQ(vornWriteConfiguration(handle), -30) << "nothing read yet";
  EXPECT_EQ(vornReadConfiguration(handle), 0);
  EXPECT_EQ(vornWriteConfiguration(handle), 0);
  EXPECT_EQ(vornWriteConfiguration(handle), -30) << "a second write needs a new read";
  terminal_.finish();
  const Bytes at_open = concat({crc_frame('P')});
  EXPECT_EQ(terminal_.received(), concat({at_open, {'P', 'P', 0}, {'C'}, block, {0}}));
}

TEST_F(Identity, Type220KeepsNoConfigurationCopy) {
  script(220);
  const int handle = open(220);
  EXPECT_EQ(vornReadConfiguration(handle), 0);
  EXPECT_EQ(vornWriteConfiguration(handle), 0);
  terminal_.finish();
  EXPECT_EQ(terminal_.received(), (Bytes{'P', 'P', 0})) << "only the read at open";
}

TEST_F(Identity, RebootOfEachFamily) {
  const struct {
    int type;
    Bytes request;
    double min_ms, max_ms;
  } table[] = {
      {120, {'R', '*'}, 600, 900},
      {122, crc_frame('R', {'*'}), 400, 700},
      {321, {'*', '*'}, 100, 350},
      {130, {}, 0, 100},
  };
  for (const auto& row : table) {
    SCOPED_TRACE("type " + std::to_string(row.type));
    DevicePeer terminal;
    const int handle = open_scripted(terminal, row.type, [&](DevicePeer& t) {
      if (!row.request.empty()) t.expect(row.request);
    });
    const std::size_t said = terminal.received().size();
    const double waited = elapsed_ms([&] { EXPECT_EQ(vornReboot(handle), 0); });
    EXPECT_GE(waited, row.min_ms);
    EXPECT_LT(waited, row.max_ms);
    terminal.finish();
    EXPECT_EQ(terminal.received().size(), said + row.request.size());
  }
}

TEST_F(Identity, NullBuffersAreRefusedBeforeSending) {
  script(321);
  const int handle = open(321);
  EXPECT_EQ(vornGetVersion(handle, nullptr), -1);
  EXPECT_EQ(vornGetParam(handle, nullptr), -1);
  EXPECT_EQ(vornSetParam(handle, nullptr), -1);
  terminal_.finish();
  EXPECT_TRUE(terminal_.received().empty());
}

}  // namespace
