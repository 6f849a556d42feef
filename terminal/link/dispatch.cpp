#include "terminal/link/dispatch.h"

#include <array>

#include "vornc.h"
#include "wire/enum_table.h"

namespace vornc::dispatch {
namespace {

constexpr std::array<std::int32_t, 8> kColumns = {120, 121, 122, 130, 131, 220, 320, 321};

struct Row {
  Operation op;
  std::array<Cell, 8> cells;  // in the order of kColumns
};

constexpr Cell P = Cell::Plain;
constexpr Cell F = Cell::Frame;
constexpr Cell L = Cell::Local;
constexpr Cell Z = Cell::ReturnsZero;
constexpr Cell U = Cell::NotSupported;
constexpr Cell W = Cell::NoWatchdog;

// clang-format off
constexpr Row kTable[] = {
    //                                 120 121 122 130 131 220 320 321
    {Operation::GetVersion,          {P,  P,  F,  P,  P,  P,  P,  P}},
    {Operation::GetParam,            {P,  P,  F,  P,  P,  P,  P,  P}},
    {Operation::SetParam,            {P,  P,  F,  P,  P,  P,  P,  P}},
    {Operation::ReadConfiguration,   {P,  P,  P,  Z,  P,  Z,  Z,  Z}},
    {Operation::WriteConfiguration,  {P,  P,  P,  Z,  P,  Z,  Z,  Z}},
    {Operation::Reboot,              {P,  P,  F,  Z,  P,  Z,  Z,  P}},
    {Operation::NetworkSetting,      {L,  L,  L,  Z,  L,  Z,  Z,  Z}},
    {Operation::ActivityWatchdog,    {W,  P,  W,  W,  W,  W,  W,  W}},
    {Operation::LedOn,               {P,  P,  F,  P,  P,  P,  P,  P}},
    {Operation::LedOff,              {P,  P,  F,  P,  P,  P,  P,  P}},
    {Operation::LedTimer,            {P,  P,  Z,  P,  P,  Z,  Z,  P}},
    {Operation::RelayTimer,          {P,  Z,  Z,  Z,  Z,  Z,  Z,  Z}},
    {Operation::InitConfiguration,   {P,  P,  F,  P,  P,  Z,  Z,  Z}},
    {Operation::StartupSensor,       {P,  P,  F,  P,  P,  Z,  Z,  Z}},
    {Operation::IsFingerPresent,     {P,  P,  F,  P,  P,  P,  P,  P}},
    {Operation::IsFingerPresentV2,   {P,  P,  F,  P,  P,  P,  P,  P}},
    {Operation::GetImage,            {P,  P,  F,  P,  P,  L,  L,  L}},
    {Operation::GetImageV2,          {P,  P,  F,  P,  P,  P,  P,  P}},
    {Operation::UpdateFirmware,      {P,  P,  F,  P,  P,  P,  P,  Z}},
    {Operation::UpdateWeb,           {Z,  P,  Z,  Z,  Z,  Z,  Z,  Z}},
    {Operation::UpdateFirmwareM3,    {U,  U,  U,  U,  U,  U,  U,  P}},
    {Operation::ConvertToBmp24V2,    {P,  U,  U,  U,  U,  P,  U,  U}},
};
// clang-format on

static_assert(wire::indexed_by(kTable, &Row::op, Operation::ConvertToBmp24V2));

constexpr std::array<std::int32_t, 4> kSocketColumns = {120, 220, 320, 321};

struct SocketRow {
  SocketOperation op;
  std::array<Cell, 4> cells;  // in the order of kSocketColumns
};

constexpr SocketRow kSocketTable[] = {
    //                                     120 220 320 321
    {SocketOperation::TransmitImage, {P, P, P, P}},
    {SocketOperation::GetImageFromClient, {Z, P, P, P}},
    {SocketOperation::CloseConnection, {P, P, P, P}},
};
static_assert(wire::indexed_by(kSocketTable, &SocketRow::op, SocketOperation::CloseConnection));

template <typename Rows, typename Columns, typename Op>
Cell lookup(const Rows& rows, const Columns& columns, Op op, std::int32_t deviceType) {
  for (std::size_t column = 0; column < columns.size(); ++column) {
    if (columns[column] == deviceType) return rows[static_cast<std::size_t>(op)].cells[column];
  }
  return Cell::NotSupported;
}

}  // namespace

Family family_of(std::int32_t deviceType) {
  switch (deviceType) {
    case 120:
    case 121:
    case 130:
    case 131:
      return Family::Series120;
    case 122:
      return Family::Type122;
    case 220:
    case 320:
      return Family::Series220;
    case 321:
      return Family::Type321;
    default:
      return Family::None;
  }
}

Cell cell(Operation op, std::int32_t deviceType) {
  return lookup(kTable, kColumns, op, deviceType);
}

Cell socket_cell(SocketOperation op, std::int32_t deviceType) {
  return lookup(kSocketTable, kSocketColumns, op, deviceType);
}

std::optional<std::int32_t> immediate_result(Operation op, std::int32_t deviceType) {
  switch (cell(op, deviceType)) {
    case Cell::NotSupported:
      return VORN_NOT_SUPPORTED;
    case Cell::ReturnsZero:
      return VORN_OK;
    case Cell::NoWatchdog:
      return VORN_NO_SOCKET;
    default:
      return std::nullopt;
  }
}

}  // namespace vornc::dispatch
