#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vigilix::platform {

// Fills a format of the string tables (String(format:)) with texts:
// - "%@" takes the next argument in order, "%1$@" the argument by position
//   (from 1);
// - the integer conversions "%d", "%i", "%u", "%ld", "%lu", "%lld", "%llu"
//   (also positional) take an argument the same way: the caller passes the
//   number already written as text;
// - "%%" gives "%".
// A conversion with no argument left gives nothing; anything else after "%"
// (flags, widths, other conversions) is kept as written.
std::string fillPlaceholders(std::string_view format, const std::vector<std::string>& arguments);

}  // namespace vigilix::platform
