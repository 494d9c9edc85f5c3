#include "agents/agent_hold_controller.h"

#include <algorithm>
#include <cmath>
#include <unordered_set>
#include <utility>

#include "agents/cli_v2_server.h"
#include "platform/base/text.h"
#include "platform/runloop/clock.h"
#include "platform/runloop/dispatch_queue.h"
#include "platform/runloop/weakly.h"
#include "policy/policy_gate.h"

namespace vigilix {

namespace {

// The protocol's limit on a listed hold's tool, in user-perceived characters.
constexpr std::size_t kListedToolLimit = 32;

VGXCLIv2Reply replyWith(VGXCLIv2Status status, std::optional<std::string> message = {}) {
  VGXCLIv2Reply reply;
  reply.status = status;
  reply.message = std::move(message);
  return reply;
}

double defaultTTLFor(const std::string& tool) {
  return tool == "cursor" || tool == "gemini" ? VGXAgentHoldController::longTTL
                                              : VGXAgentHoldController::defaultTTL;
}

}  // namespace

VGXAgentHoldController::VGXAgentHoldController(std::shared_ptr<VGXAgentHoldStore> store,
                                               PolicyDenied isPolicyDenied, OnChange onChange)
    : store_(std::move(store)),
      isPolicyDenied_(std::move(isPolicyDenied)),
      onChange_(std::move(onChange)) {}

VGXAgentHoldController::~VGXAgentHoldController() {
  if (expiryTimer_) expiryTimer_->invalidate();
  cancelProcessSources();
}

bool VGXAgentHoldController::defaultPolicyDenied() {
  return VGXPolicyRuntime::enforcedBool("VGXDisableAgentHooks") == true;
}

std::string VGXAgentHoldController::toolFromHoldID(std::string_view id) {
  return std::string(id.substr(0, id.find(':')));
}

void VGXAgentHoldController::start() {
  const std::weak_ptr<VGXAgentHoldController> weak = weak_from_this();
  for (const VGXCLIv2Verb verb : {VGXCLIv2Verb::hold, VGXCLIv2Verb::release, VGXCLIv2Verb::holds}) {
    VGXCLIv2Server::registerHandler(verb, [weak](const VGXCLIv2Request& request) {
      if (const auto controller = weak.lock()) return controller->handle(request);
      return replyWith(VGXCLIv2Status::error);
    });
  }
  startExpiryTimer();
}

VGXCLIv2Reply VGXAgentHoldController::handle(const VGXCLIv2Request& request) {
  if (isPolicyDenied_()) {
    clearAll();
    return replyWith(VGXCLIv2Status::policyDenied);
  }
  switch (request.verb) {
    case VGXCLIv2Verb::holds:
      return handleHolds();
    case VGXCLIv2Verb::release:
      return handleRelease(request);
    case VGXCLIv2Verb::hold:
      return handleHold(request);
    case VGXCLIv2Verb::doctor:
    case VGXCLIv2Verb::epoch:
      break;
  }
  return replyWith(VGXCLIv2Status::unknownVerb);
}

VGXCLIv2Reply VGXAgentHoldController::handleHolds() const {
  const platform::Date now = platform::Clock::current().now();
  const auto holds = store_->snapshot();
  std::vector<VGXCLIv2HoldInfo> listed;
  listed.reserve(holds.size());
  for (const auto& [id, hold] : holds) {
    const double left = std::trunc(hold.expiresAt - now);
    // A tool named after a long hold id would make the whole listing
    // unencodable; the listing shows as much of it as the protocol carries.
    listed.push_back(VGXCLIv2HoldInfo{
        .id = hold.id,
        .tool = std::string(platform::prefixGraphemes(hold.tool, kListedToolLimit)),
        .label = std::nullopt,
        .expiresIn = static_cast<std::int64_t>(std::max(left, 0.0)),
    });
  }
  std::ranges::sort(listed, {}, &VGXCLIv2HoldInfo::id);
  VGXCLIv2Reply reply = replyWith(VGXCLIv2Status::ok);
  reply.holds = std::move(listed);
  return reply;
}

VGXCLIv2Reply VGXAgentHoldController::handleRelease(const VGXCLIv2Request& request) {
  if (!request.id || request.id->empty()) return replyWith(VGXCLIv2Status::error, "missing id");
  std::optional<std::string> ignored;
  if (request.label == "session-end") {
    store_->releaseWithPrefix(*request.id);
  } else {
    // Late or repeated events are answered ok whatever the store decided, so
    // a hook never fails on them; the message tells its log that the hold stays.
    const VGXAgentReleaseResult result =
        store_->release(*request.id, request.corr, request.seq.value_or(0));
    if (result.kind == VGXAgentReleaseResult::Case::ignored) ignored = "ignored: " + result.reason;
  }
  dropStaleProcessSources();
  publish();
  return replyWith(VGXCLIv2Status::ok, std::move(ignored));
}

VGXCLIv2Reply VGXAgentHoldController::handleHold(const VGXCLIv2Request& request) {
  if (!request.id || request.id->empty()) return replyWith(VGXCLIv2Status::error, "missing id");
  const std::string tool = request.tool ? *request.tool : toolFromHoldID(*request.id);
  const double ttl = request.ttl ? static_cast<double>(*request.ttl) : defaultTTLFor(tool);
  store_->upsert(*request.id, tool, request.corr, request.seq.value_or(0), request.pid,
                 request.pidStart, platform::Clock::current().now(), ttl);
  if (request.pid) watchProcess(*request.pid, request.pidStart);
  publish();
  return replyWith(VGXCLIv2Status::ok);
}

void VGXAgentHoldController::startExpiryTimer() {
  if (expiryTimer_) expiryTimer_->invalidate();
  // Common modes: holds keep expiring while a menu is open.
  expiryTimer_ = platform::RunLoop::main().scheduleTimer(
      sweepInterval, true,
      platform::weakly(this, [](VGXAgentHoldController& controller) { controller.tick(); }),
      platform::RunLoopMode::Common);
}

void VGXAgentHoldController::watchProcess(std::int32_t pid, std::optional<std::int64_t> pidStart) {
  std::lock_guard lock(lock_);
  // The first watch of a process keeps its start time.
  if (processSources_.contains(pid) || pid < 2) return;
  // No source for a process that is gone: its holds end by expiry.
  auto source = platform::DispatchProcessSource::make(pid, platform::DispatchQueue::main());
  if (!source) return;
  source->setEventHandler(
      platform::weakly(this, [pid, pidStart](VGXAgentHoldController& controller) {
        controller.processExited(pid, pidStart);
      }));
  source->resume();
  processSources_.emplace(pid, std::move(source));
}

void VGXAgentHoldController::processExited(std::int32_t pid, std::optional<std::int64_t> pidStart) {
  store_->releaseProcess(pid, pidStart);
  std::shared_ptr<platform::DispatchProcessSource> ended;
  {
    std::lock_guard lock(lock_);
    if (const auto found = processSources_.find(pid); found != processSources_.end()) {
      ended = std::move(found->second);
      processSources_.erase(found);
    }
  }
  if (ended) ended->cancel();
  publish();
}

void VGXAgentHoldController::dropStaleProcessSources() {
  std::unordered_set<std::int32_t> held;
  for (const auto& [id, hold] : store_->snapshot()) {
    if (hold.pid) held.insert(*hold.pid);
  }
  std::vector<std::shared_ptr<platform::DispatchProcessSource>> stale;
  {
    std::lock_guard lock(lock_);
    for (auto entry = processSources_.begin(); entry != processSources_.end();) {
      if (held.contains(entry->first)) {
        ++entry;
      } else {
        stale.push_back(std::move(entry->second));
        entry = processSources_.erase(entry);
      }
    }
  }
  for (const auto& source : stale) source->cancel();
}

void VGXAgentHoldController::cancelProcessSources() {
  std::unordered_map<std::int32_t, std::shared_ptr<platform::DispatchProcessSource>> all;
  {
    std::lock_guard lock(lock_);
    all.swap(processSources_);
  }
  for (const auto& [pid, source] : all) source->cancel();
}

void VGXAgentHoldController::clearAll() {
  store_->removeAll();
  cancelProcessSources();
  onChange_({});
}

void VGXAgentHoldController::tick() {
  enforcePolicy();
  if (store_->sweep(platform::Clock::current().now()).empty()) return;
  dropStaleProcessSources();
  publish();
}

void VGXAgentHoldController::enforcePolicy() {
  if (isPolicyDenied_() && !store_->snapshot().empty()) clearAll();
}

void VGXAgentHoldController::publish() { onChange_(store_->activeReasons()); }

}  // namespace vigilix
