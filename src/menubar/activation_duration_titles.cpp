#include "menubar/activation_duration_titles.h"

#include <charconv>
#include <utility>

#include "platform/base/logger.h"
#include "platform/fs/file_system.h"
#include "platform/locale/date_components_formatter.h"
#include "platform/runloop/clock.h"

namespace vigilix {
namespace {

const platform::Logger& log() {
  static const platform::Logger logger("ActivationDurations");
  return logger;
}

constexpr std::string_view kFirstLine = "vigilix duration titles 1";
constexpr std::string_view kLocale = "locale ";
constexpr std::string_view kDataVersion = "data ";

bool isPlain(std::string_view text) { return text.find_first_of("\t\n") == std::string::npos; }

// The next line without its '\n'; none when the text ends without one.
std::optional<std::string_view> nextLine(std::string_view& text) {
  const std::size_t end = text.find('\n');
  if (end == std::string_view::npos) return std::nullopt;
  const std::string_view line = text.substr(0, end);
  text.remove_prefix(end + 1);
  return line;
}

std::optional<std::string_view> valueAfter(std::optional<std::string_view> line,
                                           std::string_view key) {
  if (!line || !line->starts_with(key)) return std::nullopt;
  return line->substr(key.size());
}

// The shortest text that reads back as the same number.
std::string secondsKey(double seconds) {
  char text[32];
  return std::string(text, std::to_chars(text, text + sizeof text, seconds).ptr);
}

bool isSecondsKey(std::string_view key) {
  double seconds = 0;
  const auto [end, error] = std::from_chars(key.data(), key.data() + key.size(), seconds);
  return error == std::errc() && end == key.data() + key.size() && secondsKey(seconds) == key;
}

}  // namespace

std::string encodeDurationTitles(const DZLDurationTitleTable& table) {
  std::string text(kFirstLine);
  text += '\n';
  text.append(kLocale).append(table.locale) += '\n';
  text.append(kDataVersion).append(table.dataVersion) += '\n';
  for (const auto& [seconds, title] : table.titles) text.append(seconds + '\t' + title + '\n');
  return text;
}

std::optional<DZLDurationTitleTable> decodeDurationTitles(std::string_view text) {
  if (nextLine(text) != kFirstLine) return std::nullopt;
  const auto locale = valueAfter(nextLine(text), kLocale);
  const auto version = valueAfter(nextLine(text), kDataVersion);
  if (!locale || !version || !isPlain(*locale) || !isPlain(*version)) return std::nullopt;
  DZLDurationTitleTable table{std::string(*locale), std::string(*version), {}};
  while (!text.empty()) {
    const auto line = nextLine(text);
    if (!line) return std::nullopt;
    const std::size_t tab = line->find('\t');
    if (tab == std::string_view::npos) return std::nullopt;
    const std::string_view seconds = line->substr(0, tab);
    const std::string_view title = line->substr(tab + 1);
    // In the order they are written, so that a file reads back to its own bytes.
    const bool inOrder = table.titles.empty() || table.titles.rbegin()->first < seconds;
    if (!inOrder || !isSecondsKey(seconds) || !isPlain(title)) return std::nullopt;
    table.titles.emplace(seconds, title);
  }
  if (table.titles.size() > DZLActivationDurationTitles::kMostTitles) return std::nullopt;
  return table;
}

DZLActivationDurationTitles::DZLActivationDurationTitles(std::filesystem::path file)
    : file_(std::move(file)) {}

void DZLActivationDurationTitles::load() {
  loaded_ = true;
  auto text = platform::FileSystem::readFile(file_);
  if (!text) {
    if (!text.error().isNotFound()) {
      log().error("The kept duration titles cannot be read: {}", text.error().message);
    }
    return;
  }
  if (auto table = decodeDurationTitles(*text)) {
    table_ = std::move(*table);
    return;
  }
  auto moved = platform::FileSystem::moveAside(file_, platform::Clock::current().now());
  if (moved) {
    log().error("The kept duration titles were damaged; kept aside as {}", moved->string());
  } else {
    log().error("The kept duration titles were damaged and cannot be kept aside: {}",
                moved.error().message);
  }
}

std::optional<std::string> DZLActivationDurationTitles::titleFor(
    double seconds, const std::string& locale,
    const std::function<std::optional<std::string>()>& format) {
  std::lock_guard lock(mutex_);
  if (!loaded_) load();
  const std::string version = platform::localeDataVersion();
  const std::string key = secondsKey(seconds);
  const bool current = table_.locale == locale && table_.dataVersion == version;
  if (current) {
    if (const auto found = table_.titles.find(key); found != table_.titles.end()) {
      return found->second;
    }
  }
  auto title = format();
  if (!title || !isPlain(*title) || !isPlain(locale)) return title;
  if (!current || table_.titles.size() >= kMostTitles) table_ = {locale, version, {}};
  table_.titles[key] = *title;
  if (auto written = platform::FileSystem::writeFileAtomically(file_, encodeDurationTitles(table_));
      !written) {
    log().error("The duration titles cannot be kept: {}", written.error().message);
  }
  return title;
}

namespace {
std::unique_ptr<DZLActivationDurationTitles>& sharedTitles() {
  static std::unique_ptr<DZLActivationDurationTitles> titles;
  return titles;
}
}  // namespace

DZLActivationDurationTitles* DZLActivationDurationTitles::shared() { return sharedTitles().get(); }

void DZLActivationDurationTitles::setShared(std::unique_ptr<DZLActivationDurationTitles> titles) {
  sharedTitles() = std::move(titles);
}

}  // namespace vigilix
