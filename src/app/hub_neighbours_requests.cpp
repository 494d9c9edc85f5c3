#include <utility>

#include "agents/agent_hold_controller.h"
#include "agents/agent_hold_store.h"
#include "agents/cli_protocol.h"
#include "agents/cli_v2_server.h"
#include "app/hub_neighbours.h"
#include "controls/control_state.h"
#include "keepawake/control_state_bridge.h"
#include "platform/notifications/notification_center.h"

namespace vigilix {
namespace {

constexpr double kAgentHoldMaxTTL = 86400;

class AgentHolds : public HubAgentHolds {
 public:
  void start(Changed changed) override {
    auto holds = std::make_shared<VGXAgentHoldController>(
        std::make_shared<VGXAgentHoldStore>(kAgentHoldMaxTTL),
        &VGXAgentHoldController::defaultPolicyDenied,
        [changed = std::move(changed)](const std::vector<TriggerReason>& reasons) {
          changed(reasons);
        });
    holds->start();
    controller_ = std::move(holds);
  }
  void clearAll() override {
    if (controller_) controller_->clearAll();
  }
  bool policyDenied() const override { return VGXAgentHoldController::defaultPolicyDenied(); }

 private:
  std::shared_ptr<VGXAgentHoldController> controller_;
};

class CommandLine : public HubCommandLine {
 public:
  explicit CommandLine(std::shared_ptr<CommandLineInbox> inbox) : inbox_(std::move(inbox)) {}
  platform::ObserverHandle listen(Request request, Generation generation) override {
    if (!server_) server_ = std::make_unique<VGXCLIv2Server>(std::nullopt, std::move(generation));
    if (!inbox_) {
      inbox_ = CommandLineInbox::open(platform::DistributedNotificationCenter::current());
    }
    return inbox_->listen(std::move(request));
  }
  void postReply(const std::string& reply) override {
    platform::DistributedNotificationCenter::current().post(
        std::string(VGXCLIProtocol::replyNotification), reply);
  }
  std::string epoch() override {
    return server_ ? server_->epoch() : VGXCLIv2Server::launchEpoch();
  }
  void answer(const VGXCLIv2Request& request, platform::Date now, Reply done) override {
    if (server_) server_->handle(request, now, std::move(done));
  }

 private:
  std::shared_ptr<CommandLineInbox> inbox_;
  std::unique_ptr<VGXCLIv2Server> server_;
};

class ControlShare : public HubControlShare {
 public:
  explicit ControlShare(std::function<void(const std::string& kind)> reloadControls)
      : bridge_(ControlStateBridge::appGroupSuite(), std::move(reloadControls)) {}
  void publish(const AwakeSnapshot& snapshot) override { bridge_.publish(snapshot); }
  std::optional<bool> takeRequest(platform::Date now) override { return bridge_.takeRequest(now); }
  platform::ObserverHandle observeRequests(std::function<void()> arrived) override {
    return platform::DistributedNotificationCenter::current().addObserver(
        VGXControlState::requestNotification,
        [arrived = std::move(arrived)](const std::string&, const auto&) { arrived(); });
  }

 private:
  ControlStateBridge bridge_;
};

}  // namespace

std::shared_ptr<HubAgentHolds> makeAgentHolds() { return std::make_shared<AgentHolds>(); }

std::shared_ptr<HubCommandLine> makeCommandLine(std::shared_ptr<CommandLineInbox> inbox) {
  return std::make_shared<CommandLine>(std::move(inbox));
}

std::shared_ptr<HubControlShare> makeControlShare(
    std::function<void(const std::string& kind)> reloadControls) {
  return std::make_shared<ControlShare>(std::move(reloadControls));
}

}  // namespace vigilix
