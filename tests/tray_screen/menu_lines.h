#pragma once

#include <string>
#include <vector>

#include "platform/ui/menu.h"

struct sd_bus_message;

namespace vigilix::testing {

// A menu as a host shows it, one line per row: the label as seen (mnemonic
// marks taken out), then " on" for a check mark, " off" when disabled and
// " >" with a submenu, whose rows follow indented by two spaces; "--" for a
// separator. Hidden rows are left out.

// The rows a model gives: its items, each followed by its detail lines as disabled rows.
std::vector<std::string> menuLines(const platform::Menu& menu);

// The rows of a GetLayout reply (u(ia{sv}av)) under its root; a reply that
// does not read gives a line saying so.
std::vector<std::string> layoutLines(sd_bus_message* reply);

}  // namespace vigilix::testing
