#pragma once

#include <cstdint>
#include <string>
#include <variant>

#include "platform/base/date.h"
#include "platform/base/uuid.h"
#include "triggers/trigger_reason.h"

namespace vigilix {

// What a watch waits for: a download to finish, an app to quit or a
// process to end. Equal when the case and every payload field are equal.
class WatchKind {
 public:
  // A file or folder being downloaded.
  struct File {
    std::string path;
    std::string displayName;
    bool operator==(const File&) const = default;
  };
  // A running application, by its process and bundle identifiers.
  struct App {
    std::int32_t processIdentifier = 0;
    std::string bundleIdentifier;
    std::string displayName;
    bool operator==(const App&) const = default;
  };
  // Any process, by its identifier.
  struct Process {
    std::int32_t processIdentifier = 0;
    std::string label;
    bool operator==(const Process&) const = default;
  };
  using Payload = std::variant<File, App, Process>;

  WatchKind(File file) : payload_(std::move(file)) {}  // NOLINT(google-explicit-constructor)
  WatchKind(App app) : payload_(std::move(app)) {}     // NOLINT(google-explicit-constructor)
  WatchKind(Process process)
      : payload_(std::move(process)) {}  // NOLINT(google-explicit-constructor)

  static WatchKind file(std::string path, std::string displayName) {
    return File{std::move(path), std::move(displayName)};
  }
  static WatchKind app(std::int32_t processIdentifier, std::string bundleIdentifier,
                       std::string displayName) {
    return App{processIdentifier, std::move(bundleIdentifier), std::move(displayName)};
  }
  static WatchKind process(std::int32_t processIdentifier, std::string label) {
    return Process{processIdentifier, std::move(label)};
  }

  bool isFile() const { return std::holds_alternative<File>(payload_); }
  bool isProcess() const { return std::holds_alternative<Process>(payload_); }
  // The payload of that case, or nullptr for another case.
  const File* asFile() const { return std::get_if<File>(&payload_); }
  const App* asApp() const { return std::get_if<App>(&payload_); }
  const Process* asProcess() const { return std::get_if<Process>(&payload_); }
  const Payload& payload() const { return payload_; }

  bool operator==(const WatchKind&) const = default;

 private:
  Payload payload_;
};

// A one-off reason to keep awake that ends by itself.
struct Watch {
  platform::UUID id;
  WatchKind kind;
  platform::Date startedAt;

  // The text shown for the watch: the display name of a file or app, the
  // label of a process; never a path or a bundle identifier.
  std::string label() const;
  // The keep-awake reason a live watch gives: a file gives watchedFile with
  // its display name, an app watchedApp with its bundle identifier, and a
  // process watchedApp with its label.
  TriggerReason triggerReason() const;
  // Whether the process exists (see platform::isProcessAlive); false for an
  // identifier of 0 or below.
  static bool isProcessAlive(std::int32_t processIdentifier);

  bool operator==(const Watch&) const = default;
};

}  // namespace vigilix
