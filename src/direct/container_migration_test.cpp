#include "direct/container_migration.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/defaults/plist_defaults_store.h"
#include "platform/fs/fs_faults.h"
#include "testing/temporary_root.h"

namespace vigilix {
namespace {

namespace fs = std::filesystem;
using Kind = VGXMigrationOutcome::Kind;
using platform::PropertyDictionary;

}  // namespace

void PrintTo(const VGXMigrationOutcome& outcome, std::ostream* out) {
  *out << static_cast<int>(outcome.kind) << " \"" << outcome.message << '"';
}

namespace {

constexpr const char* kOldPreferences = R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0">
<dict>
	<key>run.tarvo.vigilix.TimeInterval</key>
	<integer>3600</integer>
	<key>run.tarvo.vigilix.ActivateOnLaunch</key>
	<true/>
</dict>
</plist>
)";

void writeText(const fs::path& path, const std::string& text) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << text;
}

std::string readText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// The log's messages without their times.
std::vector<std::string> logMessages(const fs::path& log) {
  std::vector<std::string> messages;
  std::istringstream lines(readText(log));
  for (std::string line; std::getline(lines, line);) {
    const auto space = line.find(' ');
    messages.push_back(space == std::string::npos ? line : line.substr(space + 1));
  }
  return messages;
}

// A home with a literal Flatpak folder of the former version and this build's places.
struct MigrationHome {
  testing::TemporaryRoot root;
  fs::path home = root.home();
  fs::path container = home / ".var/app/run.tarvo.vigilix";
  fs::path oldSupport = container / "data/vigilix";
  ContainerMigrationPlaces places{
      .containerDataRoot = container,
      .oldPreferencesFile = container / "config/vigilix/run.tarvo.vigilix.plist",
      .oldSupportFolder = oldSupport,
      .appSupportDestination = home / ".local/share/vigilix",
      .stateFile = home / ".local/state/vigilix/migration-state.json",
      .logFile = home / ".local/state/vigilix/migration.log",
  };
  std::shared_ptr<platform::PlistDefaultsStore> store =
      std::make_shared<platform::PlistDefaultsStore>(
          platform::DefaultsFiles{.user = home / ".config/vigilix/run.tarvo.vigilix.plist",
                                  .managed = {},
                                  .anyUser = home / "none.plist"});

  MigrationHome() { platform::FsFaults::clear(); }
  ~MigrationHome() { platform::FsFaults::clear(); }

  VGXContainerMigration migration() const { return VGXContainerMigration(places, store); }
  PropertyDictionary values() const {
    return store->readUserValues().value_or(PropertyDictionary{});
  }
  fs::path destination(const std::string& relative) const {
    return places.appSupportDestination / relative;
  }
};

TEST(ContainerMigrationTest, RunsOnceAndCarriesTheFormerSettingsOver) {
  struct Row {
    const char* name;
    std::function<void(MigrationHome&)> arrange;
    Kind kind;
    std::string message;
    PropertyDictionary values;
    std::string provenance;              // the state file's text; "" when there is none
    std::vector<std::string> installed;  // relative path and contents, "path=contents"
    std::vector<std::string> logTail;
  };
  const std::string prefix = "Vigilix could not copy your previous settings. ";
  const auto fullContainer = [](MigrationHome& h) {
    writeText(h.places.oldPreferencesFile, kOldPreferences);
    writeText(h.oldSupport / "hooks.json", "{\"a\":1}");
    writeText(h.oldSupport / "logs/today.log", "line\n");
    fs::create_symlink("/etc/passwd", h.oldSupport / "link");
    ASSERT_TRUE(h.store->writeUserValues({{"run.tarvo.vigilix.TimeInterval", int64_t{60}}}));
  };
  const Row rows[] = {
      {"no container: marked done, nothing recorded",
       [](MigrationHome&) {},
       Kind::notNeeded,
       "",
       {{kContainerMigrationVersionKey, int64_t{1}}},
       "",
       {},
       {"Checking the previous settings container", "No previous container; migration not needed"}},
      {"values merged without overwriting; files copied, verified and recorded",
       fullContainer,
       Kind::migrated,
       "",
       {{"run.tarvo.vigilix.TimeInterval", int64_t{60}},
        {"run.tarvo.vigilix.ActivateOnLaunch", true},
        {kContainerMigrationVersionKey, int64_t{1}}},
       R"({"hooks.json":"copied","logs/today.log":"copied"})",
       {"hooks.json={\"a\":1}", "logs/today.log=line\n"},
       {"Copying file: hooks.json", "Verified and installed file: hooks.json",
        "Skipping non-regular item: link", "Copying file: today.log",
        "Verified and installed file: today.log",
        "Files verified; preferences and migration marker saved"}},
      {"a second run after success does nothing and logs nothing",
       [](MigrationHome& h) {
         ASSERT_TRUE(h.store->writeUserValues({{kContainerMigrationVersionKey, int64_t{1}}}));
         writeText(h.oldSupport / "hooks.json", "old");
       },
       Kind::alreadyDone,
       "",
       {{kContainerMigrationVersionKey, int64_t{1}}},
       "",
       {},
       {}},
      {"a file already at the target is kept and recorded as such",
       [](MigrationHome& h) {
         writeText(h.oldSupport / "hooks.json", "old");
         writeText(h.destination("hooks.json"), "mine");
       },
       Kind::migrated,
       "",
       {{kContainerMigrationVersionKey, int64_t{1}}},
       R"({"hooks.json":"existedBefore"})",
       {"hooks.json=mine"},
       {"Keeping existing file: hooks.json",
        "Files verified; preferences and migration marker saved"}},
      {"a container that is a file fails and marks nothing",
       [](MigrationHome& h) { writeText(h.container, "x"); },
       Kind::failed,
       prefix + "The previous settings container is not a folder.",
       {},
       "",
       {},
       {prefix + "The previous settings container is not a folder."}},
      {"preferences that are not a dictionary fail",
       [](MigrationHome& h) { writeText(h.places.oldPreferencesFile, "<plist><array/></plist>"); },
       Kind::failed,
       prefix + "The previous preferences file does not contain a settings dictionary.",
       {},
       "",
       {},
       {}},
      {"a destination reached through a link into the container fails before copying",
       [](MigrationHome& h) {
         writeText(h.oldSupport / "hooks.json", "old");
         fs::create_directories(h.places.appSupportDestination.parent_path());
         fs::create_directory_symlink(h.container / "data", h.places.appSupportDestination);
       },
       Kind::failed,
       prefix + "The destination points inside the previous settings container. Choose a separate "
                "destination.",
       {},
       "",
       {},
       {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    MigrationHome h;
    row.arrange(h);
    auto migration = h.migration();
    EXPECT_EQ(migration.run(), (VGXMigrationOutcome{row.kind, row.message}));
    EXPECT_EQ(h.values(), row.values);
    if (row.provenance.empty()) {
      EXPECT_FALSE(fs::exists(h.places.stateFile));
    } else {
      EXPECT_EQ(readText(h.places.stateFile), row.provenance);
    }
    for (const std::string& item : row.installed) {
      const auto equals = item.find('=');
      EXPECT_EQ(readText(h.destination(item.substr(0, equals))), item.substr(equals + 1));
      EXPECT_FALSE(fs::exists(h.destination(item.substr(0, equals) + ".vigilix-migrating")));
    }
    const auto messages =
        fs::exists(*h.places.logFile) ? logMessages(*h.places.logFile) : std::vector<std::string>{};
    if (row.kind == Kind::alreadyDone) {
      EXPECT_THAT(messages, ::testing::IsEmpty());
    }
    if (!row.logTail.empty()) {
      ASSERT_GE(messages.size(), row.logTail.size());
      EXPECT_THAT(
          std::vector(messages.end() - static_cast<long>(row.logTail.size()), messages.end()),
          ::testing::ElementsAreArray(row.logTail));
    }
  }
}

TEST(ContainerMigrationTest, AFailedCopyIsRetriedAndABadCopyNeverTakesTheName) {
  struct Row {
    const char* name;
    std::function<void(VGXContainerMigration&)> arrange;
    std::string failure;
    std::string retryLog;  // what Try Again logs first about the file
    bool temporaryLeft;
  };
  const Row rows[] = {
      {"interrupted write leaves a partial temporary copy",
       [](VGXContainerMigration&) {
         platform::FsFaults::inject(platform::FsFault::failing(platform::FsCall::write, EIO)
                                        .on("hooks.json.vigilix-migrating")
                                        .writingFirst(3));
       },
       std::strerror(EIO), "Removed interrupted copy: hooks.json", true},
      {"a copy that differs from its source is removed",
       [](VGXContainerMigration& migration) {
         migration.afterTemporaryCopy = [](const fs::path& temporary) {
           if (temporary.filename() == "hooks.json.vigilix-migrating") {
             writeText(temporary, "corrupted");
           }
         };
       },
       "The copy of hooks.json could not be verified. Please try again.",
       "Copying file: hooks.json", false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    MigrationHome h;
    writeText(h.oldSupport / "a.txt", "first");
    writeText(h.oldSupport / "hooks.json", "{\"hooks\":[]}");
    auto first = h.migration();
    row.arrange(first);
    EXPECT_EQ(first.run(),
              (VGXMigrationOutcome{
                  Kind::failed, "Vigilix could not copy your previous settings. " + row.failure}));
    EXPECT_FALSE(fs::exists(h.destination("hooks.json")));
    EXPECT_EQ(fs::exists(h.destination("hooks.json.vigilix-migrating")), row.temporaryLeft);
    EXPECT_FALSE(h.values().contains(kContainerMigrationVersionKey));

    auto tryAgain = h.migration();
    const auto before = logMessages(*h.places.logFile).size();
    EXPECT_EQ(tryAgain.run(), (VGXMigrationOutcome{Kind::migrated, {}}));
    EXPECT_EQ(readText(h.destination("hooks.json")), "{\"hooks\":[]}");
    EXPECT_FALSE(fs::exists(h.destination("hooks.json.vigilix-migrating")));
    EXPECT_EQ(readText(h.places.stateFile), R"({"a.txt":"copied","hooks.json":"copied"})");
    const auto messages = logMessages(*h.places.logFile);
    EXPECT_THAT(std::vector(messages.begin() + static_cast<long>(before), messages.end()),
                ::testing::IsSupersetOf(
                    std::vector<std::string>{"Keeping existing file: a.txt", row.retryLog}));
  }
}

TEST(ContainerMigrationTest, StartFreshRemovesOnlyRegularFilesItCopiedInsideTheDestination) {
  struct Row {
    const char* name;
    std::string key;
    std::function<fs::path(MigrationHome&)> arrange;  // makes the file the key may reach
    bool removed;
  };
  const Row rows[] = {
      {"a copied file", "a.txt", [](MigrationHome& h) { return h.destination("a.txt"); }, true},
      {"a copied file in a sub-folder", "logs/today.log",
       [](MigrationHome& h) { return h.destination("logs/today.log"); }, true},
      {"a file that existed before", "mine.txt",
       [](MigrationHome& h) { return h.destination("mine.txt"); }, false},
      {"a parent step", "../x",
       [](MigrationHome& h) { return h.places.appSupportDestination.parent_path() / "x"; }, false},
      {"a parent step further down", "logs/../../x",
       [](MigrationHome& h) { return h.places.appSupportDestination.parent_path() / "x"; }, false},
      {"an absolute path", "", [](MigrationHome& h) { return h.home / "outside.txt"; }, false},
      {"a symlinked sub-folder", "linked/y",
       [](MigrationHome& h) {
         fs::create_directories(h.home / "elsewhere");
         fs::create_directories(h.places.appSupportDestination);
         fs::create_directory_symlink(h.home / "elsewhere", h.destination("linked"));
         return h.home / "elsewhere/y";
       },
       false},
      {"a link to a file", "link.txt",
       [](MigrationHome& h) {
         writeText(h.home / "target.txt", "keep");
         fs::create_directories(h.places.appSupportDestination);
         fs::create_symlink(h.home / "target.txt", h.destination("link.txt"));
         return h.home / "target.txt";
       },
       false},
      {"an empty key", "", [](MigrationHome& h) { return h.destination("a.txt"); }, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    MigrationHome h;
    const fs::path file = row.arrange(h);
    if (!fs::exists(file)) writeText(file, "contents");
    const std::string key = std::string(row.name) == "an absolute path" ? file.string() : row.key;
    const char* provenance =
        std::string(row.name) == "a file that existed before" ? "existedBefore" : "copied";
    writeText(h.places.stateFile,
              "{\"" + key + "\":\"" + provenance + "\",\"gone.txt\":\"copied\"}");
    h.migration().startFresh();
    EXPECT_EQ(fs::exists(file), !row.removed);
    EXPECT_EQ(h.values(), (PropertyDictionary{{kContainerMigrationVersionKey, int64_t{2}}}));
    EXPECT_EQ(logMessages(*h.places.logFile).back(),
              "User chose Start Fresh; migration marker saved");
  }
}

TEST(MigrationProvenanceTest, ReadsOnlyAFlatObjectOfKnownValues) {
  struct Row {
    const char* name;
    std::string text;
    MigrationProvenanceRecord record;
    std::string written;
  };
  const Row rows[] = {
      {"every value, written back sorted",
       R"({"b/c": "failed", "a": "copied", "d": "existedBefore"})",
       {{"a", MigrationProvenance::copied},
        {"b/c", MigrationProvenance::failed},
        {"d", MigrationProvenance::existedBefore}},
       R"({"a":"copied","b/c":"failed","d":"existedBefore"})"},
      {"unknown values and non-strings dropped",
       R"({"a":"moved","b":1,"c":"copied"})",
       {{"c", MigrationProvenance::copied}},
       R"({"c":"copied"})"},
      {"not an object", R"(["a"])", {}, "{}"},
      {"not JSON", "{", {}, "{}"},
      {"empty", "", {}, "{}"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(decodeMigrationProvenance(row.text), row.record);
    EXPECT_EQ(encodeMigrationProvenance(row.record), row.written);
  }
}

}  // namespace
}  // namespace vigilix
