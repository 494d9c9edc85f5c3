#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "platform/base/localized.h"

namespace vigilix::testing {

// A string table of a test: the given translations, none for other keys.
class MapStringTable final : public platform::StringTable {
 public:
  using Entries = std::map<std::string, std::string, std::less<>>;
  explicit MapStringTable(Entries entries) : entries_(std::move(entries)) {}

  std::optional<std::string> lookup(std::string_view key) const override {
    const auto found = entries_.find(key);
    if (found == entries_.end()) return std::nullopt;
    return found->second;
  }

 private:
  Entries entries_;
};

}  // namespace vigilix::testing
