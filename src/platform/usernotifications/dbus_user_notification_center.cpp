#include "platform/usernotifications/dbus_user_notification_center.h"

#include <algorithm>
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
  return error.name == kBusServiceUnknownError || error.name == kBusNameHasNoOwnerError;
}

}  // namespace

struct DBusUserNotificationCenter::Work {
  enum class Kind { post, close, closeAll, capabilities };
  Kind kind = Kind::post;
  NotificationRequest request;  // post; close: its identifier
  AddRequestCompletion added;
  std::function<void(const BusReply&)> answered;  // capabilities
};

DBusUserNotificationCenter::DBusUserNotificationCenter(
    std::shared_ptr<AsyncBusConnection> connection)
    : connection_(std::move(connection)) {
  // Both matches reach the bus before any notice is sent on this connection.
  auto action = connection_->addMatch(notificationSignalRule("ActionInvoked"),
                                      [this](BusArgumentReader& s) { actionInvoked(s); });
  auto closed = connection_->addMatch(notificationSignalRule("NotificationClosed"),
                                      [this](BusArgumentReader& s) { notificationClosed(s); });
  if (action && closed) {
    actionMatch_ = std::move(*action);
    closedMatch_ = std::move(*closed);
  } else {
    userNotificationLog().error("Answers to notices will not arrive: {}",
                                (action ? closed.error() : action.error()).description());
  }
}

DBusUserNotificationCenter::~DBusUserNotificationCenter() = default;

void DBusUserNotificationCenter::setNotificationCategories(
    std::vector<NotificationCategory> categories) {
  categories_ = std::move(categories);
}

void DBusUserNotificationCenter::addRequest(const NotificationRequest& request,
                                            AddRequestCompletion completion) {
  enqueue(Work{Work::Kind::post, request, std::move(completion), nullptr});
}

void DBusUserNotificationCenter::requestAuthorization(AuthorizationCompletion completion) {
  enqueue(Work{Work::Kind::capabilities, {}, nullptr, [completion](const BusReply& reply) {
                 if (!completion) return;
                 NotificationError error;
                 if (!reply && !isNoService(reply.error())) error = reply.error().description();
                 later([completion, granted = reply.has_value(), error] {
                   completion(granted, error);
                 });
               }});
}

void DBusUserNotificationCenter::getAuthorizationStatus(SettingsCompletion completion) {
  enqueue(Work{Work::Kind::capabilities, {}, nullptr, [completion](const BusReply& reply) {
                 if (!completion) return;
                 later([completion, answered = reply.has_value()] {
                   completion(answered ? AuthorizationStatus::authorized
                                       : AuthorizationStatus::notDetermined);
                 });
               }});
}

void DBusUserNotificationCenter::removeDeliveredNotifications(
    const std::vector<std::string>& identifiers) {
  for (const std::string& identifier : identifiers) {
    enqueue(Work{Work::Kind::close, {identifier, {}}, nullptr, nullptr});
  }
}

void DBusUserNotificationCenter::removePendingNotificationRequests(
    const std::vector<std::string>& identifiers) {
  std::erase_if(queue_, [&](const Work& work) {
    return work.kind == Work::Kind::post &&
           std::ranges::find(identifiers, work.request.identifier) != identifiers.end();
  });
}

void DBusUserNotificationCenter::removeAllDeliveredNotifications() {
  enqueue(Work{Work::Kind::closeAll, {}, nullptr, nullptr});
}

std::shared_ptr<UserNotificationCenterDelegate> DBusUserNotificationCenter::delegate() const {
  return delegate_.lock();
}

void DBusUserNotificationCenter::setDelegate(
    std::weak_ptr<UserNotificationCenterDelegate> delegate) {
  delegate_ = std::move(delegate);
}

std::vector<std::string> DBusUserNotificationCenter::shownIdentifiers() const {
  std::vector<std::string> identifiers;
  for (const auto& entry : shown_) identifiers.push_back(entry.first);
  return identifiers;
}

void DBusUserNotificationCenter::enqueue(Work work) {
  queue_.push_back(std::move(work));
  runNext();
}

void DBusUserNotificationCenter::runNext() {
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

void DBusUserNotificationCenter::finish() {
  busy_ = false;
  call_ = BusSlot();
  runNext();
}

void DBusUserNotificationCenter::askCapabilities(std::function<void(const BusReply&)> then) {
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

void DBusUserNotificationCenter::failPost(const Work& work, const BusError& error) {
  if (work.added) {
    later([added = work.added, text = error.description()] { added(text); });
  } else {
    userNotificationLog().error("Notice {} not shown: {}", work.request.identifier,
                                error.description());
  }
  finish();
}

void DBusUserNotificationCenter::post(const Work& work, const BusReply& capabilitiesReply) {
  if (!capabilitiesReply) return failPost(work, capabilitiesReply.error());
  const std::string& identifier = work.request.identifier;
  // Notify goes to the service that answered, so that the ids we keep are its own.
  const std::string service = capabilitiesReply->sender();
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
      [&arguments](BusArgumentWriter& out) { writeNotify(out, arguments); },
      [this, work](const BusReply& reply) {
        const auto id = readReply<std::uint32_t>(reply);
        if (!id) return failPost(work, id.error());
        shown_[work.request.identifier] = Shown{reply->sender(), *id, false};
        if (work.added) later([added = work.added] { added(std::nullopt); });
        finish();
      },
      kCallTimeoutMicroseconds);
  if (!call) return failPost(work, call.error());
  call_ = std::move(*call);
}

void DBusUserNotificationCenter::close(const std::string& identifier) {
  const auto found = shown_.find(identifier);
  if (found == shown_.end()) return finish();
  const Shown shown = found->second;
  shown_.erase(found);
  // To the service that showed it: under another the id may be someone else's.
  auto call = connection_->callAsync(
      serviceMethod("CloseNotification", shown.service.c_str()),
      [id = shown.id](BusArgumentWriter& out) { out.uint32(id); },
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

const std::string* DBusUserNotificationCenter::identifierOf(const std::string& service,
                                                            std::uint32_t id) const {
  for (const auto& [identifier, shown] : shown_) {
    if (shown.id == id && shown.service == service) return &identifier;
  }
  return nullptr;
}

void DBusUserNotificationCenter::actionInvoked(BusArgumentReader& signal) {
  const std::uint32_t id = signal.uint32();
  std::string action = signal.string();
  if (!signal) return;
  const std::string* identifier = identifierOf(signal.sender(), id);
  if (identifier == nullptr) return;
  respond({std::move(action), *identifier});
  // Answered: the close that services send after an action is no dismissal.
  shown_[*identifier].answered = true;
}

void DBusUserNotificationCenter::notificationClosed(BusArgumentReader& signal) {
  const std::uint32_t id = signal.uint32();
  const std::uint32_t reason = signal.uint32();
  if (!signal) return;
  const std::string* identifier = identifierOf(signal.sender(), id);
  if (identifier == nullptr) return;
  const auto found = shown_.find(*identifier);
  if (reason == static_cast<std::uint32_t>(NotificationCloseReason::dismissed) &&
      !found->second.answered) {
    respond({kNotificationDismissActionIdentifier, found->first});
  }
  shown_.erase(found);
}

void DBusUserNotificationCenter::respond(NotificationResponse response) {
  later([weak = delegate_, response = std::move(response)] {
    if (auto delegate = weak.lock()) delegate->didReceiveResponse(response, [] {});
  });
}

std::unique_ptr<UserNotificationCenter> makeLiveUserNotificationCenter() {
  auto connection = AsyncBusConnection::shared(BusKind::Session);
  if (connection) return std::make_unique<DBusUserNotificationCenter>(std::move(*connection));
  userNotificationLog().log("No session bus ({}): notices are only written to the log",
                            connection.error().description());
  return std::make_unique<LoggingUserNotificationCenter>();
}

}  // namespace vigilix::platform
