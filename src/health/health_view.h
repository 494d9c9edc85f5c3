#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "keepawake/health_line.h"
#include "platform/ui/button.h"
#include "platform/ui/color.h"
#include "platform/ui/image.h"
#include "platform/ui/scroll_view.h"
#include "platform/ui/stack_view.h"
#include "platform/ui/text_field.h"

namespace vigilix {

class VGXProtectionVerifier;

// One line of the health check: severity symbol, title over detail (the
// detail selectable), and a "Fix" button when the line offers a fix. The
// texts are shown verbatim.
class VGXHealthRowView : public platform::StackView {
 public:
  using FixAction = std::function<void(const std::string& fixActionID)>;

  VGXHealthRowView(const VGXHealthLine& line, FixAction fix);

  const std::shared_ptr<platform::ImageView>& symbolView() const { return symbol_; }
  const std::shared_ptr<platform::TextField>& titleLabel() const { return title_; }
  const std::shared_ptr<platform::TextField>& detailLabel() const { return detail_; }
  // nullptr when the line has no fix.
  const std::shared_ptr<platform::Button>& fixButton() const { return fix_; }

  // "checkmark.circle" in the secondary colour for ok, otherwise
  // "exclamationmark.triangle" in orange.
  static std::string symbolName(VGXHealthSeverity severity);
  static platform::Color symbolColor(VGXHealthSeverity severity);

 private:
  std::shared_ptr<platform::ImageView> symbol_;
  std::shared_ptr<platform::TextField> title_;
  std::shared_ptr<platform::TextField> detail_;
  std::shared_ptr<platform::Button> fix_;
};

// The "Keep-Awake Health" sheet: a heading, one row per health line in a
// scroll view, and "Check Again" and "Done" (the default button). The lines
// start empty and are read from the health registry when the view appears
// and after each action. The actions reach the verifier they were given
// (weakly: once it is gone they only re-read the lines). Main thread only;
// owned by a std::shared_ptr (make() gives one).
class VGXHealthView : public platform::StackView {
 public:
  static constexpr double kWidth = 520;
  static constexpr double kHeight = 400;
  static constexpr double kMargin = 20;
  static constexpr double kSpacing = 16;
  static constexpr const char* kDismissIncidentsAction = "dismissIncidents";

  using Action = std::function<void()>;

  // `dismiss` empty: the view's window is dismissed (a sheet ends on its
  // parent, a window closes). `onClose` present: "Done" calls it instead.
  static std::shared_ptr<VGXHealthView> make(
      Action dismiss, std::optional<Action> onClose,
      const std::shared_ptr<VGXProtectionVerifier>& verifier);

  const std::vector<VGXHealthLine>& lines() const { return lines_; }

  // The sheet appeared: check, read the lines, then acknowledge every
  // incident (the sheet still shows those pending when it opened) and tell
  // the application.
  void viewDidAppear() override;
  void checkAgain();
  // "dismissIncidents" acknowledges every incident; any other identifier
  // checks. Either way the lines are read again.
  void fix(const std::string& fixActionID);
  void done();

  const std::shared_ptr<platform::TextField>& heading() const { return heading_; }
  const std::shared_ptr<platform::ScrollView>& scrollView() const { return scroll_; }
  std::vector<std::shared_ptr<VGXHealthRowView>> rows() const;
  const std::shared_ptr<platform::Button>& checkAgainButton() const { return checkAgain_; }
  const std::shared_ptr<platform::Button>& doneButton() const { return done_; }

  VGXHealthView(Action dismiss, std::optional<Action> onClose,
                std::weak_ptr<VGXProtectionVerifier> verifier);
  void viewDidMoveToWindow() override;

 private:
  void build();
  void reloadLines();
  void check();
  void acknowledgeIncidents();

  Action dismiss_;
  std::optional<Action> onClose_;
  std::weak_ptr<VGXProtectionVerifier> verifier_;
  std::vector<VGXHealthLine> lines_;
  std::shared_ptr<platform::TextField> heading_;
  std::shared_ptr<platform::ScrollView> scroll_;
  std::shared_ptr<platform::StackView> rowStack_;
  std::shared_ptr<platform::Button> checkAgain_;
  std::shared_ptr<platform::Button> done_;
};

}  // namespace vigilix
