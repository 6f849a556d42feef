// Every command's request bytes on the wire, with the result of an ordinary answer, and
// the refusal of handles that are not open.
#include <array>
#include <functional>
#include <utility>

#include "tests/relay/relay_fixture.h"

namespace relay_test {
namespace {

Bytes b(std::initializer_list<int> bytes) {
  Bytes out;
  for (int v : bytes) out.push_back(static_cast<std::uint8_t>(v));
  return out;
}
Bytes counting(std::size_t n) {
  Bytes out(n);
  for (std::size_t i = 0; i < n; ++i) out[i] = static_cast<std::uint8_t>(i * 7 + 1);
  return out;
}
Bytes zeros(std::size_t n) { return Bytes(n, 0); }

struct Exchange {
  Bytes request;
  Bytes reply;  // empty: the controller says nothing
};

struct Row {
  const char* name;
  std::function<int(int)> call;
  std::vector<Exchange> conversation;
  int result;
};

// Cases show by name in test listings, not as a dump of the row.
void PrintTo(const Row& row, std::ostream* out) { *out << row.name; }

// The clock chip reads of tamrGetTime, register by register, each answered.
std::vector<Exchange> clock_chip_reads(std::initializer_list<int> registers) {
  std::vector<Exchange> reads;
  for (int reg : registers) reads.push_back({b({'Z', 0x68, reg, 1}), b({reg + 0x10, 0})});
  return reads;
}

const Row kRows[] = {
    // Relays and inputs.
    {"RelayOn", [](int h) { return tamrRelayOn(h, 0x05); }, {{b({0x44, 0x05}), b({0x07})}}, 7},
    {"RelayOff", [](int h) { return tamrRelayOff(h, 0x01); }, {{b({0x4F, 0x01}), b({0x06})}}, 6},
    {"RelayOnTimer", [](int h) { return tamrRelayOnTimer(h, 0x02, 30); },
     {{b({0x45, 0x02, 0x1E}), b({0x02})}}, 2},
    {"AllRelayOff", [](int h) { return tamrAllRelayOff(h); }, {{b({0x4D}), b({0x00})}}, 0},
    {"RelayOnE16", [](int h) { return tamrRelayOnE16(h, 0x0102); },
     {{b({0x4C, 0x44, 0x02, 0x01}), b({0x02, 0x01})}}, 0},
    {"RelayOffE16", [](int h) { return tamrRelayOffE16(h, 0x0201); },
     {{b({0x4C, 0x4F, 0x01, 0x02}), b({0x01, 0x02})}}, 0},
    {"RelayOnTimerE16", [](int h) { return tamrRelayOnTimerE16(h, 0x8001, 45); },
     {{b({0x4C, 0x45, 0x01, 0x80, 0x2D}), b({0x01, 0x80})}}, 0},
    {"RelaySwitchByte", [](int h) { return tamrRelaySwitchByte(h, 0xA5); },
     {{b({0x53, 0x01, 0xA5}), b({0x5A})}}, 0x5A},
    {"SendInputStatusOn", [](int h) { return tamrSendInputStatusOn(h); }, {{b({0x59, 0x01}), {}}}, 0},
    {"SendInputStatusOff", [](int h) { return tamrSendInputStatusOff(h); }, {{b({0x59, 0x00}), {}}}, 0},
    {"GetStatusRelay", [](int h) { unsigned char s[8]; return tamrGetStatusRelay(h, s); },
     {{b({0x52}), b({0x33})}}, 0},
    {"GetStatusRelayE16", [](int h) { unsigned char s[8]; return tamrGetStatusRelayE16(h, s); },
     {{b({0x4C, 0x52}), b({0x34, 0x12})}}, 0},
    {"GetStatusInput", [](int h) { unsigned char s[8]; return tamrGetStatusInput(h, s); },
     {{b({0x49}), b({0x0F})}}, 0},
    {"GetAnswer", [](int h) { unsigned char s[8]; return tamrGetAnswer(h, s); }, {{{}, b({0x41})}}, 1},
    // Clock, calendar, calibration, temperature, I2C.
    {"WriteI2C", [](int h) { return tamrWriteI2C(h, 0x50, 0x10, 0x7F); },
     {{b({0x57, 0x50, 0x10, 0x7F}), {}}}, 0},
    {"ReadI2CB", [](int h) { unsigned char v; return vornReadI2CB(h, 0x68, 3, &v); },
     {{b({0x5A, 0x68, 0x03, 0x01}), b({0x05, 0x00})}}, 0},
    {"ReadI2CW", [](int h) { unsigned short v; return tamrReadI2CW(h, 0x48, 0, &v); },
     {{b({0x5A, 0x48, 0x00, 0x02}), b({0x34, 0x12})}}, 0},
    {"SetTime", [](int h) { return tamrSetTime(h, 13, 8, 13, 9, 5, 7); },
     {{b({'W', 0x68, 4, 0x13}), {}}, {b({'W', 0x68, 5, 0x08}), {}}, {b({'W', 0x68, 6, 0x13}), {}},
      {b({'W', 0x68, 0, 0x07}), {}}, {b({'W', 0x68, 1, 0x05}), {}}, {b({'W', 0x68, 2, 0x09}), {}},
      {b({'W', 0x68, 3, 3}), {}}}, 0},
    {"GetTime",
     [](int h) {
       unsigned char d, mo, y, hr, mi, s;
       return tamrGetTime(h, &d, &mo, &y, &hr, &mi, &s);
     },
     clock_chip_reads({0, 1, 2, 4, 5, 6}), 0},
    {"GetDOW", [](int h) { unsigned char d; return tamrGetDOW(h, &d); }, clock_chip_reads({3}), 0},
    {"SetTimeM3", [](int h) { return tamrSetTimeM3(h, 13, 8, 2013, 9, 5, 7); },
     {{concat({b({0x4B, 0x53, 0x0D, 0x14, 0x08, 0x0D, 0x09, 0x05, 0x07}), zeros(7)}), zeros(16)}}, 0},
    {"GetTimeM3",
     [](int h) {
       unsigned char d, mo, hr, mi, s, x;
       unsigned short y;
       return tamrGetTimeM3(h, &d, &mo, &y, &hr, &mi, &s, &x);
     },
     {{concat({b({0x4B, 0x47}), zeros(14)}), counting(16)}}, 0},
    {"GetCalibrationM3", [](int h) { unsigned char v; return tamrGetCalibrationM3(h, &v); },
     {{b({0x4B, 0x52, 0x00}), b({0x4B, 0x52, 0x11})}}, 0},
    {"SetCalibrationM3", [](int h) { return tamrSetCalibrationM3(h, 0x1F); },
     {{b({0x4B, 0x43, 0x1F}), b({0x4B, 0x43, 0x1F})}}, 0},
    {"GetTemperature", [](int h) { double t; return tamrGetTemperature(h, &t); },
     {{b({0x54}), b({0x03, 0x20})}}, 1},
    {"AccessToCalendar", [](int h) { return tamrAccessToCalendar(h, 1); }, {{b({0x41, 0x01}), {}}}, 0},
    // Parameters, version, reboot, inversion masks.
    {"GetParam", [](int h) { unsigned char p[128]; return tamrGetParam(h, p); },
     {{b({0x3C}), counting(128)}}, 0},
    {"GetParamX", [](int h) { unsigned char p[512]; return tamrGetParamX(h, p); },
     {{b({0x23}), counting(512)}}, 0},
    {"SetParam", [](int h) { return tamrSetParam(h, counting(128).data()); },
     {{concat({b({0x3E}), counting(128)}), {}}}, 0},
    {"SetParamX", [](int h) { return tamrSetParamX(h, counting(512).data()); },
     {{concat({b({0x3E}), counting(512)}), {}}}, 0},
    {"GetVersion", [](int h) { unsigned char v[8]; return tamrGetVersion(h, v); },
     {{b({0x56}), counting(128)}}, 0},
    {"Reboot", [](int h) { return tamrReboot(h); }, {{b({0x2A, 0x2A}), {}}}, 0},
    {"SetInvertInpMask", [](int h) { return tamrSetInvertInpMask(h, 0x12, 0x34); },
     {{b({0x4A, 0x57, 0x12, 0x34}), b({0x4A, 0x57, 0x12, 0x34})}}, 0},
    {"SetInvertOutMask", [](int h) { return tamrSetInvertOutMask(h, 0x56, 0x78); },
     {{b({0x4A, 0x53, 0x56, 0x78}), b({0x4A, 0x53, 0x56, 0x78})}}, 0},
    {"GetInvertOutMask", [](int h) { unsigned char m1, m2; return tamrGetInvertOutMask(h, &m1, &m2); },
     {{b({0x4A, 0x47}), b({0x4A, 0x47, 0x0F, 0xF0})}}, 0},
    // Data flash, big-endian family.
    {"DF_SetPowerOf2", [](int h) { return tamr_DF_SetPowerOf2(h); }, {{b({0x43, 0x46, 0x32}), b({0x01})}}, 1},
    {"DF_ReadStatus", [](int h) { return tamr_DF_ReadStatus(h); }, {{b({0x43, 0x46, 0x53}), b({0xAC})}}, 0xAC},
    {"DF_SaveBuftoMain", [](int h) { return tamr_DF_SaveBuftoMain(h); },
     {{b({0x43, 0x46, 0x4B}), zeros(4)}}, 0},
    {"DF_ReadCounter", [](int h) { int c; return tamr_DF_ReadCounter(h, &c); },
     {{b({0x43, 0x43, 0x52}), b({0, 0, 1, 0})}}, 0},
    {"DF_WriteCounter", [](int h) { return tamr_DF_WriteCounter(h, 1); },
     {{b({0x43, 0x43, 0x57, 0x00, 0x00, 0x00, 0x01}), zeros(4)}}, 0},
    {"DF_ReadDataFlash", [](int h) { unsigned char d[16]; return tamr_DF_ReadDataFlash(h, 0x1234, 16, d); },
     {{b({0x43, 0x46, 0x52, 0x00, 0x00, 0x12, 0x34, 0x00, 0x10}), counting(16)}}, 0},
    {"DF_WriteDataFlash",
     [](int h) { Bytes d = counting(10); return tamr_DF_WriteDataFlash(h, 0x01020304, 10, d.data()); },
     {{concat({b({0x43, 0x46, 0x57, 0x01, 0x02, 0x03, 0x04, 0x00, 0x0A}), counting(10)}), counting(10)}}, 0},
    // Data flash, M3 family.
    {"DF_ReadStatusReadyM3", [](int h) { unsigned char v; return tamr_DF_ReadStatusReadyM3(h, &v); },
     {{b({0x24, 0x53, 0x00}), b({0x24, 0x53, 0x80})}}, 0},
    {"DF_ReadStatusM3", [](int h) { unsigned char v; return tamr_DF_ReadStatusM3(h, &v); },
     {{b({0x24, 0x43, 0x00}), b({0x24, 0x43, 0x9C})}}, 0},
    {"DF_SetPowerOf2M3", [](int h) { unsigned char v; return tamr_DF_SetPowerOf2M3(h, &v); },
     {{b({0x24, 0x32, 0x00}), b({0x24, 0x32, 0x01})}}, 0},
    {"DF_WriteDataFlashM3",
     [](int h) { return tamr_DF_WriteDataFlashM3(h, 0x01020304, 10, counting(10).data()); },
     {{concat({b({0x24, 0x57, 0x04, 0x03, 0x02, 0x01, 0x0A, 0x00}), counting(10)}), b({0x24, 0x57})}}, 0},
    {"DF_ReadDataFlashM3", [](int h) { unsigned char d[16]; return tamr_DF_ReadDataFlashM3(h, 0x1234, 16, d); },
     {{b({0x24, 0x52, 0x34, 0x12, 0x00, 0x00, 0x10, 0x00}), counting(16)}}, 0},
    {"UpdateStartM3", [](int h) { return tamrUpdateStartM3(h); }, {{b({0x2A, 0x55}), {}}}, 0},
};

class RequestBytes : public RelayTest, public ::testing::WithParamInterface<Row> {};

TEST_P(RequestBytes, ComeOnTheWireAsLaidOutAndAnOrdinaryAnswerIsTakenIn) {
  const Row& row = GetParam();
  DevicePeer controller;
  Bytes all_requests;
  for (const Exchange& e : row.conversation) {
    if (!e.request.empty()) controller.expect(e.request);
    if (!e.reply.empty()) controller.reply(e.reply);
    all_requests = concat({all_requests, e.request});
  }
  controller.stay_silent();
  const int handle = open(controller);
  EXPECT_EQ(row.call(handle), row.result);
  controller.finish();
  EXPECT_EQ(hex(controller.received()), hex(all_requests));
}

TEST_P(RequestBytes, HandlesThatAreNotOpenAreRefusedWithoutAWord) {
  const Row& row = GetParam();
  DevicePeer controller;
  controller.stay_silent();
  const int handle = open(controller);
  tamrCloseDevice(handle);
  const Stopwatch watch;
  for (int h : {handle, -1, relay::device_table::kSlotCount}) {
    EXPECT_EQ(row.call(h), TAMR_ERR_SEND) << "handle " << h;
  }
  EXPECT_LT(watch.ms(), 50) << "no pause for a refused handle";
  controller.finish();
  EXPECT_EQ(controller.received(), Bytes{});
}

INSTANTIATE_TEST_SUITE_P(EveryCommand, RequestBytes, ::testing::ValuesIn(kRows),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace relay_test
