#pragma once

#include <expected>
#include <optional>
#include <string>
#include <vector>

#include "platform/base/property_value.h"
#include "platform/json/coding_errors.h"
#include "platform/json/value.h"
#include "platform/json/value_reader.h"
#include "triggers/watch.h"

namespace vigilix {

// Where a saved watch stands. Equal when the case is the same and, for
// suspended, the reasons are equal.
class VGXSavedWatchState {
 public:
  enum class Case { active, suspended, stopped };

  static VGXSavedWatchState active() { return VGXSavedWatchState(Case::active, {}); }
  // The watch cannot go on until the user acts; `reason` says what to do.
  static VGXSavedWatchState suspended(std::string reason) {
    return VGXSavedWatchState(Case::suspended, std::move(reason));
  }
  static VGXSavedWatchState stopped() { return VGXSavedWatchState(Case::stopped, {}); }

  Case stateCase() const { return case_; }
  bool isActive() const { return case_ == Case::active; }
  // The suspension reason; empty for the other cases.
  const std::string& reason() const { return reason_; }

  bool operator==(const VGXSavedWatchState&) const = default;

 private:
  VGXSavedWatchState(Case c, std::string reason) : case_(c), reason_(std::move(reason)) {}

  Case case_;
  std::string reason_;
};

// One entry of the saved-watch list.
struct VGXSavedWatch {
  // The watch's identifier in its canonical upper-case text form.
  std::string id;
  std::string label;
  // Empty for watches without a file.
  platform::Bytes bookmark;
  VGXSavedWatchState state = VGXSavedWatchState::active();
  // Present in every entry the store builds itself.
  std::optional<Watch> watch;

  bool operator==(const VGXSavedWatch&) const = default;
};

// JSON form of one entry: {"id", "label", "bookmark" (Base64), "state"
// (one-key object), "watch" (left out when absent)}.
platform::json::Value encodeJSONValue(const VGXSavedWatchState& state);
platform::json::Value encodeJSONValue(const VGXSavedWatch& entry);
std::expected<VGXSavedWatchState, platform::json::DecodingError> decodeSavedWatchState(
    const platform::json::ValueReader& value);

// The stored list: a JSON array of entries as UTF-8 bytes. One bad element
// fails the whole list.
std::expected<platform::Bytes, platform::json::EncodingError> encodeSavedWatches(
    const std::vector<VGXSavedWatch>& entries);
std::expected<std::vector<VGXSavedWatch>, platform::json::DecodingError> decodeSavedWatches(
    const platform::Bytes& bytes);
// The former list of watches: a JSON array of watches as UTF-8 bytes.
std::expected<std::vector<Watch>, platform::json::DecodingError> decodeWatchList(
    const platform::Bytes& bytes);

}  // namespace vigilix
