#include "triggers/file_completion_detector.h"

#include <algorithm>
#include <limits>

#include "platform/base/text.h"
#include "platform/system/file_paths.h"

namespace vigilix {

namespace {

using platform::FileResources;
using platform::FileResourceValues;

// Accumulates one snapshot; any failure spoils the whole walk.
class Walk {
 public:
  explicit Walk(const FileResources& files) : files_(files) {}

  // Measures one item whose values were read already; false on an error.
  bool measure(const std::string& path, const FileResourceValues& values, bool descend) {
    if (hasPartialDownloadExtension(path)) snapshot.hasPartialFiles = true;
    if (values.isSymbolicLink.value_or(false)) return true;
    if (values.isRegularFile.value_or(false)) add(values.fileSize.value_or(0));
    if (descend && values.isDirectory.value_or(false)) return measureEntries(path, false);
    return true;
  }

  bool measureEntries(const std::string& folder, bool descend) {
    const auto entries = files_.contentsOfDirectory(folder);
    if (!entries) return false;
    for (const auto& entry : *entries) {
      if (!entry.values || !measure(entry.path, *entry.values, descend)) return false;
    }
    return true;
  }

  FileSnapshot snapshot;

 private:
  // Saturates rather than wrapping, so a sum past the range still reads as large.
  void add(std::int64_t size) {
    if (__builtin_add_overflow(snapshot.totalBytes, size, &snapshot.totalBytes)) {
      snapshot.totalBytes = std::numeric_limits<std::int64_t>::max();
    }
  }

  const FileResources& files_;
};

}  // namespace

bool hasPartialDownloadExtension(const std::string& path) {
  const std::string extension = platform::pathExtension(path);
  return std::any_of(
      kPartialDownloadExtensions.begin(), kPartialDownloadExtensions.end(),
      [&](std::string_view known) { return platform::equalsIgnoringCase(extension, known); });
}

FileCompletionDetector::FileCompletionDetector(double quietSeconds)
    : quietSeconds_(quietSeconds >= 0 ? quietSeconds : 0) {}

std::optional<FileSnapshot> FileCompletionDetector::snapshot(const std::string& path) {
  return snapshot(path, FileResources::current());
}

std::optional<FileSnapshot> FileCompletionDetector::snapshot(const std::string& path,
                                                             const FileResources& files) {
  if (!files.fileExists(path)) return std::nullopt;
  const auto values = files.resourceValues(path);
  if (!values) return std::nullopt;
  Walk walk(files);
  walk.snapshot.hasPartialFiles = hasPartialDownloadExtension(path);
  if (values->isDirectory.value_or(false)) {
    if (!walk.measureEntries(path, true)) return std::nullopt;
  } else if (!walk.measure(path, *values, false)) {
    return std::nullopt;
  }
  // A browser keeps its unfinished file beside the final name.
  std::string sibling = path;
  while (sibling.size() > 1 && sibling.back() == '/') sibling.pop_back();
  for (const std::string_view extension : kPartialDownloadExtensions) {
    if (files.fileExists(sibling + "." + std::string(extension))) {
      walk.snapshot.hasPartialFiles = true;
    }
  }
  return walk.snapshot;
}

bool FileCompletionDetector::observe(std::int64_t totalBytes, bool hasPartialFiles,
                                     platform::Date now) {
  if (finished_) return true;
  bool result = false;
  if (!previous_ || hasPartialFiles || totalBytes != previous_->totalBytes) {
    quietSince_ = now;
  } else {
    if (quietSince_ && now - *quietSince_ >= quietSeconds_) finished_ = true;
    result = finished_;
  }
  previous_ = FileSnapshot{totalBytes, hasPartialFiles};
  return result;
}

}  // namespace vigilix
