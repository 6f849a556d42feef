// A minutia: a ridge ending or bifurcation of the skeleton, with its direction point, a
// point further along its ridge that gives it a direction.
#pragma once

#include <cstdint>

namespace recognition {

enum MinutiaKind : std::uint8_t {
  kKindNone = 0,  // read from an FP code, which does not carry the kind
  kRidgeEnding = 1,
  kBifurcation = 3,
};

struct Minutia {
  std::int32_t x = 0;  // column
  std::int32_t y = 0;  // row
  std::uint8_t kind = kKindNone;
  std::int32_t x2 = 0;  // direction point
  std::int32_t y2 = 0;
};

}  // namespace recognition
