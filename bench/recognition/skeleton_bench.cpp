// Enhancement plus thinning for each terminal image geometry, on windows of real scans.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "recognition/enhancement.h"
#include "tests/support/fingerprint_images.h"

namespace {

// Segmentation divisor of image type 1, the usual sensor setting.
constexpr double kDivisor = 5.0;

void skeleton(benchmark::State& state) {
  const int width = static_cast<int>(state.range(0));
  const int height = static_cast<int>(state.range(1));
  const test_images::GreyImage image =
      test_images::centred_window(test_images::scan("fvc2002-db3b", 101, 1), width, height);
  if (image.pixels.empty()) {
    state.SkipWithError("test image missing");
    return;
  }
  std::vector<std::uint8_t> input = image.pixels;
  std::vector<std::uint8_t> output(input.size());
  recognition::RidgeEnhancer enhancer(1);
  for (auto _ : state) {
    (void)_;
    if (!enhancer.set_up(width, height, 16, kDivisor)) {
      state.SkipWithError("set-up failed");
      return;
    }
    enhancer.enhance(input.data(), output.data());
    enhancer.release();
    benchmark::DoNotOptimize(output.data());
  }
}

BENCHMARK(skeleton)
    ->Args({300, 256})
    ->Args({384, 256})
    ->Args({440, 280})
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
