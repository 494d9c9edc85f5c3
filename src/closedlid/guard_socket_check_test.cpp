#include "closedlid/guard_socket_check.h"

#include <gtest/gtest.h>

namespace vigilix {
namespace {

platform::FileFacts entry(mode_t type, mode_t permissions, std::uint32_t owner) {
  platform::FileFacts facts;
  facts.isDirectory = S_ISDIR(type);
  facts.mode = static_cast<std::uint16_t>(type | permissions);
  facts.ownerUID = owner;
  return facts;
}

TEST(GuardSocketCheckTest, WhatTheApplicationTrusts) {
  const VGXServiceSocketExpectation expectation{"/run/vigilix/run.tarvo.vigilix.sleepguard",
                                                "/var/lib/vigilix/vigilix-sleepguard", 0};
  const auto socket = entry(S_IFSOCK, 0666, 0);
  const auto folder = entry(S_IFDIR, 0755, 0);
  const std::string guard = expectation.executablePath;
  struct Row {
    const char* name;
    VGXServiceSocketFacts facts;
    std::optional<std::string> refusal;
  };
  const Row rows[] = {
      {"the guard bound its own socket", {{700, 0, 0}, guard, socket, folder}, std::nullopt},
      {"the service manager made the listener: its program cannot be told",
       {{1, 0, 0}, "/usr/lib/systemd/systemd", socket, folder},
       std::nullopt},
      {"a peer of another user",
       {{700, 1000, 1000}, guard, socket, folder},
       "the service does not run as root"},
      {"another root program",
       {{700, 0, 0}, "/usr/bin/python3", socket, folder},
       "another program serves the socket"},
      {"a guard replaced since it started",
       {{700, 0, 0}, guard + " (deleted)", socket, folder},
       "another program serves the socket"},
      {"a program that cannot be read",
       {{700, 0, 0}, std::nullopt, socket, folder},
       "the service's program cannot be read"},
      {"a socket file of another user",
       {{700, 0, 0}, guard, entry(S_IFSOCK, 0666, 1000), folder},
       "the service's socket is not root's"},
      {"a plain file in the socket's place",
       {{700, 0, 0}, guard, entry(S_IFREG, 0644, 0), folder},
       "the service's socket is not root's"},
      {"no socket file",
       {{700, 0, 0}, guard, std::unexpected(ENOENT), folder},
       "the service's socket is not root's"},
      {"a folder others may write to",
       {{700, 0, 0}, guard, socket, entry(S_IFDIR, 0777, 0)},
       "the service's socket folder is open to others"},
      {"a folder its group may write to",
       {{700, 0, 0}, guard, socket, entry(S_IFDIR, 0775, 0)},
       "the service's socket folder is open to others"},
      {"a folder of another user",
       {{700, 0, 0}, guard, socket, entry(S_IFDIR, 0755, 1000)},
       "the service's socket folder is open to others"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(refuseServiceSocket(row.facts, expectation), row.refusal);
  }
}

}  // namespace
}  // namespace vigilix
