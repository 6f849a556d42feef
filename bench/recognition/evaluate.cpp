// Recognition rates on sets of real scans (up to 10 fingers x 8 impressions, files NNN_K.pgm,
// fingers numbered from 101 on; the repository's test data has 3 fingers a set, the full
// sets 10). For each set: every finger is enrolled from its impressions 1, 2, ... until
// the template is final (at most 5); every impression not used for enrolment, of every
// finger, is then verified against every template (genuine when the fingers agree) and
// identified among all templates.
//
//   evaluate [directory of the sets] [match threshold] [image type] [width height]
// The directory defaults to the repository's test data. Without a width and height the
// whole scan is processed; with them, the centred window of that terminal geometry. Exits
// with 1 when a set has no finger or an impression of a finger cannot be read.
#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "ProcTemp.h"
#include "tests/support/fingerprint_images.h"

namespace {

constexpr const char* kSets[] = {"fvc2002-db2b", "fvc2002-db3b"};
constexpr int kFirstFinger = 101;
constexpr int kMostFingers = 10;
constexpr int kImpressions = 8;
constexpr int kMostEnrolmentImages = 5;

struct Options {
  std::string directory = test_images::data_directory();
  short threshold = 40;
  short image_type = 0;
  int width = 0;  // 0: whole scans
  int height = 0;
};

using Histogram = std::array<int, 101>;

// Share of `scores` at or above `level`.
double share_at_least(const Histogram& scores, int level) {
  int total = 0;
  int above = 0;
  for (int s = 0; s <= 100; ++s) {
    total += scores[s];
    if (s >= level) above += scores[s];
  }
  return total == 0 ? 0.0 : static_cast<double>(above) / total;
}

void print_distribution(const char* name, const Histogram& scores) {
  std::printf("  %-9s", name);
  for (int s = 0; s <= 100; ++s) {
    if (scores[s] != 0) std::printf(" %d:%d", s, scores[s]);
  }
  std::printf("\n");
}

std::string scan_path(const Options& options, const char* set, int finger, int impression) {
  return options.directory + "/" + set + "/" + std::to_string(kFirstFinger + finger) + "_" +
         std::to_string(impression + 1) + ".pgm";
}

// False when the set has no finger or an impression of one of its fingers is unreadable.
bool evaluate_set(const Options& options, const char* set) {
  int fingers = 0;  // the fingers of the set: those whose first impression exists
  while (fingers < kMostFingers &&
         !test_images::read_pgm(scan_path(options, set, fingers, 0)).pixels.empty()) {
    ++fingers;
  }
  if (fingers == 0) {
    std::fprintf(stderr, "%s: cannot read %s\n", set, scan_path(options, set, 0, 0).c_str());
    return false;
  }
  std::vector<test_images::GreyImage> images(static_cast<std::size_t>(fingers) * kImpressions);
  for (int f = 0; f < fingers; ++f) {
    for (int i = 0; i < kImpressions; ++i) {
      const std::string path = scan_path(options, set, f, i);
      test_images::GreyImage image = test_images::read_pgm(path);
      if (image.pixels.empty()) {
        std::fprintf(stderr, "%s: cannot read %s\n", set, path.c_str());
        return false;
      }
      if (options.width > 0)
        image = test_images::centred_window(image, options.width, options.height);
      images[f * kImpressions + i] = image;
    }
  }
  ProcTemp p(options.image_type, options.threshold);
  std::vector<std::vector<unsigned char>> templates(fingers);
  std::vector<int> used(fingers, 0);  // enrolment images, 0 when no template came out
  for (int f = 0; f < fingers; ++f) {
    std::vector<unsigned char> stored(pendra::kTemplateSize);
    short counter = 0;
    for (int i = 0; i < kMostEnrolmentImages; ++i) {
      test_images::GreyImage& image = images[f * kImpressions + i];
      if (p.CreateTemplate(image.pixels.data(), image.width, image.height, stored.data(),
                           counter) == 1) {
        used[f] = i + 1;
        templates[f] = stored;
        break;
      }
    }
  }
  Histogram genuine{};
  Histogram impostor{};
  int probes = 0;
  int rank_one = 0;
  int rank_one_shared = 0;  // the genuine template has the top score, with others beside it
  int enrolled = 0;
  for (int f = 0; f < fingers; ++f) enrolled += used[f] > 0 ? 1 : 0;
  for (int f = 0; f < fingers; ++f) {
    // Impressions used for this finger's enrolment are left out; a finger without a
    // template has all its impressions as probes.
    for (int i = used[f]; i < kImpressions; ++i) {
      test_images::GreyImage& image = images[f * kImpressions + i];
      if (p.IdentifyInit(image.pixels.data(), image.width, image.height) != 0) continue;
      int best_other = -1;
      int own = -1;
      for (int t = 0; t < fingers; ++t) {
        if (used[t] == 0) continue;
        const short score = p.IdentifyFind(templates[t].data());
        if (score < 0) continue;
        (t == f ? genuine : impostor)[score] += 1;
        if (t == f) {
          own = score;
        } else {
          best_other = std::max(best_other, static_cast<int>(score));
        }
      }
      if (own >= 0) {
        ++probes;
        rank_one += own > best_other ? 1 : 0;
        rank_one_shared += own >= best_other && own > 0 ? 1 : 0;
      }
    }
  }
  // The operating points over the 101 possible acceptance levels.
  double best_gap = 2.0;
  double eer = 1.0;
  int eer_level = 0;
  int zero_fa_level = -1;
  for (int level = 0; level <= 101; ++level) {
    const double far = share_at_least(impostor, level);
    const double frr = 1.0 - share_at_least(genuine, level);
    if (std::abs(far - frr) < best_gap) {
      best_gap = std::abs(far - frr);
      eer = (far + frr) / 2;
      eer_level = level;
    }
    if (zero_fa_level < 0 && far == 0.0) zero_fa_level = level;
  }
  int genuine_pairs = 0;
  int impostor_pairs = 0;
  for (int s = 0; s <= 100; ++s) {
    genuine_pairs += genuine[s];
    impostor_pairs += impostor[s];
  }
  std::printf("%s (image type %d, threshold %d, %s): %d of %d fingers enrolled, images used:", set,
              options.image_type, options.threshold,
              options.width > 0
                  ? (std::to_string(options.width) + " x " + std::to_string(options.height)).c_str()
                  : "whole scans",
              enrolled, fingers);
  for (int f = 0; f < fingers; ++f) std::printf(" %d", used[f]);
  std::printf("\n  %d genuine and %d impostor scores (score:count)\n", genuine_pairs,
              impostor_pairs);
  print_distribution("genuine", genuine);
  print_distribution("impostor", impostor);
  std::printf("  equal error rate %.1f %% (accepting at %d)\n", 100 * eer, eer_level);
  std::printf("  false rejects at zero false accepts %.1f %% (accepting at %d)\n",
              100 * (1.0 - share_at_least(genuine, zero_fa_level)), zero_fa_level);
  std::printf("  identification rank 1: %d of %d probes (%.1f %%), %d with ties (%.1f %%)\n",
              rank_one, probes, probes ? 100.0 * rank_one / probes : 0.0, rank_one_shared,
              probes ? 100.0 * rank_one_shared / probes : 0.0);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (argc > 1) options.directory = argv[1];
  if (argc > 2) options.threshold = static_cast<short>(std::atoi(argv[2]));
  if (argc > 3) options.image_type = static_cast<short>(std::atoi(argv[3]));
  if (argc > 5) {
    options.width = std::atoi(argv[4]);
    options.height = std::atoi(argv[5]);
  }
  bool every_set_read = true;
  for (const char* set : kSets) every_set_read &= evaluate_set(options, set);
  return every_set_read ? 0 : 1;
}
