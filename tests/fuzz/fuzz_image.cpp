// Images from outside, small and of odd sizes: to CreateFPCode, CreateTemplate and Verify.
// Byte 0 and 1 give width and height (16 .. 79), byte 2 the image type (0 .. 4); the
// pixels repeat the rest of the input.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "ProcTemp.h"
#include "tests/fuzz/fuzz_inputs.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  constexpr std::size_t kHeader = 3;
  if (size <= kHeader) return 0;
  const int width = 16 + data[0] % 64;
  const int height = 16 + data[1] % 64;
  const auto image_type = static_cast<short>(data[2] % 5);
  const std::size_t pixels = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
  std::vector<unsigned char> image(pixels);
  for (std::size_t i = 0; i < pixels; ++i) image[i] = data[kHeader + i % (size - kHeader)];

  ProcTemp p(image_type, 40);
  std::vector<unsigned char> code(12 + 8 * 4096);
  p.CreateFPCode(image.data(), width, height, code.data());
  std::vector<unsigned char> templ(pendra::kTemplateSize, 0);
  short counter = 0;
  for (int i = 0; i < 3; ++i) {
    std::vector<unsigned char> copy = image;  // CreateTemplate may use the image as working space
    p.CreateTemplate(copy.data(), width, height, templ.data(), counter);
  }
  std::vector<unsigned char> stored = fuzz_inputs::real_template();
  p.Verify(image.data(), width, height, stored.data());
  return 0;
}
