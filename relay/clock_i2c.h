// The controller's I2C bus, its clock chip, the M3 clock, calibration, temperature and
// calendar access.
#pragma once

#include <cstdint>

#include "relay/device_table.h"

namespace relay::clock_i2c {

using device_table::RelaySlot;

// The register byte of a clock chip value: tens in the high nibble, units in the low.
std::uint8_t bcd(int value);
// 1 = Sunday ... 7 = Saturday, for day, month and year 2000 + yy (low bytes used).
int day_of_week(int day, int month, int yy);
// Decodes the temperature input's reading; false when it holds no valid reading.
bool decode_temperature(std::uint8_t high, std::uint8_t low, double& celsius);

int write_i2c(RelaySlot& slot, int device, int reg, int value);
int read_i2c_byte(RelaySlot& slot, int device, int reg, std::uint8_t* value);
int read_i2c_word(RelaySlot& slot, int device, int reg, std::uint16_t* value);

int set_time(RelaySlot& slot, int day, int month, int year, int hour, int minute, int second);
int get_time(RelaySlot& slot, std::uint8_t* day, std::uint8_t* month, std::uint8_t* year,
             std::uint8_t* hour, std::uint8_t* minute, std::uint8_t* second);
int get_day_of_week(RelaySlot& slot, std::uint8_t* day_of_week);

int set_time_m3(RelaySlot& slot, int day, int month, int year, int hour, int minute, int second);
int get_time_m3(RelaySlot& slot, std::uint8_t* day, std::uint8_t* month, std::uint16_t* year,
                std::uint8_t* hour, std::uint8_t* minute, std::uint8_t* second,
                std::uint8_t* extra);
int get_calibration_m3(RelaySlot& slot, std::uint8_t* value);
int set_calibration_m3(RelaySlot& slot, int value);

int get_temperature(RelaySlot& slot, double* celsius);
int access_to_calendar(RelaySlot& slot, int value);

}  // namespace relay::clock_i2c
