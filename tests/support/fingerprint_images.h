// Real fingerprint scans for the recognition tests (tests/recognition/data, see its README).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace test_images {

struct GreyImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> pixels;  // row 0 first
};

// Sets of scans kept in the repository: "fvc2002-db2b" (296 x 560), "fvc2002-db3b" (300 x 300).
inline constexpr const char* kSets[] = {"fvc2002-db2b", "fvc2002-db3b"};
inline constexpr int kFingers[] = {101, 102, 103};
inline constexpr int kImpressions = 8;

// Reads a binary PGM ("P5", maxval 255); an empty image when the file is missing or bad.
GreyImage read_pgm(const std::string& path);

// The repository's test data: tests/recognition/data.
const char* data_directory();

// Impression 1..8 of a finger of a set in the repository's test data.
GreyImage scan(const std::string& set, int finger, int impression);

// The window of `width` x `height` pixels centred on the scan, padded with white (255)
// where the scan is smaller: stands in for a terminal's image geometry.
GreyImage centred_window(const GreyImage& image, int width, int height);

// `width` x `height` pixels tiled with the 300 x 256 centre windows of the scans of
// "fvc2002-db3b", finger after finger and impression after impression: a large image
// as dense with real minutiae as a terminal's.
GreyImage tiled_scans(int width, int height);

}  // namespace test_images
