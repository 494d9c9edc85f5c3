#include "sleepguard/common/service_files.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include "platform/crypto/sha256.h"
#include "sleepguard/testing/fake_guard_store.h"
#include "testing/temporary_root.h"

namespace vigilix {
namespace {

namespace fs = std::filesystem;
using namespace VGXServiceFiles;

std::optional<std::string> failureOf(const std::expected<void, VGXInstallerError>& result) {
  if (result) return std::nullopt;
  return result.error().detail;
}

// "/etc/systemd/system" with the guard's units and "/var/lib/vigilix" with its files, every
// folder root's and 0755.
class GuardTree {
 public:
  GuardTree() {
    for (auto folder : {"/etc/systemd/system", "/var/lib/vigilix"}) {
      fs::create_directories(root.pathFor(folder));
    }
    for (auto name : {"run.tarvo.vigilix.sleepguard.service", "run.tarvo.vigilix.sleepguard.socket",
                      "run.tarvo.vigilix.sleepguard-admin.socket", "other.service"}) {
      write("/etc/systemd/system/" + std::string(name), "[Unit]\n");
    }
    for (auto name : {"vigilix-sleepguard", "vigilix-sleepguard.prev", "install.json",
                      "safety-501.json", "safety-0.json", "guard.lock", "maintenance.lock"}) {
      write("/var/lib/vigilix/" + std::string(name), "x");
    }
    for (auto it = fs::recursive_directory_iterator(root.path());
         it != fs::recursive_directory_iterator(); ++it) {
      if (it->is_directory()) ::chmod(it->path().c_str(), 0755);
    }
    ::chmod(root.path().c_str(), 0755);
  }
  void write(const std::string& systemPath, std::string_view text) {
    std::ofstream(root.pathFor(systemPath)) << text;
  }
  bool exists(std::string_view systemPath) { return fs::exists(root.pathFor(systemPath)); }

  testing::TemporaryRoot root;
};

TEST(ServiceFiles, VerifiedWalk) {
  GuardTree tree;
  fs::create_symlink(tree.root.pathFor("/var/lib"), tree.root.pathFor("/var/link"));
  struct Row {
    const char* name;
    const char* path;
    std::function<void()> arrange;
    std::optional<std::string> failure;
  };
  const Row rows[] = {
      {"good", "/var/lib/vigilix", {}, std::nullopt},
      {"the root itself", "/", {}, std::nullopt},
      {"relative", "var/lib", {}, "unsafePath"},
      {"dot dot", "/var/../etc", {}, "unsafePath"},
      {"a link on the way", "/var/link/vigilix", {}, "open link"},
      {"missing", "/var/none", {}, "open none"},
      {"group-writable folder", "/var/lib/vigilix",
       [&] { ::chmod(tree.root.pathFor("/var/lib").c_str(), 0775); }, "unsafePath"},
      {"foreign owner", "/var/lib/vigilix",
       [&] { ASSERT_EQ(::chown(tree.root.pathFor("/var").c_str(), 1000, 0), 0); }, "unsafePath"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    if (row.arrange) row.arrange();
    auto opened = openVerifiedPath(row.path);
    EXPECT_EQ(opened ? std::nullopt : std::optional(opened.error().detail), row.failure);
    ::chmod(tree.root.pathFor("/var/lib").c_str(), 0755);
    ASSERT_EQ(::chown(tree.root.pathFor("/var").c_str(), 0, 0), 0);
  }
}

TEST(ServiceFiles, RegularFilesAndHashes) {
  GuardTree tree;
  const std::string big(200000, 'b');
  tree.write("/var/lib/vigilix/big", big);
  fs::create_symlink("big", tree.root.pathFor("/var/lib/vigilix/link"));
  const std::string expected = platform::sha256HexString(platform::sha256(big));

  auto fd = openRegularFile("/var/lib/vigilix/big", big.size());
  ASSERT_TRUE(fd.has_value());
  ::lseek(fd->get(), 0, SEEK_END);
  EXPECT_EQ(hashFileDescriptor(fd->get()), expected);
  EXPECT_EQ(hashRegularFile("/var/lib/vigilix/big"), expected);

  struct Row {
    const char* path;
    std::optional<std::string> openFailure;
    bool hashed;
  };
  const Row rows[] = {
      {"/var/lib/vigilix/link", "open /var/lib/vigilix/link", false},
      {"/var/lib/vigilix", "regular /var/lib/vigilix", false},
      {"/var/lib/vigilix/none", "open /var/lib/vigilix/none", false},
      {"/var/lib/vigilix/install.json", std::nullopt, true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.path);
    auto opened = openRegularFile(row.path, 10);
    EXPECT_EQ(opened ? std::nullopt : std::optional(opened.error().detail), row.openFailure);
    EXPECT_EQ(hashRegularFile(row.path).has_value(), row.hashed);
  }
  EXPECT_EQ(openRegularFile("/var/lib/vigilix/big", big.size() - 1).error().detail,
            "regular /var/lib/vigilix/big");
}

TEST(ServiceFiles, RemovingTheGuard) {
  struct Row {
    const char* name;
    std::function<void(GuardTree&, testing::FakeGuardStore&)> arrange;
    std::optional<std::string> failure;
    bool stateLeft;
    bool unitsLeft;
  };
  const Row rows[] = {
      {"everything", {}, std::nullopt, false, false},
      {"no state directory",
       [](GuardTree& tree, testing::FakeGuardStore&) {
         fs::remove_all(tree.root.pathFor("/var/lib/vigilix"));
       },
       std::nullopt, false, false},
      {"a stray file stays",
       [](GuardTree& tree, testing::FakeGuardStore&) {
         tree.write("/var/lib/vigilix/journal.json.corrupt-1", "x");
       },
       "rmdir state", true, false},
      {"journal in the store",
       [](GuardTree&, testing::FakeGuardStore& store) { store.put(VGXGuardFile::journal(), "{}"); },
       "journal present", true, true},
      {"journal on disk",
       [](GuardTree& tree, testing::FakeGuardStore&) {
         tree.write("/var/lib/vigilix/journal.json", "{}");
       },
       "journal present", true, false},
      {"a unit that is a folder",
       [](GuardTree& tree, testing::FakeGuardStore&) {
         fs::remove(tree.root.pathFor("/etc/systemd/system/run.tarvo.vigilix.sleepguard.socket"));
         fs::create_directory(
             tree.root.pathFor("/etc/systemd/system/run.tarvo.vigilix.sleepguard.socket"));
       },
       "not file run.tarvo.vigilix.sleepguard.socket", true, true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    GuardTree tree;
    testing::FakeGuardStore store;
    if (row.arrange) row.arrange(tree, store);
    EXPECT_EQ(failureOf(removeGuardFiles(&store)), row.failure);
    EXPECT_EQ(tree.exists("/var/lib/vigilix"), row.stateLeft);
    EXPECT_EQ(tree.exists("/etc/systemd/system/run.tarvo.vigilix.sleepguard-admin.socket"),
              row.unitsLeft);
    EXPECT_TRUE(tree.exists("/etc/systemd/system/other.service"));
    if (row.failure == "rmdir state") {
      EXPECT_FALSE(tree.exists("/var/lib/vigilix/safety-501.json"));
    }
  }
}

}  // namespace
}  // namespace vigilix
