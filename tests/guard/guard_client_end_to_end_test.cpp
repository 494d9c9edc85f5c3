// The application's guard client against the built guard under socket
// activation, as root, with a mock logind.

#include <filesystem>
#include <fstream>

#include "guard/guard_end_to_end_fixture.h"

namespace vigilix::testing {
namespace {

namespace fs = std::filesystem;

using GuardClientEndToEndTest = GuardEndToEndFixture;

TEST_F(GuardClientEndToEndTest, TheClientsLeaseIsTheGuardsLock) {
  startGuard();
  // Until its first connection the listener's process is the activator, not
  // yet the guard; under systemd it is the service manager throughout.
  ASSERT_EQ(call(Socket::client, {R"({"method":"status"})"}).size(), 1u) << guardLog();
  // The client runs as the application the guard expects.
  fs::copy_file(VIGILIX_GUARD_CLIENT_PEER, application_, fs::copy_options::overwrite_existing);
  ::chmod(application_.c_str(), 0755);
  const fs::path flag = root_ / "disarm";
  const fs::path log = root_ / "client.log";
  TestChildProcess client(
      {application_.string(), socketPath(Socket::client), VIGILIX_GUARD_PROGRAM, flag.string()},
      log);
  ASSERT_TRUE(waitUntil([&] { return readFile(log).find("holding") != std::string::npos; }))
      << readFile(log) << guardLog();
  EXPECT_TRUE(guardHoldsSleepSwitch());

  std::ofstream(flag) << "";
  EXPECT_EQ(client.wait(), 0) << readFile(log);
  EXPECT_EQ(readFile(log), "holding\nidle\n");
  EXPECT_FALSE(guardHoldsSleepSwitch());
}

}  // namespace
}  // namespace vigilix::testing
