#include "closedlid/closed_lid_dialogs.h"

#include <string>

#include "closedlid/lid_availability.h"
#include "platform/base/format_placeholders.h"
#include "platform/base/localized.h"

namespace vigilix::VGXClosedLidDialogs {

namespace {

using platform::localized;

std::shared_ptr<platform::Alert> makeAlert(const std::string& title, const std::string& text,
                                           const std::string& first, const std::string& second) {
  auto alert = platform::Alert::make();
  alert->setAlertStyle(platform::AlertStyle::Warning);
  alert->setMessageText(title);
  alert->setInformativeText(text);
  alert->addButtonWithTitle(first);
  alert->addButtonWithTitle(second)->setKeyEquivalent("");
  return alert;
}

}  // namespace

void present(const std::shared_ptr<platform::Alert>& alert, std::size_t yesButton, Answer answer) {
  const platform::ModalResponse yes = platform::Alert::responseOfButtonAt(yesButton);
  alert->presentModal([yes, answer = std::move(answer)](platform::ModalResponse response) {
    if (answer) answer(response == yes);
  });
}

std::shared_ptr<platform::Alert> makeEnableConfirmation(int batteryFloorPercent,
                                                        int batteryCapHours) {
  const std::string text = platform::fillPlaceholders(
      localized("Vigilix stops if your computer gets hot, when the battery reaches %d%%, and "
                "after %@ on battery. %@ Keep your computer somewhere it can cool — not in a bag "
                "or under a blanket.",
                "closed-lid confirmation"),
      {std::to_string(batteryFloorPercent), VGXLidModel::capDurationText(batteryCapHours),
       localized(std::string(VGXLidModel::kLockNote), "closed-lid lock note")});
  return makeAlert(localized("Keep your computer awake with the lid closed?", "closed-lid title"),
                   text, localized("Cancel", "button"),
                   localized("Enable Closed-Lid Mode", "button"));
}

std::shared_ptr<platform::Alert> makeRemovalConfirmation() {
  return makeAlert(localized("Remove the closed-lid helper?", "closed-lid title"),
                   localized("Vigilix stops keeping your computer awake with the lid closed and "
                             "removes its helper.",
                             "closed-lid removal"),
                   localized("Cancel", "button"), localized("Remove Helper", "button"));
}

std::shared_ptr<platform::Alert> makeRemovalRetry() {
  return makeAlert(localized("Couldn't remove the helper — Try Again", "closed-lid title"), "",
                   localized("Try Again", "button"), localized("Cancel", "button"));
}

void confirmEnabling(int batteryFloorPercent, int batteryCapHours, Answer answer) {
  present(makeEnableConfirmation(batteryFloorPercent, batteryCapHours), kEnableButton,
          std::move(answer));
}

void confirmRemoval(Answer answer) {
  present(makeRemovalConfirmation(), kRemoveButton, std::move(answer));
}

void offerRemovalRetry(Answer answer) {
  present(makeRemovalRetry(), kTryAgainButton, std::move(answer));
}

}  // namespace vigilix::VGXClosedLidDialogs
