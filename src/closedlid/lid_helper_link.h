#pragma once

#include "closedlid/closed_lid_seams.h"
#include "closedlid/lid_helper.h"

namespace vigilix {

// The installer's handle as the controller drives it: failures become the
// text shown beside the switch.
class VGXLidHelperLink final : public VGXClosedLidHelperLink {
 public:
  explicit VGXLidHelperLink(VGXLidHelping& helper) : helper_(helper) {}
  VGXLidRegistration registration() override { return helper_.registration(); }
  void registerHelper(Completion completion) override;
  void requestApproval() override { helper_.requestApproval(); }
  void install(Completion completion) override;
  void uninstall(Completion completion) override;

 private:
  VGXLidHelping& helper_;
};

// What the user reads when the service manager refused to enable the
// installer; none when the refusal only awaits the user's approval.
std::optional<std::string> registrationFailureText(const VGXUnitError& error);

}  // namespace vigilix
