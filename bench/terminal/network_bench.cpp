// What an edit of the loaded block's network settings costs (text parsed, text written
// back), and a relay-board status read over a terminal connection.
#include <benchmark/benchmark.h>

#include <array>

#include "bench/support/loopback_responder.h"
#include "vornc.h"

namespace {

using bench_support::LoopbackResponder;

void BM_SetAndGetAddress(benchmark::State& state) {
  // Every "PP" block read of a type 121 is answered with a block.
  LoopbackResponder terminal(3, 128);
  const int handle = vornOpenDeviceBySocket(121, terminal.connect());
  if (vornReadConfiguration(handle) != 0) state.SkipWithError("no block");
  std::array<char, 16> text{};
  for (auto _ : state) {
    benchmark::DoNotOptimize(vornSetIPaddress(handle, "192.168.100.2"));
    benchmark::DoNotOptimize(vornGetIPaddress(handle, text.data()));
  }
  vornDisableYellowLED();
  vornCloseDevice(handle);
}
BENCHMARK(BM_SetAndGetAddress)->Repetitions(5)->ReportAggregatesOnly(true);

void BM_RelayBoardStatus(benchmark::State& state) {
  LoopbackResponder board(2, 1);
  const int handle = vornOpenDeviceBySocket(1000, board.connect());
  std::array<unsigned char, 8> status{};
  for (auto _ : state) {
    if (tamrGetStatusRelay(handle, status.data()) != 0) state.SkipWithError("no status");
  }
  vornCloseDevice(handle);
}
BENCHMARK(BM_RelayBoardStatus)->Repetitions(5)->ReportAggregatesOnly(true);

}  // namespace

BENCHMARK_MAIN();
