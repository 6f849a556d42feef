// The controller's commands are rows of the shared command layer, played on a slot's
// connection with the library lock; this file turns their outcomes into results.
#pragma once

#include <cstdint>
#include <span>

#include "relay/device_table.h"
#include "wire/command.h"

namespace relay::exchange {

using device_table::RelaySlot;
using wire::Command;
using wire::kSizedByCall;
using wire::Outcome;
using wire::Records;
using wire::Wait;

// The controller's own request buffer: it bounds the data a block write can carry.
inline constexpr std::size_t kRequestBufferBytes = 1024;

// The result of a command that awaits nothing: 0 once sent, else -2.
int sent_result(const Outcome& o);
// The result of a recorded wait that only needs the whole reply: 0, -1 or -2.
int recorded_result(const Outcome& o);

// Plays a row on a slot (see wire::run).
Outcome run(const Command& command, RelaySlot& slot, const wire::request::Args& args,
            std::span<std::uint8_t> reply = {}, std::span<const std::uint8_t> data = {});

}  // namespace relay::exchange
