// FP codes made directly from minutiae, for the tests, benchmarks and fuzz seeds that need
// codes no image would give.
#pragma once

#include <cstdint>
#include <vector>

#include "recognition/minutia.h"
#include "recognition/template_format.h"

namespace test_codes {

// The code of `minutiae` as the library writes it: header, records, right check value.
inline std::vector<unsigned char> code_of(const std::vector<recognition::Minutia>& minutiae) {
  const std::size_t n = minutiae.size();
  std::vector<unsigned char> code(12 + 8 * n, 0);
  code[4] = 1;
  byte_order::store_le16(code.data() + 6, static_cast<std::uint16_t>(code.size()));
  byte_order::store_le16(code.data() + 8, static_cast<std::uint16_t>(n));
  unsigned char* record = code.data() + 12;
  for (const recognition::Minutia& m : minutiae) {
    for (const std::int32_t value : {m.x, m.y, m.x2, m.y2}) {
      byte_order::store_le16(record, static_cast<std::uint16_t>(value));
      record += 2;
    }
  }
  byte_order::store_le32(code.data(),
                         recognition::template_format::crc(code.data() + 4, code.size() - 4));
  return code;
}

// `n` minutiae in a row, one pixel apart, all pointing down: every minutia sees the ones
// before it at falling distances, the exchange sort's worst order.
inline std::vector<recognition::Minutia> minutiae_in_a_row(int n) {
  std::vector<recognition::Minutia> minutiae;
  for (int i = 0; i < n; ++i)
    minutiae.push_back(recognition::Minutia{i, 0, recognition::kKindNone, i, 1});
  return minutiae;
}

// `n` minutiae piled on one point but for a few far away: every node's distances are a
// handful of values spread over the whole 16-bit range (found by the FP code fuzzer).
inline std::vector<recognition::Minutia> minutiae_piled_up(int n) {
  std::vector<recognition::Minutia> minutiae(static_cast<std::size_t>(n));
  for (int i = 0; i < n; i += n / 4 + 1)
    minutiae[static_cast<std::size_t>(i)] = {30000 - i, -30000 + i, recognition::kKindNone, 0, 0};
  return minutiae;
}

}  // namespace test_codes
