#pragma once

#include <gtest/gtest.h>
#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "dbus/dbus_mock.h"
#include "platform/power/logind_inhibitors.h"

struct sd_bus_message;

namespace vigilix::testing {

// The locks logind lists for process `pid` (a failed listing fails the test).
std::vector<platform::LogindInhibitor> locksOf(pid_t pid);

// What a test makes the local logind template do, on the system bus in force;
// a failed call fails the test.
// Calls `interface`.`member` on logind's object (the mock's own
// org.freedesktop.DBus.Mock or Properties), arguments from `append`.
void callLogind(const char* interface, const char* member,
                const std::function<int(sd_bus_message*)>& append);
// logind's PrepareForSleep(sleeping).
void emitPrepareForSleep(bool sleeping);
// logind lets go of every "block" lock, as one that lost them would.
void dropBlockLocks();
// While true, logind refuses "block" locks (as polkit would).
void refuseBlockLocks(bool refuse);
// logind lists a closed lock for `milliseconds` more (0: drops it at once).
void setReleaseLag(std::uint32_t milliseconds);
void setLidClosed(bool closed);
// Seat "seat0", user 1000 "tester" and its active session "c1".
void addLogindSession();
// A session `id` of user `uid` named `name` on `seat` (created as needed),
// active or in the background, as a login at the machine has it.
void addSeatSession(const char* id, const char* seat, std::uint32_t uid, const char* name,
                    bool active);
// A session `id` of user `uid` logged in from another machine (no seat).
void addRemoteSession(const char* id, std::uint32_t uid, const char* name);
// Sets the Boolean property `name` of session `id`.
void setSessionFlag(const char* id, const char* name, bool value);

// Tests against logind on a private system bus. The bus and the mock start
// with the suite and stop after it; a test that killed the mock gets a new
// one at the next test's start.
class MockLogindTest : public ::testing::Test {
 protected:
  static void TearDownTestSuite();
  void SetUp() override;

  static PrivateSystemBus& bus() { return *bus_; }
  static DbusMock& logind() { return *logind_; }

 private:
  static std::unique_ptr<PrivateSystemBus> bus_;
  static std::unique_ptr<DbusMock> logind_;
};

}  // namespace vigilix::testing
