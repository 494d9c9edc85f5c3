#include "platform/notifications/posted_exchange.h"

#include <systemd/sd-bus.h>

#include <algorithm>
#include <chrono>

#include "platform/notifications/posted_signal.h"

namespace vigilix::platform {

namespace {

using Clock = std::chrono::steady_clock;

template <typename Replies>
int collectReply(sd_bus_message* message, void* userdata, sd_bus_error*) {
  auto* replies = static_cast<Replies*>(userdata);
  const auto posted = readPosted(message);
  if (posted && posted->object && posted->name == replies->name) {
    replies->objects.push_back(*posted->object);
  }
  return 0;
}

}  // namespace

std::expected<std::unique_ptr<PostedExchange>, BusError> PostedExchange::open(
    std::string replyName) {
  auto bus = openBus(BusKind::Session);
  if (!bus) return std::unexpected(bus.error());
  std::unique_ptr<PostedExchange> exchange(
      new PostedExchange(std::move(*bus), std::move(replyName)));
  // Synchronous: the bus has the rule once this returns.
  const std::string rule = postedMatchRule(exchange->replies_.name);
  const int added = sd_bus_add_match(exchange->bus_.get(), &exchange->match_, rule.c_str(),
                                     collectReply<Replies>, &exchange->replies_);
  if (added < 0) {
    BusError error = busErrorFromResult(added);
    error.message = "cannot listen for replies";
    return std::unexpected(std::move(error));
  }
  return exchange;
}

PostedExchange::PostedExchange(BusHandle bus, std::string replyName)
    : bus_(std::move(bus)), replies_{std::move(replyName), {}} {}

PostedExchange::~PostedExchange() { sd_bus_slot_unref(match_); }

bool PostedExchange::nameHasOwner(const char* busName) const {
  return sd_bus_get_name_creds(bus_.get(), busName, 0, nullptr) >= 0;
}

std::optional<std::string> PostedExchange::exchange(const std::string& requestName,
                                                    const std::string& request,
                                                    const Accept& accept, double timeout) {
  const auto deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                           std::chrono::duration<double>(std::max(timeout, 0.0)));
  replies_.objects.clear();
  sd_bus_message* signal = nullptr;
  int result = sd_bus_message_new_signal(bus_.get(), &signal, kDistributedCenterPath,
                                         kDistributedCenterInterface, kPostedMember);
  if (result >= 0) result = appendPosted(signal, {requestName, request});
  if (result >= 0) result = sd_bus_send(bus_.get(), signal, nullptr);
  sd_bus_message_unref(signal);
  if (result < 0) return std::nullopt;

  std::size_t examined = 0;
  while (true) {
    result = sd_bus_process(bus_.get(), nullptr);
    if (result < 0) return std::nullopt;
    for (; examined < replies_.objects.size(); ++examined) {
      if (accept(replies_.objects[examined])) return replies_.objects[examined];
    }
    if (result > 0) continue;
    const auto left = deadline - Clock::now();
    if (left <= Clock::duration::zero()) return std::nullopt;
    const auto micros = std::chrono::duration_cast<std::chrono::microseconds>(left).count();
    if (sd_bus_wait(bus_.get(), static_cast<std::uint64_t>(micros) + 1) < 0) return std::nullopt;
  }
}

}  // namespace vigilix::platform
