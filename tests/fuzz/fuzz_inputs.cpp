#include "tests/fuzz/fuzz_inputs.h"

#include <algorithm>

#include "ProcTemp.h"
#include "recognition/template_format.h"
#include "tests/support/enrolment.h"
#include "tests/support/fingerprint_images.h"

namespace fuzz_inputs {

namespace tf = recognition::template_format;

const std::vector<unsigned char>& real_template() {
  static const std::vector<unsigned char> stored = [] {
    ProcTemp p(0, 40);
    return test_images::enrol(p, "fvc2002-db3b", 101).stored;
  }();
  return stored;
}

const std::vector<unsigned char>& small_scan() {
  static const std::vector<unsigned char> pixels =
      test_images::centred_window(test_images::scan("fvc2002-db3b", 102, 1), kSmallScanSide,
                                  kSmallScanSide)
          .pixels;
  return pixels;
}

void repair_template_crc(unsigned char* templ) { tf::write_header(templ, tf::kBodyLength); }

void repair_code(unsigned char* code, std::size_t size) {
  const std::size_t room = (size - 12) / 8;
  const std::size_t n = std::min<std::size_t>(byte_order::load_le16(code + 8), room);
  byte_order::store_le16(code + 8, static_cast<std::uint16_t>(n));
  byte_order::store_le16(code + 6, static_cast<std::uint16_t>(12 + 8 * n));
  byte_order::store_le32(code, tf::crc(code + 4, 8 + 8 * n));
}

}  // namespace fuzz_inputs
