#include "sleepguard/common/peer_check.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <map>

#include "platform/fs/file_system.h"
#include "testing/temporary_root.h"

namespace vigilix {
namespace {

namespace fs = std::filesystem;

// A process table a test writes: start times are read in turn, so a pid
// reused during the check shows as a second, different start time.
class FakeIdentity final : public platform::ProcessIdentity {
 public:
  std::map<pid_t, std::vector<std::uint64_t>> starts;
  std::map<pid_t, std::string> executables;
  bool alive = true;

  std::expected<platform::UniqueFd, int> openPidfd(pid_t pid) override {
    if (!starts.contains(pid)) return std::unexpected(ESRCH);
    return platform::UniqueFd(::dup(0));
  }
  bool isAlive(int) override { return alive; }
  std::optional<std::uint64_t> startTicks(pid_t pid) override {
    auto& list = starts[pid];
    if (list.empty()) return std::nullopt;
    const auto value = list.front();
    if (list.size() > 1) list.erase(list.begin());
    return value;
  }
  std::optional<std::string> executablePath(pid_t pid) override {
    auto found = executables.find(pid);
    if (found == executables.end()) return std::nullopt;
    return found->second;
  }
};

TEST(PeerCheck, RefusesAllButTheExpectedProgram) {
  testing::TemporaryRoot root;
  const VGXPeerExpectation expectation{"req", "/usr/bin/app", true};
  const fs::path program = root.pathFor("/usr/bin/app");
  fs::create_directories(program.parent_path());
  std::ofstream(program) << "x";
  ::chmod(program.c_str(), 0755);
  for (auto folder : {root.path(), root.pathFor("/usr"), root.pathFor("/usr/bin")}) {
    ::chmod(folder.c_str(), 0755);
  }

  struct Row {
    const char* name;
    platform::PeerCredentials peer;
    std::vector<std::uint64_t> starts;
    std::string executable;
    std::function<void()> arrange;
    std::optional<VGXPeerRefusal> refusal;
  };
  const std::string good = program.native();
  const Row rows[] = {
      {"the program, as root", {7, 0, 0}, {100}, good, {}, std::nullopt},
      {"another user", {7, 1000, 1000}, {100}, good, {}, VGXPeerRefusal::notRoot},
      {"gone at once", {8, 0, 0}, {}, good, {}, VGXPeerRefusal::gone},
      {"no executable", {7, 0, 0}, {100}, "", {}, VGXPeerRefusal::unreadable},
      {"replaced since start", {7, 0, 0}, {100}, good + " (deleted)", {}, VGXPeerRefusal::deleted},
      {"another program",
       {7, 0, 0},
       {100},
       root.pathFor("/usr/bin/other").native(),
       {},
       VGXPeerRefusal::otherExecutable},
      {"pid reused meanwhile", {7, 0, 0}, {100, 101}, good, {}, VGXPeerRefusal::changed},
      {"group-writable folder",
       {7, 0, 0},
       {100},
       good,
       [&] { ::chmod(root.pathFor("/usr").c_str(), 0775); },
       VGXPeerRefusal::unsafeExecutable},
      {"world-writable program",
       {7, 0, 0},
       {100},
       good,
       [&] { ::chmod(program.c_str(), 0757); },
       VGXPeerRefusal::unsafeExecutable},
      {"foreign owner",
       {7, 0, 0},
       {100},
       good,
       [&] { ASSERT_EQ(::chown(program.c_str(), 65534, 0), 0); },
       VGXPeerRefusal::unsafeExecutable},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    FakeIdentity identity;
    identity.starts[7] = row.starts;
    if (row.peer.pid == 8) identity.starts.erase(7);
    if (!row.executable.empty()) identity.executables[row.peer.pid] = row.executable;
    if (row.arrange) row.arrange();
    auto result = checkPeer(row.peer, expectation, identity);
    if (row.refusal) {
      ASSERT_FALSE(result.has_value());
      EXPECT_EQ(result.error(), *row.refusal) << describe(result.error());
    } else {
      ASSERT_TRUE(result.has_value()) << describe(result.error());
      EXPECT_EQ(result->uid, row.peer.uid);
      EXPECT_TRUE(result->pidfd.valid());
    }
    ::chmod(root.pathFor("/usr").c_str(), 0755);
    ::chmod(program.c_str(), 0755);
    ASSERT_EQ(::chown(program.c_str(), 0, 0), 0);
  }
  // A user other than root passes where root is not demanded.
  FakeIdentity identity;
  identity.starts[7] = {5};
  identity.executables[7] = good;
  EXPECT_TRUE(checkPeer({7, 1000, 1000}, {"req", "/usr/bin/app", false}, identity).has_value());
}

}  // namespace
}  // namespace vigilix
