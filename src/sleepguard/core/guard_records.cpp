#include "sleepguard/core/guard_records.h"

#include <array>

#include "sleepguard/core/guard_record_fields.h"

namespace vigilix {

namespace {

constexpr std::array<std::string_view, 3> kPhaseRaw = {"intent", "applied", "clearing"};
constexpr std::array<std::string_view, 3> kOperationRaw = {"update", "uninstall",
                                                           "appMissingUninstall"};

using guard_fields::Field;

const auto kJournalFields = std::tuple{
    Field<Journal, std::int64_t>{"version", &Journal::version},
    Field<Journal, Journal::Phase>{"phase", &Journal::phase},
    Field<Journal, std::string>{"bootUUID", &Journal::bootUUID},
    Field<Journal, std::int64_t>{"generation", &Journal::generation},
    Field<Journal, std::uint32_t>{"uid", &Journal::uid},
    Field<Journal, std::uint64_t>{"setAt", &Journal::setAt},
    Field<Journal, std::optional<bool>>{"rearmPending", &Journal::rearmPending},
};

const auto kSafetyFields = std::tuple{
    Field<Safety, std::string>{"bootUUID", &Safety::bootUUID},
    Field<Safety, std::uint64_t>{"sessionStartedAt", &Safety::sessionStartedAt},
    Field<Safety, std::uint64_t>{"heldNs", &Safety::heldNs},
    Field<Safety, std::uint64_t>{"batteryHeldNs", &Safety::batteryHeldNs},
    Field<Safety, std::uint64_t>{"lastCheckpoint", &Safety::lastCheckpoint},
    Field<Safety, std::optional<VGXGuardLatch>>{"latch", &Safety::latch},
    Field<Safety, std::optional<bool>>{"requiresRearm", &Safety::requiresRearm},
    Field<Safety, std::optional<bool>>{"active", &Safety::active},
};

const auto kMaintenanceFields = std::tuple{
    Field<Maintenance, std::string>{"txID", &Maintenance::txID},
    Field<Maintenance, Maintenance::Operation>{"op", &Maintenance::op},
    Field<Maintenance, std::string>{"phase", &Maintenance::phase},
    Field<Maintenance, std::optional<std::string>>{"installGeneration",
                                                   &Maintenance::installGeneration},
};

const auto kInstallationFields = std::tuple{
    Field<Installation, std::string>{"installGeneration", &Installation::installGeneration},
};

}  // namespace

namespace guard_fields {
template <>
struct RawText<Journal::Phase> {
  static std::string_view raw(Journal::Phase v) { return rawValue(v); }
  static std::optional<Journal::Phase> from(std::string_view t) {
    return journalPhaseFromRawValue(t);
  }
};
template <>
struct RawText<Maintenance::Operation> {
  static std::string_view raw(Maintenance::Operation v) { return rawValue(v); }
  static std::optional<Maintenance::Operation> from(std::string_view t) {
    return maintenanceOperationFromRawValue(t);
  }
};
template <>
struct RawText<VGXGuardLatch> {
  static std::string_view raw(VGXGuardLatch v) { return rawValue(v); }
  static std::optional<VGXGuardLatch> from(std::string_view t) { return guardLatchFromRawValue(t); }
};
}  // namespace guard_fields

std::string_view rawValue(Journal::Phase phase) {
  return kPhaseRaw.at(static_cast<std::size_t>(phase));
}
std::optional<Journal::Phase> journalPhaseFromRawValue(std::string_view raw) {
  return guard_fields::fromRawTable<Journal::Phase>(kPhaseRaw, raw);
}
std::string_view rawValue(Maintenance::Operation op) {
  return kOperationRaw.at(static_cast<std::size_t>(op));
}
std::optional<Maintenance::Operation> maintenanceOperationFromRawValue(std::string_view raw) {
  return guard_fields::fromRawTable<Maintenance::Operation>(kOperationRaw, raw);
}

bool Journal::isValid() const { return version == 1 && generation >= 0 && !bootUUID.empty(); }

bool Safety::isValid() const {
  return !bootUUID.empty() && lastCheckpoint >= sessionStartedAt && heldNs >= batteryHeldNs;
}

GuardRecordEncoding encodeJournal(const Journal& record) {
  return guard_fields::encode(record, kJournalFields);
}
GuardRecordEncoding encodeSafety(const Safety& record) {
  return guard_fields::encode(record, kSafetyFields);
}
GuardRecordEncoding encodeMaintenance(const Maintenance& record) {
  return guard_fields::encode(record, kMaintenanceFields);
}
GuardRecordEncoding encodeInstallation(const Installation& record) {
  return guard_fields::encode(record, kInstallationFields);
}

GuardRecordDecoding<Journal> decodeJournal(const platform::Bytes& data) {
  return guard_fields::decode<Journal>(data, kJournalFields);
}
GuardRecordDecoding<Safety> decodeSafety(const platform::Bytes& data) {
  return guard_fields::decode<Safety>(data, kSafetyFields);
}
GuardRecordDecoding<Maintenance> decodeMaintenance(const platform::Bytes& data) {
  return guard_fields::decode<Maintenance>(data, kMaintenanceFields);
}
GuardRecordDecoding<Installation> decodeInstallation(const platform::Bytes& data) {
  return guard_fields::decode<Installation>(data, kInstallationFields);
}

}  // namespace vigilix
