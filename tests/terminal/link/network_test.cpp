#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <string>

#include "tests/terminal/link/terminal_script.h"
#include "vornc.h"

namespace {

using namespace terminal_script;
using test_support::concat;
using test_support::elapsed_ms;
using test_support::hex;
using test_support::peer_clock_ms;

constexpr std::size_t kNetworkFrom = 6;
constexpr std::size_t kNetworkBytes = 20;  // bytes 6..25 of the block

// The network bytes of the block the scripted terminals hold.
Bytes network_bytes_of(const Bytes& block) {
  return Bytes(block.begin() + kNetworkFrom, block.begin() + kNetworkFrom + kNetworkBytes);
}

// The network bytes of the slot's copy, as the getters give them.
Bytes network_bytes(int handle) {
  Bytes bytes;
  for (auto get : {vornGetIPaddress, vornGetIPGetway, vornGetMask}) {
    std::array<char, 16> text{};
    EXPECT_EQ(get(handle, text.data()), 0);
    unsigned a = 0, b = 0, c = 0, d = 0;
    EXPECT_EQ(std::sscanf(text.data(), "%u.%u.%u.%u", &a, &b, &c, &d), 4) << text.data();
    for (unsigned v : {a, b, c, d}) bytes.push_back(static_cast<std::uint8_t>(v));
  }
  auto push_port = [&](auto get) {
    std::uint16_t port = 0;
    EXPECT_EQ(get(handle, &port), 0);
    bytes.push_back(static_cast<std::uint8_t>(port & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(port >> 8));
  };
  push_port(vornGetPort);
  std::array<char, 16> text{};
  EXPECT_EQ(vornGetIPServerAddress(handle, text.data()), 0);
  unsigned a = 0, b = 0, c = 0, d = 0;
  EXPECT_EQ(std::sscanf(text.data(), "%u.%u.%u.%u", &a, &b, &c, &d), 4) << text.data();
  for (unsigned v : {a, b, c, d}) bytes.push_back(static_cast<std::uint8_t>(v));
  push_port(vornGetPortServer);
  return bytes;
}

// The yellow LED stays out of these conversations.
class Network : public TerminalTest {
 protected:
  void SetUp() override {
    TerminalTest::SetUp();
    vornDisableYellowLED();
  }
};

// A terminal of `type` whose configuration block has been read into its slot.
int open_with_configuration(DevicePeer& terminal, int type, const Bytes& block) {
  const int handle = open_scripted(terminal, type, [&](DevicePeer& t) {
    t.expect({'P', 'P', 0}).reply(block);
  });
  EXPECT_EQ(vornReadConfiguration(handle), 0);
  return handle;
}

using AddressSetter = int32_t (*)(int32_t, const char*);
using PortSetter = int32_t (*)(int32_t, int32_t);

TEST_F(Network, EditsOfTheLoadedBlock) {
  const Bytes block = parameter_block();
  const Bytes before = network_bytes_of(block);
  // The network bytes after one edit: `before` with `bytes` at block offset `at`.
  auto patched = [&](std::size_t at, const Bytes& bytes) {
    Bytes after = before;
    std::copy(bytes.begin(), bytes.end(), after.begin() + static_cast<long>(at - kNetworkFrom));
    return after;
  };
  const std::string longest(63, '.');
  const struct {
    const char* what;
    AddressSetter set_address;
    std::string text;
    PortSetter set_port;
    int port;
    int result;
    Bytes after;
  } table[] = {
      {"address", vornSetIPaddress, "10.0.0.7", nullptr, 0, 0, patched(6, {10, 0, 0, 7})},
      {"gateway", vornSetIPGetway, "192.168.1.254", nullptr, 0, 0,
       patched(10, {0xC0, 0xA8, 0x01, 0xFE})},
      {"three parts keep the fourth", vornSetMask, "255.255.255", nullptr, 0, 0,
       patched(14, {0xFF, 0xFF, 0xFF})},
      {"colons, low 8 bits", vornSetIPaddress, "192:168:1:300", nullptr, 0, 0,
       patched(6, {0xC0, 0xA8, 0x01, 0x2C})},
      {"runs and leading separators, a fifth part ignored", vornSetIPServerAddress,
       "..10..20.:30:40.50", nullptr, 0, 0, patched(20, {10, 20, 30, 40})},
      {"blanks, signs, trailing text", vornSetIPaddress, " 7. +8.-1.12abc", nullptr, 0, 0,
       patched(6, {7, 8, 0xFF, 12})},
      {"out of byte range", vornSetIPaddress, "256.257.-256.1000", nullptr, 0, 0,
       patched(6, {0, 1, 0, 0xE8})},
      {"no digits is 0", vornSetIPaddress, "x.5", nullptr, 0, 0, patched(6, {0, 5})},
      {"empty text", vornSetIPaddress, "", nullptr, 0, 0, before},
      {"separators only", vornSetIPaddress, ".:.", nullptr, 0, 0, before},
      {"63 characters fit", vornSetIPaddress, "1.2.3.4" + longest.substr(7), nullptr, 0, 0,
       patched(6, {1, 2, 3, 4})},
      {"64 characters are refused", vornSetIPaddress, "1.2.3.4" + longest.substr(6), nullptr, 0, -1,
       before},
      {"port", nullptr, "", vornSetPort, 5000, 0, patched(18, {0x88, 0x13})},
      {"server port, low 16 bits", nullptr, "", vornSetPortServer, 0x12345, 0,
       patched(24, {0x45, 0x23})},
      {"negative port", nullptr, "", vornSetPort, -1, 0, patched(18, {0xFF, 0xFF})},
  };
  for (const auto& row : table) {
    SCOPED_TRACE(row.what);
    DevicePeer terminal;
    const int handle = open_with_configuration(terminal, 121, block);
    ASSERT_EQ(network_bytes(handle), before);
    if (row.set_address != nullptr) {
      EXPECT_EQ(row.set_address(handle, row.text.c_str()), row.result);
    } else {
      EXPECT_EQ(row.set_port(handle, row.port), row.result);
    }
    EXPECT_EQ(hex(network_bytes(handle)), hex(row.after));
    terminal.finish();
    vornCloseDevice(handle);
  }
}

TEST_F(Network, GettersWriteDottedTextAndTheWriteSendsTheEdits) {
  const Bytes block = parameter_block();
  DevicePeer terminal;
  const int handle = open_scripted(terminal, 131, [&](DevicePeer& t) {
    t.expect({'P', 'P', 0}).reply(block);
    Bytes edited = block;
    for (std::size_t i = 6; i < 10; ++i) edited[i] = 0xFF;
    edited[18] = 0x88;
    edited[19] = 0x13;
    t.expect(concat({{'C'}, edited, {0}}));
  });
  ASSERT_EQ(vornReadConfiguration(handle), 0);
  ASSERT_EQ(vornSetIPaddress(handle, "255.255.255.255"), 0);
  ASSERT_EQ(vornSetPort(handle, 5000), 0);

  std::array<char, 20> text;
  text.fill('x');
  EXPECT_EQ(vornGetIPaddress(handle, text.data()), 0);
  EXPECT_STREQ(text.data(), "255.255.255.255");
  EXPECT_EQ(text[16], 'x') << "the text and its zero take 16 bytes";
  EXPECT_EQ(vornGetIPGetway(handle, text.data()), 0);
  EXPECT_STREQ(text.data(), "71.78.85.92") << "no leading zeros";
  std::uint16_t port = 0;
  EXPECT_EQ(vornGetPort(handle, &port), 0);
  EXPECT_EQ(port, 5000);

  EXPECT_EQ(vornWriteConfiguration(handle), 0);
  terminal.finish();
  // The write ended the loaded state.
  EXPECT_EQ(vornSetPort(handle, 1), -30);
}

// Every network operation with its buffer, for the cases where none is touched.
using NetworkCall = int32_t (*)(int, char*, std::uint16_t*);
constexpr NetworkCall kNetworkOperations[] = {
    [](int h, char*, std::uint16_t*) { return vornSetIPaddress(h, "1.2.3.4"); },
    [](int h, char*, std::uint16_t*) { return vornSetIPGetway(h, "1.2.3.4"); },
    [](int h, char*, std::uint16_t*) { return vornSetMask(h, "1.2.3.4"); },
    [](int h, char*, std::uint16_t*) { return vornSetIPServerAddress(h, "1.2.3.4"); },
    [](int h, char* text, std::uint16_t*) { return vornGetIPaddress(h, text); },
    [](int h, char* text, std::uint16_t*) { return vornGetIPGetway(h, text); },
    [](int h, char* text, std::uint16_t*) { return vornGetMask(h, text); },
    [](int h, char* text, std::uint16_t*) { return vornGetIPServerAddress(h, text); },
    [](int h, char*, std::uint16_t*) { return vornSetPort(h, 1); },
    [](int h, char*, std::uint16_t*) { return vornSetPortServer(h, 1); },
    [](int h, char*, std::uint16_t* port) { return vornGetPort(h, port); },
    [](int h, char*, std::uint16_t* port) { return vornGetPortServer(h, port); },
};

TEST_F(Network, WithoutALoadedBlockOrOnOtherModelsNothingIsTouched) {
  const struct {
    int type;
    bool read_first;
    int result;
  } table[] = {
      {120, false, -30}, {121, false, -30}, {122, false, -30}, {131, false, -30}, {130, true, 0},
      {220, true, 0},    {320, false, 0},   {321, true, 0},    {1000, false, -3}, {77, false, -3},
  };
  for (const auto& row : table) {
    SCOPED_TRACE("type " + std::to_string(row.type));
    DevicePeer terminal;
    const int handle = open_scripted(terminal, row.type, [](DevicePeer&) {});
    const std::size_t at_open_end = terminal.received().size();
    // Models without a configuration copy answer the read with 0 and send nothing.
    if (row.read_first) {
      ASSERT_EQ(vornReadConfiguration(handle), 0);
    }
    for (std::size_t which = 0; which < std::size(kNetworkOperations); ++which) {
      std::array<char, 16> text;
      text.fill('x');
      std::uint16_t port = 0xBEEF;
      EXPECT_EQ(kNetworkOperations[which](handle, text.data(), &port), row.result)
          << "operation " << which;
      EXPECT_EQ(std::string(text.begin(), text.end()), std::string(16, 'x'));
      EXPECT_EQ(port, 0xBEEF);
    }
    terminal.finish();
    EXPECT_EQ(terminal.received().size(), at_open_end) << "nothing beyond the open's own read";
    vornCloseDevice(handle);
  }
}

TEST_F(Network, NullBuffersAreRefused) {
  DevicePeer terminal;
  const int handle = open_with_configuration(terminal, 121, parameter_block());
  EXPECT_EQ(vornSetIPaddress(handle, nullptr), -1);
  EXPECT_EQ(vornSetIPServerAddress(handle, nullptr), -1);
  EXPECT_EQ(vornGetMask(handle, nullptr), -1);
  EXPECT_EQ(vornGetPortServer(handle, nullptr), -1);
  EXPECT_EQ(network_bytes(handle), network_bytes_of(parameter_block()));
  terminal.finish();
}

// ---- Activity watchdog ----

using Watchdog = Network;

TEST_F(Watchdog, ArmAndResetSendTheirCommandAndPause) {
  const struct {
    const char* what;
    int (*call)(int);
    Bytes request;
  } table[] = {
      {"arm", [](int h) { return vornSetActivityWatchdog(h, 0x137); }, {'Y', 1, 0x37}},
      {"reset", vornResetActivityWatchdog, {'Y', 0, 0}},
  };
  for (const auto& row : table) {
    SCOPED_TRACE(row.what);
    DevicePeer terminal;
    const int handle = open_scripted(terminal, 121, [&](DevicePeer& t) { t.expect(row.request); });
    const double waited = elapsed_ms([&] { EXPECT_EQ(row.call(handle), 0); });
    EXPECT_GE(waited, 250);
    EXPECT_LT(waited, 600);
    terminal.finish();
    vornCloseDevice(handle);
  }
}

TEST_F(Watchdog, StatusIsTheFirstByteOfAWholeAnswer) {
  const struct {
    const char* what;
    Bytes answer;
    bool close;
    int result;
  } table[] = {
      {"whole answer", {0x05, 0x01}, false, 5},
      {"high status byte", {0xFE, 0x00}, false, 0xFE},
      {"one byte then closed", {0x05}, true, -1},
      {"closed", {}, true, -1},
  };
  for (const auto& row : table) {
    SCOPED_TRACE(row.what);
    DevicePeer terminal;
    expect_open_block_read(terminal, 121, parameter_block());
    terminal.expect({'Y', '?', 0});
    if (!row.answer.empty()) terminal.reply(row.answer);
    if (row.close) {
      terminal.close();
    } else {
      terminal.stay_silent();
    }
    terminal.start();
    const int handle = open_on_socket(terminal, 121);
    EXPECT_EQ(vornGetStatusActivityWatchdog(handle), row.result);
    terminal.finish();
    vornCloseDevice(handle);
  }
}

TEST_F(Watchdog, SilentTerminalGivesNoReplyAfterTheLimit) {
  DevicePeer terminal;
  const int handle = open_scripted(terminal, 121, [](DevicePeer& t) { t.expect({'Y', '?', 0}); });
  const double waited = elapsed_ms([&] { EXPECT_EQ(vornGetStatusActivityWatchdog(handle), -1); });
  EXPECT_GE(waited, 2000);
  EXPECT_LT(waited, 2500);
  terminal.finish();
}

TEST_F(Watchdog, OtherModelsSendNothing) {
  const struct {
    int type;
    int result;
  } table[] = {{120, -4}, {122, -4}, {130, -4},  {131, -4}, {220, -4},
               {320, -4}, {321, -4}, {1000, -3}, {5, -3}};
  for (const auto& row : table) {
    SCOPED_TRACE("type " + std::to_string(row.type));
    DevicePeer terminal;
    const int handle = open_scripted(terminal, row.type, [](DevicePeer&) {});
    const std::size_t at_open_end = terminal.received().size();
    EXPECT_EQ(vornSetActivityWatchdog(handle, 1), row.result);
    EXPECT_EQ(vornResetActivityWatchdog(handle), row.result);
    EXPECT_EQ(vornGetStatusActivityWatchdog(handle), row.result);
    terminal.finish();
    EXPECT_EQ(terminal.received().size(), at_open_end) << "nothing sent";
    vornCloseDevice(handle);
  }
}

TEST_F(Watchdog, DroppedConnectionFailsToSend) {
  DevicePeer terminal;
  terminal.close();
  terminal.start();
  const int handle = open_on_socket(terminal, 121);
  terminal.finish();
  int result = 0;
  for (int i = 0; i < 20 && result == 0; ++i) result = vornSetActivityWatchdog(handle, 1);
  EXPECT_EQ(result, -2);
}

}  // namespace
