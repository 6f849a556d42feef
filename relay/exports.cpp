// The exported C entry points: find the handle's open slot, hand over to the family.
#include <cstdint>

#include "relay/clock_i2c.h"
#include "relay/data_flash.h"
#include "relay/device_table.h"
#include "relay/library.h"
#include "relay/link.h"
#include "relay/parameters.h"
#include "relay/relays_inputs.h"
#include "tamr11xc.h"

namespace {

using namespace relay;

// A handle outside the table or without a connection goes no further than the table.
template <typename Operation, typename... Args>
int on_open_slot(int handle, Operation operation, Args... args) {
  device_table::RelaySlot* slot = device_table::open_slot(handle);
  return slot != nullptr ? operation(*slot, args...) : TAMR_ERR_SEND;
}

}  // namespace

extern "C" {

// ---- Link

int tamrOpenDevice(int device_type, const char* host, int port) {
  return link::open_device(device_type, host, port);
}
int tamrCloseDevice(int handle) { return link::close_device(handle); }
int tamrSetOpenTimeout(int milliseconds) {
  library::state().openTimeoutMs = milliseconds;
  return milliseconds;
}
const char* tamrGetSDKVersion(void) { return library::kSdkVersion; }

// ---- Relays and inputs

int tamrRelayOn(int handle, int mask) {
  return on_open_slot(handle, relays::switch_relays, relays::Switch::On, mask, 0);
}
int tamrRelayOff(int handle, int mask) {
  return on_open_slot(handle, relays::switch_relays, relays::Switch::Off, mask, 0);
}
int tamrRelayOnTimer(int handle, int mask, int time) {
  return on_open_slot(handle, relays::switch_relays, relays::Switch::OnTimer, mask, time);
}
int tamrAllRelayOff(int handle) {
  return on_open_slot(handle, relays::switch_relays, relays::Switch::AllOff, 0, 0);
}
int tamrRelayOnE16(int handle, int mask) {
  return on_open_slot(handle, relays::switch_relays, relays::Switch::OnE16, mask, 0);
}
int tamrRelayOffE16(int handle, int mask) {
  return on_open_slot(handle, relays::switch_relays, relays::Switch::OffE16, mask, 0);
}
int tamrRelayOnTimerE16(int handle, int mask, int time) {
  return on_open_slot(handle, relays::switch_relays, relays::Switch::OnTimerE16, mask, time);
}
int tamrRelaySwitchByte(int handle, int value) {
  return on_open_slot(handle, relays::switch_byte, value);
}
int tamrSendInputStatusOn(int handle) {
  return on_open_slot(handle, relays::input_reports, relays::Report::On);
}
int tamrSendInputStatusOff(int handle) {
  return on_open_slot(handle, relays::input_reports, relays::Report::Off);
}
int tamrGetStatusRelay(int handle, unsigned char* status) {
  return on_open_slot(handle, relays::read_status, relays::Status::Relay, status);
}
int tamrGetStatusRelayE16(int handle, unsigned char* status) {
  return on_open_slot(handle, relays::read_status, relays::Status::RelayE16, status);
}
int tamrGetStatusInput(int handle, unsigned char* status) {
  return on_open_slot(handle, relays::read_status, relays::Status::Input, status);
}
int tamrGetAnswer(int handle, unsigned char* status) {
  return on_open_slot(handle, relays::read_answer, status);
}

// ---- Clock, calendar, calibration, temperature, I2C

int tamrWriteI2C(int handle, int device, int reg, int value) {
  return on_open_slot(handle, clock_i2c::write_i2c, device, reg, value);
}
int vornReadI2CB(int handle, int device, int reg, unsigned char* value) {
  return on_open_slot(handle, clock_i2c::read_i2c_byte, device, reg, value);
}
int tamrReadI2CW(int handle, int device, int reg, unsigned short* value) {
  return on_open_slot(handle, clock_i2c::read_i2c_word, device, reg, value);
}
int tamrSetTime(int handle, int day, int month, int year, int hour, int minute, int second) {
  return on_open_slot(handle, clock_i2c::set_time, day, month, year, hour, minute, second);
}
int tamrGetTime(int handle, unsigned char* day, unsigned char* month, unsigned char* year,
                unsigned char* hour, unsigned char* minute, unsigned char* second) {
  return on_open_slot(handle, clock_i2c::get_time, day, month, year, hour, minute, second);
}
int tamrGetDOW(int handle, unsigned char* day_of_week) {
  return on_open_slot(handle, clock_i2c::get_day_of_week, day_of_week);
}
int tamrSetTimeM3(int handle, int day, int month, int year, int hour, int minute, int second) {
  return on_open_slot(handle, clock_i2c::set_time_m3, day, month, year, hour, minute, second);
}
int tamrGetTimeM3(int handle, unsigned char* day, unsigned char* month, unsigned short* year,
                  unsigned char* hour, unsigned char* minute, unsigned char* second,
                  unsigned char* extra) {
  return on_open_slot(handle, clock_i2c::get_time_m3, day, month, year, hour, minute, second,
                      extra);
}
int tamrGetCalibrationM3(int handle, unsigned char* value) {
  return on_open_slot(handle, clock_i2c::get_calibration_m3, value);
}
int tamrSetCalibrationM3(int handle, int value) {
  return on_open_slot(handle, clock_i2c::set_calibration_m3, value);
}
int tamrGetTemperature(int handle, double* celsius) {
  return on_open_slot(handle, clock_i2c::get_temperature, celsius);
}
int tamrAccessToCalendar(int handle, int value) {
  return on_open_slot(handle, clock_i2c::access_to_calendar, value);
}

// ---- Parameters, version, reboot, inversion masks

int tamrGetParam(int handle, unsigned char* block) {
  return on_open_slot(handle, parameters::get_block, parameters::Block::Small, block);
}
int tamrGetParamX(int handle, unsigned char* block) {
  return on_open_slot(handle, parameters::get_block, parameters::Block::Extended, block);
}
int tamrSetParam(int handle, const unsigned char* block) {
  return on_open_slot(handle, parameters::set_block, parameters::Block::Small, block);
}
int tamrSetParamX(int handle, const unsigned char* block) {
  return on_open_slot(handle, parameters::set_block, parameters::Block::Extended, block);
}
int tamrGetVersion(int handle, unsigned char* version) {
  return on_open_slot(handle, parameters::get_version, version);
}
int tamrReboot(int handle) { return on_open_slot(handle, parameters::reboot); }
int tamrSetInvertInpMask(int handle, int mask1, int mask2) {
  return on_open_slot(handle, parameters::set_invert_mask, parameters::InvertMask::Inputs, mask1,
                      mask2);
}
int tamrSetInvertOutMask(int handle, int mask1, int mask2) {
  return on_open_slot(handle, parameters::set_invert_mask, parameters::InvertMask::Outputs, mask1,
                      mask2);
}
int tamrGetInvertOutMask(int handle, unsigned char* mask1, unsigned char* mask2) {
  return on_open_slot(handle, parameters::get_invert_out_mask, mask1, mask2);
}

// ---- Data flash and firmware update

int tamr_DF_SetPowerOf2(int handle) {
  return on_open_slot(handle, data_flash::byte_query, data_flash::ByteQuery::SetPowerOf2);
}
int tamr_DF_ReadStatus(int handle) {
  return on_open_slot(handle, data_flash::byte_query, data_flash::ByteQuery::ReadStatus);
}
int tamr_DF_SaveBuftoMain(int handle) {
  return on_open_slot(handle, data_flash::save_buffer_to_main);
}
int tamr_DF_ReadCounter(int handle, int* counter) {
  return on_open_slot(handle, data_flash::read_counter, counter);
}
int tamr_DF_WriteCounter(int handle, int counter) {
  return on_open_slot(handle, data_flash::write_counter, counter);
}
int tamr_DF_ReadDataFlash(int handle, unsigned int address, int size, unsigned char* buffer) {
  return on_open_slot(handle, data_flash::read_block, address, size, buffer);
}
int tamr_DF_WriteDataFlash(int handle, unsigned int address, int size, unsigned char* data) {
  return on_open_slot(handle, data_flash::write_block, address, size, data);
}
int tamr_DF_ReadStatusReadyM3(int handle, unsigned char* value) {
  return on_open_slot(handle, data_flash::query_m3, data_flash::QueryM3::ReadStatusReady, value);
}
int tamr_DF_ReadStatusM3(int handle, unsigned char* value) {
  return on_open_slot(handle, data_flash::query_m3, data_flash::QueryM3::ReadStatus, value);
}
int tamr_DF_SetPowerOf2M3(int handle, unsigned char* value) {
  return on_open_slot(handle, data_flash::query_m3, data_flash::QueryM3::SetPowerOf2, value);
}
int tamr_DF_WriteDataFlashM3(int handle, unsigned int address, int size,
                             const unsigned char* data) {
  return on_open_slot(handle, data_flash::write_block_m3, address, size, data);
}
int tamr_DF_ReadDataFlashM3(int handle, unsigned int address, int size, unsigned char* buffer) {
  return on_open_slot(handle, data_flash::read_block_m3, address, size, buffer);
}
int tamrUpdateStartM3(int handle) { return on_open_slot(handle, data_flash::update_start_m3); }
int tamrUpdateFirmwareM3(int handle, const unsigned char* image, int size) {
  return on_open_slot(handle, data_flash::update_firmware_m3, image, size);
}

}  // extern "C"
