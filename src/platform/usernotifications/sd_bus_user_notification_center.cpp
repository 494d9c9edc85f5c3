#include "platform/usernotifications/sd_bus_user_notification_center.h"

#include <systemd/sd-bus.h>

#include <algorithm>
#include <cerrno>
#include <utility>

#include "platform/runloop/live_run_loop.h"
#include "platform/usernotifications/user_notification_log.h"

namespace vigilix::platform {

namespace {

// A service that hangs must not hold every later notice for sd-bus's 25 s.
constexpr std::uint64_t kCallTimeoutMicroseconds = 5'000'000;

MethodAddress serviceMethod(const char* member, const char* destination = kNotificationService) {
  return {destination, kNotificationServicePath, kNotificationServiceInterface, member};
}

// Not inside sd-bus's dispatch: the code called may run a nested loop.
void later(Task task) { LivePlatform::shared().mainQueue().async(std::move(task)); }

bool isNoService(const BusError& error) {
  return error.name == SD_BUS_ERROR_SERVICE_UNKNOWN || error.name == SD_BUS_ERROR_NAME_HAS_NO_OWNER;
}

std::string senderOf(sd_bus_message* message) {
  const char* sender = sd_bus_message_get_sender(message);
  return sender != nullptr ? sender : "";
}

}  // namespace

struct SdBusUserNotificationCenter::Work {
  enum class Kind { post, close, closeAll, capabilities };
  Kind kind = Kind::post;
  NotificationRequest request;  // post; close: its identifier
  AddRequestCompletion added;
  std::function<void(const BusReply&)> answered;  // capabilities
};

SdBusUserNotificationCenter::SdBusUserNotificationCenter(
    std::shared_ptr<AsyncBusConnection> connection)
    : connection_(std::move(connection)) {
  // Both matches reach the bus before any notice is sent on this connection.
  auto action = connection_->addMatch(notificationSignalRule("ActionInvoked"),
                                      [this](sd_bus_message* m) { actionInvoked(m); });
  auto closed = connection_->addMatch(notificationSignalRule("NotificationClosed"),
                                      [this](sd_bus_message* m) { notificationClosed(m); });
  if (action && closed) {
    actionMatch_ = std::move(*action);
    closedMatch_ = std::move(*closed);
  } else {
    userNotificationLog().error("Answers to notices will not arrive: {}",
                                (action ? closed.error() : action.error()).description());
  }
}

SdBusUserNotificationCenter::~SdBusUserNotificationCenter() = default;

void SdBusUserNotificationCenter::setNotificationCategories(
    std::vector<NotificationCategory> categories) {
  categories_ = std::move(categories);
}

void SdBusUserNotificationCenter::addRequest(const NotificationRequest& request,
                                             AddRequestCompletion completion) {
  enqueue(Work{Work::Kind::post, request, std::move(completion), nullptr});
}

void SdBusUserNotificationCenter::requestAuthorization(AuthorizationCompletion completion) {
  enqueue(Work{Work::Kind::capabilities, {}, nullptr, [completion](const BusReply& reply) {
                 if (!completion) return;
                 NotificationError error;
                 if (!reply && !isNoService(reply.error())) error = reply.error().description();
                 later([completion, granted = reply.has_value(), error] {
                   completion(granted, error);
                 });
               }});
}

void SdBusUserNotificationCenter::getAuthorizationStatus(SettingsCompletion completion) {
  enqueue(Work{Work::Kind::capabilities, {}, nullptr, [completion](const BusReply& reply) {
                 if (!completion) return;
                 later([completion, answered = reply.has_value()] {
                   completion(answered ? AuthorizationStatus::authorized
                                       : AuthorizationStatus::notDetermined);
                 });
               }});
}

void SdBusUserNotificationCenter::removeDeliveredNotifications(
    const std::vector<std::string>& identifiers) {
  for (const std::string& identifier : identifiers) {
    enqueue(Work{Work::Kind::close, {identifier, {}}, nullptr, nullptr});
  }
}

void SdBusUserNotificationCenter::removePendingNotificationRequests(
    const std::vector<std::string>& identifiers) {
  std::erase_if(queue_, [&](const Work& work) {
    return work.kind == Work::Kind::post &&
           std::ranges::find(identifiers, work.request.identifier) != identifiers.end();
  });
}

void SdBusUserNotificationCenter::removeAllDeliveredNotifications() {
  enqueue(Work{Work::Kind::closeAll, {}, nullptr, nullptr});
}

std::shared_ptr<UserNotificationCenterDelegate> SdBusUserNotificationCenter::delegate() const {
  return delegate_.lock();
}

void SdBusUserNotificationCenter::setDelegate(
    std::weak_ptr<UserNotificationCenterDelegate> delegate) {
  delegate_ = std::move(delegate);
}

std::vector<std::string> SdBusUserNotificationCenter::shownIdentifiers() const {
  std::vector<std::string> identifiers;
  for (const auto& entry : shown_) identifiers.push_back(entry.first);
  return identifiers;
}

void SdBusUserNotificationCenter::enqueue(Work work) {
  queue_.push_back(std::move(work));
  runNext();
}

void SdBusUserNotificationCenter::runNext() {
  while (!busy_ && !queue_.empty()) {
    auto work = std::make_shared<Work>(std::move(queue_.front()));
    queue_.pop_front();
    busy_ = true;
    switch (work->kind) {
      case Work::Kind::post:
        askCapabilities([this, work](const BusReply& reply) { post(*work, reply); });
        break;
      case Work::Kind::capabilities:
        askCapabilities([this, work](const BusReply& reply) {
          work->answered(reply);
          finish();
        });
        break;
      case Work::Kind::close:
        close(work->request.identifier);
        break;
      case Work::Kind::closeAll: {
        // What is shown once the work before has run, so before the others queued.
        std::vector<Work> closes;
        for (const auto& entry : shown_) {
          closes.push_back(Work{Work::Kind::close, {entry.first, {}}, nullptr, nullptr});
        }
        queue_.insert(queue_.begin(), closes.begin(), closes.end());
        busy_ = false;
        break;
      }
    }
  }
}

void SdBusUserNotificationCenter::finish() {
  busy_ = false;
  call_ = BusSlot();
  runNext();
}

void SdBusUserNotificationCenter::askCapabilities(std::function<void(const BusReply&)> then) {
  auto call = connection_->callAsync(serviceMethod("GetCapabilities"), nullptr, then,
                                     kCallTimeoutMicroseconds);
  if (call) {
    call_ = std::move(*call);
    return;
  }
  // Answered as the bus would have: the handler finishes the work.
  const BusReply failed = std::unexpected(call.error());
  then(failed);
}

void SdBusUserNotificationCenter::failPost(const Work& work, const BusError& error) {
  if (work.added) {
    later([added = work.added, text = error.description()] { added(text); });
  } else {
    userNotificationLog().error("Notice {} not shown: {}", work.request.identifier,
                                error.description());
  }
  finish();
}

void SdBusUserNotificationCenter::post(const Work& work, const BusReply& capabilitiesReply) {
  if (!capabilitiesReply) return failPost(work, capabilitiesReply.error());
  const std::string& identifier = work.request.identifier;
  // Notify goes to the service that answered, so that the ids we keep are its own.
  const std::string service = senderOf(*capabilitiesReply);
  const auto capabilities =
      readCapabilities(*capabilitiesReply).value_or(NotificationServiceCapabilities{});
  std::uint32_t replacesId = 0;
  if (auto found = shown_.find(identifier); found != shown_.end()) {
    // Another service's id could name someone else's notice.
    if (found->second.service == service) {
      replacesId = found->second.id;
    } else {
      shown_.erase(found);
    }
  }
  const NotifyArguments arguments =
      notifyArguments(work.request, categories_, capabilities, replacesId);
  auto call = connection_->callAsync(
      serviceMethod("Notify", service.empty() ? kNotificationService : service.c_str()),
      [&arguments](sd_bus_message* m) { return appendNotify(m, arguments); },
      [this, work](const BusReply& reply) {
        std::uint32_t id = 0;
        if (!reply) return failPost(work, reply.error());
        const int read = sd_bus_message_read(*reply, "u", &id);
        if (read <= 0) return failPost(work, busErrorFromResult(read < 0 ? read : -EBADMSG));
        shown_[work.request.identifier] = Shown{senderOf(*reply), id, false};
        if (work.added) later([added = work.added] { added(std::nullopt); });
        finish();
      },
      kCallTimeoutMicroseconds);
  if (!call) return failPost(work, call.error());
  call_ = std::move(*call);
}

void SdBusUserNotificationCenter::close(const std::string& identifier) {
  const auto found = shown_.find(identifier);
  if (found == shown_.end()) return finish();
  const Shown shown = found->second;
  shown_.erase(found);
  // To the service that showed it: under another the id may be someone else's.
  auto call = connection_->callAsync(
      serviceMethod("CloseNotification", shown.service.c_str()),
      [id = shown.id](sd_bus_message* m) { return sd_bus_message_append(m, "u", id); },
      [this, identifier](const BusReply& reply) {
        if (!reply && !isNoService(reply.error())) {
          userNotificationLog().error("Notice {} not removed: {}", identifier,
                                      reply.error().description());
        }
        finish();
      },
      kCallTimeoutMicroseconds);
  if (!call) {
    userNotificationLog().error("Notice {} not removed: {}", identifier,
                                call.error().description());
    return finish();
  }
  call_ = std::move(*call);
}

const std::string* SdBusUserNotificationCenter::identifierOf(const std::string& service,
                                                             std::uint32_t id) const {
  for (const auto& [identifier, shown] : shown_) {
    if (shown.id == id && shown.service == service) return &identifier;
  }
  return nullptr;
}

void SdBusUserNotificationCenter::actionInvoked(sd_bus_message* message) {
  std::uint32_t id = 0;
  const char* action = nullptr;
  if (sd_bus_message_read(message, "us", &id, &action) < 0) return;
  const std::string* identifier = identifierOf(senderOf(message), id);
  if (identifier == nullptr) return;
  respond({action, *identifier});
  // Answered: the close that services send after an action is no dismissal.
  shown_[*identifier].answered = true;
}

void SdBusUserNotificationCenter::notificationClosed(sd_bus_message* message) {
  std::uint32_t id = 0;
  std::uint32_t reason = 0;
  if (sd_bus_message_read(message, "uu", &id, &reason) < 0) return;
  const std::string* identifier = identifierOf(senderOf(message), id);
  if (identifier == nullptr) return;
  const auto found = shown_.find(*identifier);
  if (reason == static_cast<std::uint32_t>(NotificationCloseReason::dismissed) &&
      !found->second.answered) {
    respond({kNotificationDismissActionIdentifier, found->first});
  }
  shown_.erase(found);
}

void SdBusUserNotificationCenter::respond(NotificationResponse response) {
  later([weak = delegate_, response = std::move(response)] {
    if (auto delegate = weak.lock()) delegate->didReceiveResponse(response, [] {});
  });
}

std::unique_ptr<UserNotificationCenter> makeLiveUserNotificationCenter() {
  auto connection = AsyncBusConnection::shared(BusKind::Session);
  if (connection) return std::make_unique<SdBusUserNotificationCenter>(std::move(*connection));
  userNotificationLog().log("No session bus ({}): notices are only written to the log",
                            connection.error().description());
  return std::make_unique<LoggingUserNotificationCenter>();
}

}  // namespace vigilix::platform
