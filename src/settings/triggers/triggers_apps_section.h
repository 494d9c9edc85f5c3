#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/ui/button.h"
#include "platform/ui/check_box.h"
#include "platform/ui/stack_view.h"
#include "platform/ui/text_field.h"
#include "settings/settings_section.h"
#include "settings/triggers/triggers_settings_model.h"

namespace vigilix {

// One row of the app list: the name, which selects the row, and its
// "Only While Focused" switch.
struct TriggersAppRow {
  std::string identifier;
  std::shared_ptr<platform::StackView> view;
  std::shared_ptr<platform::Button> name;
  std::shared_ptr<platform::CheckBox> frontmostOnly;
};

// The "Apps" section: the list (or the hint while it is empty), the "Add"
// menu of running desktop applications ending in "Choose Application…",
// and "Remove". Every edit goes through the model, which saves. The menu
// opens under its button, as the window draws no pop-up menus. Main thread.
class VGXTriggersAppsSection {
 public:
  explicit VGXTriggersAppsSection(std::shared_ptr<VGXTriggersSettingsModel> model);

  const std::shared_ptr<platform::StackView>& view() const { return section_.view(); }
  // Brings the rows, the selection and the buttons up to the model.
  void refresh();

  const std::vector<TriggersAppRow>& rows() const { return rows_; }
  const std::shared_ptr<platform::TextField>& emptyHint() const { return emptyHint_; }
  const std::shared_ptr<platform::Button>& addButton() const { return add_; }
  const std::shared_ptr<platform::Button>& removeButton() const { return remove_; }
  // The open "Add" menu's entries, the last one "Choose Application…"; empty while closed.
  const std::vector<std::shared_ptr<platform::Button>>& menuEntries() const { return entries_; }

  void removeSelected();
  void undoRemoval();

 private:
  void rebuildRows();
  void toggleMenu();
  void closeMenu();

  std::shared_ptr<VGXTriggersSettingsModel> model_;
  VGXSettingsSection section_;
  std::shared_ptr<platform::TextField> emptyHint_;
  std::shared_ptr<platform::StackView> list_;
  std::shared_ptr<platform::Button> add_;
  std::shared_ptr<platform::Button> remove_;
  std::shared_ptr<platform::StackView> menu_;
  std::vector<std::shared_ptr<platform::Button>> entries_;
  std::vector<TriggersAppRow> rows_;
  // The rows last replaced, kept until the next rebuild: a row's own
  // control may be the one whose action asked for the rebuild.
  std::vector<TriggersAppRow> retired_;
  std::vector<std::shared_ptr<platform::Button>> retiredEntries_;
  std::vector<std::string> shownKey_;
};

}  // namespace vigilix
