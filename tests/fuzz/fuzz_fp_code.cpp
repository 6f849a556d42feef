// FP codes from outside: to VerifyFPCode against a real template. The first byte's low bit
// asks for a consistent length field and a right check value, so that mutated records
// reach the relations and the matcher; the rest is the code, zero-padded to the whole
// buffer a caller must give: at least the 12 header bytes and the length its header claims.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "ProcTemp.h"
#include "tests/fuzz/fuzz_inputs.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  std::vector<unsigned char> code(std::max<std::size_t>(size - 1, 12), 0);
  std::copy_n(data + 1, size - 1, code.begin());
  code.resize(std::max<std::size_t>(code.size(), code[6] | (code[7] << 8)), 0);
  if ((data[0] & 1) != 0) fuzz_inputs::repair_code(code.data(), code.size());

  std::vector<unsigned char> templ = fuzz_inputs::real_template();
  ProcTemp p(0, 40);
  p.VerifyFPCode(code.data(), templ.data());
  return 0;
}
