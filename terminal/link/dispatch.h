// Which terminal models run which operation, and in which framing.
#pragma once

#include <cstdint>
#include <optional>

namespace vornc::dispatch {

// Operations whose behaviour depends on the terminal model.
enum class Operation : std::uint8_t {
  GetVersion,
  GetParam,
  SetParam,
  ReadConfiguration,
  WriteConfiguration,
  Reboot,
  NetworkSetting,  // the twelve get/set operations on the loaded block's network fields
  ActivityWatchdog,
  LedOn,
  LedOff,
  LedTimer,
  RelayTimer,
  InitConfiguration,
  StartupSensor,
  IsFingerPresent,
  IsFingerPresentV2,
  GetImage,
  GetImageV2,
  UpdateFirmware,
  UpdateWeb,
  UpdateFirmwareM3,
  ConvertToBmp24V2,
};

// What an operation does on one model.
enum class Cell : std::uint8_t {
  NotSupported,  // returns -3, sends nothing
  ReturnsZero,   // returns 0, sends nothing
  NoWatchdog,    // returns -4, sends nothing
  Plain,         // runs, in plain commands
  Frame,         // runs, in CRC frames
  Local,         // runs on data held in the slot, sends nothing
};

// The protocol family of a device type.
enum class Family : std::uint8_t { Series120, Type122, Series220, Type321, None };

Family family_of(std::int32_t deviceType);

// The cell of an operation for a device type; NotSupported for types outside the table.
Cell cell(Operation op, std::int32_t deviceType);

// The result of an operation that sends nothing on this model, or nullopt when it runs.
std::optional<std::int32_t> immediate_result(Operation op, std::int32_t deviceType);

// Operations on a caller's socket that take the device type as an argument.
enum class SocketOperation : std::uint8_t { TransmitImage, GetImageFromClient, CloseConnection };

// Their cell for a device type: NotSupported for types outside 120, 220, 320, 321.
Cell socket_cell(SocketOperation op, std::int32_t deviceType);

}  // namespace vornc::dispatch
