#include "sleepguard/core/guard_values.h"

#include <gtest/gtest.h>

#include <unordered_set>

namespace vigilix {
namespace {

TEST(GuardValues, ErrorTextsRenderOneWay) {
  struct Row {
    const char* name;
    VGXGuardError error;
    const char* text;
  };
  const Row rows[] = {
      {"unsafe", VGXGuardError::unsafe("heat"), R"x(unsafe("heat"))x"},
      {"io escapes", VGXGuardError::io(R"x(open "a\b" failed)x"),
       R"x(io("open \"a\\b\" failed"))x"},
      {"io control", VGXGuardError::io("a\nb\x01"), R"x(io("a\nb\u{1}"))x"},
      {"bare", VGXGuardError::inUseByAnotherUser(), "inUseByAnotherUser"},
      {"bare notHeld", VGXGuardError::notHeld(), "notHeld"},
      {"io wrapped in io stays", VGXGuardError::asIO(VGXGuardError::io("disk")), R"x(io("disk"))x"},
      {"other wrapped in io", VGXGuardError::asIO(VGXGuardError::unsafe("heat")),
       R"x(io("unsafe(\"heat\")"))x"},
      {"bare wrapped in io", VGXGuardError::asIO(VGXGuardError::stale()), R"x(io("stale"))x"},
      {"text of an io error", VGXGuardError::ioFromText(R"x(io("a \"b\"\n\u{1}"))x"),
       R"x(io("a \"b\"\n\u{1}"))x"},
      {"plain text", VGXGuardError::ioFromText("disk full"), R"x(io("disk full"))x"},
      {"text that only looks like one", VGXGuardError::ioFromText(R"x(io("a"b"))x"),
       R"x(io("io(\"a\"b\")"))x"},
      {"text of another error", VGXGuardError::ioFromText(R"x(unsafe("heat"))x"),
       R"x(io("unsafe(\"heat\")"))x"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(row.error.description(), row.text);
  }
  // Any error's textual form read back as io text gives the same io error.
  for (const auto& text : {std::string("plain"), std::string("q\"uo\\te\x7f\t")}) {
    EXPECT_EQ(VGXGuardError::ioFromText(VGXGuardError::io(text).description()),
              VGXGuardError::io(text));
  }
}

TEST(GuardValues, EqualityComparesCaseAndPayload) {
  EXPECT_NE(VGXGuardError::unsafe("heat"), VGXGuardError::unsafe("charge"));
  EXPECT_NE(VGXGuardError::unsafe("heat"), VGXGuardError::io("heat"));
  EXPECT_EQ(VGXGuardError::stale(), (VGXGuardError{VGXGuardError::Kind::stale, "ignored"}));
  EXPECT_NE(VGXGuardState::held(501), VGXGuardState::held(502));
  EXPECT_EQ(VGXGuardState::held(501), VGXGuardState::held(501));
  EXPECT_NE(VGXGuardState::idle(), VGXGuardState::draining());
}

TEST(GuardValues, RawValues) {
  EXPECT_EQ(platform::thermalStateFromRawValue(4), std::nullopt);
  EXPECT_EQ(platform::thermalStateFromRawValue(-1), std::nullopt);
  EXPECT_EQ(platform::thermalStateFromRawValue(2), platform::ThermalState::Serious);
  EXPECT_GT(platform::ThermalState::Serious, platform::ThermalState::Fair);

  for (auto latch :
       {VGXGuardLatch::heat, VGXGuardLatch::battery, VGXGuardLatch::batteryCap,
        VGXGuardLatch::totalCap, VGXGuardLatch::externallyCleared, VGXGuardLatch::policy}) {
    EXPECT_EQ(guardLatchFromRawValue(rawValue(latch)), latch);
  }
  EXPECT_EQ(rawValue(VGXGuardLatch::externallyCleared), "externallyCleared");
  EXPECT_EQ(guardLatchFromRawValue("Heat"), std::nullopt);
  EXPECT_EQ(guardLatchFromRawValue(""), std::nullopt);
}

TEST(GuardValues, FilesAreNamedAndHashedByCaseAndUser) {
  EXPECT_EQ(VGXGuardFile::safety(501).fileName(), "safety-501.json");
  EXPECT_EQ(VGXGuardFile::safety(4294967295u).fileName(), "safety-4294967295.json");
  EXPECT_EQ(VGXGuardFile::journal().fileName(), "journal.json");
  EXPECT_EQ(VGXGuardFile::maintenance().fileName(), "maintenance.json");
  EXPECT_EQ(VGXGuardFile::install().fileName(), "install.json");
  std::unordered_set<VGXGuardFile> files = {VGXGuardFile::safety(501), VGXGuardFile::safety(502),
                                            VGXGuardFile::journal(), VGXGuardFile::safety(501)};
  EXPECT_EQ(files.size(), 3u);
}

}  // namespace
}  // namespace vigilix
