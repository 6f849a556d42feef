// Minutia extraction on the one-pixel skeleton: cleans the skeleton, marks the ridge ends
// at the edge of the print, classifies the rest by neighbour count and follows the ridges
// from each candidate. It works in place, and the marked skeleton is what applications are
// shown, so its pixel values are part of the output:
#pragma once

#include <cstdint>
#include <vector>

#include "recognition/minutia.h"

namespace recognition {

enum SkeletonValue : std::uint8_t {
  kBackground = 0,
  kPrintEdgeEnd = 127,     // ridge end at the edge of the print, ignored
  kEndingCandidate = 128,  // candidate ending whose walks failed
  kBifurcationCandidate = 129,
  kRecorded = 200,  // a recorded minutia or its direction point
  kRidge = 255,
};

inline constexpr int kTraceLength = 20;  // pixels a ridge must be followed from a candidate
inline constexpr int kInitialRoom = 400;
inline constexpr int kRoomStep = 100;
// Above this an image's FP code length would no longer fit its 16-bit result.
inline constexpr int kMaxMinutiae = 4094;

struct MinutiaSet {
  std::int16_t width = 0;
  std::int16_t height = 0;
  std::uint8_t* image = nullptr;  // the skeleton, not owned; null for a set read from a code
  std::int32_t trace_length = kTraceLength;
  std::vector<Minutia> minutiae;  // in the order found
};

// Cleans and marks `skeleton` (width x height, 0 / 255, at least 16 x 16) in place and
// records its minutiae into `set`. False when the room for minutiae is exhausted
// (kMaxMinutiae); throws std::bad_alloc when memory runs out.
bool extract_minutiae(MinutiaSet& set);

}  // namespace recognition
