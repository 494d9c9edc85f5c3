#include "sleepguard/core/secure_directory_store.h"

#include <acl/libacl.h>
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/acl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>

#include "platform/base/uuid.h"
#include "platform/fs/fs_faults.h"
#include "sleepguard/core/directory_check.h"
#include "testing/temporary_root.h"

namespace vigilix {
namespace {

namespace fs = std::filesystem;
using platform::Bytes;
using platform::FsCall;
using platform::FsFault;
using platform::FsFaults;
using ::testing::ElementsAre;

// Opens made by a walk of "/var/lib/vigilix" before the record's own: the root and three folders.
constexpr int kWalkOpens = 4;

Bytes bytesOf(std::string_view text) { return Bytes(text.begin(), text.end()); }

VGXFileRead readError(std::string_view text) {
  return VGXFileRead::error(VGXGuardError::io(std::string(text)).description());
}

void setAcl(const fs::path& path, const char* text) {
  acl_t acl = acl_from_text(text);
  ASSERT_NE(acl, nullptr);
  EXPECT_EQ(acl_set_file(path.c_str(), ACL_TYPE_ACCESS, acl), 0) << errno;
  acl_free(acl);
}

std::string contentsOf(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// A temporary file-system root holding "/var/lib/vigilix" as the guard service finds it: every
// folder root's and mode 0755.
class StateTree {
 public:
  StateTree() {
    fs::create_directories(dir());
    for (const auto* folder : {"/var", "/var/lib", "/var/lib/vigilix"}) {
      fs::permissions(root_.pathFor(folder), fs::perms(0755));
    }
  }

  const fs::path& root() const { return root_.path(); }
  fs::path dir() const { return root_.pathFor(kVGXGuardStateDirectory); }
  fs::path record(std::string_view name) const { return dir() / name; }
  // Lays down a record file as the store would, or otherwise when a test says so.
  void putRecord(std::string_view name, std::string_view contents, mode_t mode = 0600) const {
    std::ofstream(record(name), std::ios::binary | std::ios::trunc) << contents;
    fs::permissions(record(name), fs::perms(mode));
  }
  // Empties the state directory.
  void clear() const {
    for (const auto& entry : fs::directory_iterator(dir())) fs::remove_all(entry.path());
    fs::remove(root() / "elsewhere");
  }
  std::vector<std::string> names() const {
    std::vector<std::string> found;
    for (const auto& entry : fs::directory_iterator(dir())) {
      found.push_back(entry.path().filename().string());
    }
    std::sort(found.begin(), found.end());
    return found;
  }

 private:
  testing::TemporaryRoot root_;
};

class SecureDirectoryStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Records must be root's; CI runs as root.
    if (::geteuid() != 0) GTEST_SKIP() << "needs root";
    auto made = VGXSecureDirectoryStore::create(kVGXGuardStateDirectory);
    ASSERT_TRUE(made.has_value()) << made.error().description();
    store = std::move(*made);
  }

  StateTree tree;
  std::unique_ptr<VGXSecureDirectoryStore> store;
};

TEST_F(SecureDirectoryStoreTest, PathsAreCheckedBeforeAnythingIsOpened) {
  struct Row {
    const char* name;
    std::string path;
    std::optional<std::string> error;  // none: created
  };
  const Row rows[] = {
      {"the state directory", "/var/lib/vigilix", std::nullopt},
      {"empty pieces dropped", "//var//lib/vigilix/", std::nullopt},
      {"one component", "/var", "unsafePath"},
      {"relative", "var/lib/vigilix", "unsafePath"},
      {"dot", "/var/./lib/vigilix", "unsafePath"},
      {"dot dot", "/var/lib/../lib/vigilix", "unsafePath"},
      {"NUL", std::string("/var/lib\0/vigilix", 17), "unsafePath"},
      {"missing folder", "/var/lib/nothing", "unsafePath: errno 2"},
      {"a file, not a folder", "/var/lib/vigilix/journal.json", "unsafePath: errno 20"},
  };
  tree.putRecord("journal.json", "{}");
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    auto made = VGXSecureDirectoryStore::create(row.path);
    if (row.error) {
      ASSERT_FALSE(made.has_value());
      EXPECT_EQ(made.error(), VGXGuardError::io(*row.error));
    } else {
      ASSERT_TRUE(made.has_value());
      EXPECT_THAT((*made)->components(), ElementsAre("var", "lib", "vigilix"));
    }
  }
}

TEST(DirectoryCheckTest, AcceptsOnlyRealFoldersNoOneElseCanWrite) {
  struct Row {
    const char* name;
    VGXPathComponentInfo info;
    std::uint32_t expectedOwner;
    bool passes;
  };
  const VGXPathComponentInfo safe{true, false, 0, S_IFDIR | 0755, false};
  auto with = [&](auto change) {
    auto info = safe;
    change(info);
    return info;
  };
  const Row rows[] = {
      {"root's folder", safe, 0, true},
      {"expected owner's folder", with([](auto& i) { i.ownerUID = 501; }), 501, true},
      {"someone else's folder", with([](auto& i) { i.ownerUID = 501; }), 0, false},
      {"group may write", with([](auto& i) { i.mode = S_IFDIR | 0775; }), 0, false},
      {"others may write", with([](auto& i) { i.mode = S_IFDIR | 0757; }), 0, false},
      {"writable ACL", with([](auto& i) { i.hasWritableACL = true; }), 0, false},
      {"symbolic link", with([](auto& i) { i.isSymlink = true; }), 0, false},
      {"not a folder", with([](auto& i) { i.isDirectory = false; }), 0, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(VGXDirectoryCheck::passes(row.info, row.expectedOwner), row.passes);
  }
}

// Every operation re-walks the chain, so a folder changed after the store was made is refused
// by reads (storeError) and by every other operation alike.
TEST(SecureDirectoryStoreRefusalTest, AnUnsafeChainIsRefusedByEveryOperation) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root";
  struct Row {
    const char* name;
    std::function<void(const StateTree&)> change;
    std::optional<FsFault> fault;  // injected before each operation
    std::string error;
  };
  const Row rows[] = {
      {"symbolic link in the chain",
       [](const StateTree& t) {
         fs::rename(t.root() / "var/lib", t.root() / "lib-real");
         fs::create_directory_symlink(t.root() / "lib-real", t.root() / "var/lib");
       },
       std::nullopt, "unsafePath: errno 40"},
      {"group-writable state directory",
       [](const StateTree& t) { fs::permissions(t.dir(), fs::perms(0775)); }, std::nullopt,
       "unsafePath"},
      {"others may write the root",
       [](const StateTree& t) { fs::permissions(t.root(), fs::perms(0757)); }, std::nullopt,
       "unsafePath"},
      {"writable ACL entry hidden by the mask",
       [](const StateTree& t) {
         setAcl(t.root() / "var", "u::rwx,u:1000:rwx,g::r-x,m::r-x,o::r-x");
       },
       std::nullopt, "unsafePath"},
      {"folder of another user",
       [](const StateTree& t) { ASSERT_EQ(::chown((t.root() / "var").c_str(), 1000, 0), 0); },
       std::nullopt, "unsafePath"},
      {"state directory missing", [](const StateTree& t) { fs::remove_all(t.dir()); }, std::nullopt,
       "unsafePath: errno 2"},
      {"root cannot be examined", nullptr, FsFault::failing(FsCall::statPath, EACCES),
       "lstat root: errno 13"},
      {"root cannot be opened", nullptr, FsFault::failing(FsCall::openAt, EMFILE),
       "open root: errno 24"},
      {"folder swapped for a link while walked", nullptr,
       FsFault::failing(FsCall::openAt, ELOOP).on("lib"), "open directory: errno 40"},
      {"folder cannot be examined", nullptr, FsFault::failing(FsCall::stat, EIO).after(2),
       "fstat directory: errno 5"},
      {"ACL cannot be read", nullptr, FsFault::failing(FsCall::readAcl, EIO), "acl: errno 5"},
  };
  using Operation = std::function<std::optional<VGXGuardError>(VGXSecureDirectoryStore&)>;
  auto failureOf = [](std::expected<void, VGXGuardError> done) -> std::optional<VGXGuardError> {
    if (done) return std::nullopt;
    return done.error();
  };
  const std::pair<const char*, Operation> operations[] = {
      {"write",
       [&](auto& s) { return failureOf(s.write(VGXGuardFile::journal(), bytesOf("{}"))); }},
      {"remove", [&](auto& s) { return failureOf(s.remove(VGXGuardFile::journal())); }},
      {"quarantine", [&](auto& s) { return failureOf(s.quarantine(VGXGuardFile::journal())); }},
      {"withLock",
       [&](auto& s) { return failureOf(s.withLock(VGXGuardLockName::maintenance, [] {})); }},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    StateTree tree;
    tree.putRecord("journal.json", "old");
    auto store = VGXSecureDirectoryStore::create(kVGXGuardStateDirectory);
    ASSERT_TRUE(store.has_value());
    if (row.change) row.change(tree);
    const auto expected = VGXGuardError::io(row.error);

    if (row.fault) FsFaults::inject(*row.fault);
    EXPECT_EQ((*store)->read(VGXGuardFile::journal()),
              VGXFileRead::storeError(expected.description()));
    for (const auto& [name, operation] : operations) {
      SCOPED_TRACE(name);
      if (row.fault) FsFaults::inject(*row.fault);
      EXPECT_EQ(operation(**store), expected);
    }
    if (row.fault) FsFaults::inject(*row.fault);
    auto created = VGXSecureDirectoryStore::create(kVGXGuardStateDirectory);
    ASSERT_FALSE(created.has_value());
    EXPECT_EQ(created.error(), expected);
    FsFaults::clear();
    if (fs::exists(tree.record("journal.json"))) {
      EXPECT_EQ(contentsOf(tree.record("journal.json")), "old");
    }
  }
}

TEST_F(SecureDirectoryStoreTest, OnlyRootsPrivateSingleLinkRecordsAreRead) {
  struct Row {
    const char* name;
    std::function<void(const StateTree&)> lay;
    std::optional<FsFault> fault;
    VGXFileRead expected;
  };
  const std::string full(kVGXGuardRecordSizeLimit, 'x');
  const Row rows[] = {
      {"missing", [](const StateTree&) {}, std::nullopt, VGXFileRead::absent()},
      {"empty", [](const StateTree& t) { t.putRecord("journal.json", ""); }, std::nullopt,
       VGXFileRead::data({})},
      {"exactly the limit", [&](const StateTree& t) { t.putRecord("journal.json", full); },
       std::nullopt, VGXFileRead::data(bytesOf(full))},
      {"one byte over the limit",
       [&](const StateTree& t) { t.putRecord("journal.json", full + "x"); }, std::nullopt,
       readError("record too large")},
      {"readable by others", [](const StateTree& t) { t.putRecord("journal.json", "{}", 0644); },
       std::nullopt, readError("unsafeFile")},
      {"second hard link",
       [](const StateTree& t) {
         t.putRecord("journal.json", "{}");
         fs::create_hard_link(t.record("journal.json"), t.root() / "elsewhere");
       },
       std::nullopt, readError("unsafeFile")},
      {"another user's",
       [](const StateTree& t) {
         t.putRecord("journal.json", "{}");
         ASSERT_EQ(::chown(t.record("journal.json").c_str(), 1000, 0), 0);
       },
       std::nullopt, readError("unsafeFile")},
      {"writable ACL",
       [](const StateTree& t) {
         t.putRecord("journal.json", "{}");
         setAcl(t.record("journal.json"), "u::rw-,g:100:rw-,g::---,m::---,o::---");
       },
       std::nullopt, readError("unsafeFile")},
      {"symbolic link",
       [](const StateTree& t) {
         t.putRecord("safety-0.json", "{}");
         fs::create_symlink(t.record("safety-0.json"), t.record("journal.json"));
       },
       std::nullopt, readError("open file: errno 40")},
      {"FIFO",
       [](const StateTree& t) { ASSERT_EQ(::mkfifo(t.record("journal.json").c_str(), 0600), 0); },
       std::nullopt, readError("unsafeFile")},
      {"folder", [](const StateTree& t) { fs::create_directory(t.record("journal.json")); },
       std::nullopt, readError("unsafeFile")},
      {"cannot be opened", [](const StateTree& t) { t.putRecord("journal.json", "{}"); },
       FsFault::failing(FsCall::openAt, EACCES).on("journal.json"),
       readError("open file: errno 13")},
      {"cannot be examined", [](const StateTree& t) { t.putRecord("journal.json", "{}"); },
       FsFault::failing(FsCall::stat, EIO).after(kWalkOpens), readError("fstat file: errno 5")},
      {"read fails", [](const StateTree& t) { t.putRecord("journal.json", "{}"); },
       FsFault::failing(FsCall::read, EIO), readError("read: errno 5")},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    tree.clear();
    row.lay(tree);
    if (row.fault) FsFaults::inject(*row.fault);
    EXPECT_EQ(store->read(VGXGuardFile::journal()), row.expected);
    FsFaults::clear();
  }
}

TEST_F(SecureDirectoryStoreTest, WritesPrivateRecordsOfAtMostTheLimit) {
  const Bytes full(kVGXGuardRecordSizeLimit, 'y');
  const mode_t previous = ::umask(0);  // the mode must not follow the creation mask
  auto written = store->write(VGXGuardFile::safety(501), full);
  ::umask(previous);
  ASSERT_TRUE(written.has_value()) << written.error().description();
  EXPECT_EQ(store->read(VGXGuardFile::safety(501)), VGXFileRead::data(full));
  struct stat info {};
  ASSERT_EQ(::stat(tree.record("safety-501.json").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0600u);
  EXPECT_EQ(info.st_nlink, 1u);

  Bytes over = full;
  over.push_back('y');
  EXPECT_EQ(store->write(VGXGuardFile::safety(501), over),
            std::unexpected(VGXGuardError::io("record too large")));
  EXPECT_EQ(store->read(VGXGuardFile::safety(501)), VGXFileRead::data(full));
  EXPECT_THAT(tree.names(), ElementsAre("safety-501.json"));
}

// A write stopped at any step leaves the old record or the new one whole, and no temporary file.
// A routine write swaps the new record in, first or over an older one, and
// leaves nothing else behind.
TEST_F(SecureDirectoryStoreTest, AnUnflushedWriteReplacesTheRecordWhole) {
  for (const char* text : {"first", "second, longer than the first", "third"}) {
    SCOPED_TRACE(text);
    const Bytes data(text, text + std::strlen(text));
    ASSERT_TRUE(store->writeUnflushed(VGXGuardFile::safety(501), data).has_value());
    EXPECT_EQ(store->read(VGXGuardFile::safety(501)), VGXFileRead::data(data));
    EXPECT_THAT(tree.names(), ElementsAre("safety-501.json"));
  }
}

TEST_F(SecureDirectoryStoreTest, AnInterruptedWriteNeverLeavesATornRecord) {
  struct Row {
    const char* name;
    FsFault fault;
    std::string error;
    std::string left;  // the record afterwards
  };
  const std::string before = R"({"phase":"intent"})";
  const std::string after = R"({"phase":"applied","generation":2})";
  const Row rows[] = {
      {"temporary file cannot be created",
       FsFault::failing(FsCall::openAt, ENOSPC).after(kWalkOpens), "create: errno 28", before},
      {"mode cannot be set", FsFault::failing(FsCall::changeMode, EPERM), "chmod: errno 1", before},
      {"temporary file cannot be examined", FsFault::failing(FsCall::stat, EIO).after(kWalkOpens),
       "fstat file: errno 5", before},
      {"disk full half-way", FsFault::failing(FsCall::write, ENOSPC).writingFirst(10),
       "write: errno 28", before},
      {"flush fails", FsFault::failing(FsCall::syncFile, EIO), "fsync file: errno 5", before},
      {"rename fails", FsFault::failing(FsCall::rename, EIO), "rename: errno 5", before},
      {"folder flush fails after the rename", FsFault::failing(FsCall::syncDirectory, EIO),
       "fsync directory: errno 5", after},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    ASSERT_TRUE(store->write(VGXGuardFile::journal(), bytesOf(before)).has_value());
    FsFaults::inject(row.fault);
    EXPECT_EQ(store->write(VGXGuardFile::journal(), bytesOf(after)),
              std::unexpected(VGXGuardError::io(row.error)));
    FsFaults::clear();
    EXPECT_EQ(store->read(VGXGuardFile::journal()), VGXFileRead::data(bytesOf(row.left)));
    EXPECT_THAT(tree.names(), ElementsAre("journal.json"));
  }
}

TEST_F(SecureDirectoryStoreTest, QuarantineMovesTheRecordAsideUnderAFreshName) {
  ASSERT_TRUE(store->write(VGXGuardFile::journal(), bytesOf("garbage")).has_value());
  ASSERT_TRUE(store->quarantine(VGXGuardFile::journal()).has_value());
  EXPECT_EQ(store->read(VGXGuardFile::journal()), VGXFileRead::absent());

  ASSERT_TRUE(store->write(VGXGuardFile::journal(), bytesOf("again")).has_value());
  ASSERT_TRUE(store->quarantine(VGXGuardFile::journal()).has_value());
  const auto names = tree.names();
  ASSERT_EQ(names.size(), 2u);
  const std::string prefix = "journal.json.corrupt-";
  for (const auto& name : names) {
    SCOPED_TRACE(name);
    ASSERT_TRUE(name.starts_with(prefix));
    EXPECT_TRUE(platform::UUID::fromString(name.substr(prefix.size())).has_value());
  }
  std::vector<std::string> kept{contentsOf(tree.dir() / names[0]),
                                contentsOf(tree.dir() / names[1])};
  std::sort(kept.begin(), kept.end());
  EXPECT_THAT(kept, ElementsAre("again", "garbage"));
  EXPECT_EQ(store->quarantine(VGXGuardFile::journal()),
            std::unexpected(VGXGuardError::io("quarantine: errno 2")));
}

TEST_F(SecureDirectoryStoreTest, RemovingAMissingRecordSucceeds) {
  ASSERT_TRUE(store->write(VGXGuardFile::maintenance(), bytesOf("{}")).has_value());
  EXPECT_TRUE(store->remove(VGXGuardFile::maintenance()).has_value());
  EXPECT_EQ(store->read(VGXGuardFile::maintenance()), VGXFileRead::absent());
  EXPECT_TRUE(store->remove(VGXGuardFile::maintenance()).has_value());

  ASSERT_TRUE(store->write(VGXGuardFile::install(), bytesOf("{}")).has_value());
  FsFaults::inject(FsFault::failing(FsCall::unlink, EROFS));
  EXPECT_EQ(store->remove(VGXGuardFile::install()),
            std::unexpected(VGXGuardError::io("unlink: errno 30")));
  FsFaults::inject(FsFault::failing(FsCall::syncDirectory, EIO));
  EXPECT_EQ(store->remove(VGXGuardFile::install()),
            std::unexpected(VGXGuardError::io("fsync directory: errno 5")));
  EXPECT_EQ(store->read(VGXGuardFile::install()), VGXFileRead::absent());
}

TEST(GuardLockNameTest, RawValuesRoundTrip) {
  EXPECT_EQ(rawValue(VGXGuardLockName::guardLock), "guard.lock");
  EXPECT_EQ(rawValue(VGXGuardLockName::maintenance), "maintenance.lock");
  for (auto name : {VGXGuardLockName::guardLock, VGXGuardLockName::maintenance}) {
    EXPECT_EQ(guardLockNameFromRawValue(rawValue(name)), name);
  }
  EXPECT_EQ(guardLockNameFromRawValue("Maintenance.lock"), std::nullopt);
  EXPECT_EQ(guardLockNameFromRawValue(""), std::nullopt);
}

// Whether /proc/locks shows a request blocked on the file with inode `inode`.
bool someoneWaitsOn(ino_t inode) {
  std::ifstream locks("/proc/locks");
  std::string line;
  const std::string suffix = ":" + std::to_string(inode) + " ";
  while (std::getline(locks, line)) {
    if (line.find("->") != std::string::npos && line.find(suffix) != std::string::npos) return true;
  }
  return false;
}

TEST_F(SecureDirectoryStoreTest, ASecondHolderWaitsUntilTheFirstBodyReturns) {
  std::vector<std::string> order;
  std::mutex orderLock;
  auto note = [&](std::string step) {
    std::lock_guard held(orderLock);
    order.push_back(std::move(step));
  };
  std::atomic<bool> firstInside = false;
  std::thread second;
  auto first = store->withLock(VGXGuardLockName::maintenance, [&] {
    note("first in");
    struct stat info {};
    EXPECT_EQ(::stat(tree.record("maintenance.lock").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0600u);
    second = std::thread([&] {
      auto result = store->withLock(VGXGuardLockName::maintenance, [&] {
        note("second in");
        return 7;
      });
      EXPECT_EQ(result, 7);
    });
    // The second holder is queued on the lock before the first lets go.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!someoneWaitsOn(info.st_ino) && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::yield();
    }
    EXPECT_TRUE(someoneWaitsOn(info.st_ino));
    note("first out");
    return std::expected<std::string, VGXGuardError>("done");
  });
  second.join();
  EXPECT_EQ(first, "done");
  EXPECT_THAT(order, ElementsAre("first in", "first out", "second in"));
  EXPECT_THAT(tree.names(), ElementsAre("maintenance.lock"));
}

TEST_F(SecureDirectoryStoreTest, ALockThatCannotBeTakenRunsNoBody) {
  bool ran = false;
  FsFaults::inject(FsFault::failing(FsCall::openAt, EACCES).on("guard.lock"));
  EXPECT_EQ(store->withLock(VGXGuardLockName::guardLock, [&] { ran = true; }),
            std::unexpected(VGXGuardError::io("lock: errno 13")));
  FsFaults::inject(FsFault::failing(FsCall::lock, ENOLCK));
  EXPECT_EQ(store->withLock(VGXGuardLockName::guardLock, [&] { ran = true; }),
            std::unexpected(VGXGuardError::io("flock: errno 37")));
  EXPECT_FALSE(ran);
  // A body's own failure passes through as it is.
  auto failed =
      store->withLock(VGXGuardLockName::guardLock, []() -> std::expected<int, VGXGuardError> {
        return std::unexpected(VGXGuardError::maintenance());
      });
  EXPECT_EQ(failed, std::unexpected(VGXGuardError::maintenance()));
}

}  // namespace
}  // namespace vigilix

namespace vigilix {
namespace {

// A write killed before its rename leaves its temporary file; the next store to open removes
// exactly those, and nothing else of the directory's.
TEST_F(SecureDirectoryStoreTest, OpeningRemovesTheTemporaryFilesOfKilledWrites) {
  struct Row {
    const char* name;
    std::string file;
    bool removed;
  };
  const Row rows[] = {
      {"a record's temporary file", ".tmp-6F9619FF-8B86-D011-B42D-00C04FC964FF", true},
      {"in lower case", ".tmp-6f9619ff-8b86-d011-b42d-00c04fc964ff", true},
      {"not a UUID", ".tmp-vigilix-plist", false},
      {"a record", "journal.json", false},
      {"a quarantined record", "journal.json.corrupt-6F9619FF-8B86-D011-B42D-00C04FC964FF", false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    tree.clear();
    tree.putRecord(row.file, "{}");
    ASSERT_TRUE(VGXSecureDirectoryStore::create(kVGXGuardStateDirectory).has_value());
    EXPECT_EQ(tree.names().empty(), row.removed);
  }
}

}  // namespace
}  // namespace vigilix
