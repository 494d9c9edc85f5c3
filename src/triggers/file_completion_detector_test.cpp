#include "triggers/file_completion_detector.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "testing/fake_files.h"

namespace vigilix {
namespace {

using platform::Date;

TEST(FileCompletionDetectorTest, FinishesAfterAQuietPeriodAndStaysFinished) {
  FileCompletionDetector detector(60);
  EXPECT_FALSE(detector.observe(100, false, Date(0)));
  EXPECT_FALSE(detector.observe(100, false, Date(30)));
  EXPECT_TRUE(detector.observe(100, false, Date(60)));
  EXPECT_TRUE(detector.observe(999, true, Date(61)));
  EXPECT_EQ(detector.previous(), (FileSnapshot{100, false}));
}

TEST(FileCompletionDetectorTest, AnyChangeOrPartialFileRestartsTheQuietPeriod) {
  FileCompletionDetector detector(60);
  detector.observe(100, false, Date(0));
  EXPECT_FALSE(detector.observe(50, false, Date(50)));  // Shrinking is a change too.
  EXPECT_EQ(detector.quietSince(), Date(50));
  EXPECT_FALSE(detector.observe(50, true, Date(100)));  // Partial file, same size.
  EXPECT_EQ(detector.quietSince(), Date(100));
  EXPECT_FALSE(detector.observe(50, false, Date(159)));
  // The previous partial flag is not consulted, only the period.
  EXPECT_TRUE(detector.observe(50, false, Date(160)));
}

TEST(FileCompletionDetectorTest, QuietPeriodIsNeverNegative) {
  FileCompletionDetector zero(0);
  EXPECT_FALSE(zero.observe(0, false, Date(0)));
  EXPECT_TRUE(zero.observe(0, false, Date(0)));

  EXPECT_EQ(FileCompletionDetector(-5).quietSeconds(), 0);
  EXPECT_EQ(FileCompletionDetector(std::numeric_limits<double>::quiet_NaN()).quietSeconds(), 0);
  FileCompletionDetector negative(-5);
  negative.observe(7, false, Date(10));
  EXPECT_TRUE(negative.observe(7, false, Date(10)));
}

TEST(FileCompletionDetectorTest, PartialExtensionsIgnoreCase) {
  EXPECT_TRUE(hasPartialDownloadExtension("/d/film.mkv.CRDOWNLOAD"));
  EXPECT_TRUE(hasPartialDownloadExtension("/d/x.download"));
  EXPECT_TRUE(hasPartialDownloadExtension("/d/x.Part"));
  EXPECT_TRUE(hasPartialDownloadExtension("/d/x.partial/"));
  EXPECT_FALSE(hasPartialDownloadExtension("/d/x.parts"));
  EXPECT_FALSE(hasPartialDownloadExtension("/d/part"));
}

class FileSnapshotTest : public ::testing::Test {
 protected:
  std::optional<FileSnapshot> snapshot(const std::string& path) {
    return FileCompletionDetector::snapshot(path);
  }
  testing::FakeFiles files_;
};

TEST_F(FileSnapshotTest, AFileIsMeasuredByItself) {
  files_.addFile("/dl/film.mkv", 1500);
  EXPECT_EQ(snapshot("/dl/film.mkv"), (FileSnapshot{1500, false}));
  files_.setSizeUnknown("/dl/film.mkv");
  EXPECT_EQ(snapshot("/dl/film.mkv"), (FileSnapshot{0, false}));
  files_.addFile("/dl/x.part", 3);
  EXPECT_EQ(snapshot("/dl/x.part"), (FileSnapshot{3, true}));
}

TEST_F(FileSnapshotTest, APartialFileBesideTheWatchedOneCounts) {
  files_.addFile("/dl/film.mkv", 10);
  files_.addFile("/dl/film.mkv.crdownload", 5000);
  EXPECT_EQ(snapshot("/dl/film.mkv"), (FileSnapshot{10, true}));
  files_.remove("/dl/film.mkv.crdownload");
  files_.addDirectory("/dl/film.mkv.partial");
  EXPECT_EQ(snapshot("/dl/film.mkv"), (FileSnapshot{10, true}));
  files_.addFile("/dl/album/track", 4);
  files_.addFile("/dl/album.download", 1);
  EXPECT_EQ(snapshot("/dl/album/"), (FileSnapshot{4, true}));
}

TEST_F(FileSnapshotTest, AFolderIsWalkedTwoLevelsDown) {
  files_.addFile("/dl/pkg/a", 1);
  files_.addFile("/dl/pkg/.hidden", 2);
  files_.addFile("/dl/pkg/sub/b", 4);
  files_.addFile("/dl/pkg/sub/deeper/c", 8);            // Not counted.
  files_.addFile("/dl/pkg/sub/deeper/chunk.part", 16);  // Not seen.
  EXPECT_EQ(snapshot("/dl/pkg"), (FileSnapshot{7, false}));

  files_.addFile("/dl/pkg/sub/chunk.part", 32);  // One folder below: seen.
  EXPECT_EQ(snapshot("/dl/pkg"), (FileSnapshot{39, true}));
}

TEST_F(FileSnapshotTest, PartialFoldersAndLinksAreSeenButLinksNotFollowed) {
  files_.addFile("/elsewhere/huge", 1'000'000);
  files_.addDirectory("/dl/pkg");
  files_.addSymbolicLink("/dl/pkg/link", "/elsewhere/huge");
  files_.addSymbolicLink("/dl/pkg/sub", "/elsewhere");
  EXPECT_EQ(snapshot("/dl/pkg"), (FileSnapshot{0, false}));

  files_.addSymbolicLink("/dl/pkg/dangling.download", "/nowhere");
  EXPECT_EQ(snapshot("/dl/pkg"), (FileSnapshot{0, true}));
  files_.remove("/dl/pkg/dangling.download");
  files_.addDirectory("/dl/pkg/inner.download");
  EXPECT_EQ(snapshot("/dl/pkg"), (FileSnapshot{0, true}));
}

TEST_F(FileSnapshotTest, AnEmptyFolderMeasuresZeroAndFinishesAfterAQuietPeriod) {
  files_.addDirectory("/dl/empty");
  const auto first = snapshot("/dl/empty");
  ASSERT_EQ(first, (FileSnapshot{0, false}));
  FileCompletionDetector detector(60);
  EXPECT_FALSE(detector.observe(first->totalBytes, first->hasPartialFiles, Date(0)));
  EXPECT_TRUE(detector.observe(0, false, Date(60)));
}

TEST_F(FileSnapshotTest, AnyUnreadablePartGivesNoSnapshot) {
  EXPECT_EQ(snapshot("/dl/absent"), std::nullopt);

  files_.addFile("/dl/pkg/a", 1);
  files_.addFile("/dl/pkg/sub/b", 2);
  files_.failListing("/dl/pkg/sub");
  EXPECT_EQ(snapshot("/dl/pkg"), std::nullopt);
  files_.failListing("/dl/pkg/sub", false);
  files_.failResourceValues("/dl/pkg/sub/b");
  EXPECT_EQ(snapshot("/dl/pkg"), std::nullopt);
  files_.failResourceValues("/dl/pkg/sub/b", false);
  files_.failResourceValues("/dl/pkg");
  EXPECT_EQ(snapshot("/dl/pkg"), std::nullopt);
  files_.failResourceValues("/dl/pkg", false);
  EXPECT_EQ(snapshot("/dl/pkg"), (FileSnapshot{3, false}));

  // A watched link to a folder exists, but as a link it is measured as nothing.
  files_.addSymbolicLink("/dl/alias", "/dl/pkg");
  EXPECT_EQ(snapshot("/dl/alias"), (FileSnapshot{0, false}));
  files_.addSymbolicLink("/dl/broken", "/dl/none");
  EXPECT_EQ(snapshot("/dl/broken"), std::nullopt);
}

}  // namespace
}  // namespace vigilix
