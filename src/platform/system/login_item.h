#pragma once

#include <expected>
#include <optional>
#include <string>
#include <string_view>

#include "platform/fs/file_system.h"

namespace vigilix::platform {

// Whether the desktop starts the program when the user logs in. "Requires
// approval" has no counterpart: the user's own autostart entry needs no one's
// approval, so a registered item is simply enabled.
enum class LoginItemStatus { notRegistered, enabled };

struct LoginItemError {
  std::string message;
  bool operator==(const LoginItemError&) const = default;
};

// The program's login item (the main application service). Main thread.
class LoginItem {
 public:
  virtual ~LoginItem() = default;

  // Read back from where the desktop looks, not remembered from the last request.
  virtual LoginItemStatus status() const = 0;
  virtual std::expected<void, LoginItemError> registerItem() = 0;
  // Unregistering what is not registered succeeds.
  virtual std::expected<void, LoginItemError> unregisterItem() = 0;

  // The installed one, else the live XdgAutostartLoginItem.
  static LoginItem& current();
  // nullptr goes back to the live one. Answers the one replaced (nullptr: the live one).
  static LoginItem* setCurrent(LoginItem* item);
};

// An XDG autostart entry, "<autostart folder>/run.tarvo.vigilix.desktop"
// (standard_folders.h), written atomically and removed to unregister. It
// counts as enabled while it is an application entry that is neither hidden
// nor switched off by the desktop's startup settings.
class XdgAutostartLoginItem final : public LoginItem {
 public:
  // `program` runs at login; by default the running program's own file.
  explicit XdgAutostartLoginItem(std::optional<FileSystem::Path> program = std::nullopt);

  static FileSystem::Path entryPath();

  LoginItemStatus status() const override;
  std::expected<void, LoginItemError> registerItem() override;
  std::expected<void, LoginItemError> unregisterItem() override;

 private:
  std::optional<FileSystem::Path> program_;
};

// The autostart entry's text for `program`.
std::string autostartEntryText(const FileSystem::Path& program);
// One argument of a desktop entry's Exec key, quoted and escaped so that any
// path reads back as itself, "%" included.
std::string desktopEntryExecArgument(std::string_view argument);

}  // namespace vigilix::platform
