// Requests per second through the command line's protocol server: holds
// answered at once by their handler, replays of a cached reply, and holds
// listings. Each request is a whole JSON frame decoded, answered, encoded and
// cached, as the hub hands it over.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "agents/cli_v2_codec.h"
#include "agents/cli_v2_server.h"
#include "platform/base/date.h"

namespace vigilix {
namespace {

constexpr std::int64_t kGen = 3;
// More distinct nonces than the cache holds, so requests keep evicting as
// a busy hub would.
constexpr std::size_t kDistinctNonces = 4096;

VGXCLIv2Reply ok() { return {.status = VGXCLIv2Status::ok}; }

std::vector<std::string> requestTexts(const VGXCLIv2Server& server, VGXCLIv2Verb verb) {
  std::vector<std::string> texts;
  texts.reserve(kDistinctNonces);
  for (std::size_t i = 0; i < kDistinctNonces; ++i) {
    VGXCLIv2Request request{.nonce = "bench-" + std::to_string(i), .verb = verb};
    if (verb == VGXCLIv2Verb::hold) {
      request.epoch = server.epoch();
      request.gen = kGen;
      request.id = "claude:session-" + std::to_string(i % 8);
      request.ttl = 900;
      request.pid = 4242;
      request.pidStart = 1767603600;
      request.tool = "claude";
      request.label = "Working on the build";
      request.corr = "c-" + std::to_string(i);
      request.seq = static_cast<std::int64_t>(i);
      request.toolVersion = "1.0.0";
    }
    texts.push_back(VGXCLIv2Codec::encodeRequest(request).value());
  }
  return texts;
}

void run(benchmark::State& state, VGXCLIv2Server& server, const std::vector<std::string>& texts) {
  platform::Date now = platform::Date(788000000);
  std::size_t next = 0;
  for (auto _ : state) {
    auto reply = server.handle(texts[next], now);
    if (!reply) state.SkipWithError("no reply");
    benchmark::DoNotOptimize(reply);
    next = (next + 1) % texts.size();
    now = now + 0.001;
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_HoldAnsweredAtOnce(benchmark::State& state) {
  VGXCLIv2Server::registerHandler(VGXCLIv2Verb::hold, [](const VGXCLIv2Request&) { return ok(); });
  VGXCLIv2Server server(std::nullopt, [] { return kGen; });
  run(state, server, requestTexts(server, VGXCLIv2Verb::hold));
}
BENCHMARK(BM_HoldAnsweredAtOnce);

void BM_CachedReplay(benchmark::State& state) {
  VGXCLIv2Server::registerHandler(VGXCLIv2Verb::hold, [](const VGXCLIv2Request&) { return ok(); });
  VGXCLIv2Server server(std::nullopt, [] { return kGen; });
  const std::vector<std::string> one{requestTexts(server, VGXCLIv2Verb::hold).front()};
  run(state, server, one);
}
BENCHMARK(BM_CachedReplay);

// A listing of eight holds, as the hold controller gives it.
void BM_HoldsListing(benchmark::State& state) {
  VGXCLIv2Server::registerHandler(VGXCLIv2Verb::holds, [](const VGXCLIv2Request&) {
    VGXCLIv2Reply reply = ok();
    std::vector<VGXCLIv2HoldInfo> holds;
    for (int i = 0; i < 8; ++i) {
      holds.push_back({"claude:session-" + std::to_string(i), "claude", std::nullopt, 900 - i});
    }
    reply.holds = std::move(holds);
    return reply;
  });
  VGXCLIv2Server server(std::nullopt, [] { return kGen; });
  run(state, server, requestTexts(server, VGXCLIv2Verb::holds));
}
BENCHMARK(BM_HoldsListing);

}  // namespace
}  // namespace vigilix

BENCHMARK_MAIN();
