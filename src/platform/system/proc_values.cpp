#include "platform/system/proc_values.h"

#include <charconv>
#include <limits>

#include "platform/fs/file_system.h"

namespace vigilix::platform {

namespace {

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

}  // namespace

std::string_view trimmedText(std::string_view text) {
  while (!text.empty() && isSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && isSpace(text.back())) text.remove_suffix(1);
  return text;
}

namespace {

template <typename Number>
std::optional<Number> parseWhole(std::string_view text) {
  text = trimmedText(text);
  if (text.empty()) return std::nullopt;
  Number value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

}  // namespace

std::optional<std::uint64_t> parseUnsigned(std::string_view text) {
  return parseWhole<std::uint64_t>(text);
}

std::optional<std::int64_t> parseSigned(std::string_view text) {
  return parseWhole<std::int64_t>(text);
}

std::optional<std::string> readTrimmedFile(const std::filesystem::path& path) {
  auto contents = FileSystem::readFile(path);
  if (!contents) return std::nullopt;
  return std::string(trimmedText(*contents));
}

std::optional<std::uint64_t> readUnsignedFile(const std::filesystem::path& path) {
  auto text = readTrimmedFile(path);
  if (!text) return std::nullopt;
  return parseUnsigned(*text);
}

std::optional<std::int64_t> readSignedFile(const std::filesystem::path& path) {
  auto text = readTrimmedFile(path);
  if (!text) return std::nullopt;
  return parseSigned(*text);
}

std::vector<std::string> listFolder(const std::filesystem::path& folder) {
  auto names = FileSystem::list(folder);
  if (!names) return {};
  return std::move(*names);
}

namespace {

// The field at or after `i`, which moves past it; empty at the end of the line.
std::string_view nextField(std::string_view line, std::size_t& i) {
  while (i < line.size() && isSpace(line[i])) ++i;
  const std::size_t start = i;
  while (i < line.size() && !isSpace(line[i])) ++i;
  return line.substr(start, i - start);
}

}  // namespace

std::vector<std::string_view> splitFields(std::string_view line) {
  std::vector<std::string_view> fields;
  std::size_t i = 0;
  for (std::string_view field = nextField(line, i); !field.empty(); field = nextField(line, i)) {
    fields.push_back(field);
  }
  return fields;
}

std::optional<ProcessStat> parseProcessStat(std::string_view stat) {
  const std::size_t close = stat.rfind(") ");
  if (close == std::string_view::npos) return std::nullopt;
  // After the name: state, parent, ..., flags as the 7th and the start time as the 20th field.
  // Read in place: the process table parses one line per process at every pass.
  const std::string_view rest = stat.substr(close + 2);
  std::string_view fields[20];
  std::size_t count = 0;
  std::size_t i = 0;
  for (; count < std::size(fields); ++count) {
    fields[count] = nextField(rest, i);
    if (fields[count].empty()) break;
  }
  if (count < std::size(fields)) return std::nullopt;
  const auto parent = parseSigned(fields[1]);
  const auto flags = parseUnsigned(fields[6]);
  const auto start = parseUnsigned(fields[19]);
  if (!parent || !flags || !start || *parent < 0 ||
      *parent > std::numeric_limits<std::int32_t>::max()) {
    return std::nullopt;
  }
  return ProcessStat{static_cast<std::int32_t>(*parent), *start, *flags};
}

}  // namespace vigilix::platform
