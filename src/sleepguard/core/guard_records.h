#pragma once

#include <cstddef>
#include <cstdint>
#include <expected>
#include <optional>
#include <string>
#include <string_view>

#include "platform/base/property_value.h"
#include "platform/json/coding_errors.h"
#include "sleepguard/core/guard_values.h"

namespace vigilix {

// The four JSON records of the guard's state directory. Each is one object
// whose keys are exactly the member names; optional members are left out
// when they hold nothing. Encoding is compact in declaration order. Decoding
// needs every required key with the right type; a missing key, a wrong type,
// an unknown raw text or an integer out of the member's range makes the
// whole record undecodable. Unknown keys are ignored. Whether a decoded
// record may be used is a separate question (`isValid`).

// Records longer than this are damaged, whatever they contain.
inline constexpr std::size_t kGuardRecordMaxBytes = 16384;

// The write-ahead journal kept while the system sleep setting may be off.
struct Journal {
  enum class Phase { intent, applied, clearing };
  std::int64_t version = 1;
  Phase phase = Phase::intent;
  std::string bootUUID;
  std::int64_t generation = 0;
  std::uint32_t uid = 0;
  std::uint64_t setAt = 0;  // continuous nanoseconds
  std::optional<bool> rearmPending;

  // Version 1, a boot session and a generation that is not negative.
  bool isValid() const;
  bool operator==(const Journal&) const = default;
};
std::string_view rawValue(Journal::Phase phase);  // "intent", "applied", "clearing"
std::optional<Journal::Phase> journalPhaseFromRawValue(std::string_view raw);

// One user's safety budget. Times are continuous nanoseconds; the counters
// saturate at the largest UInt64.
struct Safety {
  std::string bootUUID;
  std::uint64_t sessionStartedAt = 0;
  std::uint64_t heldNs = 0;
  std::uint64_t batteryHeldNs = 0;
  std::uint64_t lastCheckpoint = 0;
  std::optional<VGXGuardLatch> latch;
  std::optional<bool> requiresRearm;
  std::optional<bool> active;

  // A boot session, a checkpoint not before the session start, and a total
  // not below the battery part.
  bool isValid() const;
  bool operator==(const Safety&) const = default;
};

// A pending install, update or uninstall transaction; its presence alone
// stops the guard from granting.
struct Maintenance {
  enum class Operation { update, uninstall, appMissingUninstall };
  std::string txID;
  Operation op = Operation::update;
  std::string phase;
  std::optional<std::string> installGeneration;
  bool operator==(const Maintenance&) const = default;
};
std::string_view rawValue(Maintenance::Operation op);  // "update", "uninstall", ...
std::optional<Maintenance::Operation> maintenanceOperationFromRawValue(std::string_view raw);

// The identity of the installed guard.
struct Installation {
  std::string installGeneration;
  bool operator==(const Installation&) const = default;
};

using GuardRecordEncoding = std::expected<platform::Bytes, platform::json::EncodingError>;
template <typename Record>
using GuardRecordDecoding = std::expected<Record, platform::json::DecodingError>;

// Encoding fails only for a text that is not valid UTF-8.
GuardRecordEncoding encodeJournal(const Journal& record);
GuardRecordEncoding encodeSafety(const Safety& record);
GuardRecordEncoding encodeMaintenance(const Maintenance& record);
GuardRecordEncoding encodeInstallation(const Installation& record);

// Any bytes are accepted; text that is not one JSON object fails.
GuardRecordDecoding<Journal> decodeJournal(const platform::Bytes& data);
GuardRecordDecoding<Safety> decodeSafety(const platform::Bytes& data);
GuardRecordDecoding<Maintenance> decodeMaintenance(const platform::Bytes& data);
GuardRecordDecoding<Installation> decodeInstallation(const platform::Bytes& data);

}  // namespace vigilix
