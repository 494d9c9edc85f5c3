#pragma once

#include <compare>
#include <cstdint>
#include <iosfwd>

namespace vigilix::platform {

// A point in time as seconds since 2001-01-01 00:00:00 UTC, the reference
// date the stored records use. Plain value: copy freely.
class Date {
 public:
  // Seconds between 1970-01-01 and 2001-01-01.
  static constexpr double kIntervalBetween1970And2001 = 978307200.0;

  constexpr Date() = default;
  constexpr explicit Date(double sinceReferenceDate) : sinceReference_(sinceReferenceDate) {}

  static constexpr Date fromTimeIntervalSinceReferenceDate(double seconds) { return Date(seconds); }
  static constexpr Date fromTimeIntervalSince1970(double seconds) {
    return Date(seconds - kIntervalBetween1970And2001);
  }
  static constexpr Date distantPast() { return Date(-63114076800.0); }
  static constexpr Date distantFuture() { return Date(63113904000.0); }

  constexpr double timeIntervalSinceReferenceDate() const { return sinceReference_; }
  constexpr double timeIntervalSince1970() const {
    return sinceReference_ + kIntervalBetween1970And2001;
  }
  constexpr double timeIntervalSince(Date other) const {
    return sinceReference_ - other.sinceReference_;
  }
  constexpr Date addingTimeInterval(double seconds) const {
    return Date(sinceReference_ + seconds);
  }

  constexpr Date operator+(double seconds) const { return addingTimeInterval(seconds); }
  constexpr Date operator-(double seconds) const { return addingTimeInterval(-seconds); }
  constexpr double operator-(Date other) const { return timeIntervalSince(other); }

  constexpr auto operator<=>(const Date&) const = default;
  constexpr bool operator==(const Date&) const = default;

  bool isFinite() const;

 private:
  double sinceReference_ = 0;
};

// Test output: the UTC time and the exact number of seconds since 2001.
void PrintTo(const Date& date, std::ostream* os);

}  // namespace vigilix::platform
