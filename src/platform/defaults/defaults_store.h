#pragma once

#include <expected>
#include <map>
#include <optional>
#include <string>

#include "platform/base/property_value.h"

namespace vigilix::platform {

struct DefaultsError {
  enum class Kind {
    // The stored values could not be decoded; the file was moved aside and
    // the values start empty.
    Damaged,
    // The stored values could not be read; they are kept as they were and
    // nothing is written over them.
    Unreadable,
    WriteFailed,
    // Some values could not be stored in the store's format; everything
    // else was written. Those values stay in memory only.
    Unstorable,
  };
  Kind kind = Kind::Unreadable;
  std::string path;
  std::string message;
  // Where a damaged file now lies.
  std::optional<std::string> movedAsideTo;

  bool operator==(const DefaultsError&) const = default;
};

// Changes to the user's values: a value to store, or none to remove the key.
using DefaultsChanges = std::map<std::string, std::optional<PropertyValue>>;

// Where the values of one domain are kept.
class DefaultsStore {
 public:
  virtual ~DefaultsStore() = default;

  // The user's values as stored now. A damaged store answers an error of
  // kind Damaged after it has been moved aside: it then reads as empty.
  virtual std::expected<PropertyDictionary, DefaultsError> readUserValues() = 0;
  // Applies `changes` key by key to what is stored now, so that keys written
  // by another process in the meantime survive. Refused while the stored
  // values cannot be read.
  virtual std::expected<void, DefaultsError> writeUserValues(const DefaultsChanges& changes) = 0;
  // The managed (forced) values; what cannot be read counts as absent.
  virtual PropertyDictionary readManagedValues() = 0;
  // The values set for any user on this host.
  virtual PropertyDictionary readAnyUserValues() = 0;
};

}  // namespace vigilix::platform
