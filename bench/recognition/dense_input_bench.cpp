// Inputs dense with minutiae: a large image tiled from real scans (its cost should follow
// its area, as a terminal image's does), and FP codes of thousands of minutiae laid out in
// the order that was the relation sort's worst.
#include <benchmark/benchmark.h>

#include <vector>

#include "ProcTemp.h"
#include "tests/support/enrolment.h"
#include "tests/support/fingerprint_images.h"
#include "tests/support/fp_code_bytes.h"

namespace {

constexpr short kImageType = 0;
constexpr short kThreshold = 40;

void fp_code_of_tiled_scans(benchmark::State& state) {
  const int width = static_cast<int>(state.range(0));
  const int height = static_cast<int>(state.range(1));
  test_images::GreyImage image = test_images::tiled_scans(width, height);
  if (image.pixels.empty()) {
    state.SkipWithError("test images missing");
    return;
  }
  ProcTemp p(kImageType, kThreshold);
  std::vector<unsigned char> code(12 + 8 * 4096);
  short length = 0;
  for (auto _ : state) {
    length = p.CreateFPCode(image.pixels.data(), width, height, code.data());
    benchmark::DoNotOptimize(code.data());
  }
  const int minutiae = (length - 12) / 8;  // the FP code's header, then 8 bytes a minutia
  state.counters["minutiae"] = minutiae;
}

BENCHMARK(fp_code_of_tiled_scans)
    ->Args({300, 256})
    ->Args({2000, 2000})
    ->Unit(benchmark::kMillisecond);

template <std::vector<recognition::Minutia> (*kLayout)(int)>
void verify_code(benchmark::State& state) {
  ProcTemp p(kImageType, kThreshold);
  const test_images::Enrolment enrolled = test_images::enrol(p, "fvc2002-db3b", 101);
  std::vector<unsigned char> code = test_codes::code_of(kLayout(static_cast<int>(state.range(0))));
  std::vector<unsigned char> stored = enrolled.stored;
  if (enrolled.result != 1) {
    state.SkipWithError("enrolment failed");
    return;
  }
  for (auto _ : state) benchmark::DoNotOptimize(p.VerifyFPCode(code.data(), stored.data()));
}

BENCHMARK(verify_code<test_codes::minutiae_in_a_row>)
    ->Name("verify_code_in_a_row")
    ->Arg(256)
    ->Arg(1024)
    ->Arg(4096)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(verify_code<test_codes::minutiae_piled_up>)
    ->Name("verify_code_piled_up")
    ->Arg(4096)
    ->Unit(benchmark::kMillisecond);

}  // namespace
BENCHMARK_MAIN();
