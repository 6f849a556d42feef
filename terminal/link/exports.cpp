// The exported entry points of libvornc.so: argument checks, then the operation.
#include "terminal/firmware/data_flash.h"
#include "terminal/firmware/firmware_update.h"
#include "terminal/link/connection.h"
#include "terminal/link/device_table.h"
#include "terminal/link/identity.h"
#include "terminal/link/network.h"
#include "terminal/link/outputs.h"
#include "terminal/link/relay_board.h"
#include "terminal/link/store.h"
#include "vornc.h"

using namespace vornc;

namespace {

constexpr const char kSdkVersion[] = "Version 3.12.08 vornc.dll 15/01/2015";

// Runs an operation on a handle's slot; a handle outside the table sends nothing.
template <typename Operation>
std::int32_t on_slot(std::int32_t handle, Operation operation) {
  TerminalSlot* slot = slot_of(handle);
  return slot != nullptr ? operation(*slot) : VORN_SEND_FAILED;
}

// As on_slot, for operations that read or fill a caller's buffer.
template <typename Buffer, typename Operation>
std::int32_t on_slot_with(std::int32_t handle, Buffer* buffer, Operation operation) {
  if (buffer == nullptr) return VORN_NO_REPLY;
  return on_slot(handle, operation);
}

std::uint8_t low_byte(std::int32_t v) { return static_cast<std::uint8_t>(v & 0xFF); }

}  // namespace

extern "C" {

// ---- Library and connection ----

const char* vornGetSDKVersion(void) { return kSdkVersion; }

int32_t vornSetOpenTimeout(int32_t milliseconds) {
  library().openTimeoutMs = milliseconds;
  return milliseconds;
}

int32_t vornOpenDevice(int32_t deviceType, const char* host, int32_t port) {
  return connection::open_device(deviceType, host, port);
}

int32_t vornOpenDeviceBySocket(int32_t deviceType, int32_t socket) {
  return connection::open_device_by_socket(deviceType, socket);
}

int32_t vornOpenDeviceBySocketI(int32_t socket) {
  return connection::open_device_by_socket_querying_type(socket);
}

int32_t vornCloseDevice(int32_t handle) {
  TerminalSlot* slot = slot_of(handle);
  return slot != nullptr ? connection::close_device(*slot) : VORN_OK;
}

int32_t vornCloseSocketByDevice(int32_t handle) {
  return on_slot(handle, connection::close_socket_by_device);
}

int32_t vornCloseSocketByDeviceA(int32_t handle) {
  return on_slot(handle, connection::close_socket_by_device_acknowledged);
}

int32_t vornGetType(int32_t handle) {
  const TerminalSlot* slot = slot_of(handle);
  return slot != nullptr ? slot->type() : 0;
}

int32_t vornGetDeviceType(int32_t handle) { return on_slot(handle, connection::get_device_type); }

int32_t vornGetTypeDevice(int32_t handle, unsigned char* out) {
  return on_slot_with(handle, out,
                      [&](TerminalSlot& s) { return connection::get_type_byte(s, out); });
}

int32_t vornGetTypeChannel(int32_t handle, unsigned char* out) {
  return on_slot_with(handle, out,
                      [&](TerminalSlot& s) { return connection::get_channel_type_byte(s, out); });
}

int32_t vornStartActive(int32_t deviceType, const char* host, int32_t port) {
  return connection::set_active(deviceType, host, port, true);
}

int32_t vornStopActive(int32_t deviceType, const char* host, int32_t port) {
  return connection::set_active(deviceType, host, port, false);
}

// ---- Identity and configuration block ----

int32_t vornGetVersion(int32_t handle, unsigned char* version) {
  return on_slot_with(handle, version,
                      [&](TerminalSlot& s) { return identity::get_version(s, version); });
}

int32_t vornGetParam(int32_t handle, unsigned char* params) {
  return on_slot_with(handle, params,
                      [&](TerminalSlot& s) { return identity::get_param(s, params); });
}

int32_t vornSetParam(int32_t handle, const unsigned char* params) {
  return on_slot_with(handle, params,
                      [&](TerminalSlot& s) { return identity::set_param(s, params); });
}

int32_t vornReadConfiguration(int32_t handle) {
  return on_slot(handle, identity::read_configuration);
}

int32_t vornWriteConfiguration(int32_t handle) {
  return on_slot(handle, identity::write_configuration);
}

int32_t vornReboot(int32_t handle) { return on_slot(handle, identity::reboot); }

// ---- Network settings and activity watchdog ----

int32_t vornSetIPaddress(int32_t handle, const char* text) {
  return on_slot_with(handle, text, [&](TerminalSlot& s) {
    return network::set_address(s, network::Setting::Address, text);
  });
}

int32_t vornSetIPGetway(int32_t handle, const char* text) {
  return on_slot_with(handle, text, [&](TerminalSlot& s) {
    return network::set_address(s, network::Setting::Gateway, text);
  });
}

int32_t vornSetMask(int32_t handle, const char* text) {
  return on_slot_with(handle, text, [&](TerminalSlot& s) {
    return network::set_address(s, network::Setting::Mask, text);
  });
}

int32_t vornSetIPServerAddress(int32_t handle, const char* text) {
  return on_slot_with(handle, text, [&](TerminalSlot& s) {
    return network::set_address(s, network::Setting::ServerAddress, text);
  });
}

int32_t vornGetIPaddress(int32_t handle, char* text) {
  return on_slot_with(handle, text, [&](TerminalSlot& s) {
    return network::get_address(s, network::Setting::Address, text);
  });
}

int32_t vornGetIPGetway(int32_t handle, char* text) {
  return on_slot_with(handle, text, [&](TerminalSlot& s) {
    return network::get_address(s, network::Setting::Gateway, text);
  });
}

int32_t vornGetMask(int32_t handle, char* text) {
  return on_slot_with(handle, text, [&](TerminalSlot& s) {
    return network::get_address(s, network::Setting::Mask, text);
  });
}

int32_t vornGetIPServerAddress(int32_t handle, char* text) {
  return on_slot_with(handle, text, [&](TerminalSlot& s) {
    return network::get_address(s, network::Setting::ServerAddress, text);
  });
}

int32_t vornSetPort(int32_t handle, int32_t port) {
  return on_slot(
      handle, [&](TerminalSlot& s) { return network::set_port(s, network::Setting::Port, port); });
}

int32_t vornSetPortServer(int32_t handle, int32_t port) {
  return on_slot(handle, [&](TerminalSlot& s) {
    return network::set_port(s, network::Setting::ServerPort, port);
  });
}

int32_t vornGetPort(int32_t handle, uint16_t* port) {
  return on_slot_with(handle, port, [&](TerminalSlot& s) {
    return network::get_port(s, network::Setting::Port, port);
  });
}

int32_t vornGetPortServer(int32_t handle, uint16_t* port) {
  return on_slot_with(handle, port, [&](TerminalSlot& s) {
    return network::get_port(s, network::Setting::ServerPort, port);
  });
}

int32_t vornSetActivityWatchdog(int32_t handle, int32_t value) {
  return on_slot(
      handle, [&](TerminalSlot& s) { return network::set_activity_watchdog(s, low_byte(value)); });
}

int32_t vornResetActivityWatchdog(int32_t handle) {
  return on_slot(handle, network::reset_activity_watchdog);
}

int32_t vornGetStatusActivityWatchdog(int32_t handle) {
  return on_slot(handle, network::get_status_activity_watchdog);
}

// ---- Indicators and outputs ----

int32_t vornLedON(int32_t handle, int32_t code) {
  return on_slot(handle, [&](TerminalSlot& s) { return outputs::led_on(s, low_byte(code)); });
}

int32_t vornLedOFF(int32_t handle, int32_t code) {
  return on_slot(handle, [&](TerminalSlot& s) { return outputs::led_off(s, low_byte(code)); });
}

int32_t vornLedTimer(int32_t handle, int32_t code, int32_t value) {
  return on_slot(handle, [&](TerminalSlot& s) {
    return outputs::led_timer(s, low_byte(code), low_byte(value));
  });
}

int32_t vornFlashLED(int32_t handle, int32_t type, int32_t milliseconds) {
  return on_slot(handle,
                 [&](TerminalSlot& s) { return outputs::flash_led(s, type, milliseconds); });
}

void vornDisableYellowLED(void) { library().yellowLedDisabled = true; }

void vornEnableYellowLED(void) { library().yellowLedDisabled = false; }

int32_t vornRelay(int32_t handle, int32_t milliseconds) {
  return on_slot(handle, [&](TerminalSlot& s) { return outputs::relay(s, milliseconds); });
}

int32_t vornRelayON(int32_t handle) { return on_slot(handle, outputs::relay_on); }

int32_t vornRelayOFF(int32_t handle) { return on_slot(handle, outputs::relay_off); }

int32_t vornRelayTimer(int32_t handle) { return on_slot(handle, outputs::relay_timer); }

int32_t vornFlashOn(int32_t handle, int32_t value, int32_t milliseconds) {
  return on_slot(
      handle, [&](TerminalSlot& s) { return outputs::flash_on(s, low_byte(value), milliseconds); });
}

int32_t vornFlashOff(int32_t handle, int32_t value) {
  return on_slot(handle, [&](TerminalSlot& s) { return outputs::flash_off(s, low_byte(value)); });
}

int32_t vornSendToSerial(int32_t handle, const unsigned char* data, int32_t size) {
  if (data == nullptr && low_byte(size) != 0) return VORN_NO_REPLY;
  return on_slot(handle,
                 [&](TerminalSlot& s) { return outputs::send_to_serial(s.socket, data, size); });
}

int32_t vornGetTemp(int32_t handle, unsigned char* out) {
  return on_slot_with(handle, out, [&](TerminalSlot& s) { return outputs::get_temp(s, out); });
}

int32_t vornGetMsgErrors(int32_t handle, unsigned char* out) {
  return on_slot_with(handle, out,
                      [&](TerminalSlot& s) { return outputs::get_msg_errors(s, out); });
}

int32_t vornCloseConnection(int32_t deviceType, int32_t socket) {
  return outputs::close_connection(deviceType, socket);
}

int32_t vornFlashGreenLedON(int32_t socket) { return outputs::flash_green_led(socket, true); }

int32_t vornFlashGreenLedOFF(int32_t socket) { return outputs::flash_green_led(socket, false); }

int32_t vornClientLedON(int32_t socket, int32_t code) {
  return outputs::client_led(socket, true, low_byte(code));
}

int32_t vornClientLedOFF(int32_t socket, int32_t code) {
  return outputs::client_led(socket, false, low_byte(code));
}

int32_t vornClientSendToSerial(int32_t socket, const unsigned char* data, int32_t size) {
  if (data == nullptr && low_byte(size) != 0) return VORN_NO_REPLY;
  return outputs::send_to_serial(socket, data, size);
}

// ---- User and template store ----

int32_t vornSendCommand(int32_t handle, int32_t command, int32_t value) {
  return on_slot(handle, [&](TerminalSlot& s) {
    return store::send_command(s, low_byte(command), low_byte(value));
  });
}

int32_t vornWriteTemplateToNESK(int32_t handle, const unsigned char* data, int32_t size) {
  if (size < 0) return VORN_NO_REPLY;
  return on_slot_with(handle, data,
                      [&](TerminalSlot& s) { return store::write_template(s, data, size); });
}

int32_t vornReadTemplateFromNESK(int32_t handle, unsigned char* buffer, int32_t size) {
  if (size < 0) return VORN_NO_REPLY;
  return on_slot_with(handle, buffer, [&](TerminalSlot& s) {
    return store::read_template(s, buffer, size, false);
  });
}

int32_t vornReadTemplateFromMemoryNESK(int32_t handle, unsigned char* buffer, int32_t size) {
  if (size < 0) return VORN_NO_REPLY;
  return on_slot_with(handle, buffer,
                      [&](TerminalSlot& s) { return store::read_template(s, buffer, size, true); });
}

int32_t vornDeleteTemplateInNESK(int32_t handle) { return on_slot(handle, store::delete_template); }

int32_t vornLoadDataFromFlashInNESK(int32_t handle) {
  return on_slot(handle, store::load_from_flash);
}

int32_t vornSaveDataToFlashInNESK(int32_t handle) { return on_slot(handle, store::save_to_flash); }

int32_t vornCreateUserInNESK(int32_t handle, unsigned char* userNumber, const char* name1,
                             const char* name2) {
  if (name1 == nullptr || name2 == nullptr) return VORN_NO_REPLY;
  return on_slot_with(handle, userNumber, [&](TerminalSlot& s) {
    return store::put_user(s, false, userNumber, name1, name2);
  });
}

int32_t vornModifyUserInNESK(int32_t handle, unsigned char* userNumber, const char* name1,
                             const char* name2) {
  if (name1 == nullptr || name2 == nullptr) return VORN_NO_REPLY;
  return on_slot_with(handle, userNumber, [&](TerminalSlot& s) {
    return store::put_user(s, true, userNumber, name1, name2);
  });
}

int32_t vornDeleteUserInNESK(int32_t handle, int32_t userNumber) {
  return on_slot(handle,
                 [&](TerminalSlot& s) { return store::delete_user(s, low_byte(userNumber)); });
}

int32_t vornDeleteTemplatesOfUserInNESK(int32_t handle, int32_t userNumber) {
  return on_slot(handle, [&](TerminalSlot& s) {
    return store::delete_templates_of_user(s, low_byte(userNumber));
  });
}

int32_t vornCreateTemplateInNESK(int32_t handle, int32_t value) {
  return on_slot(handle,
                 [&](TerminalSlot& s) { return store::create_template(s, low_byte(value)); });
}

int32_t vornStopCreateTemplateInNESK(int32_t handle) {
  return on_slot(handle, store::stop_create_template);
}

int32_t vornGetRecognitionID(int32_t handle, unsigned char* buffer) {
  return on_slot_with(handle, buffer,
                      [&](TerminalSlot& s) { return store::get_recognition_id(s, buffer); });
}

int32_t vornGetFPCode(int32_t handle, unsigned char* code) {
  return on_slot_with(handle, code, [&](TerminalSlot& s) { return store::get_fp_code(s, code); });
}

// ---- Relay-board commands ----

int tamrRelayOn(int handle, int mask) {
  return on_slot(handle, [&](TerminalSlot& s) {
    return relay_board::send_order(s, relay_board::Order::RelayOn, mask);
  });
}

int tamrRelayOff(int handle, int mask) {
  return on_slot(handle, [&](TerminalSlot& s) {
    return relay_board::send_order(s, relay_board::Order::RelayOff, mask);
  });
}

int tamrAllRelayOff(int handle) {
  return on_slot(handle, [&](TerminalSlot& s) {
    return relay_board::send_order(s, relay_board::Order::AllRelayOff, 0);
  });
}

int tamrSendInputStatusOn(int handle) {
  return on_slot(handle, [&](TerminalSlot& s) {
    return relay_board::send_order(s, relay_board::Order::InputStatusOn, 0);
  });
}

int tamrSendInputStatusOff(int handle) {
  return on_slot(handle, [&](TerminalSlot& s) {
    return relay_board::send_order(s, relay_board::Order::InputStatusOff, 0);
  });
}

int tamrGetStatusRelay(int handle, unsigned char* status) {
  return on_slot_with(handle, status, [&](TerminalSlot& s) {
    return relay_board::read_status(s, relay_board::Status::Relay, status);
  });
}

int tamrGetStatusInput(int handle, unsigned char* status) {
  return on_slot_with(handle, status, [&](TerminalSlot& s) {
    return relay_board::read_status(s, relay_board::Status::Input, status);
  });
}

int tamrGetAnswer(int handle, unsigned char* status) {
  return on_slot_with(handle, status,
                      [&](TerminalSlot& s) { return relay_board::read_answer(s, status); });
}

// ---- Firmware and web-content update ----

int32_t vornUpdateFirmware(int32_t handle, const unsigned char* image) {
  return on_slot_with(handle, image,
                      [&](TerminalSlot& s) { return firmware::update_firmware(s, image); });
}

int32_t vornUpdateWEB(int32_t handle, const unsigned char* content, int32_t length) {
  if (length < 0) return VORN_NO_REPLY;
  return on_slot_with(handle, content, [&](TerminalSlot& s) {
    return firmware::update_web(s, {content, static_cast<std::size_t>(length)});
  });
}

int32_t vornUpdateFirmwareM4(int32_t handle, const unsigned char* image, int32_t length) {
  if (length < 0) return VORN_NO_REPLY;
  return on_slot_with(handle, image, [&](TerminalSlot& s) {
    return firmware::update_firmware_m4(s, {image, static_cast<std::size_t>(length)});
  });
}

int32_t vornUpdateWebM4(int32_t handle, const unsigned char* content, int32_t length) {
  if (length < 0) return VORN_NO_REPLY;
  return on_slot_with(handle, content, [&](TerminalSlot& s) {
    return firmware::update_web_m4(s, {content, static_cast<std::size_t>(length)});
  });
}

int32_t vornUpdateFirmwareM3(int32_t handle, const unsigned char* image, uint32_t length) {
  return on_slot_with(handle, image, [&](TerminalSlot& s) {
    return firmware::update_firmware_m3(s, {image, static_cast<std::size_t>(length)});
  });
}

// ---- Data flash and sensor registers ----

int32_t vorn_DF_ReadStatusM3(int32_t handle, unsigned char* status) {
  return on_slot_with(handle, status, [&](TerminalSlot& s) {
    return data_flash::query(s, data_flash::Query::ReadStatus, status);
  });
}

int32_t vorn_DF_SetPowerOf2M3(int32_t handle, unsigned char* status) {
  return on_slot_with(handle, status, [&](TerminalSlot& s) {
    return data_flash::query(s, data_flash::Query::SetPowerOf2, status);
  });
}

int32_t vornSetRegParamVORN321(int32_t handle, int32_t first, int32_t second, int32_t third) {
  return on_slot(handle, [&](TerminalSlot& s) {
    return data_flash::set_registers(s, data_flash::Registers::Running, first, second, third);
  });
}

int32_t vornSetRegParamToFlashVORN321(int32_t handle, int32_t first, int32_t second,
                                      int32_t third) {
  return on_slot(handle, [&](TerminalSlot& s) {
    return data_flash::set_registers(s, data_flash::Registers::Stored, first, second, third);
  });
}

}  // extern "C"
