#include "agenthooks/hook_installer.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <cerrno>
#include <fstream>
#include <thread>

#include "agenthooks/hooks_file_format.h"
#include "platform/fs/file_system.h"
#include "platform/fs/fs_faults.h"
#include "testing/pinned_locale.h"
#include "testing/temporary_root.h"
#include "testing/test_platform.h"

namespace vigilix {
namespace {

namespace fs = std::filesystem;
using platform::FileSystem;
using platform::FsCall;
using platform::FsFault;
using platform::FsFaults;
using Case = VGXHookInstallState::Case;

constexpr const char* kCli = "/usr/lib/vigilix/vigilix";

class VGXHookInstallerTest : public ::testing::Test {
 protected:
  static void write(const fs::path& path, std::string_view text, mode_t mode = 0644) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
    ::chmod(path.c_str(), mode);
  }
  static std::string read(const fs::path& path) { return FileSystem::readFile(path).value_or("-"); }
  static mode_t modeOf(const fs::path& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
  }
  // Side files beside the hooks file, by suffix.
  static std::vector<std::string> sideFiles(const fs::path& file) {
    const std::string prefix = file.filename().string() + ".";
    std::vector<std::string> names;
    for (const auto& name :
         FileSystem::list(file.parent_path()).value_or(std::vector<std::string>())) {
      if (name.starts_with(prefix)) names.push_back(name.substr(prefix.size() - 1));
    }
    return names;
  }
  static std::string sorted(std::string_view json) {
    return renderJSON(*readHooksDocument(json)).value_or("unwritable");
  }

  testing::TestPlatform platform;  // 2026-01-05 09:00:00 UTC
  testing::PinnedLocale locale{"en_US", "UTC"};
  testing::TemporaryRoot root;
};

TEST_F(VGXHookInstallerTest, StatesOnRealFilesForEveryTool) {
  for (const VGXAgentTool tool : kAllAgentTools) {
    SCOPED_TRACE(std::string(rawValue(tool)));
    const fs::path file = hooksFileURL(tool, root.home());
    const VGXHookInstaller installer(tool, file, kCli);
    EXPECT_EQ(installer.status(), VGXHookInstallState::of(Case::notFound));
    fs::create_directories(toolFolderURL(tool, file));
    EXPECT_EQ(installer.status(), VGXHookInstallState::of(Case::notInstalled));

    const std::string event(hookEvents(tool)[0].name);
    const std::string foreign =
        tool == VGXAgentTool::cursor
            ? R"({"version":1,"hooks":{")" + event + R"(":[{"command":"echo hi","x":[]}]}})"
            : R"({"theme":{"dark":true},"hooks":{")" + event +
                  R"(":[{"matcher":"*","hooks":[{"type":"command","command":"echo hi"}]}],"Custom":[{}]}})";
    write(file, foreign);
    ASSERT_TRUE(installer.install());
    EXPECT_EQ(installer.status(), VGXHookInstallState::of(Case::installed));
    const VGXHookInstaller moved(tool, file, "/opt/vigilix");
    EXPECT_EQ(moved.status(), VGXHookInstallState::of(Case::needsUpdate));
    ASSERT_TRUE(moved.install());
    EXPECT_EQ(moved.status(), VGXHookInstallState::of(Case::installed));
    EXPECT_EQ(installer.status(), VGXHookInstallState::of(Case::needsUpdate));

    ASSERT_TRUE(moved.remove());
    EXPECT_EQ(read(file), sorted(foreign));
    EXPECT_EQ(moved.status(), VGXHookInstallState::of(Case::notInstalled));
    EXPECT_EQ(sideFiles(file),
              (std::vector<std::string>{".vigilix-backup-20260105-090000",
                                        ".vigilix-backup-20260105-090000-2",
                                        ".vigilix-backup-20260105-090000-3", ".vigilix-lock"}));
    write(file, "[1]");
    EXPECT_EQ(installer.status(),
              VGXHookInstallState::error("The hooks file is not a JSON object."));
  }
}

// A Grok file as the table before StopFailure wrote it is ours to update; one that lacks an
// event the table always had is a partial set, offered for installing again.
TEST_F(VGXHookInstallerTest, AnOlderInstallIsOursToUpdate) {
  auto group = [](std::string event, std::string verb) {
    return '"' + event + R"(":[{"hooks":[{"command":"'/usr/lib/vigilix/vigilix' agent )" + verb +
           R"( --tool grok --vigilix-hook=v1","type":"command"}]}])";
  };
  const std::string ends = group("SessionEnd", "end") + "," + group("Stop", "stop") + "," +
                           group("StopCancelled", "stop");
  const std::string older =
      R"({"hooks":{)" + ends + "," + group("UserPromptSubmit", "start") + "}}";
  const std::string partial = R"({"hooks":{)" + ends + "}}";
  const fs::path file = hooksFileURL(VGXAgentTool::grok, root.home());
  const VGXHookInstaller installer(VGXAgentTool::grok, file, kCli);
  for (const auto& [text, state] :
       {std::pair{older, Case::needsUpdate}, {partial, Case::notInstalled}}) {
    write(file, text);
    EXPECT_EQ(installer.status(), VGXHookInstallState::of(state));
    ASSERT_TRUE(installer.install());
    EXPECT_EQ(installer.status(), VGXHookInstallState::of(Case::installed));
  }
}

TEST_F(VGXHookInstallerTest, FailuresWriteNothing) {
  const fs::path file = hooksFileURL(VGXAgentTool::claude, root.home());
  const std::string lock = file.string() + ".vigilix-lock";
  const std::string before = R"({"hooks":{"Stop":[{"hooks":[{"command":"u"}]}]}})";
  struct Row {
    const char* name;
    std::function<void()> arrange;
    std::string error;  // empty: succeeds
    std::string content = R"({"hooks":{"Stop":[{"hooks":[{"command":"u"}]}]}})";
    bool writerBetweenReads = false;
  };
  const Row rows[] = {
      {"an unreadable file is not empty",
       [] { FsFaults::inject(FsFault::failing(FsCall::openAt, EACCES).on("settings.json")); },
       "cannot read " + file.string() + ": Permission denied"},
      {"the lock file cannot be opened",
       [] {
         FsFaults::inject(
             FsFault::failing(FsCall::openAt, EACCES).on("settings.json.vigilix-lock"));
       },
       "Couldn't lock the hooks file."},
      {"a link planted as the lock file is not followed",
       [&] { fs::create_symlink(root.home() / "victim", lock); }, "Couldn't lock the hooks file."},
      {"a link planted as the temporary file is removed, not followed",
       [&] { fs::create_symlink(root.home() / "victim", file.string() + ".vigilix-tmp"); }, ""},
      {"temporaries of a killed transaction are removed",
       [&] {
         write(file.string() + ".vigilix-tmp", "{\"half\":");
         write(file.parent_path() / ".settings.json.vigilix-backup-20260101-000000.tmp-a1B2c3",
               "x");
       },
       ""},
      {"a folder others can write to", [&] { fs::permissions(file.parent_path(), fs::perms::all); },
       "Other users can change the folder \u201c" + file.parent_path().string() +
           "\u201d, so Vigilix won't edit the hooks file there."},
      {"a sticky shared folder where the file is the user's own",
       [&] { fs::permissions(file.parent_path(), fs::perms::all | fs::perms::sticky_bit); }, ""},
      {"the folder cannot be made",
       [&] {
         fs::remove_all(file.parent_path());
         FileSystem::injectFailure(FileSystem::Operation::CreateFolders, file.parent_path(),
                                   EACCES);
       },
       "cannot create " + file.parent_path().string() + ": Permission denied", "-"},
      {"the lock is refused", [] { FsFaults::inject(FsFault::failing(FsCall::lock, ENOLCK)); },
       "Couldn't lock the hooks file."},
      {"an interrupted lock is taken again",
       [] { FsFaults::inject(FsFault::failing(FsCall::lock, EINTR)); }, ""},
      {"the rename fails",
       [] {
         FsFaults::inject(FsFault::failing(FsCall::rename, EIO).on("settings.json.vigilix-tmp"));
       },
       "Couldn't write the hooks file."},
      {"hooks of an unknown shape", [&] { write(file, R"({"hooks":{"Stop":{}}})"); },
       "The hooks file holds \u201chooks.Stop\u201d in a form Vigilix doesn't recognize.",
       R"({"hooks":{"Stop":{}}})"},
      {"another writer between the reads wins", [] {},
       "The file changed while installing \u2014 Try Again", R"({"theirs":1})", true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    fs::remove_all(file.parent_path());
    write(file, before);
    row.arrange();
    const VGXHookInstaller installer(VGXAgentTool::claude, file, kCli);
    const auto result = !row.writerBetweenReads
                            ? installer.install()
                            : installer.transaction([&](platform::json::Value& document) {
                                write(file, row.content);
                                return installer.installInto(document);
                              });
    FileSystem::clearInjectedFailures();
    FsFaults::clear();
    EXPECT_EQ(result ? "" : result.error().errorDescription, row.error);
    for (const auto& name :
         FileSystem::list(file.parent_path()).value_or(std::vector<std::string>{})) {
      EXPECT_EQ(name.find("tmp"), std::string::npos) << name;
    }
    EXPECT_FALSE(fs::exists(root.home() / "victim"));
    if (row.error.empty()) continue;
    EXPECT_EQ(read(file), row.content);
  }
}

TEST_F(VGXHookInstallerTest, TheReplacedFileKeepsItsModeAndLink) {
  struct Row {
    const char* name;
    mode_t mode;
    bool linked;
  };
  const Row rows[] = {{"private file", 0600, false}, {"linked group-readable file", 0640, true}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const fs::path file = hooksFileURL(VGXAgentTool::gemini, root.home());
    const fs::path target = row.linked ? root.home() / "dotfiles/gemini.json" : file;
    fs::remove_all(file.parent_path());
    fs::remove_all(target.parent_path());
    write(target, R"({"a":1})", row.mode);
    fs::create_directories(file.parent_path());
    if (row.linked) fs::create_symlink("../dotfiles/gemini.json", file);
    ASSERT_TRUE(VGXHookInstaller(VGXAgentTool::gemini, file, kCli).install());
    EXPECT_EQ(fs::is_symlink(file), row.linked);
    EXPECT_EQ(modeOf(target), row.mode);
    EXPECT_EQ(VGXHookInstaller(VGXAgentTool::gemini, file, kCli).status(),
              VGXHookInstallState::of(Case::installed));
    EXPECT_EQ(modeOf(file.string() + ".vigilix-backup-20260105-090000"), row.mode);
    EXPECT_FALSE(fs::exists(target.string() + ".vigilix-tmp"));
  }
}

// An agent tool saves its file without our lock, at any moment of a transaction: whatever the
// moment, its save is in the file afterwards, and an install that overtook it says so.
TEST_F(VGXHookInstallerTest, AConcurrentSaveIsNeverLostWithoutAnError) {
  const fs::path file = hooksFileURL(VGXAgentTool::claude, root.home());
  const VGXHookInstaller installer(VGXAgentTool::claude, file, kCli);
  // When the tool saves: at once, once our new file is written, once the backup is kept (just
  // before the swap), or after the install.
  const std::vector<std::function<bool()>> moments = {
      [] { return true; },
      [&] { return fs::exists(file.string() + ".vigilix-tmp"); },
      [&] {
        return std::ranges::any_of(sideFiles(file),
                                   [](const std::string& side) { return side.contains("backup"); });
      },
      [] { return false; },
  };
  int overtaken = 0;
  for (int round = 0; round < 100; ++round) {
    SCOPED_TRACE(round);
    fs::remove_all(file.parent_path());
    write(file, R"({"round":"before"})");
    const std::string saved = R"({"round":)" + std::to_string(round) + "}";
    std::atomic<bool> installed = false;
    std::thread tool([&] {
      const auto& moment = moments[static_cast<std::size_t>(round) % moments.size()];
      while (!installed && !moment()) std::this_thread::yield();
      EXPECT_TRUE(FileSystem::writeFileAtomically(file, saved).has_value());
    });
    const auto result = installer.install();
    installed = true;
    tool.join();
    const std::string now = read(file);
    // The save is there: alone when it came last or the install that overtook it failed,
    // beneath our entries when the install read it first.
    EXPECT_TRUE(now == saved || (result && now.contains("agent start") &&
                                 now.contains(R"("round" : )" + std::to_string(round))))
        << now;
    if (!result) {
      EXPECT_EQ(result.error(), VGXHookInstallError::fileChanged());
      ++overtaken;
    }
  }
  EXPECT_GT(overtaken, 0);
  EXPECT_LT(overtaken, 100);
}

// Run as root for a user (a system-wide setup script), the files stay the user's.
TEST_F(VGXHookInstallerTest, RunAsRootTheFilesStayTheUsers) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to own files as another user";
  struct Row {
    const char* name;
    bool existing;  // the file exists, owned 1234:1235; else its folder is owned 1236:1237
    uid_t owner;
    gid_t group;
  };
  const Row rows[] = {{"an existing file keeps its owner", true, 1234, 1235},
                      {"a new file takes its folder's owner", false, 1236, 1237}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const fs::path file = hooksFileURL(VGXAgentTool::codex, root.home());
    fs::remove_all(file.parent_path());
    fs::create_directories(file.parent_path());
    ASSERT_EQ(::chown(file.parent_path().c_str(), 1236, 1237), 0);
    if (row.existing) {
      write(file, "{}");
      ASSERT_EQ(::chown(file.c_str(), 1234, 1235), 0);
    }
    ASSERT_TRUE(VGXHookInstaller(VGXAgentTool::codex, file, kCli).install());
    struct stat info {};
    ASSERT_EQ(::stat(file.c_str(), &info), 0);
    EXPECT_EQ(info.st_uid, row.owner);
    EXPECT_EQ(info.st_gid, row.group);
    ASSERT_EQ(::stat((file.string() + ".vigilix-lock").c_str(), &info), 0);
    EXPECT_EQ(info.st_uid, 1236u);
  }
}

TEST_F(VGXHookInstallerTest, MissingAndEmptyFiles) {
  const fs::path file = hooksFileURL(VGXAgentTool::cursor, root.home());
  const VGXHookInstaller installer(VGXAgentTool::cursor, file, kCli);
  ASSERT_TRUE(installer.remove());
  EXPECT_FALSE(fs::exists(file.parent_path()));

  write(file, "");
  EXPECT_EQ(installer.status().kind, Case::error);
  ASSERT_TRUE(installer.install());
  EXPECT_EQ(installer.status(), VGXHookInstallState::of(Case::installed));
  EXPECT_EQ(readHooksDocument(read(file))->at("version"), 1);
  EXPECT_EQ(sideFiles(file), std::vector<std::string>{".vigilix-lock"});
}

}  // namespace
}  // namespace vigilix
