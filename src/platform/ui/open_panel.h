#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/modal_response.h"
#include "platform/ui/window.h"

namespace vigilix::platform {

// A free-standing panel in which the user picks files or folders to open.
// It has no views of its own: the renderer shows it as the toolkit's file
// dialog and reports the choice back (WindowInput::chooseFiles, or the close
// button for a cancel). No nested loop runs: the completion hears the
// response and the chosen paths when the panel ends. A begun panel keeps
// itself alive until then. Main thread only.
class OpenPanel final : public Window {
 public:
  using Completion = std::function<void(ModalResponse, std::vector<std::string> paths)>;

  static std::shared_ptr<OpenPanel> make();

  bool canChooseFiles() const { return canChooseFiles_; }
  void setCanChooseFiles(bool value) { canChooseFiles_ = value; }
  bool canChooseDirectories() const { return canChooseDirectories_; }
  void setCanChooseDirectories(bool value) { canChooseDirectories_ = value; }
  bool allowsMultipleSelection() const { return allowsMultipleSelection_; }
  void setAllowsMultipleSelection(bool value) { allowsMultipleSelection_ = value; }
  // The folder the panel starts in; empty: the toolkit's choice.
  const std::string& directory() const { return directory_; }
  void setDirectory(const std::string& folder) { directory_ = folder; }

  // Shows the panel; a panel already begun keeps its first completion.
  void begin(Completion completion);
  bool isBegun() const { return self_ != nullptr; }
  // The user confirmed `paths` (none counts as a cancel); the panel closes.
  void choose(std::vector<std::string> paths);

  OpenPanel();

 private:
  class Closing;
  void finish(ModalResponse response, std::vector<std::string> paths);

  bool canChooseFiles_ = true;
  bool canChooseDirectories_ = false;
  bool allowsMultipleSelection_ = false;
  std::string directory_;
  Completion completion_;
  std::shared_ptr<OpenPanel> self_;
  std::shared_ptr<WindowDelegate> closing_;
};

}  // namespace vigilix::platform
