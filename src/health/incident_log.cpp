#include "health/incident_log.h"

#include <algorithm>

#include "platform/base/logger.h"
#include "platform/defaults/damaged_value.h"
#include "platform/runloop/clock.h"

namespace vigilix {

namespace {

const platform::Logger& log() {
  static const platform::Logger logger("incidents");
  return logger;
}

void normalize(std::vector<VGXIncident>& incidents) {
  std::stable_sort(incidents.begin(), incidents.end(),
                   [](const VGXIncident& a, const VGXIncident& b) { return a.at > b.at; });
  if (incidents.size() > VGXIncidentLog::kCapacity) incidents.resize(VGXIncidentLog::kCapacity);
}

}  // namespace

VGXIncidentLog::VGXIncidentLog(platform::UserDefaults& defaults, std::string key)
    : defaults_(defaults), key_(std::move(key)) {}

std::optional<std::vector<VGXIncident>> VGXIncidentLog::read() const {
  const auto stored = defaults_.object(key_);
  if (!stored) return std::vector<VGXIncident>{};
  std::string problem;
  if (stored->isData()) {
    const auto& bytes = std::get<platform::Bytes>(stored->value);
    if (decoded_ && decoded_->first == bytes) {
      damageReported_ = false;
      return decoded_->second;
    }
    auto decoded = decodeIncidents(bytes);
    if (decoded) {
      damageReported_ = false;
      decoded_.emplace(bytes, *decoded);
      return std::move(*decoded);
    }
    problem = decoded.error().description();
  } else {
    problem = "not data: " + platform::debugDescription(*stored);
  }
  if (!damageReported_) {
    damageReported_ = true;
    log().error("The incident log cannot be read and counts as empty: {}", problem);
  }
  return std::nullopt;
}

std::vector<VGXIncident> VGXIncidentLog::load() const {
  std::vector<VGXIncident> incidents = read().value_or(std::vector<VGXIncident>{});
  normalize(incidents);
  return incidents;
}

void VGXIncidentLog::store(std::vector<VGXIncident> incidents) {
  normalize(incidents);
  auto encoded = encodeIncidents(incidents);
  if (!encoded) {
    log().error("The incident log cannot be written: {}", encoded.error().description());
    return;
  }
  if (!read()) {
    const std::string aside = platform::keepDamagedValueAside(
        defaults_, key_, *defaults_.object(key_), platform::Clock::current().now());
    log().error("The unreadable incident log is kept under {}", aside);
  }
  defaults_.set(key_, std::move(*encoded));
  damageReported_ = false;
}

void VGXIncidentLog::record(const VGXIncident& incident) {
  std::lock_guard guard(lock_);
  std::vector<VGXIncident> incidents{incident};
  const std::vector<VGXIncident> stored = load();
  incidents.insert(incidents.end(), stored.begin(), stored.end());
  store(std::move(incidents));
}

void VGXIncidentLog::acknowledgeAll() {
  std::lock_guard guard(lock_);
  std::vector<VGXIncident> incidents = load();
  for (VGXIncident& incident : incidents) incident.acknowledged = true;
  store(std::move(incidents));
}

void VGXIncidentLog::acknowledge(VGXIncident::Kind kind) {
  std::lock_guard guard(lock_);
  std::vector<VGXIncident> incidents = load();
  for (VGXIncident& incident : incidents) {
    if (incident.kind == kind) incident.acknowledged = true;
  }
  store(std::move(incidents));
}

bool VGXIncidentLog::hasUnacknowledged() const {
  std::lock_guard guard(lock_);
  return std::ranges::any_of(load(), [](const VGXIncident& incident) {
    return !incident.acknowledged && incident.cause != VGXIncident::Cause::expectedPause;
  });
}

}  // namespace vigilix
