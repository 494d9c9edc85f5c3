#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/button.h"
#include "platform/ui/modal_response.h"
#include "platform/ui/text_field.h"
#include "platform/ui/view.h"
#include "platform/ui/window.h"

namespace vigilix::platform {

class Alert;

// With the platform's raw values.
enum class AlertStyle { Warning = 0, Informational = 1, Critical = 2 };

// The content of an alert's panel; a renderer that draws alerts its own way
// finds the alert here.
class AlertContentView : public View {
 public:
  explicit AlertContentView(std::weak_ptr<Alert> alert) : alert_(std::move(alert)) {}
  std::shared_ptr<Alert> alert() const { return alert_.lock(); }
  bool isFlipped() const override { return true; }

 private:
  std::weak_ptr<Alert> alert_;
};

// A message with up to a few buttons, shown as a sheet on a window or
// application-modally. Neither presentation runs a nested loop: the
// completion hears the response when the user presses a button (a click,
// its key equivalent, or Return for the first). Main thread only; an alert
// is presented at most once at a time (a second presentation while shown
// is ignored).
class Alert : public std::enable_shared_from_this<Alert> {
 public:
  using Completion = std::function<void(ModalResponse)>;

  static constexpr double kWidth = 420;
  static constexpr double kMargin = 20;

  static std::shared_ptr<Alert> make();

  const std::string& messageText() const { return messageText_; }
  void setMessageText(const std::string& text) { messageText_ = text; }
  const std::string& informativeText() const { return informativeText_; }
  void setInformativeText(const std::string& text) { informativeText_ = text; }
  AlertStyle alertStyle() const { return style_; }
  void setAlertStyle(AlertStyle style) { style_ = style; }

  // Appends a button answering AlertFirstButtonReturn + its position. The
  // first button's key equivalent is Return; a later button titled "Cancel"
  // answers to Escape, like the platform's.
  std::shared_ptr<Button> addButtonWithTitle(const std::string& title);
  // In the order added. An alert presented without any gets one "OK".
  const std::vector<std::shared_ptr<Button>>& buttons() const { return buttons_; }
  static ModalResponse responseOfButtonAt(std::size_t index);

  // The panel: message, informative text and buttons (the first rightmost),
  // laid out when presented. Its content view is an AlertContentView.
  const std::shared_ptr<Window>& window() const { return window_; }

  // As a sheet on `parent` (window-modal): the sheet ends when a button is
  // pressed, then the completion runs.
  void beginSheetModalForWindow(const std::shared_ptr<Window>& parent, Completion completion);
  // Application-modal: the panel is key and in front of every window, and
  // other windows take no events until a button is pressed; the completion
  // then runs.
  void presentModal(Completion completion);
  bool isPresented() const { return presented_; }

 private:
  Alert();
  void layoutPanel();
  void finish(ModalResponse response);

  std::string messageText_;
  std::string informativeText_;
  AlertStyle style_ = AlertStyle::Warning;
  std::vector<std::shared_ptr<Button>> buttons_;
  std::shared_ptr<Window> window_;
  std::shared_ptr<TextField> messageLabel_;
  std::shared_ptr<TextField> informativeLabel_;
  Completion completion_;
  bool presented_ = false;
};

}  // namespace vigilix::platform
