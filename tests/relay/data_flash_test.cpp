// The data flash: block writes echoed or acknowledged, the counter, refused sizes, and
// the firmware update's order of writes, size, read-back and start.
#include "tests/relay/relay_fixture.h"

namespace relay_test {
namespace {

using DataFlash = RelayTest;

Bytes image(std::size_t n) {
  Bytes out(n);
  for (std::size_t i = 0; i < n; ++i) out[i] = static_cast<std::uint8_t>(i * 13 + 5);
  return out;
}
Bytes le32(std::uint32_t v) {
  return {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
          static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
}
Bytes le16(std::uint32_t v) {
  return {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8)};
}
Bytes slice(const Bytes& b, std::size_t from, std::size_t n) {
  return Bytes(b.begin() + static_cast<std::ptrdiff_t>(from),
               b.begin() + static_cast<std::ptrdiff_t>(from + n));
}

Bytes write_m3(std::uint32_t address, const Bytes& data) {
  return concat({{'$', 'W'}, le32(address), le16(static_cast<std::uint32_t>(data.size())), data});
}
Bytes read_m3(std::uint32_t address, std::size_t size) {
  return concat({{'$', 'R'}, le32(address), le16(static_cast<std::uint32_t>(size))});
}

TEST_F(DataFlash, BigEndianWriteSucceedsOnlyOnTheEchoWhichLandsOverTheData) {
  DevicePeer controller;
  const Bytes sent = image(10), echoed(10, 0xE1);
  controller.expect(concat({{'C', 'F', 'W', 0, 0, 0x10, 0}, {0, 10}, sent}))
      .reply(echoed)
      .expect(concat({{'C', 'F', 'W', 0, 0, 0x10, 0}, {0, 10}, sent}))
      .reply(Bytes(9, 0))
      .stay_silent();
  const int handle = open(controller);
  Bytes data = sent;
  EXPECT_EQ(tamr_DF_WriteDataFlash(handle, 0x1000, 10, data.data()), 0);
  EXPECT_EQ(data, echoed);
  data = sent;
  EXPECT_EQ(tamr_DF_WriteDataFlash(handle, 0x1000, 10, data.data()), TAMR_ERR_REPLY);
  EXPECT_EQ(last_status(handle), 9);
  controller.finish();
}

TEST_F(DataFlash, CounterIsBigEndianBothWays) {
  DevicePeer controller;
  controller.expect({'C', 'C', 'R'})
      .reply({0x00, 0x00, 0x01, 0x00})
      .expect({'C', 'C', 'R'})
      .reply({0xFF, 0xFF, 0xFF, 0xFE})
      .expect({'C', 'C', 'W', 0x12, 0x34, 0x56, 0x78})
      .reply(Bytes(4, 0))
      .stay_silent();
  const int handle = open(controller);
  int counter = 0;
  EXPECT_EQ(tamr_DF_ReadCounter(handle, &counter), 0);
  EXPECT_EQ(counter, 256);
  EXPECT_EQ(tamr_DF_ReadCounter(handle, &counter), 0);
  EXPECT_EQ(counter, -2);
  EXPECT_EQ(tamr_DF_WriteCounter(handle, 0x12345678), 0);
  controller.finish();
}

TEST_F(DataFlash, FullestBlocksFitTheRequestBuffer) {
  DevicePeer controller;
  const Bytes big = image(1015), m3 = image(1016);
  controller.expect(concat({{'C', 'F', 'W', 0, 0, 0, 0, 0x03, 0xF7}, big}))
      .reply(big)
      .expect(write_m3(0, m3))
      .reply({'$', 'W'})
      .stay_silent();
  const int handle = open(controller);
  Bytes data = big;
  EXPECT_EQ(tamr_DF_WriteDataFlash(handle, 0, 1015, data.data()), 0);
  EXPECT_EQ(tamr_DF_WriteDataFlashM3(handle, 0, 1016, m3.data()), 0);
  controller.finish();
}

TEST_F(DataFlash, SizesBeyondTheRequestOrNegativeAreRefusedBeforeSending) {
  DevicePeer controller;
  controller.stay_silent();
  const int handle = open(controller);
  Bytes data = image(2000);
  EXPECT_EQ(tamr_DF_WriteDataFlash(handle, 0, 1016, data.data()), TAMR_ERR_REPLY);
  EXPECT_EQ(tamr_DF_WriteDataFlash(handle, 0, -1, data.data()), TAMR_ERR_REPLY);
  EXPECT_EQ(tamr_DF_WriteDataFlashM3(handle, 0, 1017, data.data()), TAMR_ERR_REPLY);
  EXPECT_EQ(tamr_DF_WriteDataFlashM3(handle, 0, -1, data.data()), TAMR_ERR_REPLY);
  EXPECT_EQ(tamr_DF_WriteDataFlashM3(handle, 0, 0x10000 + 4, data.data()), TAMR_ERR_REPLY);
  EXPECT_EQ(tamr_DF_ReadDataFlash(handle, 0, -1, data.data()), TAMR_ERR_REPLY);
  EXPECT_EQ(tamr_DF_ReadDataFlashM3(handle, 0, 32768, data.data()), TAMR_ERR_REPLY);
  EXPECT_EQ(tamr_DF_ReadDataFlashM3(handle, 0, 16, nullptr), TAMR_ERR_REPLY);
  EXPECT_EQ(tamr_DF_WriteDataFlash(handle, 0, 4, nullptr), TAMR_ERR_REPLY);
  EXPECT_EQ(tamr_DF_ReadCounter(handle, nullptr), TAMR_ERR_REPLY);
  EXPECT_EQ(tamr_DF_ReadStatusM3(handle, nullptr), TAMR_ERR_REPLY);
  EXPECT_EQ(tamrUpdateFirmwareM3(handle, data.data(), 128001), TAMR_ERR_REPLY);
  EXPECT_EQ(tamrUpdateFirmwareM3(handle, data.data(), -1), TAMR_ERR_REPLY);
  EXPECT_EQ(tamrUpdateFirmwareM3(handle, data.data(), 0), TAMR_ERR_REPLY);
  EXPECT_EQ(tamrUpdateFirmwareM3(handle, nullptr, 600), TAMR_ERR_REPLY);
  controller.finish();
  EXPECT_EQ(controller.received(), Bytes{});
}

TEST_F(DataFlash, EmptyBlocksAreSentAndNeedNoAnswerBytes) {
  DevicePeer controller;
  controller.expect({'C', 'F', 'R', 0, 0, 0, 8, 0, 0})
      .expect(write_m3(8, {}))
      .reply({'$', 'W'})
      .stay_silent();
  const int handle = open(controller);
  EXPECT_EQ(tamr_DF_ReadDataFlash(handle, 8, 0, nullptr), 0);
  EXPECT_EQ(tamr_DF_WriteDataFlashM3(handle, 8, 0, nullptr), 0);
  controller.finish();
}

// The controller's side of an update: every write acknowledged, the blocks read back as
// `stored` holds them, then perhaps the start command.
void play_update(DevicePeer& controller, const Bytes& written, const Bytes& stored, bool started) {
  const std::size_t size = written.size();
  for (std::size_t at = 0; at < size; at += 256) {
    controller
        .expect(write_m3(static_cast<std::uint32_t>(256 + at),
                         slice(written, at, std::min<std::size_t>(256, size - at))))
        .reply({'$', 'W'});
  }
  controller.expect(write_m3(0, le32(static_cast<std::uint32_t>(size)))).reply({'$', 'W'});
  for (std::size_t at = 0; at < size; at += 256) {
    const std::size_t n = std::min<std::size_t>(256, size - at);
    controller.expect(read_m3(static_cast<std::uint32_t>(256 + at), n)).reply(slice(stored, at, n));
  }
  if (started) controller.expect({'*', 'U'});
  controller.stay_silent();
}

TEST_F(DataFlash, UpdateWritesTheImageThenItsSizeReadsItBackAndStarts) {
  for (std::size_t size : {600u, 512u}) {
    DevicePeer controller;
    const Bytes firmware = image(size);
    play_update(controller, firmware, firmware, true);
    const int handle = open(controller);
    const Stopwatch watch;
    EXPECT_EQ(tamrUpdateFirmwareM3(handle, firmware.data(), static_cast<int>(size)), 1);
    EXPECT_GE(watch.ms(), 95) << "the pause after the start command";
    controller.finish();
    if (size == 600) {
      // After the blocks of 256, 256 and 88 bytes: the size, at address 0.
      EXPECT_EQ(hex(slice(controller.received(), 2 * (8 + 256) + 8 + 88, 12)),
                "24 57 00 00 00 00 04 00 58 02 00 00");
    }
    tamrCloseDevice(handle);
  }
}

TEST_F(DataFlash, UpdateWithALastByteReadBackWrongIsNotStarted) {
  DevicePeer controller;
  const Bytes firmware = image(600);
  Bytes stored = firmware;
  stored.back() ^= 0x01;
  play_update(controller, firmware, stored, false);
  const int handle = open(controller);
  EXPECT_EQ(tamrUpdateFirmwareM3(handle, firmware.data(), 600), 0);
  platform::sleep_ms(150);
  controller.finish();
  const Bytes received = controller.received();
  EXPECT_NE(received[received.size() - 2], '*') << "no start command after a mismatch";
}

TEST_F(DataFlash, UpdateWithAFailedReadBackIsNotStartedEvenOverEqualBytes) {
  DevicePeer controller;
  // An image of zeros: a read-back block that never arrives must not pass as equal.
  const Bytes firmware(300, 0);
  controller.expect(write_m3(256, slice(firmware, 0, 256)))
      .reply({'$', 'W'})
      .expect(write_m3(512, slice(firmware, 256, 44)))
      .reply({'$', 'W'})
      .expect(write_m3(0, le32(300)))
      .reply({'$', 'W'})
      .expect(read_m3(256, 256))
      .reply(slice(firmware, 0, 256))
      .expect(read_m3(512, 44))
      .reply(Bytes(10, 0))
      .stay_silent();
  const int handle = open(controller);
  EXPECT_EQ(tamrUpdateFirmwareM3(handle, firmware.data(), 300), 0);
  platform::sleep_ms(150);
  controller.finish();
  EXPECT_EQ(controller.received().size(), 8u + 256 + 8 + 44 + 8 + 4 + 8 + 8);
}

TEST_F(DataFlash, UpdateWhoseSizeHeaderIsNotAcknowledgedIsNotStarted) {
  DevicePeer controller;
  const Bytes firmware = image(100);
  controller.expect(write_m3(256, firmware))
      .reply({'$', 'W'})
      .expect(write_m3(0, le32(100)))
      .reply({'$'})  // cut short
      .expect(read_m3(256, 100))
      .reply(firmware)
      .stay_silent();
  const int handle = open(controller);
  EXPECT_EQ(tamrUpdateFirmwareM3(handle, firmware.data(), 100), 0);
  platform::sleep_ms(150);
  controller.finish();
  EXPECT_EQ(controller.received().size(), 8u + 100 + 8 + 4 + 8);
}

}  // namespace
}  // namespace relay_test
