#include <algorithm>
#include <cmath>

#include "health/protection_verifier.h"
#include "keepawake/health_registry.h"
#include "platform/base/format_placeholders.h"
#include "platform/base/localized.h"
#include "platform/base/text.h"
#include "platform/json/json_writer.h"
#include "policy/policy_table.h"

namespace vigilix {

namespace {

using Severity = VGXHealthSeverity;
using State = VGXProtectionState;

std::string text(std::string_view english, std::string_view comment) {
  return platform::localized(english, comment);
}

std::string counted(std::string_view format, std::string_view comment, std::size_t count) {
  return platform::fillPlaceholders(platform::localized(format, comment), {std::to_string(count)});
}

// A line of ours with a problem offers `action`; a line without offers none.
VGXHealthLine line(std::string title, std::string detail, Severity severity, const char* action) {
  std::optional<std::string> fix;
  if (severity != Severity::Ok && action) fix = action;
  return VGXHealthLine{std::move(title), std::move(detail), severity, std::move(fix)};
}

std::optional<std::int64_t> integerValue(const platform::PropertyValue& value) {
  if (const auto* integer = std::get_if<std::int64_t>(&value.value)) return *integer;
  if (const auto* real = std::get_if<double>(&value.value)) {
    if (std::isfinite(*real) && std::fabs(*real) < 9.2e18) return static_cast<std::int64_t>(*real);
  }
  return std::nullopt;
}

// Texts from providers may hold bytes that are not UTF-8; the reply shows
// them with U+FFFD rather than failing as a whole.
VGXHealthLine validText(VGXHealthLine line) {
  line.title = platform::utf16ToUtf8(platform::utf8ToUtf16(line.title));
  line.detail = platform::utf16ToUtf8(platform::utf8ToUtf16(line.detail));
  if (line.fixActionID) {
    line.fixActionID = platform::utf16ToUtf8(platform::utf8ToUtf16(*line.fixActionID));
  }
  return line;
}

// A state that needs attention, with what the person can do about it.
std::optional<std::string> attentionText(const VGXProtectionState& state) {
  if (state.is<State::unknown>()) {
    return text(
        "Couldn't check whether your computer is protected: check that systemd-logind is "
        "running, then check again",
        "Health Check: protection could not be checked");
  }
  if (state.is<State::missing>()) {
    return text(
        "Vigilix couldn't keep your computer awake: logind refused or dropped its lock; check "
        "that systemd-logind is running, then turn Keep Awake off and on",
        "Health Check: protection lost");
  }
  if (state.is<State::closedLidClearFailed>()) {
    return text(
        "Vigilix couldn't turn sleep back on: turn closed-lid mode off; if the computer still "
        "does not sleep, restart it",
        "Health Check: the closed-lid helper could not restore sleep");
  }
  return std::nullopt;
}

}  // namespace

std::vector<VGXHealthLine> VGXProtectionVerifier::healthLines() const {
  const auto forced = std::ranges::count_if(VGXPolicy::keys(), [this](const VGXPolicyKey& row) {
    return defaults_.objectIsForced(row.name);
  });

  std::vector<VGXHealthLine> lines;
  lines.push_back(line(text("Keep Awake", "Health Check line title: keep-awake state"),
                       says(hub_.isAwake) ? text("On", "Health Check: keep-awake is on")
                                          : text("Off", "Health Check: keep-awake is off"),
                       Severity::Ok, nullptr));

  std::string protection;
  if (auto remedy = attentionText(state_)) {
    protection = std::move(*remedy);
  } else if (auto header = state_.headerText()) {
    protection = std::move(*header);
  } else if (state_.is<State::verified>()) {
    protection = text("Verified", "Health Check: protection verified");
  } else {
    protection = text("Not expected", "Health Check: no protection expected");
  }
  lines.push_back(
      line(text("Protection", "Health Check line title: protection state"), std::move(protection),
           state_.needsAttention() ? Severity::Error : Severity::Ok, kCheckProtectionAction));

  const std::string couldNotCheck =
      text("Couldn't check: logind did not list the locks; check that systemd-logind is running",
           "Health Check: inspection failed");
  std::string requests = text("None", "Health Check: no keep-awake requests");
  if (currentIntent() && !currentPause()) {
    if (!observed_) {
      requests = couldNotCheck;
    } else if (!observed_->empty()) {
      // A std::set is already in ascending text order.
      requests.clear();
      for (const std::string& type : *observed_) {
        if (!requests.empty()) requests += ", ";
        requests += type;
      }
    }
  }
  const Severity requestSeverity = requests == couldNotCheck ? Severity::Error : Severity::Ok;
  lines.push_back(line(text("Keep-Awake Requests", "Health Check line title: assertions held"),
                       std::move(requests), requestSeverity, kCheckProtectionAction));

  std::size_t recorded = 0;
  {
    std::lock_guard guard(incidentLog_.lock());
    recorded = incidentLog_.load().size();
  }
  const bool unseen = incidentLog_.hasUnacknowledged();
  lines.push_back(line(
      text("Incidents", "Health Check line title: incidents"),
      unseen ? counted("%d recorded, some not yet seen: Check Keep-Awake Health marks them seen",
                       "Health Check: number of incidents, some not yet seen", recorded)
             : counted("%d recorded", "Health Check: number of incidents", recorded),
      unseen ? Severity::Warning : Severity::Ok, kDismissIncidentsAction));

  lines.push_back(providers_.migrationResult ? providers_.migrationResult()
                                             : migrationHealthLine(defaults_));
  lines.push_back(line(text("Managed Settings", "Health Check line title: managed settings"),
                       counted("%d managed keys", "Health Check: number of managed keys",
                               static_cast<std::size_t>(forced)),
                       Severity::Ok, nullptr));
  return lines;
}

std::vector<VGXHealthLine> VGXProtectionVerifier::storeBuildHealthLines(bool directAvailable) {
  if (directAvailable) return {};
  const std::string missing =
      text("Not available in this version", "Health Check: feature missing from this build");
  // The agent hooks have lines of their own in every build.
  return {line(text("Closed-lid helper", "Health Check line title: closed-lid helper"), missing,
               Severity::Ok, nullptr)};
}

VGXHealthLine VGXProtectionVerifier::migrationHealthLine(const platform::UserDefaults& defaults,
                                                         bool previousVersionFound) {
  std::string title = text("Migration", "Health Check line title: settings migration");
  const auto stored = defaults.object(kMigrationVersionKey);
  if (!stored) {
    return line(std::move(title),
                text("No container migration on this install", "Health Check: no migration"),
                Severity::Ok, nullptr);
  }
  const auto version = integerValue(*stored);
  if (version == 1 && !previousVersionFound) {
    return line(std::move(title),
                text("No previous version: nothing to move", "Health Check: nothing migrated"),
                Severity::Ok, nullptr);
  }
  if (version == 1) {
    return line(std::move(title),
                text("Settings moved from the previous version", "Health Check: migrated"),
                Severity::Ok, nullptr);
  }
  if (version == 2) {
    return line(std::move(title),
                text("Started with fresh settings", "Health Check: started fresh"), Severity::Ok,
                nullptr);
  }
  return line(std::move(title),
              version ? std::to_string(*version) : platform::debugDescription(*stored),
              Severity::Warning, nullptr);
}

VGXCLIv2Reply VGXProtectionVerifier::doctorReply(VGXProtectionVerifier* verifier,
                                                 const VGXCLIv2Request& request) {
  if (verifier) verifier->check();
  const std::vector<VGXHealthLine> lines = VGXHealthRegistry::lines();

  platform::json::Value array = platform::json::Value::array();
  for (const VGXHealthLine& each : lines) array.push_back(encodeHealthLine(validText(each)));
  auto written = platform::json::write(array);

  VGXCLIv2Reply reply;
  reply.nonce = request.nonce;
  const bool anyError = std::ranges::any_of(
      lines, [](const VGXHealthLine& each) { return each.severity == Severity::Error; });
  reply.status = anyError || !written ? VGXCLIv2Status::error : VGXCLIv2Status::ok;
  if (written) reply.doctor = std::move(*written);
  return reply;
}

}  // namespace vigilix
