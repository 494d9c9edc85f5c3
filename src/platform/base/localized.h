#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace vigilix::platform {

// A table of translations keyed by the English text.
class StringTable {
 public:
  virtual ~StringTable() = default;
  virtual std::optional<std::string> lookup(std::string_view key) const = 0;
};

// Installs the process-wide string table (nullptr: none, every text shows in
// English). The table is dropped by resetSharedInstances().
void setStringTable(std::shared_ptr<const StringTable> table);

// The text the user sees for `text`, looked up with the English text as key;
// the English text itself when there is no table or no entry. `comment` is
// for translators only.
std::string localized(std::string_view text, std::string_view comment);

}  // namespace vigilix::platform
