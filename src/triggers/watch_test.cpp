#include "triggers/watch.h"

#include <gtest/gtest.h>
#include <unistd.h>

namespace vigilix {
namespace {

using platform::Date;
using platform::UUID;

const UUID kId = UUID::fromString("E621E1F8-C36C-495A-93FC-0C247A3E6E5F").value();

TEST(WatchTest, LabelIsTheShownNameNeverThePathOrIdentifier) {
  EXPECT_EQ(
      (Watch{kId, WatchKind::file("/Users/me/Downloads/film.mkv", "film.mkv"), Date(0)}).label(),
      "film.mkv");
  EXPECT_EQ((Watch{kId, WatchKind::app(42, "com.example.Editor", "Editor"), Date(0)}).label(),
            "Editor");
  EXPECT_EQ((Watch{kId, WatchKind::process(4321, "make -j8"), Date(0)}).label(), "make -j8");
}

TEST(WatchTest, TriggerReasonOfEachKind) {
  EXPECT_EQ((Watch{kId, WatchKind::file("/d/film.mkv", "Film"), Date(0)}).triggerReason(),
            TriggerReason::watchedFile("Film"));
  EXPECT_EQ(
      (Watch{kId, WatchKind::app(42, "com.example.Editor", "Editor"), Date(0)}).triggerReason(),
      TriggerReason::watchedApp("com.example.Editor"));
  // A process has no bundle identifier: its label stands in.
  EXPECT_EQ((Watch{kId, WatchKind::process(4321, "backup"), Date(0)}).triggerReason(),
            TriggerReason::watchedApp("backup"));
}

TEST(WatchTest, EqualityCoversEveryField) {
  const Watch watch{kId, WatchKind::app(42, "com.example.Editor", "Editor"), Date(100.5)};
  EXPECT_EQ(watch, (Watch{kId, WatchKind::app(42, "com.example.Editor", "Editor"), Date(100.5)}));
  EXPECT_NE(watch, (Watch{kId, WatchKind::app(42, "com.example.Editor", "Editor"), Date(100.25)}));
  EXPECT_NE(watch, (Watch{UUID::generate(), watch.kind, watch.startedAt}));
  EXPECT_NE(watch, (Watch{kId, WatchKind::app(43, "com.example.Editor", "Editor"), Date(100.5)}));
  EXPECT_NE(watch, (Watch{kId, WatchKind::app(42, "com.example.editor", "Editor"), Date(100.5)}));
  // Same fields, other case.
  EXPECT_NE(WatchKind::process(42, "Editor"), WatchKind::app(42, "", "Editor"));
  EXPECT_NE(WatchKind::file("x", "y"), WatchKind::file("x", "Y"));
}

TEST(WatchTest, ProcessLivenessRefusesGroupAddresses) {
  EXPECT_TRUE(Watch::isProcessAlive(static_cast<std::int32_t>(::getpid())));
  EXPECT_FALSE(Watch::isProcessAlive(0));
  EXPECT_FALSE(Watch::isProcessAlive(-1));
}

}  // namespace
}  // namespace vigilix
