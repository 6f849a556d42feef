// What one relay controller exchange costs on top of the loopback round trip, and how
// much CPU a call burns while it waits out a time-out.
//
//   tamrRelaySwitchByte has no pause, so the whole exported call is measured: slot
//   lookup, request layout, send, recorded wait, last status.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "bench/support/loopback_responder.h"
#include "platform/clock.h"
#include "platform/socket.h"
#include "platform/timed_receive.h"
#include "tamr11xc.h"
#include "tests/support/device_peer.h"

namespace {

using test_support::Bytes;
using test_support::DevicePeer;

constexpr int kExchanges = 2000;

// A controller that answers every switch-byte request at once.
void script_answers(DevicePeer& controller) {
  for (int i = 0; i < kExchanges; ++i) {
    const auto value = static_cast<std::uint8_t>(i);
    controller.expect({0x53, 0x01, value}).reply({value});
  }
  controller.stay_silent();
}

void BM_SwitchByteExchange(benchmark::State& state) {
  DevicePeer controller;
  script_answers(controller);
  controller.start();
  tamrSetOpenTimeout(0);
  const int handle = tamrOpenDevice(1112, "127.0.0.1", controller.port());
  int i = 0;
  for (auto _ : state) {
    if (tamrRelaySwitchByte(handle, i & 0xFF) != (i & 0xFF)) state.SkipWithError("no answer");
    ++i;
  }
  tamrCloseDevice(handle);
}
BENCHMARK(BM_SwitchByteExchange)->Iterations(kExchanges)->Unit(benchmark::kMicrosecond);

// The same bytes through the bare socket layer: send, then one timed receive.
void BM_BareRoundTrip(benchmark::State& state) {
  DevicePeer controller;
  script_answers(controller);
  controller.start();
  const int s = controller.connect_client_socket();
  platform::socket_set_nonblocking(s);
  int i = 0;
  for (auto _ : state) {
    const std::uint8_t request[3] = {0x53, 0x01, static_cast<std::uint8_t>(i)};
    std::uint8_t reply = 0;
    platform::socket_send(s, request, sizeof request);
    const auto r = platform::timed_receive(s, &reply, 1, 2000, platform::DeadlineRule::ClockFirst);
    if (r.last.outcome() != 1) state.SkipWithError("no answer");
    ++i;
  }
  platform::socket_close(s);
}
BENCHMARK(BM_BareRoundTrip)->Iterations(kExchanges)->Unit(benchmark::kMicrosecond);

// A silent controller: the call waits its whole 2000 ms limit.
void BM_TimeOutCpu(benchmark::State& state) {
  DevicePeer controller;
  controller.stay_silent();
  controller.start();
  tamrSetOpenTimeout(0);
  const int handle = tamrOpenDevice(1112, "127.0.0.1", controller.port());
  double cpu = 0, wall = 0;
  for (auto _ : state) {
    const std::int64_t cpu_before = bench_support::thread_cpu_us();
    const std::int64_t wall_before = platform::now_ms();
    benchmark::DoNotOptimize(tamrRelaySwitchByte(handle, 1));
    cpu += static_cast<double>(bench_support::thread_cpu_us() - cpu_before);
    wall += static_cast<double>(platform::now_ms() - wall_before) * 1000.0;
  }
  state.counters["cpu_us"] = cpu / static_cast<double>(state.iterations());
  state.counters["cpu_percent_of_core"] = 100.0 * cpu / wall;
  tamrCloseDevice(handle);
}
BENCHMARK(BM_TimeOutCpu)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
