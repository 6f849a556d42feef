#include "relay/exchange.h"

#include "relay/library.h"
#include "tamr11xc.h"

namespace relay::exchange {

int sent_result(const Outcome& o) { return o.sent ? TAMR_OK : TAMR_ERR_SEND; }

int recorded_result(const Outcome& o) {
  if (!o.sent) return TAMR_ERR_SEND;
  return o.whole() ? TAMR_OK : TAMR_ERR_REPLY;
}

Outcome run(const Command& command, RelaySlot& slot, const wire::request::Args& args,
            std::span<std::uint8_t> reply, std::span<const std::uint8_t> data) {
  const wire::Link link{slot.socket, library::lock(), &slot.lastStatus};
  return wire::run(command, link, args, reply, data);
}

}  // namespace relay::exchange
