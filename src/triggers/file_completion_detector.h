#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/base/date.h"
#include "platform/system/file_resources.h"

namespace vigilix {

// One measurement of a watched file or folder.
struct FileSnapshot {
  // Sum of the sizes of the regular files measured.
  std::int64_t totalBytes = 0;
  // A partial-download item was seen.
  bool hasPartialFiles = false;

  bool operator==(const FileSnapshot&) const = default;
};

// Extensions, in lower case and without the dot, that browsers and download
// tools give an unfinished download.
inline constexpr std::array<std::string_view, 4> kPartialDownloadExtensions = {
    "crdownload", "download", "part", "partial"};

// Whether the last extension of `path`, in lower case, marks a partial download.
bool hasPartialDownloadExtension(const std::string& path);

// Decides that a download has finished once its size has stayed the same,
// with no partial-download item in sight, for a quiet period. Finished is
// final.
class FileCompletionDetector {
 public:
  // A negative or not-a-number quiet period becomes 0.
  explicit FileCompletionDetector(double quietSeconds);

  // Measures the item at `path`: a file by itself, a folder by its entries
  // and theirs (two levels down; deeper items are neither counted nor
  // checked). Symbolic links are neither counted nor followed. None when the
  // item is missing or any part of the walk cannot be read: a partial
  // measurement would look like a change.
  static std::optional<FileSnapshot> snapshot(const std::string& path);
  static std::optional<FileSnapshot> snapshot(const std::string& path,
                                              const platform::FileResources& files);

  // Feeds one observation; true once the download counts as finished.
  bool observe(std::int64_t totalBytes, bool hasPartialFiles, platform::Date now);

  double quietSeconds() const { return quietSeconds_; }
  const std::optional<FileSnapshot>& previous() const { return previous_; }
  const std::optional<platform::Date>& quietSince() const { return quietSince_; }
  bool finished() const { return finished_; }

 private:
  double quietSeconds_;
  std::optional<FileSnapshot> previous_;
  std::optional<platform::Date> quietSince_;
  bool finished_ = false;
};

}  // namespace vigilix
