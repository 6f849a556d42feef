// What a template read costs beyond the terminal's own pauses: a 2048-byte read (two
// blocks) against a loopback terminal that answers every block request at once. The
// read pauses 300 ms behind each of its two command packets and 100 ms behind "GG";
// a read of no bytes makes the same pauses, so the difference, per block, is what the
// library spends on a block (the sleeps' own overshoot cancels out).
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

#include "tests/support/loopback.h"
#include "vornc.h"

namespace {

constexpr int kTemplateBytes = 2048;
constexpr int kBlocks = 2;
constexpr double kStatedPausesMs = 300 + 300 + 100;
// Two command packets and "GG" before the blocks, "TT" for each block.
constexpr std::size_t kPreamble = 64 + 64 + 3;
constexpr std::size_t kBlockRequest = 3;
constexpr std::size_t kBlockBytes = 1024;

bool read_exactly(int fd, std::size_t n) {
  std::array<std::uint8_t, kPreamble> scratch{};
  while (n > 0) {
    const ssize_t r = ::recv(fd, scratch.data(), std::min(n, scratch.size()), 0);
    if (r <= 0) return false;
    n -= static_cast<std::size_t>(r);
  }
  return true;
}

// A terminal that plays the template read's conversation over and over.
class TemplateTerminal {
 public:
  TemplateTerminal() : client_(connect()) {
    // Without a connection there is nothing to accept.
    if (client_ >= 0) thread_ = std::thread([this] { serve(); });
  }
  ~TemplateTerminal() {
    if (thread_.joinable()) thread_.join();
  }
  TemplateTerminal(const TemplateTerminal&) = delete;
  TemplateTerminal& operator=(const TemplateTerminal&) = delete;
  int client() const { return client_; }

 private:
  int connect() { return test_support::connect_loopback(listener_.port()); }
  void serve() {
    const int c = ::accept(listener_.fd(), nullptr, nullptr);
    const int one = 1;
    ::setsockopt(c, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    const std::array<std::uint8_t, kBlockBytes> block{};
    // Ends when the library closes the connection.
    for (;;) {
      std::uint8_t next = 0;
      if (::recv(c, &next, 1, MSG_PEEK) <= 0) break;
      if (!read_exactly(c, next == 'T' ? kBlockRequest : kPreamble)) break;
      if (next == 'T') ::send(c, block.data(), block.size(), MSG_NOSIGNAL);
    }
    ::close(c);
  }
  test_support::Listener listener_;
  int client_;
  std::thread thread_;
};

void BM_ReadTemplate2048_BeyondPauses(benchmark::State& state) {
  double blocks_us = 0;
  double beyond_us = 0;
  {
    TemplateTerminal terminal;
    const int handle = vornOpenDeviceBySocket(321, terminal.client());
    if (handle < 0) {
      // The socket stays ours: closing it lets the terminal's thread end.
      if (terminal.client() >= 0) ::close(terminal.client());
      state.SkipWithError("no open");
      return;
    }
    std::array<unsigned char, kTemplateBytes> buffer{};
    const auto timed_read_us = [&](int size) {
      const auto start = std::chrono::steady_clock::now();
      if (vornReadTemplateFromNESK(handle, buffer.data(), size) != 0) {
        state.SkipWithError("no template");
      }
      return std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
          .count();
    };
    for (auto _ : state) {
      const double whole_us = timed_read_us(kTemplateBytes);
      state.PauseTiming();
      const double empty_us = timed_read_us(0);
      state.ResumeTiming();
      blocks_us += whole_us - empty_us;
      beyond_us += whole_us - kStatedPausesMs * 1000.0;
    }
    vornDisableYellowLED();
    vornCloseDevice(handle);
  }
  const auto blocks = static_cast<double>(state.iterations() * kBlocks);
  state.counters["us_per_block"] = blocks_us / blocks;
  state.counters["beyond_pauses_us_per_block"] = beyond_us / blocks;
}
BENCHMARK(BM_ReadTemplate2048_BeyondPauses)
    ->Iterations(3)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
