#include "direct/migration_provenance.h"

#include <array>
#include <nlohmann/json.hpp>
#include <optional>
#include <utility>

namespace vigilix {

namespace {

constexpr std::array<std::pair<MigrationProvenance, std::string_view>, 3> kNames{{
    {MigrationProvenance::copied, "copied"},
    {MigrationProvenance::existedBefore, "existedBefore"},
    {MigrationProvenance::failed, "failed"},
}};

std::optional<MigrationProvenance> provenanceNamed(std::string_view name) {
  for (const auto& [value, text] : kNames) {
    if (text == name) return value;
  }
  return std::nullopt;
}

std::string_view nameOf(MigrationProvenance value) {
  for (const auto& [known, text] : kNames) {
    if (known == value) return text;
  }
  return "failed";
}

}  // namespace

MigrationProvenanceRecord decodeMigrationProvenance(std::string_view text) {
  MigrationProvenanceRecord record;
  const nlohmann::json document = nlohmann::json::parse(text, nullptr, false);
  if (!document.is_object()) return record;
  for (const auto& [key, value] : document.items()) {
    if (!value.is_string()) continue;
    if (auto provenance = provenanceNamed(value.get_ref<const std::string&>())) {
      record[key] = *provenance;
    }
  }
  return record;
}

std::string encodeMigrationProvenance(const MigrationProvenanceRecord& record) {
  nlohmann::json document = nlohmann::json::object();
  for (const auto& [key, value] : record) document[key] = std::string(nameOf(value));
  return document.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

}  // namespace vigilix
