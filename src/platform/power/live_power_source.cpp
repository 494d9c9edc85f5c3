#include "platform/power/live_power_source.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/fs/file_system.h"

namespace vigilix::platform {

namespace {

std::optional<std::string> readValue(const std::filesystem::path& path) {
  auto contents = FileSystem::readFile(path);
  if (!contents) return std::nullopt;
  std::string_view text = *contents;
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) {
    text.remove_suffix(1);
  }
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) {
    text.remove_prefix(1);
  }
  return std::string(text);
}

std::optional<std::int64_t> readNumber(const std::filesystem::path& path) {
  auto text = readValue(path);
  if (!text || text->empty()) return std::nullopt;
  std::int64_t value = 0;
  const auto [end, error] = std::from_chars(text->data(), text->data() + text->size(), value);
  if (error != std::errc() || end != text->data() + text->size()) return std::nullopt;
  return value;
}

// Percent of a full charge from "now" and "full" counters of one kind.
std::optional<std::int64_t> percentFrom(const std::filesystem::path& supply, const char* now,
                                        const char* full) {
  const auto current = readNumber(supply / now);
  const auto maximum = readNumber(supply / full);
  if (!current || !maximum || *maximum <= 0 || *current < 0) return std::nullopt;
  const double percent =
      std::round(static_cast<double>(*current) * 100.0 / static_cast<double>(*maximum));
  return static_cast<std::int64_t>(std::min(percent, 100.0));
}

std::optional<std::int64_t> batteryPercent(const std::filesystem::path& supply) {
  if (auto capacity = readNumber(supply / "capacity"); capacity && *capacity >= 0) {
    return std::min<std::int64_t>(*capacity, 100);
  }
  if (auto percent = percentFrom(supply, "energy_now", "energy_full")) return percent;
  return percentFrom(supply, "charge_now", "charge_full");
}

bool isAdapterType(const std::string& type) { return type == "Mains" || type.starts_with("USB"); }

}  // namespace

LivePowerSources::LivePowerSources(std::filesystem::path root) : root_(std::move(root)) {}

LivePowerSources::Reading LivePowerSources::read() const {
  Reading reading;
  const std::filesystem::path folder = root_ / "sys/class/power_supply";
  auto names = FileSystem::list(folder);
  if (!names) return reading;

  struct Battery {
    std::optional<std::int64_t> percent;
    std::string status;
  };
  std::vector<Battery> batteries;
  for (const std::string& name : *names) {
    const std::filesystem::path supply = folder / name;
    const std::string type = readValue(supply / "type").value_or("");
    if (isAdapterType(type)) {
      if (readNumber(supply / "online") == 1) reading.adapterOnline = true;
    } else if (type == "Battery") {
      if (readValue(supply / "scope") == "Device") continue;
      if (readNumber(supply / "present") == 0) continue;
      batteries.push_back(
          Battery{batteryPercent(supply), readValue(supply / "status").value_or("")});
    }
  }

  const char* state = reading.adapterOnline ? kPowerSourceACPower : kPowerSourceBatteryPower;
  for (const Battery& battery : batteries) {
    PropertyDictionary description{
        {kPowerSourceTypeKey, kPowerSourceInternalBatteryType},
        {kPowerSourceStateKey, state},
        {kPowerSourceIsChargingKey, battery.status == "Charging"},
        {kPowerSourceIsChargedKey, battery.status == "Full"},
    };
    if (battery.percent) {
      description[kPowerSourceCurrentCapacityKey] = *battery.percent;
      description[kPowerSourceMaxCapacityKey] = std::int64_t{100};
    }
    reading.batteries.emplace_back(std::move(description));
  }
  return reading;
}

std::optional<PropertyArray> LivePowerSources::copyPowerSourceDescriptions() const {
  return read().batteries;
}

std::optional<std::string> LivePowerSources::providingPowerSourceType() const {
  const Reading reading = read();
  if (reading.adapterOnline || reading.batteries.empty()) return std::string(kPowerSourceACPower);
  return std::string(kPowerSourceBatteryPower);
}

ObserverHandle LivePowerSources::addChangeObserver(RunLoopMode /*mode*/,
                                                   std::function<void()> /*handler*/) {
  return nullptr;
}

}  // namespace vigilix::platform
