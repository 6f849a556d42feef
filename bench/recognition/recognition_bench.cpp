// The whole processing of one live image (enhancement, thinning, extraction, relations) for
// each terminal image geometry, and identification against a gallery of templates enrolled
// from real fingers.
#include <benchmark/benchmark.h>

#include <utility>
#include <vector>

#include "ProcTemp.h"
#include "recognition/enhancement.h"
#include "recognition/extraction.h"
#include "recognition/pair_geometry.h"
#include "tests/support/enrolment.h"
#include "tests/support/fingerprint_images.h"

namespace {

constexpr short kImageType = 0;
constexpr short kThreshold = 40;

void process_image(benchmark::State& state) {
  const int width = static_cast<int>(state.range(0));
  const int height = static_cast<int>(state.range(1));
  test_images::GreyImage image =
      test_images::centred_window(test_images::scan("fvc2002-db3b", 101, 1), width, height);
  if (image.pixels.empty()) {
    state.SkipWithError("test image missing");
    return;
  }
  ProcTemp p(kImageType, kThreshold);
  for (auto _ : state) {
    // IdentifyInit is exactly one image's processing, without a matcher step.
    if (p.IdentifyInit(image.pixels.data(), width, height) != 0) {
      state.SkipWithError("processing failed");
      return;
    }
    benchmark::DoNotOptimize(p.GetOutPointer());
  }
}

BENCHMARK(process_image)
    ->Args({300, 256})
    ->Args({384, 256})
    ->Args({440, 280})
    ->Unit(benchmark::kMillisecond);

// The stages after the skeleton alone: extraction (which works in place, so each round
// starts from a fresh copy of the skeleton) and the pair relations.
void minutiae_and_relations(benchmark::State& state) {
  const int width = static_cast<int>(state.range(0));
  const int height = static_cast<int>(state.range(1));
  test_images::GreyImage image =
      test_images::centred_window(test_images::scan("fvc2002-db3b", 101, 1), width, height);
  std::vector<std::uint8_t> skeleton(image.pixels.size());
  recognition::RidgeEnhancer enhancer(kImageType);
  if (image.pixels.empty() || !enhancer.set_up(width, height, 16, 3.0)) {
    state.SkipWithError("no skeleton");
    return;
  }
  enhancer.enhance(image.pixels.data(), skeleton.data());
  enhancer.release();
  std::vector<std::uint8_t> work(skeleton.size());
  for (auto _ : state) {
    work = skeleton;
    recognition::MinutiaSet set;
    set.width = static_cast<std::int16_t>(width);
    set.height = static_cast<std::int16_t>(height);
    set.image = work.data();
    recognition::extract_minutiae(set);
    recognition::NodeList nodes = recognition::build_relations(
        set.minutiae.data(), static_cast<int>(set.minutiae.size()), false);
    benchmark::DoNotOptimize(nodes.relations.data());
    state.counters["minutiae"] = static_cast<double>(set.minutiae.size());
  }
}

BENCHMARK(minutiae_and_relations)
    ->Args({300, 256})
    ->Args({384, 256})
    ->Args({440, 280})
    ->Unit(benchmark::kMicrosecond);

// Templates of the fingers in the test data, each enrolled from its first impressions.
std::vector<std::vector<unsigned char>> gallery() {
  std::vector<std::vector<unsigned char>> templates;
  ProcTemp p(kImageType, kThreshold);
  for (const char* set : test_images::kSets) {
    for (int finger : test_images::kFingers) {
      test_images::Enrolment e = test_images::enrol(p, set, finger, test_images::kImpressions);
      if (e.result == 1) templates.push_back(std::move(e.stored));
    }
  }
  return templates;
}

void identify_find(benchmark::State& state) {
  std::vector<std::vector<unsigned char>> templates = gallery();
  test_images::GreyImage live =
      test_images::centred_window(test_images::scan("fvc2002-db3b", 101, 7), 300, 256);
  ProcTemp p(kImageType, kThreshold);
  if (templates.empty() || p.IdentifyInit(live.pixels.data(), live.width, live.height) != 0) {
    state.SkipWithError("no gallery or live image");
    return;
  }
  std::size_t next = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(p.IdentifyFind(templates[next].data()));
    next = next + 1 == templates.size() ? 0 : next + 1;
  }
  state.SetItemsProcessed(state.iterations());
  state.counters["gallery"] = static_cast<double>(templates.size());
}

BENCHMARK(identify_find)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
