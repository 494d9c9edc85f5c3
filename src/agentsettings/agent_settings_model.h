#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>

#include "agenthooks/agent_tool.h"
#include "agenthooks/hook_installer.h"
#include "platform/runloop/dispatch_queue.h"

namespace vigilix {

// What the install sheet shows: the hooks file and the exact entries that installing writes.
// Its identity is its tool.
struct VGXAgentInstallSheetModel {
  VGXAgentTool tool = VGXAgentTool::claude;
  std::string path;
  std::string planned;  // JSON text; "{}" when the entries cannot be rendered
  bool isUpdate = false;

  bool operator==(const VGXAgentInstallSheetModel& other) const { return tool == other.tool; }
};

// "Not found", "Not installed", "Installed", "Needs update", localized; an error's own message.
std::string agentHookStatusText(const VGXHookInstallState& state);

// The state of the agent settings section: each tool's hooks, the last failure per tool, the
// sheet being shown and whether managed policy forbids agent hooks. Installing and removing
// run on a worker queue, one at a time; the tool is busy until the outcome is back on the main
// queue. Main thread only; `onChange` runs after every change.
class VGXAgentSettingsModel : public std::enable_shared_from_this<VGXAgentSettingsModel> {
 public:
  using InstallerFor = std::function<VGXHookInstaller(VGXAgentTool)>;
  using PolicyDenied = std::function<bool()>;

  struct Environment {
    InstallerFor installerFor;
    PolicyDenied isPolicyDenied;
    std::shared_ptr<platform::DispatchQueue> worker;

    // The current user's hooks files, "VGXDisableAgentHooks", a serial queue of its own.
    static Environment current();
  };

  // Reads the policy once; the states stay empty until the first refresh.
  static std::shared_ptr<VGXAgentSettingsModel> make(Environment environment);

  const std::map<VGXAgentTool, VGXHookInstallState>& states() const { return states_; }
  // A tool without a state yet counts as not found.
  VGXHookInstallState state(VGXAgentTool tool) const;
  const std::map<VGXAgentTool, std::string>& errors() const { return errors_; }
  const std::optional<VGXAgentInstallSheetModel>& sheet() const { return sheet_; }
  bool policyDenied() const { return policyDenied_; }
  bool isBusy(VGXAgentTool tool) const { return busy_.contains(tool); }

  void setOnChange(std::function<void()> onChange) { onChange_ = std::move(onChange); }

  // Re-reads the policy and every tool's state; the errors stay.
  void refresh();
  // Fills the sheet for the tool; writes nothing.
  void prepareSheet(VGXAgentTool tool, bool isUpdate);
  void dismissSheet();
  // Writes, or takes out, the tool's hooks; then records the outcome under the tool and
  // refreshes. Ignored while the tool is busy. The policy is read again first: while it
  // forbids agent hooks nothing is written.
  void install(VGXAgentTool tool);
  void remove(VGXAgentTool tool);

 private:
  explicit VGXAgentSettingsModel(Environment environment);
  void run(VGXAgentTool tool, bool installing);
  void finish(VGXAgentTool tool, const VGXHookInstaller::Result& result);
  void changed();

  Environment environment_;
  std::map<VGXAgentTool, VGXHookInstallState> states_;
  std::map<VGXAgentTool, std::string> errors_;
  std::optional<VGXAgentInstallSheetModel> sheet_;
  bool policyDenied_ = false;
  std::set<VGXAgentTool> busy_;
  std::function<void()> onChange_;
};

}  // namespace vigilix
