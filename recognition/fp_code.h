// The FP code: the raw minutia list of one image with a check value, small enough to be
// sent to where the templates are kept and compared there. Little-endian:
//   0..3   check value over bytes 4 .. length - 1
//   4      format version, 1
//   5      reserved, 0
//   6..7   total length, 12 + 8 x n
//   8..9   n, the number of minutiae
//   10..11 reserved, 0
//   12..   n records of int16 x, y, x2, y2 (position and direction point), in the order found.
// The kind of a minutia is not carried.
#pragma once

#include <cstdint>
#include <vector>

#include "recognition/minutia.h"
#include "recognition/pair_geometry.h"

namespace recognition::fp_code {

inline constexpr int kHeaderSize = 12;
inline constexpr int kRecordSize = 8;
inline constexpr std::uint8_t kVersion = 1;
// Largest n a code may claim: bounds what a caller's buffer must hold before it is read.
inline constexpr int kMaxMinutiae = 4096;

enum class CodeCheck { kValid, kWrongVersion, kWrongLength, kTooManyMinutiae, kWrongCrc };

inline constexpr int code_length(int minutiae) { return kHeaderSize + kRecordSize * minutiae; }

// Writes the code of `list`'s minutiae into `out` (code_length(n) bytes); returns its length.
int write(const NodeList& list, std::uint8_t* out);

// Version, then length field against n and the bound on n, then the check value, which is
// computed only over bytes the length field, now known to be consistent, covers.
CodeCheck check(const std::uint8_t* code);

// The minutiae of a checked code, without kind.
std::vector<Minutia> read_minutiae(const std::uint8_t* code);

}  // namespace recognition::fp_code
