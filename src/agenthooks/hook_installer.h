#pragma once

#include <expected>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "agenthooks/agent_tool.h"
#include "agenthooks/hook_install_error.h"
#include "platform/json/value.h"

namespace vigilix {

// error: the file exists but cannot be read or is no JSON object; notFound: the tool's folder
// is missing; notInstalled: no file, none of ours, or ours for only some events, all current;
// installed: every event has ours and all run cliPath; needsUpdate: one of ours runs another path,
// or an older install lacks only events that joined the table since.
struct VGXHookInstallState {
  enum class Case { error, notFound, notInstalled, installed, needsUpdate };

  Case kind = Case::notInstalled;
  std::string message;  // error only

  static VGXHookInstallState error(std::string message) {
    return {Case::error, std::move(message)};
  }
  static VGXHookInstallState of(Case kind) { return {kind, {}}; }
  bool operator==(const VGXHookInstallState&) const = default;
};

// Reads and edits one tool's hooks file, keeping every key and entry that is not ours. Each
// change is a transaction under an advisory lock: read, edit in memory, write a temporary
// file, check that nobody changed the file meanwhile, keep a dated backup, check again and
// swap into place (the displaced file is checked too, and put back when a save of the tool's
// landed in the last instant), then read back. Names in the folder are reached from the open
// folder without following links; a folder other users can write to is refused unless it is
// sticky and the file is the user's own. Run as root, the files made keep the original's owner
// (a new file its folder's). Temporary files of a killed transaction are removed under the lock.
// Side files, named by appending to the hooks file's path: ".vigilix-lock" (kept),
// ".vigilix-backup-yyyyMMdd-HHmmss" (local time; "-2", "-3" ... when taken; never removed).
// A hooks file that is a symbolic link is edited where it points: the ".vigilix-tmp" file sits
// beside the link's target. The replaced file and its backups keep the original's mode.
// Synchronous, on the caller's thread; one installer per operation.
class VGXHookInstaller {
 public:
  using Result = std::expected<void, VGXHookInstallError>;
  using Edit = std::function<Result(platform::json::Value& document)>;

  // `cliPath`: the command-line tool's absolute path, written into every hook command.
  VGXHookInstaller(VGXAgentTool tool, std::filesystem::path configURL, std::string cliPath)
      : tool_(tool), configURL_(std::move(configURL)), cliPath_(std::move(cliPath)) {}

  VGXAgentTool tool() const { return tool_; }
  const std::filesystem::path& configURL() const { return configURL_; }
  const std::string& cliPath() const { return cliPath_; }

  // Reads only.
  VGXHookInstallState status() const;

  // What installing adds, without anything of the file: one group (cursor: one entry) per event.
  platform::json::Value plannedDocument() const;
  // Gives every event of the tool a current entry of ours: the first one found is refreshed in
  // place, else a new group (cursor: entry) is appended. Fails, leaving the document as it was,
  // when "hooks" or an event's value has a shape that would have to be replaced.
  Result installInto(platform::json::Value& document) const;
  // Takes our entries out of the tool's events. A group (and then an event) goes only when it
  // held ours and nothing is left; values of other shapes stay as they are.
  void removeFrom(platform::json::Value& document) const;

  // One edit of the hooks file as described above. Only a missing file reads as empty; any
  // other failure before the final rename leaves the hooks file as it was and removes the
  // temporary file.
  Result transaction(const Edit& edit) const;
  // Runs `body` holding the exclusive lock on the ".vigilix-lock" file (creating the hooks
  // file's folder for it). The body does not run when the lock cannot be had.
  Result withLock(const std::function<Result()>& body) const;

  Result install() const;  // withLock(transaction(installInto))
  // As install with removeFrom; when the hooks file does not exist nothing is made at all.
  Result remove() const;

  // The installer of the current user's hooks file for `tool`, writing the command-line tool
  // that ships beside this program.
  static VGXHookInstaller forCurrentUser(VGXAgentTool tool);

 private:
  VGXAgentTool tool_;
  std::filesystem::path configURL_;
  std::string cliPath_;
};

}  // namespace vigilix
