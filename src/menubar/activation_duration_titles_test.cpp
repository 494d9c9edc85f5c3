#include "menubar/activation_duration_titles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "menubar/activation_duration.h"
#include "platform/fs/file_system.h"
#include "platform/locale/date_components_formatter.h"
#include "testing/pinned_locale.h"
#include "testing/temporary_root.h"

namespace vigilix {
namespace {

using platform::FileSystem;

const std::string kVersion = platform::localeDataVersion();

TEST(DurationTitlesFile, ReadsBackExactlyWhatItWrites) {
  const DZLDurationTitleTable table{"en_GB", "72.1", {{"300", "5 minutes"}, {"5400.5", "1 h"}}};
  const std::string text =
      "vigilix duration titles 1\nlocale en_GB\ndata 72.1\n300\t5 minutes\n5400.5\t1 h\n";
  EXPECT_EQ(encodeDurationTitles(table), text);
  EXPECT_EQ(decodeDurationTitles(text), table);
  struct Row {
    const char* name;
    std::string text;
  };
  const Row damaged[] = {
      {"another first line", "vigilix duration titles 2\nlocale en\ndata 72.1\n"},
      {"no data line", "vigilix duration titles 1\nlocale en\n"},
      {"a line cut short", "vigilix duration titles 1\nlocale en\ndata 72.1\n300\t5 minutes"},
      {"no tab", "vigilix duration titles 1\nlocale en\ndata 72.1\n300 5 minutes\n"},
      {"seconds not in their shortest text",
       "vigilix duration titles 1\nlocale en\ndata 72.1\n300.0\t5 minutes\n"},
      {"seconds twice", "vigilix duration titles 1\nlocale en\ndata 72.1\n60\ta\n60\tb\n"},
      {"out of order", "vigilix duration titles 1\nlocale en\ndata 72.1\n60\ta\n300\tb\n"},
      {"a tab in a title", "vigilix duration titles 1\nlocale en\ndata 72.1\n60\ta\tb\n"},
  };
  for (const Row& row : damaged) {
    SCOPED_TRACE(row.name);
    EXPECT_FALSE(decodeDurationTitles(row.text));
  }
}

// One store after another on one file, as program starts: a title is formatted only when the
// file lacks it for the locale and data in force.
TEST(DurationTitles, FormatOnlyWhatTheFileLacks) {
  testing::TemporaryRoot root;
  const auto file = root.home() / ".cache/vigilix/duration-titles";
  int formatted = 0;
  const auto format = [&](std::string text) {
    return [&formatted, text]() -> std::optional<std::string> {
      ++formatted;
      return text;
    };
  };
  struct Row {
    const char* name;
    std::function<void()> before;
    double seconds;
    const char* locale;
    const char* formatsTo;
    std::string expected;
    int formats;
  };
  const Row rows[] = {
      {"no file yet", [] {}, 300, "en_GB", "5 minutes", "5 minutes", 1},
      {"kept for the next start", [] {}, 300, "en_GB", "unused", "5 minutes", 0},
      {"another duration is added", [] {}, 3600, "en_GB", "1 hour", "1 hour", 1},
      {"another locale starts afresh", [] {}, 300, "de_DE", "5 Minuten", "5 Minuten", 1},
      {"the other locale's titles are gone", [] {}, 300, "en_GB", "5 minutes", "5 minutes", 1},
      {"another data version starts afresh",
       [&] {
         ASSERT_TRUE(FileSystem::writeFileAtomically(
             file, "vigilix duration titles 1\nlocale en_GB\ndata 1.0\n300\tstale\n"));
       },
       300, "en_GB", "5 minutes", "5 minutes", 1},
      {"a damaged file is kept aside",
       [&] { ASSERT_TRUE(FileSystem::writeFileAtomically(file, "garbage")); }, 300, "en_GB",
       "5 minutes", "5 minutes", 1},
      {"a title with a line break is not kept", [] {}, 60, "en_GB", "1\nminute", "1\nminute", 1},
      {"so it is formatted again", [] {}, 60, "en_GB", "1\nminute", "1\nminute", 1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    row.before();
    formatted = 0;
    DZLActivationDurationTitles titles(file);
    EXPECT_EQ(titles.titleFor(row.seconds, row.locale, format(row.formatsTo)), row.expected);
    EXPECT_EQ(formatted, row.formats);
  }
  int aside = 0;
  for (const auto& entry : std::filesystem::directory_iterator(file.parent_path())) {
    aside += entry.path().filename().string().starts_with("duration-titles.damaged-");
  }
  EXPECT_EQ(aside, 1);
  const auto kept = decodeDurationTitles(*FileSystem::readFile(file));
  ASSERT_TRUE(kept);
  EXPECT_EQ(kept->titles, (std::map<std::string, std::string>{{"300", "5 minutes"}}));
  EXPECT_EQ(kept->dataVersion, kVersion);
}

// With the store installed, the titles read as the formatter words them, kept or not.
TEST(DurationTitles, TitlesAreTheFormattersWords) {
  testing::TemporaryRoot root;
  testing::PinnedLocale locale("en_US", "America/New_York");
  DZLActivationDurationTitles::setShared(
      std::make_unique<DZLActivationDurationTitles>(root.home() / "titles"));
  std::vector<std::string> fresh, kept;
  for (auto* into : {&fresh, &kept}) {
    for (const auto& duration : DZLActivationDuration::defaultActivationDurations()) {
      into->push_back(duration.localizedTitle());
    }
  }
  DZLActivationDurationTitles::setShared(nullptr);
  std::vector<std::string> formatted;
  for (const auto& duration : DZLActivationDuration::defaultActivationDurations()) {
    formatted.push_back(duration.localizedTitle());
  }
  EXPECT_EQ(fresh, formatted);
  EXPECT_EQ(kept, formatted);
  EXPECT_EQ(formatted.front(), "5 minutes");
}

}  // namespace
}  // namespace vigilix
