#include "agents/cli_v2_server.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <future>
#include <thread>

#include "agents/cli_v2_codec.h"
#include "platform/base/uuid.h"
#include "testing/test_platform.h"

namespace vigilix {
namespace {

using namespace std::chrono_literals;
using platform::Date;

constexpr std::int64_t kGen = 5;

VGXCLIv2Request req(std::string nonce, VGXCLIv2Verb verb) {
  return {.nonce = std::move(nonce), .verb = verb};
}

VGXCLIv2Request hold(std::string nonce, std::optional<std::string> epoch,
                     std::optional<std::int64_t> gen) {
  VGXCLIv2Request request = req(std::move(nonce), VGXCLIv2Verb::hold);
  request.epoch = std::move(epoch);
  request.gen = gen;
  request.id = "claude:s1";
  request.ttl = 900;
  return request;
}

std::string text(const VGXCLIv2Request& request) {
  return VGXCLIv2Codec::encodeRequest(request).value();
}

VGXCLIv2Reply reply(VGXCLIv2Status status, std::int64_t gen = kGen, std::string nonce = "n") {
  return {.nonce = std::move(nonce), .status = status, .epoch = "E1", .gen = gen};
}

class VGXCLIv2ServerTest : public ::testing::Test {
 protected:
  // Registers a handler for `verb` that counts its calls and answers `answer`.
  void answer(VGXCLIv2Verb verb, VGXCLIv2Reply answer) {
    VGXCLIv2Server::registerHandler(verb, [this, answer](const VGXCLIv2Request&) {
      ++handlerCalls;
      return answer;
    });
  }

  std::optional<VGXCLIv2Reply> handled(const std::string& request, Date at) {
    auto replyText = server.handle(request, at);
    if (!replyText) return std::nullopt;
    return VGXCLIv2Codec::decodeReply(*replyText);
  }

  // A handler for `verb` that counts its call and then blocks until the test
  // lets it answer ok.
  struct Blocked {
    std::promise<void> entered;
    std::promise<void> proceed;
  };
  void blockHandler(VGXCLIv2Verb verb, Blocked& blocked, std::function<void()> inside = {}) {
    auto gate = blocked.proceed.get_future().share();
    VGXCLIv2Server::registerHandler(verb, [&, gate, inside](const VGXCLIv2Request&) {
      ++handlerCalls;
      if (inside) inside();
      blocked.entered.set_value();
      gate.wait();
      return reply(VGXCLIv2Status::ok);
    });
  }

  vigilix::testing::TestPlatform platform;
  std::atomic<std::int64_t> generation{kGen};
  std::atomic<int> generationReads{0};
  std::atomic<int> handlerCalls{0};
  VGXCLIv2Server server{"E1", [this] {
                          ++generationReads;
                          return generation.load();
                        }};
  const Date now = platform.now();
};

// What each request is answered, and whether the registered handler ran. Every
// reply carries the server's epoch and the generation read for it; a handler's
// own nonce, epoch, gen and version are overwritten.
TEST_F(VGXCLIv2ServerTest, AnswersEachVerb) {
  VGXCLIv2Reply handlerOwn{.v = 9,
                           .nonce = "other",
                           .status = VGXCLIv2Status::policyDenied,
                           .epoch = "old",
                           .gen = 99,
                           .message = "m/1",
                           .holds = std::vector<VGXCLIv2HoldInfo>{{"claude:s1", "claude", {}, 60}},
                           .doctor = "d"};
  VGXCLIv2Reply handlerKept = handlerOwn;
  handlerKept.v = 2;
  handlerKept.nonce = "n";
  handlerKept.epoch = "E1";
  handlerKept.gen = kGen;

  VGXCLIv2Reply longTool = reply(VGXCLIv2Status::ok);
  longTool.holds = std::vector<VGXCLIv2HoldInfo>{{"x", std::string(33, 't'), {}, 1}};
  VGXCLIv2Reply oversize = reply(VGXCLIv2Status::ok);
  oversize.doctor = std::string(5000, 'd');
  VGXCLIv2Reply fallback = reply(VGXCLIv2Status::error);
  fallback.message = "Reply exceeds protocol limits";

  VGXCLIv2Request releaseFromOldLaunch = req("n", VGXCLIv2Verb::release);
  releaseFromOldLaunch.epoch = "E0";
  releaseFromOldLaunch.gen = 0;

  struct Row {
    const char* name;
    std::optional<VGXCLIv2Reply> handler;  // registered for the request's verb
    std::string request;
    std::optional<VGXCLIv2Reply> answer;
    int handlerCalls;
  };
  const Row rows[] = {
      {"epoch without any handler", std::nullopt, text(req("n", VGXCLIv2Verb::epoch)),
       reply(VGXCLIv2Status::ok), 0},
      {"epoch never asks a handler", reply(VGXCLIv2Status::error),
       text(req("n", VGXCLIv2Verb::epoch)), reply(VGXCLIv2Status::ok), 0},
      {"doctor without handler", std::nullopt, text(req("n", VGXCLIv2Verb::doctor)),
       reply(VGXCLIv2Status::unknownVerb), 0},
      {"hold of this launch and generation", handlerOwn, text(hold("n", "E1", kGen)), handlerKept,
       1},
      {"hold with a higher generation", reply(VGXCLIv2Status::ok), text(hold("n", "E1", kGen + 1)),
       reply(VGXCLIv2Status::ok), 1},
      {"hold from the previous launch", reply(VGXCLIv2Status::ok), text(hold("n", "E0", kGen)),
       reply(VGXCLIv2Status::stale), 0},
      {"hold without epoch", reply(VGXCLIv2Status::ok), text(hold("n", std::nullopt, kGen)),
       reply(VGXCLIv2Status::stale), 0},
      {"hold without gen", reply(VGXCLIv2Status::ok), text(hold("n", "E1", std::nullopt)),
       reply(VGXCLIv2Status::stale), 0},
      {"hold from before the last stop", reply(VGXCLIv2Status::ok), text(hold("n", "E1", kGen - 1)),
       reply(VGXCLIv2Status::stale), 0},
      {"hold without handler", std::nullopt, text(hold("n", "E1", kGen)),
       reply(VGXCLIv2Status::unknownVerb), 0},
      {"release whatever its epoch and gen", reply(VGXCLIv2Status::ok), text(releaseFromOldLaunch),
       reply(VGXCLIv2Status::ok), 1},
      {"holds listing with a 33-character tool", longTool, text(req("n", VGXCLIv2Verb::holds)),
       fallback, 1},
      {"doctor over the frame limit", oversize, text(req("n", VGXCLIv2Verb::doctor)), fallback, 1},
      {"undecodable text", reply(VGXCLIv2Status::ok), R"({"v":2,"nonce":"n","verb":"stop"})",
       std::nullopt, 0},
      {"oversize request", reply(VGXCLIv2Status::ok),
       R"({"v":2,"nonce":"n","verb":"holds","x":")" + std::string(4096, 'x') + "\"}", std::nullopt,
       0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    for (auto verb : {VGXCLIv2Verb::hold, VGXCLIv2Verb::release, VGXCLIv2Verb::holds,
                      VGXCLIv2Verb::doctor, VGXCLIv2Verb::epoch}) {
      VGXCLIv2Server::registerHandler(verb, nullptr);
    }
    handlerCalls = 0;
    generationReads = 0;
    if (row.handler) {
      auto verb = VGXCLIv2Codec::decodeRequest(row.request);
      answer(verb ? verb->verb : VGXCLIv2Verb::holds, *row.handler);
    }
    VGXCLIv2Server fresh("E1", [this] {
      ++generationReads;
      return generation.load();
    });
    auto replyText = fresh.handle(row.request, now);
    EXPECT_EQ(replyText ? VGXCLIv2Codec::decodeReply(*replyText) : std::nullopt, row.answer);
    EXPECT_EQ(handlerCalls, row.handlerCalls);
    EXPECT_EQ(generationReads, row.answer ? 1 : 0) << "generation read once per answered request";
  }
}

// A nonce answered less than 60 s ago gets the same text again without its
// handler running, whatever its other fields; at 60 s it is handled afresh.
TEST_F(VGXCLIv2ServerTest, ReplaysCachedRepliesForSixtySeconds) {
  VGXCLIv2Server::registerHandler(VGXCLIv2Verb::holds, [&](const VGXCLIv2Request&) {
    ++handlerCalls;
    VGXCLIv2Reply answer = reply(VGXCLIv2Status::ok);
    answer.message = "call " + std::to_string(handlerCalls.load());
    return answer;
  });
  const std::string first = text(req("n", VGXCLIv2Verb::holds));
  VGXCLIv2Request otherFields = req("n", VGXCLIv2Verb::holds);
  otherFields.label = "different";

  const auto original = server.handle(first, now);
  ASSERT_TRUE(original);
  EXPECT_EQ(server.handle(first, now + 1), original);
  EXPECT_EQ(server.handle(text(otherFields), now + 59.999), original);
  EXPECT_EQ(handlerCalls, 1);
  EXPECT_EQ(generationReads, 1) << "a replay builds nothing";

  const auto afresh = handled(first, now + 60);
  ASSERT_TRUE(afresh);
  EXPECT_EQ(afresh->message, "call 2");
  EXPECT_EQ(handlerCalls, 2);

  // A stale answer is cached like any other: after a stop it is replayed as it was.
  const std::string staleHold = text(hold("h", "E0", kGen));
  const auto stale = server.handle(staleHold, now + 60);
  generation = kGen + 1;
  EXPECT_EQ(server.handle(staleHold, now + 70), stale);
  EXPECT_EQ(VGXCLIv2Codec::decodeReply(stale.value())->status, VGXCLIv2Status::stale);
}

// A hold of the generation before a stop is refused once the stop raised it.
TEST_F(VGXCLIv2ServerTest, StopMakesEarlierHoldsStale) {
  answer(VGXCLIv2Verb::hold, reply(VGXCLIv2Status::ok));
  EXPECT_EQ(handled(text(hold("a", "E1", kGen)), now)->status, VGXCLIv2Status::ok);
  generation = kGen + 1;  // keep-awake was stopped
  const auto refused = handled(text(hold("b", "E1", kGen)), now);
  EXPECT_EQ(refused, reply(VGXCLIv2Status::stale, kGen + 1, "b"));
  EXPECT_EQ(handled(text(hold("c", "E1", kGen + 1)), now)->status, VGXCLIv2Status::ok);
  EXPECT_EQ(handlerCalls, 2);
}

// A reply that cannot be encoded even as the fallback is nothing, and is not
// cached: the nonce is handled afresh.
TEST_F(VGXCLIv2ServerTest, NothingIsNeverCached) {
  VGXCLIv2Server broken("\xFF", [] { return kGen; });  // an epoch no frame can carry
  answer(VGXCLIv2Verb::holds, reply(VGXCLIv2Status::ok));
  const std::string request = text(req("n", VGXCLIv2Verb::holds));
  EXPECT_EQ(broken.handle(request, now), std::nullopt);
  EXPECT_EQ(broken.handle(request, now), std::nullopt);
  EXPECT_EQ(handlerCalls, 2);
}

// At most 256 cached replies: the earliest handled is evicted first, and among
// equal dates the one cached first.
TEST_F(VGXCLIv2ServerTest, EvictsTheOldestOfMoreThan256Replies) {
  answer(VGXCLIv2Verb::holds, reply(VGXCLIv2Status::ok));
  auto nonce = [](int i) { return "n" + std::to_string(i); };
  auto ask = [&](const std::string& n, Date at) {
    return server.handle(text(req(n, VGXCLIv2Verb::holds)), at);
  };
  ask("late", now + 2);
  for (int i = 1; i <= 255; ++i) ask(nonce(i), now + 1);
  EXPECT_EQ(handlerCalls, 256);

  ask("257th", now + 3);  // evicts n1: the earliest date, cached first among them
  EXPECT_EQ(handlerCalls, 257);
  ask(nonce(2), now + 3);
  ask("late", now + 3);
  EXPECT_EQ(handlerCalls, 257) << "n2 and the later-dated first entry are still cached";
  ask(nonce(1), now + 3);
  EXPECT_EQ(handlerCalls, 258) << "n1 was evicted";
}

// The cached texts together stay within 256 KiB: 64 replies of 4096 bytes fit,
// the 65th evicts the oldest.
TEST_F(VGXCLIv2ServerTest, EvictsByBytes) {
  VGXCLIv2Reply big = reply(VGXCLIv2Status::ok, kGen, "n000");
  big.doctor = "";
  big.doctor = std::string(
      VGXCLIv2Codec::maxFrameBytes - VGXCLIv2Codec::encodeReply(big).value().size(), 'd');
  answer(VGXCLIv2Verb::doctor, big);
  auto ask = [&](int i) {
    char nonce[8];
    std::snprintf(nonce, sizeof nonce, "n%03d", i);
    auto answerText = server.handle(text(req(nonce, VGXCLIv2Verb::doctor)), now);
    EXPECT_EQ(answerText.value().size(), VGXCLIv2Codec::maxFrameBytes);
  };
  for (int i = 1; i <= 64; ++i) ask(i);
  ask(1);
  EXPECT_EQ(handlerCalls, 64);
  ask(65);
  ask(2);
  EXPECT_EQ(handlerCalls, 65) << "n002 is still cached";
  ask(1);
  EXPECT_EQ(handlerCalls, 66) << "n001 was evicted by bytes";
}

// Duplicates of a nonce in flight wait for its answer (at most four of them,
// at most 2.0 s); handlers run with no lock held.
TEST_F(VGXCLIv2ServerTest, DuplicatesInFlightWaitForTheAnswer) {
  Blocked blocked;
  blockHandler(VGXCLIv2Verb::release, blocked, [&] {
    // Neither lock is held: the handler may ask the server and the registry.
    EXPECT_TRUE(server.handle(text(req("inner", VGXCLIv2Verb::epoch)), now));
    VGXCLIv2Server::registerHandler(VGXCLIv2Verb::doctor, nullptr);
  });
  const std::string request = text(req("n", VGXCLIv2Verb::release));
  auto first = std::async(std::launch::async, [&] { return server.handle(request, now); });
  blocked.entered.get_future().wait();

  std::vector<std::future<std::optional<std::string>>> duplicates;
  for (int i = 0; i < 4; ++i) {
    duplicates.push_back(
        std::async(std::launch::async, [&] { return server.handle(request, now + 1); }));
  }
  ASSERT_TRUE(platform.waitUntilPending(4));
  EXPECT_EQ(server.handle(request, now + 1), std::nullopt) << "a fifth duplicate gets nothing";

  platform.advance(1.999);
  blocked.proceed.set_value();
  const auto answered = first.get();
  ASSERT_TRUE(answered);
  for (auto& duplicate : duplicates) EXPECT_EQ(duplicate.get(), answered);
  EXPECT_EQ(handlerCalls, 1);
  EXPECT_EQ(platform.scheduler().pendingCount(), 0u);
}

TEST_F(VGXCLIv2ServerTest, DuplicateWaitingLongerThanTwoSecondsGetsNothing) {
  Blocked blocked;
  blockHandler(VGXCLIv2Verb::holds, blocked);
  const std::string request = text(req("n", VGXCLIv2Verb::holds));
  auto first = std::async(std::launch::async, [&] { return server.handle(request, now); });
  blocked.entered.get_future().wait();
  auto duplicate = std::async(std::launch::async, [&] { return server.handle(request, now); });
  ASSERT_TRUE(platform.waitUntilPending(1));

  platform.advance(2.0);
  EXPECT_EQ(duplicate.get(), std::nullopt);
  blocked.proceed.set_value();
  const auto answered = first.get();
  ASSERT_TRUE(answered);
  EXPECT_EQ(server.handle(request, now + 3), answered) << "the answer is cached for later repeats";
  EXPECT_EQ(handlerCalls, 1);
}

TEST_F(VGXCLIv2ServerTest, LaunchEpochIsOneUuidForEveryServer) {
  VGXCLIv2Server a(std::nullopt, [] { return 0; });
  VGXCLIv2Server b(std::nullopt, [] { return 0; });
  EXPECT_EQ(a.epoch(), VGXCLIv2Server::launchEpoch());
  EXPECT_EQ(b.epoch(), a.epoch());
  const auto parsed = platform::UUID::fromString(a.epoch());
  ASSERT_TRUE(parsed);
  EXPECT_EQ(parsed->uuidString(), a.epoch()) << "upper-case 8-4-4-4-12 text";
  EXPECT_EQ(server.epoch(), "E1");
}

// The form that takes a completion never blocks its thread: a duplicate in
// flight hands its completion to the first's answer, or to nothing after
// 2.0 s, and a fifth duplicate gets nothing at once.
TEST_F(VGXCLIv2ServerTest, ADuplicateWithACompletionWaitsWithoutBlocking) {
  using Replies = std::vector<std::optional<std::string>>;
  struct Row {
    const char* name;
    int duplicates;     // asked while the first is in flight
    double firstTakes;  // seconds before the first is answered
    int answered;       // duplicates handed the first's answer
    int empty;          // duplicates handed nothing
  };
  const Row rows[] = {
      {"one duplicate gets the first's answer", 1, 0, 1, 0},
      {"four duplicates all get it", 4, 1.999, 4, 0},
      {"a fifth gets nothing at once", 5, 0, 4, 1},
      {"a first slower than 2.0 s leaves its duplicates with nothing", 2, 2.0, 0, 2},
  };
  int nonce = 0;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    VGXCLIv2Server fresh(std::string("E1"), [] { return kGen; });
    const VGXCLIv2Request request = req("n" + std::to_string(++nonce), VGXCLIv2Verb::holds);
    Replies duplicates;
    std::optional<std::string> first;
    bool firstDone = false;
    VGXCLIv2Server::registerHandler(VGXCLIv2Verb::holds, [&](const VGXCLIv2Request&) {
      // Asked on this same thread while the first is in flight.
      for (int i = 0; i < row.duplicates; ++i) {
        fresh.handle(request, now, [&](std::optional<std::string> reply) {
          duplicates.push_back(std::move(reply));
        });
      }
      platform.advance(row.firstTakes);
      return reply(VGXCLIv2Status::ok);
    });
    fresh.handle(request, now, [&](std::optional<std::string> reply) {
      first = std::move(reply);
      firstDone = true;
    });
    platform.advance(2.0);
    ASSERT_TRUE(firstDone && first);
    EXPECT_EQ(std::count(duplicates.begin(), duplicates.end(), first), row.answered);
    EXPECT_EQ(std::count(duplicates.begin(), duplicates.end(), std::nullopt), row.empty);
    EXPECT_EQ(duplicates.size(), static_cast<std::size_t>(row.duplicates));
  }
}

}  // namespace
}  // namespace vigilix
