// What a type 321 firmware update costs beyond its stated pause: a 100 KB image written
// to and read back from a terminal that answers at once.
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <thread>
#include <vector>

#include "platform/byte_order.h"
#include "tests/support/loopback.h"
#include "vornc.h"

namespace {

constexpr std::size_t kImageBytes = std::size_t{100} * 1024;
constexpr std::size_t kPage = 256;
// Pages written, the length, pages read back.
constexpr std::size_t kPages = kImageBytes / kPage;  // a whole number of pages
constexpr double kBlocks = 2.0 * static_cast<double>(kPages) + 1;
// The one pause an update states: after the start command.
constexpr double kStatedPauseMs = 100;

// A terminal's data flash on loopback: stores what '$W' writes, answers '$R' from it.
class FlashResponder {
 public:
  FlashResponder() : flash_(std::size_t{256} * 1024) {
    thread_ = std::thread([this] { serve(); });
  }
  ~FlashResponder() {
    const int c = connection_.load();
    if (c >= 0) ::shutdown(c, SHUT_RDWR);
    if (thread_.joinable()) thread_.join();
  }
  FlashResponder(const FlashResponder&) = delete;
  FlashResponder& operator=(const FlashResponder&) = delete;

  int connect() { return test_support::connect_loopback(listener_.port()); }

 private:
  static bool read_exactly(int c, std::uint8_t* into, std::size_t n) {
    std::size_t got = 0;
    while (got < n) {
      const ssize_t r = ::recv(c, into + got, n - got, 0);
      if (r <= 0) return false;
      got += static_cast<std::size_t>(r);
    }
    return true;
  }

  void serve() {
    const int c = ::accept(listener_.fd(), nullptr, nullptr);
    if (c < 0) return;
    connection_ = c;
    const int one = 1;
    ::setsockopt(c, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    std::array<std::uint8_t, 8> header{};
    while (read_exactly(c, header.data(), 2)) {
      if (header[0] != '$') continue;  // '*','U' and the close's '*': nothing to answer
      if (!read_exactly(c, header.data() + 2, 6)) break;
      const std::size_t address = byte_order::load_le32(header.data() + 2);
      const std::size_t count = byte_order::load_le16(header.data() + 6);
      if (address + count > flash_.size()) break;
      if (header[1] == 'W') {
        if (!read_exactly(c, flash_.data() + address, count)) break;
        ::send(c, "$W", 2, MSG_NOSIGNAL);
      } else {
        ::send(c, flash_.data() + address, count, MSG_NOSIGNAL);
      }
    }
    ::close(c);
  }

  test_support::Listener listener_;
  std::vector<std::uint8_t> flash_;
  std::atomic<int> connection_{-1};
  std::thread thread_;
};

void BM_UpdateFirmwareM3_100KB(benchmark::State& state) {
  FlashResponder terminal;
  vornDisableYellowLED();
  const int handle = vornOpenDeviceBySocket(321, terminal.connect());
  std::vector<unsigned char> image(kImageBytes);
  for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<unsigned char>(i * 13);
  double beyond_ms = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    const int r = vornUpdateFirmwareM3(handle, image.data(), kImageBytes);
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    if (r != 1) state.SkipWithError("update not verified");
    state.SetIterationTime((ms - kStatedPauseMs) / 1000.0);
    beyond_ms += ms - kStatedPauseMs;
  }
  state.counters["per_block_us"] =
      benchmark::Counter(beyond_ms * 1000.0 / kBlocks, benchmark::Counter::kAvgIterations);
  vornCloseDevice(handle);
  vornEnableYellowLED();
}
BENCHMARK(BM_UpdateFirmwareM3_100KB)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

}  // namespace

BENCHMARK_MAIN();
