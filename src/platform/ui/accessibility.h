#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace vigilix::platform {

class View;

enum class AccessibilityRole {
  Unknown,
  Group,
  Button,
  CheckBox,
  StaticText,
  TextField,
  Image,
  Incrementor,
  DateTimeArea,
  Window,
  Table,
};

enum class AccessibilitySubrole { None, Switch };

enum class AccessibilityNotification { ValueChanged, AnnouncementRequested, LayoutChanged };

// Announcement priorities, with the platform's raw values.
enum class AccessibilityPriority { Low = 10, Medium = 50, High = 90 };

// One posted accessibility notification. `element` identifies the poster by
// address only; it is never dereferenced.
struct AccessibilityPost {
  const View* element = nullptr;
  AccessibilityNotification notification = AccessibilityNotification::ValueChanged;
  std::string announcement;
  AccessibilityPriority priority = AccessibilityPriority::Medium;
};

// Where accessibility notifications go. The model delivers them to
// observers (a screen reader, or a test); with none they are dropped.
class AccessibilityCenter {
 public:
  using Observer = std::function<void(const AccessibilityPost&)>;
  class Token {
   public:
    explicit Token(std::size_t id) : id_(id) {}
    ~Token();
    Token(const Token&) = delete;
    Token& operator=(const Token&) = delete;

   private:
    std::size_t id_;
  };

  static void post(const View& element, AccessibilityNotification notification);
  static void postAnnouncement(const View& element, const std::string& announcement,
                               AccessibilityPriority priority);
  [[nodiscard]] static std::unique_ptr<Token> observe(Observer observer);

 private:
  static void deliver(const AccessibilityPost& post);
};

}  // namespace vigilix::platform
