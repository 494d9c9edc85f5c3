#include "platform/system/desktop_entries.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <system_error>
#include <utility>

#include "platform/fs/file_system.h"
#include "platform/system/proc_values.h"

namespace vigilix::platform {

namespace {

// The value escapes of a string: \s \n \t \r \\ ; any other stays as written.
std::string unescapedValue(std::string_view value) {
  constexpr std::string_view kEscapes = "sntr\\";
  constexpr std::string_view kMeanings = " \n\t\r\\";
  std::string text;
  text.reserve(value.size());
  for (std::size_t i = 0; i < value.size(); ++i) {
    const std::size_t escape =
        value[i] == '\\' && i + 1 < value.size() ? kEscapes.find(value[i + 1]) : std::string::npos;
    if (escape == std::string::npos) {
      text.push_back(value[i]);
    } else {
      text.push_back(kMeanings[escape]);
      ++i;
    }
  }
  return text;
}

// The arguments of an Exec command line: separated by spaces, or quoted in
// double quotes inside which \" \` \$ and \\ stand for the character.
std::vector<std::string> commandArguments(std::string_view line) {
  std::vector<std::string> arguments;
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    if (i == line.size()) break;
    std::string argument;
    if (line[i] == '"') {
      for (++i; i < line.size() && line[i] != '"'; ++i) {
        if (line[i] == '\\' && i + 1 < line.size()) ++i;
        argument.push_back(line[i]);
      }
      ++i;  // the closing quote
    } else {
      while (i < line.size() && line[i] != ' ' && line[i] != '\t') argument.push_back(line[i++]);
    }
    arguments.push_back(std::move(argument));
  }
  return arguments;
}

std::string fileNameOf(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

// "env A=1 B=2 prog ..." runs prog.
std::string programOf(std::string_view exec) {
  const std::vector<std::string> arguments = commandArguments(exec);
  std::size_t i = 0;
  if (i < arguments.size() && fileNameOf(arguments[i]) == "env") {
    ++i;
    while (i < arguments.size() && arguments[i].find('=') != std::string::npos) ++i;
  }
  return i < arguments.size() ? fileNameOf(arguments[i]) : std::string();
}

}  // namespace

std::optional<DesktopEntry> parseDesktopEntry(std::string_view text) {
  DesktopEntry entry;
  std::map<std::string, std::string, std::less<>> values;
  bool inMainGroup = false;
  bool sawMainGroup = false;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    const std::string_view line = trimmedText(text.substr(0, end));
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (line.empty() || line.front() == '#') continue;
    if (line.front() == '[') {
      if (sawMainGroup) break;  // the rest are actions and other groups
      inMainGroup = sawMainGroup = line == "[Desktop Entry]";
      continue;
    }
    if (!inMainGroup) continue;
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) continue;
    // The first of a repeated key counts; "Name[de]" and the many other keys
    // are not kept.
    const std::string_view key = trimmedText(line.substr(0, equals));
    if (key != "Type" && key != "Name" && key != "Exec" && key != "StartupWMClass" &&
        key != "Icon" && key != "Hidden" && key != "X-GNOME-Autostart-enabled") {
      continue;
    }
    values.try_emplace(std::string(key), unescapedValue(trimmedText(line.substr(equals + 1))));
  }
  const auto value = [&](std::string_view key) {
    const auto found = values.find(key);
    return found == values.end() ? std::string() : found->second;
  };
  if (!sawMainGroup || value("Type") != "Application") return std::nullopt;
  entry.name = value("Name");
  entry.program = programOf(value("Exec"));
  entry.startupWMClass = value("StartupWMClass");
  entry.icon = value("Icon");
  entry.hidden = value("Hidden") == "true";
  entry.autostartEnabled = value("X-GNOME-Autostart-enabled") != "false";
  return entry;
}

std::vector<std::filesystem::path> applicationFolders(const std::filesystem::path& root,
                                                      const std::filesystem::path& home,
                                                      std::optional<std::string_view> dataHome,
                                                      std::optional<std::string_view> dataDirs) {
  const auto under = [&](const std::filesystem::path& path) {
    return root / path.lexically_normal().relative_path() / "applications";
  };
  std::vector<std::filesystem::path> folders;
  if (dataHome && dataHome->starts_with('/')) {
    folders.push_back(under(*dataHome));
  } else {
    folders.push_back(under(home / ".local/share"));
  }
  std::string_view dirs =
      dataDirs && !dataDirs->empty() ? *dataDirs : "/usr/local/share:/usr/share";
  while (!dirs.empty()) {
    const std::size_t colon = dirs.find(':');
    const std::string_view dir = dirs.substr(0, colon);
    dirs = colon == std::string_view::npos ? std::string_view() : dirs.substr(colon + 1);
    if (dir.starts_with('/')) folders.push_back(under(dir));
  }
  return folders;
}

DesktopApplicationNames::DesktopApplicationNames(
    const std::vector<std::filesystem::path>& folders) {
  for (const std::filesystem::path& folder : folders) addFolder(folder, "", 0);
}

void DesktopApplicationNames::addFolder(const std::filesystem::path& folder,
                                        const std::string& prefix, int depth) {
  // A bound on depth also ends a loop of folder links.
  constexpr int kMaxDepth = 3;
  remember(folder);
  for (const std::string& name : listFolder(folder)) {
    const std::filesystem::path path = folder / name;
    if (!name.ends_with(".desktop")) {
      std::error_code error;
      if (depth < kMaxDepth && std::filesystem::is_directory(path, error)) {
        addFolder(path, prefix + name + "-", depth + 1);
      }
      continue;
    }
    if (!seen_.insert(prefix + name).second) continue;
    remember(path);
    const auto text = FileSystem::readFile(path);
    if (!text) continue;
    const auto entry = parseDesktopEntry(*text);
    if (!entry || entry->hidden || entry->name.empty()) continue;
    const Named named{entry->name, entry->icon};
    if (!entry->program.empty()) byProgram_.try_emplace(entry->program, named);
    if (!entry->startupWMClass.empty()) byWMClass_.try_emplace(entry->startupWMClass, named);
  }
}

std::vector<std::filesystem::path> userApplicationFolders(const std::filesystem::path& root) {
  const auto variable = [](const char* name) -> std::optional<std::string_view> {
    const char* value = std::getenv(name);
    if (value == nullptr) return std::nullopt;
    return std::string_view(value);
  };
  return applicationFolders(root, FileSystem::homeDirectory(), variable("XDG_DATA_HOME"),
                            variable("XDG_DATA_DIRS"));
}

namespace {

std::optional<std::filesystem::file_time_type> changeTimeOf(const std::filesystem::path& path) {
  std::error_code error;
  const auto time = std::filesystem::last_write_time(path, error);
  if (error) return std::nullopt;
  return time;
}

}  // namespace

void DesktopApplicationNames::remember(const std::filesystem::path& path) {
  read_.emplace_back(path, changeTimeOf(path));
}

bool DesktopApplicationNames::isCurrent() const {
  // File times are coarse: a change in the moment of the read could keep
  // the time it was read with, so what was that fresh is read again.
  const auto settled = readAt_ - std::chrono::seconds(2);
  // Entries come and go by renames, which change their folder's time too.
  return std::all_of(read_.begin(), read_.end(), [&](const auto& read) {
    return changeTimeOf(read.first) == read.second && (!read.second || *read.second < settled);
  });
}

const DesktopApplicationNames::Named* DesktopApplicationNames::find(
    std::string_view executable) const {
  if (const auto found = byProgram_.find(executable); found != byProgram_.end()) {
    return &found->second;
  }
  if (const auto found = byWMClass_.find(executable); found != byWMClass_.end()) {
    return &found->second;
  }
  return nullptr;
}

std::optional<std::string> DesktopApplicationNames::nameFor(std::string_view executable) const {
  const Named* named = find(executable);
  return named ? std::optional(named->name) : std::nullopt;
}

std::string DesktopApplicationNames::iconFor(std::string_view executable) const {
  const Named* named = find(executable);
  return named ? named->icon : std::string();
}

}  // namespace vigilix::platform
