#pragma once

#include <optional>
#include <string_view>

namespace vigilix::platform {

// Enumerations with text raw values, looked up in one table of
// {case, raw value} pairs (an array of pairs), so that both directions read
// the same rows. Matching is exact and case-sensitive.

// The case's raw value; empty for a case the table lacks.
template <typename Table, typename Case>
constexpr std::string_view rawValueIn(const Table& table, Case value) {
  for (const auto& [candidate, name] : table) {
    if (candidate == value) return name;
  }
  return {};
}

// The case with this raw value; none for a text outside the table.
template <typename Case, typename Table>
constexpr std::optional<Case> caseWithRawValue(const Table& table, std::string_view raw) {
  for (const auto& [candidate, name] : table) {
    if (name == raw) return candidate;
  }
  return std::nullopt;
}

}  // namespace vigilix::platform
