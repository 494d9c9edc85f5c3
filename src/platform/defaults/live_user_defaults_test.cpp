#include "platform/defaults/live_user_defaults.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <bit>
#include <cerrno>
#include <fstream>
#include <functional>
#include <iterator>

#include "platform/defaults/property_list_codec.h"
#include "testing/captured_log.h"
#include "testing/temporary_root.h"
#include "testing/test_platform.h"

namespace vigilix::platform {
namespace {

using ::testing::ElementsAre;
using ::testing::Optional;
using namespace std::string_literals;

class LiveUserDefaultsTest : public ::testing::Test {
 protected:
  static std::string contentsOf(const FileSystem::Path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }
  static void put(const FileSystem::Path& path, const std::string& bytes) {
    ASSERT_TRUE(FileSystem::writeFileAtomically(path, bytes).has_value());
  }
  static void putPlist(const FileSystem::Path& path, const PropertyDictionary& values) {
    put(path, *encodePropertyList(PropertyValue(values), PropertyListFormat::Xml));
  }
  std::vector<std::string> damagedCopies() const {
    std::vector<std::string> names;
    const auto listed = FileSystem::list(files.user.parent_path());
    for (const auto& name : listed.value()) {
      if (name.find(".damaged-") != std::string::npos) names.push_back(name);
    }
    return names;
  }

  testing::TestPlatform platform;
  testing::TemporaryRoot root;
  DefaultsFiles files = defaultsFilesFor(kStandardDomain, false, "tester");
};

TEST_F(LiveUserDefaultsTest, FilesFollowTheStandardFolders) {
  const auto config = root.home() / ".config/vigilix";
  EXPECT_EQ(files.user, config / "run.tarvo.vigilix.plist");
  EXPECT_THAT(files.managed,
              ElementsAre(root.path() / "etc/vigilix/managed/run.tarvo.vigilix.plist",
                          root.path() / "etc/vigilix/managed/tester/run.tarvo.vigilix.plist"));
  EXPECT_EQ(files.anyUser, root.path() / "etc/vigilix/run.tarvo.vigilix.plist");
  EXPECT_EQ(defaultsFilesFor(kAppGroupSuite, true, "tester").user,
            config / "K9WQ2T7LMB.run.tarvo.vigilix.plist");
  // A hostile name stays one file inside its folder.
  EXPECT_EQ(defaultsFilesFor("../x", true, "..").user, config / ".._x.plist");
  EXPECT_EQ(defaultsFilesFor("../x", true, "..").managed.size(), 1u);

  LiveUserDefaults group(kAppGroupSuite, true);
  group.set("run.tarvo.vigilix.ControlState", Bytes{'{', '}'});
  EXPECT_TRUE(FileSystem::exists(config / "K9WQ2T7LMB.run.tarvo.vigilix.plist"));
}

// The user's file is XML a person can read, unless a value would not come
// back exactly from XML; negative integers and dates survive either way.
TEST_F(LiveUserDefaultsTest, StoresAReadableXmlListThatKeepsEveryValue) {
  struct Row {
    const char* name;
    Date when;
    const char* starts;
  };
  const Row rows[] = {
      {"whole seconds: XML", Date::fromTimeIntervalSince1970(1767603600), "<?xml"},
      {"a fraction of a second: binary", Date::fromTimeIntervalSince1970(1767603600.5), "bplist00"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ASSERT_TRUE(FileSystem::remove(files.user).has_value());
    {
      LiveUserDefaults defaults(kStandardDomain, files);
      defaults.set("run.tarvo.vigilix.TimeInterval", std::int64_t{-1800});
      defaults.set("when", row.when);
      defaults.set("flag", false);
    }
    const std::string bytes = contentsOf(files.user);
    EXPECT_TRUE(bytes.starts_with(row.starts)) << bytes.substr(0, 40);
    EXPECT_EQ(decodePropertyList(bytes), PropertyValue(PropertyDictionary{
                                             {"run.tarvo.vigilix.TimeInterval", -1800},
                                             {"when", row.when},
                                             {"flag", false},
                                         }));
    LiveUserDefaults reopened(kStandardDomain, files);
    EXPECT_THAT(reopened.integerValue("run.tarvo.vigilix.TimeInterval"), Optional(-1800));
    EXPECT_THAT(reopened.object("when"), Optional(PropertyValue(row.when)));
    EXPECT_THAT(reopened.boolValue("flag"), Optional(false));
  }
}

TEST_F(LiveUserDefaultsTest, AnEarlierBinaryFileIsRewrittenAsXmlAndManagedFilesAreLeftAlone) {
  put(files.user, *encodePropertyList(PropertyDictionary{{"k", 1}}, PropertyListFormat::Binary));
  const std::string managed =
      *encodePropertyList(PropertyDictionary{{"VGXStopWhenHot", true}}, PropertyListFormat::Binary);
  put(files.managed[0], managed);
  LiveUserDefaults defaults(kStandardDomain, files);
  defaults.set("other", 2);
  EXPECT_EQ(contentsOf(files.user),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
            "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
            "<plist version=\"1.0\">\n<dict>\n\t<key>k</key>\n\t<integer>1</integer>\n"
            "\t<key>other</key>\n\t<integer>2</integer>\n</dict>\n</plist>\n");
  EXPECT_EQ(contentsOf(files.managed[0]), managed);
}

TEST_F(LiveUserDefaultsTest, ReadsAnXmlFile) {
  put(files.user, R"(<?xml version="1.0" encoding="UTF-8"?>
<plist version="1.0"><dict>
<key>run.tarvo.vigilix.BatteryCapacityThreshold</key><real>25</real>
<key>run.tarvo.vigilix.ClickToKeepAwake</key><true/>
</dict></plist>)");
  LiveUserDefaults defaults(kStandardDomain, files);
  EXPECT_THAT(defaults.doubleValue("run.tarvo.vigilix.BatteryCapacityThreshold"), Optional(25.0));
  EXPECT_THAT(defaults.boolValue("run.tarvo.vigilix.ClickToKeepAwake"), Optional(true));
  EXPECT_EQ(defaults.lastError(), std::nullopt);
}

TEST_F(LiveUserDefaultsTest, UserSpecificManagedFileWins) {
  putPlist(files.managed[0], {{"VGXStopWhenHot", true}, {"run.tarvo.vigilix.TimeInterval", 3600}});
  putPlist(files.managed[1], {{"run.tarvo.vigilix.TimeInterval", 900}});
  LiveUserDefaults defaults(kStandardDomain, files);
  EXPECT_THAT(defaults.object("run.tarvo.vigilix.TimeInterval"), Optional(PropertyValue(900)));
  EXPECT_THAT(defaults.object("VGXStopWhenHot"), Optional(PropertyValue(true)));
  EXPECT_TRUE(defaults.objectIsForced("VGXStopWhenHot"));
  EXPECT_FALSE(defaults.objectIsForced("run.tarvo.vigilix.AllowDisplaySleep"));
}

TEST_F(LiveUserDefaultsTest, DamagedFileIsMovedAsideReportedAndStartsEmpty) {
  testing::CapturedLog log;
  put(files.user, "garbage, not a property list");
  LiveUserDefaults defaults(kStandardDomain, files);

  ASSERT_TRUE(defaults.lastError().has_value());
  EXPECT_EQ(defaults.lastError()->kind, DefaultsError::Kind::Damaged);
  EXPECT_EQ(defaults.lastError()->movedAsideTo, files.user.string() + ".damaged-20260105T090000Z");
  EXPECT_EQ(contentsOf(files.user.string() + ".damaged-20260105T090000Z"),
            "garbage, not a property list");
  EXPECT_FALSE(FileSystem::exists(files.user));
  EXPECT_EQ(defaults.object("anything"), std::nullopt);
  EXPECT_TRUE(log.containsFragment("moved aside"));

  defaults.set("k", 1);
  EXPECT_EQ(decodePropertyList(contentsOf(files.user)),
            PropertyValue(PropertyDictionary{{"k", 1}}));
}

TEST_F(LiveUserDefaultsTest, DamageFoundOnSynchronizeKeepsEarlierCopies) {
  LiveUserDefaults defaults(kStandardDomain, files);
  defaults.set("k", 1);
  put(files.user, "first damage");
  EXPECT_FALSE(defaults.synchronize());
  EXPECT_EQ(defaults.object("k"), std::nullopt);
  put(files.user, "second damage");
  EXPECT_FALSE(defaults.synchronize());

  EXPECT_THAT(damagedCopies(), ElementsAre("run.tarvo.vigilix.plist.damaged-20260105T090000Z",
                                           "run.tarvo.vigilix.plist.damaged-20260105T090000Z-2"));
  EXPECT_EQ(contentsOf(files.user.string() + ".damaged-20260105T090000Z"), "first damage");
  EXPECT_TRUE(defaults.synchronize());  // nothing left to read: empty and sound
}

TEST_F(LiveUserDefaultsTest, DamagedFileThatCannotBeMovedIsLeftAlone) {
  put(files.user, "garbage");
  FileSystem::injectFailure(FileSystem::Operation::MoveAside, files.user, EACCES);
  LiveUserDefaults defaults(kStandardDomain, files);
  ASSERT_TRUE(defaults.lastError().has_value());
  EXPECT_EQ(defaults.lastError()->kind, DefaultsError::Kind::Unreadable);
  defaults.set("k", 1);
  EXPECT_EQ(contentsOf(files.user), "garbage");
  EXPECT_TRUE(defaults.hasPendingChanges());
}

TEST_F(LiveUserDefaultsTest, ValueTheFileCannotHoldDoesNotBlockOthers) {
  PropertyValue deep = PropertyArray{};
  for (int i = 0; i < 300; ++i) deep = PropertyArray{deep};
  LiveUserDefaults defaults(kStandardDomain, files);
  defaults.set("deep", deep);
  ASSERT_TRUE(defaults.lastError().has_value());
  EXPECT_EQ(defaults.lastError()->kind, DefaultsError::Kind::Unstorable);
  EXPECT_THAT(defaults.object("deep"), Optional(deep));
  defaults.set("near", 1);
  EXPECT_FALSE(defaults.hasPendingChanges());
  EXPECT_THAT(LiveUserDefaults(kStandardDomain, files).object("near"), Optional(PropertyValue(1)));
}

std::string bigEndianDate(double seconds) {
  std::string out = "\x33";
  const auto raw = std::bit_cast<std::uint64_t>(seconds);
  for (int i = 7; i >= 0; --i) out += static_cast<char>((raw >> (8 * i)) & 0xFF);
  return out;
}

// A binary list of one dictionary {"k": <object>}.
std::string binaryWithValue(const std::string& object) {
  std::string out = "bplist00\xD1\x01\x02\x51k" + object;
  const auto table = static_cast<char>(out.size());
  out += "\x08\x0B\x0D"s;
  out += "\0\0\0\0\0\0\x01\x01"s + std::string(7, '\0') + "\x03"s + std::string(8, '\0') +
         std::string(7, '\0') + table;
  return out;
}

// Whatever another program or a person put in the file reads, and survives
// any number of rewrites unchanged, without the file being moved aside.
TEST_F(LiveUserDefaultsTest, WhatTheUserFileHoldsSurvivesRewrites) {
  struct Row {
    const char* name;
    std::string file;
    PropertyValue value;
  };
  const auto xml = [](const std::string& value) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
           "<key>k</key>" +
           value + "</dict></plist>\n";
  };
  const Row rows[] = {
      {"text with a NUL", xml("<string>a\0b</string>"s), "a\0b"s},
      {"Latin-1 text", xml("<string>\xE9t\xE9</string>"), "\xE9t\xE9"},
      {"Latin-1 first byte", xml("<string>\xE9</string>"), "\xE9"},
      {"date in 2100", xml("<date>2100-01-01T00:00:00Z</date>"), Date(3124137600)},
      {"date in 1900", xml("<date>1900-01-01T00:00:00Z</date>"), Date(-3187296000)},
      {"date after 2069", binaryWithValue(bigEndianDate(3e9)), Date(3e9)},
      {"date just before 2001", binaryWithValue(bigEndianDate(-0.5)), Date(-0.5)},
      {"date before 2001 with a fraction", binaryWithValue(bigEndianDate(-977616000.25)),
       Date(-977616000.25)},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    ASSERT_TRUE(FileSystem::remove(files.user).has_value());
    put(files.user, row.file);
    for (int rewrite = 0; rewrite < 3; ++rewrite) {
      LiveUserDefaults defaults(kStandardDomain, files);
      EXPECT_THAT(defaults.object("k"), Optional(row.value));
      defaults.set("other", rewrite);
      EXPECT_EQ(defaults.lastError(), std::nullopt);
      EXPECT_FALSE(defaults.hasPendingChanges());
    }
    EXPECT_EQ(decodePropertyList(contentsOf(files.user)),
              PropertyValue(PropertyDictionary{{"k", row.value}, {"other", 2}}));
    EXPECT_TRUE(damagedCopies().empty());
  }
}

TEST_F(LiveUserDefaultsTest, AProfileNumberReadsAsABoolean) {
  put(files.managed[0],
      "<plist><dict><key>run.tarvo.vigilix.AllowDisplaySleep</key><integer>1</integer>"
      "<key>VGXStopWhenHot</key><integer>0</integer><key>name\0</key><string>x\0y</string>"
      "</dict></plist>"s);
  LiveUserDefaults defaults(kStandardDomain, files);
  EXPECT_THAT(defaults.boolValue("run.tarvo.vigilix.AllowDisplaySleep"), Optional(true));
  EXPECT_THAT(defaults.boolValue("VGXStopWhenHot"), Optional(false));
  EXPECT_THAT(defaults.object("name\0"s), Optional(PropertyValue("x\0y"s)));
}

TEST_F(LiveUserDefaultsTest, OpeningRemovesTemporaryFilesThatKilledWritesLeft) {
  const auto folder = files.user.parent_path();
  put(files.user, *encodePropertyList(PropertyDictionary{{"k", 1}}, PropertyListFormat::Binary));
  const std::vector<std::string> stale = {".run.tarvo.vigilix.plist.tmp-Ab12Cd",
                                          ".run.tarvo.vigilix.plist.tmp-000000"};
  const std::vector<std::string> kept = {".run.tarvo.vigilix.plist.tmp-Ab12C",
                                         ".run.tarvo.vigilix.plist.tmp-Ab12Cd.x",
                                         ".other.plist.tmp-Ab12Cd", "notes.txt"};
  for (const auto& name : stale) put(folder / name, "partial");
  for (const auto& name : kept) put(folder / name, "other");
  LiveUserDefaults defaults(kStandardDomain, files);
  for (const auto& name : stale) EXPECT_FALSE(FileSystem::exists(folder / name)) << name;
  for (const auto& name : kept) EXPECT_TRUE(FileSystem::exists(folder / name)) << name;
  EXPECT_THAT(defaults.object("k"), Optional(PropertyValue(1)));
}

TEST_F(LiveUserDefaultsTest, DamagedManagedFileIsIgnoredAndLeftInPlace) {
  testing::CapturedLog log;
  put(files.managed[0], "garbage");
  putPlist(files.anyUser, {{"VGXStopWhenHot", false}});
  LiveUserDefaults defaults(kStandardDomain, files);
  EXPECT_FALSE(defaults.objectIsForced("VGXStopWhenHot"));
  EXPECT_THAT(defaults.anyUserValue("VGXStopWhenHot"), Optional(PropertyValue(false)));
  EXPECT_EQ(contentsOf(files.managed[0]), "garbage");
  EXPECT_TRUE(log.containsFragment("Ignoring damaged managed preferences file"));
}

// The file is written only when a value changes and read again only when it
// changed: an unchanged file is never read, so a failing read is never met.
TEST_F(LiveUserDefaultsTest, TheFileIsWrittenAndReadOnlyForAChange) {
  struct Row {
    const char* name;
    std::function<void(LiveUserDefaults&)> act;
    bool rewritten;
  };
  const Row rows[] = {
      {"the same value again", [](auto& d) { d.set("k", 1); }, false},
      {"removing a key the file lacks", [](auto& d) { d.remove("absent"); }, false},
      {"an unchanged file when synchronising",
       [this](auto& d) {
         FileSystem::injectFailure(FileSystem::Operation::Read, files.user, EIO);
         EXPECT_TRUE(d.synchronize());
         FileSystem::clearInjectedFailures();
       },
       false},
      {"another value", [](auto& d) { d.set("k", 2); }, true},
      {"a removed key", [](auto& d) { d.remove("k"); }, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    putPlist(files.user, {{"k", 1}});
    LiveUserDefaults defaults(kStandardDomain, files);
    const std::string before = contentsOf(files.user);
    row.act(defaults);
    EXPECT_EQ(contentsOf(files.user) != before, row.rewritten);
    EXPECT_EQ(defaults.lastError(), std::nullopt);
  }
}

TEST_F(LiveUserDefaultsTest, AFileChangedByAnotherWriterIsReadAgain) {
  putPlist(files.user, {{"k", 1}});
  LiveUserDefaults defaults(kStandardDomain, files);
  defaults.synchronize();
  putPlist(files.user, {{"k", 2}});
  defaults.synchronize();
  EXPECT_THAT(defaults.object("k"), Optional(PropertyValue(2)));
  defaults.set("k", 1);
  EXPECT_EQ(decodePropertyList(contentsOf(files.user)),
            PropertyValue(PropertyDictionary{{"k", 1}}));
}

}  // namespace
}  // namespace vigilix::platform
