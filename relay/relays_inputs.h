// Relay and input commands: switching, relay and input status, unasked input reports.
#pragma once

#include <cstdint>

#include "relay/device_table.h"

namespace relay::relays {

using device_table::RelaySlot;

enum class Switch { On, Off, OnTimer, AllOff, OnE16, OffE16, OnTimerE16 };
enum class Status { Relay, RelayE16, Input };
enum class Report { On, Off };

int switch_relays(RelaySlot& slot, Switch which, int mask, int time);
int switch_byte(RelaySlot& slot, int value);
int input_reports(RelaySlot& slot, Report which);
int read_status(RelaySlot& slot, Status which, std::uint8_t* status);
int read_answer(RelaySlot& slot, std::uint8_t* status);

}  // namespace relay::relays
