// What the terminal library costs beyond the network: one parameter-block exchange with
// a type 321 terminal, against the bare round trip of the same bytes; and the processor
// time a call uses while it waits out a silent terminal.
#include <benchmark/benchmark.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <chrono>

#include "bench/support/loopback_responder.h"
#include "vornc.h"

namespace {

using bench_support::LoopbackResponder;

// The same request and reply on a plain blocking socket: the floor any client pays.
void BM_RoundTrip_Bare(benchmark::State& state) {
  LoopbackResponder terminal(1, 128);
  const int s = terminal.connect();
  std::array<std::uint8_t, 128> reply{};
  const std::uint8_t request = '<';
  for (auto _ : state) {
    ::send(s, &request, 1, 0);
    std::size_t got = 0;
    while (got < reply.size())
      got += static_cast<std::size_t>(::recv(s, reply.data() + got, reply.size() - got, 0));
    benchmark::DoNotOptimize(reply);
  }
  ::close(s);
}
BENCHMARK(BM_RoundTrip_Bare)->Repetitions(5)->ReportAggregatesOnly(true);

void BM_GetParam_Type321(benchmark::State& state) {
  LoopbackResponder terminal(1, 128);
  const int handle = vornOpenDeviceBySocket(321, terminal.connect());
  std::array<unsigned char, 128> block{};
  for (auto _ : state) {
    if (vornGetParam(handle, block.data()) != 0) state.SkipWithError("no block");
  }
  vornDisableYellowLED();
  vornCloseDevice(handle);
}
BENCHMARK(BM_GetParam_Type321)->Repetitions(5)->ReportAggregatesOnly(true);

// One call that waits out the 2000 ms of a silent 321's block read.
void BM_WaitOut2000msTimeOut(benchmark::State& state) {
  LoopbackResponder terminal(1, 0);
  const int handle = vornOpenDeviceBySocket(321, terminal.connect());
  std::array<unsigned char, 128> block{};
  long cpu_us = 0;
  double wall_ms = 0;
  for (auto _ : state) {
    const long cpu_before = bench_support::thread_cpu_us();
    const auto start = std::chrono::steady_clock::now();
    benchmark::DoNotOptimize(vornGetParam(handle, block.data()));
    wall_ms +=
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    cpu_us += bench_support::thread_cpu_us() - cpu_before;
  }
  const double cpu_ms = static_cast<double>(cpu_us) / 1000.0;
  state.counters["cpu_ms"] = cpu_ms;
  state.counters["wall_ms"] = wall_ms;
  state.counters["cpu_percent_of_core"] = 100.0 * cpu_ms / wall_ms;
  vornDisableYellowLED();
  vornCloseDevice(handle);
}
BENCHMARK(BM_WaitOut2000msTimeOut)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
