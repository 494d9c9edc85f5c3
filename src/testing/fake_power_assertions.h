#pragma once

#include <deque>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/power/in_process_power_assertions.h"

namespace vigilix::testing {

// Power assertions for tests: the in-process registry plus injected failures
// and a record of the calls made.
class FakePowerAssertions : public platform::InProcessPowerAssertions {
 public:
  struct Assertion {
    platform::PowerAssertionID assertionID = 0;
    std::string type;
    std::int64_t level = 0;
    std::string name;
    bool operator==(const Assertion&) const = default;
  };

  platform::PowerAssertionCreateResult createWithName(const std::string& type, std::int64_t level,
                                                      const std::string& name) override;
  std::optional<platform::PropertyDictionary> copyProperties(
      platform::PowerAssertionID assertionID) const override;
  platform::PowerReturn release(platform::PowerAssertionID assertionID) override;
  platform::PowerAssertionsByProcess copyAssertionsByProcess() const override;

  // The next create answers `result` with `assertionID` and creates nothing;
  // several calls queue up. A result of 0 with identifier 0 models a
  // "success" that gives no assertion.
  void failNextCreate(platform::PowerReturn result, platform::PowerAssertionID assertionID = 0);
  // Every create fails with `result` until clearFailures.
  void failAllCreates(platform::PowerReturn result);
  // The assertion stays in force but copyProperties no longer reports it.
  void hideFromCopyProperties(platform::PowerAssertionID assertionID);
  // The by-process listing fails with `result` until clearFailures.
  void failListing(platform::PowerReturn result);
  // An extra entry in the by-process listing (another process's, or a
  // malformed one of ours); it holds nothing.
  void addListedAssertion(std::int32_t processID, platform::PropertyDictionary properties);
  void clearFailures();

  // Drops every assertion, as a reset of power management does.
  void dropAll();

  // The assertions in force, in creation order.
  std::vector<Assertion> liveAssertions() const;
  std::optional<Assertion> liveAssertion(platform::PowerAssertionID assertionID) const;

  int createCount() const { return createCount_; }
  // Every identifier passed to release, in call order, known or not.
  const std::vector<platform::PowerAssertionID>& releaseCalls() const { return releaseCalls_; }

 private:
  std::deque<platform::PowerAssertionCreateResult> queuedCreateAnswers_;
  std::optional<platform::PowerReturn> persistentCreateFailure_;
  std::set<platform::PowerAssertionID> hidden_;
  std::optional<platform::PowerReturn> listingFailure_;
  std::vector<std::pair<std::int32_t, platform::PropertyDictionary>> extraListed_;
  int createCount_ = 0;
  std::vector<platform::PowerAssertionID> releaseCalls_;
};

}  // namespace vigilix::testing
