#include "testing/captured_log.h"

#include <algorithm>

namespace vigilix::testing {

using platform::LogEntry;
using platform::LogLevel;

CapturedLog::CapturedLog() : previous_(platform::setLogSink(this)) {}

CapturedLog::~CapturedLog() { platform::setLogSink(previous_); }

void CapturedLog::write(const LogEntry& entry) {
  std::lock_guard lock(mutex_);
  entries_.push_back(entry);
}

std::vector<LogEntry> CapturedLog::entries() const {
  std::lock_guard lock(mutex_);
  return entries_;
}

std::vector<LogEntry> CapturedLog::entries(std::string_view category) const {
  std::lock_guard lock(mutex_);
  std::vector<LogEntry> out;
  std::copy_if(entries_.begin(), entries_.end(), std::back_inserter(out),
               [&](const LogEntry& e) { return e.category == category; });
  return out;
}

std::vector<std::string> CapturedLog::messages() const {
  std::lock_guard lock(mutex_);
  std::vector<std::string> out;
  for (const auto& e : entries_) out.push_back(e.message);
  return out;
}

std::vector<std::string> CapturedLog::messages(std::string_view category) const {
  std::vector<std::string> out;
  for (const auto& e : entries(category)) out.push_back(e.message);
  return out;
}

bool CapturedLog::contains(std::string_view message) const {
  std::lock_guard lock(mutex_);
  return std::any_of(entries_.begin(), entries_.end(),
                     [&](const LogEntry& e) { return e.message == message; });
}

bool CapturedLog::contains(std::string_view category, LogLevel level,
                           std::string_view message) const {
  std::lock_guard lock(mutex_);
  return std::any_of(entries_.begin(), entries_.end(), [&](const LogEntry& e) {
    return e.category == category && e.level == level && e.message == message;
  });
}

bool CapturedLog::containsFragment(std::string_view fragment) const {
  std::lock_guard lock(mutex_);
  return std::any_of(entries_.begin(), entries_.end(), [&](const LogEntry& e) {
    return e.message.find(fragment) != std::string::npos;
  });
}

std::size_t CapturedLog::count(LogLevel level) const {
  std::lock_guard lock(mutex_);
  return static_cast<std::size_t>(std::count_if(
      entries_.begin(), entries_.end(), [&](const LogEntry& e) { return e.level == level; }));
}

std::size_t CapturedLog::size() const {
  std::lock_guard lock(mutex_);
  return entries_.size();
}

void CapturedLog::clear() {
  std::lock_guard lock(mutex_);
  entries_.clear();
}

}  // namespace vigilix::testing
