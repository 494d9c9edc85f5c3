#include "platform/base/logger.h"

#include <cstdio>
#include <mutex>
#include <shared_mutex>
#include <utility>

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

// Writers hold the lock shared while they call the sink, and a swap takes it
// exclusively: once setLogSink returns, nothing is still writing into the
// sink it replaced, so that sink may be destroyed.
std::shared_mutex& sinkLock() {
  static auto* lock = new std::shared_mutex();
  return *lock;
}
LogSink* installedSink = nullptr;

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
  std::shared_lock lock(sinkLock());
  return installedSink != nullptr ? *installedSink : liveSink();
}

LogSink* setLogSink(LogSink* sink) {
  std::unique_lock lock(sinkLock());
  return std::exchange(installedSink, sink);
}

void Logger::write(LogLevel level, std::string message) const {
  LogEntry entry{subsystem_, category_, level, std::move(message)};
  std::shared_lock lock(sinkLock());
  LogSink& sink = installedSink != nullptr ? *installedSink : liveSink();
  sink.write(entry);
}

}  // namespace vigilix::platform
