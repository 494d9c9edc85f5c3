#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace vigilix {

// One request of the application's URL scheme: the action's name and the
// query's arguments. Immutable value; any thread.
struct DZLEvent {
  using Arguments = std::map<std::string, std::string>;

  std::string name;
  // None when the address has no query items.
  std::optional<Arguments> arguments;

  bool operator==(const DZLEvent&) const = default;

  // "{\n\tname: ...,\n\targuments: ...\n}", as logged.
  std::string debugDescription() const;

  // The event an address asks for: its last path component names the action
  // (a host-only address such as "vigilix://toggle" names it by the host),
  // its query items, percent-decoded, are the arguments (an item without a
  // value gets the empty text; a later item replaces an earlier one). None
  // for text that is not an absolute address or holds a broken escape.
  static std::optional<DZLEvent> eventForURL(std::string_view url);
};

// A number in an argument: read as a decimal from the start of the text
// (leading blanks skipped, trailing text ignored). Text that is not a
// number, and every value that is not finite ("inf", "nan", "1e400"),
// reads as 0.
double dzl_argumentNumberValue(std::string_view text);

// A Boolean in an argument: a leading "Y", "y", "T", "t" or non-zero digit
// (after blanks, an optional sign and leading zeros) is true.
bool dzl_argumentBoolValue(std::string_view text);

}  // namespace vigilix
