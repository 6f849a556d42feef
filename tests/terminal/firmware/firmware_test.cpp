// Firmware and web-content updates: the stream, the echoed chunks, the M4 steps and the
// type 321's write and read-back through its data flash.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/terminal/firmware/flash_script.h"
#include "vornc.h"

namespace {

using namespace terminal_script;
using namespace flash_script;
using test_support::elapsed_ms;
using test_support::hex;
using test_support::peer_clock_ms;
using test_support::shows_pause;
using FirmwareM3 = TerminalTest;
using EchoUpdate = TerminalTest;
using StreamUpdate = TerminalTest;
using UpdateDispatch = TerminalTest;

constexpr std::size_t kImageBytes = 524288;
constexpr std::size_t kChunk = 1024;
constexpr int kAfterBeginMs = 100;
constexpr int kAfterUpdateStartMs = 100;
constexpr int kStreamPacingMs = 5;

// The bytes of the open's own parameter read, which the terminal receives first.
std::size_t open_bytes(int type) {
  return type == 122 ? 6 : (type == 321 || type == 1000 || type == 320) ? 0 : 3;
}
// What the terminal received after the open.
Bytes after_open(const DevicePeer& terminal, int type) {
  const Bytes all = terminal.received();
  const std::size_t open = std::min(open_bytes(type), all.size());
  return Bytes(all.begin() + static_cast<std::ptrdiff_t>(open), all.end());
}
Bytes slice(const Bytes& b, std::size_t offset, std::size_t n) {
  return Bytes(b.begin() + static_cast<std::ptrdiff_t>(offset),
               b.begin() + static_cast<std::ptrdiff_t>(offset + n));
}

// ---- Type 321: data flash write and read-back ----

struct M3Row {
  std::string name;
  Bytes image;
  // What the terminal sends back for the page at this offset (default: the page).
  std::function<Bytes(std::size_t offset, const Bytes& page)> read_back;
  Bytes length_acknowledgement;
  int result;
};

Bytes as_stored(std::size_t, const Bytes& page) { return page; }

const std::vector<M3Row>& m3_rows() {
  static const std::vector<M3Row> rows = {
      {"600 bytes", image_of(600), as_stored, kWriteAcknowledged, 1},
      {"last byte read back differs", image_of(600),
       [](std::size_t offset, const Bytes& page) {
         Bytes b = page;
         if (offset == 512) b.back() ^= 0x01;
         return b;
       },
       kWriteAcknowledged, 0},
      // Zeros read back short would equal the zeroed read-back area.
      {"a short read of a zero image", Bytes(600, 0),
       [](std::size_t offset, const Bytes& page) {
         return offset == 512 ? slice(page, 0, page.size() - 1) : page;
       },
       kWriteAcknowledged, 0},
      {"length write unacknowledged", image_of(600), as_stored, {'$'}, 0},
  };
  return rows;
}

TEST_F(FirmwareM3, WritesPagesThenLengthReadsBackAndStartsOnlyWhenEqual) {
  vornDisableYellowLED();
  for (const auto& row : m3_rows()) {
    SCOPED_TRACE(row.name);
    const Bytes& image = row.image;
    Bytes expected_traffic;
    DevicePeer terminal;
    const int handle = open_scripted(terminal, 321, [&](DevicePeer& t) {
      for (std::size_t offset = 0; offset < image.size(); offset += 256) {
        const Bytes page = slice(image, offset, std::min<std::size_t>(256, image.size() - offset));
        const Bytes w = flash_write(static_cast<std::uint32_t>(256 + offset), page);
        t.expect(w).reply(kWriteAcknowledged);
        expected_traffic = concat({expected_traffic, w});
      }
      const Bytes length = flash_write(0, le32(static_cast<std::uint32_t>(image.size())));
      t.expect(length).reply(row.length_acknowledgement);
      expected_traffic = concat({expected_traffic, length});
      for (std::size_t offset = 0; offset < image.size(); offset += 256) {
        const Bytes page = slice(image, offset, std::min<std::size_t>(256, image.size() - offset));
        const Bytes r = flash_read(static_cast<std::uint32_t>(256 + offset), page.size());
        t.expect(r).reply(row.read_back(offset, page));
        expected_traffic = concat({expected_traffic, r});
      }
    });
    ASSERT_GE(handle, 0);
    if (row.result == 1) expected_traffic = concat({expected_traffic, {'*', 'U'}});

    const double start = peer_clock_ms();
    EXPECT_EQ(vornUpdateFirmwareM3(handle, image.data(), static_cast<std::uint32_t>(image.size())),
              row.result);
    const double end = peer_clock_ms();
    terminal.finish();
    EXPECT_EQ(hex(terminal.received()), hex(expected_traffic));
    if (row.result == 1) {
      // The terminal starts the new image before anything else may come.
      EXPECT_TRUE(
          shows_pause(end - terminal.arrival_ms(expected_traffic.size() - 1), kAfterUpdateStartMs));
      EXPECT_GE(end - start, kAfterUpdateStartMs);
    }
    vornCloseDevice(handle);
  }
}

// Nothing goes out for an image the read-back could not check, nor on another model.
TEST_F(FirmwareM3, RefusalsSendNothing) {
  struct Refusal {
    std::string name;
    int type;
    bool null_image;
    std::uint32_t length;
    int result;
  };
  const std::vector<Refusal> refusals = {
      {"empty", 321, false, 0, -1},
      {"longer than the read-back area", 321, false, 128001, -1},
      {"null image", 321, true, 600, -1},
      {"type 320", 320, false, 600, -3},
  };
  const Bytes image(128001, 0x5A);
  for (const auto& r : refusals) {
    SCOPED_TRACE(r.name);
    DevicePeer terminal;
    const int handle = open_scripted(terminal, r.type, [](DevicePeer&) {});
    EXPECT_EQ(vornUpdateFirmwareM3(handle, r.null_image ? nullptr : image.data(), r.length),
              r.result);
    terminal.finish();
    EXPECT_TRUE(terminal.received().empty()) << hex(terminal.received());
  }
}

// ---- Echo method ----

// The plain echo of chunk n, or the 122's frame around it.
Bytes chunk_request(int type, const Bytes& chunk) {
  return type == 122 ? crc_frame('U', chunk) : concat({{'U'}, chunk});
}
Bytes chunk_echo(int type, const Bytes& chunk) {
  return type == 122 ? reply_frame('U', chunk) : chunk;
}
Bytes step(int type, std::uint8_t letter) {
  return type == 122 ? crc_frame(letter) : Bytes{letter};
}

struct EchoRow {
  std::string name;
  int type;
  int differing_chunk;  // -1: every echo is the chunk
  int result;
};

TEST_F(EchoUpdate, EveryChunkEchoedAndComparedBetweenBeginAndEnd) {
  const std::vector<EchoRow> rows = {
      {"121, all echoed", 121, -1, 1},
      {"122, all echoed", 122, -1, 1},
      {"131, chunk 3 comes back different", 131, 3, -1},
      {"122, chunk 0 comes back different", 122, 0, -1},
  };
  const Bytes image = image_of(kImageBytes);
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    Bytes expected = step(row.type, 'M');
    DevicePeer terminal;
    const int handle = open_scripted(terminal, row.type, [&](DevicePeer& t) {
      t.expect(step(row.type, 'M'));
      if (row.type == 122) t.reply(reply_frame('M'));
      for (int i = 0; i < 512; ++i) {
        Bytes chunk = slice(image, i * kChunk, kChunk);
        const Bytes request = chunk_request(row.type, chunk);
        expected = concat({expected, request});
        if (i == row.differing_chunk) chunk[kChunk / 2] ^= 0xFF;
        t.expect(request).reply(chunk_echo(row.type, chunk));
        if (i == row.differing_chunk) return;
      }
      t.expect(step(row.type, 'W'));
      if (row.type == 122) t.reply(reply_frame('W'));
      expected = concat({expected, step(row.type, 'W')});
    });
    ASSERT_GE(handle, 0);
    const double start = peer_clock_ms();
    EXPECT_EQ(vornUpdateFirmware(handle, image.data()), row.result);
    terminal.finish();
    const Bytes received = after_open(terminal, row.type);
    EXPECT_EQ(received.size(), expected.size());
    EXPECT_TRUE(received == expected);
    // The first chunk waits for the terminal to be ready after the begin.
    const std::size_t first_chunk = open_bytes(row.type) + step(row.type, 'M').size();
    EXPECT_GE(terminal.arrival_ms(first_chunk) - start, kAfterBeginMs);
  }
}

TEST_F(EchoUpdate, WebContentIn1024ByteChunksAndARemainder) {
  const Bytes content = image_of(2500);
  DevicePeer terminal;
  const int handle = open_scripted(terminal, 121, [&](DevicePeer& t) {
    t.expect({'M'});
    for (const auto& [offset, n] : {std::pair{0, 1024}, {1024, 1024}, {2048, 452}}) {
      const Bytes chunk = slice(content, offset, n);
      t.expect(concat({{'U'}, chunk})).reply(chunk);
    }
    t.expect({'Z'});
  });
  EXPECT_EQ(vornUpdateWEB(handle, content.data(), 2500), 1);
  terminal.finish();
  EXPECT_EQ(after_open(terminal, 121).size(), 1 + 1025 + 1025 + 453 + 1u);
}

// A short echo ends the update at that chunk, without an end command.
TEST_F(EchoUpdate, ShortEchoFails) {
  const Bytes content = image_of(2500);
  DevicePeer terminal;
  const int handle = open_scripted(terminal, 121, [&](DevicePeer& t) {
    t.expect({'M'});
    const Bytes chunk = slice(content, 0, 1024);
    t.expect(concat({{'U'}, chunk})).reply(slice(chunk, 0, 1000));
  });
  EXPECT_EQ(vornUpdateWEB(handle, content.data(), 2500), -1);
  terminal.finish();
  EXPECT_EQ(after_open(terminal, 121).size(), 1 + 1025u);
}

// ---- M4 steps ----

TEST_F(EchoUpdate, M4WithNothingToSendRunsOnlyBeginAndEnd) {
  struct M4Row {
    std::string name;
    int type;
    bool web;
    Bytes sent;
    Bytes reply_to_end;
  };
  const std::vector<M4Row> rows = {
      {"web, 121", 121, true, {'M', 'W', 'W'}, {1, 2, 3}},
      {"firmware, 131", 131, false, {'M', 'W', 'F'}, {}},
      {"web, 122", 122, true, concat({crc_frame('M'), {'W', 'W'}}), {1, 2, 3}},
      // The stream models have no begin.
      {"firmware, 220", 220, false, {'W', 'F'}, {}},
      // The end's outcome is kept, not reported.
      {"web, 120, end unanswered", 120, true, {'W', 'W'}, {1}},
  };
  const Bytes any = {0};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    DevicePeer terminal;
    const int handle = open_scripted(terminal, row.type, [&](DevicePeer& t) {
      if (row.type == 122) {
        t.expect(crc_frame('M')).reply(reply_frame('M'));
      } else if (row.type == 121 || row.type == 131) {
        t.expect({'M'});
      }
      t.expect(row.web ? Bytes{'W', 'W'} : Bytes{'W', 'F'});
      if (!row.reply_to_end.empty()) t.reply(row.reply_to_end);
    });
    const int result = row.web ? vornUpdateWebM4(handle, any.data(), 0)
                               : vornUpdateFirmwareM4(handle, any.data(), 0);
    EXPECT_EQ(result, 1);
    terminal.finish();
    EXPECT_EQ(hex(after_open(terminal, row.type)), hex(row.sent));
  }
}

// A stream model's M4 sends no chunk, whatever the length; a model without the method
// fails at the first chunk.
TEST_F(EchoUpdate, M4ChunksFollowTheModel) {
  const Bytes content = image_of(2500);
  {
    DevicePeer terminal;
    const int handle = open_scripted(terminal, 320, [](DevicePeer& t) { t.expect({'W', 'F'}); });
    EXPECT_EQ(vornUpdateFirmwareM4(handle, content.data(), 2500), 1);
    terminal.finish();
  }
  {
    DevicePeer terminal;
    const int handle = open_scripted(terminal, 321, [](DevicePeer&) {});
    EXPECT_EQ(vornUpdateWebM4(handle, content.data(), 2500), -1);
    terminal.finish();
    EXPECT_TRUE(terminal.received().empty());
  }
}

// ---- Stream method ----

TEST_F(StreamUpdate, FramesPacedByTheCallersClock) {
  const Bytes image = image_of(kImageBytes);
  Bytes expected = {'F', 0};
  for (int i = 0; i < 512; ++i)
    expected = concat({expected, {'U'}, slice(image, i * kChunk, kChunk), {0}});
  expected = concat({expected, {'W', 0}});
  DevicePeer terminal;
  const int handle = open_scripted(terminal, 130, [&](DevicePeer& t) { t.expect(expected); });
  const double start = peer_clock_ms();
  EXPECT_EQ(vornUpdateFirmware(handle, image.data()), 0);
  const double took = peer_clock_ms() - start;
  terminal.finish();
  EXPECT_TRUE(after_open(terminal, 130) == expected);
  // Frame i goes out after the i pauses before it.
  const std::size_t open = open_bytes(130);
  for (int i = 0; i < 512; i += 37) {
    EXPECT_GE(terminal.arrival_ms(open + 2 + static_cast<std::size_t>(i) * 1026) - start,
              i * kStreamPacingMs)
        << "frame " << i;
  }
  EXPECT_GE(terminal.arrival_ms(open + expected.size() - 1) - start, 512 * kStreamPacingMs);
  EXPECT_GE(took, 512 * kStreamPacingMs);
}

// ---- Dispatch ----

TEST_F(UpdateDispatch, ModelsWithoutTheOperationSendNothing) {
  struct Row {
    std::string name;
    int type;
    std::function<int(int handle, const unsigned char* image)> call;
    int result;
  };
  const std::vector<Row> rows = {
      {"firmware on 321", 321, vornUpdateFirmware, 0},
      {"firmware on 1000", 1000, vornUpdateFirmware, -3},
      {"web on 122", 122, [](int h, const unsigned char* b) { return vornUpdateWEB(h, b, 2500); },
       0},
      {"web on 321", 321, [](int h, const unsigned char* b) { return vornUpdateWEB(h, b, 2500); },
       0},
      {"web on 1000", 1000, [](int h, const unsigned char* b) { return vornUpdateWEB(h, b, 2500); },
       -3},
      {"web, negative length", 121,
       [](int h, const unsigned char* b) { return vornUpdateWEB(h, b, -1); }, -1},
      {"M4, negative length", 121,
       [](int h, const unsigned char* b) { return vornUpdateFirmwareM4(h, b, -1); }, -1},
      {"firmware, null image", 121,
       [](int h, const unsigned char*) { return vornUpdateFirmware(h, nullptr); }, -1},
  };
  const Bytes image(kImageBytes, 0x33);
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    DevicePeer terminal;
    const int handle = open_scripted(terminal, row.type, [](DevicePeer&) {});
    EXPECT_EQ(row.call(handle, image.data()), row.result);
    terminal.finish();
    EXPECT_TRUE(after_open(terminal, row.type).empty()) << hex(terminal.received());
  }
}

}  // namespace
