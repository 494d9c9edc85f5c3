#include "closedlid/lid_helper_link.h"

#include "platform/base/localized.h"

namespace vigilix {

namespace {

VGXHelperCompletion failureText(VGXClosedLidHelperLink::Completion completion) {
  return [completion = std::move(completion)](std::expected<void, VGXHelperFailure> result) {
    completion(result ? std::nullopt : std::optional<std::string>(result.error().message));
  };
}

}  // namespace

std::optional<std::string> registrationFailureText(const VGXUnitError& error) {
  // A refused password is no failure: the registration reads as awaiting
  // approval, and the user may be asked again.
  if (error.notAuthorized) return std::nullopt;
  if (error.noSuchUnit)
    return platform::localized("The helper is not part of this installation.", "closed lid");
  if (error.message.empty())
    return platform::localized("The service manager refused.", "closed lid");
  return error.message;
}

void VGXLidHelperLink::registerHelper(Completion completion) {
  helper_.registerDaemonInBackground(
      [completion = std::move(completion)](std::expected<void, VGXUnitError> result) {
        completion(result ? std::nullopt : registrationFailureText(result.error()));
      });
}

void VGXLidHelperLink::install(Completion completion) {
  helper_.install(failureText(std::move(completion)));
}

void VGXLidHelperLink::uninstall(Completion completion) {
  helper_.uninstall(failureText(std::move(completion)));
}

}  // namespace vigilix
