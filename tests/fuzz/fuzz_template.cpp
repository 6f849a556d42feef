// Stored templates from outside: to GetLengthTemplate, GetQualityTemplate, Verify and
// IdentifyFind. The first byte's low bit asks for a right header, so that mutated bodies
// reach the matcher; the rest is the template, cut or zero-padded to 828 bytes.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "ProcTemp.h"
#include "tests/fuzz/fuzz_inputs.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  std::vector<unsigned char> templ(pendra::kTemplateSize, 0);
  std::copy_n(data + 1, std::min(size - 1, templ.size()), templ.begin());
  if ((data[0] & 1) != 0) fuzz_inputs::repair_template_crc(templ.data());

  ProcTemp p(0, 40);
  p.GetLengthTemplate(templ.data());
  p.GetQualityTemplate(templ.data());
  std::vector<unsigned char> image = fuzz_inputs::small_scan();
  constexpr int side = fuzz_inputs::kSmallScanSide;
  p.Verify(image.data(), side, side, templ.data());
  if (p.IdentifyInit(image.data(), side, side) == pendra::kOk) p.IdentifyFind(templ.data());
  return 0;
}
