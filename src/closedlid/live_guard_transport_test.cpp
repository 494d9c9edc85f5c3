#include "closedlid/live_guard_transport.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "testing/captured_log.h"
#include "testing/temporary_folder.h"

namespace vigilix {
namespace {

// Real connects to sockets that are not there, as while no guard is installed.
TEST(LivePacketConnectionTest, AFailedConnectIsLoggedOnceUntilItChanges) {
  const auto folder = testing::makeTemporaryFolder("vigilix-guard-socket");
  struct Row {
    const char* name;
    const char* socket;
    bool logged;
  };
  const Row rows[] = {
      {"the first failure", "guard-a", true},
      {"the same failure at the next retry", "guard-a", false},
      {"and the one after", "guard-a", false},
      {"another failure", "guard-b", true},
      {"the first again, a change from the last", "guard-a", true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    testing::CapturedLog log;
    LivePacketConnection connection({folder / row.socket, "", 0});
    EXPECT_FALSE(connection.resume());
    EXPECT_EQ(log.messages("closed-lid").size(), row.logged ? 1u : 0u);
    if (row.logged) {
      EXPECT_TRUE(log.containsFragment((folder / row.socket).string()));
    }
  }
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace vigilix
