#include "closedlid/sleep_guard_client.h"

#include <gtest/gtest.h>

#include <deque>
#include <vector>

#include "testing/test_platform.h"

namespace vigilix {
namespace {

using Dictionary = VGXGuardWire::Dictionary;

// The guard's side as the client sees it: every request is recorded as a
// line and waits for the test to answer it.
struct FakeGuard {
  struct Sent {
    int connection;
    std::string line;
    VGXGuardTransport::Reply reply;
  };
  bool up = true;
  int connections = 0;
  std::vector<Sent> sent;
  std::deque<std::size_t> unanswered;  // lease requests
  std::deque<std::size_t> statusUnanswered;
  VGXGuardTransport::Handler lose;

  void record(std::string line, VGXGuardTransport::Reply reply, bool isStatus) {
    sent.push_back({connections, std::move(line), std::move(reply)});
    (isStatus ? statusUnanswered : unanswered).push_back(sent.size() - 1);
  }
  // The lease requests, in order, as one text.
  std::string leaseLines() const {
    std::string text;
    for (const auto& request : sent) {
      if (request.line == "status") continue;
      text += (text.empty() ? "" : ", ") + request.line;
    }
    return text;
  }
  std::size_t statusCount() const {
    return static_cast<std::size_t>(
        std::count_if(sent.begin(), sent.end(), [](const Sent& s) { return s.line == "status"; }));
  }
};

class FakeTransport final : public VGXGuardTransport {
 public:
  explicit FakeTransport(FakeGuard& guard) : guard_(guard) {}
  void setInterruptionHandler(Handler handler) override { guard_.lose = std::move(handler); }
  void setInvalidationHandler(Handler) override {}
  bool resume() override {
    ++guard_.connections;
    return guard_.up;
  }
  void invalidate() override {}
  void hold(bool userInitiated, std::int64_t floor, std::int64_t cap, Reply reply) override {
    guard_.record(std::string("hold") + (userInitiated ? " user" : "") +
                      " floor=" + std::to_string(floor) + " cap=" + std::to_string(cap),
                  std::move(reply), false);
  }
  void renew(const std::string& token, Reply reply) override {
    guard_.record("renew " + token, std::move(reply), false);
  }
  void release(const std::string& token, Reply reply) override {
    guard_.record("release " + token, std::move(reply), false);
    guard_.unanswered.pop_back();  // its reply is never read
  }
  void status(Reply reply) override { guard_.record("status", std::move(reply), true); }

 private:
  FakeGuard& guard_;
};

Dictionary grant(const std::string& token, std::int64_t leaseSeconds = 30) {
  return VGXGuardWire::encodeGrant(VGXHoldGrant{"instance", 1, token, leaseSeconds});
}
Dictionary refusal(const VGXGuardError& error) {
  return VGXGuardWire::encodeGrant(std::unexpected(error));
}

struct Step {
  enum class Kind { arm, disarm, answer, answerStatus, advance, lose, guardUp, guardDown };
  Kind kind;
  Dictionary reply = {};
  double seconds = 0;
  VGXUserLidSettings settings = {};
  bool userInitiated = true;
};

Step arm(VGXUserLidSettings settings = {}) { return {Step::Kind::arm, {}, 0, settings}; }
Step disarm() { return {Step::Kind::disarm}; }
Step answer(Dictionary reply) { return {Step::Kind::answer, std::move(reply)}; }
Step answerStatus(Dictionary reply) { return {Step::Kind::answerStatus, std::move(reply)}; }
Step advance(double seconds) { return {Step::Kind::advance, {}, seconds}; }
Step lose() { return {Step::Kind::lose}; }
Step guardUp() { return {Step::Kind::guardUp}; }
Step guardDown() { return {Step::Kind::guardDown}; }

struct Row {
  const char* name;
  bool guardUpAtStart;
  std::vector<Step> steps;
  std::string leaseLines;
  bool ready;
  bool holding;
  std::optional<VGXGuardError> lastError;
  int connections;
  int backoff = 1;
  // What listeners heard (the snapshot's `ready`), when the row says: a change each, so an
  // absent guard tried again and again is not heard of.
  std::optional<std::vector<bool>> readyHeard = std::nullopt;
};

const VGXGuardStatus kHeld{VGXGuardState::held(1000), true, 5, std::nullopt, "1.0"};

TEST(SleepGuardClientTest, LeaseAndConnectionOnVirtualTime) {
  const auto stale = VGXGuardError::stale();
  const auto denied = VGXGuardError::policyDenied();
  const std::vector<Row> rows = {
      {"arming twice sends one hold; the second call only changes the next hold's settings",
       true,
       {arm({40, 6}), arm({50, 2}), answer(refusal(denied)), advance(30)},
       "hold user floor=40 cap=6, hold floor=50 cap=2",
       true,
       false,
       denied,
       1},
      {"a grant is renewed every 10 s with the token it gave",
       true,
       {arm(), answer(grant("t1")), advance(10), answer(grant("t1")), advance(10)},
       "hold user floor=30 cap=3, renew t1, renew t1",
       true,
       true,
       std::nullopt,
       1},
      {"a shorter lease is renewed every third of its length",
       true,
       {arm(), answer(grant("t1", 6)), advance(2), answer(grant("t1", 6)), advance(2)},
       "hold user floor=30 cap=3, renew t1, renew t1",
       true,
       true,
       std::nullopt,
       1},
      {"a refusal is retried every 30 s while armed",
       true,
       {arm(), answer(refusal(denied)), advance(29)},
       "hold user floor=30 cap=3",
       true,
       false,
       denied,
       1},
      {"an unreadable hold reply counts as an io refusal",
       true,
       {arm(), answer(Dictionary::object()), advance(30)},
       "hold user floor=30 cap=3, hold floor=30 cap=3",
       true,
       false,
       VGXGuardError::io("reply"),
       1},
      {"a stale renewal holds again at once",
       true,
       {arm(), answer(grant("t1")), advance(10), answer(refusal(stale))},
       "hold user floor=30 cap=3, renew t1, hold floor=30 cap=3",
       true,
       false,
       stale,
       1},
      {"a refused re-hold after a stale renewal waits for the 30 s retry",
       true,
       {arm(), answer(grant("t1")), advance(10), answer(refusal(stale)),
        answer(refusal(VGXGuardError::maintenance())), advance(29)},
       "hold user floor=30 cap=3, renew t1, hold floor=30 cap=3",
       true,
       false,
       VGXGuardError::maintenance(),
       1},
      {"the re-hold's grant gives back the one immediate re-hold",
       true,
       {arm(), answer(grant("t1")), advance(10), answer(refusal(stale)), answer(grant("t2")),
        advance(10), answer(refusal(stale)), answer(grant("t3"))},
       "hold user floor=30 cap=3, renew t1, hold floor=30 cap=3, renew t2, hold floor=30 cap=3",
       true,
       true,
       std::nullopt,
       1},
      {"a second stale renewal before a fresh grant waits for the retry",
       true,
       {arm(), answer(grant("t1")), advance(10), answer(refusal(stale)), advance(10),
        answer(refusal(stale)), advance(29)},
       // the renewal at 20 s went out before the re-hold was answered
       "hold user floor=30 cap=3, renew t1, hold floor=30 cap=3",
       true,
       false,
       stale,
       1},
      {"disarming while holding releases the token",
       true,
       {arm(), answer(grant("t1")), disarm(), advance(60)},
       "hold user floor=30 cap=3, release t1",
       true,
       false,
       std::nullopt,
       1},
      {"disarming after a refusal sends nothing and clears the error",
       true,
       {arm(), answer(refusal(denied)), disarm(), advance(60)},
       "hold user floor=30 cap=3",
       true,
       false,
       std::nullopt,
       1},
      {"a grant that arrives after disarming is released",
       true,
       {arm(), disarm(), answer(grant("t1")), advance(60)},
       "hold user floor=30 cap=3, release t1",
       true,
       false,
       std::nullopt,
       1},
      {"a reply from before a reconnect changes nothing",
       true,
       {arm(), lose(), advance(1), answer(grant("old"))},
       "hold user floor=30 cap=3, hold floor=30 cap=3",
       true,
       false,
       std::nullopt,
       2,
       2},
      {"a lost connection drops the lease and reconnects after 1 s, holding again",
       true,
       {arm(), answer(grant("t1")), lose(), advance(1), answer(grant("t2"))},
       "hold user floor=30 cap=3, hold floor=30 cap=3",
       true,
       true,
       std::nullopt,
       2,
       1,
       std::vector<bool>{true, true, false, true, true}},
      {"arming while the guard is away holds as soon as it connects",
       false,
       {arm(), guardUp(), advance(1), answer(grant("t1"))},
       "hold floor=30 cap=3",
       true,
       true,
       std::nullopt,
       2,
       1},
      {"an absent guard is tried again ever more slowly, up to every 30 s",
       false,
       {advance(100)},
       "",
       false,
       false,
       std::nullopt,
       8,
       30,
       std::vector<bool>{}},
      {"a guard that accepts but never answers does not reset the back-off",
       false,
       {advance(3), guardUp(), advance(4), lose(), guardDown(), advance(9)},
       "",
       false,
       false,
       std::nullopt,
       5,
       30,
       std::vector<bool>{true, false}},
      {"the first readable reply resets the back-off",
       false,
       {advance(3), guardUp(), advance(4), answerStatus(VGXGuardWire::encodeStatus(kHeld, "ab")),
        lose(), advance(1)},
       "",
       true,
       false,
       std::nullopt,
       5,
       2},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    testing::TestPlatform platform;
    FakeGuard guard;
    guard.up = row.guardUpAtStart;
    MainClientScheduler scheduler;
    VGXSleepGuardClient client([&] { return std::make_unique<FakeTransport>(guard); }, scheduler);
    std::vector<bool> heard;
    client.onChange = [&](const auto& snapshot) { heard.push_back(snapshot.ready); };
    // The client connects as it is made, before a listener can be set.
    if (guard.up) heard.push_back(client.snapshot().ready);
    for (const auto& step : row.steps) {
      switch (step.kind) {
        case Step::Kind::arm:
          client.setArmed(true, step.userInitiated, step.settings.batteryFloorPercent,
                          step.settings.batteryCapHours);
          break;
        case Step::Kind::disarm:
          client.setArmed(false, false, 30, 3);
          break;
        case Step::Kind::answer: {
          ASSERT_FALSE(guard.unanswered.empty());
          const auto index = guard.unanswered.front();
          guard.unanswered.pop_front();
          guard.sent[index].reply(step.reply);
          break;
        }
        case Step::Kind::answerStatus: {
          ASSERT_FALSE(guard.statusUnanswered.empty());
          const auto index = guard.statusUnanswered.back();
          guard.statusUnanswered.clear();
          guard.sent[index].reply(step.reply);
          break;
        }
        case Step::Kind::advance:
          platform.advance(step.seconds);
          break;
        case Step::Kind::lose:
          guard.lose();
          break;
        case Step::Kind::guardUp:
          guard.up = true;
          break;
        case Step::Kind::guardDown:
          guard.up = false;
          break;
      }
    }
    EXPECT_EQ(guard.leaseLines(), row.leaseLines);
    EXPECT_EQ(client.snapshot().ready, row.ready);
    EXPECT_EQ(client.snapshot().holding, row.holding);
    EXPECT_EQ(client.snapshot().lastError, row.lastError);
    EXPECT_EQ(guard.connections, row.connections);
    EXPECT_EQ(client.backoffSeconds(), row.backoff);
    if (row.readyHeard) {
      EXPECT_EQ(heard, *row.readyHeard);
    }
  }
}

// Status: asked at connect, every 10 s and on request; an unreadable reply changes
// nothing; a lost connection keeps the last one.
TEST(SleepGuardClientTest, StatusPolling) {
  testing::TestPlatform platform;
  FakeGuard guard;
  MainClientScheduler scheduler;
  VGXSleepGuardClient client([&] { return std::make_unique<FakeTransport>(guard); }, scheduler);
  std::vector<VGXSleepGuardClient::Snapshot> changes;
  client.onChange = [&](const auto& snapshot) { changes.push_back(snapshot); };

  platform.advance(20);
  EXPECT_EQ(guard.statusCount(), 3u);
  const struct {
    const char* name;
    Dictionary reply;
    std::optional<VGXGuardStatus> status;
  } rows[] = {
      {"a readable status is kept with its hash", VGXGuardWire::encodeStatus(kHeld, "ab"), kHeld},
      {"an unreadable one changes nothing", Dictionary{{"ok", true}}, kHeld},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    client.refreshStatus();
    ASSERT_FALSE(guard.statusUnanswered.empty());
    guard.sent[guard.statusUnanswered.back()].reply(row.reply);
    guard.statusUnanswered.clear();
    EXPECT_EQ(client.snapshot().status, row.status);
  }
  EXPECT_EQ(changes.size(), 1u);
  EXPECT_EQ(client.snapshot().executableSHA256, "ab");

  guard.lose();
  EXPECT_FALSE(client.snapshot().ready);
  EXPECT_EQ(client.snapshot().status, kHeld);
  platform.advance(0.5);
  EXPECT_EQ(guard.statusCount(), 5u);  // no polling while not connected
}

}  // namespace
}  // namespace vigilix
