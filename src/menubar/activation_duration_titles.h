#pragma once

// The durations' titles as formatted before, kept in a file. The status menu is complete
// from start-up on, and formatting a duration maps ICU's locale data (some 4 MB that stay
// resident), which an idle program otherwise never needs: with the titles kept, a start in
// an unchanged locale formats none.

#include <cstddef>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

namespace vigilix {

// What the file holds: the titles of one locale and one version of the locale data.
struct DZLDurationTitleTable {
  std::string locale;
  std::string dataVersion;
  std::map<std::string, std::string> titles;  // by the seconds as their shortest text

  bool operator==(const DZLDurationTitleTable&) const = default;
};

// The file's text for a table whose texts hold no line break or tab, and back; none for a
// text that is not exactly such a file.
std::string encodeDurationTitles(const DZLDurationTitleTable& table);
std::optional<DZLDurationTitleTable> decodeDurationTitles(std::string_view text);

class DZLActivationDurationTitles {
 public:
  // Beyond this many titles the table starts afresh: custom durations come and go.
  static constexpr std::size_t kMostTitles = 64;

  explicit DZLActivationDurationTitles(std::filesystem::path file);

  // The title of `seconds` in `locale`: the kept one when the file has it for this locale
  // and data version, else what `format` gives, which is then kept (none is not).
  std::optional<std::string> titleFor(double seconds, const std::string& locale,
                                      const std::function<std::optional<std::string>()>& format);

  // The program's store, which the application installs; without one every title is
  // formatted.
  static DZLActivationDurationTitles* shared();
  static void setShared(std::unique_ptr<DZLActivationDurationTitles> titles);

 private:
  void load();

  std::filesystem::path file_;
  std::mutex mutex_;
  bool loaded_ = false;
  DZLDurationTitleTable table_;
};

}  // namespace vigilix
