#include "platform/base/icu_formatting.h"

#include <unicode/uvernum.h>

#include <atomic>
#include <stdexcept>

#include "platform/base/icu_loader.h"
#include "platform/base/logger.h"

namespace vigilix::platform::icu_library {
namespace {

constexpr const char* kLibrary = "libicui18n.so." U_ICU_VERSION_SHORT;

std::atomic<const ScopedFormattingLibrary*> gOverride{nullptr};

Formatting load(const char* file) {
  const Loader library(file);
  Formatting f{};
  library.resolve("uloc_canonicalize", f.canonicalizeLocale);
  library.resolve("ucal_open", f.calendarOpen);
  library.resolve("ucal_close", f.calendarClose);
  library.resolve("ucal_setMillis", f.calendarSetMillis);
  library.resolve("ucal_getMillis", f.calendarGetMillis);
  library.resolve("ucal_get", f.calendarGet);
  library.resolve("ucal_set", f.calendarSet);
  library.resolve("ucal_clear", f.calendarClear);
  library.resolve("ucal_add", f.calendarAdd);
  library.resolve("ucal_getAttribute", f.calendarGetAttribute);
  library.resolve("ucal_setAttribute", f.calendarSetAttribute);
  library.resolve("ucal_getCanonicalTimeZoneID", f.canonicalTimeZone);
  library.resolve("ucal_getHostTimeZone", f.hostTimeZone);
  library.resolve("udat_open", f.dateOpen);
  library.resolve("udat_close", f.dateClose);
  library.resolve("udat_setCalendar", f.dateSetCalendar);
  library.resolve("udat_format", f.dateFormat);
  library.resolve("udat_getSymbols", f.dateSymbol);
  library.resolve("udatpg_open", f.patternsOpen);
  library.resolve("udatpg_close", f.patternsClose);
  library.resolve("udatpg_getBestPattern", f.bestPattern);
  library.resolve("ureldatefmt_open", f.relativeOpen);
  library.resolve("ureldatefmt_close", f.relativeClose);
  library.resolve("ureldatefmt_format", f.relativeFormat);
  library.resolve("unum_open", f.numberOpen);
  library.resolve("unum_close", f.numberClose);
  library.resolve("unum_getAttribute", f.numberAttribute);
  library.resolve("unumf_openForSkeletonAndLocale", f.measureOpen);
  library.resolve("unumf_close", f.measureClose);
  library.resolve("unumf_openResult", f.measureResultOpen);
  library.resolve("unumf_closeResult", f.measureResultClose);
  library.resolve("unumf_formatInt", f.measureFormat);
  library.resolve("unumf_resultToString", f.measureText);
  library.resolve("ulistfmt_openForType", f.listOpen);
  library.resolve("ulistfmt_close", f.listClose);
  library.resolve("ulistfmt_format", f.listFormat);
  return f;
}

std::optional<Formatting> tryLoad(const char* file) {
  try {
    return load(file);
  } catch (const std::runtime_error& error) {
    Logger("ICU").error("Dates and durations are left unformatted: {}", error.what());
    return std::nullopt;
  }
}

}  // namespace

const Formatting* formatting() {
  if (const ScopedFormattingLibrary* scoped = gOverride.load(std::memory_order_acquire)) {
    return scoped->functions();
  }
  static const std::optional<Formatting> loaded = tryLoad(kLibrary);
  return loaded ? &*loaded : nullptr;
}

ScopedFormattingLibrary::ScopedFormattingLibrary(const char* file) : loaded_(tryLoad(file)) {
  gOverride.store(this, std::memory_order_release);
}

ScopedFormattingLibrary::~ScopedFormattingLibrary() {
  gOverride.store(nullptr, std::memory_order_release);
}

}  // namespace vigilix::platform::icu_library
