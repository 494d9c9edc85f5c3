#include "platform/power/live_power_source.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "platform/fs/file_system.h"
#include "platform/system/proc_values.h"

namespace vigilix::platform {

namespace {

// Percent of a full charge from "now" and "full" counters of one kind.
std::optional<std::int64_t> percentFrom(const std::filesystem::path& supply, const char* now,
                                        const char* full) {
  const auto current = readSignedFile(supply / now);
  const auto maximum = readSignedFile(supply / full);
  if (!current || !maximum || *maximum <= 0 || *current < 0) return std::nullopt;
  const double percent =
      std::round(static_cast<double>(*current) * 100.0 / static_cast<double>(*maximum));
  // Counters in doubt (a charge beyond what a number holds) give no percent.
  if (!(percent < 9.2e18)) return std::nullopt;
  return static_cast<std::int64_t>(percent);
}

std::optional<std::int64_t> batteryPercent(const std::filesystem::path& supply) {
  // Not clamped: a charge above 100 is a fault the readers must see.
  if (auto capacity = readSignedFile(supply / "capacity"); capacity && *capacity >= 0) {
    return capacity;
  }
  if (auto percent = percentFrom(supply, "energy_now", "energy_full")) return percent;
  return percentFrom(supply, "charge_now", "charge_full");
}

bool isAdapterType(const std::string& type) { return type == "Mains" || type.starts_with("USB"); }

// A battery held below a charge limit reads "Not charging" while on mains.
bool isFedStatus(const std::string& status) {
  return status == "Charging" || status == "Full" || status == "Not charging";
}

BatteryWarningLevel warningLevelOf(const std::filesystem::path& supply) {
  const auto level = readTrimmedFile(supply / "capacity_level");
  if (level == "Critical") return BatteryWarningLevel::Final;
  if (level == "Low") return BatteryWarningLevel::Early;
  return BatteryWarningLevel::None;
}

}  // namespace

LivePowerSources::LivePowerSources() : LivePowerSources(FileSystem::root()) {}

LivePowerSources::LivePowerSources(std::filesystem::path root) : root_(std::move(root)) {}

LivePowerSources::Reading LivePowerSources::read() const {
  Reading reading;
  const std::filesystem::path folder = root_ / "sys/class/power_supply";
  auto names = FileSystem::list(folder);
  if (!names) return reading;
  reading.listed = true;

  struct Battery {
    std::optional<std::int64_t> percent;
    std::string status;
  };
  std::vector<Battery> batteries;
  bool adapterListed = false;
  for (const std::string& name : *names) {
    const std::filesystem::path supply = folder / name;
    const std::string type = readTrimmedFile(supply / "type").value_or("");
    if (isAdapterType(type)) {
      adapterListed = true;
      if (readSignedFile(supply / "online") == 1) reading.adapterOnline = true;
    } else if (type == "Battery") {
      if (readTrimmedFile(supply / "scope") == "Device") continue;
      if (readSignedFile(supply / "present") == 0) continue;
      batteries.push_back(
          Battery{batteryPercent(supply), readTrimmedFile(supply / "status").value_or("")});
      reading.warningLevel = std::max(reading.warningLevel, warningLevelOf(supply));
    }
  }

  // Some laptops list no adapter at all; their batteries then tell whether
  // the machine is fed.
  if (!adapterListed) {
    const auto fed = [](const Battery& b) { return isFedStatus(b.status); };
    const auto discharging = [](const Battery& b) { return b.status == "Discharging"; };
    reading.adapterOnline =
        std::ranges::any_of(batteries, fed) && std::ranges::none_of(batteries, discharging);
  }

  for (const Battery& battery : batteries) {
    reading.batteries.push_back(PowerSourceReading{
        .kind = PowerSourceReading::Kind::internalBattery,
        .onBattery = !reading.adapterOnline,
        .isCharging = battery.status == "Charging",
        .isCharged = battery.status == "Full",
        .currentCapacity = battery.percent,
        .maxCapacity = battery.percent ? std::optional<std::int64_t>(100) : std::nullopt});
  }
  return reading;
}

std::optional<std::vector<PowerSourceReading>> LivePowerSources::readPowerSources() const {
  Reading reading = read();
  if (!reading.listed) return std::nullopt;
  return std::move(reading.batteries);
}

std::optional<std::string> LivePowerSources::providingPowerSourceType() const {
  const Reading reading = read();
  if (reading.adapterOnline || reading.batteries.empty()) return std::string(kPowerSourceACPower);
  return std::string(kPowerSourceBatteryPower);
}

BatteryWarningLevel LivePowerSources::batteryWarningLevel() const {
  const Reading reading = read();
  // A battery that is being fed cannot run out, whatever its level says.
  return reading.adapterOnline ? BatteryWarningLevel::None : reading.warningLevel;
}

// One look every interval serves every observer of this source, each told in its own run loop
// mode: a timer per observer woke the idle program once per observer.
struct LivePowerSources::Poll {
  struct Observer {
    RunLoopMode mode;
    std::shared_ptr<const std::function<void()>> handler;
  };
  Reading last;
  std::shared_ptr<Timer> timer;
  std::map<std::uint64_t, Observer> observers;
  std::uint64_t nextObserver = 0;
};

namespace {

class PollObserverToken final : public ObserverToken {
 public:
  explicit PollObserverToken(std::function<void()> remove) : remove_(std::move(remove)) {}
  ~PollObserverToken() override { remove_(); }

 private:
  std::function<void()> remove_;
};

}  // namespace

ObserverHandle LivePowerSources::addChangeObserver(RunLoopMode mode,
                                                   std::function<void()> handler) {
  if (!poll_ || poll_->observers.empty()) {
    poll_ = std::make_shared<Poll>();
    poll_->last = read();
    // In the common modes, so the look goes on while a menu tracks; each observer hears in its
    // own mode.
    poll_->timer = RunLoop::main().scheduleTimer(
        kChangePollInterval, true,
        [this, weakPoll = std::weak_ptr<Poll>(poll_)](Timer&) {
          const auto poll = weakPoll.lock();
          if (!poll) return;
          Reading now = read();
          if (now == poll->last) return;
          poll->last = std::move(now);
          for (const auto& [id, observer] : poll->observers) {
            RunLoop::main().perform([handler = observer.handler] { (*handler)(); }, observer.mode);
          }
        },
        RunLoopMode::Common);
  }
  const std::uint64_t id = poll_->nextObserver++;
  poll_->observers.emplace(
      id, Poll::Observer{mode, std::make_shared<const std::function<void()>>(std::move(handler))});
  return std::make_unique<PollObserverToken>([weakPoll = std::weak_ptr<Poll>(poll_), id] {
    const auto poll = weakPoll.lock();
    if (!poll) return;
    poll->observers.erase(id);
    if (poll->observers.empty() && poll->timer) poll->timer->invalidate();
  });
}

}  // namespace vigilix::platform
