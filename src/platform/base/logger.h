#pragma once

#include <fmt/format.h>

#include <string>
#include <string_view>
#include <utility>

#include "platform/base/product.h"

namespace vigilix::platform {

// The levels of the system log, in the order of their weight.
enum class LogLevel { Default, Info, Debug, Error, Fault };

std::string_view logLevelName(LogLevel level);

struct LogEntry {
  std::string subsystem;
  std::string category;
  LogLevel level = LogLevel::Default;
  std::string message;

  bool operator==(const LogEntry&) const = default;
};

// Where log entries go. The live sink writes one line per entry to stderr.
class LogSink {
 public:
  virtual ~LogSink() = default;
  // May be called from any thread.
  virtual void write(const LogEntry& entry) = 0;
};

// The process-wide sink (never null: the live stderr sink when none is set).
LogSink& currentLogSink();
// Installs a sink for every logger (nullptr restores the live one) and
// returns the one it replaced, or nullptr when that was the live sink. Waits
// for writes in progress, so the replaced sink may be destroyed at once. A
// sink must not log nor swap sinks from inside write().
LogSink* setLogSink(LogSink* sink);

// A log of one subsystem and category (os_log / Logger). Every argument is
// public: messages are formatted in full with fmt.
class Logger {
 public:
  Logger(std::string subsystem, std::string category)
      : subsystem_(std::move(subsystem)), category_(std::move(category)) {}
  // A log of the product's own subsystem.
  explicit Logger(std::string category) : Logger(kProductIdentifier, std::move(category)) {}

  const std::string& subsystem() const { return subsystem_; }
  const std::string& category() const { return category_; }

  template <typename... Args>
  void log(fmt::format_string<Args...> format, Args&&... args) const {
    write(LogLevel::Default, fmt::format(format, std::forward<Args>(args)...));
  }
  template <typename... Args>
  void info(fmt::format_string<Args...> format, Args&&... args) const {
    write(LogLevel::Info, fmt::format(format, std::forward<Args>(args)...));
  }
  template <typename... Args>
  void debug(fmt::format_string<Args...> format, Args&&... args) const {
    write(LogLevel::Debug, fmt::format(format, std::forward<Args>(args)...));
  }
  template <typename... Args>
  void error(fmt::format_string<Args...> format, Args&&... args) const {
    write(LogLevel::Error, fmt::format(format, std::forward<Args>(args)...));
  }
  template <typename... Args>
  void fault(fmt::format_string<Args...> format, Args&&... args) const {
    write(LogLevel::Fault, fmt::format(format, std::forward<Args>(args)...));
  }

  // An already formatted message.
  void write(LogLevel level, std::string message) const;

 private:
  std::string subsystem_;
  std::string category_;
};

}  // namespace vigilix::platform
