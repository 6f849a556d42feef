// Enrolment of a finger of the test scans, shared by the recognition tests and benchmarks.
#pragma once

#include <vector>

#include "ProcTemp.h"
#include "tests/support/fingerprint_images.h"

namespace test_images {

struct Enrolment {
  short result = 0;  // 1 when the template is final
  short images = 0;  // the enrolment counter at the end: the images used
  std::vector<unsigned char> stored = std::vector<unsigned char>(pendra::kTemplateSize, 0);
};

// Enrols `finger` of `set` on `p` from its impressions 1, 2, ... (at most `impressions`),
// each as the centred window of a terminal geometry, until the template is final.
inline Enrolment enrol(ProcTemp& p, const char* set, int finger, int impressions = 5,
                       int width = 300, int height = 256) {
  Enrolment e;
  for (int impression = 1; impression <= impressions && e.result != 1; ++impression) {
    GreyImage image = centred_window(scan(set, finger, impression), width, height);
    e.result =
        p.CreateTemplate(image.pixels.data(), image.width, image.height, e.stored.data(), e.images);
  }
  return e;
}

}  // namespace test_images
