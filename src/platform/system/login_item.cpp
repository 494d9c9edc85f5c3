#include "platform/system/login_item.h"

#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>

#include "platform/base/current_instance.h"
#include "platform/base/logger.h"
#include "platform/fs/own_program.h"
#include "platform/fs/standard_folders.h"
#include "platform/system/desktop_entries.h"

namespace vigilix::platform {

namespace {

const Logger& log() {
  static const Logger logger("LoginItem");
  return logger;
}

constinit CurrentInstance<LoginItem> currentItem{
    &processLifetimeInstance<LoginItem, XdgAutostartLoginItem>};

std::expected<FileSystem::Path, LoginItemError> ownProgram() {
  auto path = ownProgramPath();
  if (!path)
    return std::unexpected(LoginItemError{"cannot find the program's own file: " + path.error()});
  return *path;
}

// The characters that make an Exec argument need quotes.
constexpr std::string_view kReserved = " \t\n\"'\\><~|&;$*?#()`";

}  // namespace

LoginItem& LoginItem::current() { return currentItem.get(); }
LoginItem* LoginItem::setCurrent(LoginItem* item) { return currentItem.install(item); }

std::string desktopEntryExecArgument(std::string_view argument) {
  const bool quoted =
      argument.empty() || argument.find_first_of(kReserved) != std::string_view::npos;
  std::string command;
  if (quoted) command += '"';
  for (char c : argument) {
    if (c == '%') {
      command += "%%";  // a lone "%" starts a field code
    } else if (quoted && (c == '"' || c == '`' || c == '$' || c == '\\')) {
      command += '\\';
      command += c;
    } else {
      command += c;
    }
  }
  if (quoted) command += '"';
  // The key's value is itself an escaped string.
  std::string value;
  for (char c : command) {
    switch (c) {
      case '\\':
        value += "\\\\";
        break;
      case '\n':
        value += "\\n";
        break;
      case '\t':
        value += "\\t";
        break;
      case '\r':
        value += "\\r";
        break;
      default:
        value += c;
    }
  }
  return value;
}

std::string autostartEntryText(const FileSystem::Path& program) {
  return "[Desktop Entry]\n"
         "Type=Application\n"
         "Name=Vigilix\n"
         "Exec=" +
         desktopEntryExecArgument(program.string()) +
         "\n"
         "Icon=run.tarvo.vigilix\n"
         "Terminal=false\n"
         "X-GNOME-Autostart-enabled=true\n";
}

XdgAutostartLoginItem::XdgAutostartLoginItem(std::optional<FileSystem::Path> program)
    : program_(std::move(program)) {}

FileSystem::Path XdgAutostartLoginItem::entryPath() {
  return standardFolder(StandardFolder::autostart) / "run.tarvo.vigilix.desktop";
}

LoginItemStatus XdgAutostartLoginItem::status() const {
  const auto text = FileSystem::readFile(entryPath());
  if (!text) {
    if (!text.error().isNotFound())
      log().error("Cannot read the autostart entry: {}", text.error().message);
    return LoginItemStatus::notRegistered;
  }
  const auto entry = parseDesktopEntry(*text);
  if (!entry || entry->hidden || !entry->autostartEnabled) return LoginItemStatus::notRegistered;
  return LoginItemStatus::enabled;
}

std::expected<void, LoginItemError> XdgAutostartLoginItem::registerItem() {
  auto program =
      program_ ? std::expected<FileSystem::Path, LoginItemError>(*program_) : ownProgram();
  if (!program) return std::unexpected(program.error());
  if (auto written = FileSystem::writeFileAtomically(entryPath(), autostartEntryText(*program));
      !written) {
    return std::unexpected(LoginItemError{written.error().message});
  }
  return {};
}

std::expected<void, LoginItemError> XdgAutostartLoginItem::unregisterItem() {
  if (auto removed = FileSystem::remove(entryPath()); !removed) {
    return std::unexpected(LoginItemError{removed.error().message});
  }
  return {};
}

}  // namespace vigilix::platform
