#include "cli/cli_person_commands.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "cli/cli_fake_application.h"

namespace vigilix {
namespace {

using testing::FakeApplication;

constexpr const char* kDoctorText =
    "Keep Awake: On (OK)\n"
    "Incidents: 2 recorded (Needs attention)\n";

TEST(CLIPersonCommandsTest, RepliesAreToldInWordsOrRaw) {
  using K = VGXCLICommandKind;
  struct Row {
    const char* name;
    VGXCLICommand command;
    std::function<void(FakeApplication&)> arrange;
    VGXCLIOutput output;
  };
  const auto none = [](FakeApplication&) {};
  const Row rows[] = {
      {"awake",
       {.kind = K::status},
       [](FakeApplication& app) { app.textReply = VGXCLIReply::status(true, "Claude Code"); },
       {.out = "Keeping awake: Claude Code\n"}},
      {"asleep, raw",
       {.kind = K::status, .json = true},
       [](FakeApplication& app) { app.textReply = VGXCLIReply::status(false, ""); },
       {.out = "n1|status|0|\n"}},
      {"watch",
       {.kind = K::watch, .pid = 12},
       [](FakeApplication& app) { app.textReply = VGXCLIReply::ok(); },
       {.out = "Keeping awake until process 12 ends.\n"}},
      {"watch of a gone process",
       {.kind = K::watch, .pid = 12},
       [](FakeApplication& app) { app.textReply = VGXCLIReply::status(false, "It exited."); },
       {.exitCode = kCLIExitRefused, .err = "It exited.\n"}},
      {"unwatch refused by policy",
       {.kind = K::unwatch, .pid = 12},
       [](FakeApplication& app) { app.textReply = VGXCLIReply::policyDenied(); },
       {.exitCode = kCLIExitRefused, .err = "Your administrator's policy doesn't allow this.\n"}},
      {"holds",
       {.kind = K::holds},
       [](FakeApplication& app) {
         app.holds = {{.id = "claude:s1", .tool = "claude", .expiresIn = 598},
                      {.id = "x", .expiresIn = 0}};
       },
       {.out = "claude:s1  claude  598 s left\nx  -  0 s left\n"}},
      {"no holds", {.kind = K::holds}, none, {.out = "No agent holds.\n"}},
      {"doctor", {.kind = K::doctor}, none, {.out = kDoctorText}},
      {"doctor with an error line",
       {.kind = K::doctor},
       [](FakeApplication& app) {
         app.statuses[VGXCLIv2Verb::doctor] = VGXCLIv2Status::error;
         app.doctor = R"([{"detail":"Missing","fixActionID":"checkProtection",)"
                      R"("severity":"error","title":"Protection"}])";
       },
       {.exitCode = kCLIExitRefused, .out = "Protection: Missing (Error)\n"}},
      {"doctor, raw",
       {.kind = K::doctor, .json = true},
       [](FakeApplication& app) { app.doctor = "[]"; },
       {.out = R"({"doctor":"[]","epoch":"EPOCH-1","gen":4,"nonce":"n1","status":"ok","v":2})"
               "\n"}},
      {"doctor with an error line, raw",
       {.kind = K::doctor, .json = true},
       [](FakeApplication& app) {
         app.statuses[VGXCLIv2Verb::doctor] = VGXCLIv2Status::error;
         app.doctor = std::nullopt;
       },
       {.exitCode = kCLIExitRefused,
        .out = R"({"epoch":"EPOCH-1","gen":4,"message":"missing id","nonce":"n1",)"
               R"("status":"error","v":2})"
               "\n"}},
      {"doctor report that is no list of lines",
       {.kind = K::doctor},
       [](FakeApplication& app) { app.doctor = R"({"title":"Keep Awake"})"; },
       {.exitCode = kCLIExitRefused, .err = "Vigilix answered something unexpected.\n"}},
      {"doctor unknown to the application",
       {.kind = K::doctor},
       [](FakeApplication& app) {
         app.statuses[VGXCLIv2Verb::doctor] = VGXCLIv2Status::unknownVerb;
       },
       {.exitCode = kCLIExitRefused, .err = "The running Vigilix doesn't know this command.\n"}},
      {"hold",
       {.kind = K::hold, .tool = "codex", .id = "codex:cli"},
       none,
       {.out = "Holding codex:cli for 600 s.\n"}},
      {"hold refused, raw",
       {.kind = K::hold, .tool = "c", .id = "c:cli", .json = true},
       [](FakeApplication& app) {
         app.statuses[VGXCLIv2Verb::hold] = VGXCLIv2Status::policyDenied;
       },
       {.exitCode = kCLIExitRefused,
        .out = R"({"epoch":"EPOCH-1","gen":4,"nonce":"n2","status":"policyDenied","v":2})"
               "\n"}},
      {"hold for an application too old",
       {.kind = K::hold, .tool = "c", .id = "c:cli"},
       [](FakeApplication& app) { app.statuses[VGXCLIv2Verb::hold] = VGXCLIv2Status::appTooOld; },
       {.exitCode = kCLIExitRefused,
        .err = "The running Vigilix is too old for this command. Update it.\n"}},
      {"hold stale twice",
       {.kind = K::hold, .tool = "c", .id = "c:cli"},
       [](FakeApplication& app) {
         app.stopAfterEpoch = true;
         app.statuses[VGXCLIv2Verb::hold] = VGXCLIv2Status::stale;
       },
       {.exitCode = kCLIExitRefused,
        .err = "Vigilix restarted or stopped keeping awake meanwhile. Try again.\n"}},
      {"hold too long to send",
       {.kind = K::hold, .tool = std::string(33, 't'), .id = "t:cli"},
       none,
       {.exitCode = kCLIExitUsage,
        .err = "The request is too long: a tool has at most 32 characters, an id and a label at "
               "most 200.\n"}},
      {"release", {.kind = K::release, .id = "claude:s1"}, none, {.out = "Released claude:s1.\n"}},
      {"release refused",
       {.kind = K::release, .id = "claude:s1"},
       [](FakeApplication& app) { app.statuses[VGXCLIv2Verb::release] = VGXCLIv2Status::error; },
       {.exitCode = kCLIExitRefused, .err = "Vigilix refused the request: missing id\n"}},
      {"no application",
       {.kind = K::holds},
       [](FakeApplication& app) { app.running = false; },
       {.exitCode = kCLIExitNoAnswer, .err = kCLINoAnswerMessage}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    FakeApplication app;
    row.arrange(app);
    VGXCLIClient client(app, 1, testing::countingNonces());
    EXPECT_EQ(runPersonCommand(row.command, client), row.output);
  }
}

TEST(CLIPersonCommandsTest, ReleaseEndsEveryHoldUnderTheID) {
  FakeApplication app;
  VGXCLIClient client(app, 1, testing::countingNonces());
  runPersonCommand({.kind = VGXCLICommandKind::release, .id = "claude"}, client);
  ASSERT_EQ(app.handled.size(), 1u);
  EXPECT_EQ(app.handled[0].id, "claude");
  EXPECT_EQ(app.handled[0].label, "session-end");
}

}  // namespace
}  // namespace vigilix
