#pragma once

#include <string>
#include <vector>

struct sd_bus_message;

namespace vigilix::testing {

// The rows of a GetLayout reply (u(ia{sv}av)) under its root as a host shows
// them, one line per row: the label as seen (mnemonic marks taken out), then
// " on" for a check mark, " off" when disabled and " >" with a submenu, whose
// rows follow indented by two spaces; "--" for a separator. Hidden rows are
// left out. A reply that does not read gives a line saying so.
std::vector<std::string> layoutLines(sd_bus_message* reply);

}  // namespace vigilix::testing
