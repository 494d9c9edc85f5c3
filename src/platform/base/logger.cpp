#include "platform/base/logger.h"

#include <atomic>
#include <cstdio>
#include <mutex>

namespace vigilix::platform {
namespace {

class StderrSink : public LogSink {
 public:
  void write(const LogEntry& entry) override {
    std::string line = fmt::format("{}[{}] <{}> {}\n", entry.subsystem, entry.category,
                                   logLevelName(entry.level), entry.message);
    std::lock_guard lock(mutex_);
    std::fwrite(line.data(), 1, line.size(), stderr);
  }

 private:
  std::mutex mutex_;
};

StderrSink& liveSink() {
  static StderrSink* sink = new StderrSink();  // lives as long as any logger may
  return *sink;
}

std::atomic<LogSink*> installedSink{nullptr};

}  // namespace

std::string_view logLevelName(LogLevel level) {
  switch (level) {
    case LogLevel::Default:
      return "default";
    case LogLevel::Info:
      return "info";
    case LogLevel::Debug:
      return "debug";
    case LogLevel::Error:
      return "error";
    case LogLevel::Fault:
      return "fault";
  }
  return "default";
}

LogSink& currentLogSink() {
  LogSink* sink = installedSink.load();
  return sink != nullptr ? *sink : liveSink();
}

LogSink* setLogSink(LogSink* sink) { return installedSink.exchange(sink); }

void Logger::write(LogLevel level, std::string message) const {
  currentLogSink().write(LogEntry{subsystem_, category_, level, std::move(message)});
}

}  // namespace vigilix::platform
