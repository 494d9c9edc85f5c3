#pragma once

#include <cstddef>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/logger.h"

namespace vigilix::testing {

// Captures every log entry while it lives: installs itself as the process-wide
// sink and puts the previous sink back when destroyed. Nest them in scope
// order only.
class CapturedLog : public platform::LogSink {
 public:
  CapturedLog();
  ~CapturedLog() override;
  CapturedLog(const CapturedLog&) = delete;
  CapturedLog& operator=(const CapturedLog&) = delete;

  void write(const platform::LogEntry& entry) override;

  std::vector<platform::LogEntry> entries() const;
  std::vector<platform::LogEntry> entries(std::string_view category) const;
  std::vector<std::string> messages() const;
  std::vector<std::string> messages(std::string_view category) const;

  // True when some entry's message is exactly `message`.
  bool contains(std::string_view message) const;
  // True when some entry has this category, level and exact message.
  bool contains(std::string_view category, platform::LogLevel level,
                std::string_view message) const;
  // True when some entry's message contains `fragment`.
  bool containsFragment(std::string_view fragment) const;
  std::size_t count(platform::LogLevel level) const;
  std::size_t size() const;

  void clear();

 private:
  mutable std::mutex mutex_;
  std::vector<platform::LogEntry> entries_;
  platform::LogSink* previous_ = nullptr;
};

}  // namespace vigilix::testing
