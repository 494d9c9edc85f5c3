#pragma once

#include <optional>
#include <string>

namespace vigilix::platform {

// A time zone named by its IANA identifier ("Europe/London"). Plain value.
class TimeZone {
 public:
  // Unknown identifiers give std::nullopt.
  static std::optional<TimeZone> named(const std::string& identifier);
  static TimeZone utc();

  const std::string& identifier() const { return identifier_; }

  // The time zone in force: the one a test pinned, else the host's (TZ or
  // /etc/localtime).
  static TimeZone current();
  // Pins the current time zone (std::nullopt returns to the host's). For the
  // test platform.
  static void setCurrent(std::optional<TimeZone> timeZone);
  // The pinned one, if any.
  static std::optional<TimeZone> pinned();
  // The host's zone, ignoring any pin; UTC when the host names none ICU knows.
  static TimeZone host();

  bool operator==(const TimeZone&) const = default;

 private:
  explicit TimeZone(std::string identifier) : identifier_(std::move(identifier)) {}
  std::string identifier_;
};

}  // namespace vigilix::platform
