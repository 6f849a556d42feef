// The clock: day of the week, BCD, the M3 clock's reply, temperature decoding, and what
// the I2C reads store when the controller answers in part or not at all.
#include "relay/clock_i2c.h"

#include <ctime>

#include "tests/relay/relay_fixture.h"

namespace relay_test {
namespace {

using relay::clock_i2c::bcd;
using relay::clock_i2c::day_of_week;
using relay::clock_i2c::decode_temperature;

TEST(DayOfWeek, MatchesTheCalendarForEveryDateFrom2000To2099) {
  std::tm date{};
  date.tm_year = 100;
  date.tm_mday = 1;
  std::time_t t = ::timegm(&date);
  for (int days = 0; days < 36525; ++days, t += 86400) {
    std::tm d{};
    ::gmtime_r(&t, &d);
    ASSERT_EQ(day_of_week(d.tm_mday, d.tm_mon + 1, d.tm_year - 100), d.tm_wday + 1)
        << d.tm_year + 1900 << "-" << d.tm_mon + 1 << "-" << d.tm_mday;
  }
}

TEST(DayOfWeek, WorkedDates) {
  EXPECT_EQ(day_of_week(13, 8, 13), 3);
  EXPECT_EQ(day_of_week(29, 2, 0), 3);
  EXPECT_EQ(day_of_week(1, 1, 13), 3);
  EXPECT_EQ(day_of_week(1, 1, 0x100 + 13), 3) << "low byte of the year";
}

TEST(Bcd, PutsTensInTheHighNibble) {
  const struct {
    int value;
    int register_byte;
  } cases[] = {{0, 0x00}, {7, 0x07}, {10, 0x10}, {59, 0x59}, {99, 0x99}, {0x100 + 23, 0x23}};
  for (const auto& c : cases) EXPECT_EQ(bcd(c.value), c.register_byte) << c.value;
}

TEST(Temperature, DecodesTheReadingAboveBitThree) {
  const struct {
    std::uint8_t high, low;
    bool valid;
    double celsius;
  } cases[] = {
      {0x03, 0x20, true, 100 * 0.24993},  {0x03, 0x24, false, 0}, {0x00, 0x00, true, 0},
      {0x00, 0x0B, true, 1 * 0.24993},     // bits 0, 1 and 3: only bit 3 counts
      {0xFF, 0xF8, true, 8191 * 0.24993},  // an unsigned shift
  };
  for (const auto& c : cases) {
    double celsius = -1;
    EXPECT_EQ(decode_temperature(c.high, c.low, celsius), c.valid);
    if (c.valid) {
      EXPECT_DOUBLE_EQ(celsius, c.celsius);
    }
  }
}

using Clock = RelayTest;

TEST_F(Clock, TemperatureIsStoredOrZeroed) {
  DevicePeer controller;
  controller.expect({0x54}).reply({0x03, 0x20}).expect({0x54}).reply({0x03, 0x24}).stay_silent();
  const int handle = open(controller);
  double celsius = 5.0;
  EXPECT_EQ(tamrGetTemperature(handle, &celsius), 1);
  EXPECT_DOUBLE_EQ(celsius, 24.993);
  EXPECT_EQ(tamrGetTemperature(handle, &celsius), 0);
  EXPECT_EQ(celsius, 0.0);
  controller.finish();
}

TEST_F(Clock, SetTimeWritesBcdRegistersAFullTenthOfASecondApart) {
  DevicePeer controller;
  controller.stay_silent();
  const int handle = open(controller);
  const double called = test_support::peer_clock_ms();
  EXPECT_EQ(tamrSetTime(handle, 31, 12, 99, 23, 59, 58), 0);
  EXPECT_GE(test_support::peer_clock_ms() - called, 7 * 95);
  controller.finish();
  EXPECT_EQ(hex(controller.received()),
            hex({'W', 0x68, 4,   0x31, 'W', 0x68, 5,   0x12, 'W', 0x68, 6,   0x99, 'W', 0x68,
                 0,   0x58, 'W', 0x68, 1,   0x59, 'W', 0x68, 2,   0x23, 'W', 0x68, 3,   5}));
  // Measured from the call: a late stamp by the peer can only lengthen these.
  for (std::size_t write = 1; write < 7; ++write) {
    EXPECT_GE(controller.arrival_ms(4 * write) - called, 95.0 * static_cast<double>(write));
  }
  EXPECT_EQ(last_status(handle), 0);
}

TEST_F(Clock, GetTimeDeliversTheRegistersAsTheChipHoldsThem) {
  DevicePeer controller;
  for (int reg : {0, 1, 2, 4, 5, 6}) {
    controller.expect({'Z', 0x68, static_cast<std::uint8_t>(reg), 1})
        .reply({static_cast<std::uint8_t>(0x50 + reg), 0xFF});
  }
  controller.expect({'Z', 0x68, 3, 1}).reply({0x04, 0xFF}).stay_silent();
  const int handle = open(controller);
  unsigned char day = 0, month = 0, year = 0, hour = 0, minute = 0, second = 0, dow = 0;
  EXPECT_EQ(tamrGetTime(handle, &day, &month, &year, &hour, &minute, &second), 0);
  EXPECT_EQ(tamrGetDOW(handle, &dow), 0);
  EXPECT_EQ(hex({second, minute, hour, day, month, year, dow}),
            hex({0x50, 0x51, 0x52, 0x54, 0x55, 0x56, 0x04}));
  controller.finish();
}

TEST_F(Clock, I2CReadsKeepTheOutputWhenTheirBytesDidNotCome) {
  DevicePeer controller;
  // A word read answered with one byte, a byte read with one byte, then a closed link.
  controller.expect({'Z', 0x48, 0, 2})
      .reply({0x34})
      .expect({'Z', 0x48, 1, 1})
      .reply({0x77})
      .expect({'Z', 0x48, 2, 1})
      .close();
  const int handle = open(controller);
  unsigned short word = 0xBEEF;
  unsigned char byte = 0xEE;
  EXPECT_EQ(tamrReadI2CW(handle, 0x48, 0, &word), 0);
  EXPECT_EQ(word, 0xBEEF);
  platform::sleep_ms(50);  // so the single bytes do not run together
  EXPECT_EQ(vornReadI2CB(handle, 0x48, 1, &byte), 0);
  EXPECT_EQ(byte, 0x77);
  set_last_status(handle, 777);
  EXPECT_EQ(vornReadI2CB(handle, 0x48, 2, &byte), 0);
  EXPECT_EQ(byte, 0x77);
  EXPECT_EQ(last_status(handle), 0);
  controller.finish();
}

TEST_F(Clock, I2CWordIsLowByteFirst) {
  DevicePeer controller;
  controller.expect({'Z', 0x48, 0, 2}).reply({0x34, 0x12}).stay_silent();
  const int handle = open(controller);
  unsigned short word = 0;
  EXPECT_EQ(tamrReadI2CW(handle, 0x48, 0, &word), 0);
  EXPECT_EQ(word, 0x1234);
  controller.finish();
}

TEST_F(Clock, M3ReplyFillsAllSevenOutputs) {
  DevicePeer controller;
  controller.expect(concat({{0x4B, 0x47}, Bytes(14, 0)}))
      .reply(concat({{0xAA, 0xBB, 0xDD, 0x07, 0x08, 0x0D, 0x09, 0x05, 0x07, 0x03}, Bytes(6, 0xCC)}))
      .stay_silent();
  const int handle = open(controller);
  unsigned char day = 0, month = 0, hour = 0, minute = 0, second = 0, extra = 0;
  unsigned short year = 0;
  EXPECT_EQ(tamrGetTimeM3(handle, &day, &month, &year, &hour, &minute, &second, &extra), 0);
  EXPECT_EQ(year, 2013);
  EXPECT_EQ(hex({month, day, hour, minute, second, extra}), hex({8, 13, 9, 5, 7, 3}));
  controller.finish();
}

TEST_F(Clock, M3ShortReplyOrClosedLinkIsPassedThroughWithOutputsUntouched) {
  const Bytes request = concat({{0x4B, 0x47}, Bytes(14, 0)});
  DevicePeer controller;
  controller.expect(request).reply(Bytes(4, 1)).expect(request).close();
  const int handle = open(controller);
  unsigned char day = 99, month = 99, hour = 99, minute = 99, second = 99, extra = 99;
  unsigned short year = 9999;
  EXPECT_EQ(tamrGetTimeM3(handle, &day, &month, &year, &hour, &minute, &second, &extra), 4);
  EXPECT_EQ(tamrGetTimeM3(handle, &day, &month, &year, &hour, &minute, &second, &extra), 0);
  EXPECT_EQ(year, 9999);
  EXPECT_EQ(hex({month, day, hour, minute, second, extra}), hex(Bytes(6, 99)));
  controller.finish();
}

TEST_F(Clock, M3SettingCountsOnlyAFailedReceive) {
  DevicePeer controller;
  controller.expect(concat({{0x4B, 0x53, 0x00, 0x14}, {1, 1, 0, 0, 0}, Bytes(7, 0)}))
      .reply(Bytes(5, 0))
      .stay_silent();
  const int handle = open(controller);
  EXPECT_EQ(tamrSetTimeM3(handle, 1, 1, 2000, 0, 0, 0), 0) << "a short answer is enough";
  controller.finish();
}

TEST_F(Clock, CalibrationIsByteTwoOfTheAnswer) {
  DevicePeer controller;
  controller.expect({0x4B, 0x52, 0x00})
      .reply({0x4B, 0x52, 0x9D})
      .expect({0x4B, 0x52, 0x00})
      .close();
  const int handle = open(controller);
  unsigned char value = 0;
  EXPECT_EQ(tamrGetCalibrationM3(handle, &value), 0);
  EXPECT_EQ(value, 0x9D);
  EXPECT_EQ(tamrGetCalibrationM3(handle, &value), 0) << "a closed link passes through as 0";
  EXPECT_EQ(value, 0x9D);
  controller.finish();
}

TEST_F(Clock, NullOutputsAreRefusedBeforeSending) {
  DevicePeer controller;
  controller.stay_silent();
  const int handle = open(controller);
  unsigned char b = 0;
  unsigned short w = 0;
  EXPECT_EQ(vornReadI2CB(handle, 0x68, 0, nullptr), TAMR_ERR_REPLY);
  EXPECT_EQ(tamrReadI2CW(handle, 0x68, 0, nullptr), TAMR_ERR_REPLY);
  EXPECT_EQ(tamrGetTime(handle, &b, &b, &b, &b, &b, nullptr), TAMR_ERR_REPLY);
  EXPECT_EQ(tamrGetDOW(handle, nullptr), TAMR_ERR_REPLY);
  EXPECT_EQ(tamrGetTimeM3(handle, &b, &b, &w, &b, &b, &b, nullptr), TAMR_ERR_REPLY);
  EXPECT_EQ(tamrGetCalibrationM3(handle, nullptr), TAMR_ERR_REPLY);
  EXPECT_EQ(tamrGetTemperature(handle, nullptr), TAMR_ERR_REPLY);
  controller.finish();
  EXPECT_EQ(controller.received(), Bytes{});
}

}  // namespace
}  // namespace relay_test
