// What the fuzz targets share: a real template and a real scan window, made once per
// process from the scans in tests/recognition/data, and the repair of check values so that
// mutated bytes reach the code behind the checks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace fuzz_inputs {

// The template of finger 101 of fvc2002-db3b, enrolled from 300 x 256 windows.
const std::vector<unsigned char>& real_template();

// A 64 x 64 window of a real scan, for the calls that need a live image.
const std::vector<unsigned char>& small_scan();
inline constexpr int kSmallScanSide = 64;

// Rewrites the header of an 828-byte template (version, record count, body length, CRC)
// to fit its body.
void repair_template_crc(unsigned char* templ);

// Makes the length field agree with the count (at most what `size` bytes hold) and
// rewrites the check value.
void repair_code(unsigned char* code, std::size_t size);

}  // namespace fuzz_inputs
