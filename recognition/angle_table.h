// Integer cosines of whole degrees, the only trigonometry of the block sampling and of the
// Gabor kernel's rotation.
#pragma once

#include <cstdint>

namespace recognition::angle {

// 1024 x cos(k degrees) for k = 0..90, truncated toward zero.
inline constexpr std::int32_t kCosine1024[91] = {
    1024, 1023, 1023, 1022, 1021, 1020, 1018, 1016, 1014, 1011,  //  0..9
    1008, 1005, 1001, 997,  993,  989,  984,  979,  973,  968,   // 10..19
    962,  955,  949,  942,  935,  928,  920,  912,  904,  895,   // 20..29
    886,  877,  868,  858,  848,  838,  828,  817,  806,  795,   // 30..39
    784,  772,  760,  748,  736,  724,  711,  698,  685,  671,   // 40..49
    658,  644,  630,  616,  601,  587,  572,  557,  542,  527,   // 50..59
    512,  496,  480,  464,  448,  432,  416,  400,  383,  366,   // 60..69
    350,  333,  316,  299,  282,  265,  247,  230,  212,  195,   // 70..79
    177,  160,  142,  124,  107,  89,   71,   53,   35,   17,    // 80..89
    0,                                                           // 90
};

// Cosine and sine (x 1024) of a ridge orientation of -90..90 degrees; the sine is the
// cosine of the complement, negated for negative orientations.
struct Rotation {
  std::int32_t co;
  std::int32_t si;
};

constexpr Rotation rotation(int degrees) {
  const int magnitude = degrees < 0 ? -degrees : degrees;
  const std::int32_t si = kCosine1024[90 - magnitude];
  return {kCosine1024[magnitude], degrees < 0 ? -si : si};
}

}  // namespace recognition::angle
