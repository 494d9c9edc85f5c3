#include "menubar/activation_duration.h"

#include <cmath>

#include "menubar/activation_duration_titles.h"
#include "platform/base/localized.h"
#include "platform/base/logger.h"
#include "platform/locale/date_components_formatter.h"
#include "platform/locale/locale.h"

namespace vigilix {

namespace {

const platform::Logger& log() {
  static const platform::Logger logger("ActivationDurations");
  return logger;
}

constexpr const char* kSecondsKey = "DZLSeconds";

// 2^63 - 1024: the largest double below 2^63, so it converts both ways.
constexpr std::int64_t kLargestWholeSeconds = 9223372036854774784;

}  // namespace

std::optional<std::int64_t> wholePositiveSeconds(double seconds) {
  if (!std::isfinite(seconds)) return std::nullopt;
  const double whole = std::trunc(seconds);
  if (whole <= 0) return std::nullopt;
  if (whole >= static_cast<double>(kLargestWholeSeconds)) return kLargestWholeSeconds;
  return static_cast<std::int64_t>(whole);
}

std::optional<DZLActivationDuration> DZLActivationDuration::initWithHours(std::int64_t hours,
                                                                          std::int64_t minutes,
                                                                          std::int64_t seconds) {
  if (minutes > 60) {
    log().fault("Attempted to add a duration with a minutes component value greater than an hour.");
    return std::nullopt;
  }
  if (seconds > 60) {
    log().fault(
        "Attempted to add a duration with a seconds component value greater than a minute.");
    return std::nullopt;
  }
  // In doubles: hours near the integer limit must not overflow.
  const double total = (static_cast<double>(hours) * 60 + static_cast<double>(minutes)) * 60 +
                       static_cast<double>(seconds);
  if (!(total > 0)) {
    log().fault("Attempted to add a 0 duration.");
    return std::nullopt;
  }
  return DZLActivationDuration(total);
}

std::size_t DZLActivationDuration::hash() const {
  // Whole seconds as themselves, as before; every other value by its bits,
  // with 0 and -0 alike since they are equal.
  if (seconds_ >= 0 && seconds_ < 18446744073709551616.0) {
    return static_cast<std::size_t>(seconds_);
  }
  if (std::isnan(seconds_)) return 0;
  return std::hash<double>{}(seconds_);
}

std::string DZLActivationDuration::localizedTitle() const {
  if (isIndefinite()) return platform::localized("Indefinitely", "Duration without an end");
  const auto format = [this] {
    platform::DateComponentsFormatter formatter;
    formatter.setUnitsStyle(platform::UnitsStyle::full);
    return formatter.stringFromTimeInterval(seconds_);
  };
  auto* kept = DZLActivationDurationTitles::shared();
  if (!kept) return format().value_or("");
  // The formatter's words are those of its calendar's locale, the current one.
  return kept->titleFor(seconds_, platform::Locale::current().identifier(), format).value_or("");
}

std::string DZLActivationDuration::debugDescription() const {
  return fmt::format("<DZLActivationDuration: {} s> ({})", seconds_, localizedTitle());
}

platform::PropertyDictionary DZLActivationDuration::encode() const {
  return {{kSecondsKey, seconds_}};
}

std::optional<DZLActivationDuration> DZLActivationDuration::decode(
    const platform::PropertyDictionary& coded) {
  const auto found = coded.find(kSecondsKey);
  if (found == coded.end()) return std::nullopt;
  if (found->second.isReal()) return DZLActivationDuration(std::get<double>(found->second.value));
  if (found->second.isInteger()) {
    return DZLActivationDuration(static_cast<double>(std::get<std::int64_t>(found->second.value)));
  }
  return std::nullopt;
}

std::vector<DZLActivationDuration> DZLActivationDuration::defaultActivationDurations() {
  return {DZLActivationDuration(300),  DZLActivationDuration(600),  DZLActivationDuration(900),
          DZLActivationDuration(1800), DZLActivationDuration(3600), DZLActivationDuration(7200),
          DZLActivationDuration(18000)};
}

}  // namespace vigilix
