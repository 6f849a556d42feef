// Tables indexed by an enum name their key in every row; a table out of the enum's order
// fails to compile instead of sending another command's bytes.
#pragma once

#include <cstddef>

namespace wire {

// True when the table has a row for every key up to `last`, row i carrying key i.
template <typename Row, std::size_t N, typename Key>
constexpr bool indexed_by(const Row (&table)[N], Key Row::*key, Key last) {
  if (N != static_cast<std::size_t>(last) + 1) return false;
  for (std::size_t i = 0; i < N; ++i) {
    if (static_cast<std::size_t>(table[i].*key) != i) return false;
  }
  return true;
}

}  // namespace wire
