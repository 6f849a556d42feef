#include "tests/support/fingerprint_images.h"

#include <fstream>
#include <sstream>
#include <utility>

#ifndef FINGERPRINT_DATA_DIR
#error "FINGERPRINT_DATA_DIR must name tests/recognition/data"
#endif

namespace test_images {

GreyImage read_pgm(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::string magic;
  int width = 0, height = 0, maxval = 0;
  if (!(in >> magic >> width >> height >> maxval) || magic != "P5" || maxval != 255 || width <= 0 ||
      height <= 0) {
    return {};
  }
  in.get();  // the single white-space byte after the header
  GreyImage image{width, height,
                  std::vector<std::uint8_t>(static_cast<std::size_t>(width) * height)};
  if (!in.read(reinterpret_cast<char*>(image.pixels.data()),
               static_cast<std::streamsize>(image.pixels.size()))) {
    return {};
  }
  return image;
}

const char* data_directory() { return FINGERPRINT_DATA_DIR; }

GreyImage scan(const std::string& set, int finger, int impression) {
  std::ostringstream path;
  path << FINGERPRINT_DATA_DIR << '/' << set << '/' << finger << '_' << impression << ".pgm";
  return read_pgm(path.str());
}

GreyImage centred_window(const GreyImage& image, int width, int height) {
  GreyImage out{width, height,
                std::vector<std::uint8_t>(static_cast<std::size_t>(width) * height, 255)};
  const int dx = (image.width - width) / 2;
  const int dy = (image.height - height) / 2;
  for (int y = 0; y < height; ++y) {
    const int sy = y + dy;
    if (sy < 0 || sy >= image.height) continue;
    for (int x = 0; x < width; ++x) {
      const int sx = x + dx;
      if (sx >= 0 && sx < image.width) {
        out.pixels[static_cast<std::size_t>(y) * width + x] =
            image.pixels[static_cast<std::size_t>(sy) * image.width + sx];
      }
    }
  }
  return out;
}

GreyImage tiled_scans(int width, int height) {
  constexpr int kTileWidth = 300;
  constexpr int kTileHeight = 256;
  std::vector<GreyImage> tiles;
  for (int finger : kFingers) {
    for (int impression = 1; impression <= kImpressions; ++impression) {
      GreyImage tile =
          centred_window(scan("fvc2002-db3b", finger, impression), kTileWidth, kTileHeight);
      if (tile.pixels.empty()) return {};
      tiles.push_back(std::move(tile));
    }
  }
  GreyImage out{width, height, std::vector<std::uint8_t>(static_cast<std::size_t>(width) * height)};
  const int across = (width + kTileWidth - 1) / kTileWidth;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const std::size_t which =
          static_cast<std::size_t>((y / kTileHeight) * across + x / kTileWidth) % tiles.size();
      out.pixels[static_cast<std::size_t>(y) * width + x] =
          tiles[which]
              .pixels[static_cast<std::size_t>(y % kTileHeight) * kTileWidth + x % kTileWidth];
    }
  }
  return out;
}

}  // namespace test_images
