#include "testing/fake_power_assertions.h"

namespace vigilix::testing {

using platform::PowerAssertionCreateResult;
using platform::PowerAssertionID;
using platform::PowerReturn;
using platform::PropertyDictionary;

PowerAssertionCreateResult FakePowerAssertions::createWithName(const std::string& type,
                                                               std::int64_t level,
                                                               const std::string& name) {
  ++createCount_;
  if (!queuedCreateAnswers_.empty()) {
    PowerAssertionCreateResult answer = queuedCreateAnswers_.front();
    queuedCreateAnswers_.pop_front();
    return answer;
  }
  if (persistentCreateFailure_) return {*persistentCreateFailure_, 0};
  return InProcessPowerAssertions::createWithName(type, level, name);
}

std::optional<PropertyDictionary> FakePowerAssertions::copyProperties(
    PowerAssertionID assertionID) const {
  if (hidden_.contains(assertionID)) return std::nullopt;
  return InProcessPowerAssertions::copyProperties(assertionID);
}

PowerReturn FakePowerAssertions::release(PowerAssertionID assertionID) {
  releaseCalls_.push_back(assertionID);
  hidden_.erase(assertionID);
  return InProcessPowerAssertions::release(assertionID);
}

platform::PowerAssertionsByProcess FakePowerAssertions::copyAssertionsByProcess() const {
  if (listingFailure_) return {*listingFailure_, {}};
  platform::PowerAssertionsByProcess answer = InProcessPowerAssertions::copyAssertionsByProcess();
  for (const auto& [processID, properties] : extraListed_)
    answer.byProcess[processID].push_back(properties);
  return answer;
}

void FakePowerAssertions::failNextCreate(PowerReturn result, PowerAssertionID assertionID) {
  queuedCreateAnswers_.push_back({result, assertionID});
}

void FakePowerAssertions::failAllCreates(PowerReturn result) { persistentCreateFailure_ = result; }

void FakePowerAssertions::hideFromCopyProperties(PowerAssertionID assertionID) {
  hidden_.insert(assertionID);
}

void FakePowerAssertions::failListing(PowerReturn result) { listingFailure_ = result; }

void FakePowerAssertions::addListedAssertion(std::int32_t processID,
                                             PropertyDictionary properties) {
  extraListed_.emplace_back(processID, std::move(properties));
}

void FakePowerAssertions::clearFailures() {
  queuedCreateAnswers_.clear();
  persistentCreateFailure_.reset();
  hidden_.clear();
  listingFailure_.reset();
}

void FakePowerAssertions::dropAll() {
  for (PowerAssertionID assertionID : heldAssertionIDs()) drop(assertionID);
  hidden_.clear();
}

std::vector<FakePowerAssertions::Assertion> FakePowerAssertions::liveAssertions() const {
  std::vector<Assertion> live;
  for (PowerAssertionID assertionID : heldAssertionIDs()) {
    if (auto assertion = liveAssertion(assertionID)) live.push_back(*assertion);
  }
  return live;
}

std::optional<FakePowerAssertions::Assertion> FakePowerAssertions::liveAssertion(
    PowerAssertionID assertionID) const {
  auto properties = InProcessPowerAssertions::copyProperties(assertionID);
  if (!properties) return std::nullopt;
  auto text = [&](const char* key) -> std::optional<std::string> {
    auto found = properties->find(key);
    if (found == properties->end() || !found->second.isString()) return std::nullopt;
    return std::get<std::string>(found->second.value);
  };
  Assertion assertion;
  assertion.assertionID = assertionID;
  assertion.type = text(platform::kAssertionTypeKey).value_or("");
  assertion.name = text(platform::kAssertionNameKey).value_or("");
  if (auto level = properties->find(platform::kAssertionLevelKey);
      level != properties->end() && level->second.isInteger())
    assertion.level = std::get<std::int64_t>(level->second.value);
  return assertion;
}

}  // namespace vigilix::testing
