#pragma once

// The raw texts of the guard's enumerations, listed in case order. Private to
// this folder.

#include <array>
#include <cstddef>
#include <optional>
#include <string_view>

namespace vigilix::guard_raw_text {

// The case whose raw text is `raw`; none for any other text.
template <typename E, std::size_t N>
std::optional<E> fromTable(const std::array<std::string_view, N>& table, std::string_view raw) {
  for (std::size_t i = 0; i < N; ++i) {
    if (table[i] == raw) return static_cast<E>(i);
  }
  return std::nullopt;
}

}  // namespace vigilix::guard_raw_text
