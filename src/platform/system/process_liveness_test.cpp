#include "platform/system/process_liveness.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

namespace vigilix::platform {
namespace {

TEST(ProcessLivenessTest, ThisProcessIsAlive) { EXPECT_TRUE(isProcessAlive(::getpid())); }

TEST(ProcessLivenessTest, AReapedChildIsNotAlive) {
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) ::_exit(0);
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_FALSE(isProcessAlive(child));
}

TEST(ProcessLivenessTest, GroupAddressesAreNeverAlive) {
  // Signal 0 to 0 or -1 reaches a group or everyone and would succeed.
  int calls = 0;
  const auto succeeds = [&](std::int32_t) {
    ++calls;
    return 0;
  };
  EXPECT_FALSE(isProcessAlive(0, succeeds));
  EXPECT_FALSE(isProcessAlive(-1, succeeds));
  EXPECT_FALSE(isProcessAlive(-4321, succeeds));
  EXPECT_EQ(calls, 0);
  EXPECT_FALSE(isProcessAlive(0));
  EXPECT_FALSE(isProcessAlive(-1));
}

TEST(ProcessLivenessTest, OnlyPermissionRefusalStillCountsAsAlive) {
  EXPECT_TRUE(isProcessAlive(4321, [](std::int32_t) { return 0; }));
  EXPECT_TRUE(isProcessAlive(4321, [](std::int32_t) { return EPERM; }));
  EXPECT_FALSE(isProcessAlive(4321, [](std::int32_t) { return ESRCH; }));
  EXPECT_FALSE(isProcessAlive(4321, [](std::int32_t) { return EINVAL; }));
}

}  // namespace
}  // namespace vigilix::platform
