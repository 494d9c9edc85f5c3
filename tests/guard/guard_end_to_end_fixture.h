// The built guard as systemd starts it: socket-activated on its two named
// sockets, as root, under a temporary file-system root and a private system
// bus with a mock logind. Its peers are copies of the test peer program put
// where the guard expects the application and the installer.
#pragma once

#include <gtest/gtest.h>
#include <sys/types.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "dbus/dbus_mock.h"
#include "dbus/private_bus.h"
#include "dbus/test_child_process.h"
#include "testing/scoped_environment.h"

namespace vigilix::testing {

class GuardEndToEndFixture : public ::testing::Test {
 protected:
  enum class Socket { client, admin };
  enum class User { root, nobody };

  GuardEndToEndFixture();
  ~GuardEndToEndFixture() override;
  void SetUp() override;

  // systemd-socket-activate listening on both sockets, handing them over by
  // `names`; it starts the guard (`program`, the built one by default) in its
  // own process at the first connection.
  void startGuard(const std::string& names = "guard:admin",
                  const std::string& program = VIGILIX_GUARD_PROGRAM);
  // The guard alone, binding its sockets itself.
  void startGuardOnItsOwnSockets();
  std::string socketPath(Socket socket) const;
  pid_t guardPid() const { return guard_->pid(); }
  TestChildProcess& guard() { return *guard_; }
  std::string guardLog() const;

  // Runs `program` (the application's copy by default) as `user`: one
  // connection to `socket`, each request sent in turn; answers the replies,
  // "closed" where the guard closed the connection instead.
  std::vector<std::string> call(Socket socket, const std::vector<std::string>& requests,
                                User user = User::root, std::optional<std::string> program = {});
  // The token of a grant reply ("" when it is none).
  static std::string tokenOf(const std::string& reply);

  // The locks logind lists for the guard.
  bool guardHoldsSleepSwitch() const;

  std::filesystem::path root_;
  std::filesystem::path application_;
  std::filesystem::path installer_;
  std::optional<ScopedEnvironment> rootVariable_;
  std::optional<PrivateSystemBus> bus_;
  std::optional<DbusMock> logind_;
  std::optional<TestChildProcess> guard_;
  int calls_ = 0;
};

}  // namespace vigilix::testing
