#pragma once

#include "platform/ui/event.h"

namespace vigilix::platform {

// A link in the responder chain. Events a responder does not take go on to
// the next responder; at the end of the chain they are dropped.
class Responder {
 public:
  virtual ~Responder() = default;

  virtual Responder* nextResponder() const { return nullptr; }
  virtual bool acceptsFirstResponder() const { return false; }
  virtual bool becomeFirstResponder() { return true; }
  virtual bool resignFirstResponder() { return true; }

  virtual void keyDown(const Event& event) {
    if (Responder* next = nextResponder()) next->keyDown(event);
  }
  virtual void mouseDown(const Event& event) {
    if (Responder* next = nextResponder()) next->mouseDown(event);
  }
  virtual void mouseDragged(const Event& event) {
    if (Responder* next = nextResponder()) next->mouseDragged(event);
  }
  virtual void mouseUp(const Event& event) {
    if (Responder* next = nextResponder()) next->mouseUp(event);
  }
};

}  // namespace vigilix::platform
