#pragma once

// ICU's formatting library (calendars, dates, durations), loaded on the first text that needs
// it, apart from the common library: an idle program formats nothing and should not carry
// it. Shared by the platform layer only.

#include <unicode/ucal.h>
#include <unicode/udat.h>
#include <unicode/udatpg.h>
#include <unicode/ulistformatter.h>
#include <unicode/uloc.h>
#include <unicode/unum.h>
#include <unicode/unumberformatter.h>
#include <unicode/ureldatefmt.h>

#include <optional>

namespace vigilix::platform::icu_library {

// The C functions the locale code calls, resolved from one loaded library.
struct Formatting {
  decltype(&::uloc_canonicalize) canonicalizeLocale;
  decltype(&::ucal_open) calendarOpen;
  decltype(&::ucal_close) calendarClose;
  decltype(&::ucal_setMillis) calendarSetMillis;
  decltype(&::ucal_getMillis) calendarGetMillis;
  decltype(&::ucal_get) calendarGet;
  decltype(&::ucal_set) calendarSet;
  decltype(&::ucal_clear) calendarClear;
  decltype(&::ucal_add) calendarAdd;
  decltype(&::ucal_getAttribute) calendarGetAttribute;
  decltype(&::ucal_setAttribute) calendarSetAttribute;
  decltype(&::ucal_getCanonicalTimeZoneID) canonicalTimeZone;
  decltype(&::ucal_getHostTimeZone) hostTimeZone;
  decltype(&::udat_open) dateOpen;
  decltype(&::udat_close) dateClose;
  decltype(&::udat_setCalendar) dateSetCalendar;
  decltype(&::udat_format) dateFormat;
  decltype(&::udat_getSymbols) dateSymbol;
  decltype(&::udatpg_open) patternsOpen;
  decltype(&::udatpg_close) patternsClose;
  decltype(&::udatpg_getBestPattern) bestPattern;
  decltype(&::ureldatefmt_open) relativeOpen;
  decltype(&::ureldatefmt_close) relativeClose;
  decltype(&::ureldatefmt_format) relativeFormat;
  decltype(&::unum_open) numberOpen;
  decltype(&::unum_close) numberClose;
  decltype(&::unum_getAttribute) numberAttribute;
  decltype(&::unumf_openForSkeletonAndLocale) measureOpen;
  decltype(&::unumf_close) measureClose;
  decltype(&::unumf_openResult) measureResultOpen;
  decltype(&::unumf_closeResult) measureResultClose;
  decltype(&::unumf_formatInt) measureFormat;
  decltype(&::unumf_resultToString) measureText;
  decltype(&::ulistfmt_openForType) listOpen;
  decltype(&::ulistfmt_close) listClose;
  decltype(&::ulistfmt_format) listFormat;
};

// Loads the library the first time (thread-safe) and answers its functions; nullptr when the
// installed ICU cannot be loaded, which is logged once. Callers then take their own failure
// path, as for a failing ICU call.
const Formatting* formatting();

// While alive, formatting() answers the functions of `file` instead, none when it cannot be
// loaded: for tests of a missing library. One at a time.
class ScopedFormattingLibrary {
 public:
  explicit ScopedFormattingLibrary(const char* file);
  ~ScopedFormattingLibrary();
  ScopedFormattingLibrary(const ScopedFormattingLibrary&) = delete;
  ScopedFormattingLibrary& operator=(const ScopedFormattingLibrary&) = delete;

  const Formatting* functions() const { return loaded_ ? &*loaded_ : nullptr; }

 private:
  std::optional<Formatting> loaded_;
};

}  // namespace vigilix::platform::icu_library
