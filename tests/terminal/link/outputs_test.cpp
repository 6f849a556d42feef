#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "tests/terminal/link/terminal_script.h"
#include "vornc.h"

namespace {

using namespace terminal_script;
using LedCodes = TerminalTest;
using Outputs = TerminalTest;
using SocketOperations = TerminalTest;
using test_support::concat;
using test_support::elapsed_ms;
using test_support::hex;
using test_support::peer_clock_ms;
using test_support::shows_pause;

enum class Led { On, Off, Timer };

struct LedRow {
  Led op;
  int code;
  Bytes sent;
};

// Runs every row against one terminal of `type` and checks the bytes of each command.
// Type 321 acknowledges each command with one byte, type 122 with an empty frame.
void check_led_translations(int type, const std::vector<LedRow>& rows) {
  DevicePeer terminal;
  expect_open_block_read(terminal, type, parameter_block());
  for (const auto& row : rows) {
    terminal.expect(row.sent);
    if (type == 321) terminal.reply({0x01});
    if (type == 122) terminal.reply(reply_frame('A'));
  }
  terminal.stay_silent();
  terminal.start();
  vornDisableYellowLED();
  const int handle = open_on_socket(terminal, type);
  for (const auto& row : rows) {
    const int result = row.op == Led::On    ? vornLedON(handle, row.code)
                       : row.op == Led::Off ? vornLedOFF(handle, row.code)
                                            : vornLedTimer(handle, row.code, 0x07);
    EXPECT_EQ(result, 0) << "code " << row.code;
  }
  terminal.finish();
}

TEST_F(LedCodes, Series120) {
  check_led_translations(121, {
                                  {Led::On, 2, {'A', 1, 2}},
                                  {Led::On, 253, {'A', 1, 253}},
                                  {Led::On, 'P', {'X', 3}},
                                  {Led::On, 'Q', {'X', 4}},
                                  {Led::On, 77, {'A', 1, 77}},
                                  {Led::Off, 223, {'A', 2, 223}},
                                  {Led::Off, 'P', {'A', 2, 'P'}},
                                  {Led::Timer, 2, {'X', 1, 7}},
                                  {Led::Timer, 32, {'X', 2, 7}},
                                  {Led::Timer, 16, {'X', 3, 7}},
                                  {Led::Timer, 'P', {'X', 0, 7}},
                                  {Led::Timer, 239, {'X', 0, 7}},
                              });
}

TEST_F(LedCodes, Type321OnAndOffAreTheSameCommand) {
  check_led_translations(321, {
                                  {Led::On, 2, {'X', 5}},
                                  {Led::Off, 2, {'X', 5}},
                                  {Led::On, 253, {'X', 6}},
                                  {Led::On, 32, {'X', 7}},
                                  {Led::Off, 223, {'X', 8}},
                                  {Led::On, 16, {'X', 9}},
                                  {Led::Off, 239, {'X', 10}},
                                  {Led::On, 'P', {'X', 3}},
                                  {Led::Off, 'Q', {'X', 4}},
                                  {Led::On, 99, {'X', 255}},
                                  {Led::Timer, 2, {'X', 14, 7}},
                                  {Led::Timer, 'P', {'X', 15, 7}},
                                  {Led::Timer, 32, {'X', 15, 7}},
                                  {Led::Timer, 'Q', {'X', 16, 7}},
                                  {Led::Timer, 253, {'X', 0, 7}},
                              });
}

TEST_F(LedCodes, Type122InFrames) {
  check_led_translations(122, {
                                  {Led::On, 2, crc_frame('A', {1, 2})},
                                  {Led::Off, 253, crc_frame('A', {2, 253})},
                                  {Led::On, 'Q', crc_frame('A', {1, 'Q'})},
                              });
}

TEST_F(LedCodes, Series220YellowPutsTheOtherTwoOutWithPauses) {
  DevicePeer terminal;
  expect_open_block_read(terminal, 220, parameter_block());
  terminal.expect({'A', 1, 2})
      .expect({'A', 2, 223})
      .expect({'A', 2, 239})
      .expect({'A', 1, 32})
      .stay_silent();
  terminal.start();
  vornDisableYellowLED();
  const int handle = open_on_socket(terminal, 220);
  const std::size_t o = terminal.received().size();
  const double start = peer_clock_ms();
  EXPECT_EQ(vornLedON(handle, 2), 0);
  const double end = peer_clock_ms();
  EXPECT_EQ(vornLedON(handle, 32), 0);
  terminal.finish();
  // A late stamp by the peer only lengthens the gap from the call to an arrival; gaps
  // between two arrivals could shrink, so the pauses between commands are judged whole.
  EXPECT_GE(terminal.arrival_ms(o) - start, 10);
  EXPECT_GE(end - start, 10 + 10 + 10 + 30);
}

TEST_F(LedCodes, Type321WithoutAcknowledgementFails) {
  DevicePeer terminal;
  terminal.expect({'X', 7}).stay_silent();
  terminal.start();
  const int handle = open_on_socket(terminal, 321);
  const double waited = elapsed_ms([&] { EXPECT_EQ(vornLedON(handle, 32), -1); });
  EXPECT_GE(waited, 1000);
  EXPECT_LT(waited, 1400);
  terminal.finish();
}

TEST_F(LedCodes, Series120PAndQGoOutAtOnceOtherCodesArePaced) {
  DevicePeer terminal;
  expect_open_block_read(terminal, 120, parameter_block());
  terminal.expect({'X', 3}).expect({'A', 1, 16}).stay_silent();
  terminal.start();
  const int handle = open_on_socket(terminal, 120);
  EXPECT_LT(elapsed_ms([&] { vornLedON(handle, 'P'); }), 40);
  const double start = peer_clock_ms();
  EXPECT_GE(elapsed_ms([&] { vornLedON(handle, 16); }), 250);
  terminal.finish();
  EXPECT_TRUE(shows_pause(terminal.arrival_ms(3 + 2) - start, 50))
      << "after the block read and 'X', 3";
}

TEST_F(Outputs, FlashLedUsesLed32UnlessTypeTwo) {
  const struct {
    int type;
    Bytes sent;
  } table[] = {{1, {'X', 7, 'X', 8}}, {2, {'X', 9, 'X', 10}}, {3, {'X', 7, 'X', 8}}};
  for (const auto& row : table) {
    DevicePeer terminal;
    terminal.expect({'X', row.sent[1]})
        .reply({1})
        .expect({'X', row.sent[3]})
        .reply({1})
        .stay_silent();
    terminal.start();
    const int handle = open_on_socket(terminal, 321);
    const double start = peer_clock_ms();
    EXPECT_EQ(vornFlashLED(handle, row.type, 150), 0);
    terminal.finish();
    EXPECT_EQ(terminal.received(), row.sent) << "type " << row.type;
    EXPECT_TRUE(shows_pause(terminal.arrival_ms(2) - start, 150));
  }
}

TEST_F(Outputs, RelayAndTimedOutputs) {
  DevicePeer terminal;
  terminal.expect({'D', 3})
      .expect({'D', 0})
      .expect({'D', 3})
      .expect({'D', 0})
      .expect({'X', 9, 1, 0, 2, 5, 0})   // 250 ms
      .expect({'X', 9, 1, 1, 5, 0, 0})   // 1500 ms
      .expect({'X', 9, 1, 12, 3, 4, 5})  // 12345 ms: the thousands exceed one digit
      .expect({'X', 9, 0, 0, 0, 0, 0})
      .stay_silent();
  terminal.start();
  const int handle = open_on_socket(terminal, 1000);  // nothing said at open
  EXPECT_EQ(vornRelay(handle, 200), 0);
  EXPECT_EQ(vornRelayON(handle), 0);
  EXPECT_EQ(vornRelayOFF(handle), 0);
  EXPECT_EQ(vornFlashOn(handle, 9, 250), 0);
  EXPECT_EQ(vornFlashOn(handle, 9, 1500), 0);
  EXPECT_EQ(vornFlashOn(handle, 9, 12345), 0);
  EXPECT_EQ(vornFlashOff(handle, 9), 0);
  EXPECT_EQ(vornRelayTimer(handle), -3) << "type 1000";
  terminal.finish();
  EXPECT_TRUE(shows_pause(terminal.arrival_ms(2) - terminal.arrival_ms(0), 200))
      << "the relay pulse";
}

TEST_F(Outputs, RelayTimerOnlyType120SendsIt) {
  DevicePeer t120, t121;
  expect_open_block_read(t120, 120, parameter_block());
  expect_open_block_read(t121, 121, parameter_block());
  t120.expect({'X', 5}).stay_silent();
  t121.stay_silent();
  t120.start();
  t121.start();
  EXPECT_EQ(vornRelayTimer(open_on_socket(t120, 120)), 0);
  const int h121 = open_on_socket(t121, 121);
  EXPECT_EQ(vornRelayTimer(h121), 0);
  t120.finish();
  t121.finish();
  EXPECT_EQ(t121.received(), (Bytes{'P', 'P', 0}));
}

TEST_F(Outputs, SerialPacketIsAlways258Bytes) {
  Bytes data(300);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i + 1);
  const Bytes first44(data.begin(), data.begin() + 44);
  const Bytes expected = concat({{'R', 44}, first44, Bytes(256 - 44, 0)});
  DevicePeer terminal;
  terminal.expect(expected).expect(concat({{'R', 0}, Bytes(256, 0)})).stay_silent();
  terminal.start();
  const int handle = open_on_socket(terminal, 1000);
  EXPECT_EQ(vornSendToSerial(handle, data.data(), 300), 0);
  EXPECT_EQ(vornSendToSerial(handle, nullptr, 0), 0);
  EXPECT_EQ(vornSendToSerial(handle, nullptr, 5), -1) << "no data for a non-empty packet";
  terminal.finish();
}

TEST_F(Outputs, NegativeSerialSizesAreRefusedBeforeAnythingIsSent) {
  // Taken modulo 256, -1 would send 255 bytes the caller never offered.
  const Bytes offered = {'o', 'k'};
  DevicePeer terminal;
  terminal.stay_silent();
  terminal.start();
  const int handle = open_on_socket(terminal, 1000);
  const int s = terminal.connect_client_socket();
  for (int size : {-1, -256, INT32_MIN}) {
    EXPECT_EQ(vornSendToSerial(handle, offered.data(), size), -1) << size;
    EXPECT_EQ(vornClientSendToSerial(s, offered.data(), size), -1) << size;
  }
  usleep(100000);
  EXPECT_TRUE(terminal.received().empty()) << hex(terminal.received());
  ::close(s);
}

TEST_F(Outputs, TemperatureAndErrorQueries) {
  DevicePeer terminal;
  terminal.expect({'N', 0})
      .reply({0x15, 0x80, 0x01})
      .expect({'Z', 'Z'})
      .reply({1, 2, 3, 4})
      .expect({'N', 0})
      .expect({'Z', 'Z'})
      .pause(100)
      .reply({9, 9})
      .expect({'N', 0})
      .stay_silent();
  terminal.start();
  const int handle = open_on_socket(terminal, 1000);
  std::array<unsigned char, 10> out{};
  EXPECT_EQ(vornGetTemp(handle, out.data()), 0);
  EXPECT_EQ(hex(Bytes(out.begin(), out.begin() + 3)), "15 80 01");
  out.fill(0);
  EXPECT_EQ(vornGetMsgErrors(handle, out.data()), 0);
  EXPECT_EQ(hex(Bytes(out.begin(), out.begin() + 5)), "01 02 03 04 00");
  out.fill(0xAA);
  const double waited = elapsed_ms([&] { EXPECT_EQ(vornGetTemp(handle, out.data()), 0); });
  EXPECT_GE(waited, 1000) << "a silent terminal is waited for";
  EXPECT_EQ(out[0], 0xAA) << "and leaves the buffer alone";
  EXPECT_EQ(vornGetMsgErrors(handle, out.data()), 0);
  EXPECT_EQ(out[0], 0xAA) << "the late answer is not waited for";
  usleep(200000);
  // It is still in the socket: the next query reads it as its reply.
  EXPECT_EQ(vornGetTemp(handle, out.data()), 0);
  EXPECT_EQ(hex(Bytes(out.begin(), out.begin() + 3)), "09 09 AA");
  terminal.finish();
}

TEST_F(SocketOperations, CloseConnectionByDeviceType) {
  const Bytes ss = {'S', 'S', 0};
  const struct {
    int type;
    int result;
    Bytes sent;
  } table[] = {
      {120, 0, concat({ss, ss})},
      {220, 0, concat({ss, ss})},
      {320, 0, concat({ss, ss})},
      {321, 0, concat({ss, {'*'}})},
      {130, -3, ss},
      {1000, -3, ss},
  };
  for (const auto& row : table) {
    DevicePeer terminal;
    terminal.expect(row.sent).stay_silent();
    terminal.start();
    const int s = terminal.connect_client_socket();
    EXPECT_EQ(vornCloseConnection(row.type, s), row.result) << row.type;
    terminal.finish();
    EXPECT_EQ(terminal.received(), row.sent) << row.type;
    ::close(s);
  }
}

TEST_F(SocketOperations, GreenLedClientLedsAndSerial) {
  DevicePeer terminal;
  terminal.expect({'F', 'F', 0})
      .expect({'C', 'C', 0})
      .expect({'A', 1, 32})
      .expect({'A', 2, 223})
      .expect(concat({{'R', 2, 'h', 'i'}, Bytes(254, 0)}))
      .stay_silent();
  terminal.start();
  const int s = terminal.connect_client_socket();
  EXPECT_EQ(vornFlashGreenLedON(s), 0);
  EXPECT_EQ(vornFlashGreenLedOFF(s), 0);
  EXPECT_GE(elapsed_ms([&] { EXPECT_EQ(vornClientLedON(s, 32), 0); }), 29);
  EXPECT_EQ(vornClientLedOFF(s, 223), 0);
  const unsigned char hi[] = {'h', 'i'};
  EXPECT_EQ(vornClientSendToSerial(s, hi, 2), 0);
  terminal.finish();
  ::close(s);
  EXPECT_EQ(vornFlashGreenLedON(s), -2) << "a closed socket";
}

TEST_F(SocketOperations, SendToADroppedConnectionFailsInsteadOfKillingTheProcess) {
  DevicePeer terminal;
  terminal.close();
  terminal.start();
  const int handle = open_on_socket(terminal, 1000);
  terminal.finish();
  int result = 0;
  for (int i = 0; i < 50 && result == 0; ++i) {
    result = vornRelayON(handle);
    usleep(2000);
  }
  EXPECT_EQ(result, -2);
}

}  // namespace
