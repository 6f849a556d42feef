#include "tests/terminal/link/terminal_script.h"

namespace terminal_script {

Bytes parameter_block(std::uint8_t raw_image_flag) {
  Bytes block(128);
  for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<std::uint8_t>(i * 7 + 1);
  block[40] = raw_image_flag;
  return block;
}

void expect_open_block_read(DevicePeer& terminal, int deviceType, const Bytes& block) {
  switch (deviceType) {
    case 122:
      terminal.expect(crc_frame('P')).reply(reply_frame('P', block));
      break;
    case 120:
    case 121:
    case 130:
    case 131:
    case 220:
      terminal.expect({'P', 'P', 0}).reply(block);
      break;
    default:
      break;
  }
}

void expect_yellow_led(DevicePeer& terminal, int deviceType, bool on) {
  const std::uint8_t code = on ? 2 : 253;
  switch (deviceType) {
    case 122:
      terminal.expect(crc_frame('A', {static_cast<std::uint8_t>(on ? 1 : 2), code}))
          .reply(reply_frame('A'));
      break;
    case 321:
      terminal.expect({'X', static_cast<std::uint8_t>(on ? 5 : 6)}).reply({0x01});
      break;
    case 220:
    case 320:
      if (on) {
        terminal.expect({'A', 1, 2}).expect({'A', 2, 223}).expect({'A', 2, 239});
      } else {
        terminal.expect({'A', 2, 253});
      }
      break;
    default:
      terminal.expect({'A', static_cast<std::uint8_t>(on ? 1 : 2), code});
      break;
  }
}

}  // namespace terminal_script
