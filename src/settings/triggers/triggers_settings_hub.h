#pragma once

#include <memory>
#include <string>
#include <vector>

#include "keepawake/awake_state.h"
#include "menubar/awake_status_text.h"
#include "triggers/trigger_reason.h"

namespace vigilix {

class VGXTriggerBridge;

// What the Triggers pane asks of the coordination hub.
class TriggersSettingsHub {
 public:
  virtual ~TriggersSettingsHub() = default;
  // Reads the stored rules again.
  virtual void reloadConfiguration() = 0;
  // The top switch's second step; it also ends a pause.
  virtual void setAutomationEnabled(bool enabled) = 0;
  // False when the hub refuses to watch it.
  virtual bool watchFileAt(const std::string& path) = 0;
  virtual TriggerPause pause() const = 0;
  // The trigger conditions that match now, the first one shown.
  virtual std::vector<TriggerReason> currentReasons() const = 0;
  virtual StatusTextContext statusTextContext() const = 0;
};

// The process's hub, held weakly: a pane outliving it asks nothing.
std::shared_ptr<TriggersSettingsHub> makeTriggersSettingsHub(std::weak_ptr<VGXTriggerBridge> hub);

}  // namespace vigilix
