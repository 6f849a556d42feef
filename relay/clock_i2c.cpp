#include "relay/clock_i2c.h"

#include <array>
#include <utility>

#include "platform/byte_order.h"
#include "platform/named_lock.h"
#include "relay/exchange.h"
#include "relay/library.h"
#include "tamr11xc.h"

namespace relay::clock_i2c {
namespace {

using exchange::Command;
using exchange::Records;
using exchange::Wait;
using namespace wire::request;

constexpr int kReplyLimitMs = 2000;
// The controller forwards I2C traffic slowly: it needs these pauses around each request.
constexpr int kAfterI2CWriteMs = 100;
constexpr int kBeforeI2CReplyMs = 50;
constexpr int kBeforeTemperatureMs = 100;
constexpr int kAfterCalendarMs = 250;

constexpr int kClockChip = 0x68;

// I2C: arguments 0 device, 1 register, 2 value.
constexpr Command kWriteI2C = {.request = {byte('W'), low8(0), low8(1), low8(2)},
                               .pause_after_ms = kAfterI2CWriteMs,
                               .records = Records::SendOutcome};
constexpr Command kReadI2CByte = {.request = {byte('Z'), low8(0), low8(1), byte(0x01)},
                                  .pause_sent_ms = kBeforeI2CReplyMs,
                                  .wait = Wait::DataFirst,
                                  .reply_length = 2,
                                  .limit_ms = kReplyLimitMs,
                                  .records = Records::SendOutcome};
constexpr Command kReadI2CWord = {.request = {byte('Z'), low8(0), low8(1), byte(0x02)},
                                  .pause_sent_ms = kBeforeI2CReplyMs,
                                  .wait = Wait::DataFirst,
                                  .reply_length = 2,
                                  .limit_ms = kReplyLimitMs,
                                  .records = Records::SendOutcome};

// The M3 clock commands hold the lock until their answer, which they take as it comes.
constexpr Command m3_clock(const Layout& request, int reply_length) {
  return {.request = request,
          .locked = true,
          .wait = Wait::DataFirst,
          .reply_length = reply_length,
          .limit_ms = kReplyLimitMs};
}

// M3 clock: arguments 0 year mod 100, 1 century, 2 month, 3 day, 4 hour, 5 minute, 6 second.
constexpr Command kSetTimeM3 = m3_clock(
    {byte('K'), byte('S'), low8(0), low8(1), low8(2), low8(3), low8(4), low8(5), low8(6), zeros(7)},
    16);
constexpr Command kGetTimeM3 = m3_clock({byte('K'), byte('G'), zeros(14)}, 16);
constexpr Command kGetCalibrationM3 = m3_clock({byte('K'), byte('R'), byte(0x00)}, 3);
constexpr Command kSetCalibrationM3 = m3_clock({byte('K'), byte('C'), low8(0)}, 3);

constexpr Command kTemperature = {.request = {byte('T')},
                                  .locked = true,
                                  .pause_before_ms = kBeforeTemperatureMs,
                                  .wait = Wait::DataFirst,
                                  .reply_length = 2,
                                  .limit_ms = kReplyLimitMs};
constexpr Command kAccessToCalendar = {.request = {byte('A'), low8(0)},
                                       .pause_after_ms = kAfterCalendarMs};

// Clock chip registers.
constexpr int kSecondRegister = 0;
constexpr int kMinuteRegister = 1;
constexpr int kHourRegister = 2;
constexpr int kDayOfWeekRegister = 3;
constexpr int kDayRegister = 4;
constexpr int kMonthRegister = 5;
constexpr int kYearRegister = 6;

// Bit 2 of a reading says the sensor has none; the value sits above bit 3.
constexpr unsigned kNoReadingBit = 0x0004;
constexpr int kReadingShift = 3;
constexpr double kCelsiusPerStep = 0.24993;

// The bytes that came of an I2C read (0..2), or -2 when it could not be sent.
int read_i2c(RelaySlot& slot, const Command& command, int device, int reg,
             std::array<std::uint8_t, 2>& reply) {
  const auto o = exchange::run(command, slot, args(device, reg), reply);
  if (!o.sent) return TAMR_ERR_SEND;
  return o.last.error == 0 ? o.last.count : 0;
}

template <typename... T>
bool any_null(const T*... outputs) {
  return ((outputs == nullptr) || ...);
}

// The pass-through commands of the M3 clock: 0 for a whole reply, else the outcome.
int whole_or_outcome(const exchange::Outcome& o) {
  if (!o.sent) return TAMR_ERR_SEND;
  return o.whole() ? TAMR_OK : o.passed_through();
}

}  // namespace

std::uint8_t bcd(int value) {
  const auto x = static_cast<std::uint8_t>(value);
  return static_cast<std::uint8_t>(((x / 10) << 4) + x % 10);
}

int day_of_week(int day, int month, int yy) {
  const int d = static_cast<std::uint8_t>(day);
  const int m = static_cast<std::uint8_t>(month);
  const int a = (14 - m) / 12;
  const int y = 2000 + static_cast<std::uint8_t>(yy) - a;
  const int n = m + 12 * a - 2;
  return (d + y + y / 4 - y / 100 + y / 400 + (31 * n) / 12 + 7000) % 7 + 1;
}

bool decode_temperature(std::uint8_t high, std::uint8_t low, double& celsius) {
  const std::array<std::uint8_t, 2> reading = {high, low};
  const unsigned t = byte_order::load_be16(reading.data());
  if ((t & kNoReadingBit) != 0) return false;
  celsius = static_cast<double>(t >> kReadingShift) * kCelsiusPerStep;
  return true;
}

int write_i2c(RelaySlot& slot, int device, int reg, int value) {
  return exchange::sent_result(exchange::run(kWriteI2C, slot, args(device, reg, value)));
}

int read_i2c_byte(RelaySlot& slot, int device, int reg, std::uint8_t* value) {
  if (value == nullptr) return TAMR_ERR_REPLY;
  std::array<std::uint8_t, 2> reply{};
  const int got = read_i2c(slot, kReadI2CByte, device, reg, reply);
  if (got < 0) return got;
  if (got >= 1) *value = reply[0];
  return TAMR_OK;
}

int read_i2c_word(RelaySlot& slot, int device, int reg, std::uint16_t* value) {
  if (value == nullptr) return TAMR_ERR_REPLY;
  std::array<std::uint8_t, 2> reply{};
  const int got = read_i2c(slot, kReadI2CWord, device, reg, reply);
  if (got < 0) return got;
  if (got == 2) *value = byte_order::load_le16(reply.data());
  return TAMR_OK;
}

int set_time(RelaySlot& slot, int day, int month, int year, int hour, int minute, int second) {
  // No other locked command may come between the register writes of one setting.
  const platform::LockGuard hold(library::lock());
  const std::pair<int, int> writes[] = {
      {kDayRegister, bcd(day)},
      {kMonthRegister, bcd(month)},
      {kYearRegister, bcd(year)},
      {kSecondRegister, bcd(second)},
      {kMinuteRegister, bcd(minute)},
      {kHourRegister, bcd(hour)},
      {kDayOfWeekRegister, day_of_week(day, month, year)},
  };
  for (const auto& [reg, value] : writes) write_i2c(slot, kClockChip, reg, value);
  return TAMR_OK;
}

int get_time(RelaySlot& slot, std::uint8_t* day, std::uint8_t* month, std::uint8_t* year,
             std::uint8_t* hour, std::uint8_t* minute, std::uint8_t* second) {
  if (any_null(day, month, year, hour, minute, second)) return TAMR_ERR_REPLY;
  const std::pair<int, std::uint8_t*> reads[] = {
      {kSecondRegister, second}, {kMinuteRegister, minute}, {kHourRegister, hour},
      {kDayRegister, day},       {kMonthRegister, month},   {kYearRegister, year},
  };
  const platform::LockGuard hold(library::lock());
  for (const auto& [reg, out] : reads) read_i2c_byte(slot, kClockChip, reg, out);
  return TAMR_OK;
}

int get_day_of_week(RelaySlot& slot, std::uint8_t* day_of_week) {
  if (day_of_week == nullptr) return TAMR_ERR_REPLY;
  const platform::LockGuard hold(library::lock());
  read_i2c_byte(slot, kClockChip, kDayOfWeekRegister, day_of_week);
  return TAMR_OK;
}

int set_time_m3(RelaySlot& slot, int day, int month, int year, int hour, int minute, int second) {
  const auto y = static_cast<std::uint16_t>(year);
  std::array<std::uint8_t, 16> reply{};
  const auto o = exchange::run(kSetTimeM3, slot,
                               args(y % 100, y / 100, month, day, hour, minute, second), reply);
  // Whatever the controller answers, only a failed receive counts.
  return o.sent ? o.failed_receive() : TAMR_ERR_SEND;
}

int get_time_m3(RelaySlot& slot, std::uint8_t* day, std::uint8_t* month, std::uint16_t* year,
                std::uint8_t* hour, std::uint8_t* minute, std::uint8_t* second,
                std::uint8_t* extra) {
  if (any_null(day, month, year, hour, minute, second, extra)) return TAMR_ERR_REPLY;
  std::array<std::uint8_t, 16> reply{};
  // A closed link also gives 0: only a whole reply may be stored.
  const auto o = exchange::run(kGetTimeM3, slot, {}, reply);
  if (!o.whole()) return whole_or_outcome(o);
  *year = byte_order::load_le16(reply.data() + 2);
  *month = reply[4];
  *day = reply[5];
  *hour = reply[6];
  *minute = reply[7];
  *second = reply[8];
  *extra = reply[9];
  return TAMR_OK;
}

int get_calibration_m3(RelaySlot& slot, std::uint8_t* value) {
  if (value == nullptr) return TAMR_ERR_REPLY;
  std::array<std::uint8_t, 3> reply{};
  const auto o = exchange::run(kGetCalibrationM3, slot, {}, reply);
  if (o.whole()) *value = reply[2];
  return whole_or_outcome(o);
}

int set_calibration_m3(RelaySlot& slot, int value) {
  std::array<std::uint8_t, 3> reply{};
  return whole_or_outcome(exchange::run(kSetCalibrationM3, slot, args(value), reply));
}

int get_temperature(RelaySlot& slot, double* celsius) {
  if (celsius == nullptr) return TAMR_ERR_REPLY;
  *celsius = 0.0;
  std::array<std::uint8_t, 2> reply{};
  const auto o = exchange::run(kTemperature, slot, {}, reply);
  if (!o.sent) return TAMR_ERR_SEND;
  if (!o.whole()) return o.passed_through();
  return decode_temperature(reply[0], reply[1], *celsius) ? 1 : 0;
}

int access_to_calendar(RelaySlot& slot, int value) {
  return exchange::sent_result(exchange::run(kAccessToCalendar, slot, args(value)));
}

}  // namespace relay::clock_i2c
