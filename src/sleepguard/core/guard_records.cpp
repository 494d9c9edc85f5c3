#include "sleepguard/core/guard_records.h"

#include <array>
#include <utility>

#include "platform/base/raw_values.h"
#include "platform/json/json_reader.h"
#include "platform/json/json_writer.h"
#include "platform/json/record_fields.h"

namespace vigilix {

namespace json = platform::json;

namespace {

constexpr std::pair<Journal::Phase, std::string_view> kPhaseRaw[] = {
    {Journal::Phase::intent, "intent"},
    {Journal::Phase::applied, "applied"},
    {Journal::Phase::clearing, "clearing"}};
constexpr std::pair<Maintenance::Operation, std::string_view> kOperationRaw[] = {
    {Maintenance::Operation::update, "update"},
    {Maintenance::Operation::uninstall, "uninstall"},
    {Maintenance::Operation::appMissingUninstall, "appMissingUninstall"}};

const json::RecordFields<Journal>& journalFields() {
  static const json::RecordFields<Journal> fields{
      json::field("version", &Journal::version, json::Integer<std::int64_t>{}),
      json::field("phase", &Journal::phase,
                  json::RawText<Journal::Phase>{journalPhaseFromRawValue}),
      json::field("bootUUID", &Journal::bootUUID, json::Text{}),
      json::field("generation", &Journal::generation, json::Integer<std::int64_t>{}),
      json::field("uid", &Journal::uid, json::Unsigned<std::uint32_t>{}),
      json::field("setAt", &Journal::setAt, json::Unsigned<std::uint64_t>{}),
      json::field("rearmPending", &Journal::rearmPending, json::Boolean{}),
  };
  return fields;
}

const json::RecordFields<Safety>& safetyFields() {
  static const json::RecordFields<Safety> fields{
      json::field("bootUUID", &Safety::bootUUID, json::Text{}),
      json::field("sessionStartedAt", &Safety::sessionStartedAt, json::Unsigned<std::uint64_t>{}),
      json::field("heldNs", &Safety::heldNs, json::Unsigned<std::uint64_t>{}),
      json::field("batteryHeldNs", &Safety::batteryHeldNs, json::Unsigned<std::uint64_t>{}),
      json::field("lastCheckpoint", &Safety::lastCheckpoint, json::Unsigned<std::uint64_t>{}),
      json::field("latch", &Safety::latch, json::RawText<VGXGuardLatch>{guardLatchFromRawValue}),
      json::field("requiresRearm", &Safety::requiresRearm, json::Boolean{}),
      json::field("active", &Safety::active, json::Boolean{}),
  };
  return fields;
}

const json::RecordFields<Maintenance>& maintenanceFields() {
  static const json::RecordFields<Maintenance> fields{
      json::field("txID", &Maintenance::txID, json::Text{}),
      json::field("op", &Maintenance::op,
                  json::RawText<Maintenance::Operation>{maintenanceOperationFromRawValue}),
      json::field("phase", &Maintenance::phase, json::Text{}),
      json::field("installGeneration", &Maintenance::installGeneration, json::Text{}),
  };
  return fields;
}

const json::RecordFields<Installation>& installationFields() {
  static const json::RecordFields<Installation> fields{
      json::field("installGeneration", &Installation::installGeneration, json::Text{}),
  };
  return fields;
}

template <typename Record>
GuardRecordEncoding encode(const Record& record, const json::RecordFields<Record>& fields) {
  auto text = json::write(json::encodeRecord(record, fields));
  if (!text) return std::unexpected(std::move(text.error()));
  return platform::Bytes(text->begin(), text->end());
}

template <typename Record>
GuardRecordDecoding<Record> decode(const platform::Bytes& data,
                                   const json::RecordFields<Record>& fields) {
  auto document = json::parse(data);
  if (!document) return std::unexpected(std::move(document.error()));
  return json::decodeRecord(json::ValueReader(*document), fields);
}

}  // namespace

std::string_view rawValue(Journal::Phase phase) { return platform::rawValueIn(kPhaseRaw, phase); }
std::optional<Journal::Phase> journalPhaseFromRawValue(std::string_view raw) {
  return platform::caseWithRawValue<Journal::Phase>(kPhaseRaw, raw);
}
std::string_view rawValue(Maintenance::Operation op) {
  return platform::rawValueIn(kOperationRaw, op);
}
std::optional<Maintenance::Operation> maintenanceOperationFromRawValue(std::string_view raw) {
  return platform::caseWithRawValue<Maintenance::Operation>(kOperationRaw, raw);
}

bool Journal::isValid() const { return version == 1 && generation >= 0 && !bootUUID.empty(); }

bool Safety::isValid() const {
  return !bootUUID.empty() && lastCheckpoint >= sessionStartedAt && heldNs >= batteryHeldNs;
}

GuardRecordEncoding encodeJournal(const Journal& record) { return encode(record, journalFields()); }
GuardRecordEncoding encodeSafety(const Safety& record) { return encode(record, safetyFields()); }
GuardRecordEncoding encodeMaintenance(const Maintenance& record) {
  return encode(record, maintenanceFields());
}
GuardRecordEncoding encodeInstallation(const Installation& record) {
  return encode(record, installationFields());
}

GuardRecordDecoding<Journal> decodeJournal(const platform::Bytes& data) {
  return decode(data, journalFields());
}
GuardRecordDecoding<Safety> decodeSafety(const platform::Bytes& data) {
  return decode(data, safetyFields());
}
GuardRecordDecoding<Maintenance> decodeMaintenance(const platform::Bytes& data) {
  return decode(data, maintenanceFields());
}
GuardRecordDecoding<Installation> decodeInstallation(const platform::Bytes& data) {
  return decode(data, installationFields());
}

}  // namespace vigilix
