// Tables indexed by an enum name their key in every row; a table out of the enum's order
// fails to compile instead of sending another command's bytes.
#pragma once

#include <cstddef>

namespace wire {

template <typename Row, std::size_t N, typename Key>
constexpr bool in_enum_order(const Row (&table)[N], Key Row::*key) {
  for (std::size_t i = 0; i < N; ++i) {
    if (static_cast<std::size_t>(table[i].*key) != i) return false;
  }
  return true;
}

}  // namespace wire
